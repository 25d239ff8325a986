#pragma once
// Subtitle text as rows of styled runs, and the one scanner of the in-text markup.
//
// Every reader, writer, check and count walks the markup through ScanMarkup (or the
// RichText built from it), so the markup characters are recognised in one place.
//
// A character that is also a markup character ('<', '>', '[', ']', the colour codes 1-7)
// and came from a file as a plain character is held as a stand-in: the private-use code
// point U+E000 + the character's code. It is one visible character everywhere (counts,
// checks, display) and writers put the character itself (or their format's escape) back.
// See docs/rich-text.md.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/markup.h"

namespace kipo {

// --- Literal characters -------------------------------------------------------------

// True for the single-byte markup characters: '<' '>' '[' ']' and the codes 1-7.
inline bool IsMarkupChar(char c) {
  return c == kItalicOn || c == kItalicOff || c == kUnderlineOn || c == kUnderlineOff || IsColourCode(c);
}
// The stand-in of a markup character c (three UTF-8 bytes).
std::string LiteralStandIn(char c);
// The markup character a stand-in at the front of s holds, or '\0' when s does not start
// with one.
inline char StandInAt(std::string_view s) {
  if (s.size() < 3 || static_cast<unsigned char>(s[0]) != 0xEE) return '\0';
  unsigned char b1 = static_cast<unsigned char>(s[1]), b2 = static_cast<unsigned char>(s[2]);
  if ((b1 != 0x80 && b1 != 0x81) || (b2 & 0xC0) != 0x80) return '\0';
  char c = static_cast<char>((b1 == 0x81 ? 0x40 : 0) + (b2 & 0x3F));
  return IsMarkupChar(c) ? c : '\0';
}
// Plain characters (from a file that has no such markup) to document text: each markup
// character becomes its stand-in. CR LF and everything else are kept.
std::string EscapeLiterals(std::string_view plain);
void AppendEscaped(std::string& out, std::string_view plain);
// Appends the stand-in of the markup character c.
inline void AppendStandIn(std::string& out, char c) {
  const auto code = static_cast<unsigned char>(c);
  const char standIn[3] = {static_cast<char>(0xEE), static_cast<char>(code >= 0x40 ? 0x81 : 0x80),
                           static_cast<char>(0x80 | (code & 0x3F))};
  out.append(standIn, 3);
}
// Stand-ins back to their characters (the text of a run).
std::string UnescapeLiterals(std::string_view text);
void AppendUnescaped(std::string& out, std::string_view text);

// --- The scanner --------------------------------------------------------------------

enum class Mark : std::uint8_t {
  None,  // characters (a text piece)
  RowBreak,
  ItalicOn,
  ItalicOff,
  UnderlineOn,
  UnderlineOff,
  Colour,
  BoldOn,
  BoldOff,
  GroupStart,
  GroupEnd,
};

namespace detail {
// Bytes that can start a markup piece (a bold marker's first byte is checked apart).
inline constexpr auto kMaybeMarkup = [] {
  std::array<bool, 256> t{};
  for (int c = 1; c <= 7; ++c) t[c] = true;
  for (unsigned char c : {'<', '>', '[', ']', '\r', '/'}) t[c] = true;
  return t;
}();
}  // namespace detail

// Calls f(Mark, std::string_view bytes) for each piece of text in order (until f returns
// false, when it returns bool). Text pieces
// (Mark::None) are the longest stretches between two markup pieces; they never hold CR LF
// but keep stand-ins, lone CR or LF and everything else. Bold markers are recognised only
// while bold.enabled; a group marker is recognised before a bold marker, a bold marker
// before a single-character one.
// The bold markers as the scanner reads them; a view, so that hot loops copy no strings.
struct MarkerView {
  bool enabled = false;
  std::string_view start, end;
  MarkerView() = default;
  MarkerView(bool on, std::string_view s, std::string_view e) : enabled(on), start(s), end(e) {}
  MarkerView(const BoldMarkers& b) : enabled(b.enabled), start(b.start), end(b.end) {}  // NOLINT: implicit on purpose
};

template <class F>
void ScanMarkup(std::string_view text, MarkerView bold, F&& f) {
  const bool useBold = bold.enabled && !(bold.start.empty() && bold.end.empty());
  const char b1 = useBold && !bold.start.empty() ? bold.start[0] : '\x7F';
  const char b2 = useBold && !bold.end.empty() ? bold.end[0] : '\x7F';
  std::size_t start = 0;
  const std::size_t n = text.size();
  // A callback that returns bool stops the scan by returning false.
  auto call = [&](Mark m, std::string_view piece) {
    if constexpr (std::is_same_v<decltype(f(m, piece)), bool>) return f(m, piece);
    else return f(m, piece), true;
  };
  auto flush = [&](std::size_t end) { return end <= start || call(Mark::None, text.substr(start, end - start)); };
  for (std::size_t i = 0; i < n;) {
    const char c = text[i];
    if (!detail::kMaybeMarkup[static_cast<unsigned char>(c)] && c != b1 && c != b2) {
      ++i;
      continue;
    }
    Mark m = Mark::None;
    std::size_t len = 1;
    if (c == '/' || c == b1 || c == b2) {
      std::string_view rest = text.substr(i);
      if (rest.starts_with(kGroupStart)) m = Mark::GroupStart, len = kGroupStart.size();
      else if (rest.starts_with(kGroupEnd)) m = Mark::GroupEnd, len = kGroupEnd.size();
      else if (useBold && !bold.start.empty() && rest.starts_with(bold.start)) m = Mark::BoldOn, len = bold.start.size();
      else if (useBold && !bold.end.empty() && rest.starts_with(bold.end)) m = Mark::BoldOff, len = bold.end.size();
    }
    if (m == Mark::None) {
      if (IsColourCode(c)) m = Mark::Colour;
      else if (c == kItalicOn) m = Mark::ItalicOn;
      else if (c == kItalicOff) m = Mark::ItalicOff;
      else if (c == kUnderlineOn) m = Mark::UnderlineOn;
      else if (c == kUnderlineOff) m = Mark::UnderlineOff;
      else if (c == '\r' && i + 1 < n && text[i + 1] == '\n') m = Mark::RowBreak, len = 2;
    }
    if (m == Mark::None) {
      ++i;
      continue;
    }
    if (!flush(i) || !call(m, text.substr(i, len))) return;
    i += len;
    start = i;
  }
  flush(n);
}

// --- Rows of runs -------------------------------------------------------------------

struct TextStyle {
  bool italic = false;
  bool underline = false;
  bool bold = false;
  bool group = false;  // inside a horizontal group
  Colour colour = Colour::Default;
  bool operator==(const TextStyle&) const = default;
};

// A stretch of characters in one style, or a markup switch (mark != None, no text) with
// the style in effect after it. Keeping the switches makes writing back exact: the markup
// a text was parsed from is the markup it is written as, redundant switches included.
struct Run {
  Mark mark = Mark::None;
  std::string text;  // the characters as shown: a stand-in is the character itself
  TextStyle style;
  bool operator==(const Run&) const = default;
};
using RichRow = std::vector<Run>;

// Styles carry on from row to row, as the markup does.
struct RichText {
  std::vector<RichRow> rows;  // at least one (an empty text is one empty row)

  static RichText Parse(std::string_view text, const BoldMarkers& bold = {});
  // Back to the in-text markup; Parse then ToMarkup gives the text it was parsed from.
  std::string ToMarkup(const BoldMarkers& bold = {}) const;
  // The characters shown, rows joined by CR LF.
  std::string PlainText() const;
};

// Visible characters (code points) of a text piece; a stand-in is one.
inline std::size_t CountVisible(std::string_view piece) {
  std::size_t n = 0;
  for (char c : piece) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}
// Visible characters of a text: markup left out, CR LF counted as two.
std::size_t VisibleChars(std::string_view text, MarkerView bold);

}  // namespace kipo
