#include "formats/exchange/custom_text.h"

#include <algorithm>
#include <cstdio>

#include "core/markup.h"
#include "core/rich_text.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr const char* kTemplateCodePage = "windows-1252";

// A row of document text with its italics as the chosen markers; other markup (colours,
// underline, bold, groups) has no place in plain text and is left out, and characters held
// as stand-ins are written as themselves.
void AppendRow(std::string& out, std::string_view row, bool wholeItalic, const CustomTextOptions& o) {
  if (wholeItalic) out += o.startItalic;
  // A colour code holds a character cell: left out, it still parts the words beside it.
  const std::string spaced = ColoursAsSpaces(row);
  ScanMarkup(spaced, MarkerView{}, [&](Mark m, std::string_view piece) {
    switch (m) {
      case Mark::None:
        // Control characters have no place in a text file.
        for (char c : UnescapeLiterals(piece))
          if (!((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F)) out += c;
        break;
      case Mark::ItalicOn: out += o.startItalic; break;
      case Mark::ItalicOff: out += o.endItalic; break;
      default: break;
    }
  });
  if (wholeItalic) out += o.endItalic;
}

std::string CueText(const Cue& cue, int form, const FrameRate& rate) { return FormatTimecode(cue.digits(), form, rate); }

}  // namespace

const std::vector<std::string>& SeparatorChoices() {
  static const std::vector<std::string> v{kSeparatorTab, kSeparatorSpace, kSeparatorNewLine, "<p>", "/"};
  return v;
}

std::string SeparatorText(std::string_view s) {
  if (s == kSeparatorTab) return "\t";
  if (s == kSeparatorSpace) return " ";
  if (s == kSeparatorNewLine) return "\r\n";
  return std::string(s);
}

const std::vector<std::string>& CustomTextEncodingNames() {
  static const std::vector<std::string> v{"System code page", "UTF-8", "Unicode (UTF-16)"};
  return v;
}

TextEncoding CustomTextEncoding(int index) {
  return index == 1 ? TextEncoding::Utf8 : index == 2 ? TextEncoding::Utf16 : TextEncoding::Ansi;
}

std::string WriteCustomText(const SubtitleDocument& doc, const CustomTextOptions& o) {
  const FrameRate& rate = doc.frameRate();
  const std::string numberSep = SeparatorText(o.numberSeparator), interSep = SeparatorText(o.interCueSeparator),
                    durationSep = SeparatorText(o.durationSeparator), textSep = SeparatorText(o.textSeparator),
                    rowSep = SeparatorText(o.rowSeparator);
  std::string out;
  out.reserve(doc.Count() * 64);
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    bool fields = false;
    if (o.number) {
      char buf[24];
      std::snprintf(buf, sizeof buf, o.numberFormat == 1 ? "%04zu" : "%zu", i + 1);
      out += buf;
      if (o.cues || o.duration || o.position) out += numberSep;
      fields = true;
    }
    if (o.cues) {
      out += CueText(s.inCue, o.tcFormat, rate);
      out += interSep;
      out += CueText(s.outCue, o.tcFormat, rate);
      if (o.duration || o.position) out += durationSep;
      fields = true;
    }
    if (o.duration) {
      if (s.inCue.IsSet() && s.outCue.IsSet())
        out += FormatTimecodeFromLabel(FramesToLabel(s.outCue.ToFrames(rate) - s.inCue.ToFrames(rate), rate),
                                       o.tcFormat, rate);
      else
        out += FormatTimecode("", o.tcFormat, rate);
      if (o.position) out += '\t';
      fields = true;
    }
    if (o.position) {
      char buf[24];
      std::snprintf(buf, sizeof buf, "*R%02d*", static_cast<int>(s.row));
      out += buf;
      fields = true;
    }
    if (fields) out += textSep;
    const std::vector<std::string> rows = SplitRows(s.text);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if (r) out += rowSep;
      AppendRow(out, rows[r], s.italic, o);
    }
    out += "\r\n";
    if (o.comments) {
      out += rowSep;
      out += "[" + UnescapeLiterals(s.comment) + "]\r\n";
    }
    if (o.blankLine && i + 1 < doc.Count()) out += "\r\n";
  }
  return out;
}

// --- template files

namespace {

void PutText(ByteWriter& w, const std::string& utf8) {
  std::string ansi = Utf8ToCodePage(utf8, kTemplateCodePage);
  if (ansi.size() > kCustomTemplateText) ansi.resize(kCustomTemplateText);
  w.i16le(static_cast<std::int16_t>(ansi.size()));
  w.field(ansi, kCustomTemplateText, ' ');
}

std::string GetText(ByteReader& r) {
  const int length = std::clamp<int>(r.i16le(), 0, static_cast<int>(kCustomTemplateText));
  std::string raw = r.raw(kCustomTemplateText);
  return CodePageToUtf8(std::string_view(raw).substr(0, static_cast<std::size_t>(length)), kTemplateCodePage);
}

}  // namespace

Bytes WriteCustomTemplate(const CustomTextOptions& o) {
  ByteWriter w(kCustomTemplateLength);
  auto flag = [&](bool b) { w.i16le(b ? 1 : 0); };
  flag(o.number);
  w.i16le(static_cast<std::int16_t>(o.numberFormat));
  PutText(w, o.numberSeparator);
  flag(o.cues);
  w.i16le(static_cast<std::int16_t>(o.tcFormat));
  PutText(w, o.interCueSeparator);
  PutText(w, o.durationSeparator);
  flag(o.duration);
  PutText(w, o.textSeparator);
  PutText(w, o.rowSeparator);
  PutText(w, o.startItalic);
  PutText(w, o.endItalic);
  w.i16le(static_cast<std::int16_t>(o.encoding));
  flag(o.blankLine);
  flag(o.position);
  flag(o.comments);
  w.fill(kCustomTemplateLength - w.size(), 0);
  return w.take();
}

CustomTextOptions ReadCustomTemplate(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kCustomTemplateFields)
    throw InvalidFileFormat("This is not a custom text format template");
  ByteReader r(bytes);
  CustomTextOptions o;
  auto number = [&](int lo, int hi) { return std::clamp<int>(r.i16le(), lo, hi); };
  o.number = r.i16le() != 0;
  o.numberFormat = number(0, 1);
  o.numberSeparator = GetText(r);
  o.cues = r.i16le() != 0;
  o.tcFormat = number(0, 7);
  o.interCueSeparator = GetText(r);
  o.durationSeparator = GetText(r);
  o.duration = r.i16le() != 0;
  o.textSeparator = GetText(r);
  o.rowSeparator = GetText(r);
  o.startItalic = GetText(r);
  o.endItalic = GetText(r);
  o.encoding = number(0, 2);
  o.blankLine = r.i16le() != 0;
  o.position = r.i16le() != 0;
  o.comments = r.i16le() != 0;
  return o;
}

}  // namespace kipo
