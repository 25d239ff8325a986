#pragma once
// Where the programme is. The video panel drives the playhead from the player as the
// picture moves; the timeline, the cue keys, the overlay and the tests read it and ask it
// to go elsewhere. Positions are frames of the video at the document's rate (the video
// offset of the document is applied when a position becomes a cue, not here).
//
// Nothing here knows about a player: with no video open the playhead stays at frame 0,
// Seek only records the request and `seekRequested` has no listener.
#include <filesystem>
#include <utility>

#include "core/timecode.h"
#include "platform/signal.h"

namespace kipo {

class Playhead {
 public:
  Timecode position() const { return position_; }
  bool playing() const { return playing_; }
  // Frames in the open video; 0 with none.
  Timecode length() const { return length_; }
  bool hasVideo() const { return length_ > 0; }

  // The player reports where it is; `moved` fires when anything changed.
  void Report(Timecode frame, bool playing) {
    if (frame == position_ && playing == playing_) return;
    position_ = frame;
    playing_ = playing;
    moved(position_);
  }
  // The video panel opened `video` with `frames` frames, or closed it (empty, 0).
  void Open(std::filesystem::path video, Timecode frames) {
    video_ = std::move(video);
    length_ = frames;
    if (position_ >= length_) position_ = 0;
    opened(length_);
  }
  const std::filesystem::path& video() const { return video_; }
  // Asks the player to show `frame` (clamped to the video). The player answers with
  // Report once the picture is there.
  void Seek(Timecode frame) {
    if (frame < 0) frame = 0;
    if (length_ > 0 && frame >= length_) frame = length_ - 1;
    seekRequested(frame);
  }

  Signal<Timecode> moved;          // the position the picture shows
  Signal<Timecode> opened;         // a new video and its length (0: none)
  Signal<Timecode> seekRequested;  // the player listens and seeks

 private:
  std::filesystem::path video_;
  Timecode position_ = 0;
  Timecode length_ = 0;
  bool playing_ = false;
};

}  // namespace kipo
