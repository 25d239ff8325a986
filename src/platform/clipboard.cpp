#include "platform/clipboard.h"

#include "platform/user_error.h"

namespace kipo {

const char* ClipboardFormatName(ClipboardFormat format) {
  return format == ClipboardFormat::RichText ? "RichText" : "Text";
}

std::string Clipboard::GetText(ClipboardFormat format) const {
  if (auto d = Data(format)) return *d;
  throw UserError(kAppTitle, std::string("No character data available on the clipboard for 'Format = ") +
                                 ClipboardFormatName(format) + "'");
}

bool MemoryClipboard::HasFormat(ClipboardFormat format) const {
  return format == ClipboardFormat::Text && text_.has_value();
}

std::optional<std::string> MemoryClipboard::Data(ClipboardFormat format) const {
  if (!HasFormat(format)) return std::nullopt;
  return text_;
}

}  // namespace kipo
