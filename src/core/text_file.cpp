#include "core/text_file.h"

#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr const char* kEncodingNames[] = {"ANSI", "Unicode", "Unicode (UTF-8)", "Unicode (Big Endian)"};
constexpr const char* kNoCue = "--:--:--:--";

// "0001<TAB>HH:MM:SS:FF<TAB>HH:MM:SS:FF" -> the two cue fields.
bool ParseBlockHeader(std::string_view line, std::string& in, std::string& out) {
  std::size_t t1 = line.find('\t');
  if (t1 == std::string_view::npos || t1 == 0) return false;
  std::size_t t2 = line.find('\t', t1 + 1);
  if (t2 == std::string_view::npos) return false;
  long number = 0;
  if (!ParseInt(line.substr(0, t1), number) || number < 0) return false;
  std::string_view a = line.substr(t1 + 1, t2 - t1 - 1);
  std::string b = TrimRight(line.substr(t2 + 1));
  auto cue = [](std::string_view f, std::string& digits) {
    if (f == kNoCue) {
      digits.clear();
      return true;
    }
    if (!IsLabelShape(f)) return false;
    digits = StripSeparators(f);
    return IsCompleteCue(digits);
  };
  return cue(a, in) && cue(b, out);
}

void StripTrailingBlankRows(std::vector<std::string>& rows) {
  while (!rows.empty() && Trim(rows.back()).empty()) rows.pop_back();
}

void Add(std::vector<Subtitle>& subs, Subtitle s) {
  if (subs.size() >= kMaxSubtitles)
    throw InvalidFileFormat("This text file holds more than 32767 subtitles");
  subs.push_back(std::move(s));
}

}  // namespace

std::string TextFileEncodingName(TextFileEncoding e) { return kEncodingNames[static_cast<int>(e)]; }

std::optional<TextFileEncoding> TextFileEncodingFromName(std::string_view name) {
  for (int i = 0; i < 4; ++i)
    if (EqualsIgnoreCase(name, kEncodingNames[i])) return static_cast<TextFileEncoding>(i);
  return std::nullopt;
}

TextFileEncoding DetectTextFileEncoding(std::span<const std::uint8_t> bytes) {
  switch (DecodeText(bytes.first(std::min<std::size_t>(bytes.size(), 65536)), "windows-1252").encoding) {
    case UnicodeEncoding::Utf16LE: return TextFileEncoding::Unicode;
    case UnicodeEncoding::Utf16BE: return TextFileEncoding::BigEndian;
    case UnicodeEncoding::Utf8: return TextFileEncoding::Utf8;
    case UnicodeEncoding::None: break;
  }
  return TextFileEncoding::Ansi;
}

SubtitleDocument ReadTextFile(std::span<const std::uint8_t> bytes, const TextFileReadOptions& options) {
  TextFileEncoding enc = options.encoding.value_or(DetectTextFileEncoding(bytes));
  BomInfo bom = DetectBom(bytes);
  auto body = bytes.subspan(bom.length);
  std::string text;
  switch (enc) {
    case TextFileEncoding::Unicode: text = Utf16LEToUtf8(body); break;
    case TextFileEncoding::BigEndian: text = Utf16BEToUtf8(body); break;
    case TextFileEncoding::Utf8:
      text.assign(reinterpret_cast<const char*>(body.data()), body.size());
      // Text that claims UTF-8 but is not must not reach the document as broken bytes.
      if (!IsValidUtf8(text)) text = CodePageToUtf8(body, options.ansiCodePage);
      break;
    case TextFileEncoding::Ansi: text = CodePageToUtf8(body, options.ansiCodePage); break;
  }
  std::vector<std::string> lines = SplitLines(text);
  std::string in, out;
  bool structured = false;
  for (const std::string& l : lines)
    if (ParseBlockHeader(l, in, out)) {
      structured = true;
      break;
    }

  std::vector<Subtitle> subs;
  std::vector<std::string> rows;
  if (structured) {
    Subtitle current;
    bool open = false;
    auto flush = [&] {
      if (!open) return;
      StripTrailingBlankRows(rows);
      current.text = JoinRows(rows);
      Add(subs, std::move(current));
      current = Subtitle{};
      rows.clear();
    };
    for (const std::string& l : lines) {
      if (ParseBlockHeader(l, in, out)) {
        flush();
        open = true;
        current.inCue = in;
        current.outCue = out;
      } else if (open) {
        rows.push_back(l);
      }
    }
    flush();
  } else {
    for (const std::string& l : lines) {
      if (Trim(l).empty()) {
        if (!rows.empty()) {
          Subtitle s;
          s.text = JoinRows(rows);
          Add(subs, std::move(s));
          rows.clear();
        }
      } else {
        rows.push_back(l);
      }
    }
    if (!rows.empty()) {
      Subtitle s;
      s.text = JoinRows(rows);
      Add(subs, std::move(s));
    }
  }
  SubtitleDocument doc(options.frameRateCode, kDefaultLanguageId, 0);
  doc.ReplaceAll(std::move(subs));
  doc.modified = false;
  return doc;
}

Bytes WriteTextFile(const SubtitleDocument& doc, const TextFileWriteOptions& options, std::vector<std::string>& warnings) {
  std::string text;
  bool lost = false;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    if (!options.unstructured) {
      text += ZeroPad(static_cast<long>(i + 1), 4) + "\t" + (s.inCue.empty() ? kNoCue : DigitsToLabel(s.inCue)) +
              "\t" + (s.outCue.empty() ? kNoCue : DigitsToLabel(s.outCue)) + "\r\n";
    } else {
      lost = lost || !s.inCue.empty() || !s.outCue.empty();
    }
    text += s.text;
    text += "\r\n\r\n";
    lost = lost || !s.comment.empty() || s.italic || s.row != 0 || s.alignment != AlignCentre ||
           s.boxStyle != BoxNone || s.rowColours != kNoFlags || s.karaokeRole != 0;
  }
  if (lost) warnings.push_back("Text files hold only cues and text: other subtitle fields were not saved");

  ByteWriter w(text.size() * 2 + 4);
  switch (options.encoding) {
    case TextFileEncoding::Ansi: {
      std::vector<char32_t> unmappable;
      w.raw(Utf8ToCodePage(text, options.ansiCodePage, &unmappable));
      if (!unmappable.empty())
        warnings.push_back("Characters that " + options.ansiCodePage + " cannot hold were written as \"?\"");
      break;
    }
    case TextFileEncoding::Unicode:
      w.raw("\xFF\xFE");
      w.bytes(Utf8ToUtf16LE(text));
      break;
    case TextFileEncoding::BigEndian:
      w.raw("\xFE\xFF");
      w.bytes(Utf8ToUtf16BE(text));
      break;
    case TextFileEncoding::Utf8:
      w.raw("\xEF\xBB\xBF");
      w.raw(text);
      break;
  }
  return w.take();
}

}  // namespace kipo
