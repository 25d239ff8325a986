#pragma once
// Quick conversion: many subtitle files read by their extension and each written, beside
// it or into a folder, in one target format with an encoding, frame rate and offset.
// `kipo convert` and the desktop's quick conversion window both run this.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/file_types.h"
#include "formats/exchange/catalogue.h"
#include "formats/registry.h"

namespace kipo {

// The encoding choices of quick conversion: "ANSI", "Unicode", "UTF-8", "Same as original".
enum class ConvertEncoding { Ansi, Unicode, Utf8, SameAsOriginal, FormatDefault };
std::optional<ConvertEncoding> ParseConvertEncoding(std::string_view s);

struct ConvertOptions {
  ConvertEncoding encoding = ConvertEncoding::FormatDefault;
  // The rate the document is labelled with (its cue labels stay as they are), and the
  // rate files that carry none are read at; 0 keeps the input's rate.
  int frameRateCode = 0;
  // The rate every cue is re-timed to by real time (labels follow it); 0 re-times nothing.
  int retimeRateCode = 0;
  // Added to every set cue, at the output rate: "HH:MM:SS:FF", "-HH:MM:SS:FF" or a frame
  // count; empty for none.
  std::string offset;
  // Convert one subtitle at a time where both formats can (the file is written while it is
  // read, and no whole document is held); off, every file goes through a document. Both
  // give the same file, warnings and questions.
  bool stream = true;
};

struct ConvertedFile {
  std::filesystem::path input, output;
  Warnings warnings;
  std::string error;  // empty when written
  bool streamed = false;  // converted one subtitle at a time
};

// Parses an offset: "HH:MM:SS:FF" (a leading "-" moves cues earlier) or a frame count.
std::optional<Timecode> ParseOffset(std::string_view text, const FrameRate& rate);

// Re-times every cue to another frame rate by real time (labels follow the new rate).
void RetimeToRate(SubtitleDocument& doc, int frameRateCode);
// One cue of it: an incomplete cue stays as it is.
CueDigits RetimeCue(const CueDigits& cue, const FrameRate& from, const FrameRate& to);
// One cue moved by `offset` frames; a cue that would fall before 00:00:00:00 stops there
// and is counted in `clipped`.
CueDigits OffsetCue(const CueDigits& cue, Timecode offset, const FrameRate& rate, std::size_t& clipped);
// Adds frames to every set cue; cues that would fall before 00:00:00:00 stop there (one
// warning names how many).
void ApplyOffset(SubtitleDocument& doc, Timecode offset, Warnings& warnings);

// Reads `input` by its extension and writes `output` by its extension. Between two
// formats that stream (formats.h `StreamHooks`), one subtitle at a time.
ConvertedFile ConvertFile(const std::filesystem::path& input, const std::filesystem::path& output,
                          const ConvertOptions& options, SettingsStore& settings, Prompter& prompter);

// The streamed conversion itself, between two formats with stream hooks: `bytes` are the
// input file's, and may be released on the way. Throws UserError; on any error the output
// is left as it was.
Warnings ConvertStreamed(const Format& from, const Format& to, Bytes& bytes, const std::filesystem::path& input,
                         const std::filesystem::path& output, const ConvertOptions& options, SettingsStore& settings,
                         Prompter& prompter);

// Writes a document into a quick-conversion / batch-export target. Throws UserError when
// the target has no writer in this build.
Bytes WriteConvertTarget(const ConvertTarget& target, const SubtitleDocument& doc, std::optional<TextEncoding> encoding,
                         SettingsStore& settings, Prompter& prompter, Warnings& warnings);

// The quick conversion window's Convert: each input written beside it (or into
// `outputFolder`) with the target's extension. Progress reads "Converting cues..." and
// "Converting <file name>"; the settings "Quick convert ..." are stored.
std::vector<ConvertedFile> QuickConvert(const std::vector<std::filesystem::path>& inputs, const ConvertTarget& target,
                                        const ConvertOptions& options, const std::filesystem::path& outputFolder,
                                        SettingsStore& settings, Prompter& prompter);
// "3 files have been converted." / "1 file has been converted."
std::string QuickConvertEndMessage(std::size_t files);

}  // namespace kipo
