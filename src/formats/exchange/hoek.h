#pragma once
// Voice-over scripts for the Hoek en Sonépouse recording system (.txt): per subtitle a line
// "in out" and the rows of its text below, a blank line after each. Three choices shape the
// file: whether cues carry their frames ("Hoek frame"), the separator before the frames
// ("Hoek timecode format": 0 "HH:MM:SS:FF", 1 "HH:MM:SS.FF") and whether rows stay on lines
// of their own or are joined by a space into one line ("Hoek CR").
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

struct HoekOptions {
  bool frames = true;
  int timecodeFormat = 0;
  bool rowsOnLines = true;
};

std::string WriteHoek(const SubtitleDocument& doc, const HoekOptions& options, Warnings& warnings);
// Reads every shape the options give (cues with or without frames, either separator).
SubtitleDocument ReadHoek(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
