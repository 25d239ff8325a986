#pragma once
// Which groups of pictures may leave out their reference B-pictures too, decided from the
// bitstream: the decoder's reference pictures are followed twice, once as they are when
// every picture is decoded and once as they are with the planned pictures left out.
//
// A reference picture left out leaves a gap in frame_num; the decoder fills it with a
// stand-in (no picture of the stream), the left-out picture's marking commands are lost,
// and later pictures may build their reference lists from what is left. A plan is taken
// only where every picture it decodes has the same reference pictures in both (one entry
// in each list, never a stand-in), the same order count, marking commands that find their
// pictures, and where the two agree again before anything the plan does not cover (or an
// IDR picture clears both). Anything the model does not cover (fields, long-term
// references, order counts of type 1 or 2, headers that cannot be read) keeps every
// reference picture, as does a stream whose pictures refer to more than one picture.
#include <cstddef>
#include <vector>

#include "video/h264_headers.h"

namespace kipo::h264 {

enum class GroupMode {
  Whole,   // every picture decoded
  NonRef,  // pictures no other picture refers to left out
  Bidir,   // B-pictures left out too, reference ones included
};

// A group in decoding order: an anchor and the B-pictures shown before it.
struct PlannedGroup {
  std::vector<Picture> pictures;
  bool whole = false;  // decided by the caller: every picture must be decoded
  GroupMode mode = GroupMode::NonRef;
};

// Whether the decoder decodes picture p in a group of mode m.
bool Decoded(const Picture& p, GroupMode m);

// The reference pictures as one decoder sees them (short-term frames only).
struct ReferenceModel {
  struct Ref {
    long id;  // the picture's place in decoding order; -1: a stand-in for a gap
    int frameNum;
    int poc;
  };
  std::vector<Ref> refs;
  bool started = false;
  int prevRefFrameNum = 0;
  int prevPocMsb = 0, prevPocLsb = 0;

  // Takes picture `id` decoded by this decoder. The reference picture of each list of
  // each slice goes to `lists` (L0, L1; -2 where the slice has no such list). False when
  // the picture breaks a rule (see above).
  bool Decode(const Picture& p, long id, std::vector<long>& lists, int& poc);
  bool operator==(const ReferenceModel& o) const;
};

class SkipPlanner {
 public:
  // What follows the groups being planned.
  enum class Next { More, Idr, Nothing };

  // The decoder starts again (flushed): nothing is known of its references.
  void Reset();
  // Sets the mode of each group not decoded whole: Bidir wherever it is safe, else NonRef.
  // The planner then follows the decoder through them.
  void Plan(std::vector<PlannedGroup>& groups, Next next);

 private:
  // Whether the groups decode right with these modes from the current state; the states
  // after them go to `full`, `skip`.
  bool Check(const std::vector<PlannedGroup>& groups, std::size_t from, ReferenceModel full, ReferenceModel skip,
             long id, Next next, ReferenceModel* fullAfter, ReferenceModel* skipAfter) const;

  ReferenceModel full_, skip_;
  long next_ = 0;       // the next picture's place in decoding order
  bool blind_ = false;  // a picture not understood since the last IDR picture
};

}  // namespace kipo::h264
