#pragma once
// The Swift Interchange Format file (.sif): sections of "key=value" lines. "[SIF]" names the
// version, the frame rate and the count of subtitles; each "[Subtitle n]" section holds
// "In=", "Out=" and one "Row=" line per row of its text, "<i>" / "</i>" for italics and
// "<u>" / "</u>" for underline inside the rows.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteSwiftInterchange(const SubtitleDocument& doc, Warnings& warnings);
SubtitleDocument ReadSwiftInterchange(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
