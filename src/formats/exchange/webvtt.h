#pragma once
// WebVTT (.vtt): "WEBVTT" header, numbered cues with optional cue settings, NOTE blocks.
#include <string>
#include <string_view>

#include "core/document.h"
#include "formats/exchange/text_measure.h"

namespace kipo {

using Warnings = std::vector<std::string>;

struct WebVttOptions {
  std::string movieName;            // after "WEBVTT " in the first line
  bool includePositioning = true;   // write alignment cue settings
  bool includeComments = false;     // write comments as NOTE blocks
  // For the position of centred-left blocks: the subtitle font and the frame width (px).
  FontFace font;
  int frameWidth = 720;
  // Measures the lines; when null, Pango is used.
  const TextMeasurer* measurer = nullptr;
};

// Frame width of a display-format index (0-10); 720 for unknown indexes.
int DisplayFormatWidth(int index);

// The cue settings written for a subtitle (with its leading space), or "".
std::string WebVttCueSettings(const Subtitle& s, const WebVttOptions& o, const TextMeasurer& m);

std::string WriteWebVtt(const SubtitleDocument& doc, const WebVttOptions& options, Warnings& warnings);

// Reads WebVTT text into a new document at `rate`; cues with or without identifiers, NOTE
// blocks become the comment of the cue before them. Throws InvalidFileFormat when the
// text does not start with "WEBVTT".
SubtitleDocument ReadWebVtt(std::string_view text, const FrameRate& rate, Warnings& warnings);

}  // namespace kipo
