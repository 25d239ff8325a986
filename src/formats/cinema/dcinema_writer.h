#pragma once
// Digital cinema subtitle files: the DCSubtitle XML (versions 1.0 and 1.1, with a depth
// for 3D, and the XDC variant) and the SMPTE 428-7 subtitle reel, written from the
// document and the "DLP" options. The cinema server draws the text itself from the font,
// colours, effect and the position of every line.
#include <filesystem>
#include <string>
#include <vector>

#include "core/document.h"
#include "core/markup.h"
#include "formats/cinema/dcinema_images.h"
#include "formats/cinema/dlp_options.h"
#include "formats/cinema/z_offsets.h"
#include "formats/exchange/text_measure.h"

namespace kipo {

using Warnings = std::vector<std::string>;

// Which picture a file is for: one file for both eyes, or one of a 3D pair.
enum class Eye { Both, Left, Right };

struct DcinemaSetup {
  DlpOptions options;
  BoldMarkers bold;                 // the document's bold markers, when bold text is enabled
  const ZOffsets* zOffsets = nullptr;
  Eye eye = Eye::Both;
  std::string subtitleId;           // "" -> a new UUID
  std::string issueDate;            // "" -> now ("yyyy-mm-ddThh:mm:ss-00:00")
  // Widths for centred blocks of left-aligned lines; nullptr -> Pango.
  const TextMeasurer* measurer = nullptr;
  // The image variant: one picture per subtitle, in document order, in place of the text.
  const std::vector<DcinemaImage>* images = nullptr;
};

// Every problem that stops an export, one message per problem with its subtitle number
// ("Negative duration in subtitle 12", "Subtitle 3 is empty", ...), in subtitle order.
std::vector<std::string> DcinemaProblems(const SubtitleDocument& doc);

// The whole file. Throws UserError when the document has problems or no subtitles; what the
// file cannot hold is named in `warnings`.
std::string WriteDcinemaXml(const SubtitleDocument& doc, const DcinemaSetup& setup, Warnings& warnings);

// The files an export to `path` writes: the path itself, or with a ZPosition dialect and
// "3D subs" on, "<name>_Left.xml" and "<name>_Right.xml".
std::vector<std::filesystem::path> DcinemaFilePaths(const std::filesystem::path& path, const DlpOptions& o);
// Writes every file of an export (each atomically; none when the document has problems),
// with "Images" on also the PNG picture of each subtitle. Returns the files written.
std::vector<std::filesystem::path> ExportDcinema(const SubtitleDocument& doc, const DcinemaSetup& setup,
                                                 const std::filesystem::path& path, Warnings& warnings);

// Times as the two kinds of file write them: "HH:MM:SS:TTT" in 4-millisecond ticks, and
// "HH:MM:SS:FF" in frames of the reel's time-code rate.
std::string TickTime(const Cue& cue, const FrameRate& rate);
std::string EditUnitTime(const Cue& cue, const FrameRate& rate, int timeCodeRate);

// A language tag for a Windows language identifier ("en", "fr"); "en" when unknown.
std::string LanguageTag(std::int32_t languageId);

}  // namespace kipo
