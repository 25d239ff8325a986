// The planner that decides where reference B-pictures may be left out, over pictures written
// out by hand in the pattern x264 gives with one reference frame and a B-pyramid (and the
// ways a stream departs from it), and the header reader over damaged and cut-off bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "video/h264_headers.h"
#include "video/h264_references.h"

namespace kipo::h264 {
namespace {

// kind: 'I' an IDR picture, 'P', 'B' a reference B-picture, 'b' a B-picture nothing refers to.
Picture Pic(char kind, int frameNum, int pocLsb, std::vector<ListChange> l0 = {}, std::vector<int> unmark = {},
            int entries = 1) {
  Picture p;
  p.known = true;
  p.idr = kind == 'I';
  p.reference = kind != 'b';
  p.bidir = kind == 'B' || kind == 'b';
  p.sps.log2MaxFrameNum = 4;
  p.sps.pocType = 0;
  p.sps.log2MaxPocLsb = 6;
  p.sps.maxNumRefFrames = 4;
  Slice s;
  s.nalType = p.idr ? 5 : 1;
  s.nalRefIdc = p.reference ? 2 : 0;
  s.type = kind == 'I' ? 2 : kind == 'P' ? 0 : 1;
  s.frameNum = frameNum;
  s.pocLsb = pocLsb;
  s.numRefIdxActive[0] = kind == 'I' ? 0 : entries;
  s.numRefIdxActive[1] = p.bidir ? entries : 0;
  s.changes[0] = std::move(l0);
  s.unmark = std::move(unmark);
  s.adaptiveMarking = !s.unmark.empty();
  p.slices.push_back(s);
  return p;
}

// The groups of the bench clip's stream from an IDR picture: each P-picture names the one
// before it (skipping the reference B-picture between), each reference B-picture ends the
// P-picture two back (the IDR picture at first) and the reference B-picture before it. Frame numbers wrap at 16.
std::vector<PlannedGroup> Pattern(int groups, int entries = 1, bool named = true) {
  std::vector<PlannedGroup> g(1);
  g[0].pictures = {Pic('I', 0, 0)};
  g[0].whole = true;
  int fn = 1, poc = 0;
  for (int i = 0; i < groups; ++i) {
    std::vector<ListChange> toPrevious;
    if (named && i > 0) toPrevious = {{0, 1}};
    PlannedGroup x;
    const int p = poc + 8;
    x.pictures.push_back(Pic('P', fn % 16, p % 64, toPrevious, {}, entries));
    std::vector<int> unmark;
    if (i > 0) unmark = {i == 1 ? 3 : 4, 1};
    x.pictures.push_back(Pic('B', (fn + 1) % 16, (poc + 4) % 64, {}, unmark, entries));
    x.pictures.push_back(Pic('b', (fn + 2) % 16, (poc + 2) % 64, {}, {}, entries));
    x.pictures.push_back(Pic('b', (fn + 2) % 16, (poc + 6) % 64, {}, {}, entries));
    g.push_back(x);
    fn += 2;
    poc = p;
  }
  return g;
}

std::string Modes(const std::vector<PlannedGroup>& groups) {
  std::string s;
  for (const PlannedGroup& g : groups)
    s += g.mode == GroupMode::Whole ? 'W' : g.mode == GroupMode::NonRef ? 'n' : 'B';
  return s;
}

// What the planner leaves out, group by group (W whole, n non-reference pictures only, B the
// reference B-pictures too): only where a picture decoded later could not tell the
// difference, and only when the two decoders agree again before anything unplanned.
TEST(SkipPlanner, LeavesOutReferenceBPicturesOnlyWhereNothingDecodedDependsOnThem) {
  struct Case {
    const char* what;
    std::vector<PlannedGroup> groups;
    SkipPlanner::Next next;
    std::string modes;
  };
  std::vector<Case> cases;
  cases.push_back({"before an IDR picture: every group", Pattern(6), SkipPlanner::Next::Idr, "WBBBBBB"});
  cases.push_back({"at the end of the range", Pattern(6), SkipPlanner::Next::Nothing, "WBBBBBB"});
  {
    // A B-picture decoded after one left out could take the stand-in for its list: the
    // groups before one decoded whole keep their reference pictures.
    auto g = Pattern(6);
    g[4].whole = true;
    cases.push_back({"a group decoded whole", std::move(g), SkipPlanner::Next::Idr, "WnnnWBB"});
  }
  // The decoders never agree again while reference B-pictures are left out: with more to
  // come that is not planned yet, nothing is left out.
  cases.push_back({"more to come", Pattern(6), SkipPlanner::Next::More, "Wnnnnnn"});
  // Two entries per list: the second may be the picture left out.
  cases.push_back({"two reference pictures per list", Pattern(6, 2), SkipPlanner::Next::Idr, "Wnnnnnn"});
  // Without the naming command a P-picture's list starts with the latest reference: the
  // reference B-picture.
  cases.push_back({"P-pictures with default lists", Pattern(6, 1, false), SkipPlanner::Next::Idr, "WnnnnnB"});
  {
    auto g = Pattern(6);
    g[3].pictures[1].known = false;
    cases.push_back({"a header that cannot be read", std::move(g), SkipPlanner::Next::Idr, "Wnnnnnn"});
  }
  {
    // The reference B-picture ends a picture that is not there (the sliding window took it).
    auto g = Pattern(6);
    g[5].pictures[1].slices[0].unmark = {9};
    cases.push_back({"a marking command that finds nothing", std::move(g), SkipPlanner::Next::Idr, "Wnnnnnn"});
  }
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    SkipPlanner planner;
    planner.Reset();
    planner.Plan(c.groups, c.next);
    EXPECT_EQ(Modes(c.groups), c.modes);
  }
}

// A stream that starts without an IDR picture (a range of an open group of pictures) is
// not followed until one comes; the plan after it goes on from what it learnt.
TEST(SkipPlanner, WaitsForAnIdrPictureAndCarriesOnAcrossPlans) {
  SkipPlanner planner;
  planner.Reset();
  auto g = Pattern(4);
  g[0].pictures[0].idr = false;
  g[0].pictures[0].slices[0].nalType = 1;
  planner.Plan(g, SkipPlanner::Next::Idr);
  EXPECT_EQ(Modes(g), "Wnnnn");
  auto first = Pattern(6);
  std::vector<PlannedGroup> second(first.begin() + 4, first.end());
  first.resize(4);
  planner.Plan(first, SkipPlanner::Next::More);
  EXPECT_EQ(Modes(first), "Wnnn");
  planner.Plan(second, SkipPlanner::Next::Idr);
  EXPECT_EQ(Modes(second), "BBB");
}

// The reader takes the setup in both forms (an avcC record and start codes) and describes
// the same pictures; bytes cut off or damaged anywhere give an unknown picture, never a
// crash or a read past the end.
TEST(HeaderParser, ReadsBothFormsAndRefusesDamage) {
  // SPS (Baseline, frame_num 4 bits, order count type 0 with 6 bits, 4 reference frames),
  // PPS, and an IDR slice: bits written out by hand.
  const std::vector<std::uint8_t> sps = {0x67, 0x42, 0x00, 0x1e, 0xec, 0xa0, 0xa0, 0xfc, 0x80};
  const std::vector<std::uint8_t> pps = {0x68, 0xce, 0x3c, 0x80};
  const std::vector<std::uint8_t> idr = {0x65, 0x88, 0x84, 0x03, 0x80};
  std::vector<std::uint8_t> avcc = {1, 0x42, 0, 0x1e, 0xff, 0xe1, 0, static_cast<std::uint8_t>(sps.size())};
  avcc.insert(avcc.end(), sps.begin(), sps.end());
  avcc.insert(avcc.end(), {1, 0, static_cast<std::uint8_t>(pps.size())});
  avcc.insert(avcc.end(), pps.begin(), pps.end());
  std::vector<std::uint8_t> lengthPacket = {0, 0, 0, static_cast<std::uint8_t>(idr.size())};
  lengthPacket.insert(lengthPacket.end(), idr.begin(), idr.end());
  std::vector<std::uint8_t> annexB;
  for (const auto* nal : {&sps, &pps, &idr}) {
    annexB.insert(annexB.end(), {0, 0, 0, 1});
    annexB.insert(annexB.end(), nal->begin(), nal->end());
  }
  HeaderParser fromAvcc(avcc);
  const Picture a = fromAvcc.Parse(lengthPacket);
  HeaderParser fromStartCodes({});
  const Picture b = fromStartCodes.Parse(annexB);
  for (const Picture* p : {&a, &b}) {
    SCOPED_TRACE(p == &a ? "avcC" : "start codes");
    ASSERT_TRUE(p->known);
    EXPECT_TRUE(p->idr);
    EXPECT_TRUE(p->reference);
    EXPECT_FALSE(p->bidir);
    EXPECT_EQ(p->sps.log2MaxFrameNum, 4);
    EXPECT_EQ(p->sps.log2MaxPocLsb, 6);
    EXPECT_EQ(p->sps.maxNumRefFrames, 4);
    ASSERT_EQ(p->slices.size(), 1u);
    EXPECT_EQ(p->slices[0].type, 2);
  }
  // Cut off before the slice header's marking: no picture is described.
  const std::size_t headerEnd = annexB.size() - 2;
  for (std::size_t cut = 0; cut < headerEnd; ++cut) {
    HeaderParser parser({});
    EXPECT_FALSE(parser.Parse(std::span<const std::uint8_t>(annexB.data(), cut)).known) << cut;
  }
  for (std::size_t at = 0; at < annexB.size(); ++at)
    for (std::uint8_t x : {0x00, 0xff, 0x5a}) {
      std::vector<std::uint8_t> damaged = annexB;
      damaged[at] = x;
      HeaderParser parser({});
      (void)parser.Parse(damaged);
      HeaderParser fromDamagedSetup(std::span<const std::uint8_t>(damaged.data(), at));
      (void)fromDamagedSetup.Parse(lengthPacket);
    }
}

}  // namespace
}  // namespace kipo::h264
