#include "formats/broadcast/stl_text.h"

#include <algorithm>
#include <array>

#include <unicode/normalizer2.h>

#include "core/markup.h"
#include "core/rich_text.h"
#include "formats/broadcast/iso6937.h"
#include "platform/encoding.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

// The upper half (0xA0-0xFF) of the ISO 8859 part a non-Latin table names, taken from
// ICU once, with its reverse.
struct UpperHalf {
  std::array<char32_t, 96> chars{};
  // (character, byte) sorted by character, for a binary search.
  std::vector<std::pair<char32_t, std::uint8_t>> bytes;
  explicit UpperHalf(const char* codePage) {
    for (int i = 0; i < 96; ++i) {
      std::uint8_t b = static_cast<std::uint8_t>(0xA0 + i);
      std::u32string s = Utf8ToUtf32(CodePageToUtf8(std::span(&b, 1), codePage));
      if (s.size() == 1 && s[0] != 0xFFFD && s[0] != 0x1A) {
        chars[i] = s[0];
        bytes.emplace_back(s[0], b);
      }
    }
    // A character at two places keeps its first, as the file tables list them.
    std::stable_sort(bytes.begin(), bytes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    bytes.erase(std::unique(bytes.begin(), bytes.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
                bytes.end());
  }
  // The byte of a character, 0 when the table has none.
  std::uint8_t ByteOf(char32_t c) const {
    auto it = std::lower_bound(bytes.begin(), bytes.end(), c, [](const auto& e, char32_t v) { return e.first < v; });
    return it != bytes.end() && it->first == c ? it->second : 0;
  }
};

const UpperHalf& Half(StlTable t) {
  static const UpperHalf cyrillic("ISO-8859-5"), arabic("ISO-8859-6"), greek("ISO-8859-7"),
      hebrew("ISO-8859-8");
  switch (t) {
    case StlTable::Cyrillic: return cyrillic;
    case StlTable::Arabic: return arabic;
    case StlTable::Greek: return greek;
    default: return hebrew;
  }
}

bool IsCombining(char32_t c) { return c >= 0x0300 && c <= 0x036F; }

void Miss(std::vector<char32_t>& unmappable, char32_t c) {
  if (std::find(unmappable.begin(), unmappable.end(), c) == unmappable.end()) unmappable.push_back(c);
}

// The row's code points split into letters and diacritics (NFD). ASCII and the accented
// letters of Latin-1 and Latin Extended-A, followed by no combining mark, come from a
// table ICU fills once; any other row goes through ICU's normaliser whole, so the result
// is NFD's in every case.
std::u32string DecomposeLatin(std::string_view row) {
  struct Pair {
    char32_t base = 0, mark = 0;  // base 0: the letter stands as it is
  };
  static const auto* nfd = [] {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* n = icu::Normalizer2::getNFDInstance(status);
    return U_SUCCESS(status) ? n : nullptr;
  }();
  static const auto table = [] {
    std::array<Pair, 0x180 - 0xC0> t{};
    for (char32_t c = 0xC0; c < 0x180; ++c) {
      icu::UnicodeString d;
      if (nfd && nfd->getDecomposition(static_cast<UChar32>(c), d) && d.length() == 2)
        t[c - 0xC0] = {static_cast<char32_t>(d.charAt(0)), static_cast<char32_t>(d.charAt(1))};
    }
    return t;
  }();
  std::u32string cps = Utf8ToUtf32(row);
  std::u32string out;
  out.reserve(cps.size() + 8);
  for (std::size_t i = 0; i < cps.size(); ++i) {
    const char32_t c = cps[i];
    if (c < 0x80) {
      out.push_back(c);
      continue;
    }
    const bool markAfter = i + 1 < cps.size() && cps[i + 1] >= 0x80 && nfd &&
                           !nfd->hasBoundaryBefore(static_cast<UChar32>(cps[i + 1]));
    if (!markAfter && c >= 0xC0 && c < 0x180 && table[c - 0xC0].base) {
      out.push_back(table[c - 0xC0].base);
      out.push_back(table[c - 0xC0].mark);
    } else if (!markAfter && nfd && nfd->isInert(static_cast<UChar32>(c))) {
      out.push_back(c);
    } else {
      return Utf8ToUtf32(DecomposeNfd(row));
    }
  }
  return out;
}

// An ASCII row (most rows of most files) converted byte by byte, with the rules of
// EncodeChars below for the characters it holds; false, leaving `out` as it was, for a row
// with any other character.
bool EncodeAsciiChars(std::string_view row, const StlTextLayout& l, bool markup, std::string& out) {
  // Printable characters that every table holds at their ASCII places go over in runs.
  auto plain = [](unsigned char c) { return c >= 0x20 && c < 0x7F && c != '<' && c != '>' && c != '$'; };
  const std::size_t start = out.size();
  for (std::size_t i = 0; i < row.size(); ++i) {
    const std::size_t run = i;
    while (i < row.size() && plain(static_cast<unsigned char>(row[i]))) ++i;
    out.append(row.data() + run, i - run);
    if (i == row.size()) break;
    const char ch = row[i];
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x80) {
      out.resize(start);
      return false;
    }
    if (c >= 1 && c <= 7) {
      if (markup && l.colours) out.push_back(ch);
    } else if (c < 0x20 || c == 0x7F) {
      // stray control characters carry nothing
    } else if (markup && !l.literalItalics && (c == '<' || c == '>')) {
      out.push_back(static_cast<char>(c == '<' ? stl::kItalicOn : stl::kItalicOff));
    } else if (c == '$' && l.table == StlTable::Latin) {
      out.push_back(static_cast<char>(Iso6937Byte(c)));
    } else {
      out.push_back(ch);
    }
  }
  return true;
}

// Converts the characters of one row (no CR LF inside).
void EncodeChars(std::string_view row, const StlTextLayout& l, bool markup, std::string& out,
                 std::vector<char32_t>& unmappable) {
  if (EncodeAsciiChars(row, l, markup, out)) return;
  bool latin = l.table == StlTable::Latin;
  // Latin letters are split into letter and diacritic; the 8859 parts hold their accented
  // letters precomposed, so their text is composed instead.
  std::u32string cps = latin ? DecomposeLatin(row) : Utf8ToUtf32(ComposeNfc(row));
  for (std::size_t i = 0; i < cps.size(); ++i) {
    char32_t c = cps[i];
    char32_t mark = (latin && i + 1 < cps.size() && IsCombining(cps[i + 1])) ? cps[i + 1] : 0;
    // A markup character held as a literal is written as the character itself.
    bool literal = false;
    if (c >= 0xE000 && c < 0xE080 && IsMarkupChar(static_cast<char>(c - 0xE000))) {
      c -= 0xE000;
      literal = true;
    }
    if (c >= 1 && c <= 7) {
      if (markup && l.colours && !literal) out.push_back(static_cast<char>(c));
      continue;
    }
    if (c < 0x20 || c == 0x7F) continue;  // stray control characters carry nothing
    if (markup && !literal && !l.literalItalics && (c == '<' || c == '>')) {
      out.push_back(static_cast<char>(c == '<' ? stl::kItalicOn : stl::kItalicOff));
      continue;
    }
    if (c == 0x2026) {  // horizontal ellipsis: the table has none
      out += "...";
      continue;
    }
    if (c == 0x2013 || c == 0x2014) {
      if (latin && !l.dashesAsHyphens) out.push_back(static_cast<char>(0xD0));
      else out.push_back('-');
      continue;
    }
    if (latin) {
      if (c == 0x00BA) {  // masculine ordinal: written as the degree sign
        out.push_back(static_cast<char>(0xB0));
      } else if (mark && AppendIso6937(c, mark, out)) {
        ++i;
      } else if (!AppendIso6937(c, 0, out)) {
        Miss(unmappable, c);
      }
      while (i + 1 < cps.size() && IsCombining(cps[i + 1])) Miss(unmappable, cps[++i]);
      continue;
    }
    if (c < 0x7F) {  // "$" keeps its ASCII place in the non-Latin tables
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (const std::uint8_t b = Half(l.table).ByteOf(c)) out.push_back(static_cast<char>(b));
    else Miss(unmappable, c);
  }
}

// Leading spaces of a row go, also those after the colour codes and italics or underline
// markers that open it ("\x06   soon" is "\x06soon"). In place: the markers kept move
// forward over the spaces.
void TrimLeadingSpaces(std::string& r) {
  std::size_t kept = 0, k = 0;
  for (; k < r.size(); ++k) {
    const char c = r[k];
    if (c == ' ') continue;
    if (!IsColourCode(c) && c != kItalicOn && c != kUnderlineOn) break;
    r[kept++] = c;
  }
  r.erase(kept, k - kept);
}

// Whether UTF-8 text holds a combining mark of U+0300-U+036F (lead byte 0xCC or 0xCD):
// a row without one is already composed.
bool HasCombiningMark(std::string_view s) {
  return std::any_of(s.begin(), s.end(), [](char c) { return c == '\xCC' || c == '\xCD'; });
}

bool IsTrailingSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }  // " \t\n\v\f\r"

void Push(std::string& s, std::uint8_t b, int n = 1) { s.append(static_cast<std::size_t>(n), static_cast<char>(b)); }

// Appends one decoded character of a row; returns the number of bytes used.
std::size_t DecodeChar(std::span<const std::uint8_t> b, std::size_t i, StlTable table, std::string& out) {
  std::uint8_t c = b[i];
  if (c == 0xA0) {
    out.push_back(' ');
    return 1;
  }
  if (table == StlTable::Latin) {
    if (Iso6937Diacritic(c)) {
      if (i + 1 >= b.size()) return 1;  // an accent with no letter after it
      AppendIso6937Accented(c, b[i + 1], out);
      return 2;
    }
    if (char32_t u = Iso6937Char(c)) AppendUtf8(out, u);
    return 1;
  }
  if (c >= 0x20 && c < 0x7F) out.push_back(static_cast<char>(c));
  else if (c >= 0xA0 && Half(table).chars[c - 0xA0]) AppendUtf8(out, Half(table).chars[c - 0xA0]);
  return 1;
}

}  // namespace

StlTable StlTableForCharset(int cs) {
  switch (cs) {
    case 204: return StlTable::Cyrillic;
    case 178: return StlTable::Arabic;
    case 161: return StlTable::Greek;
    case 177: return StlTable::Hebrew;
    default: return StlTable::Latin;
  }
}

std::int16_t CharsetForStlTable(StlTable t) {
  switch (t) {
    case StlTable::Cyrillic: return 204;
    case StlTable::Arabic: return 178;
    case StlTable::Greek: return 161;
    case StlTable::Hebrew: return 177;
    default: return 0;
  }
}

std::string StlTableCode(StlTable t) { return "0" + std::to_string(static_cast<int>(t)); }

StlTable StlTableFromCode(std::string_view cct) {
  std::string c = Trim(cct);
  if (c == "01") return StlTable::Cyrillic;
  if (c == "02") return StlTable::Arabic;
  if (c == "03") return StlTable::Greek;
  if (c == "04") return StlTable::Hebrew;
  return StlTable::Latin;
}

std::string EncodeStlText(std::string_view text, const StlTextLayout& l, std::vector<char32_t>& unmappable) {
  std::string start, end;
  if (l.doubleHeight || l.screenEbu) Push(start, stl::kDoubleHeight);
  if (l.blockMarkers) Push(start, stl::kStartBox, 2);
  if (l.indent) start += "   ";
  if (l.boxing) Push(start, stl::kBoxingOn);
  if (l.italic) Push(start, stl::kItalicOn);
  if (l.italic) Push(end, stl::kItalicOff);
  if (l.boxing) Push(end, stl::kBoxingOff);
  if (l.blockMarkers) Push(end, stl::kEndBox, 2);
  std::string lineFeed(l.doubleHeight && l.doubleHeightCr ? 2 : 1, static_cast<char>(stl::kNewline));

  std::string out;
  out.reserve(text.size() + 16);
  for (std::size_t r = 0, from = 0;; ++r) {
    const std::size_t crlf = text.find(kCrLf, from);
    const std::string_view row = text.substr(from, crlf == std::string_view::npos ? crlf : crlf - from);
    if (r > 0) out += end + lineFeed;
    out += start;
    std::size_t rowStart = out.size();
    // Without colours a code that parted two words leaves the space its cell made.
    if (l.colours) EncodeChars(row, l, true, out, unmappable);
    else EncodeChars(ColoursAsSpaces(row), l, true, out, unmappable);
    char colour = r < l.rowColours.size() ? l.rowColours[r] : '0';
    if (l.colours && colour >= '1' && colour <= '7') {
      char code = static_cast<char>(colour - '0');
      if (out.size() == rowStart || out[rowStart] != code) out.insert(out.begin() + rowStart, code);
    }
    if (crlf == std::string_view::npos) break;
    from = crlf + 2;
  }
  out += end;
  return out;
}

std::string EncodeStlPlain(std::string_view text, StlTable table, std::vector<char32_t>& unmappable) {
  StlTextLayout l;
  l.table = table;
  std::string out;
  std::vector<std::string> rows = SplitRows(text);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (r > 0) out.push_back(' ');
    EncodeChars(rows[r], l, false, out, unmappable);
  }
  return out;
}

std::vector<std::string> DecodeStlRows(std::span<const std::uint8_t> b, const StlTextDecoding& d) {
  std::vector<std::string> rows;
  std::string row;
  bool framed = false;  // the row holds teletext framing (double height, boxes)
  auto finish = [&] {
    // Colour codes are read even when colours are off: each takes a character cell, so a
    // code that parts two words leaves a space between them.
    if (!d.colours && std::any_of(row.begin(), row.end(), IsColourCode)) row = ColoursAsSpaces(row);
    std::size_t end = row.size();
    while (end > 0 && IsTrailingSpace(row[end - 1])) --end;
    row.erase(end);
    if (framed || d.trimLeading) TrimLeadingSpaces(row);
    // Accented letters are composed as they are read; only a letter Unicode has no
    // composed form for leaves a mark to normalise.
    rows.push_back(HasCombiningMark(row) ? ComposeNfc(row) : std::move(row));
    row.clear();
    framed = false;
  };
  for (std::size_t i = 0; i < b.size();) {
    std::uint8_t c = b[i];
    if (c == stl::kNewline) {
      finish();
      i += (i + 1 < b.size() && b[i + 1] == stl::kNewline) ? 2 : 1;
      continue;
    }
    if (c < 0x20) {
      if (c >= 1 && c <= 7) row.push_back(static_cast<char>(c));
      if (c == stl::kStartBox || c == stl::kEndBox || c == stl::kDoubleHeight) framed = true;
      ++i;
      continue;
    }
    if (c >= 0x80 && c < 0xA0) {
      if (c == stl::kItalicOn) row.push_back('<');
      // Italics switched off before anything is written is left over from the last row.
      if (c == stl::kItalicOff && row.find_first_not_of(" \t\r\n\f\v") != std::string::npos) row.push_back('>');
      if (c == stl::kUnderlineOn) row.push_back('[');
      if (c == stl::kUnderlineOff) row.push_back(']');
      ++i;
      continue;
    }
    // Printable ASCII is itself in every table: a run of it goes over at once.
    if (c < 0x7F && !IsMarkupChar(static_cast<char>(c))) {
      const std::size_t from = i;
      while (i < b.size() && b[i] >= 0x20 && b[i] < 0x7F && !IsMarkupChar(static_cast<char>(b[i]))) ++i;
      row.append(reinterpret_cast<const char*>(b.data() + from), i - from);
      continue;
    }
    // A "<", ">", "[" or "]" written as a character is a character, not markup.
    const std::size_t before = row.size();
    i += DecodeChar(b, i, d.table, row);
    if (row.size() == before + 1 && IsMarkupChar(row.back())) {
      const char lit = row.back();
      row.pop_back();
      row += LiteralStandIn(lit);
    }
  }
  finish();
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  while (!rows.empty() && rows.front().empty()) rows.erase(rows.begin());
  return rows;
}

std::string DecodeStlPlain(std::span<const std::uint8_t> b, StlTable table) {
  std::string out;
  for (std::size_t i = 0; i < b.size();) {
    std::uint8_t c = b[i];
    if (c < 0x20 || (c >= 0x80 && c < 0xA0)) {
      if (c == stl::kNewline && !out.empty() && out.back() != ' ') out.push_back(' ');
      ++i;
      continue;
    }
    i += DecodeChar(b, i, table, out);
  }
  return ComposeNfc(Trim(out));
}

}  // namespace kipo
