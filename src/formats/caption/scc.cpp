#include "formats/caption/scc.h"

#include <algorithm>
#include <array>
#include <cstring>

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

// The words as "9420 9476 ...": four lower-case digits each, a space between.
void AppendWords(std::string& out, const std::vector<Word>& words) {
  if (words.empty()) return;
  static constexpr char kHex[] = "0123456789abcdef";
  const std::size_t at = out.size();
  out.resize(at + words.size() * 5 - 1);
  char* p = out.data() + at;
  for (std::size_t k = 0; k < words.size(); ++k) {
    if (k) *p++ = ' ';
    const Word w = words[k];
    p[0] = kHex[w >> 12 & 15], p[1] = kHex[w >> 8 & 15], p[2] = kHex[w >> 4 & 15], p[3] = kHex[w & 15];
    p += 4;
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
  // About a word of five digits for every two characters, and the line's own words.
  std::size_t room = 32;
  for (const Subtitle& s : doc.Subtitles()) room += 72 + s.text.size() * 3;
  out.reserve(room);
  out += "Scenarist_SCC V1.0\r\n\r\n";
  FrameCount x = 0;  // a caption line may start only after this frame
  bool lostMarkup = false, illegal = false;
  CaptionEncoder encoder({rollUp, twice});
  std::vector<Word> words;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    words.clear();
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
    const CaptionEncoder::Summary code = encoder.Append(s, words);
    lostMarkup = lostMarkup || code.lostMarkup;
    illegal = illegal || code.illegal;
    const FrameCount in = s.inCue.ToFrames(rate), outCue = s.outCue.ToFrames(rate);
    FrameCount start = std::max<FrameCount>(in - SccLoadTime(code.words, o), 0);
    if (start <= x) {
      const FrameCount by = x + 1 - start;
      start = x + 1;
      ++r.moved;
      r.log.push_back("Subtitle " + ZeroPad(static_cast<long>(i + 1), 4) + ": in cue was offset by " +
                      std::to_string(by) + " frames");
    }
    if (!rollUp) {
      // Erase the caption on screen, wait two frames, then flip the loaded one in.
      words.push_back(kEraseDisplayed);
      if (twice) words.push_back(kEraseDisplayed);
      if (!o.noTwoFrameWait) words.insert(words.end(), {kNull, kNull});
      words.push_back(kEndOfCaption);
      if (twice) words.push_back(kEndOfCaption);
    }
    out += SccLabel(start, rate);
    out += '\t';
    AppendWords(out, words);
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

std::string_view TrimmedView(std::string_view l) {
  while (!l.empty() && IsTrimmed(l.back())) l.remove_suffix(1);
  while (!l.empty() && IsTrimmed(l.front())) l.remove_prefix(1);
  return l;
}

// The lines of a text, each ending at a CR or an LF (CR LF leaves an empty line between,
// which the reader skips). The next CR and the next LF are each found once with memchr,
// so a file with one kind of line end is not searched again for the other kind.
class LineSplitter {
 public:
  explicit LineSplitter(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) {
    if (at_ >= text_.size()) return false;
    const std::size_t end = std::min(Find('\r', cr_), Find('\n', lf_));
    line = text_.substr(at_, end - at_);
    at_ = end + 1;
    return true;
  }

 private:
  std::size_t Find(char c, std::size_t& cached) const {
    if (cached == std::string_view::npos || cached < at_) {
      const void* p = std::memchr(text_.data() + at_, c, text_.size() - at_);
      cached = p ? static_cast<std::size_t>(static_cast<const char*>(p) - text_.data()) : text_.size();
    }
    return cached;
  }
  std::string_view text_;
  std::size_t at_ = 0;
  mutable std::size_t cr_ = std::string_view::npos, lf_ = std::string_view::npos;
};

constexpr auto kHexDigit = [] {
  std::array<std::int8_t, 256> t{};
  t.fill(-1);
  for (int c = 0; c < 10; ++c) t['0' + c] = static_cast<std::int8_t>(c);
  for (int c = 0; c < 6; ++c) t['a' + c] = t['A' + c] = static_cast<std::int8_t>(10 + c);
  return t;
}();

}  // namespace

std::span<const std::uint16_t> CaptionLines::WordsOf(const Line& l) const {
  return std::span<const std::uint16_t>(words).subspan(l.first, l.count);
}

CaptionLines ParseSccLines(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  CaptionLines out;
  // A pop-on caption line is about 36 words of five bytes. A word takes four bytes of the
  // text at least, so the words are written into room for that many and cut to size.
  out.lines.reserve(text.size() / 180 + 1);
  out.words.resize(text.size() / 4 + 1);
  Word* const words = out.words.data();
  std::size_t count = 0;
  bool header = false;
  LineSplitter split(text);
  std::string_view l;
  while (split.Next(l)) {
    l = TrimmedView(l);
    if (l.empty()) continue;
    if (!header) {
      if (ToLowerAscii(l) != "scenarist_scc v1.0") throw InvalidFileFormat(kNotScc);
      header = true;
      continue;
    }
    CaptionLines::Line line;
    std::string_view rest;
    const std::size_t tab = l.find('\t');
    if (tab != std::string::npos) {
      line.label = TrimmedView(l.substr(0, tab));
      rest = l.substr(tab + 1);
    } else {
      line.label = l.substr(0, std::min<std::size_t>(11, l.size()));
      rest = l.substr(line.label.size());
    }
    // Words of four hexadecimal digits between spaces and tabs.
    line.first = static_cast<std::uint32_t>(count);
    const std::size_t n = rest.size();
    const auto* d = reinterpret_cast<const unsigned char*>(rest.data());
    for (std::size_t i = 0; i < n;) {
      if (IsBlank(rest[i])) {
        ++i;
        continue;
      }
      // Most tokens are four digits and a blank: read without looking for their end first.
      if (i + 4 <= n && (i + 4 == n || IsBlank(rest[i + 4]))) {
        const int a = kHexDigit[d[i]], b = kHexDigit[d[i + 1]], c = kHexDigit[d[i + 2]], e = kHexDigit[d[i + 3]];
        if ((a | b | c | e) >= 0) {
          words[count++] = static_cast<Word>(a << 12 | b << 8 | c << 4 | e);
          i += 5;  // the blank after it too
          continue;
        }
      }
      while (i < n && !IsBlank(rest[i])) ++i;
      ++out.badTokens;
    }
    line.count = static_cast<std::uint32_t>(count - line.first);
    out.lines.push_back(line);
  }
  out.words.resize(count);
  if (!header) throw InvalidFileFormat(kNotScc);
  return out;
}

namespace {

// The text of one screen row as document markup, appended to `out`: italics become
// markers; a mid-row code between two words stands for the space between them; spaces at
// the row's ends are not part of the subtitle. False (and nothing appended) when the row
// shows no character but spaces.
bool AppendRowMarkup(const ScreenRow& row, std::string& out, int& first, int& length) {
  first = 0;
  int last = 31;
  while (first < 32 && row.cells[static_cast<std::size_t>(first)].ch == 0) ++first;
  while (last >= first && row.cells[static_cast<std::size_t>(last)].ch == 0) --last;
  length = last - first + 1;
  // At most five bytes a cell (a marker and a character of four) and the closing marker.
  std::array<char, 32 * 5 + 1> buf;
  std::size_t n = 0;
  auto put = [&](char c) { buf[n++] = c; };
  bool italic = false, seen = false;
  auto visible = [&](int c) {
    if (c < first || c > last) return false;
    const Cell& cell = row.cells[static_cast<std::size_t>(c)];
    return cell.ch != 0 && cell.ch != U' ' && !cell.midRow;
  };
  for (int c = first; c <= last; ++c) {
    const Cell& cell = row.cells[static_cast<std::size_t>(c)];
    // Most cells: a visible ASCII character that is no markup character, in the same style.
    if (cell.ch - 0x21u < 0x5Eu && !cell.midRow && cell.italic == italic && !IsMarkupChar(static_cast<char>(cell.ch))) {
      put(static_cast<char>(cell.ch));
      seen = true;
      continue;
    }
    if (cell.midRow) {
      const bool wordSpace = visible(c - 1) && visible(c + 1);
      if (cell.italic != italic) {
        if (cell.italic && wordSpace) put(' ');
        put(cell.italic ? kItalicOn : kItalicOff);
        if (!cell.italic && wordSpace) put(' ');
        italic = cell.italic;
      } else {
        put(' ');
      }
      continue;
    }
    if (cell.ch == 0) {
      put(' ');
      continue;
    }
    if (cell.italic != italic) {
      put(cell.italic ? kItalicOn : kItalicOff);
      italic = cell.italic;
    }
    const char32_t ch = cell.ch == U'\u00A0' ? U' ' : cell.ch;
    seen = seen || ch != U' ';
    if (ch < 0x80 && !IsMarkupChar(static_cast<char>(ch))) {
      put(static_cast<char>(ch));
    } else {
      // Characters beyond ASCII in UTF-8; a markup character as its stand-in.
      std::string piece;
      if (ch < 0x80) AppendStandIn(piece, static_cast<char>(ch));
      else AppendUtf8(piece, ch);
      for (char b : piece) put(b);
    }
  }
  if (italic) put(kItalicOff);
  if (!seen) return false;
  std::size_t from = 0;
  while (buf[from] == ' ') ++from;
  while (buf[n - 1] == ' ') --n;
  out.append(buf.data() + from, n - from);
  return true;
}

struct ShownRow {
  int line21Row;
  int first, length;
};

// A new subtitle `s` filled from what the screen shows; false when it shows nothing.
bool CaptionFrom(const Screen& screen, bool rollUp, int tag, Subtitle& s) {
  std::array<ShownRow, 15> rows;
  std::size_t count = 0;
  std::string text;
  text.reserve(80);
  for (int r = 1; r <= 15; ++r) {
    const ScreenRow& row = screen.rows[static_cast<std::size_t>(r - 1)];
    if (!row.used || (rollUp && row.tag != tag)) continue;
    const std::size_t before = text.size();
    if (count) text += kCrLf;
    ShownRow& shown = rows[count];
    shown.line21Row = r;
    if (AppendRowMarkup(row, text, shown.first, shown.length)) ++count;
    else text.resize(before);
  }
  if (count == 0) return false;
  s.text = std::move(text);
  int longest = 0;
  for (std::size_t k = 0; k < count; ++k) longest = std::max(longest, rows[k].length);
  s.row = 11 - CaptionRow(rows[count - 1].line21Row);
  // Each row's alignment from where it starts: the places a writer puts a row first, then,
  // for rows placed by hand, the nearest of left, centre and right.
  enum : unsigned { Left = 1, Centre = 2, Right = 4, CentreLeft = 8 };
  unsigned common = Left | Centre | Right | CentreLeft;
  std::array<char, 15> digits{};
  bool sameDigit = true;
  for (std::size_t k = 0; k < count; ++k) {
    const ShownRow& r = rows[k];
    unsigned fits = 0;
    if (r.first == 0) fits |= Left;
    if (r.first == (33 - r.length) / 2) fits |= Centre;
    if (r.first + r.length == 32) fits |= Right;
    if (r.first == (33 - longest) / 2) fits |= CentreLeft;
    common &= fits;
    const int middle = r.first + r.length / 2;
    digits[k] = fits & Centre ? '2' : fits & Left ? '1' : fits & Right ? '3' : middle < 12 ? '1' : middle > 20 ? '3' : '2';
    sameDigit = sameDigit && digits[k] == digits[0];
  }
  if (common & Centre) s.alignment = AlignCentre;
  else if (common & Left) s.alignment = AlignLeft;
  else if (common & Right) s.alignment = AlignRight;
  else if (common & CentreLeft) s.alignment = AlignCentreLeft;
  else if (sameDigit)
    s.alignment = digits[0] == '1' ? AlignLeft : digits[0] == '3' ? AlignRight : AlignCentre;
  else {
    s.alignment = AlignCentre;
    for (std::size_t k = 0; k < std::min<std::size_t>(count, 11); ++k) s.rowAlignments[k] = digits[k];
  }
  return true;
}

}  // namespace

SccReadResult ReadScc(std::span<const std::uint8_t> bytes, int rateCode) {
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  const CaptionLines lines = ParseSccLines(text);
  bool drop = false;
  for (const CaptionLines::Line& l : lines.lines) drop = drop || (l.label.size() == 11 && l.label[8] == ';');
  FrameRate rate = *FrameRate::FromCode(30);
  if (drop) rate = *FrameRate::FromCode(29);
  else if (rateCode != 0 && rateCode != 29 && FrameRate::FromCode(rateCode)) rate = *FrameRate::FromCode(rateCode);

  return DecodeCaptionLines(lines, rate);
}

SccReadResult DecodeCaptionLines(const CaptionLines& lines, const FrameRate& rate) {
  SccReadResult r;
  r.doc = SubtitleDocument(rate.code, kDefaultLanguageId, 0);
  std::vector<Subtitle> subs;
  subs.reserve(std::min<std::size_t>(lines.lines.size(), kMaxSubtitles));
  Decoder decoder;
  FrameCount nextFree = 0;  // words of a line that starts too early wait for the line before
  // The caption on screen is the last subtitle, built where it stays; its cues are set
  // when it leaves the screen.
  bool open = false;
  FrameCount openIn = 0;
  int badLabels = 0;
  bool other = false;
  const FrameCount last = LastCueFrame(rate);
  auto close = [&](FrameCount at) {
    if (!open) return;
    open = false;
    Subtitle& s = subs.back();
    s.inCue = Cue::FromFrames(std::min(openIn, last), rate);
    s.outCue = Cue::FromFrames(std::min(std::max(at, openIn + 1), last), rate);
  };
  int tag = 0;
  for (const CaptionLines::Line& line : lines.lines) {
    if (!IsLabelShape(line.label)) {
      ++badLabels;
      continue;
    }
    // "hh:mm:ss:ff" as its eight digits, the form the cue functions read fastest.
    const std::string_view l = line.label;
    const char digits[8] = {l[0], l[1], l[3], l[4], l[6], l[7], l[9], l[10]};
    const std::string_view cue(digits, 8);
    if (!IsValidCue(cue, rate)) {
      ++badLabels;
      continue;
    }
    const FrameCount start = std::max(LabelToFrames(cue, rate), nextFree);
    // The frames between two lines carry padding, so a control code at the start of a
    // line that begins later is never the second of a doubled one.
    if (start > nextFree) decoder.Feed(kNull);
    decoder.SetTag(++tag);
    const std::span<const std::uint16_t> words = lines.WordsOf(line);
    const Decoder::Run run = decoder.FeedAll(words);
    other = other || (run.effects & Decoder::OtherChannel);
    const FrameCount firstChange = run.firstChange < 0 ? -1 : start + static_cast<FrameCount>(run.firstChange);
    const FrameCount firstShown = run.firstShown < 0 ? -1 : start + static_cast<FrameCount>(run.firstShown);
    nextFree = start + static_cast<FrameCount>(words.size());
    if (firstChange < 0) continue;
    close(firstChange);
    if (subs.size() >= kMaxSubtitles) continue;
    if (CaptionFrom(decoder.displayed(), decoder.style() == Style::RollUp, tag, subs.emplace_back())) {
      open = true;
      openIn = firstShown >= 0 ? firstShown : firstChange;
    } else {
      subs.pop_back();
    }
  }
  // A caption still on screen at the end of the file stays two seconds.
  close(std::max(nextFree, openIn + 2 * rate.countingRate()));
  r.doc.ReplaceAll(std::move(subs));
  r.doc.modified = false;
  if (other) r.warnings.push_back("Captions of data channel 2 and field 2 were left out");
  if (lines.badTokens)
    r.warnings.push_back(std::to_string(lines.badTokens) + " words that are not code words were skipped");
  if (badLabels) r.warnings.push_back(std::to_string(badLabels) + " lines without a valid timecode were skipped");
  return r;
}

}  // namespace kipo
