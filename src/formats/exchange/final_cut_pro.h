#pragma once
// Final Cut Pro XML interchange files (xmeml, version 5) of text subtitles: one sequence
// whose video track holds a "Text" generator item per subtitle, placed at the subtitle's
// cues, with the text (rows separated by CR), font, size, alignment and style as the
// generator's parameters. The generator styles a whole item: a wholly italic subtitle is
// written in the italic style, italics over part of a text are left out with a warning.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

struct FinalCutProOptions {
  std::string fontName = "Arial";
  int fontSize = 36;
  int frameWidth = 1920, frameHeight = 1080;
};

std::string WriteFinalCutPro(const SubtitleDocument& doc, const FinalCutProOptions& options, Warnings& warnings);
// The same file as its bytes, made in the same pass: it is ASCII whatever the subtitles
// hold (characters outside ASCII are character references), so its bytes in UTF-8 and in
// an ANSI code page that keeps ASCII are its text. `utf8Bom` puts UTF-8's byte-order mark
// in front.
std::vector<std::uint8_t> WriteFinalCutProBytes(const SubtitleDocument& doc, const FinalCutProOptions& options,
                                                Warnings& warnings, bool utf8Bom);
// Reads the text generator items of every video track, in timeline order; throws
// InvalidFileFormat when the file is not xmeml or holds no text item.
SubtitleDocument ReadFinalCutPro(std::string_view text, const FrameRate& rate, Warnings& warnings);

// The same reading through a tree of the whole file, and whether the quick scan that
// ReadFinalCutPro tries first reads the file (it hands every other file to the tree):
// tests hold the two to the same result.
SubtitleDocument ReadFinalCutProTree(std::string_view text, const FrameRate& rate, Warnings& warnings);
bool FinalCutProScanReads(std::string_view text, const FrameRate& rate);

}  // namespace kipo
