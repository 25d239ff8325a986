#include "formats/cinema/z_offsets.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

// Splits a line at tabs, or at runs of spaces when it has no tab.
std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> out;
  const char sep = line.find('\t') != std::string_view::npos ? '\t' : ' ';
  std::string cur;
  for (char c : line) {
    if (c == sep) {
      if (sep == '\t' || !cur.empty()) out.push_back(Trim(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty() || sep == '\t') out.push_back(Trim(cur));
  return out;
}

bool ParseNumber(std::string_view s, double& v) {
  std::string t = ReplaceAll(Trim(s), ",", ".");  // "1,50" from a decimal-comma locale
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  return !t.empty() && ec == std::errc() && p == t.data() + t.size() && std::isfinite(v) && std::abs(v) <= 100;
}

bool ParseNumber(std::string_view s, int& v) {
  long n = 0;
  if (!ParseInt(Trim(s), n) || n < 1 || n > 32767) return false;
  v = static_cast<int>(n);
  return true;
}

UserError BadLine(std::string_view file, std::string_view expected, std::size_t lineNo, std::string_view line) {
  return InvalidFileFormat("Line " + std::to_string(lineNo) + " of the " + std::string(file) + " file is not " +
                           std::string(expected) + ": " + std::string(line.substr(0, 60)));
}

std::string FileText(const std::filesystem::path& path) {
  auto bytes = ReadFileBytes(path, std::uintmax_t(4) << 20);
  std::string text(bytes.begin(), bytes.end());
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  return text;
}

}  // namespace

std::string ZOffsetText(double offset) {
  char b[32];
  std::snprintf(b, sizeof b, "%.2f", offset);
  std::string s = b;
  if (s == "-0.00") s = "0.00";
  return s;
}

std::string ZOffsetLabel(double offset) { return "Z offset: " + ZOffsetText(offset) + "%"; }

std::string ZOffsetsText(const ZOffsets& z) {
  std::string out;
  for (const auto& [n, v] : z)
    if (ZOffsetText(v) != "0.00") out += std::to_string(n) + "\t" + ZOffsetText(v) + "\r\n";
  return out;
}

ZOffsets ParseZOffsets(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  ZOffsets z;
  std::size_t lineNo = 0;
  for (const std::string& line : SplitLines(text)) {
    ++lineNo;
    if (Trim(line).empty()) continue;
    auto f = Fields(line);
    int n = 0;
    double v = 0;
    if (f.size() != 2 || !ParseNumber(f[0], n) || !ParseNumber(f[1], v)) throw BadLine("Z offsets", "a subtitle number and an offset", lineNo, line);
    z[n] = v;
  }
  return z;
}

void ApplyZRanges(ZOffsets& z, std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::size_t lineNo = 0;
  for (const std::string& line : SplitLines(text)) {
    ++lineNo;
    if (Trim(line).empty()) continue;
    auto f = Fields(line);
    int first = 0, last = 0;
    double v = 0;
    if (f.size() != 3 || !ParseNumber(f[0], first) || !ParseNumber(f[1], last) || last < first ||
        !ParseNumber(f[2], v))
      throw BadLine("Z ranges", "a range of subtitle numbers and an offset", lineNo, line);
    for (int n = first; n <= last; ++n) z[n] = v;
  }
}

ZOffsets LoadZOffsetsFile(const std::filesystem::path& path) { return ParseZOffsets(FileText(path)); }
void SaveZOffsetsFile(const std::filesystem::path& path, const ZOffsets& z) { WriteFileAtomic(path, ZOffsetsText(z)); }
void LoadZRangesFile(const std::filesystem::path& path, ZOffsets& z) {
  ZOffsets copy = z;
  ApplyZRanges(copy, FileText(path));
  z = std::move(copy);
}

}  // namespace kipo
