#include "formats/caption/scc.h"

#include <algorithm>

#include "core/cea608_caption.h"
#include "core/cea608_decoder.h"
#include "core/rich_text.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {

using namespace cea608;

namespace {

constexpr const char* kNotScc = "This is not a valid Scenarist CC file.";

// "hh:mm:ss:ff"; drop-frame labels end with ";ff".
std::string SccLabel(FrameCount frames, const FrameRate& rate) {
  std::string label = FramesToLabel(std::max<FrameCount>(frames, 0), rate);
  if (rate.dropFrame && label.size() == 11) label[8] = ';';
  return label;
}

void AppendWords(std::string& line, const std::vector<Word>& words) {
  for (Word w : words) {
    if (!line.empty() && line.back() != '\t' && line.back() != ' ') line += ' ';
    line += WordHex(w);
  }
}

}  // namespace

int SccLoadTime(std::size_t words, const SccOptions& o) {
  if (o.ignoreBuildup != 0 || o.captionType != 0) return 0;
  return static_cast<int>(words) + 5 - (o.noTwoFrameWait ? 2 : 0) + (o.doubleControlCodes ? 2 : 0);
}

SccWriteResult WriteScc(const SubtitleDocument& doc, const SccOptions& o) {
  SccWriteResult r;
  const FrameRate& rate = doc.frameRate();
  const bool rollUp = o.captionType >= 1 && o.captionType <= 3;
  const bool twice = o.doubleControlCodes;
  const bool loads = o.ignoreBuildup == 0 && !rollUp;
  std::string& out = r.text;
  out.reserve(doc.Count() * 96 + 32);
  out += "Scenarist_SCC V1.0\r\n\r\n";
  FrameCount x = 0;  // a caption line may start only after this frame
  bool lostMarkup = false, illegal = false;
  std::string line;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    const CaptionCode code = EncodeCaption(s, {rollUp, twice});
    lostMarkup = lostMarkup || code.lostMarkup;
    illegal = illegal || !code.illegalRows.empty();
    const FrameCount in = s.inCue.ToFrames(rate), outCue = s.outCue.ToFrames(rate);
    FrameCount start = std::max<FrameCount>(in - SccLoadTime(code.words, o), 0);
    if (start <= x) {
      const FrameCount by = x + 1 - start;
      start = x + 1;
      ++r.moved;
      r.log.push_back("Subtitle " + ZeroPad(static_cast<long>(i + 1), 4) + ": in cue was offset by " +
                      std::to_string(by) + " frames");
    }
    std::vector<Word> words;
    if (!rollUp) {
      words.push_back(kResumeCaptionLoading);
      if (twice) words.push_back(kResumeCaptionLoading);
    } else {
      words.push_back(o.captionType == 1 ? kRollUp2 : o.captionType == 2 ? kRollUp3 : kRollUp4);
      for (Word w : {kEraseDisplayed, kCarriageReturn}) {
        words.push_back(w);
        if (twice) words.push_back(w);
      }
    }
    for (const RowCode& row : code.rows) words.insert(words.end(), row.words.begin(), row.words.end());
    if (!rollUp) {
      // Erase the caption on screen, wait two frames, then flip the loaded one in.
      words.push_back(kEraseDisplayed);
      if (twice) words.push_back(kEraseDisplayed);
      if (!o.noTwoFrameWait) words.insert(words.end(), {kNull, kNull});
      words.push_back(kEndOfCaption);
      if (twice) words.push_back(kEndOfCaption);
    }
    line = SccLabel(start, rate) + '\t';
    AppendWords(line, words);
    out += line;
    out += "\r\n\r\n";
    // The next line goes out once this one has been sent: after the in cue, or after the
    // frame the moved caption flips in.
    x = start + static_cast<FrameCount>(words.size());
    const bool last = i + 1 == doc.Count();
    bool erase = last;
    if (!last) {
      // The next caption's load time, estimated from its length.
      const long t = static_cast<long>(CountCodePoints(doc.At(i + 1).text));
      const long e = loads ? t / 2 + (twice ? 13 : 8) : 0;
      erase = doc.At(i + 1).inCue.ToFrames(rate) - e - outCue > 0;
    }
    if (erase && outCue > start) {
      // A caption still being sent at its out cue is erased once it has gone out.
      const FrameCount at = std::max(outCue, x);
      out += SccLabel(at, rate);
      out += twice ? "\t942c 942c\r\n\r\n" : "\t942c\r\n\r\n";
      x = at + (twice ? 1 : 0);
    }
  }
  if (lostMarkup) r.warnings.push_back("Colours, underline and bold cannot be written as line-21 captions; left out");
  if (illegal) r.warnings.push_back("Characters that line-21 captions cannot show were left out");
  return r;
}

// --- Reading ---------------------------------------------------------------------------

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
}  // namespace

std::vector<SccLine> ParseSccLines(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<SccLine> lines;
  bool header = false;
  while (!text.empty()) {
    std::size_t end = 0;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    std::string_view l = text.substr(0, end);
    text.remove_prefix(end == text.size() ? text.size() : end + 1);
    while (!l.empty() && IsTrimmed(l.back())) l.remove_suffix(1);
    while (!l.empty() && IsTrimmed(l.front())) l.remove_prefix(1);
    if (l.empty()) continue;
    if (!header) {
      if (ToLowerAscii(l) != "scenarist_scc v1.0") throw InvalidFileFormat(kNotScc);
      header = true;
      continue;
    }
    SccLine line;
    std::string_view rest;
    std::size_t tab = l.find('\t');
    if (tab != std::string::npos) {
      line.label = Trim(l.substr(0, tab));
      rest = l.substr(tab + 1);
    } else {
      line.label = l.substr(0, std::min<std::size_t>(11, l.size()));
      rest = l.substr(line.label.size());
    }
    // Words of four hexadecimal digits between spaces and tabs; one word takes five bytes.
    line.words.reserve(rest.size() / 5 + 1);
    while (!rest.empty()) {
      std::size_t a = 0;
      while (a < rest.size() && IsBlank(rest[a])) ++a;
      if (a == rest.size()) break;
      rest.remove_prefix(a);
      std::size_t b = 0;
      while (b < rest.size() && !IsBlank(rest[b])) ++b;
      std::string_view token = rest.substr(0, b);
      rest.remove_prefix(b);
      if (auto w = ParseWord(token)) line.words.push_back(*w);
      else ++line.badTokens;
    }
    lines.push_back(std::move(line));
  }
  if (!header) throw InvalidFileFormat(kNotScc);
  return lines;
}

namespace {

// The text of one screen row as document markup: italics become markers; a mid-row code
// between two words stands for the space between them.
std::string RowMarkup(const ScreenRow& row, int& first, int& length) {
  first = 0;
  int last = 31;
  while (first < 32 && row.cells[static_cast<std::size_t>(first)].ch == 0) ++first;
  while (last >= first && row.cells[static_cast<std::size_t>(last)].ch == 0) --last;
  length = last - first + 1;
  std::string out;
  bool italic = false;
  auto visible = [&](int c) {
    if (c < first || c > last) return false;
    const Cell& cell = row.cells[static_cast<std::size_t>(c)];
    return cell.ch != 0 && cell.ch != U' ' && !cell.midRow;
  };
  for (int c = first; c <= last; ++c) {
    const Cell& cell = row.cells[static_cast<std::size_t>(c)];
    if (cell.midRow) {
      const bool wordSpace = visible(c - 1) && visible(c + 1);
      if (cell.italic != italic) {
        if (cell.italic) out += wordSpace ? " <" : "<";
        else out += wordSpace ? "> " : ">";
        italic = cell.italic;
      } else {
        out += ' ';
      }
      continue;
    }
    if (cell.ch == 0) {
      out += ' ';
      continue;
    }
    if (cell.italic != italic) {
      out += cell.italic ? kItalicOn : kItalicOff;
      italic = cell.italic;
    }
    std::string ch;
    AppendUtf8(ch, cell.ch == U'\u00A0' ? U' ' : cell.ch);
    AppendEscaped(out, ch);
  }
  if (italic) out += kItalicOff;
  // Spaces at the ends of a row are not part of the subtitle.
  while (!out.empty() && out.back() == ' ') out.pop_back();
  std::size_t lead = out.find_first_not_of(' ');
  return lead == std::string::npos ? std::string() : out.substr(lead);
}

struct ShownRow {
  int line21Row;
  int first, length;
  std::string markup;
};

// A subtitle from what the screen shows; false when it shows nothing.
bool CaptionFrom(const Screen& screen, bool rollUp, int tag, Subtitle& s) {
  std::vector<ShownRow> rows;
  for (int r = 1; r <= 15; ++r) {
    const ScreenRow& row = screen.rows[static_cast<std::size_t>(r - 1)];
    if (!row.used || (rollUp && row.tag != tag)) continue;
    ShownRow shown{r, 0, 0, {}};
    shown.markup = RowMarkup(row, shown.first, shown.length);
    if (StripItalics(shown.markup).find_first_not_of(' ') == std::string::npos) continue;
    rows.push_back(std::move(shown));
  }
  if (rows.empty()) return false;
  s = Subtitle{};
  int longest = 0;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (k) s.text += kCrLf;
    s.text += rows[k].markup;
    longest = std::max(longest, rows[k].length);
  }
  s.row = 11 - CaptionRow(rows.back().line21Row);
  // Each row's alignment from where it starts: the places a writer puts a row first, then,
  // for rows placed by hand, the nearest of left, centre and right.
  enum : unsigned { Left = 1, Centre = 2, Right = 4, CentreLeft = 8 };
  unsigned common = Left | Centre | Right | CentreLeft;
  std::string digits;
  for (const ShownRow& r : rows) {
    unsigned fits = 0;
    if (r.first == 0) fits |= Left;
    if (r.first == (33 - r.length) / 2) fits |= Centre;
    if (r.first + r.length == 32) fits |= Right;
    if (r.first == (33 - longest) / 2) fits |= CentreLeft;
    common &= fits;
    const int middle = r.first + r.length / 2;
    digits += fits & Centre ? '2' : fits & Left ? '1' : fits & Right ? '3' : middle < 12 ? '1' : middle > 20 ? '3' : '2';
  }
  if (common & Centre) s.alignment = AlignCentre;
  else if (common & Left) s.alignment = AlignLeft;
  else if (common & Right) s.alignment = AlignRight;
  else if (common & CentreLeft) s.alignment = AlignCentreLeft;
  else if (digits.find_first_not_of(digits[0]) == std::string::npos)
    s.alignment = digits[0] == '1' ? AlignLeft : digits[0] == '3' ? AlignRight : AlignCentre;
  else {
    s.alignment = AlignCentre;
    s.rowAlignments = digits.substr(0, 11) + std::string(11 - std::min<std::size_t>(digits.size(), 11), '0');
  }
  return true;
}

}  // namespace

SccReadResult ReadScc(std::span<const std::uint8_t> bytes, int rateCode) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::vector<SccLine> lines = ParseSccLines(text);
  bool drop = false;
  for (const SccLine& l : lines) drop = drop || (l.label.size() == 11 && l.label[8] == ';');
  FrameRate rate = *FrameRate::FromCode(30);
  if (drop) rate = *FrameRate::FromCode(29);
  else if (rateCode != 0 && rateCode != 29 && FrameRate::FromCode(rateCode)) rate = *FrameRate::FromCode(rateCode);

  return DecodeCaptionLines(lines, rate);
}

SccReadResult DecodeCaptionLines(const std::vector<SccLine>& lines, const FrameRate& rate) {
  SccReadResult r;
  r.doc = SubtitleDocument(rate.code, kDefaultLanguageId, 0);
  std::vector<Subtitle> subs;
  Decoder decoder;
  FrameCount nextFree = 0;  // words of a line that starts too early wait for the line before
  bool open = false;
  FrameCount openIn = 0;
  Subtitle current;
  int badTokens = 0, badLabels = 0;
  bool other = false;
  const FrameCount last = LastCueFrame(rate);
  auto close = [&](FrameCount at) {
    if (!open) return;
    open = false;
    if (subs.size() >= kMaxSubtitles) return;
    current.inCue = Cue::FromFrames(std::min(openIn, last), rate);
    current.outCue = Cue::FromFrames(std::min(std::max(at, openIn + 1), last), rate);
    subs.push_back(std::move(current));
  };
  int tag = 0;
  for (const SccLine& line : lines) {
    badTokens += line.badTokens;
    if (!IsLabelShape(line.label) || !IsValidCue(line.label, rate)) {
      ++badLabels;
      continue;
    }
    const FrameCount start = std::max(LabelToFrames(StripSeparators(line.label), rate), nextFree);
    decoder.SetTag(++tag);
    FrameCount firstChange = -1, firstShown = -1;
    for (std::size_t j = 0; j < line.words.size(); ++j) {
      const unsigned e = decoder.Feed(line.words[j]);
      const FrameCount f = start + static_cast<FrameCount>(j);
      if ((e & Decoder::DisplayChanged) && firstChange < 0) firstChange = f;
      if ((e & Decoder::TextShown) && firstShown < 0) firstShown = f;
      other = other || (e & Decoder::OtherChannel);
    }
    nextFree = start + static_cast<FrameCount>(line.words.size());
    if (firstChange < 0) continue;
    close(firstChange);
    Subtitle s;
    if (CaptionFrom(decoder.displayed(), decoder.style() == Style::RollUp, tag, s)) {
      open = true;
      openIn = firstShown >= 0 ? firstShown : firstChange;
      current = std::move(s);
    }
  }
  // A caption still on screen at the end of the file stays two seconds.
  close(std::max(nextFree, openIn + 2 * rate.countingRate()));
  r.doc.ReplaceAll(std::move(subs));
  r.doc.modified = false;
  if (other) r.warnings.push_back("Captions of data channel 2 and field 2 were left out");
  if (badTokens) r.warnings.push_back(std::to_string(badTokens) + " words that are not code words were skipped");
  if (badLabels) r.warnings.push_back(std::to_string(badLabels) + " lines without a valid timecode were skipped");
  return r;
}

}  // namespace kipo
