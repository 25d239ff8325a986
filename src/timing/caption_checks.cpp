#include "timing/caption_checks.h"

#include <algorithm>

#include "core/cea608_caption.h"
#include "core/markup.h"

namespace kipo {

std::optional<SendTime> CaptionSendTime(const SubtitleDocument& doc, std::size_t index,
                                        const std::vector<CueFrames>& cues) {
  if (!cues[index].in) return std::nullopt;
  const Timecode in = *cues[index].in;
  // The load time of a pop-on caption: resume caption loading, its rows, the erase, the
  // two-frame wait and the flip, one word a frame; the flip lands on the frame before the in cue.
  const cea608::CaptionCode code = cea608::EncodeCaption(doc.At(index), {});
  const Timecode load = static_cast<Timecode>(code.words) + 5;
  Timecode start = std::max<Timecode>(in - load, 0);
  // Loading starts once the caption before it has been erased at its out cue.
  if (index > 0 && cues[index - 1].out) start = std::max(start, *cues[index - 1].out + 1);
  SendTime t;
  t.display = start + load;
  t.late = std::max<Timecode>(t.display - in, 0);
  return t;
}

std::string SendTimeMessage(const SendTime& t, const FrameRate& rate) {
  return "Decoder display time: " + FramesToLabel(t.display, rate) + "\nYou need to decrease the previous out cue by " +
         std::to_string(t.late) + (t.late == 1 ? " frame" : " frames") +
         " and/or edit this caption to bring it in on time. Your best bet might be to lock the last out cue to the "
         "current in cue.\nClick Fix to offset the last out cue, Lock to force the default interval, Edit to cancel "
         "the check or Ignore to continue checking.";
}

void CollectCaptionTextFaults(const Subtitle& sub, const CheckSettings& s, std::vector<Finding>& out) {
  if (s.ccCheckF3Italics && sub.italic) out.push_back({Fault::WholeCaptionItalic});
  if (s.ccCheckIllegalCharacters)
    for (int row : cea608::EncodeCaption(sub, {}).illegalRows) out.push_back({Fault::IllegalCharacter, row});
}

void CollectCaptionTimingFaults(const SubtitleDocument& doc, std::size_t index, const CheckSettings& s,
                                const std::vector<CueFrames>& cues, std::vector<Finding>& out) {
  if (s.ccCheckSendTime) {
    if (auto t = CaptionSendTime(doc, index, cues); t && t->late > s.ccDelayTolerance)
      out.push_back({Fault::SendTime, 0, t->late});
  }
  if (s.ccCheckRowMapping && cea608::EncodeCaption(doc.At(index), {}).rowsDoNotFit)
    out.push_back({Fault::RowMapping});
}

}  // namespace kipo
