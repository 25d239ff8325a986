#include "formats/exchange/spotting_list.h"

#include "formats/exchange/rtf_text.h"
#include "formats/exchange/script_text.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr ScriptMarks kTextMarks{"<i>", "</i>", "", "", "\r\n"};
constexpr ScriptMarks kRtfMarks{kRtfItalicOn, kRtfItalicOff, "", "", "\r\n"};

std::string ListCueLine(std::size_t n, const Subtitle& s, const FrameRate& rate, bool duration) {
  // "0001<tab>IN<tab>OUT[<tab>SS:FF]", the number at least four digits and the duration's
  // fields at least two.
  auto digits = [](std::string& out, std::size_t v, std::size_t width) {
    const std::string text = std::to_string(v);
    if (text.size() < width) out.append(width - text.size(), '0');
    out += text;
  };
  std::string line;
  line.reserve(40);
  digits(line, n, 4);
  line += '\t';
  AppendFrameLabel(line, s.inCue);
  line += '\t';
  const Cue& out = OutCueOf(s);
  AppendFrameLabel(line, out);
  if (duration) {
    long d = static_cast<long>(out.ToFrames(rate) - s.inCue.ToFrames(rate));
    if (d < 0) d = 0;
    line += '\t';
    digits(line, static_cast<std::size_t>(d / rate.countingRate()), 2);
    line += ':';
    digits(line, static_cast<std::size_t>(d % rate.countingRate()), 2);
  }
  return line;
}

TimedLineLayout ListLayoutOf(const ScriptMarks& marks) {
  TimedLineLayout layout;
  layout.marks = marks;
  layout.textBelow = true;
  layout.ignoreRest = true;
  layout.rowPrefix = "\t";
  layout.headerFirst = true;
  return layout;
}

}  // namespace

const std::string& DefaultTheatricalHeader() {
  static const std::string header = "SPOTTING LIST\r\nTitle:\r\nReel:\r\nFrame rate:\r\n";
  return header;
}

std::string WriteSpottingText(const SubtitleDocument& doc, const ListLayout& layout, Warnings& warnings) {
  ScriptTextWriter text(layout.name, kTextMarks);
  std::string out;
  for (std::string_view line : ScriptLines(layout.header)) out += std::string(line) + "\r\n";
  out += "\r\n";
  out.reserve(out.size() + doc.Count() * 80);
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    out += ListCueLine(++n, s, doc.frameRate(), layout.duration);
    out += "\r\n";
    text.ForEachRow(s, [&](std::string_view row) {
      out += '\t';
      out += row;
      out += "\r\n";
    });
    out += "\r\n";
  }
  text.Finish(warnings);
  return out;
}

std::string WriteSpottingRtf(const SubtitleDocument& doc, const ListLayout& layout, Warnings& warnings) {
  // Rows are written in the text marks and turned into the word processor's italics.
  ScriptTextWriter text(layout.name, kTextMarks);
  RtfWriter rtf;
  rtf.Reserve(doc.Count() * 200);
  auto styled = [&rtf](std::string_view row) {
    for (std::size_t i = 0; i < row.size();) {
      if (row.substr(i).starts_with("<i>")) {
        rtf.Italic(true);
        i += 3;
      } else if (row.substr(i).starts_with("</i>")) {
        rtf.Italic(false);
        i += 4;
      } else {
        std::size_t next = row.find('<', i + 1);
        rtf.Text(row.substr(i, next == std::string_view::npos ? std::string_view::npos : next - i));
        i = next == std::string_view::npos ? row.size() : next;
      }
    }
  };
  for (std::string_view line : ScriptLines(layout.header)) {
    rtf.Text(line);
    rtf.EndParagraph();
  }
  rtf.EndParagraph();
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    rtf.Bold(true);
    rtf.Text(ListCueLine(++n, s, doc.frameRate(), layout.duration));
    rtf.Bold(false);
    rtf.EndParagraph();
    text.ForEachRow(s, [&](std::string_view row) {
      rtf.Tab();
      styled(row);
      rtf.Italic(false);
      rtf.EndParagraph();
    });
    rtf.EndParagraph();
  }
  text.Finish(warnings);
  return rtf.Finish();
}

SubtitleDocument ReadSpottingText(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  return ReadTimedLines(text, rate, ListLayoutOf(kTextMarks), warnings, "This is not a valid spotting list");
}

SubtitleDocument ReadSpottingRtf(std::string_view rtf, const FrameRate& rate, std::string_view ansiCodePage,
                                 Warnings& warnings) {
  constexpr std::string_view kInvalid = "This is not a valid RTF spotting list";
  const TimedLineLayout layout = ListLayoutOf(kRtfMarks);
  // The lines go from the RTF reader straight to the list's reader, without the text of the
  // whole document in between.
  const std::size_t warned = warnings.size();
  {
    TimedLineReader reader(rate, layout, warnings);
    reader.Reserve(rtf.size() / 64);
    if (ReadRtfLines(rtf, ansiCodePage, [&reader](std::string_view line) { return reader.Line(line); }))
      return reader.Finish(kInvalid);
  }
  // A line end inside decoded text: the lines are those of the whole text, read again.
  warnings.resize(warned);
  return ReadTimedLines(RtfToText(rtf, ansiCodePage), rate, layout, warnings, kInvalid);
}

SubtitleDocument ReadUnstructuredDocument(std::string_view bytes, const FrameRate& rate, std::string_view ansiCodePage,
                                          Warnings& warnings) {
  std::string_view body = bytes;
  if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
  std::string text;
  ScriptMarks marks;
  if (TrimView(body.substr(0, 16)).starts_with("{\\rtf")) {
    text = RtfToText(body, ansiCodePage);
    marks = kRtfMarks;
  } else if (body.starts_with("\xD0\xCF\x11\xE0")) {
    throw InvalidFileFormat("Word 97-2003 documents cannot be read; save the document as RTF and import that");
  } else if (body.starts_with("PK")) {
    throw InvalidFileFormat("Word documents cannot be read; save the document as RTF and import that");
  } else {
    text = std::string(body);
  }
  CueCollector cues(warnings);
  const ScriptMarkupReader markup(marks);
  std::string block;
  bool any = false;
  auto flush = [&]() -> bool {
    if (block.empty()) return true;
    Subtitle s;
    s.text = markup(block);
    block.clear();
    return cues.Add(std::move(s));
  };
  for (std::string_view line : ScriptLines(text)) {
    std::string_view t = TrimView(line);
    // Italic marks alone on a line are not text.
    if (t.empty() || t == kRtfItalicOn || t == kRtfItalicOff) {
      if (!flush()) break;
      continue;
    }
    any = true;
    if (!block.empty()) block += "\r\n";
    block += t;
  }
  flush();
  (void)rate;
  return cues.Finish(rate, "The document holds no text", !any);
}

}  // namespace kipo
