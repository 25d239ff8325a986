#include "platform/text_util.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kipo {

std::vector<std::string> SplitRows(std::string_view text) {
  std::vector<std::string> rows;
  std::size_t start = 0;
  while (true) {
    std::size_t p = text.find(kCrLf, start);
    if (p == std::string_view::npos) {
      rows.emplace_back(text.substr(start));
      return rows;
    }
    rows.emplace_back(text.substr(start, p - start));
    start = p + 2;
  }
}

std::string JoinRows(const std::vector<std::string>& rows) {
  std::string out;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i) out += kCrLf;
    out += rows[i];
  }
  return out;
}

std::vector<std::string> SplitLines(std::string_view text) {
  // Each line is copied once, whole; the table is made large enough at the start (one
  // line per line feed, more only for files that end lines with a lone CR).
  std::vector<std::string> lines;
  std::size_t count = 1;
  const char* const end = text.data() + text.size();
  for (const char* q = text.data(); (q = static_cast<const char*>(std::memchr(q, '\n', end - q))); ++q) ++count;
  lines.reserve(count);
  std::size_t from = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(text.substr(from, i - from));
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    from = i + 1;
  }
  lines.emplace_back(text.substr(from));
  return lines;
}

static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }
std::string TrimRight(std::string_view s) {
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return std::string(s);
}
std::string TrimLeft(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  return std::string(s);
}

std::string ToUpperAscii(std::string_view s) {
  std::string o(s);
  for (char& c : o)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return o;
}
std::string ToLowerAscii(std::string_view s) {
  std::string o(s);
  for (char& c : o)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return o;
}

bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }
bool EndsWith(std::string_view s, std::string_view p) {
  return s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}
bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

std::string ReplaceAll(std::string s, std::string_view from, std::string_view to) {
  if (from.empty()) return s;
  std::size_t p = 0;
  while ((p = s.find(from, p)) != std::string::npos) {
    s.replace(p, from.size(), to);
    p += to.size();
  }
  return s;
}

long LeadingNumber(std::string_view s) {
  long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') break;
    if (v > 100000000000L) break;  // far beyond any label; stop before overflow
    v = v * 10 + (c - '0');
  }
  return v;
}

bool ParseInt(std::string_view s, long& out) {
  std::string t = Trim(s);
  if (t.empty()) return false;
  const char* b = t.data();
  if (*b == '+') ++b;
  auto r = std::from_chars(b, t.data() + t.size(), out);
  return r.ec == std::errc() && r.ptr == t.data() + t.size();
}

std::string NumberText(long n) { return n >= 0 ? " " + std::to_string(n) : std::to_string(n); }

std::string ZeroPad(long n, int digits) {
  // Small non-negative numbers (frames, milliseconds, subtitle numbers) are the common case:
  // written straight into the string's own buffer.
  if (n >= 0 && n < 100000 && digits <= 5) {
    char buf[5];
    int len = 0;
    for (long v = n; v > 0 || len == 0; v /= 10) buf[len++] = static_cast<char>('0' + v % 10);
    std::string s(static_cast<std::size_t>(std::max(len, digits)), '0');
    for (int i = 0; i < len; ++i) s[s.size() - 1 - static_cast<std::size_t>(i)] = buf[i];
    return s;
  }
  std::string s = std::to_string(n < 0 ? -n : n);
  if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
  return n < 0 ? "-" + s : s;
}

std::string UpperExtension(std::string_view path) {
  std::string ext = std::filesystem::path(path).extension().string();
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  return ToUpperAscii(ext);
}

}  // namespace kipo
