#include "formats/broadcast/scan890.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "core/markup.h"
#include "core/rich_text.h"
#include "formats/broadcast/scan890_tables.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

// Widths of the 38 header fields, in order (372 bytes; bytes 372-383 carry nothing).
constexpr std::array<std::uint8_t, 38> kFieldWidths = {2, 20, 10, 8, 28, 28, 9, 11, 9, 8, 1, 1, 1, 1, 1, 1, 1, 6, 2,
                                                       24, 2, 4, 1, 6, 16, 1, 2, 1, 1, 28, 8, 2, 11, 26, 28, 10, 17, 36};
constexpr std::size_t kCreatedField = 11;  // six one-byte fields: YY MM DD hh mm ss
constexpr std::size_t kFontField = 24;
struct TextField {
  std::size_t index;
  const char* key;
};
constexpr TextField kTextFields[] = {
    {1, k890TapeNumber},  {4, k890TranslatedProgrammeTitle}, {5, k890Translator},
    {7, k890TranslatedEpisodeTitle}, {19, k890Comments},     {29, k890OriginalProgrammeTitle},
};

constexpr std::size_t kUpperRow = 20, kRowGap = 71, kLowerRow = 77;
constexpr std::uint8_t kFill = 0x7F;
constexpr std::uint8_t kItalicOnByte = 0x88, kItalicOffByte = 0x98;
constexpr std::uint8_t kTwoRows = 0x80;
constexpr std::size_t kMaxNumber = 4095;
constexpr std::uint32_t kMaxFrames = 0xFFFFFF;

std::size_t FieldOffset(std::size_t index) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < index; ++i) at += kFieldWidths[i];
  return at;
}

const TextField* FindTextField(std::size_t index) {
  for (const TextField& f : kTextFields)
    if (f.index == index) return &f;
  return nullptr;
}

std::string FieldKey(std::size_t index) { return "890.Field" + std::to_string(index); }

std::string ToHex(std::span<const std::uint8_t> b) {
  std::string s;
  char h[4];
  for (std::uint8_t v : b) {
    std::snprintf(h, sizeof h, "%02X", v);
    s += h;
  }
  return s;
}

int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool FromHex(std::string_view s, std::size_t width, std::vector<std::uint8_t>& out) {
  std::string digits;
  for (char c : s)
    if (c != ' ') digits += c;
  if (digits.size() != width * 2) return false;
  out.clear();
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int hi = Nibble(digits[i]), lo = Nibble(digits[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
  }
  return true;
}

const ByteCharset& TableFor(std::int16_t cs) {
  switch (cs) {
    case 204: return Scan890CyrillicCharset();
    case 178: return Scan890ArabicCharset();
    default: return Scan890LatinCharset();
  }
}

std::int16_t CharsetForFont(std::string_view font) {
  if (EqualsIgnoreCase(font, "KYRILL.V")) return 204;
  if (EqualsIgnoreCase(font, "ARABIC.V")) return 178;
  if (EqualsIgnoreCase(font, "GREEK3.V")) return 161;
  return 0;
}

int FontForCharset(std::int16_t cs) {
  switch (cs) {
    case 178: return 6;
    case 204: return 7;
    case 161: return 8;
    default: return 0;
  }
}

int AlignmentFromCode(std::uint8_t code) {
  switch (code) {
    case 0x80: case 0x16: case 0x81: case 0x50: case 0x40: return AlignLeft;
    case 0x82: case 0x42: case 0x52: return AlignRight;
    case 0xD2: case 0x56: return AlignCentreLeft;
    default: return AlignCentre;
  }
}

std::uint8_t CodeFromAlignment(int a) {
  switch (a) {
    case AlignLeft: return 0x50;
    case AlignRight: return 0x52;
    case AlignCentreLeft: return 0x56;
    default: return 0x54;
  }
}

std::string Label(std::size_t number) { return "Subtitle " + ZeroPad(static_cast<long>(number), 4); }

std::string DecodeRow(std::span<const std::uint8_t> raw, const ByteCharset& table, std::vector<std::uint8_t>& unknown) {
  std::size_t end = raw.size();
  while (end > 0 && raw[end - 1] == kFill) --end;
  std::string out;
  std::vector<std::uint8_t> run;
  auto flush = [&] {
    // Characters that are markup in the document ("[" has a byte of its own) are literals.
    if (!run.empty()) AppendEscaped(out, table.Decode(run, &unknown));
    run.clear();
  };
  for (std::size_t i = 0; i < end; ++i) {
    const std::uint8_t b = raw[i];
    if (b == kItalicOnByte || b == kItalicOffByte) {
      flush();
      out += b == kItalicOnByte ? kItalicOn : kItalicOff;
    } else if (b >= 0xF1 && b <= 0xF6) {
      flush();
      out += static_cast<char>(b - 0xF0);
    } else {
      run.push_back(b);
    }
  }
  flush();
  return out;
}

struct RowReport {
  std::vector<char32_t> unmappable;
  bool white = false;
  bool cut = false;
};

std::string EncodeRow(std::string_view row, const ByteCharset& table, RowReport& report) {
  std::string out;
  ScanMarkup(row, {}, [&](Mark m, std::string_view piece) {
    switch (m) {
      case Mark::ItalicOn: out += static_cast<char>(kItalicOnByte); break;
      case Mark::ItalicOff: out += static_cast<char>(kItalicOffByte); break;
      case Mark::Colour:
        if (piece[0] == 7) report.white = true;  // white is the default colour and has no code
        else out += static_cast<char>(0xF0 + piece[0]);
        break;
      // Text, and the underline and group markers the format has no code for, as characters.
      default: table.Encode(UnescapeLiterals(piece), out, &report.unmappable); break;
    }
  });
  if (out.size() > k890RowBytes) {
    report.cut = true;
    out.resize(k890RowBytes);
    // An accent without its letter would join the fill.
    while (!out.empty() && table.IsAccent(static_cast<std::uint8_t>(out.back()))) out.pop_back();
  }
  return out;
}

void ReadHeader(std::span<const std::uint8_t> header, SubtitleDocument& doc) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < kFieldWidths.size(); ++i) {
    auto bytes = header.subspan(at, kFieldWidths[i]);
    at += kFieldWidths[i];
    if (i >= kCreatedField && i < kCreatedField + 6) continue;
    if (const TextField* f = FindTextField(i); f || i == kFontField) {
      ByteReader r(bytes);
      const std::string text = CodePageToUtf8(r.field(bytes.size()), "windows-1252");
      if (!text.empty()) doc.SetProperty(f ? f->key : k890Font, text);
    } else if (std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; })) {
      doc.SetProperty(FieldKey(i), ToHex(bytes));
    }
  }
  char created[16];
  const std::size_t c = FieldOffset(kCreatedField);
  std::snprintf(created, sizeof created, "%02u%02u%02u%02u%02u%02u", header[c] % 100u, header[c + 1] % 100u,
                header[c + 2] % 100u, header[c + 3] % 100u, header[c + 4] % 100u, header[c + 5] % 100u);
  doc.SetProperty(k890CreationTime, created);
}

void WriteHeader(const SubtitleDocument& doc, const Scan890WriteOptions& options, ByteWriter& w, Warnings& warnings) {
  for (std::size_t i = 0; i < kFieldWidths.size(); ++i) {
    const std::size_t width = kFieldWidths[i];
    if (i >= kCreatedField && i < kCreatedField + 6) {
      w.u8(options.created[i - kCreatedField]);
    } else if (i == kFontField) {
      int font = options.font >= 0 && options.font < 9 ? options.font : FontForCharset(doc.characterSet());
      w.field(k890Fonts[static_cast<std::size_t>(font)], width);
    } else if (const TextField* f = FindTextField(i)) {
      const std::string text = Utf8ToCodePage(doc.Property(f->key), "windows-1252");
      if (text.size() > width)
        warnings.push_back(std::string("The 890 header field ") + (f->key + 4) + " was cut to" +
                           NumberText(static_cast<long>(width)) + " characters");
      w.field(text, width);
    } else {
      std::vector<std::uint8_t> bytes(width, 0);
      const std::string value = doc.Property(FieldKey(i));
      if (!value.empty() && !FromHex(value, width, bytes)) {
        warnings.push_back("The 890 header property " + FieldKey(i) + " is not " + std::to_string(width) +
                           " bytes in hexadecimal; zeros were written");
        bytes.assign(width, 0);
      }
      w.bytes(bytes);
    }
  }
  w.fill(k890HeaderSize - w.size(), 0x00);
}

}  // namespace

SubtitleDocument Read890(std::span<const std::uint8_t> bytes, const Scan890ReadOptions& options, Warnings& warnings) {
  if (bytes.size() < k890HeaderSize) throw InvalidFileFormat("This is not a valid 890 file");
  SubtitleDocument doc;
  doc.SetFrameRate(options.frameRateCode);
  ReadHeader(bytes.first(k890HeaderSize), doc);
  const std::int16_t cs = CharsetForFont(doc.Property(k890Font));
  doc.SetCharacterSet(cs);
  const ByteCharset& table = TableFor(cs);
  const std::size_t count = (bytes.size() - k890HeaderSize) / k890RecordSize;
  if ((bytes.size() - k890HeaderSize) % k890RecordSize != 0)
    warnings.push_back("The file ends inside the record of " + Label(count + 1) + "; the subtitles before it were loaded");
  if (count > kMaxSubtitles) warnings.push_back("The file holds more than 32767 subtitles; the rest were not loaded");
  std::vector<Subtitle> subs;
  subs.reserve(std::min(count, kMaxSubtitles));
  for (std::size_t k = 0; k < count && k < kMaxSubtitles; ++k) {
    auto rec = bytes.subspan(k890HeaderSize + k890RecordSize * k, k890RecordSize);
    ByteReader r(rec);
    Subtitle s;
    r.seek(6);
    s.inCue = FramesToDigits(static_cast<Timecode>(r.u24be()), doc.frameRate());
    s.outCue = FramesToDigits(static_cast<Timecode>(r.u24be()), doc.frameRate());
    s.alignment = AlignmentFromCode(rec[14]);
    const std::uint8_t vertical = rec[kRowGap + 4];
    s.row = vertical == 0 ? 0 : std::clamp((vertical - 7 + 10) / 21, 0, static_cast<int>(kMaxRows));
    std::vector<std::uint8_t> unknown;
    const std::string upper = DecodeRow(rec.subspan(kUpperRow, k890RowBytes), table, unknown);
    const std::string lower = DecodeRow(rec.subspan(kLowerRow, k890RowBytes), table, unknown);
    std::vector<std::string> rows;
    if (!upper.empty()) rows.push_back(upper);
    rows.push_back(lower);
    const bool italic = std::all_of(rows.begin(), rows.end(), [](const std::string& row) {
      return row.size() >= 2 && row.front() == kItalicOn && row.back() == kItalicOff;
    });
    if (italic)
      for (std::string& row : rows) std::erase_if(row, [](char c) { return c == kItalicOn || c == kItalicOff; });
    s.italic = italic;
    s.text = JoinRows(rows);
    if (!unknown.empty()) {
      std::string list;
      char h[8];
      for (std::uint8_t b : unknown) {
        std::snprintf(h, sizeof h, "0x%02X", b);
        list += (list.empty() ? "" : ", ") + std::string(h);
      }
      warnings.push_back(Label(k + 1) + ": bytes outside the 890 table were left out (" + list + ")");
    }
    subs.push_back(std::move(s));
  }
  doc.ReplaceAll(std::move(subs));
  doc.modified = false;
  return doc;
}

Bytes Write890(const SubtitleDocument& doc, const Scan890WriteOptions& options, Warnings& warnings) {
  ByteWriter w(k890HeaderSize + doc.Count() * k890RecordSize);
  WriteHeader(doc, options, w, warnings);
  if (doc.characterSet() == 161)
    warnings.push_back("Kipo has no Greek 890 character table; the text was written with the Latin table");
  const ByteCharset& table = TableFor(doc.characterSet());
  const FrameRate& rate = doc.frameRate();
  bool numbersWrapped = false, cuesMissing = false;
  std::size_t comments = 0;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    const std::size_t number = i + 1;
    if (number > kMaxNumber) numbersWrapped = true;
    if (!s.comment.empty()) ++comments;
    std::vector<std::string> rows = SplitRows(s.text);
    if (rows.size() > 2) {
      warnings.push_back(Label(number) + " has" + NumberText(static_cast<long>(rows.size())) +
                         " rows; 890 records hold two, so rows 3 on were joined to row 2");
      std::string rest = rows[1];
      for (std::size_t r = 2; r < rows.size(); ++r) rest += " " + rows[r];
      rows.resize(2);
      rows[1] = rest;
    }
    const bool twoRows = rows.size() == 2;
    if (rows.size() == 1) rows.insert(rows.begin(), std::string());
    RowReport report;
    std::string encoded[2];
    for (int r = 0; r < 2; ++r) {
      std::string row = rows[static_cast<std::size_t>(r)];
      if (s.italic && !row.empty()) row = kItalicOn + row + kItalicOff;
      encoded[r] = EncodeRow(row, table, report);
    }
    if (report.cut) warnings.push_back(Label(number) + ": a row longer than 51 bytes was cut");
    if (report.white) warnings.push_back(Label(number) + ": the white colour code was left out (white is the 890 default)");
    if (!report.unmappable.empty()) {
      std::string list;
      for (char32_t c : report.unmappable) list += (list.empty() ? "" : ", ") + DescribeChar(c);
      warnings.push_back(Label(number) + ": characters outside the 890 table were left out: " + list);
    }
    auto frames = [&](const CueDigits& cue) -> std::uint32_t {
      if (!IsCompleteCue(cue)) {
        cuesMissing = true;
        return 0;
      }
      return static_cast<std::uint32_t>(std::clamp<Timecode>(LabelToFrames(cue, rate), 0, kMaxFrames));
    };
    w.fill(4, 0x00);
    w.u16be(static_cast<std::uint16_t>((number & kMaxNumber) << 4));
    w.u24be(frames(s.inCue));
    w.u24be(frames(s.outCue));
    w.u8(0x00);
    w.u8(twoRows ? kTwoRows : 0x00);
    w.u8(CodeFromAlignment(s.alignment));
    w.fill(5, 0x00);
    w.raw(encoded[0]);
    w.fill(k890RowBytes - encoded[0].size(), kFill);
    w.fill(4, 0x00);
    w.u8(static_cast<std::uint8_t>(s.row > 0 ? std::min(s.row, 11) * 21 + 7 : 0));
    w.u8(0x80);
    w.raw(encoded[1]);
    w.fill(k890RowBytes - encoded[1].size(), kFill);
  }
  if (numbersWrapped)
    warnings.push_back("890 subtitle numbers end at 4095; later subtitles were numbered from 0 again");
  if (cuesMissing) warnings.push_back("Subtitles without an in or out cue were written with cue 00:00:00:00");
  if (comments > 0)
    warnings.push_back("890 files carry no comments:" + NumberText(static_cast<long>(comments)) +
                       " subtitle comments were left out");
  return w.take();
}

std::array<std::uint8_t, 6> Scan890Now() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {static_cast<std::uint8_t>(tm.tm_year % 100), static_cast<std::uint8_t>(tm.tm_mon + 1),
          static_cast<std::uint8_t>(tm.tm_mday),       static_cast<std::uint8_t>(tm.tm_hour),
          static_cast<std::uint8_t>(tm.tm_min),        static_cast<std::uint8_t>(tm.tm_sec)};
}

}  // namespace kipo
