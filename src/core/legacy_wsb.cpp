#include "core/legacy_wsb.h"

#include <map>

#include "core/native_file.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr std::int16_t kMarker = 311;
constexpr const char* kPropertiesTag = "KIPO-WSB;";

void WriteRecord(ByteWriter& w, std::int16_t number, std::string_view text, char alignment, char italic,
                 std::string_view comment, std::string_view in, std::string_view out) {
  w.i16le(kMarker);
  w.i16le(number);
  w.field(text, kWsbTextLength);
  w.u8(static_cast<std::uint8_t>(alignment));
  w.u8(static_cast<std::uint8_t>(italic));
  w.field(comment, kWsbCommentLength);
  w.field(in, 8);
  w.field(out, 8);
}

std::map<std::string, long> ParseProperties(std::string_view text) {
  std::map<std::string, long> values;
  if (!StartsWith(text, kPropertiesTag)) return values;
  text.remove_prefix(std::string_view(kPropertiesTag).size());
  while (!text.empty()) {
    std::size_t end = text.find(';');
    std::string_view item = text.substr(0, end);
    if (std::size_t eq = item.find('='); eq != std::string_view::npos) {
      long v = 0;
      if (ParseInt(item.substr(eq + 1), v)) values[std::string(item.substr(0, eq))] = v;
    }
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return values;
}

std::string Ascii(std::string s) {
  for (char& c : s)
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  return s;
}

}  // namespace

Bytes WriteWsb(const SubtitleDocument& doc, const WsbOptions& options, std::vector<std::string>& warnings) {
  const std::string codePage = CodePageForCharset(doc.characterSet(), options.ansiCodePage);
  ByteWriter w((doc.Count() + 2) * kWsbRecordLength);
  std::string props = std::string(kPropertiesTag) + "count=" + std::to_string(doc.Count()) +
                      ";rate=" + std::to_string(doc.frameRate().code) +
                      ";charset=" + std::to_string(doc.characterSet()) +
                      ";language=" + std::to_string(doc.languageId()) + ";";
  WriteRecord(w, doc.currentNumber(), props, ' ', ' ', "", "", "");
  WriteRecord(w, 0, "", ' ', ' ', "", "", "");
  std::vector<char32_t> unmappable;
  std::vector<std::size_t> cut;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    std::string text = Utf8ToCodePage(s.text, codePage, &unmappable);
    std::string comment = Utf8ToCodePage(s.comment, codePage, &unmappable);
    if (text.size() > kWsbTextLength || comment.size() > kWsbCommentLength) cut.push_back(i + 1);
    char align = s.alignment >= 1 && s.alignment <= 9 ? static_cast<char>('0' + s.alignment) : '1';
    WriteRecord(w, static_cast<std::int16_t>(i + 1), text, align, s.italic ? '1' : '0', comment, s.inCue, s.outCue);
  }
  if (!cut.empty()) {
    std::string list;
    for (std::size_t n : cut) list += (list.empty() ? "" : ", ") + ZeroPad(static_cast<long>(n), 4);
    warnings.push_back("Text or comment cut to the WSB field width (130 and 100 characters) in subtitles " + list);
  }
  if (!unmappable.empty())
    warnings.push_back("Characters that the character set (" + codePage + ") cannot hold were written as \"?\"");
  return w.take();
}

SubtitleDocument ReadWsb(std::span<const std::uint8_t> bytes, const WsbOptions& options) {
  if (bytes.size() < 2 * kWsbRecordLength || bytes.size() % kWsbRecordLength != 0 ||
      bytes.size() / kWsbRecordLength - 2 > kMaxSubtitles)
    throw InvalidFileFormat(kNotValidKipo);
  ByteReader r(bytes);
  struct Record {
    std::int16_t number;
    std::string text;
    char alignment, italic;
    std::string comment, in, out;
  };
  auto next = [&] {
    Record rec;
    if (r.i16le() != kMarker) throw InvalidFileFormat(kNotValidKipo);
    rec.number = r.i16le();
    rec.text = r.field(kWsbTextLength);
    rec.alignment = static_cast<char>(r.u8());
    rec.italic = static_cast<char>(r.u8());
    rec.comment = r.field(kWsbCommentLength);
    rec.in = Ascii(Trim(r.field(8)));
    rec.out = Ascii(Trim(r.field(8)));
    return rec;
  };
  Record first = next();
  next();
  auto props = ParseProperties(first.text);
  SubtitleDocument doc;
  if (auto it = props.find("rate"); it != props.end()) doc.SetFrameRate(static_cast<int>(it->second));
  if (auto it = props.find("charset"); it != props.end()) doc.SetCharacterSet(static_cast<std::int16_t>(it->second));
  if (auto it = props.find("language"); it != props.end() && it->second > 0 && it->second <= 0x7FFFFFFF)
    doc.SetLanguageId(static_cast<std::int32_t>(it->second));
  doc.SetCurrentNumber(first.number >= 1 ? first.number : 1);
  const std::string codePage = CodePageForCharset(doc.characterSet(), options.ansiCodePage);

  std::vector<Subtitle> subs;
  subs.reserve(bytes.size() / kWsbRecordLength - 2);
  while (!r.atEnd()) {
    Record rec = next();
    Subtitle s;
    s.text = CodePageToUtf8(rec.text, codePage);
    s.comment = CodePageToUtf8(rec.comment, codePage);
    s.alignment = rec.alignment >= '1' && rec.alignment <= '4' ? rec.alignment - '0' : AlignCentre;
    s.italic = rec.italic == '1' || rec.italic == 'Y' || rec.italic == 'T';
    s.inCue = rec.in;
    s.outCue = rec.out;
    subs.push_back(std::move(s));
  }
  doc.ReplaceAll(std::move(subs));
  doc.modified = false;
  return doc;
}

std::vector<std::string> WsbFormatWarnings(const SubtitleDocument& doc) {
  bool outlining = false, vertical = false;
  for (const Subtitle& s : doc.Subtitles()) {
    outlining = outlining || (s.boxStyle != BoxNone && s.boxStyle > 0);
    vertical = vertical || s.row != 0;
  }
  std::vector<std::string> out;
  if (outlining)
    out.push_back("Warning: one or more subtitles in this file contain outlining. This is not supported in WSB format");
  if (vertical)
    out.push_back(
        "Warning: one or more subtitles in this file contain vertical alignment codes. These are not supported in WSB "
        "format");
  return out;
}

}  // namespace kipo
