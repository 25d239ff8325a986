// The "DLP" options, the .dlp options file, the Z offsets and ranges files, and the UUIDs.
#include <gtest/gtest.h>

#include <set>

#include "formats/cinema/dlp_options.h"
#include "formats/cinema/uuid.h"
#include "formats/cinema/z_offsets.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

TEST(DlpOptions, OptionsFileKeepsEverySettingAndRefusesOtherFiles) {
  DlpOptions o;
  o.version = DcVersion::SmpteZ;
  o.movieTitle = "Le Film";
  o.fontUuid = "0f0e0d0c-0b0a-4908-8706-050403020100";
  o.textColour = "FFFF00";
  o.effect = "Shadow";
  o.alphaText = 200;
  o.marginBottom = 12;
  o.subs3d = true;
  o.trimSpaces = true;
  o.aspectAdjust = "1.25";
  const std::string text = DlpOptionsFileText(o);
  EXPECT_NE(text.find("[DLP]"), std::string::npos);
  EXPECT_EQ(ParseDlpOptionsFile(text), o);
  // A file of another tool, or a hand-edited one with values out of range.
  EXPECT_THROW(ParseDlpOptionsFile("[DVD]\nFont size=3\n"), UserError);
  const DlpOptions odd = ParseDlpOptionsFile("[DLP]\r\nEffect=glow\r\nText colour=12\r\nDC Version=9\r\nFont size=60\r\n");
  EXPECT_EQ(odd.effect, "Border");
  EXPECT_EQ(odd.textColour, "FFFFFF");
  EXPECT_EQ(odd.version, DcVersion::Dlp11);
  EXPECT_EQ(odd.fontSize, 60);
}

TEST(DlpOptions, ColoursAndScreens) {
  EXPECT_EQ(Argb(255, 0xFFFFFF), "FFFFFFFF");
  EXPECT_EQ(Argb(0, 0x123456), "00123456");
  EXPECT_EQ(Argb(300, 0x1000000), "FF000000");
  EXPECT_EQ(ParseRgb("#a0B0c0"), 0xA0B0C0u);
  EXPECT_FALSE(ParseRgb("A0B0C"));
  EXPECT_FALSE(ParseRgb("GGGGGG"));
  EXPECT_EQ(ParseScreenSize("4096X2160").width, 4096);
  EXPECT_EQ(ParseScreenSize("nonsense").width, 1998);
}

TEST(ZOffsets, FilesRoundTripAndRangesApply) {
  const ZOffsets z = {{1, -1.5}, {2, 0}, {12, 3.257}};
  const std::string text = ZOffsetsText(z);
  EXPECT_EQ(text, "1\t-1.50\r\n12\t3.26\r\n");
  EXPECT_EQ(ParseZOffsets(text), (ZOffsets{{1, -1.5}, {12, 3.26}}));
  // Other hands: a byte-order mark, LF, spaces for the tab, a decimal comma, blank lines.
  EXPECT_EQ(ParseZOffsets("\xEF\xBB\xBF" "3  2,5\n\n4\t-0.25\n"), (ZOffsets{{3, 2.5}, {4, -0.25}}));
  ZOffsets r = {{1, 9}};
  ApplyZRanges(r, "1\t3\t-2\r\n3\t4\t1.5\r\n");
  EXPECT_EQ(r, (ZOffsets{{1, -2}, {2, -2}, {3, 1.5}, {4, 1.5}}));
  for (const char* bad : {"1", "x\t1", "1\t1\t1", "0\t1", "1\tinf", "1\t101"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseZOffsets(bad), UserError);
  }
  for (const char* bad : {"3\t1\t0", "1\t2"}) EXPECT_THROW(ApplyZRanges(r, bad), UserError);
  EXPECT_EQ(ZOffsetLabel(-0.5), "Z offset: -0.50%");
  EXPECT_EQ(ZOffsetLabel(-0.001), "Z offset: 0.00%");
}

TEST(Uuid, VersionFourFromTheRandomSource) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    const std::string u = NewUuid();
    ASSERT_TRUE(IsUuid(u)) << u;
    EXPECT_EQ(u[14], '4');
    EXPECT_NE(std::string("89ab").find(u[19]), std::string::npos) << u;
    seen.insert(u);
  }
  EXPECT_EQ(seen.size(), 200u);
  EXPECT_FALSE(IsUuid("0f0e0d0c0b0a-4908-8706-050403020100"));
}

}  // namespace
}  // namespace kipo
