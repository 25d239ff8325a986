#pragma once
// Closed caption text files, as caption systems export their captions for editing:
//
//   ** Caption Number 2
//   *T 01:00:06:06
//   *TopDown
//   *C116
//   The first row
//   and the second\E
//
// A caption is the text after its "*T" time up to "\E" (or the next caption); "\AI\"
// switches to italics and "\AW\" back to plain white; other "\..\" codes, "*" command
// lines and "**" comments are layout. A caption shows until the next one, and one
// without text clears the screen. Files of one caption per line ("in out text" or "in
// text") are read as well.
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

SubtitleDocument ReadCaptionText(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
