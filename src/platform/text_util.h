#pragma once
// Small string helpers shared by every module. Text is UTF-8; rows are separated by CR LF.
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

inline constexpr std::string_view kCrLf = "\r\n";

// Splits text at CR LF (the row separator). An empty text has one empty row.
std::vector<std::string> SplitRows(std::string_view text);
std::string JoinRows(const std::vector<std::string>& rows);
// Splits at any line end (CR LF, LF or a lone CR), as files from other systems carry.
std::vector<std::string> SplitLines(std::string_view text);

std::string Trim(std::string_view s);
std::string TrimRight(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string ToUpperAscii(std::string_view s);
std::string ToLowerAscii(std::string_view s);
bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
std::string ReplaceAll(std::string s, std::string_view from, std::string_view to);
// True when s holds any of the characters of `set`. Unlike std::string_view::find_first_of,
// which calls memchr once per character of s, this is one pass: it matters on every row
// of a 30,000-subtitle file.
inline bool ContainsAnyOf(std::string_view s, std::string_view set) {
  bool in[256] = {};
  for (char x : set) in[static_cast<unsigned char>(x)] = true;
  for (char c : s)
    if (in[static_cast<unsigned char>(c)]) return true;
  return false;
}

// The leading digits of s as a number, 0 when there are none (non-digits stop the
// conversion, as labels with stray characters are read).
long LeadingNumber(std::string_view s);
// Parses a whole decimal integer; false when s is not one.
bool ParseInt(std::string_view s, long& out);

// A number as the platform's number-to-text conversion gives it: a leading space before a
// positive number or zero ("Str"), a minus sign before a negative one.
std::string NumberText(long n);
// A number with at least `digits` digits and leading zeros (0012).
std::string ZeroPad(long n, int digits);

// Upper-cased extension without the dot ("KPOX" for film.kpox); empty when there is none.
std::string UpperExtension(std::string_view path);

}  // namespace kipo
