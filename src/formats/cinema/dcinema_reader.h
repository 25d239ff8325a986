#pragma once
// Reading digital cinema subtitle files back into a document: DCSubtitle (any version) and
// SMPTE 428-7 subtitle reels (any edition). Times, text with italics, underline, bold and
// colours, the vertical position as a row and the alignment are kept; fonts, depths and
// pictures are named in the warnings, since a document has no place for them.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/document.h"
#include "core/markup.h"
#include "formats/cinema/dlp_options.h"

namespace kipo {

using Warnings = std::vector<std::string>;

// True when the bytes look like a cinema subtitle file: the first element is DCSubtitle or
// a SubtitleReel. Files ending in .xml are told apart from Timed Text by this.
bool LooksLikeDcinema(std::span<const std::uint8_t> bytes);

// Reads the file; throws InvalidFileFormat with the reason when it is not one. The
// options give the colour map and the margins and line pitch that positions are read with;
// `frameRateCode` is the rate of a DCSubtitle file, which names none (0: 25 fps).
SubtitleDocument ReadDcinemaXml(std::span<const std::uint8_t> bytes, const DlpOptions& options, int frameRateCode,
                                const BoldMarkers& bold, Warnings& warnings);

// The file is read by a scan of its bytes when it is UTF-8 of the plain form programs write,
// else by the XML tree (which also names what is wrong with a broken file): the same
// document, warnings and refusals either way. For tests: the tree's reading alone, and
// whether the scan reads the file itself.
SubtitleDocument ReadDcinemaXmlTree(std::span<const std::uint8_t> bytes, const DlpOptions& options, int frameRateCode,
                                    const BoldMarkers& bold, Warnings& warnings);
bool DcinemaScanReads(std::span<const std::uint8_t> bytes, const DlpOptions& options, int frameRateCode,
                      const BoldMarkers& bold);

}  // namespace kipo
