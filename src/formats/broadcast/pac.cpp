#include "formats/broadcast/pac.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/markup.h"
#include "core/native_file.h"
#include "formats/broadcast/byte_charset.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr std::size_t kHeaderSize = 20;
constexpr std::uint8_t kRecordMark = 0x60;
constexpr std::uint8_t kBoxMark = 0x80;
constexpr std::uint8_t kEmptyRow = 0xFF;
constexpr std::uint16_t kNoCue = 0xFFFF;
constexpr int kBottomRow = 11;
constexpr char kTrailerText[] = "dummy end of file";

int AlignmentFromCode(int code, bool rac) {
  if (rac && code == 13) return AlignLeft;
  switch (code) {
    case 1: case 9: return AlignLeft;
    case 0: case 8: return AlignRight;
    default: return AlignCentre;
  }
}

std::uint8_t CodeFromAlignment(int alignment) {
  switch (alignment) {
    case AlignLeft: return kPacLeft;
    case AlignRight: return kPacRight;
    default: return kPacCentre;
  }
}

std::string Hex(std::uint8_t b) {
  char s[8];
  std::snprintf(s, sizeof s, "0x%02X", b);
  return s;
}

// Every row wrapped in the italic markers means the whole subtitle is italic.
bool TakeWholeItalics(std::vector<std::string>& rows) {
  for (const std::string& r : rows)
    if (r.size() < 2 || r.front() != kItalicOn || r.back() != kItalicOff) return false;
  for (std::string& r : rows) std::erase_if(r, [](char c) { return c == kItalicOn || c == kItalicOff; });
  return true;
}

void WriteCue(ByteWriter& w, const CueDigits& cue) {
  if (!IsCompleteCue(cue)) {
    w.u16le(kNoCue);
    w.u16le(kNoCue);
    return;
  }
  // HHMM and SSFF as two numbers (the digits are checked above).
  auto number = [&](std::size_t at) {
    return static_cast<std::uint16_t>((cue[at] - '0') * 1000 + (cue[at + 1] - '0') * 100 + (cue[at + 2] - '0') * 10 +
                                      (cue[at + 3] - '0'));
  };
  w.u16le(number(0));
  w.u16le(number(4));
}

std::string SubtitleLabel(std::size_t number) { return "Subtitle " + ZeroPad(static_cast<long>(number), 4); }

struct PacBody {
  Subtitle subtitle;
  std::vector<std::uint8_t> unknownBytes;  // bytes the table did not know
};

PacBody ReadPacBody(ByteReader& r, std::uint16_t length, std::uint8_t rowByte, PacScript script,
                    const PacTextOptions& text, bool racAlignment) {
  PacBody body;
  Subtitle& s = body.subtitle;
  int remaining = length;
  auto group = r.bytes(3);
  std::uint8_t boxCode = group[2];
  std::uint8_t alignCode = group[1];
  if (group[0] == kBoxMark) {
    auto attributes = r.bytes(3);
    alignCode = attributes[1];
    remaining -= 3;
  }
  if (remaining < 4) throw PacBadRecord("invalid record length");
  PacDecodedText decoded = DecodePacText(r.bytes(static_cast<std::size_t>(remaining - 4)), script, text,
                                         &body.unknownBytes);
  s.alignment = AlignmentFromCode(alignCode, racAlignment);
  s.boxStyle = boxCode >= BoxBoxedOutline && boxCode <= BoxGhostStripeOutline ? static_cast<int>(boxCode) : static_cast<int>(BoxNone);
  s.italic = TakeWholeItalics(decoded.rows);
  for (std::size_t i = 1; i < decoded.rows.size() && i < kMaxRows; ++i) {
    const int a = AlignmentFromCode(decoded.rowCodes[i], racAlignment);
    if (a != s.alignment) s.rowAlignments[i] = static_cast<char>('0' + a);
  }
  const int n = static_cast<int>(decoded.rows.size());
  s.row = std::abs(rowByte + n - 1 - kBottomRow);
  s.text = JoinRows(decoded.rows);
  return body;
}

std::string UnknownBytesWarning(std::size_t number, PacScript script, const std::vector<std::uint8_t>& bytes) {
  std::string list;
  for (std::uint8_t b : bytes) list += (list.empty() ? "" : ", ") + Hex(b);
  return SubtitleLabel(number) + ": bytes outside the " + PacScriptName(script) + " table were left out (" + list +
         ")";
}

}  // namespace

std::string BadLengthWarning(std::size_t number, std::uint16_t length) {
  return "The record of " + SubtitleLabel(number) + " gives a length of " + std::to_string(length) +
         " bytes, too short for its contents";
}

CueDigits PacCueFromWords(std::uint16_t hhmm, std::uint16_t ssff) {
  if (hhmm == kNoCue && (ssff == 0 || ssff == kNoCue)) return {};
  // Each word's last four decimal digits.
  CueDigits d(8, '0');
  unsigned a = hhmm % 10000u, b = ssff % 10000u;
  for (std::size_t k = 4; k-- > 0; a /= 10, b /= 10) {
    d[k] = static_cast<char>('0' + a % 10);
    d[k + 4] = static_cast<char>('0' + b % 10);
  }
  return d;
}

bool ReadPacRecordTail(ByteReader& r, const PacRecordHead& head, bool rac, PacScript script,
                       const PacTextOptions& text, std::vector<Subtitle>& subs, Warnings& warnings) {
  const std::uint8_t rowByte = r.u8();
  Subtitle s;
  if (rowByte == kEmptyRow && (rac || head.length == 1)) {
    s.alignment = AlignLeft;
  } else {
    PacBody body = ReadPacBody(r, head.length, rowByte, script, text, rac);
    if (!body.unknownBytes.empty()) warnings.push_back(UnknownBytesWarning(subs.size() + 1, script, body.unknownBytes));
    s = std::move(body.subtitle);
  }
  s.inCue = PacCueFromWords(head.inHi, head.inLo);
  s.outCue = PacCueFromWords(head.outHi, head.outLo);
  if (subs.size() == kMaxSubtitles) {
    warnings.push_back("The file holds more than 32767 subtitles; the rest were not loaded");
    return false;
  }
  subs.push_back(std::move(s));
  return true;
}

SubtitleDocument ReadPac(std::span<const std::uint8_t> bytes, const PacReadOptions& options, Warnings& warnings) {
  if (bytes.size() < kHeaderSize) throw InvalidFileFormat("This is not a valid PAC file");
  const PacScript script = PacScriptForCharset(options.characterSet);
  const PacTextOptions text{options.colours};
  SubtitleDocument doc;
  doc.SetLanguageId(options.languageId);
  doc.SetCharacterSet(options.characterSet);
  std::vector<Subtitle> subs;
  ByteReader r(bytes);
  r.seek(kHeaderSize);
  while (!r.atEnd()) {
    const std::size_t start = r.pos();
    try {
      if (r.remaining() >= 4 && r.peek(0) == 0xFF && r.peek(1) == 0 && r.peek(2) == 0 && r.peek(3) == 0) break;
      r.skip(4);
      PacRecordHead head{r.u16le(), r.u16le(), r.u16le(), r.u16le(), r.u16le()};
      if (head.length == 4) {  // a record without text or cues of its own
        r.seek(start + 18);
        continue;
      }
      try {
        if (!ReadPacRecordTail(r, head, /*rac=*/false, script, text, subs, warnings)) break;
      } catch (const PacBadRecord&) {
        // The length cannot hold the record's groups, so where the next record starts is
        // not known either: the records before it stand.
        warnings.push_back(BadLengthWarning(subs.size() + 1, head.length) + "; the subtitles before it were loaded");
        break;
      }
    } catch (const ReadError&) {
      // A record cut off by the end of the file: the complete ones before it stand.
      warnings.push_back("The file ends inside the record of " + SubtitleLabel(subs.size() + 1) +
                         "; the subtitles before it were loaded");
      break;
    }
  }
  doc.ReplaceAll(std::move(subs));
  doc.modified = false;
  return doc;
}

Bytes WritePac(const SubtitleDocument& doc, const PacWriteOptions& options, Warnings& warnings) {
  const PacScript script = PacScriptForCharset(doc.characterSet());
  const PacTextOptions textOptions{options.colours};
  ByteWriter w(kHeaderSize + doc.Count() * 64 + 32);
  w.u8(0x01);
  w.fill(kHeaderSize - 1, 0x00);
  std::size_t comments = 0;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    const std::size_t number = i + 1;
    std::vector<std::string> rows = SplitRows(s.text);
    const int n = static_cast<int>(rows.size());
    if (n > options.maxRows)
      warnings.push_back(TooManyRowsLine(number, static_cast<std::size_t>(n)));
    if (!s.comment.empty()) ++comments;
    if (s.italic)
      for (std::string& row : rows) row = kItalicOn + row + kItalicOff;
    if (s.alignment == AlignCentreLeft)
      warnings.push_back(SubtitleLabel(number) + ": PAC has no centre-left alignment; it was written centred");

    std::vector<std::uint8_t> codes(rows.size(), CodeFromAlignment(s.alignment));
    for (std::size_t r = 1; r < rows.size() && r < s.rowAlignments.size(); ++r)
      if (s.rowAlignments[r] >= '1' && s.rowAlignments[r] <= '4') codes[r] = CodeFromAlignment(s.rowAlignments[r] - '0');
    PacEncodeReport report;
    const std::string text = EncodePacText(rows, codes, script, textOptions, report);
    if (!report.unmappable.empty()) {
      std::string list;
      for (char32_t c : report.unmappable) list += (list.empty() ? "" : ", ") + DescribeChar(c);
      warnings.push_back(SubtitleLabel(number) + ": characters outside the PAC " + PacScriptName(script) +
                         " table were left out: " + list);
    }
    if (report.coloursDropped)
      warnings.push_back(SubtitleLabel(number) + ": colours were left out (colours are switched off)");

    const std::size_t length = 1 + 6 + text.size();
    if (length > 0xFFFF) throw PacWriteFailure(static_cast<long>(number));
    int rowByte = kBottomRow - s.row - (n - 1);
    if (options.topRowZero && rowByte == 1) rowByte = 0;
    rowByte = std::clamp(rowByte, 0, kBottomRow);
    int box = BoxNone;
    if (s.boxStyle >= BoxUnboxedOutline && s.boxStyle <= BoxGhostStripeOutline)
      box = options.allowMixedOutlines ? s.boxStyle : options.houseOutlineStyle;

    w.u8(0x00);
    w.u16le(static_cast<std::uint16_t>(options.zeroBasedNumbering ? i : number));
    w.u8(kRecordMark);
    WriteCue(w, s.inCue);
    WriteCue(w, s.outCue);
    w.u16le(static_cast<std::uint16_t>(length));
    w.u8(static_cast<std::uint8_t>(rowByte));
    w.u8(kBoxMark);
    w.u8(kBoxMark);
    w.u8(static_cast<std::uint8_t>(box));
    w.u8(0xFE);  // the attribute group has the shape of a row break
    w.u8(codes[0]);
    w.u8(0x03);
    w.raw(text);
  }
  if (comments > 0)
    warnings.push_back("PAC files carry no comments:" + NumberText(static_cast<long>(comments)) +
                       " subtitle comments were left out");
  w.u8(0xFF);
  w.fill(11, 0x00);
  w.u8(0x11);
  w.u8(0x00);
  w.raw(kTrailerText);
  return w.take();
}

std::string PacSaveFailureText(long number) {
  return "Cannot save file. This may be due to a faulty or full storage device, or may be an internal error. "
         "Try saving the file using a different name, a different path or different extension. "
         "You may also like to check subtitle" +
         NumberText(number) + ".";
}

Warnings SavePacFile(const SubtitleDocument& doc, const std::filesystem::path& path, const PacWriteOptions& options) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path safety = DataFolder() / "~$kipo.sav";
  EnsureFolder(DataFolder());
  fs::remove(safety, ec);
  const bool hadTarget = fs::exists(path, ec);
  if (hadTarget) fs::copy_file(path, safety, fs::copy_options::overwrite_existing, ec);
  const bool haveCopy = hadTarget && !ec;
  Warnings warnings;
  long number = 0;
  try {
    Bytes bytes;
    try {
      bytes = WritePac(doc, options, warnings);
    } catch (const PacWriteFailure& f) {
      number = f.number();
      throw;
    }
    number = static_cast<long>(doc.Count());
    WriteFileAtomic(path, bytes);
  } catch (const std::exception&) {
    if (haveCopy) fs::rename(safety, path, ec);
    throw UserError(kAppTitle, PacSaveFailureText(number));
  }
  fs::remove(safety, ec);  // a copy that cannot be deleted does no harm
  return warnings;
}

}  // namespace kipo
