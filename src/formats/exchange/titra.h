#pragma once
// Titra theatrical subtitle text (.txt): one subtitle per line,
// "number<TAB>in<TAB>out<TAB>text", rows of the text joined by '|', "<i>" / "</i>" for
// italics.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

std::string WriteTitra(const SubtitleDocument& doc, Warnings& warnings);
SubtitleDocument ReadTitra(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
