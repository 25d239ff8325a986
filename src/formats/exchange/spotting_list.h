#pragma once
// Theatrical spotting lists and the other lists people print and edit in a word processor
// (translation templates, the Gelula RTF list). Every one shares one layout, as plain text
// or as Rich Text:
//
//   header lines (the list's title block)
//   <blank line>
//   0001<TAB>in<TAB>out<TAB>SS:FF        number, cues and the duration in seconds:frames
//   <TAB>first row of the text
//   <TAB>second row
//   <blank line>
//
// In the text list italics are "<i>" / "</i>"; in the RTF list they are the word
// processor's own italics. The reader takes the rows with or without their tab (people
// editing a list lose them), skips the header silently and ignores the duration.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

inline constexpr const char* kTheatricalHeaderFile = "theatrical.dat";
const std::string& DefaultTheatricalHeader();

struct ListLayout {
  std::string name;           // named in warnings ("Theatrical spotting list")
  std::string header;         // lines before the subtitles (any line ends)
  bool duration = true;       // the duration column
};

std::string WriteSpottingText(const SubtitleDocument& doc, const ListLayout& layout, Warnings& warnings);
std::string WriteSpottingRtf(const SubtitleDocument& doc, const ListLayout& layout, Warnings& warnings);
SubtitleDocument ReadSpottingText(std::string_view text, const FrameRate& rate, Warnings& warnings);
// Throws InvalidFileFormat when the bytes are not RTF.
SubtitleDocument ReadSpottingRtf(std::string_view rtf, const FrameRate& rate, std::string_view ansiCodePage,
                                 Warnings& warnings);

// A document without timing (an unstructured Word or RTF document, or plain text): each
// block of lines between blank lines becomes a subtitle without cues.
SubtitleDocument ReadUnstructuredDocument(std::string_view bytes, const FrameRate& rate, std::string_view ansiCodePage,
                                          Warnings& warnings);

}  // namespace kipo
