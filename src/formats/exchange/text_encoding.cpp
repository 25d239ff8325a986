#include "formats/exchange/text_encoding.h"

#include <cstdio>

#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/text_util.h"

namespace kipo {

int CodePageNumber(TextEncoding e) {
  switch (e) {
    case TextEncoding::Ansi: return 0;
    case TextEncoding::Utf8: return 65001;
    case TextEncoding::Utf16: return 1200;
  }
  return 0;
}

const char* TextEncodingName(TextEncoding e) {
  switch (e) {
    case TextEncoding::Ansi: return "ANSI";
    case TextEncoding::Utf8: return "UTF-8";
    case TextEncoding::Utf16: return "UTF-16";
  }
  return "";
}

std::optional<TextEncoding> ParseTextEncoding(std::string_view s) {
  std::string l = ToLowerAscii(s);
  if (l == "ansi" || l == "system" || l == "system default" || l == "system code page") return TextEncoding::Ansi;
  if (l == "utf8" || l == "utf-8") return TextEncoding::Utf8;
  if (l == "utf16" || l == "utf-16" || l == "unicode" || l == "unicode (utf-16)") return TextEncoding::Utf16;
  return std::nullopt;
}

Bytes EncodeText(std::string_view utf8, TextEncoding e, std::string_view ansiCodePage,
                 std::vector<char32_t>* unmappable) {
  Bytes out;
  switch (e) {
    case TextEncoding::Ansi:
      AppendUtf8InCodePage(out, utf8, ansiCodePage, unmappable);
      break;
    case TextEncoding::Utf8:
      out.reserve(utf8.size() + 3);
      out = {0xEF, 0xBB, 0xBF};
      out.insert(out.end(), reinterpret_cast<const std::uint8_t*>(utf8.data()),
                 reinterpret_cast<const std::uint8_t*>(utf8.data() + utf8.size()));
      break;
    case TextEncoding::Utf16:
      out = {0xFF, 0xFE};
      AppendUtf16LE(out, utf8);
      break;
  }
  return out;
}

Bytes TextFileWriter::Close(std::vector<char32_t>* unmappable) const {
  return EncodeText(text_, encoding_, ansiCodePage_, unmappable);
}

std::size_t ExportBomLength(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return 0;
  if (bytes[0] == 255) return std::min<std::size_t>(2, bytes.size());
  if (bytes[0] == 239) return std::min<std::size_t>(3, bytes.size());
  return 0;
}

void RemoveBOM(Bytes& bytes) {
  std::size_t n = ExportBomLength(bytes);
  bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
}

void RemoveBOM(const std::filesystem::path& file) {
  Bytes bytes = ReadFileBytes(file);
  if (ExportBomLength(bytes) == 0) return;
  RemoveBOM(bytes);
  WriteFileAtomic(file, bytes);
}

std::string_view DecodeImportText(std::span<const std::uint8_t> bytes, std::optional<TextEncoding> forced,
                                  std::string_view ansiCodePage, std::string& storage) {
  const std::string_view asText(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  BomInfo bom = DetectBom(bytes);
  if (bom.encoding != UnicodeEncoding::None || !forced) return DecodeTextView(bytes, ansiCodePage, storage).text;
  switch (*forced) {
    case TextEncoding::Utf16: storage = Utf16LEToUtf8(bytes); return storage;
    case TextEncoding::Utf8:
      if (IsValidUtf8(asText)) return asText;
      // Not UTF-8 after all: read it as the code page rather than keep broken bytes.
      storage = CodePageToUtf8(bytes, ansiCodePage);
      return storage;
    case TextEncoding::Ansi: return DecodeTextView(bytes, ansiCodePage, storage).text;
  }
  return {};
}

std::string DecodeImportText(std::span<const std::uint8_t> bytes, std::optional<TextEncoding> forced,
                             std::string_view ansiCodePage) {
  std::string storage;
  const std::string_view text = DecodeImportText(bytes, forced, ansiCodePage, storage);
  if (text.data() != storage.data()) storage.assign(text);
  return storage;
}

std::string UnmappableWarning(const std::vector<char32_t>& chars, std::string_view codePage) {
  std::string list;
  for (std::size_t i = 0; i < chars.size() && i < 20; ++i) {
    if (i) list += ' ';
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(chars[i]));
    list += buf;
  }
  if (chars.size() > 20) list += " ...";
  return std::to_string(chars.size()) + " character(s) cannot be written in " + std::string(codePage) +
         " and became '?': " + list;
}

}  // namespace kipo
