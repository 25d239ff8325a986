#include "formats/exchange/spruce_stl.h"

#include "formats/exchange/script_text.h"
#include "platform/encoding.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"^I", "^I", "^U", "^U", "|"};

bool IsHeaderOrComment(std::string_view line) {
  std::string_view t = TrimView(line);
  return t.starts_with("$") || t.starts_with("//");
}

// "$Italic = TRUE" or "$Italic = FALSE" (any case, spaces around '='); nothing for any
// other line.
std::optional<bool> ItalicSwitch(std::string_view line) {
  std::string_view t = TrimView(line);
  if (t.size() < 7 || t[0] != '$' || !EqualsIgnoreCase(t.substr(1, 6), "italic")) return std::nullopt;
  t = TrimView(t.substr(7));
  if (t.empty() || t[0] != '=') return std::nullopt;
  t = TrimView(t.substr(1));
  if (EqualsIgnoreCase(t, "true")) return true;
  if (EqualsIgnoreCase(t, "false")) return false;
  return std::nullopt;
}

bool HasDirectiveStartingWithI(std::string_view text) {
  for (std::size_t at = text.find('$'); at != std::string_view::npos && at + 1 < text.size();
       at = text.find('$', at + 1))
    if ((text[at + 1] | 0x20) == 'i') return true;
  return false;
}

}  // namespace

const std::string& DefaultSpruceHeader() {
  static const std::string header =
      "$FontName       = Arial\r\n"
      "$FontSize       = 42\r\n"
      "$HorzAlign      = Center\r\n"
      "$VertAlign      = Bottom\r\n"
      "$XOffset        = 0\r\n"
      "$YOffset        = 0\r\n"
      "$TextContrast   = 15\r\n"
      "$Outline1Contrast = 15\r\n"
      "$Outline2Contrast = 13\r\n"
      "$BackgroundContrast = 0\r\n"
      "$ForceDisplay   = FALSE\r\n"
      "$FadeIn         = 0\r\n"
      "$FadeOut        = 0\r\n"
      "$TapeOffset     = FALSE\r\n";
  return header;
}

std::string WriteSpruceStl(const SubtitleDocument& doc, std::string_view header, Warnings& warnings) {
  ScriptTextWriter text("Spruce STL", kMarks);
  std::string out;
  out.reserve(doc.Count() * 64 + header.size() + 8);
  for (std::string_view line : ScriptLines(header)) {
    out += line;
    out += "\r\n";
  }
  out += "\r\n";
  for (const Subtitle& s : doc.Subtitles()) {
    out += FrameLabel(s.inCue) + " , " + FrameLabel(OutCueOf(s)) + " , ";
    text.AppendText(out, s);
    out += "\r\n";
  }
  text.Finish(warnings);
  return out;
}

SubtitleDocument ReadSpruceStl(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  TimedLineLayout layout;
  layout.marks = kMarks;
  layout.quiet = &IsHeaderOrComment;
  SubtitleDocument doc = ReadTimedLines(text, rate, layout, warnings, "This is not a valid Spruce STL file");
  if (!HasDirectiveStartingWithI(text)) return doc;
  // The italics in force at each cue line, matched to the subtitles read by their in cues
  // (a cue line the reader skipped has no subtitle).
  std::vector<std::pair<CueDigits, bool>> lines;
  bool italic = false;
  for (std::string_view line : ScriptLines(text)) {
    if (const auto on = ItalicSwitch(line)) {
      italic = *on;
      continue;
    }
    std::string_view rest = line;
    if (auto in = ReadFrameLabel(rest, rate)) lines.emplace_back(std::move(*in), italic);
  }
  const bool modified = doc.modified;
  std::size_t j = 0;
  for (std::size_t i = 0; i < doc.Count() && j < lines.size(); ++i) {
    while (j < lines.size() && lines[j].first != doc.At(i).inCue.digits()) ++j;
    if (j == lines.size()) break;
    if (lines[j++].second && !doc.At(i).italic) {
      Subtitle s = doc.At(i);
      s.italic = true;
      doc.Replace(i, std::move(s));
    }
  }
  doc.modified = modified;
  return doc;
}

bool LooksLikeSpruceStl(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= 6 && std::equal(bytes.begin() + 3, bytes.begin() + 6, "STL")) return false;  // "850STL25.01"
  const std::string line = FirstTextLine(bytes);
  return line.starts_with("$") || line.starts_with("//") || StartsWithFrameLabel(line);
}

}  // namespace kipo
