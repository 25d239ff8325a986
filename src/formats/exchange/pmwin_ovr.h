#pragma once
// PMWin overlay scripts (.ovr), used for Asian-language subtitling: text in the ANSI code
// page of the document's character set (Shift-JIS, GBK, Big5, Korean Wansung, ...), a
// first line "OVR" with the frame rate, then per subtitle "number in out" with the
// document's row and alignment, the rows of its text below ("<i>" / "</i>" for italics,
// "<u>" / "</u>" for underline), and a blank line.
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WritePmWinOvr(const SubtitleDocument& doc, Warnings& warnings);
// Reads the layout and its relatives: the heading, the row and alignment fields may be
// missing, cues may be separated by tabs, commas or "-->".
SubtitleDocument ReadPmWinOvr(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
