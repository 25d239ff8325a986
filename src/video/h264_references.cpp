#include "video/h264_references.h"

#include <algorithm>
#include <cstdlib>

namespace kipo::h264 {

bool Decoded(const Picture& p, GroupMode m) {
  switch (m) {
    case GroupMode::Whole:
      return true;
    case GroupMode::NonRef:
      return p.reference;
    case GroupMode::Bidir:
      return p.reference && !p.bidir;
  }
  return true;
}

bool ReferenceModel::operator==(const ReferenceModel& o) const {
  if (started != o.started || prevRefFrameNum != o.prevRefFrameNum || prevPocMsb != o.prevPocMsb ||
      prevPocLsb != o.prevPocLsb || refs.size() != o.refs.size())
    return false;
  for (std::size_t i = 0; i < refs.size(); ++i)
    if (refs[i].id != o.refs[i].id || refs[i].frameNum != o.refs[i].frameNum || refs[i].poc != o.refs[i].poc)
      return false;
  return true;
}

namespace {

// Frames keep their frame_num; counted back from the current one, earlier wrapped ones
// come before (a frame's PicNum is its FrameNumWrap).
int PicNum(int frameNum, int current, int maxFrameNum) {
  return frameNum > current ? frameNum - maxFrameNum : frameNum;
}

// Ends the oldest short-term reference when the buffer is full (the sliding window).
void Slide(std::vector<ReferenceModel::Ref>& refs, int current, int maxFrameNum, int maxRefs) {
  if (static_cast<int>(refs.size()) < std::max(maxRefs, 1)) return;
  auto oldest = std::min_element(refs.begin(), refs.end(), [&](const auto& a, const auto& b) {
    return PicNum(a.frameNum, current, maxFrameNum) < PicNum(b.frameNum, current, maxFrameNum);
  });
  refs.erase(oldest);
}

}  // namespace

bool ReferenceModel::Decode(const Picture& p, long id, std::vector<long>& lists, int& poc) {
  lists.clear();
  if (!p.known || p.sps.pocType != 0 || !p.sps.frameMbsOnly || p.slices.empty()) return false;
  const SequenceSet& sps = p.sps;
  const int maxFrameNum = 1 << sps.log2MaxFrameNum;
  const int maxLsb = 1 << sps.log2MaxPocLsb;
  const Slice& first = p.slices.front();
  const int fn = first.frameNum;
  if (p.idr) {
    if (fn != 0) return false;
    refs.clear();
    prevRefFrameNum = 0;
    prevPocMsb = prevPocLsb = 0;
  } else {
    if (!started) return false;  // references from before the decoder started
    if (fn != prevRefFrameNum && fn != (prevRefFrameNum + 1) % maxFrameNum) {
      // A gap: the decoder puts a stand-in for each missing frame_num.
      for (int k = (prevRefFrameNum + 1) % maxFrameNum; k != fn; k = (k + 1) % maxFrameNum) {
        Slide(refs, k, maxFrameNum, sps.maxNumRefFrames);
        refs.push_back({-1, k, 0});
        prevRefFrameNum = k;
      }
    }
  }
  started = true;
  // The order count (type 0): the most significant part follows the previous reference
  // picture's. After a gap the previous one may differ between two decoders that left out
  // different pictures, so the count must then be clear of any wrap from both sides:
  // within a quarter of the range.
  const int lsb = first.pocLsb;
  int msb = prevPocMsb;
  if (lsb < prevPocLsb && prevPocLsb - lsb >= maxLsb / 2) msb += maxLsb;
  else if (lsb > prevPocLsb && lsb - prevPocLsb > maxLsb / 2) msb -= maxLsb;
  const bool standIn = std::any_of(refs.begin(), refs.end(), [](const Ref& r) { return r.id < 0; });
  if (standIn && std::abs(lsb - prevPocLsb) >= maxLsb / 4 && maxLsb - std::abs(lsb - prevPocLsb) >= maxLsb / 4)
    return false;
  const int top = msb + lsb;
  poc = std::min(top, top + first.deltaPocBottom);

  for (const Slice& s : p.slices) {
    for (int list = 0; list < 2; ++list) {
      const int active = s.numRefIdxActive[list];
      if (active == 0) {
        lists.push_back(-2);
        continue;
      }
      if (active != 1) return false;  // one reference picture per list, nothing more
      std::vector<Ref> init;
      if (s.type == 0) {
        init = refs;
        std::sort(init.begin(), init.end(), [&](const Ref& a, const Ref& b) {
          return PicNum(a.frameNum, fn, maxFrameNum) > PicNum(b.frameNum, fn, maxFrameNum);
        });
      } else {
        // B lists go by order count; a stand-in has none the stream gives.
        std::vector<Ref> before, after;
        for (const Ref& r : refs) {
          if (r.id < 0 || r.poc == poc) return false;
          (r.poc < poc ? before : after).push_back(r);
        }
        std::sort(before.begin(), before.end(), [](const Ref& a, const Ref& b) { return a.poc > b.poc; });
        std::sort(after.begin(), after.end(), [](const Ref& a, const Ref& b) { return a.poc < b.poc; });
        if (list == 0) {
          init = before;
          init.insert(init.end(), after.begin(), after.end());
        } else {
          init = after;
          init.insert(init.end(), before.begin(), before.end());
          // A list 1 equal to list 0 (all references on one side) has its first two swapped.
          if (init.size() > 1 && (after.empty() || before.empty())) std::swap(init[0], init[1]);
        }
      }
      // The modification commands put named pictures at the front, in turn.
      int pred = fn;
      std::vector<Ref> out = init;
      std::size_t idx = 0;
      for (const ListChange& c : s.changes[list]) {
        int noWrap = c.idc == 0 ? pred - (c.absDiffPicNumMinus1 + 1) : pred + (c.absDiffPicNumMinus1 + 1);
        if (noWrap < 0) noWrap += maxFrameNum;
        if (noWrap >= maxFrameNum) noWrap -= maxFrameNum;
        pred = noWrap;
        const int picNum = noWrap > fn ? noWrap - maxFrameNum : noWrap;
        auto named = std::find_if(refs.begin(), refs.end(),
                                  [&](const Ref& r) { return PicNum(r.frameNum, fn, maxFrameNum) == picNum; });
        if (named == refs.end()) return false;
        const Ref pick = *named;
        out.erase(std::remove_if(out.begin(), out.end(), [&](const Ref& r) { return r.frameNum == pick.frameNum; }),
                  out.end());
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(std::min(idx, out.size())), pick);
        ++idx;
      }
      if (out.empty() || out.front().id < 0) return false;
      lists.push_back(out.front().id);
    }
  }

  if (p.reference) {
    if (p.idr) {
      refs.clear();
    } else if (first.adaptiveMarking) {
      for (const int diff : first.unmark) {
        const int picNum = fn - (diff + 1);
        auto it = std::find_if(refs.begin(), refs.end(),
                               [&](const Ref& r) { return PicNum(r.frameNum, fn, maxFrameNum) == picNum; });
        if (it == refs.end()) return false;  // the decoder would miss it
        refs.erase(it);
      }
      if (static_cast<int>(refs.size()) >= std::max(sps.maxNumRefFrames, 1)) return false;
    } else {
      Slide(refs, fn, maxFrameNum, sps.maxNumRefFrames);
    }
    refs.push_back({id, fn, poc});
    prevRefFrameNum = fn;
    prevPocMsb = msb;
    prevPocLsb = lsb;
  }
  return true;
}

void SkipPlanner::Reset() {
  full_ = skip_ = ReferenceModel{};
  next_ = 0;
  blind_ = true;  // until an IDR picture
}

bool SkipPlanner::Check(const std::vector<PlannedGroup>& groups, std::size_t from, ReferenceModel full,
                        ReferenceModel skip, long id, Next next, ReferenceModel* fullAfter,
                        ReferenceModel* skipAfter) const {
  std::vector<long> lf, ls;
  int pf = 0, ps = 0;
  for (std::size_t i = from; i < groups.size(); ++i) {
    for (const Picture& p : groups[i].pictures) {
      const bool same = full == skip;
      if (!full.Decode(p, id, lf, pf)) return false;
      if (Decoded(p, groups[i].mode)) {
        if (same) {
          skip = full;
        } else if (!skip.Decode(p, id, ls, ps) || ls != lf || ps != pf) {
          return false;
        }
      }
      ++id;
    }
  }
  if (next == Next::More && !(full == skip)) return false;
  if (fullAfter) *fullAfter = std::move(full);
  if (skipAfter) *skipAfter = std::move(skip);
  return true;
}

void SkipPlanner::Plan(std::vector<PlannedGroup>& groups, Next next) {
  for (PlannedGroup& g : groups) g.mode = g.whole ? GroupMode::Whole : GroupMode::NonRef;
  long pictures = 0;
  for (const PlannedGroup& g : groups) pictures += static_cast<long>(g.pictures.size());
  // An IDR picture at the start clears what the decoder knew.
  if (!groups.empty() && !groups.front().pictures.empty() && groups.front().pictures.front().known &&
      groups.front().pictures.front().idr) {
    blind_ = false;
    full_ = skip_ = ReferenceModel{};
  }
  bool ok = !blind_;
  // The states before each group while every group before it keeps its reference pictures
  // (then both decoders agree).
  std::vector<ReferenceModel> before;
  if (ok) {
    ReferenceModel m = full_;
    if (!(full_ == skip_)) ok = false;  // (never so: a plan ends with both agreeing)
    std::vector<long> lists;
    int poc = 0;
    long id = next_;
    for (std::size_t i = 0; i < groups.size() && ok; ++i) {
      before.push_back(m);
      for (const Picture& p : groups[i].pictures)
        if (!m.Decode(p, id++, lists, poc)) ok = false;
    }
  }
  if (ok) {
    // From the last group back: a group leaves out its reference B-pictures when the plan
    // from there on still decodes right.
    std::vector<long> firstId(groups.size());
    long id = next_;
    for (std::size_t i = 0; i < groups.size(); ++i) {
      firstId[i] = id;
      id += static_cast<long>(groups[i].pictures.size());
    }
    for (std::size_t i = groups.size(); i-- > 0;) {
      PlannedGroup& g = groups[i];
      if (g.whole) continue;
      if (std::none_of(g.pictures.begin(), g.pictures.end(), [](const Picture& p) { return p.reference && p.bidir; }))
        continue;
      g.mode = GroupMode::Bidir;
      if (!Check(groups, i, before[i], before[i], firstId[i], next, nullptr, nullptr)) g.mode = GroupMode::NonRef;
    }
    ok = Check(groups, 0, full_, skip_, next_, next, &full_, &skip_);
  }
  if (!ok) {
    // Not understood: every reference picture is decoded until the next IDR picture.
    for (PlannedGroup& g : groups) g.mode = g.whole ? GroupMode::Whole : GroupMode::NonRef;
    blind_ = true;
  }
  next_ += pictures;
}

}  // namespace kipo::h264
