#include "core/native_file.h"

#include <bit>
#include <cmath>
#include <cstdio>

#include "core/markup.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr std::size_t kFlagTextLength = 128;
// Smallest possible records, used to check a count against the bytes that follow before
// anything is allocated.
constexpr std::size_t kKpoRecordMin = 52;
constexpr std::size_t kKpoxRecordMin = 8 + 8 + 4 * 6 + 10 + 4 + 10 + 8;

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// UTF-16LE is the byte form of .kpox text; plain ASCII (most subtitle text) skips ICU.
Bytes EncodeUnicode(std::string_view utf8) {
  if (!IsAscii(utf8)) return Utf8ToUtf16LE(utf8);
  Bytes out(utf8.size() * 2, 0);
  for (std::size_t i = 0; i < utf8.size(); ++i) out[2 * i] = static_cast<std::uint8_t>(utf8[i]);
  return out;
}

std::string DecodeUnicode(std::span<const std::uint8_t> b) {
  bool ascii = b.size() % 2 == 0;
  for (std::size_t i = 0; ascii && i < b.size(); i += 2) ascii = b[i] < 0x80 && b[i + 1] == 0;
  if (!ascii) return Utf16LEToUtf8(b);
  std::string out(b.size() / 2, '\0');
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(b[2 * i]);
  return out;
}

std::string To8Bit(std::string_view utf8, const std::string& codePage, std::vector<char32_t>& unmappable) {
  if (IsAscii(utf8)) return std::string(utf8);
  return Utf8ToCodePage(utf8, codePage, &unmappable);
}

std::string From8Bit(std::span<const std::uint8_t> b, const std::string& codePage) {
  std::string_view sv(reinterpret_cast<const char*>(b.data()), b.size());
  if (IsAscii(sv)) return std::string(sv);
  return CodePageToUtf8(b, codePage);
}

// Only leading and trailing spaces go; row breaks stay.
std::string TrimSpaces(std::string_view s) {
  std::size_t a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return {};
  std::size_t b = s.find_last_not_of(' ');
  return std::string(s.substr(a, b - a + 1));
}

void WriteDouble(ByteWriter& w, double v) {
  auto bits = std::bit_cast<std::uint64_t>(v);
  w.u32le(static_cast<std::uint32_t>(bits));
  w.u32le(static_cast<std::uint32_t>(bits >> 32));
}

double ReadDouble(ByteReader& r) {
  std::uint64_t lo = r.u32le();
  std::uint64_t hi = r.u32le();
  return std::bit_cast<double>(lo | (hi << 32));
}

// Row colours travel as a Double holding the 11 digits as a number.
double FlagsToNumber(std::string_view flags) {
  double v = 0;
  for (char c : NormaliseRowFlags(flags)) v = v * 10 + (c - '0');
  return v;
}

std::string NumberToFlags(double v) {
  // A value that no writer produces (negative, fractional, too big, NaN) reads as no flags.
  if (!(v >= 0 && v < 1e11) || v != std::floor(v)) return kNoFlags;
  // Eleven digits, zeros in front: written digit by digit (a formatted print per
  // subtitle was a third of reading a file).
  std::string flags(11, '0');
  for (auto n = static_cast<long long>(v), i = 10LL; n > 0 && i >= 0; n /= 10, --i) flags[i] = static_cast<char>('0' + n % 10);
  return flags;
}

// Cue fields are ASCII digits; anything else in the bytes must not become invalid UTF-8.
std::string CueField(ByteReader& r) {
  std::string s = TrimLeft(r.field(8));
  for (char& c : s)
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  return s;
}

std::string UnmappableWarning(const std::vector<char32_t>& chars, const std::string& codePage) {
  std::string list;
  for (std::size_t i = 0; i < chars.size() && i < 20; ++i) AppendUtf8(list, chars[i]);
  if (chars.size() > 20) list += "...";
  return "Characters that the character set (" + codePage + ") cannot hold were written as \"?\": " + list;
}

}  // namespace

std::string NormaliseRowFlags(std::string_view flags) {
  std::string out(11, '0');
  for (std::size_t i = 0; i < 11 && i < flags.size(); ++i)
    if (flags[i] >= '0' && flags[i] <= '9') out[i] = flags[i];
  return out;
}

std::int32_t NativeFrameRateCode(const FrameRate& rate) {
  if (rate.is23976()) return 23;
  return static_cast<std::int32_t>(rate.countingRate());
}

int NativeFrameRateChoice(std::int32_t code, bool dropFrame) {
  return code == 30 && dropFrame ? 29 : static_cast<int>(code);
}

std::string UnknownNativeFrameRateWarning(std::int32_t code, const FrameRate& used) {
  return "The file's frame-rate code " + std::to_string(code) + " is not a known frame rate; it was read at " +
         used.label() + " fps";
}

std::string NativeFlagText(bool hasNotes) {
  std::string flags("ForcedAlign=1\0Karaoke=1", 23);
  if (hasNotes) flags.append(std::string_view("\0Notes=1", 8));
  return flags;
}

std::string TooManyRowsLine(std::size_t number, std::size_t rows) {
  return "Subtitle" + NumberText(static_cast<long>(number)) + " contains" + NumberText(static_cast<long>(rows)) +
         " lines";
}

NativeWriteResult WriteNative(const SubtitleDocument& doc, NativeVariant variant, const NativeWriteOptions& opt) {
  auto trace = [&](std::string_view s) {
    if (opt.trace) opt.trace(s);
  };
  trace("In MSF, prior to SCT");
  const bool kpox = variant == NativeVariant::Kpox;
  const std::string codePage = CodePageForCharset(doc.characterSet(), opt.ansiCodePage);
  NativeWriteResult result;
  std::vector<char32_t> unmappable;
  trace("In MSF, 1");

  std::size_t estimate = 158 + doc.Count() * (kKpoxRecordMin + kNativeExtensionLength + 64);
  ByteWriter w(estimate);
  trace("In MSF, 2");

  const FrameRate& rate = doc.frameRate();
  w.i32le(kNativeHeaderLength);
  w.i32le(kpox ? kKpoxVersion : kKpoVersion);
  w.i32le(doc.characterSet());
  w.i32le(doc.languageId() > 0 ? doc.languageId() : kDefaultLanguageId);
  w.i32le(NativeFrameRateCode(rate));
  w.i16le(rate.dropFrame ? -1 : 0);
  w.i32le(static_cast<std::int32_t>(doc.Count()));
  w.i32le(doc.currentNumber());
  w.field(NativeFlagText(!doc.notes().empty()), kFlagTextLength);
  trace("In MSF, 3");
  trace("In MSF, 4");

  const auto& subs = doc.Subtitles();
  for (std::size_t i = 0; i < subs.size(); ++i) {
    const Subtitle& s = subs[i];
    std::size_t rows = CountRows(s.text);
    if (rows > static_cast<std::size_t>(std::max(opt.maxRows, 0)))
      result.tooManyRows.push_back(TooManyRowsLine(i + 1, rows));
    std::string text = opt.deleteSpaces ? TrimSpaces(s.text) : s.text;

    w.field(s.inCue, 8);
    w.field(s.outCue, 8);
    w.i32le(s.alignment);
    w.i32le(s.italic ? -1 : 0);
    w.i32le(s.boxStyle <= 0 ? BoxNone : s.boxStyle);
    w.i32le(s.row);
    w.u32le(static_cast<std::uint16_t>(s.shiftX) | (static_cast<std::uint32_t>(static_cast<std::uint16_t>(s.shiftY)) << 16));
    if (kpox) {
      for (const std::string* field : {static_cast<const std::string*>(&text), &s.comment}) {
        Bytes b = EncodeUnicode(*field);
        auto n = static_cast<std::int32_t>(b.size());
        w.i32le(n);
        // The array header of a one-dimensional byte array: dimensions, count, lower bound.
        w.i16le(1);
        w.i32le(n);
        w.i32le(0);
        w.bytes(b);
      }
      WriteDouble(w, FlagsToNumber(s.rowColours));
    } else {
      std::string t = To8Bit(text, codePage, unmappable);
      std::string c = To8Bit(s.comment, codePage, unmappable);
      w.i32le(static_cast<std::int32_t>(t.size()));
      w.i32le(static_cast<std::int32_t>(c.size()));
      WriteDouble(w, FlagsToNumber(s.rowColours));
      w.raw(t);
      w.raw(c);
    }
  }
  trace("In MSF, 5");

  for (const Subtitle& s : subs) {
    w.raw(NormaliseRowFlags(s.rowAlignments));
    w.i32le(s.karaokeRole);
    w.i32le(s.karaokeIn);
    w.i32le(s.karaokeOut);
    w.fill(kNativeExtensionLength - 23, 0);
  }
  trace("In MSF, 6");

  if (!doc.notes().empty()) {
    std::string notes = To8Bit(doc.notes(), codePage, unmappable);
    w.i32le(static_cast<std::int32_t>(notes.size()));
    w.raw(notes);
  }
  trace("In MSF, 7");
  if (!unmappable.empty()) result.warnings.push_back(UnmappableWarning(unmappable, codePage));
  result.bytes = w.take();
  trace("In MSF, 8");
  return result;
}

SubtitleDocument ReadNative(std::span<const std::uint8_t> bytes, NativeVariant variant, const NativeReadOptions& opt) {
  const char* invalid = variant == NativeVariant::Kpox ? kNotValidKipoUnicode : kNotValidKipo;
  try {
    ByteReader r(bytes);
    std::int32_t headerLength = r.i32le();
    std::int32_t version = r.i32le();
    if (headerLength != kNativeHeaderLength) throw InvalidFileFormat(invalid);
    // Only version 7 holds UTF-16 text. Under its own extension an 8-bit file may carry
    // any older version number; under .kpox only the 8-bit versions are taken for one.
    const bool kpox = version == kKpoxVersion;
    if (!kpox && variant == NativeVariant::Kpox && (version < 1 || version > kKpoVersion))
      throw InvalidFileFormat(invalid);
    std::int32_t charset = r.i32le();
    std::int32_t language = r.i32le();
    std::int32_t rateCode = r.i32le();
    bool dropFrame = r.i16le() == -1;
    std::int32_t count = r.i32le();
    std::int32_t current = r.i32le();
    std::string flags = r.raw(kFlagTextLength);
    const bool hasExtension = StartsWith(flags, "ForcedAlign=1");
    const bool hasNotes = flags.find("Notes=1") != std::string::npos;

    std::size_t minRecord = (kpox ? kKpoxRecordMin : kKpoRecordMin) + (hasExtension ? kNativeExtensionLength : 0);
    if (count < 0 || static_cast<std::size_t>(count) > kMaxSubtitles ||
        static_cast<std::size_t>(count) * minRecord > r.remaining())
      throw InvalidFileFormat(invalid);

    SubtitleDocument doc;
    const int rateChoice = NativeFrameRateChoice(rateCode, dropFrame);
    doc.SetFrameRate(rateChoice);
    if (!FrameRate::FromCode(rateChoice) && opt.warnings)
      opt.warnings->push_back(UnknownNativeFrameRateWarning(rateCode, doc.frameRate()));
    doc.SetCharacterSet(static_cast<std::int16_t>(charset));
    doc.SetLanguageId(language);
    doc.SetCurrentNumber(current >= 0 && current <= 32767 ? static_cast<std::int16_t>(current) : 1);
    const std::string codePage = CodePageForCharset(doc.characterSet(), opt.ansiCodePage);

    std::vector<Subtitle> subs(static_cast<std::size_t>(count));
    for (Subtitle& s : subs) {
      s.inCue = CueField(r);
      s.outCue = CueField(r);
      s.alignment = r.i32le();
      s.italic = r.i32le() != 0;
      std::int32_t box = r.i32le();
      s.boxStyle = box < 1 ? BoxNone : box;
      s.row = r.i32le();
      std::uint32_t shifts = r.u32le();
      s.shiftX = static_cast<std::int16_t>(shifts & 0xFFFF);
      s.shiftY = static_cast<std::int16_t>(shifts >> 16);
      if (kpox) {
        for (std::string* field : {&s.text, &s.comment}) {
          std::int32_t n = r.i32le();
          std::int16_t dims = r.i16le();
          std::int32_t elements = r.i32le();
          r.i32le();  // lower bound
          if (n < 0 || dims != 1 || elements != n) throw InvalidFileFormat(invalid);
          *field = DecodeUnicode(r.bytes(static_cast<std::size_t>(n)));
        }
        s.rowColours = NumberToFlags(ReadDouble(r));
      } else {
        std::int32_t t = r.i32le();
        std::int32_t c = r.i32le();
        if (t < 0 || c < 0) throw InvalidFileFormat(invalid);
        s.rowColours = NumberToFlags(ReadDouble(r));
        s.text = From8Bit(r.bytes(static_cast<std::size_t>(t)), codePage);
        s.comment = From8Bit(r.bytes(static_cast<std::size_t>(c)), codePage);
      }
    }

    if (hasExtension) {
      for (Subtitle& s : subs) {
        s.rowAlignments = NormaliseRowFlags(r.raw(11));
        std::int32_t role = r.i32le();
        std::int32_t in = r.i32le();
        std::int32_t out = r.i32le();
        r.skip(kNativeExtensionLength - 23);
        // Files older than version 5 had no karaoke; their bytes here mean nothing.
        if (version < 5) continue;
        s.karaokeRole = role < -1 || role > 50 ? 0 : role;
        if (s.karaokeRole == -1) {
          s.karaokeIn = in;
          s.karaokeOut = out;
        }
      }
    }

    if (hasNotes) {
      std::int32_t n = r.i32le();
      if (n < 0) throw InvalidFileFormat(invalid);
      doc.SetNotes(From8Bit(r.bytes(static_cast<std::size_t>(n)), codePage));
    }

    doc.ReplaceAll(std::move(subs));
    doc.modified = false;
    return doc;
  } catch (const ReadError&) {
    throw InvalidFileFormat(invalid);
  }
}

}  // namespace kipo
