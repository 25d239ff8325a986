#include "app/quick_convert.h"

#include <algorithm>
#include <cmath>

#include "app/text_exporters.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/keys.h"

namespace kipo {
namespace {

constexpr TextSetting kLastFormat{keys::kExport, "Quick convert last format", ""};
constexpr TextSetting kEncodingName{keys::kExport, "Quick convert encoding", ""};
constexpr TextSetting kOffset{keys::kExport, "Quick convert offset", ""};
constexpr FlagSetting kRememberFiles{keys::kExport, "Quick convert remember file list", false, FlagForm::OneZero};
constexpr TextSetting kFileList{keys::kExport, "Quick convert file list", ""};

std::optional<TextEncoding> ToText(ConvertEncoding e) {
  switch (e) {
    case ConvertEncoding::Ansi: return TextEncoding::Ansi;
    case ConvertEncoding::Unicode: return TextEncoding::Utf16;
    case ConvertEncoding::Utf8: return TextEncoding::Utf8;
    default: return std::nullopt;
  }
}

// The encoding an input file was in; nullopt for binary files.
std::optional<TextEncoding> EncodingOfFile(const Bytes& bytes, const std::string& ext) {
  const Format* f = FormatForExtension(ext);
  if (!f || !f->traits.textFile) return std::nullopt;
  DecodedText d = DecodeText(bytes, "windows-1252");
  // Plain ASCII without a mark is the same file in ANSI; UTF-8 would add a mark.
  bool ascii = std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b < 0x80; });
  if (!d.hadBom && ascii) return TextEncoding::Ansi;
  switch (d.encoding) {
    case UnicodeEncoding::None: return TextEncoding::Ansi;
    case UnicodeEncoding::Utf8: return TextEncoding::Utf8;
    default: return TextEncoding::Utf16;
  }
}

int CodePageFor(std::optional<TextEncoding> e) { return e ? CodePageNumber(*e) : -1; }

void ApplyOffsetText(SubtitleDocument& doc, const std::string& text, Warnings& warnings) {
  if (text.empty()) return;
  std::optional<Timecode> frames = ParseOffset(text, doc.frameRate());
  if (!frames) throw UserError(kAppTitle, "The offset " + text + " is not a timecode (HH:MM:SS:FF) or a frame count");
  ApplyOffset(doc, *frames, warnings);
}

// Why a file was not converted. A question answered No (the answer a run without a
// terminal gives) has no message of its own, so it is named here.
std::string Refusal(const UserError& e) {
  if (e.text().empty()) return "not read: a question about the file was answered No or left without a choice";
  return e.title() + ": " + e.text();
}

}  // namespace

// Reads an input by its extension, re-times and offsets it, and picks the output encoding.
static SubtitleDocument LoadForConversion(const std::filesystem::path& in, const ConvertOptions& o,
                                          SettingsStore& settings, Prompter& prompter, Warnings& warnings,
                                          std::optional<TextEncoding>& encoding) {
  FileContext readCtx{prompter, settings, o.frameRateCode, -1};
  LoadedDocument loaded = ReadDocumentFile(in, readCtx);
  warnings = std::move(loaded.warnings);
  // A rate given for the output labels the document; re-timing is asked for on its own.
  if (o.frameRateCode && FrameRate::FromCode(o.frameRateCode)) loaded.doc.SetFrameRate(o.frameRateCode);
  if (o.retimeRateCode) RetimeToRate(loaded.doc, o.retimeRateCode);
  ApplyOffsetText(loaded.doc, o.offset, warnings);
  encoding = ToText(o.encoding);
  if (o.encoding == ConvertEncoding::SameAsOriginal)
    encoding = EncodingOfFile(ReadFileBytes(in, std::uintmax_t(256) << 20), UpperExtension(in.string()));
  return std::move(loaded.doc);
}

std::optional<ConvertEncoding> ParseConvertEncoding(std::string_view s) {
  std::string l = ToLowerAscii(Trim(s));
  if (l == "same" || l == "same as original" || l == "original") return ConvertEncoding::SameAsOriginal;
  if (l == "default") return ConvertEncoding::FormatDefault;
  if (auto e = ParseTextEncoding(l)) {
    switch (*e) {
      case TextEncoding::Ansi: return ConvertEncoding::Ansi;
      case TextEncoding::Utf8: return ConvertEncoding::Utf8;
      case TextEncoding::Utf16: return ConvertEncoding::Unicode;
    }
  }
  return std::nullopt;
}

std::optional<Timecode> ParseOffset(std::string_view text, const FrameRate& rate) {
  std::string t = Trim(text);
  bool back = !t.empty() && t[0] == '-';
  if (back || (!t.empty() && t[0] == '+')) t.erase(0, 1);
  long frames = 0;
  if (ParseInt(t, frames)) {
    if (frames > 100L * 3600 * 60) return std::nullopt;
  } else {
    std::string digits = StripSeparators(NormalizeShortLabel(t));
    if (digits.size() != 8 || digits.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    frames = LabelToFrames(digits, rate);
  }
  return static_cast<Timecode>(back ? -frames : frames);
}

void RetimeToRate(SubtitleDocument& doc, int code) {
  auto target = FrameRate::FromCode(code);
  if (!target || *target == doc.frameRate()) return;
  FrameRate from = doc.frameRate();
  double to = target->fps();
  auto move = [&](const CueDigits& c) -> CueDigits {
    if (!IsCompleteCue(c)) return c;
    double seconds = FramesToSeconds(LabelToFrames(c, from), from);
    return FramesToDigits(static_cast<Timecode>(std::lround(seconds * to)), *target);
  };
  std::vector<Subtitle> subs = doc.Subtitles();
  for (Subtitle& s : subs) {
    s.inCue = move(s.inCue);
    s.outCue = move(s.outCue);
  }
  doc.SetFrameRate(code);
  doc.ReplaceAll(std::move(subs));
}

void ApplyOffset(SubtitleDocument& doc, Timecode offset, Warnings& warnings) {
  if (offset == 0) return;
  const FrameRate& r = doc.frameRate();
  std::size_t clipped = 0;
  auto move = [&](const CueDigits& c) -> CueDigits {
    if (!IsCompleteCue(c)) return c;
    long f = static_cast<long>(LabelToFrames(c, r)) + offset;
    if (f < 0) {
      ++clipped;
      f = 0;
    }
    return FramesToDigits(static_cast<Timecode>(f), r);
  };
  std::vector<Subtitle> subs = doc.Subtitles();
  for (Subtitle& s : subs) {
    s.inCue = move(s.inCue);
    s.outCue = move(s.outCue);
  }
  doc.ReplaceAll(std::move(subs));
  if (clipped) warnings.push_back(std::to_string(clipped) + " cue(s) would fall before 00:00:00:00 and were set to it");
}

Bytes WriteConvertTarget(const ConvertTarget& target, const SubtitleDocument& doc, std::optional<TextEncoding> encoding,
                         SettingsStore& settings, Prompter& prompter, Warnings& warnings) {
  const Format* format = FormatOf(target);
  if (format && format->cueText && format->exportRow) {
    const ExportFormat& row = *format->exportRow;
    TextEncoding e = encoding.value_or(DefaultExportEncoding(row, settings));
    if (row.FilterIndexOf(e) == 0) e = row.EncodingAt(1);
    return ExportBytes(row, doc, settings, e, warnings);
  }
  if (!format || !format->write)
    throw UserError(kAppTitle, NotAvailableText(target.quickName.empty() ? target.batchName : target.quickName));
  FileContext ctx{prompter, settings, doc.frameRate().code, CodePageFor(encoding)};
  WriteResult r = format->write(doc, ctx);
  warnings.insert(warnings.end(), r.warnings.begin(), r.warnings.end());
  return std::move(r.bytes);
}

ConvertedFile ConvertFile(const std::filesystem::path& input, const std::filesystem::path& output,
                          const ConvertOptions& o, SettingsStore& settings, Prompter& prompter) {
  ConvertedFile result{input, output, {}, {}};
  try {
    std::optional<TextEncoding> enc;
    SubtitleDocument doc = LoadForConversion(input, o, settings, prompter, result.warnings, enc);
    FileContext writeCtx{prompter, settings, doc.frameRate().code, CodePageFor(enc)};
    Warnings w = WriteDocumentFile(doc, output, writeCtx);
    result.warnings.insert(result.warnings.end(), w.begin(), w.end());
  } catch (const UserError& e) {
    result.error = Refusal(e);
  }
  return result;
}

std::vector<ConvertedFile> QuickConvert(const std::vector<std::filesystem::path>& inputs, const ConvertTarget& target,
                                        const ConvertOptions& o, const std::filesystem::path& outputFolder,
                                        SettingsStore& settings, Prompter& prompter) {
  {
    SettingsStore::Batch batch(settings);
    settings.Set(kLastFormat, target.quickName);
    static const char* kEnc[] = {"ANSI", "Unicode", "UTF-8", "Same as original", "Same as original"};
    settings.Set(kEncodingName, kEnc[static_cast<int>(o.encoding)]);
    settings.Set(kOffset, o.offset);
    if (settings.Get(kRememberFiles)) {
      std::string list;
      for (const auto& p : inputs) list += (list.empty() ? "" : "||") + p.string();
      settings.Set(kFileList, list);
    }
  }
  std::vector<ConvertedFile> out;
  prompter.Progress("Converting cues...", 0, static_cast<long>(inputs.size()));
  long done = 0;
  for (const auto& in : inputs) {
    prompter.Progress("Converting " + in.filename().string(), done++, static_cast<long>(inputs.size()));
    std::filesystem::path dest = (outputFolder.empty() ? in.parent_path() : outputFolder) / in.stem();
    dest += "." + target.extension;
    ConvertedFile r{in, dest, {}, {}};
    try {
      std::optional<TextEncoding> enc;
      SubtitleDocument doc = LoadForConversion(in, o, settings, prompter, r.warnings, enc);
      Bytes bytes = WriteConvertTarget(target, doc, enc, settings, prompter, r.warnings);
      WriteFileAtomic(dest, bytes);
    } catch (const UserError& e) {
      r.error = Refusal(e);
    }
    out.push_back(std::move(r));
  }
  std::size_t converted = 0;
  for (const auto& r : out) converted += r.error.empty();
  prompter.Progress("", static_cast<long>(inputs.size()), static_cast<long>(inputs.size()));
  prompter.Inform(kAppTitle, QuickConvertEndMessage(converted));
  return out;
}

std::string QuickConvertEndMessage(std::size_t files) {
  return std::to_string(files) + (files == 1 ? " file has been converted." : " files have been converted.");
}

}  // namespace kipo
