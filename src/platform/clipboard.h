#pragma once
// The system text clipboard behind an interface: the desktop app supplies the real one,
// tests and the command line use MemoryClipboard.
#include <optional>
#include <string>

namespace kipo {

enum class ClipboardFormat { Text = 1, RichText = 2 };

// "Text" or "RichText": how a format is named in the clipboard's messages.
const char* ClipboardFormatName(ClipboardFormat format);

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual bool HasFormat(ClipboardFormat format) const = 0;
  // The data of a format, or nullopt when the clipboard holds none.
  virtual std::optional<std::string> Data(ClipboardFormat format) const = 0;
  // Replaces the clipboard's contents with UTF-8 text.
  virtual void SetText(const std::string& text) = 0;
  virtual void Clear() = 0;

  // The text of a format; throws UserError "No character data available on the clipboard
  // for 'Format = <format>'" when there is none.
  std::string GetText(ClipboardFormat format = ClipboardFormat::Text) const;
};

class MemoryClipboard : public Clipboard {
 public:
  bool HasFormat(ClipboardFormat format) const override;
  std::optional<std::string> Data(ClipboardFormat format) const override;
  void SetText(const std::string& text) override { text_ = text; }
  void Clear() override { text_.reset(); }

 private:
  std::optional<std::string> text_;
};

}  // namespace kipo
