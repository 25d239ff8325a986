#include "formats/cinema/dcinema_writer.h"

#include <unicode/uloc.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <span>

#include "core/languages.h"
#include "core/rich_text.h"
#include "formats/cinema/uuid.h"
#include "imaging/text_layout.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

using namespace std::string_view_literals;

constexpr const char* kCrLfC = "\r\n";
// Font sizes are points of a screen 11 inches (792 points) high.
constexpr double kScreenPoints = 792.0;
// One nudge step of a subtitle's fine position, in percent of the screen.
constexpr double kNudgePercent = 0.1;

bool IsZeroValue(double v) { return std::abs(v) < 0.005; }

// --- Escaping ------------------------------------------------------------------------

// Eight bytes at a time: the word at p, and whether any of its bytes is b, lies below 0x20
// or at 0x7F and above (each test exact about whether there is one).
constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHighs = 0x8080808080808080ULL;
std::uint64_t Word(const char* p) {
  std::uint64_t x;
  std::memcpy(&x, p, 8);
  return x;
}
bool HasByte(std::uint64_t x, unsigned char b) {
  const std::uint64_t y = x ^ (kOnes * b);
  return ((y - kOnes) & ~y & kHighs) != 0;
}
bool AllPrintableAscii(std::uint64_t x) {
  return (((x - kOnes * 0x20) & ~x) | ((x + kOnes) | x)) & kHighs ? false : true;
}

// Characters as XML text: markup characters escaped, characters XML cannot hold (C0
// controls other than tab, broken UTF-8) left out and counted. `escape` off keeps the
// characters as they are and only leaves out what XML cannot hold.
// The bytes that end a run of printable ASCII needing no escaping, and of ASCII that XML
// holds as it is.
constexpr auto kRunStop = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = c < 0x20 || c >= 0x7F || c == '&' || c == '<' || c == '>' || c == '"';
  return t;
}();
constexpr auto kKeptStop = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = c < 0x20 || c >= 0x7F;
  return t;
}();

void AppendXml(std::string& out, std::string_view s, bool attribute, int& dropped, bool escape = true) {
  const auto& stop = escape ? kRunStop : kKeptStop;
  for (std::size_t i = 0; i < s.size();) {
    // Runs of printable ASCII that need no escaping go over at once, eight bytes at a time
    // while they last.
    std::size_t run = i;
    for (; run + 8 <= s.size(); run += 8) {
      const std::uint64_t x = Word(s.data() + run);
      if (!AllPrintableAscii(x)) break;
      if (escape && (HasByte(x, '&') || HasByte(x, '<') || HasByte(x, '>') || HasByte(x, '"'))) break;
    }
    while (run < s.size() && !stop[static_cast<unsigned char>(s[run])]) ++run;
    if (run > i) {
      out.append(s.data() + i, run - i);
      i = run;
      if (i == s.size()) break;
    }
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      if ((c < 0x20 && c != '\t') || c == 0x7F) ++dropped;
      else if (!escape) out += static_cast<char>(c);
      else if (c == '&') out += "&amp;";
      else if (c == '<') out += "&lt;";
      else if (c == '>') out += "&gt;";
      else if (c == '"' && attribute) out += "&quot;";
      else if (c == '\t' && attribute) out += "&#9;";
      else out += static_cast<char>(c);
      ++i;
      continue;
    }
    // A whole UTF-8 sequence, or nothing.
    std::size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    bool ok = len > 0 && i + len <= s.size();
    for (std::size_t k = 1; ok && k < len; ++k) ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (ok && len == 3) {
      // U+FFFE and U+FFFF are not XML characters; surrogates are not UTF-8.
      const unsigned char c1 = static_cast<unsigned char>(s[i + 1]), c2 = static_cast<unsigned char>(s[i + 2]);
      if ((c == 0xED && c1 >= 0xA0) || (c == 0xEF && c1 == 0xBF && c2 >= 0xBE) || (c == 0xE0 && c1 < 0xA0)) ok = false;
    }
    if (ok && len == 4) {
      const unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
      if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90)) ok = false;
    }
    if (!ok) {
      ++dropped;
      ++i;
      continue;
    }
    out.append(s.substr(i, len));
    i += len;
  }
}

// Text the line table has already cleaned (valid UTF-8, no character XML cannot hold) as
// element content: only '&', '<' and '>' need escaping.
constexpr auto kTextStop = [] {
  std::array<bool, 256> t{};
  t['&'] = t['<'] = t['>'] = true;
  return t;
}();
void AppendText(std::string& out, std::string_view s) {
  std::size_t from = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    while (i + 8 <= s.size()) {
      const std::uint64_t x = Word(s.data() + i);
      if (HasByte(x, '&') || HasByte(x, '<') || HasByte(x, '>')) break;
      i += 8;
    }
    if (i == s.size()) break;
    const char c = s[i];
    if (!kTextStop[static_cast<unsigned char>(c)]) continue;
    out.append(s.data() + from, i - from);
    out += c == '&' ? "&amp;"sv : c == '<' ? "&lt;"sv : "&gt;"sv;
    from = i + 1;
  }
  out.append(s.data() + from, s.size() - from);
}

std::string Attr(std::string_view s) {
  std::string out;
  int dropped = 0;
  AppendXml(out, s, true, dropped);
  return out;
}

// A position: whole, or with up to two decimals (at least one), appended to `out`.
void AppendNumber(std::string& out, double v, bool whole) {
  char b[400];
  std::to_chars_result r{};
  // A value is written from its nearest whole number of hundredths (or units) whenever it
  // lies clearly nearer one than half-way: the error of the product is some 1e-14, so that
  // whole number is the one the exact rounding below gives.
  const double scaled = whole ? v : v * 100;
  const double nearest = std::nearbyint(scaled);
  if (std::fabs(scaled - nearest) < 0.499 && std::fabs(nearest) < 1e12) {
    const long long n = std::llabs(static_cast<long long>(nearest));
    char* p = b;
    if (nearest < 0) *p++ = '-';
    r = std::to_chars(p, b + sizeof b, whole ? n : n / 100);
    if (!whole) {
      *r.ptr++ = '.';
      *r.ptr++ = static_cast<char>('0' + n % 100 / 10);
      *r.ptr++ = static_cast<char>('0' + n % 10);
    }
  } else {
    // to_chars with a precision writes what printf's %.Nf writes, without the locale.
    r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, whole ? 0 : 2);
  }
  std::string_view s(b, static_cast<std::size_t>(r.ptr - b));
  if (!whole && s.ends_with('0')) s.remove_suffix(1);
  if (s == "-0" || s == "-0.0") s.remove_prefix(1);
  out += s;
}
std::string Number(double v, bool whole) {
  std::string s;
  AppendNumber(s, v, whole);
  return s;
}

std::string Two(long n) { return ZeroPad(n, 2); }

// "HH:MM:SS:" of a label's digits, then `last` digits of `value`.
void AppendClock(std::string& out, std::string_view d, long value, int last) {
  char b[12] = {d[0], d[1], ':', d[2], d[3], ':', d[4], d[5], ':'};
  for (int k = last; k > 0; --k, value /= 10) b[8 + k] = static_cast<char>('0' + value % 10);
  out.append(b, static_cast<std::size_t>(9 + last));
}
std::string ClockWith(std::string_view d, long value, int last) {
  std::string s;
  AppendClock(s, d, value, last);
  return s;
}

// The 4 ms ticks of a frame number's milliseconds.
long TicksOfFrame(int ff, const FrameRate& rate) {
  const long ms = std::strtol(FramesToMillis(ff, rate).c_str(), nullptr, 10);
  return std::clamp(ms / 4, 0L, 249L);
}

// A frame number of the document's rate as a frame of the reel's time-code rate.
long EditUnitFrame(int ff, const FrameRate& rate, int timeCodeRate) {
  if (timeCodeRate == rate.countingRate()) return ff;
  const long ms = std::strtol(FramesToMillis(ff, rate).c_str(), nullptr, 10);
  return std::min<long>(std::lround(ms * timeCodeRate / 1000.0), timeCodeRate - 1);
}

// --- Styled runs of one line -------------------------------------------------------

struct Style {
  bool italic = false;
  bool underline = false;
  bool bold = false;
  int colour = 0;  // 0 the text colour, 1-7 a colour switch
  bool operator==(const Style&) const = default;
  bool Plain() const { return !italic && !underline && !bold && colour == 0; }
};

struct Piece {
  std::string text;  // the characters XML can hold, not yet escaped
  Style style;
};
// A line: a stretch of the table's pieces. Trimming the ends of a line narrows the stretch.
using Line = std::span<Piece>;

// A subtitle's lines as styled pieces, read from its markup in one pass. The table lives
// from subtitle to subtitle: its pieces keep their strings' room, so writing a file makes no
// allocation per piece once the first subtitles have been written.
class LineTable {
 public:
  void Read(const Subtitle& sub, MarkerView bold, int& dropped) {
    used_ = 0;
    bounds_.clear();
    std::size_t lineStart = 0, row = 0;
    Style markup;  // what the markup switches on; the subtitle's italics and row colours come on top
    ScanMarkup(sub.text, bold, [&](Mark m, std::string_view piece) {
      switch (m) {
        case Mark::None: {
          Style st = markup;
          st.italic = st.italic || sub.italic;
          const char rowColour = row < sub.rowColours.size() ? sub.rowColours[row] : '0';
          if (st.colour == 0 && rowColour >= '1' && rowColour <= '7') st.colour = rowColour - '0';
          Add(piece, st, lineStart, dropped);
          return;
        }
        case Mark::RowBreak:
          bounds_.push_back({lineStart, used_});
          lineStart = used_;
          ++row;
          return;
        case Mark::ItalicOn: markup.italic = true; return;
        case Mark::ItalicOff: markup.italic = false; return;
        case Mark::UnderlineOn: markup.underline = true; return;
        case Mark::UnderlineOff: markup.underline = false; return;
        case Mark::Colour: markup.colour = piece[0]; return;
        case Mark::BoldOn: markup.bold = true; return;
        case Mark::BoldOff: markup.bold = false; return;
        case Mark::GroupStart:
        case Mark::GroupEnd: return;
      }
    });
    bounds_.push_back({lineStart, used_});
    lines_.clear();
    for (auto [first, last] : bounds_) lines_.push_back(Line(pieces_.data() + first, last - first));
  }

  std::vector<Line>& lines() { return lines_; }

 private:
  // A text piece's characters: stand-ins as the characters they stand for, then what XML
  // cannot hold left out. Joined to the line's last piece when the style is the same.
  void Add(std::string_view piece, const Style& st, std::size_t lineStart, int& dropped) {
    if (std::memchr(piece.data(), '\xEE', piece.size())) {
      literal_.clear();
      AppendUnescaped(literal_, piece);
      piece = literal_;
    }
    if (used_ > lineStart && pieces_[used_ - 1].style == st) {
      AppendXml(pieces_[used_ - 1].text, piece, false, dropped, false);
      return;
    }
    if (used_ == pieces_.size()) pieces_.emplace_back();
    Piece& p = pieces_[used_];
    p.text.clear();
    AppendXml(p.text, piece, false, dropped, false);
    if (p.text.empty()) return;
    p.style = st;
    ++used_;
  }

  std::vector<Piece> pieces_;  // the first used_ are this subtitle's
  std::size_t used_ = 0;
  std::vector<std::pair<std::size_t, std::size_t>> bounds_;  // each line's pieces [first, last)
  std::vector<Line> lines_;
  std::string literal_;
};

// Runs of spaces become one, across the pieces of the line; in place.
void CollapseSpaces(Line line) {
  bool lastSpace = false;
  for (Piece& p : line) {
    std::size_t kept = 0;
    for (const char c : p.text) {
      if (c == ' ' && lastSpace) continue;
      lastSpace = c == ' ';
      p.text[kept++] = c;
    }
    p.text.resize(kept);
  }
}

// Spaces inside the edges of an italic run go outside it (a space already there is enough).
void MoveEdgeSpacesOut(Line line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    Piece& p = line[i];
    if (!p.style.italic) continue;
    std::size_t lead = p.text.find_first_not_of(' ');
    if (lead == std::string::npos) lead = p.text.size();
    if (lead > 0) {
      p.text.erase(0, lead);
      if (i > 0 && !line[i - 1].text.ends_with(' ')) line[i - 1].text += ' ';
    }
    std::size_t keep = p.text.find_last_not_of(' ');
    keep = keep == std::string::npos ? 0 : keep + 1;
    if (keep < p.text.size()) {
      p.text.erase(keep);
      if (i + 1 < line.size() && !line[i + 1].text.starts_with(' ')) line[i + 1].text.insert(0, " ");
    }
  }
}

// Spaces at the ends of the line go, and the pieces they leave empty.
void TrimEnds(Line& line) {
  while (!line.empty()) {
    std::string& t = line.front().text;
    t.erase(0, std::min(t.find_first_not_of(' '), t.size()));
    if (!t.empty()) break;
    line = line.subspan(1);
  }
  while (!line.empty()) {
    std::string& t = line.back().text;
    std::size_t keep = t.find_last_not_of(' ');
    t.erase(keep == std::string::npos ? 0 : keep + 1);
    if (!t.empty()) break;
    line = line.first(line.size() - 1);
  }
}

std::string PlainOf(Line line) {
  std::string s;
  for (const Piece& p : line) s += p.text;
  return s;
}

// --- The writer --------------------------------------------------------------------

class Writer {
 public:
  Writer(const SubtitleDocument& doc, const DcinemaSetup& setup, Warnings& warnings)
      : doc_(doc), setup_(setup), o_(setup.options), w_(warnings) {
    smpte_ = IsSmpte(o_.version);
    // Only the 2014 edition has a place for the depth of a line.
    edition_ = o_.version == DcVersion::SmpteZ ? 2014 : o_.smpteEdition;
    p_ = smpte_ ? "dcst:" : "";
    screen_ = ParseScreenSize(o_.screenSize);
    lineHeight_ = o_.fontSize * (o_.leading / 100.0) / kScreenPoints * 100.0;
  }

  std::string Write() {
    // Room for the whole file at once (about 350 bytes a subtitle besides its text): the
    // string never grows by copying; pages reserved and not written cost nothing.
    std::size_t room = 4096;
    for (const kipo::Subtitle& s : doc_.Subtitles()) room += 400 + 2 * s.text.size();
    out_.reserve(room);
    Header();
    for (std::size_t i = 0; i < doc_.Count(); ++i) Subtitle(i);
    Footer();
    if (dropped_ > 0)
      w_.push_back(std::to_string(dropped_) + " control character(s) that XML cannot hold were left out");
    if (zDropped_)
      w_.push_back("DCSubtitle files have no place for the depth of a subtitle; the Z offsets are written only in "
                   "the 3D pair (\"3D subs\")");
    return std::move(out_);
  }

 private:
  void Ln(std::string_view s) {
    out_ += s;
    out_ += kCrLfC;
  }

  std::string TextArgb() const { return Argb(o_.alphaText, MappedColour(o_, 0)); }
  std::string EffectArgb() const { return Argb(o_.alphaEffect, ParseRgb(o_.effectColour).value_or(0)); }
  std::string Effect() const { return ToLowerAscii(o_.effect); }
  std::string Weight() const { return ToLowerAscii(o_.fontWeight); }
  std::string Spacing() const {
    std::string s = Trim(o_.spacing);
    return smpte_ ? s : s + "em";
  }
  std::string FontUuid() const { return o_.fontUuid.empty() ? NewUuid() : o_.fontUuid; }

  std::string IssueDate() const {
    if (!setup_.issueDate.empty()) return setup_.issueDate;
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char b[40];
    std::strftime(b, sizeof b, "%Y-%m-%dT%H:%M:%S", &tm);
    return std::string(b) + "-00:00";
  }

  std::string LanguageName() const {
    const Language* l = FindLanguage(doc_.languageId());
    return l ? l->name : "English";
  }

  void Header() {
    const std::string id = setup_.subtitleId.empty() ? NewUuid() : setup_.subtitleId;
    const std::string title = Attr(o_.movieTitle);
    if (smpte_) {
      Ln("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>");
      Ln("<dcst:SubtitleReel xmlns:dcst=\"" + SmpteNamespace(edition_) + "\">");
      Ln("  <dcst:Id>urn:uuid:" + id + "</dcst:Id>");
      Ln("  <dcst:ContentTitleText>" + title + "</dcst:ContentTitleText>");
      Ln("  <dcst:AnnotationText>" + title + "</dcst:AnnotationText>");
      Ln("  <dcst:IssueDate>" + IssueDate() + "</dcst:IssueDate>");
      Ln("  <dcst:ReelNumber>" + std::to_string(o_.reelNumber) + "</dcst:ReelNumber>");
      Ln("  <dcst:Language>" + LanguageTag(doc_.languageId()) + "</dcst:Language>");
      Ln("  <dcst:EditRate>" + std::to_string(o_.dcdmFrameRate) + " 1</dcst:EditRate>");
      Ln("  <dcst:TimeCodeRate>" + std::to_string(o_.dcdmFrameRate) + "</dcst:TimeCodeRate>");
      Ln("  <dcst:StartTime>00:00:00:00</dcst:StartTime>");
      Ln("  <dcst:LoadFont ID=\"Font1\">urn:uuid:" + FontUuid() + "</dcst:LoadFont>");
      Ln("  <dcst:SubtitleList>");
      std::string font = "    <dcst:Font ID=\"Font1\"";
      font += " Size=\"" + std::to_string(o_.fontSize) + "\" Weight=\"" + Weight() + "\"";
      if (!o_.basicFont) font += " Script=\"normal\" Underline=\"no\"";
      // The 2007 edition has no aspect or spacing attributes.
      if (edition_ != 2007 && !o_.basicFont)
        font += " AspectAdjust=\"" + Attr(o_.aspectAdjust) + "\" Spacing=\"" + Attr(Spacing()) + "\"";
      font += " Color=\"" + TextArgb() + "\" Effect=\"" + Effect() + "\" EffectColor=\"" + EffectArgb() + "\">";
      Ln(font);
      return;
    }
    const bool v10 = o_.version == DcVersion::Dlp10;
    Ln(v10 ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?> " : "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?> ");
    Ln(v10 ? "<DCSubtitle Version=\"1.0\">" : "<DCSubtitle Version=\"1.1\">");
    Ln("  <SubtitleID>" + id + "</SubtitleID>");
    Ln("  <MovieTitle>" + title + "</MovieTitle>");
    Ln("  <ReelNumber>" + std::to_string(o_.reelNumber) + "</ReelNumber>");
    Ln("  <Language>" + Attr(LanguageName()) + "</Language>");
    // The font is loaded before the first Font element: the schema allows LoadFont only there.
    Ln("  <LoadFont Id=\"Font1\" URI=\"" + Attr(o_.fontUri) + "\"/>");
    Ln("  <Font Italic=\"no\">");
    std::string font = "  <Font Size=\"" + std::to_string(o_.fontSize) + "\" Weight=\"" + Weight() + "\"";
    if (!o_.basicFont) font += " Script=\"normal\" Underlined=\"no\"";
    font += " Id=\"Font1\" Color=\"" + TextArgb() + "\" Effect=\"" + Effect() + "\" EffectColor=\"" + EffectArgb() + "\"";
    if (!v10 && !o_.basicFont)
      font += " AspectAdjust=\"" + Attr(o_.aspectAdjust) + "\" Spacing=\"" + Attr(Spacing()) + "\"";
    Ln(font + ">");
  }

  void Footer() {
    if (smpte_) {
      Ln("    </dcst:Font>");
      Ln("  </dcst:SubtitleList>");
      Ln("</dcst:SubtitleReel>");
      return;
    }
    Ln("  </Font>");
    Ln("  </Font>");
    Ln("</DCSubtitle>");
  }

  // A cue as the file's times are written (what TickTime and EditUnitTime give), the ticks
  // or reel frame of each frame number worked out once per file.
  void AppendTime(const Cue& c) {
    const std::string& d = c.digits();
    const FrameRate& rate = doc_.frameRate();
    if (!IsCompleteCue(d)) {
      out_ += smpte_ ? EditUnitTime(c, rate, o_.dcdmFrameRate) : TickTime(c, rate);
      return;
    }
    const int ff = (d[6] - '0') * 10 + (d[7] - '0');
    long& v = ticksOfFrame_[ff];
    if (v < 0) v = smpte_ ? EditUnitFrame(ff, rate, o_.dcdmFrameRate) : TicksOfFrame(ff, rate);
    if (smpte_ && (v < 0 || v > 99)) out_ += EditUnitTime(c, rate, o_.dcdmFrameRate);
    else AppendClock(out_, d, v, smpte_ ? 2 : 3);
  }
  std::array<long, 100> ticksOfFrame_ = [] {
    std::array<long, 100> t;
    t.fill(-1);
    return t;
  }();

  std::string Fade(int ms) const {
    ms = std::max(ms, 0);
    if (smpte_) {
      long frames = std::lround(ms * static_cast<double>(o_.dcdmFrameRate) / 1000.0);
      const long r = o_.dcdmFrameRate;
      long s = frames / r;
      return Two(s / 3600) + ":" + Two(s / 60 % 60) + ":" + Two(s % 60) + ":" + Two(frames % r);
    }
    const long ticks = ms / 4;
    if (ticks <= 249) return std::to_string(ticks);
    const long s = ms / 1000;
    return Two(s / 3600) + ":" + Two(s / 60 % 60) + ":" + Two(s % 60) + ":" + ZeroPad(ms % 1000 / 4, 3);
  }

  double ZOf(std::size_t index) const {
    if (!setup_.zOffsets) return 0;
    auto it = setup_.zOffsets->find(static_cast<int>(index + 1));
    return it == setup_.zOffsets->end() ? 0 : std::clamp(it->second, -100.0, 100.0);
  }

  // The alignment of a line: the option's, else the row's own, else the subtitle's.
  int AlignmentOf(const kipo::Subtitle& s, std::size_t row) const {
    if (o_.alignment >= 1 && o_.alignment <= 4) return o_.alignment;
    if (row < s.rowAlignments.size() && s.rowAlignments[row] >= '1' && s.rowAlignments[row] <= '4')
      return s.rowAlignments[row] - '0';
    return s.alignment >= 1 && s.alignment <= 4 ? s.alignment : AlignCentre;
  }

  // Width of a line in percent of the screen width.
  double WidthPercent(const std::string& text) {
    if (!setup_.measurer && !measurer_) measurer_ = MakeLayoutMeasurer();
    const TextMeasurer& m = setup_.measurer ? *setup_.measurer : *measurer_;
    FontFace f;
    f.family = o_.fontName;
    f.pixelSize = o_.fontSize / kScreenPoints * screen_.height;
    f.bold = EqualsIgnoreCase(o_.fontWeight, "Bold");
    double aspect = 1.0;
    if (auto v = std::strtod(o_.aspectAdjust.c_str(), nullptr); v >= 0.25 && v <= 4.0) aspect = v;
    return m.Width(text, f) * aspect / screen_.width * 100.0;
  }

  void Subtitle(std::size_t index) {
    const kipo::Subtitle& s = doc_.At(index);
    table_.Read(s, setup_.bold, dropped_);
    std::vector<Line>& lines = table_.lines();
    for (Line& l : lines) {
      if (o_.trimSpaces) CollapseSpaces(l);
      if (o_.trimItalics) MoveEdgeSpacesOut(l);
      if (o_.trimText) TrimEnds(l);
    }
    const double z = ZOf(index);
    if (fades_.empty()) fades_ = "\" FadeUpTime=\"" + Fade(o_.fadeUp) + "\" FadeDownTime=\"" + Fade(o_.fadeDown) + "\">\r\n";
    out_ += smpte_ ? "      <dcst:Subtitle SpotNumber=\""sv : "    <Subtitle SpotNumber=\""sv;
    char number[24];
    out_.append(number, std::to_chars(number, number + sizeof number, index + 1).ptr);
    out_ += "\" TimeIn=\""sv;
    AppendTime(s.inCue);
    out_ += "\" TimeOut=\""sv;
    AppendTime(s.outCue);
    out_ += fades_;
    if (!smpte_ && HasZPosition(o_.version) && setup_.eye == Eye::Both && !IsZeroValue(z)) zDropped_ = true;

    if (setup_.images && index < setup_.images->size()) {
      Image((*setup_.images)[index], z);
      Ln(smpte_ ? "      </dcst:Subtitle>" : "    </Subtitle>");
      return;
    }
    // Centred blocks of left-aligned lines start where the widest line of the block does.
    double blockWidth = -1;
    const std::size_t n = lines.size();
    // Without "Bottom up" a subtitle raised into the upper half hangs from the top margin.
    const bool fromTop = o_.direction == 1 || (!o_.bottomUp && s.row >= static_cast<int>(kMaxRows) / 2);
    for (std::size_t r = 0; r < n; ++r) {
      const Line line = lines[r];
      if (line.empty()) continue;
      double v = 0;
      std::string_view valign = "bottom";
      if (fromTop) {
        const int topRow = std::max(0, static_cast<int>(kMaxRows) - (s.row + static_cast<int>(n)));
        v = o_.marginTop + (topRow + static_cast<int>(r)) * lineHeight_ + s.shiftY * kNudgePercent;
        valign = "top";
      } else {
        v = o_.marginBottom + (s.row + static_cast<int>(n - 1 - r)) * lineHeight_ - s.shiftY * kNudgePercent;
      }
      v = std::clamp(v, 0.0, 100.0);

      const int align = AlignmentOf(s, r);
      std::string_view halign = "center";
      double h = 0;
      if (align == AlignLeft) {
        halign = "left";
        h = o_.marginLeft;
      } else if (align == AlignRight) {
        halign = "right";
        h = o_.marginRight;
      } else if (align == AlignCentreLeft) {
        if (blockWidth < 0) {
          blockWidth = 0;
          for (const Line l : lines) blockWidth = std::max(blockWidth, WidthPercent(PlainOf(l)));
        }
        halign = "left";
        const double area = 100.0 - o_.marginLeft - o_.marginRight;
        h = o_.marginLeft + std::max(0.0, (area - blockWidth) / 2);
      } else {
        h = (o_.marginLeft - o_.marginRight) / 2.0;
      }
      // Nudges move right for positive steps; from the right edge that is a smaller offset.
      double right = s.shiftX * kNudgePercent;
      // The eyes of a 3D pair see the line shifted apart by its depth: in front of the
      // screen (negative Z) the left eye's picture moves right and the right eye's left.
      if (setup_.eye == Eye::Left) right += -z / 2;
      if (setup_.eye == Eye::Right) right += z / 2;
      h += halign == "right" ? -right : right;
      h = std::clamp(h, -100.0, 100.0);

      // The line's element, written into the file as it is made.
      std::string& t = out_;
      t += smpte_ ? "         <dcst:Text "sv : "       <Text "sv;
      if (o_.direction == 1) t += smpte_ ? "Direction=\"ttb\" "sv : "Direction=\"vertical\" "sv;
      t += smpte_ ? "Valign=\""sv : "VAlign=\""sv;
      t += valign;
      t += smpte_ ? "\" Vposition=\""sv : "\" VPosition=\""sv;
      AppendNumber(t, v, o_.round);
      t += smpte_ ? "\" Halign=\""sv : "\" HAlign=\""sv;
      t += halign;
      t += smpte_ ? "\" Hposition=\""sv : "\" HPosition=\""sv;
      AppendNumber(t, h, o_.round);
      t += '"';
      if (smpte_ && edition_ == 2014 && HasZPosition(o_.version) && setup_.eye == Eye::Both)
        t += " Zposition=\"" + ZOffsetText(z) + "\"";
      t += '>';
      Inline(line);
      out_ += smpte_ ? "</dcst:Text>\r\n"sv : "</Text>\r\n"sv;
    }
    out_ += smpte_ ? "      </dcst:Subtitle>\r\n"sv : "    </Subtitle>\r\n"sv;
  }

  // A subtitle's picture, placed by its bottom centre and shifted apart for each eye.
  void Image(const DcinemaImage& img, double z) {
    double h = img.hpos;
    if (setup_.eye == Eye::Left) h += -z / 2;
    if (setup_.eye == Eye::Right) h += z / 2;
    std::string t = "       <" + p_ + "Image ";
    t += smpte_ ? "Valign=\"bottom\" Vposition=\"" : "VAlign=\"bottom\" VPosition=\"";
    t += Number(std::clamp(img.vpos, 0.0, 100.0), o_.round) + "\"";
    t += smpte_ ? " Halign=\"center\" Hposition=\"" : " HAlign=\"center\" HPosition=\"";
    t += Number(std::clamp(h, -100.0, 100.0), o_.round) + "\"";
    if (smpte_ && edition_ == 2014 && HasZPosition(o_.version) && setup_.eye == Eye::Both)
      t += " Zposition=\"" + ZOffsetText(z) + "\"";
    Ln((smpte_ ? "  " : "") + t + ">" + Attr(img.ref) + "</" + p_ + "Image>");
  }

  // The attributes of one level of inline style: colour, italic, underline, bold.
  std::string_view LevelAttr(int level, const Style& st) {
    switch (level) {
      case 0: {
        std::string& colour = colourAttr_[st.colour & 7];
        if (colour.empty()) colour = "Color=\"" + Argb(o_.alphaText, MappedColour(o_, st.colour)) + "\"";
        return colour;
      }
      case 1: return "Italic=\"yes\"";
      case 2: return smpte_ ? "Underline=\"yes\"" : "Underlined=\"yes\"";
      default: return "Weight=\"bold\"";
    }
  }
  static bool Active(int level, const Style& st) {
    switch (level) {
      case 0: return st.colour != 0;
      case 1: return st.italic;
      case 2: return st.underline;
      default: return st.bold;
    }
  }
  // Without inheritance each inline Font repeats the font it sits in.
  std::string FullFont() const {
    if (o_.inherit) return "";
    return " Size=\"" + std::to_string(o_.fontSize) + "\" Weight=\"" + Weight() + "\" Effect=\"" + Effect() +
           "\" EffectColor=\"" + EffectArgb() + "\"";
  }

  void OpenFont(std::string_view attrs, bool hasColour, bool hasWeight) {
    out_ += smpte_ ? "<dcst:Font "sv : "<Font "sv;
    out_ += attrs;
    if (!o_.inherit) {
      if (fullFont_.empty()) {
        fullFont_ = FullFont();
        fullFontNoWeight_ = ReplaceAll(fullFont_, " Weight=\"" + Weight() + "\"", "");
        textColour_ = " Color=\"" + TextArgb() + "\"";
      }
      out_ += hasWeight ? fullFontNoWeight_ : fullFont_;
      if (!hasColour) out_ += textColour_;
    }
    out_ += '>';
  }
  void CloseFont() { out_ += smpte_ ? "</dcst:Font>"sv : "</Font>"sv; }

  void Inline(Line line) {
    // The inline Fonts of a reel's Text hold no Font of their own, so the reel always
    // closes each one; DCSubtitle nests them unless "Close font" is on.
    if (smpte_ || o_.closeFont) {
      for (const Piece& p : line) {
        if (p.style.Plain()) {
          AppendText(out_, p.text);
          continue;
        }
        attrs_.clear();
        for (int level = 0; level < 4; ++level)
          if (Active(level, p.style)) {
            if (!attrs_.empty()) attrs_ += ' ';
            attrs_ += LevelAttr(level, p.style);
          }
        OpenFont(attrs_, p.style.colour != 0, p.style.bold);
        AppendText(out_, p.text);
        CloseFont();
      }
      return;
    }
    // The levels open, innermost last (each level is open at most once).
    std::array<int, 4> open{};
    std::size_t opened = 0;
    Style current;
    for (const Piece& p : line) {
      int first = 4;
      for (int level = 0; level < 4; ++level) {
        const bool isOpen = std::find(open.begin(), open.begin() + opened, level) != open.begin() + opened;
        if (isOpen != Active(level, p.style) || (level == 0 && isOpen && current.colour != p.style.colour)) {
          first = level;
          break;
        }
      }
      while (opened > 0 && open[opened - 1] >= first) {
        CloseFont();
        --opened;
      }
      for (int level = first; level < 4; ++level)
        if (Active(level, p.style)) {
          OpenFont(LevelAttr(level, p.style), level == 0, level == 3);
          open[opened++] = level;
        }
      current = p.style;
      AppendText(out_, p.text);
    }
    for (; opened > 0; --opened) CloseFont();
  }

  const SubtitleDocument& doc_;
  const DcinemaSetup& setup_;
  const DlpOptions& o_;
  Warnings& w_;
  bool smpte_ = false;
  int edition_ = 2007;
  std::string p_;
  ScreenSize screen_;
  double lineHeight_ = 0;
  std::unique_ptr<TextMeasurer> measurer_;
  std::string out_;
  std::string fades_;  // the fade attributes, the same for every subtitle
  LineTable table_;
  std::array<std::string, 8> colourAttr_;  // "Color=..." of each colour switch, made when first used
  std::string fullFont_, fullFontNoWeight_, textColour_;  // without inheritance, made when first used
  std::string attrs_;
  int dropped_ = 0;
  bool zDropped_ = false;
};

std::string Joined(const std::vector<std::string>& problems) {
  std::string text;
  const std::size_t shown = std::min<std::size_t>(problems.size(), 20);
  for (std::size_t i = 0; i < shown; ++i) text += (i ? "\n" : "") + problems[i];
  if (problems.size() > shown) text += "\n... and " + std::to_string(problems.size() - shown) + " more";
  return text;
}

}  // namespace

std::string TickTime(const Cue& cue, const FrameRate& rate) {
  const std::string& d = cue.digits();
  if (!IsCompleteCue(d)) return "00:00:00:000";
  const int ff = (d[6] - '0') * 10 + (d[7] - '0');
  return ClockWith(d, TicksOfFrame(ff, rate), 3);
}

std::string EditUnitTime(const Cue& cue, const FrameRate& rate, int timeCodeRate) {
  const std::string& d = cue.digits();
  if (!IsCompleteCue(d)) return "00:00:00:00";
  const int ff = static_cast<int>(EditUnitFrame((d[6] - '0') * 10 + (d[7] - '0'), rate, timeCodeRate));
  if (ff < 0 || ff > 99) return d.substr(0, 2) + ":" + d.substr(2, 2) + ":" + d.substr(4, 2) + ":" + Two(ff);
  return ClockWith(d, ff, 2);
}

std::string LanguageTag(std::int32_t languageId) {
  char locale[64] = {};
  UErrorCode status = U_ZERO_ERROR;
  uloc_getLocaleForLCID(static_cast<std::uint32_t>(languageId), locale, sizeof locale, &status);
  if (U_FAILURE(status) || locale[0] == '\0') return "en";
  char lang[16] = {};
  status = U_ZERO_ERROR;
  uloc_getLanguage(locale, lang, sizeof lang, &status);
  if (U_FAILURE(status) || lang[0] == '\0') return "en";
  return lang;
}

std::vector<std::string> DcinemaProblems(const SubtitleDocument& doc) {
  std::vector<std::string> out;
  const FrameRate& rate = doc.frameRate();
  FrameCount previousIn = -1;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    // The subtitle's number, made only for a message.
    auto n = [i] { return std::to_string(i + 1); };
    // Italic markers must pair up, one run at a time; eight bytes without one are passed
    // over at once.
    bool inItalic = false, badUse = false;
    const std::string_view text = s.text;
    for (std::size_t k = 0; k < text.size(); ++k) {
      while (k + 8 <= text.size()) {
        const std::uint64_t x = Word(text.data() + k);
        if (HasByte(x, kItalicOn) || HasByte(x, kItalicOff)) break;
        k += 8;
      }
      if (k == text.size()) break;
      const char c = text[k];
      if (c == kItalicOn) {
        if (inItalic) badUse = true;
        inItalic = true;
      } else if (c == kItalicOff) {
        if (!inItalic) badUse = true;
        inItalic = false;
      }
    }
    if (badUse) out.push_back("Invalid use of italics in subtitle " + n());
    else if (inItalic) out.push_back("Mismatched italics in subtitle " + n());
    bool cuesOk = true;
    if (s.inCue.empty()) out.push_back("In cue not set in subtitle " + n()), cuesOk = false;
    else if (!IsValidCue(s.inCue.digits(), rate)) out.push_back("Invalid in cue format in subtitle " + n()), cuesOk = false;
    if (s.outCue.empty()) out.push_back("Out cue not set in subtitle " + n()), cuesOk = false;
    else if (!IsValidCue(s.outCue.digits(), rate)) out.push_back("Invalid out cue format in subtitle " + n()), cuesOk = false;
    if (cuesOk) {
      const FrameCount in = s.inCue.ToFrames(rate), outF = s.outCue.ToFrames(rate);
      if (outF < in) out.push_back("Negative duration in subtitle " + n());
      if (in < previousIn) out.push_back("Inconsistent in cue in subtitle " + n());
      previousIn = in;
    }
    // A letter or digit is text whatever markup stands around it; only texts without one
    // are stripped of their markup to see whether anything is left.
    const bool hasWord = std::any_of(s.text.begin(), s.text.end(), [](char c) {
      const char lower = static_cast<char>(c | 0x20);
      return (c >= '0' && c <= '9') || (lower >= 'a' && lower <= 'z');
    });
    if (!hasWord && Trim(ReplaceAll(StripMarkup(s.text), "\r\n", "")).empty())
      out.push_back("Subtitle " + n() + " is empty");
  }
  return out;
}

std::string WriteDcinemaXml(const SubtitleDocument& doc, const DcinemaSetup& setup, Warnings& warnings) {
  if (doc.Count() == 0) throw UserError(kAppTitle, "There are no subtitles to export.");
  std::vector<std::string> problems = DcinemaProblems(doc);
  if (!problems.empty()) throw UserError(kAppTitle, Joined(problems));
  return Writer(doc, setup, warnings).Write();
}

std::vector<std::filesystem::path> DcinemaFilePaths(const std::filesystem::path& path, const DlpOptions& o) {
  if (!(HasZPosition(o.version) && o.subs3d)) return {path};
  std::filesystem::path stem = path;
  stem.replace_extension();
  return {std::filesystem::path(stem.string() + "_Left.xml"), std::filesystem::path(stem.string() + "_Right.xml")};
}

std::vector<std::filesystem::path> ExportDcinema(const SubtitleDocument& doc, const DcinemaSetup& setup,
                                                 const std::filesystem::path& path, Warnings& warnings) {
  std::vector<std::filesystem::path> paths = DcinemaFilePaths(path, setup.options);
  // Every file is made before any is written, so a refused export leaves nothing behind.
  std::vector<std::string> texts;
  DcinemaSetup s = setup;
  if (s.options.fontUuid.empty()) s.options.fontUuid = NewUuid();
  DcinemaPictures pictures;
  if (s.options.images) {
    if (doc.Count() == 0) throw UserError(kAppTitle, "There are no subtitles to export.");
    if (auto problems = DcinemaProblems(doc); !problems.empty()) throw UserError(kAppTitle, Joined(problems));
    pictures = DrawDcinemaPictures(doc, s.options, s.bold, path);
    s.images = &pictures.images;
  }
  for (std::size_t i = 0; i < paths.size(); ++i) {
    s.eye = paths.size() == 1 ? Eye::Both : (i == 0 ? Eye::Left : Eye::Right);
    s.subtitleId = paths.size() == 1 ? setup.subtitleId : std::string();
    Warnings w;
    texts.push_back(WriteDcinemaXml(doc, s, w));
    if (i == 0) warnings.insert(warnings.end(), w.begin(), w.end());
  }
  for (std::size_t i = 0; i < pictures.files.size(); ++i) WriteFileAtomic(pictures.files[i], pictures.bytes[i]);
  for (std::size_t i = 0; i < paths.size(); ++i) WriteFileAtomic(paths[i], texts[i]);
  paths.insert(paths.end(), pictures.files.begin(), pictures.files.end());
  return paths;
}

}  // namespace kipo
