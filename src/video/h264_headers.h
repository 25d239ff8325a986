#pragma once
// What the shot-cut pass needs to know of an H.264 stream to leave out reference B-pictures
// safely: the sequence and picture parameter sets and each slice's header up to its
// reference marking. Only frames are described (a field picture, long-term references,
// slice groups or a header that cannot be read make a picture unknown: `known` false),
// and a caller treats anything unknown as a reason to decode every reference picture.
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace kipo::h264 {

struct SequenceSet {
  int log2MaxFrameNum = 4;
  int pocType = 0;
  int log2MaxPocLsb = 4;
  bool deltaPicOrderAlwaysZero = false;
  int offsetForNonRefPic = 0;
  int offsetForTopToBottom = 0;
  std::vector<int> offsetForRefFrame;
  int maxNumRefFrames = 0;
  bool gapsAllowed = false;
  bool frameMbsOnly = true;
  bool separateColourPlane = false;
  int chromaArrayType = 1;
};

struct PictureSet {
  int sps = 0;
  bool bottomFieldPicOrderPresent = false;
  int numRefIdxDefault[2] = {1, 1};  // active entries, not minus 1
  bool weightedPred = false;
  int weightedBipred = 0;
  bool redundantPicCntPresent = false;
};

// One step of a reference list's modification: idc 0/1 subtract/add abs_diff_pic_num.
struct ListChange {
  int idc = 0;
  int absDiffPicNumMinus1 = 0;
};

struct Slice {
  int nalType = 0;
  int nalRefIdc = 0;
  int type = 0;  // 0 P, 1 B, 2 I (slice_type % 5; SP and SI are refused)
  int frameNum = 0;
  int pocLsb = 0;
  int deltaPocBottom = 0;
  int deltaPoc[2] = {0, 0};
  int numRefIdxActive[2] = {0, 0};
  std::vector<ListChange> changes[2];
  // Short-term pictures no longer used for reference, by difference_of_pic_nums_minus1
  // (the only marking command accepted).
  std::vector<int> unmark;
  bool adaptiveMarking = false;
};

// A picture: its slices (one packet holds one access unit), all of one kind.
struct Picture {
  bool known = false;
  bool idr = false;
  bool reference = false;  // nal_ref_idc != 0
  bool bidir = false;      // B slices (the decoder's "bidir" skip leaves these out)
  SequenceSet sps;  // the sets the picture was coded with
  PictureSet pps;
  std::vector<Slice> slices;
};

class HeaderParser {
 public:
  // `extradata`: the decoder setup of the stream (an avcC record, or parameter sets with
  // start codes, or nothing).
  explicit HeaderParser(std::span<const std::uint8_t> extradata);

  // One packet (an access unit, length-prefixed when the setup was avcC, else with start
  // codes). Parameter sets in it are taken in; the picture's slices are described.
  Picture Parse(std::span<const std::uint8_t> packet);

 private:
  void TakeNal(std::span<const std::uint8_t> nal, Picture* picture);
  template <class F>
  void ForEachNal(std::span<const std::uint8_t> data, bool lengthPrefixed, F&& f);

  int lengthSize_ = 0;  // 0: start codes
  std::map<int, SequenceSet> sps_;
  std::map<int, PictureSet> pps_;
};

}  // namespace kipo::h264
