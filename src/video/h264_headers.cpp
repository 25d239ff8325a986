#include "video/h264_headers.h"

#include <algorithm>

namespace kipo::h264 {
namespace {

// Thrown where a header cannot be read or holds something the pass does not model.
struct Unknown {};

// Reads bits of a NAL unit's payload, the emulation prevention bytes (00 00 03) removed as
// the reading gets to them: a header is read without copying the slice's data.
class Bits {
 public:
  explicit Bits(std::span<const std::uint8_t> nal) : nal_(nal) {}

  unsigned U(int n) {
    unsigned v = 0;
    for (int i = 0; i < n; ++i) v = (v << 1) | Bit();
    return v;
  }
  bool Flag() { return Bit() != 0; }
  // ue(v): leading zeros, a one, then as many bits.
  unsigned Ue() {
    int zeros = 0;
    while (Bit() == 0)
      if (++zeros > 31) throw Unknown{};
    return zeros == 0 ? 0 : ((1u << zeros) - 1) + U(zeros);
  }
  int Se() {
    const unsigned k = Ue();
    return k & 1 ? static_cast<int>((k + 1) / 2) : -static_cast<int>(k / 2);
  }
  int UeUpTo(unsigned most) {
    const unsigned v = Ue();
    if (v > most) throw Unknown{};
    return static_cast<int>(v);
  }

 private:
  unsigned Bit() {
    if (left_ == 0) {
      // The next payload byte; after two zero bytes a 3 is no payload.
      if (at_ < nal_.size() && zeros_ >= 2 && nal_[at_] == 3) {
        ++at_;
        zeros_ = 0;
      }
      if (at_ >= nal_.size()) throw Unknown{};
      byte_ = nal_[at_++];
      zeros_ = byte_ == 0 ? zeros_ + 1 : 0;
      left_ = 8;
    }
    --left_;
    return (byte_ >> left_) & 1u;
  }
  std::span<const std::uint8_t> nal_;
  std::size_t at_ = 1;  // after the NAL unit's own header byte
  int zeros_ = 0, left_ = 0;
  unsigned byte_ = 0;
};

void SkipScalingList(Bits& b, int size) {
  int last = 8, next = 8;
  for (int j = 0; j < size; ++j) {
    if (next != 0) next = (last + b.Se() + 256) % 256;
    last = next == 0 ? last : next;
  }
}

SequenceSet ReadSequenceSet(Bits& b, int& id) {
  SequenceSet s;
  const unsigned profile = b.U(8);
  b.U(16);  // constraint flags, level
  id = b.UeUpTo(31);
  int chroma = 1;
  switch (profile) {
    case 100: case 110: case 122: case 244: case 44: case 83: case 86: case 118: case 128: case 138: case 139:
    case 134: case 135: {
      chroma = b.UeUpTo(3);
      if (chroma == 3) s.separateColourPlane = b.Flag();
      b.UeUpTo(14);  // bit depths
      b.UeUpTo(14);
      b.Flag();  // qpprime_y_zero_transform_bypass
      if (b.Flag())
        for (int i = 0; i < (chroma != 3 ? 8 : 12); ++i)
          if (b.Flag()) SkipScalingList(b, i < 6 ? 16 : 64);
      break;
    }
    default:
      break;
  }
  s.chromaArrayType = s.separateColourPlane ? 0 : chroma;
  s.log2MaxFrameNum = b.UeUpTo(12) + 4;
  s.pocType = b.UeUpTo(2);
  if (s.pocType == 0) {
    s.log2MaxPocLsb = b.UeUpTo(12) + 4;
  } else if (s.pocType == 1) {
    s.deltaPicOrderAlwaysZero = b.Flag();
    s.offsetForNonRefPic = b.Se();
    s.offsetForTopToBottom = b.Se();
    const int cycle = b.UeUpTo(255);
    for (int i = 0; i < cycle; ++i) s.offsetForRefFrame.push_back(b.Se());
  }
  s.maxNumRefFrames = b.UeUpTo(16);
  s.gapsAllowed = b.Flag();
  b.Ue();  // picture size in macroblocks
  b.Ue();
  s.frameMbsOnly = b.Flag();
  return s;
}

PictureSet ReadPictureSet(Bits& b, int& id, bool& modelled) {
  PictureSet p;
  id = b.UeUpTo(255);
  p.sps = b.UeUpTo(31);
  b.Flag();  // entropy_coding_mode_flag
  p.bottomFieldPicOrderPresent = b.Flag();
  // Slice groups (flexible macroblock order) are not modelled.
  modelled = b.Ue() == 0;
  if (!modelled) return p;
  p.numRefIdxDefault[0] = b.UeUpTo(31) + 1;
  p.numRefIdxDefault[1] = b.UeUpTo(31) + 1;
  p.weightedPred = b.Flag();
  p.weightedBipred = static_cast<int>(b.U(2));
  b.Se();  // pic_init_qp_minus26, pic_init_qs_minus26, chroma_qp_index_offset
  b.Se();
  b.Se();
  b.Flag();  // deblocking_filter_control_present_flag, constrained_intra_pred_flag
  b.Flag();
  p.redundantPicCntPresent = b.Flag();
  return p;
}

void ReadWeights(Bits& b, int entries, int chromaArrayType) {
  for (int i = 0; i < entries; ++i) {
    if (b.Flag()) {
      b.Se();
      b.Se();
    }
    if (chromaArrayType != 0 && b.Flag())
      for (int c = 0; c < 4; ++c) b.Se();
  }
}

}  // namespace

HeaderParser::HeaderParser(std::span<const std::uint8_t> extradata) {
  if (extradata.size() >= 7 && extradata[0] == 1) {
    // avcC: version, profile, compatibility, level, length size, then the sets.
    lengthSize_ = (extradata[4] & 3) + 1;
    std::size_t at = 5;
    for (int list = 0; list < 2 && at < extradata.size(); ++list) {
      const int count = list == 0 ? extradata[at] & 31 : extradata[at];
      ++at;
      for (int i = 0; i < count && at + 2 <= extradata.size(); ++i) {
        const std::size_t len = static_cast<std::size_t>(extradata[at]) << 8 | extradata[at + 1];
        at += 2;
        if (at + len > extradata.size()) return;
        TakeNal(extradata.subspan(at, len), nullptr);
        at += len;
      }
    }
  } else {
    ForEachNal(extradata, false, [this](std::span<const std::uint8_t> nal) { TakeNal(nal, nullptr); });
  }
}

template <class F>
void HeaderParser::ForEachNal(std::span<const std::uint8_t> data, bool lengthPrefixed, F&& f) {
  if (lengthPrefixed) {
    std::size_t at = 0;
    while (at + static_cast<std::size_t>(lengthSize_) <= data.size()) {
      std::size_t len = 0;
      for (int i = 0; i < lengthSize_; ++i) len = len << 8 | data[at + static_cast<std::size_t>(i)];
      at += static_cast<std::size_t>(lengthSize_);
      if (len == 0 || len > data.size() - at) return;
      f(data.subspan(at, len));
      at += len;
    }
    return;
  }
  // Start codes: 00 00 01 (a fourth zero before it belongs to the previous unit's end).
  auto next = [&](std::size_t from) {
    for (std::size_t i = from; i + 3 <= data.size(); ++i)
      if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) return i;
    return data.size();
  };
  std::size_t start = next(0);
  while (start < data.size()) {
    const std::size_t begin = start + 3;
    std::size_t end = next(begin);
    start = end;
    while (end > begin && data[end - 1] == 0) --end;
    if (end > begin) f(data.subspan(begin, end - begin));
  }
}

Picture HeaderParser::Parse(std::span<const std::uint8_t> packet) {
  Picture p;
  p.known = true;
  ForEachNal(packet, lengthSize_ > 0, [&](std::span<const std::uint8_t> nal) { TakeNal(nal, &p); });
  if (p.slices.empty()) p.known = false;
  return p;
}

void HeaderParser::TakeNal(std::span<const std::uint8_t> nal, Picture* picture) {
  if (nal.empty()) return;
  const int type = nal[0] & 31;
  const int refIdc = (nal[0] >> 5) & 3;
  try {
    Bits b(nal);
    if (type == 7) {
      int id = 0;
      SequenceSet s = ReadSequenceSet(b, id);
      sps_[id] = std::move(s);
      return;
    }
    if (type == 8) {
      int id = 0;
      bool modelled = true;
      PictureSet s = ReadPictureSet(b, id, modelled);
      if (modelled) pps_[id] = s;
      else pps_.erase(id);
      return;
    }
    if (!picture) return;
    if (type >= 2 && type <= 4) throw Unknown{};  // data partitions
    if (type != 1 && type != 5) return;           // other units carry no picture of this stream
    if (!picture->known) return;
    Slice s;
    s.nalType = type;
    s.nalRefIdc = refIdc;
    b.Ue();  // first_mb_in_slice
    const int sliceType = b.UeUpTo(9) % 5;
    if (sliceType > 2) throw Unknown{};  // SP, SI
    s.type = sliceType;
    const auto pps = pps_.find(b.UeUpTo(255));
    if (pps == pps_.end()) throw Unknown{};
    const auto sps = sps_.find(pps->second.sps);
    if (sps == sps_.end()) throw Unknown{};
    const SequenceSet& q = sps->second;
    const PictureSet& r = pps->second;
    if (q.separateColourPlane) b.U(2);
    s.frameNum = static_cast<int>(b.U(q.log2MaxFrameNum));
    if (!q.frameMbsOnly && b.Flag()) throw Unknown{};  // a field picture
    if (type == 5) b.Ue();                             // idr_pic_id
    if (q.pocType == 0) {
      s.pocLsb = static_cast<int>(b.U(q.log2MaxPocLsb));
      if (r.bottomFieldPicOrderPresent) s.deltaPocBottom = b.Se();
    } else if (q.pocType == 1 && !q.deltaPicOrderAlwaysZero) {
      s.deltaPoc[0] = b.Se();
      if (r.bottomFieldPicOrderPresent) s.deltaPoc[1] = b.Se();
    }
    if (r.redundantPicCntPresent && b.Ue() != 0) throw Unknown{};  // a redundant slice
    const bool bSlice = s.type == 1;
    if (bSlice) b.Flag();  // direct_spatial_mv_pred_flag
    s.numRefIdxActive[0] = r.numRefIdxDefault[0];
    s.numRefIdxActive[1] = bSlice ? r.numRefIdxDefault[1] : 0;
    if (s.type != 2) {
      if (b.Flag()) {
        s.numRefIdxActive[0] = b.UeUpTo(31) + 1;
        if (bSlice) s.numRefIdxActive[1] = b.UeUpTo(31) + 1;
      }
    } else {
      s.numRefIdxActive[0] = 0;
    }
    for (int list = 0; list < (bSlice ? 2 : s.type == 0 ? 1 : 0); ++list) {
      if (!b.Flag()) continue;
      for (int n = 0;; ++n) {
        const int idc = b.UeUpTo(3);
        if (idc == 3) break;
        if (idc == 2 || n > 32) throw Unknown{};  // a long-term picture
        s.changes[list].push_back({idc, b.UeUpTo(1u << 17)});
      }
    }
    if ((r.weightedPred && s.type == 0) || (r.weightedBipred == 1 && bSlice)) {
      b.UeUpTo(7);  // luma_log2_weight_denom
      if (q.chromaArrayType != 0) b.UeUpTo(7);
      ReadWeights(b, s.numRefIdxActive[0], q.chromaArrayType);
      if (bSlice) ReadWeights(b, s.numRefIdxActive[1], q.chromaArrayType);
    }
    if (refIdc != 0) {
      if (type == 5) {
        b.Flag();                        // no_output_of_prior_pics_flag
        if (b.Flag()) throw Unknown{};   // long_term_reference_flag
      } else if ((s.adaptiveMarking = b.Flag())) {
        for (int n = 0;; ++n) {
          const int op = b.UeUpTo(6);
          if (op == 0) break;
          if (op != 1 || n > 64) throw Unknown{};  // long-term pictures, or all references ended
          s.unmark.push_back(b.UeUpTo(1u << 17));
        }
      }
    }
    // Every slice of the picture must agree on what the picture is.
    if (!picture->slices.empty()) {
      const Slice& f = picture->slices.front();
      if (f.nalType != s.nalType || (f.nalRefIdc != 0) != (s.nalRefIdc != 0) || (f.type == 1) != bSlice ||
          f.frameNum != s.frameNum || f.pocLsb != s.pocLsb || f.unmark != s.unmark ||
          f.adaptiveMarking != s.adaptiveMarking)
        throw Unknown{};
    } else {
      picture->idr = type == 5;
      picture->reference = refIdc != 0;
      picture->bidir = bSlice;
      picture->sps = q;
      picture->pps = r;
    }
    picture->slices.push_back(std::move(s));
  } catch (const Unknown&) {
    // A set that cannot be read may have replaced any of its kind (its id is not known
    // either): every set of that kind is dropped, and the pictures that name one are
    // unknown until the sets come again.
    if (type == 7) sps_.clear();
    else if (type == 8) pps_.clear();
    else if (picture) picture->known = false;
  }
}

}  // namespace kipo::h264
