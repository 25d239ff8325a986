#pragma once
// Cheetah caption files (.cap), binary. No description of the caption system's own layout
// is public, so the file is the plainest binary form of a caption list (docs/formats.md):
//
//   header, 16 bytes (16-bit values little-endian)
//     0  4  "CAP" and a zero byte
//     4  2  layout version, 1
//     6  2  frame rate code (15, 23, 24, 25, 29 = 29.97 drop-frame, 30, 48, 50, 59, 60)
//     8  2  number of caption records
//    10  6  zero
//   caption record
//     0  2  length of the rest of the record (a reader skips what it does not know)
//     2  4  in cue: hours, minutes, seconds, frames, one byte each; FF FF FF FF = no cue
//     6  4  out cue
//    10  1  alignment (1 centre, 2 left, 3 right, 4 centred block set left)
//    11  1  screen row of the lowest text row, 0 = bottom
//    12  1  number of text rows
//    13     per row: 2 bytes length, then the row in Windows-1252 with 0E / 0F around
//           italics and 1C / 1D around underline
#include <span>
#include <string>
#include <vector>

#include "core/document.h"
#include "platform/binary_io.h"

namespace kipo {

Bytes WriteCheetahCap(const SubtitleDocument& doc, std::vector<std::string>& warnings);
// Throws InvalidFileFormat("This is not a valid Cheetah CAP file.") for other files; a file
// cut short keeps the captions read so far and says so.
SubtitleDocument ReadCheetahCap(std::span<const std::uint8_t> bytes, std::vector<std::string>& warnings);

}  // namespace kipo
