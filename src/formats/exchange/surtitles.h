#pragma once
// Surtitle cue lists for theatre systems, one cue per line, tab-delimited:
//   Sonya Friedman tab-delimited: "number<TAB>in<TAB>out<TAB>text"
//   Figaro Systems in-Ovation: a heading "Cue<TAB>In<TAB>Out<TAB>Text", then the same rows
// Rows of the text are joined by '|'; "<i>" / "</i>" mark italics.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteSonyaFriedman(const SubtitleDocument& doc, Warnings& warnings);
std::string WriteFigaro(const SubtitleDocument& doc, Warnings& warnings);
// Reads both (and other tab-delimited cue lists of the same shape).
SubtitleDocument ReadSurtitleCues(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
