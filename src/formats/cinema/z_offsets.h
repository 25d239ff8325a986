#pragma once
// The depth of each subtitle in a stereoscopic (3D) release: a Z offset in percent of the
// screen width (negative: in front of the screen), kept by subtitle number.
//
// Offsets files are lines of "number<TAB>offset" with two decimals. Range files give one
// offset to a run of subtitles: "first<TAB>last<TAB>offset".
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace kipo {

using ZOffsets = std::map<int, double>;  // subtitle number (1-based) -> percent

// The file's text (CR LF line ends); subtitles at 0 are left out.
std::string ZOffsetsText(const ZOffsets& z);
// Reads an offsets file; a line that is not "number<TAB>offset" throws UserError naming it.
// Blank lines are skipped, and spaces may stand for the tab.
ZOffsets ParseZOffsets(std::string_view text);
// Applies a ranges file to `z` (later lines win); throws UserError on a bad line.
void ApplyZRanges(ZOffsets& z, std::string_view text);

ZOffsets LoadZOffsetsFile(const std::filesystem::path& path);
void SaveZOffsetsFile(const std::filesystem::path& path, const ZOffsets& z);
void LoadZRangesFile(const std::filesystem::path& path, ZOffsets& z);

// "Z offset: 1.50%" as the options window shows it.
std::string ZOffsetLabel(double offset);
// An offset with two decimals ("-0.25").
std::string ZOffsetText(double offset);

}  // namespace kipo
