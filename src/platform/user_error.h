#pragma once
// A failure the user must see: the message box title and text, exactly as shown.
#include <stdexcept>
#include <string>

namespace kipo {

inline constexpr const char* kAppTitle = "Kipo";

class UserError : public std::runtime_error {
 public:
  UserError(std::string title, std::string text)
      : std::runtime_error(text), title_(std::move(title)), text_(std::move(text)) {}
  const std::string& title() const { return title_; }
  const std::string& text() const { return text_; }

 private:
  std::string title_;
  std::string text_;
};

// The user answered a question with No or Cancel (a reader's language choice, "open it
// anyway?"): nothing is loaded and nothing is shown. The title and text are empty, so a
// handler that shows every UserError must skip this one.
class Cancelled : public UserError {
 public:
  Cancelled() : UserError("", "") {}
};

// The readers' common refusal: title "Invalid file format" and a one-line reason.
inline UserError InvalidFileFormat(std::string reason) {
  return UserError("Invalid file format", std::move(reason));
}

}  // namespace kipo
