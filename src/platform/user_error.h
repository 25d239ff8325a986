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

// The readers' common refusal: title "Invalid file format" and a one-line reason.
inline UserError InvalidFileFormat(std::string reason) {
  return UserError("Invalid file format", std::move(reason));
}

}  // namespace kipo
