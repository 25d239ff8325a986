#pragma once
// Import-only text scripts of captioning and subtitling systems that put a subtitle's cues
// on one line and its text on that line or the lines below ("number in out text"): the
// CaptionMaker ASCII export, SDI Media Group formatted text and Screen structured ASCII.
// Each is read tolerantly through the shared timed-line reader: headings, notes and
// page lines that carry no cues are skipped (their own lines silently, others with a
// warning), and "<i>" / "</i>" mark italics where the file has them.
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

SubtitleDocument ReadCaptionMakerText(std::string_view text, const FrameRate& rate, Warnings& warnings);
SubtitleDocument ReadSdiMediaText(std::string_view text, const FrameRate& rate, Warnings& warnings);
SubtitleDocument ReadScreenStructuredAscii(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
