#pragma once
// WebVTT (.vtt): "WEBVTT" header, numbered cues with optional cue settings, NOTE blocks.
#include <string>
#include <string_view>

#include <functional>
#include <memory>

#include "core/document.h"
#include "formats/exchange/cue_text.h"
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
  // Measures the lines; when null, the one `makeMeasurer` gives the first time a block is
  // placed by its width, else an estimate from the font size.
  const TextMeasurer* measurer = nullptr;
  std::function<std::unique_ptr<TextMeasurer>()> makeMeasurer;
};

// Frame width of a display-format index (0-10); 720 for unknown indexes.
int DisplayFormatWidth(int index);

// The cue settings written for a subtitle (with its leading space), or "".
std::string WebVttCueSettings(const Subtitle& s, const WebVttOptions& o, const TextMeasurer& m);

// Writes one cue at a time after the "WEBVTT" line.
class WebVttWriter : public CueListWriter {
 public:
  WebVttWriter(const SubtitleDocument& header, WebVttOptions options);
  void Add(std::string& out, const Subtitle& s, Warnings& warnings) override;
  void Finish(std::string& out, Warnings& warnings) override;

 private:
  void Start(std::string& out);
  const TextMeasurer& Measurer();
  WebVttOptions o_;
  FrameRate rate_;
  std::unique_ptr<TextMeasurer> own_;
  FixedWidthMeasurer unmeasured_{0};
  std::size_t n_ = 0;
  bool started_ = false;
  bool blankOwed_ = false;  // a note ended the last block: the next one starts after an empty line
  bool droppedColour_ = false;
};
std::string WriteWebVtt(const SubtitleDocument& doc, const WebVttOptions& options, Warnings& warnings);

// Reads WebVTT text into a new document at `rate`; cues with or without identifiers, NOTE
// blocks become the comment of the cue before them. Throws InvalidFileFormat when the
// text does not start with "WEBVTT".
SubtitleDocument ReadWebVtt(std::string_view text, const FrameRate& rate, Warnings& warnings);
// The same pass handing each subtitle to a sink once the notes after it are read.
void ReadWebVttCues(std::string_view text, const FrameRate& rate, SubtitleDocument& header, const SubtitleSink& sink,
                    Warnings& warnings);

}  // namespace kipo
