#include "formats/exchange/cue_text.h"

#include "platform/text_util.h"

namespace kipo {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void Two(std::string& out, int v) {
  out += static_cast<char>('0' + (v / 10) % 10);
  out += static_cast<char>('0' + v % 10);
}

// Up to `max` digits; returns the count read.
int Digits(std::string_view& s, int max, int& value) {
  int n = 0;
  value = 0;
  while (n < max && n < static_cast<int>(s.size()) && IsDigit(s[n])) value = value * 10 + (s[n++] - '0');
  s.remove_prefix(n);
  return n;
}

}  // namespace

std::string MillisCueText(std::string_view d, char sep, const FrameRate& rate, int hoursDigits) {
  if (d.size() != 8) return {};
  std::string out;
  out.reserve(12);
  if (hoursDigits == 1) out += d[1];
  else out.append(d.substr(0, 2));
  out += ':';
  out.append(d.substr(2, 2));
  out += ':';
  out.append(d.substr(4, 2));
  out += sep;
  int ff = 0;
  for (char c : d.substr(6, 2)) ff = ff * 10 + (IsDigit(c) ? c - '0' : 0);
  out += FramesToMillis(ff, rate);
  return out;
}

std::optional<ClockTime> ReadClockTime(std::string_view& s) {
  std::string_view p = s;
  while (!p.empty() && (p.front() == ' ' || p.front() == '\t')) p.remove_prefix(1);
  int f[3] = {0, 0, 0};
  int count = 0;
  for (;;) {
    int v = 0;
    int n = Digits(p, count == 0 ? 3 : 2, v);
    if (n == 0) return std::nullopt;
    f[count++] = v;
    if (count == 3 || p.empty() || p.front() != ':') break;
    // "HH:MM:SS:mmm" (a colon before the milliseconds) also occurs; three fields read.
    p.remove_prefix(1);
  }
  if (count < 2) return std::nullopt;
  ClockTime t;
  if (count == 3) {
    t.hours = f[0];
    t.minutes = f[1];
    t.seconds = f[2];
  } else {
    t.minutes = f[0];
    t.seconds = f[1];
  }
  if (t.hours > 99 || t.minutes > 59 || t.seconds > 59) return std::nullopt;
  if (!p.empty() && (p.front() == ',' || p.front() == '.' || p.front() == ':')) {
    p.remove_prefix(1);
    int v = 0;
    int n = Digits(p, 3, v);
    // "5" means 500 ms, "05" 50 ms; more than three digits are cut.
    for (int i = n; i < 3; ++i) v *= 10;
    t.millis = v;
    while (!p.empty() && IsDigit(p.front())) p.remove_prefix(1);
  }
  s = p;
  return t;
}

CueDigits ClockToDigits(const ClockTime& t, const FrameRate& rate) {
  CueDigits d;
  d.reserve(8);
  Two(d, t.hours);
  Two(d, t.minutes);
  Two(d, t.seconds);
  d += MillisToFrames(t.millis, rate);
  return d;
}

std::optional<TimingLine> ReadArrowTimingLine(std::string_view line, const FrameRate& rate) {
  std::size_t arrow = line.find("-->");
  if (arrow == std::string_view::npos) return std::nullopt;
  std::string_view left = line.substr(0, arrow);
  auto in = ReadClockTime(left);
  if (!in || !IsBlank(left)) return std::nullopt;
  TimingLine t;
  t.in = ClockToDigits(*in, rate);
  std::string_view right = line.substr(arrow + 3);
  if (auto out = ReadClockTime(right)) t.out = ClockToDigits(*out, rate);
  else if (!IsBlank(right)) return std::nullopt;
  return t;
}

std::vector<std::string_view> SplitAnyLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

bool IsBlank(std::string_view line) {
  for (char c : line)
    if (c != ' ' && c != '\t') return false;
  return true;
}

bool IsCueNumber(std::string_view line) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  std::string_view t = line;
  if (t.empty() || t.size() > 9) return false;
  for (char c : t)
    if (!IsDigit(c)) return false;
  return true;
}

std::string_view StripBomChar(std::string_view text) {
  if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
  return text;
}

std::string TagsToMarkup(std::string_view line) {
  if (line.find('<') == std::string_view::npos) return std::string(line);
  std::string out;
  out.reserve(line.size());
  std::size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == '<') {
      std::size_t close = line.find('>', i + 1);
      if (close != std::string_view::npos && close - i <= 64) {
        std::string tag = ToLowerAscii(line.substr(i + 1, close - i - 1));
        bool end = !tag.empty() && tag[0] == '/';
        std::string name = end ? tag.substr(1) : tag;
        std::size_t sp = name.find_first_of(" .\t");
        if (sp != std::string::npos) name.resize(sp);
        static const char* kKnown[] = {"i", "b", "u", "font", "c", "v", "lang", "ruby", "rt", "s"};
        bool known = false;
        for (const char* k : kKnown) known = known || name == k;
        if (known) {
          if (name == "i") out += end ? '>' : '<';
          else if (name == "u") out += end ? ']' : '[';
          i = close + 1;
          continue;
        }
      }
    }
    out += c;
    ++i;
  }
  return out;
}

}  // namespace kipo
