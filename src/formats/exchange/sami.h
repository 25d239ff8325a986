#pragma once
// SAMI, the caption files of the Windows media player (.smi): an HTML-like file whose
// <SYNC Start=ms> elements each start a caption; a caption ends where the next SYNC starts,
// and a SYNC holding only "&nbsp;" clears the screen.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

struct SamiOptions {
  std::string title;                   // <TITLE>; the document's file name when empty
  std::string fontName = "Arial";
  int fontSize = 24;                   // points
  std::string className = "ENUSCC";    // the caption class of the P elements
  std::string languageName = "English";
  std::string languageCode = "en-US";
};

std::string WriteSami(const SubtitleDocument& doc, const SamiOptions& options, Warnings& warnings);
// Reads the captions of the first caption class in the file; throws InvalidFileFormat when
// the file holds no SYNC element.
SubtitleDocument ReadSami(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
