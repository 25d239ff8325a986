#include "core/detect_frame_rate.h"

namespace kipo {

DetectedRate InferFrameRate(const SubtitleDocument& doc) {
  bool counted = false, ntsc = false;
  for (const Subtitle& s : doc.Subtitles()) {
    if (!s.inCue.IsSet() || !s.outCue.IsSet()) continue;
    counted = true;
    auto ff = [](const std::string& c) { return (c[6] - '0') * 10 + (c[7] - '0'); };
    if (ff(s.inCue) > 24 || ff(s.outCue) > 24) {
      ntsc = true;
      break;
    }
  }
  if (!counted) return DetectedRate::None;
  if (!ntsc) return DetectedRate::Pal;
  // A drop-frame label never names frame 00 or 01 at the start of a minute that is not a
  // tenth minute.
  for (const Subtitle& s : doc.Subtitles()) {
    for (const Cue* c : {&s.inCue, &s.outCue}) {
      if (!c->IsSet()) continue;
      const std::string& d = *c;
      if (d[3] >= '1' && d[3] <= '9' && d[4] == '0' && d[5] == '0' && d[6] == '0' && (d[7] == '0' || d[7] == '1'))
        return DetectedRate::NtscNonDrop;
    }
  }
  return DetectedRate::NtscDrop;
}

DetectedRate DetectFrameRate(SubtitleDocument& doc, Prompter& prompter) {
  DetectedRate r = InferFrameRate(doc);
  const FrameRate& cur = doc.frameRate();
  switch (r) {
    case DetectedRate::None:
      prompter.Inform("", "Cannot auto-detect frame rate.\nThe file does not appear to contain valid in and out cues.");
      break;
    case DetectedRate::Pal:
      if (cur.countingRate() != 25 &&
          prompter.AskYesNo("", "This appears to be a PAL file.\nWould you like to set the frame rate to PAL?"))
        doc.SetFrameRate(25);
      break;
    case DetectedRate::NtscNonDrop:
      if ((cur.countingRate() != 30 || cur.dropFrame) &&
          prompter.AskYesNo("", "This appears to be an NTSC non-drop file.\nWould you like to set the frame rate to NTSC NDF?"))
        doc.SetFrameRate(30);
      break;
    case DetectedRate::NtscDrop:
      if ((cur.countingRate() != 30 || !cur.dropFrame) &&
          prompter.AskYesNo("", "This appears to be an NTSC drop frame file.\nWould you like to set the frame rate to NTSC DF?"))
        doc.SetFrameRate(29);
      break;
  }
  return r;
}

}  // namespace kipo
