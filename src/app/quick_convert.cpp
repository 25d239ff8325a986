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
std::optional<TextEncoding> EncodingOfFile(std::span<const std::uint8_t> bytes, const std::string& ext) {
  const Format* f = FormatForExtension(ext);
  if (!f || !f->traits.textFile) return std::nullopt;
  std::string storage;
  DecodedView d = DecodeTextView(bytes, "windows-1252", storage);
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

CueDigits RetimeCue(const CueDigits& c, const FrameRate& from, const FrameRate& to) {
  if (!IsCompleteCue(c)) return c;
  double seconds = FramesToSeconds(LabelToFrames(c, from), from);
  return FramesToDigits(static_cast<Timecode>(std::lround(seconds * to.fps())), to);
}

void RetimeToRate(SubtitleDocument& doc, int code) {
  auto target = FrameRate::FromCode(code);
  if (!target || *target == doc.frameRate()) return;
  FrameRate from = doc.frameRate();
  std::vector<Subtitle> subs = doc.Subtitles();
  for (Subtitle& s : subs) {
    s.inCue = RetimeCue(s.inCue, from, *target);
    s.outCue = RetimeCue(s.outCue, from, *target);
  }
  doc.SetFrameRate(code);
  doc.ReplaceAll(std::move(subs));
}

CueDigits OffsetCue(const CueDigits& c, Timecode offset, const FrameRate& r, std::size_t& clipped) {
  if (!IsCompleteCue(c)) return c;
  long f = static_cast<long>(LabelToFrames(c, r)) + offset;
  if (f < 0) {
    ++clipped;
    f = 0;
  }
  return FramesToDigits(static_cast<Timecode>(f), r);
}

namespace {
std::string ClippedWarning(std::size_t clipped) {
  return std::to_string(clipped) + " cue(s) would fall before 00:00:00:00 and were set to it";
}
}  // namespace

void ApplyOffset(SubtitleDocument& doc, Timecode offset, Warnings& warnings) {
  if (offset == 0) return;
  const FrameRate& r = doc.frameRate();
  std::size_t clipped = 0;
  std::vector<Subtitle> subs = doc.Subtitles();
  for (Subtitle& s : subs) {
    s.inCue = OffsetCue(s.inCue, offset, r, clipped);
    s.outCue = OffsetCue(s.outCue, offset, r, clipped);
  }
  doc.ReplaceAll(std::move(subs));
  if (clipped) warnings.push_back(ClippedWarning(clipped));
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

namespace {

// A conversion that holds one subtitle at a time: the reader's pass hands each subtitle
// through the conversion's steps (rate label, re-timing, offset: all per cue) to the
// writer, which puts the file together piece by piece. The file is created when the
// first subtitle arrives, once the reader has taken the document's own fields from the
// file, and is committed only when reader and writer have both finished; any error on the
// way leaves no file behind. Warnings come in the document path's order: the reader's,
// the offset's, the writer's; so do the questions, since writers ask theirs when they
// finish, after the reader's last one.
class StreamConversion {
 public:
  StreamConversion(const Format& from, const Format& to, const std::filesystem::path& input,
                   const std::filesystem::path& output, const ConvertOptions& o, SettingsStore& settings,
                   Prompter& prompter)
      : from_(from), to_(to), input_(input), output_(output), o_(o), settings_(settings), prompter_(prompter) {}

  Warnings Run(Bytes& bytes) {
    encoding_ = ToText(o_.encoding);
    if (o_.encoding == ConvertEncoding::SameAsOriginal) encoding_ = EncodingOfFile(bytes, UpperExtension(input_.string()));
    FileContext readCtx{prompter_, settings_, o_.frameRateCode, -1};
    Warnings warnings = from_.stream.read(bytes, readCtx, header_, [this](Subtitle&& s) { Add(std::move(s)); });
    Start();  // a file without subtitles still gets its header
    Warnings written = writer_->Finish();
    file_->Commit();
    if (clipped_) warnings.push_back(ClippedWarning(clipped_));
    warnings.insert(warnings.end(), written.begin(), written.end());
    return warnings;
  }

 private:
  // The document's own fields are final: the steps that depend on them are set up.
  void Start() {
    if (writer_) return;
    header_.SetFile(input_.string());
    header_.saved = true;
    header_.modified = false;
    if (o_.frameRateCode && FrameRate::FromCode(o_.frameRateCode)) header_.SetFrameRate(o_.frameRateCode);
    if (auto target = FrameRate::FromCode(o_.retimeRateCode); o_.retimeRateCode && target && *target != header_.frameRate()) {
      retimeFrom_ = header_.frameRate();
      header_.SetFrameRate(o_.retimeRateCode);
    }
    if (!o_.offset.empty()) {
      std::optional<Timecode> frames = ParseOffset(o_.offset, header_.frameRate());
      if (!frames)
        throw UserError(kAppTitle, "The offset " + o_.offset + " is not a timecode (HH:MM:SS:FF) or a frame count");
      offset_ = *frames;
    }
    writeCtx_.emplace(FileContext{prompter_, settings_, header_.frameRate().code, CodePageFor(encoding_)});
    file_.emplace(output_);
    writer_ = to_.stream.write(header_, *writeCtx_, *file_);
  }

  void Add(Subtitle&& s) {
    Start();
    if (retimeFrom_) {
      s.inCue = RetimeCue(s.inCue, *retimeFrom_, header_.frameRate());
      s.outCue = RetimeCue(s.outCue, *retimeFrom_, header_.frameRate());
    }
    if (offset_ != 0) {
      s.inCue = OffsetCue(s.inCue, offset_, header_.frameRate(), clipped_);
      s.outCue = OffsetCue(s.outCue, offset_, header_.frameRate(), clipped_);
    }
    writer_->Add(s);
  }

  const Format& from_;
  const Format& to_;
  const std::filesystem::path& input_;
  const std::filesystem::path& output_;
  const ConvertOptions& o_;
  SettingsStore& settings_;
  Prompter& prompter_;
  std::optional<TextEncoding> encoding_;
  SubtitleDocument header_;
  std::optional<FrameRate> retimeFrom_;
  Timecode offset_ = 0;
  std::size_t clipped_ = 0;
  std::optional<FileContext> writeCtx_;
  std::optional<AtomicFileWriter> file_;  // before the writer, which writes into it
  std::unique_ptr<SubtitleStreamWriter> writer_;
};

// The formats of a streamed conversion, or nullptrs when either cannot stream. The input's
// format is chosen as ReadDocumentFile chooses it.
std::pair<const Format*, const Format*> StreamFormats(const std::filesystem::path& input,
                                                      const std::filesystem::path& output, const Bytes& bytes) {
  const Format* from = FormatForPath(input);
  const Format* to = FormatForPath(output);
  if (!from || !from->read || !to || !to->stream.write) return {nullptr, nullptr};
  if (const Format* byContent = FormatForFile(UpperExtension(input.string()), bytes);
      byContent && byContent->read && from->fileType)
    from = byContent;
  if (!from->stream.read) return {nullptr, nullptr};
  return {from, to};
}

}  // namespace

Warnings ConvertStreamed(const Format& from, const Format& to, Bytes& bytes, const std::filesystem::path& input,
                         const std::filesystem::path& output, const ConvertOptions& o, SettingsStore& settings,
                         Prompter& prompter) {
  return StreamConversion(from, to, input, output, o, settings, prompter).Run(bytes);
}

ConvertedFile ConvertFile(const std::filesystem::path& input, const std::filesystem::path& output,
                          const ConvertOptions& o, SettingsStore& settings, Prompter& prompter) {
  ConvertedFile result{input, output, {}, {}};
  try {
    if (o.stream) {
      const Format* from = FormatForPath(input);
      const Format* to = FormatForPath(output);
      if (from && from->stream.read && to && to->stream.write) {
        // Subtitle files are small; anything beyond 256 MiB is not one.
        Bytes bytes = ReadFileBytes(input, std::uintmax_t(256) << 20);
        if (auto [f, t] = StreamFormats(input, output, bytes); f) {
          result.streamed = true;
          result.warnings = ConvertStreamed(*f, *t, bytes, input, output, o, settings, prompter);
          return result;
        }
      }
    }
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
