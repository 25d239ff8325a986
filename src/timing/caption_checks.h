#pragma once
// The closed-caption checks: whether a subtitle can go out as a line-21 caption. They run
// with the house switch "Enable closed caption checks" and their own "EIA 608" switches.
//
// Send time: a pop-on caption must be loaded before it flips in; its words go out one per
// frame after the previous caption has gone (at the previous out cue, where that caption is
// erased). When loading cannot start early enough, the decoder shows the caption late.
#include <optional>
#include <string>
#include <vector>

#include "core/document.h"
#include "timing/fault_catalogue.h"
#include "timing/subtitle_checks.h"

namespace kipo {

struct SendTime {
  Timecode display = 0;  // the frame a decoder can show the caption
  int late = 0;          // frames after the in cue
};
// When subtitle `index` reaches the screen; nullopt when its in cue is not a timecode.
std::optional<SendTime> CaptionSendTime(const SubtitleDocument& doc, std::size_t index,
                                        const std::vector<CueFrames>& cues);
// The interactive run's message for a late caption.
std::string SendTimeMessage(const SendTime& t, const FrameRate& rate);

// Faults 20 and 21 of the catalogue (whole subtitle italicised, illegal characters).
void CollectCaptionTextFaults(const Subtitle& sub, const CheckSettings& s, std::vector<Finding>& out);
// The send time and the row mapping.
void CollectCaptionTimingFaults(const SubtitleDocument& doc, std::size_t index, const CheckSettings& s,
                                const std::vector<CueFrames>& cues, std::vector<Finding>& out);

}  // namespace kipo
