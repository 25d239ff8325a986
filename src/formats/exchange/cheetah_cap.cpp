#include "formats/exchange/cheetah_cap.h"

#include <algorithm>
#include <array>

#include "formats/exchange/script_text.h"
#include "platform/encoding.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr ScriptMarks kMarks{"\x0E", "\x0F", "\x1C", "\x1D", "\r\n"};
constexpr const char* kNotCap = "This is not a valid Cheetah CAP file.";
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kMaxCapRows = 255;

bool IsMark(char c) { return c == '\x0E' || c == '\x0F' || c == '\x1C' || c == '\x1D'; }

void WriteCue(ByteWriter& w, const Cue& cue) {
  if (!cue.IsSet()) {
    w.u32le(0xFFFFFFFF);
    return;
  }
  const std::string& d = cue.digits();
  for (int i = 0; i < 4; ++i)
    w.u8(static_cast<std::uint8_t>((d[static_cast<std::size_t>(2 * i)] - '0') * 10 + (d[static_cast<std::size_t>(2 * i + 1)] - '0')));
}

// A cue's four bytes as digits; nullopt for a label the rate cannot have.
std::optional<Cue> ReadCue(ByteReader& r, const FrameRate& rate, bool& unset) {
  std::uint8_t b[4];
  for (auto& v : b) v = r.u8();
  unset = b[0] == 0xFF && b[1] == 0xFF && b[2] == 0xFF && b[3] == 0xFF;
  if (unset) return Cue{};
  char digits[8];
  for (int i = 0; i < 4; ++i) {
    if (b[i] > 99) return std::nullopt;
    digits[2 * i] = static_cast<char>('0' + b[i] / 10);
    digits[2 * i + 1] = static_cast<char>('0' + b[i] % 10);
  }
  const std::string_view cue(digits, 8);
  if (!IsValidCue(cue, rate)) return std::nullopt;
  return Cue(cue);
}

// Windows-1252 text as UTF-8. The code page has one byte a character, so each byte's
// character is asked of ICU once, not a converter opened for every row.
void AppendCp1252(std::string& out, std::string_view bytes) {
  static const auto kUtf8 = [] {
    std::array<std::string, 256> t;
    for (int b = 0; b < 256; ++b) t[static_cast<std::size_t>(b)] = CodePageToUtf8(std::string(1, static_cast<char>(b)), "windows-1252");
    return t;
  }();
  // Runs of bytes that stand for themselves (ASCII) are copied at once.
  std::size_t from = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::string& u = kUtf8[static_cast<unsigned char>(bytes[i])];
    if (u.size() == 1 && u[0] == bytes[i]) continue;
    out.append(bytes.substr(from, i - from));
    out += u;
    from = i + 1;
  }
  out.append(bytes.substr(from));
}

}  // namespace

Bytes WriteCheetahCap(const SubtitleDocument& doc, std::vector<std::string>& warnings) {
  ScriptTextWriter text("Cheetah CAP", kMarks);
  ByteWriter w(kHeaderSize + doc.Count() * 64);
  w.field("CAP", 4, 0);
  w.u16le(1);
  w.u16le(static_cast<std::uint16_t>(doc.frameRate().code));
  w.u16le(static_cast<std::uint16_t>(doc.Count()));
  w.fill(6, 0);
  std::vector<char32_t> unmappable;
  bool dropped = false, cut = false;
  for (const Subtitle& s : doc.Subtitles()) {
    std::vector<std::string> rows = text.Rows(s);
    if (rows.size() > kMaxCapRows) {
      rows.resize(kMaxCapRows);
      cut = true;
    }
    ByteWriter rec(64);
    WriteCue(rec, s.inCue);
    WriteCue(rec, s.outCue);
    rec.u8(static_cast<std::uint8_t>(std::clamp(s.alignment, 1, 4)));
    rec.u8(static_cast<std::uint8_t>(std::clamp<std::int32_t>(s.row, 0, 255)));
    rec.u8(static_cast<std::uint8_t>(rows.size()));
    for (const std::string& row : rows) {
      // Control characters other than the style marks have no place in a caption row.
      std::string clean;
      for (char c : row) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && !IsMark(c)) || u == 0x7F) dropped = true;
        else clean += c;
      }
      std::string bytes = Utf8ToCodePage(clean, "windows-1252", &unmappable);
      if (bytes.size() > 0xFFFF) {
        bytes.resize(0xFFFF);
        cut = true;
      }
      rec.u16le(static_cast<std::uint16_t>(bytes.size()));
      rec.field(bytes, bytes.size(), 0);
    }
    Bytes body = rec.take();
    if (body.size() > 0xFFFF) {
      body.resize(0xFFFF);
      cut = true;
    }
    w.u16le(static_cast<std::uint16_t>(body.size()));
    w.bytes(body);
  }
  text.Finish(warnings);
  if (!unmappable.empty())
    warnings.push_back("Cheetah CAP files hold Windows-1252 characters: " + std::to_string(unmappable.size()) +
                       " other characters written as \"?\"");
  if (dropped) warnings.push_back("Control characters cannot be written to a Cheetah CAP file; left out");
  if (cut) warnings.push_back("Text too long for a Cheetah CAP record was cut");
  return w.take();
}

SubtitleDocument ReadCheetahCap(std::span<const std::uint8_t> bytes, std::vector<std::string>& warnings) {
  if (bytes.size() < kHeaderSize || std::string_view(reinterpret_cast<const char*>(bytes.data()), 4) != std::string_view("CAP\0", 4))
    throw InvalidFileFormat(kNotCap);
  ByteReader r(bytes);
  r.skip(4);
  const ScriptMarkupReader markup(kMarks);
  const std::uint16_t version = r.u16le();
  const std::uint16_t code = r.u16le();
  const std::uint16_t count = r.u16le();
  r.skip(6);
  if (version != 1) warnings.push_back("Cheetah CAP layout version " + std::to_string(version) + " read as version 1");
  std::optional<FrameRate> rate = FrameRate::FromCode(code);
  if (!rate) {
    warnings.push_back("The file's frame rate code " + std::to_string(code) + " is unknown; read at 25 fps");
    rate = FrameRate::FromCode(25);
  }
  CueCollector cues(warnings);
  int badCues = 0;
  bool shortFile = false;
  for (std::uint16_t i = 0; i < count; ++i) {
    if (r.remaining() < 2) {
      shortFile = true;
      break;
    }
    const std::size_t length = r.u16le();
    if (length > r.remaining() || length < 11) {
      shortFile = true;
      break;
    }
    ByteReader rec(r.bytes(length));
    Subtitle s;
    bool unsetIn = false, unsetOut = false;
    std::optional<Cue> in = ReadCue(rec, *rate, unsetIn);
    std::optional<Cue> out = ReadCue(rec, *rate, unsetOut);
    if (!in || !out) ++badCues;
    s.inCue = in.value_or(Cue{});
    s.outCue = out.value_or(Cue{});
    const std::uint8_t align = rec.u8();
    s.alignment = align >= 1 && align <= 4 ? static_cast<int>(align) : static_cast<int>(AlignCentre);
    s.row = std::min<std::int32_t>(rec.u8(), static_cast<std::int32_t>(kMaxRows));  // the screen has no rows above
    const std::uint8_t rows = rec.u8();
    std::string text;
    try {
      for (std::uint8_t k = 0; k < rows; ++k) {
        const std::size_t n = rec.u16le();
        const std::string raw = rec.raw(n);
        if (k) text += "\r\n";
        AppendCp1252(text, raw);
      }
    } catch (const ReadError&) {
      shortFile = true;
    }
    s.text = markup(text);
    if (!cues.Add(std::move(s))) break;
    if (shortFile) break;
  }
  if (shortFile) warnings.push_back("The Cheetah CAP file ends inside a caption; the captions before it were read");
  if (badCues) warnings.push_back(std::to_string(badCues) + " cues that are not timecodes at the file's rate were left unset");
  return cues.Finish(*rate, kNotCap, count == 0);
}

}  // namespace kipo
