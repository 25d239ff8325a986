#include "formats/broadcast/rac.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"

namespace kipo {
namespace {

Bytes ReadData(const char* name) { return ReadFileBytes(std::filesystem::path(KIPO_TEST_DATA) / "rac" / name); }

TEST(RacReader, CountEmptyRecordAndEndRecord) {
  Warnings w;
  const SubtitleDocument d = ReadRac(ReadData("count_and_end_record.rac"), PacReadOptions{}, w);
  EXPECT_TRUE(w.empty());
  ASSERT_EQ(d.Count(), 2u);  // the third record (L = 1) ends the import; the fourth is never read
  EXPECT_EQ(d.At(0).text, "Left \xC3\xA4");
  EXPECT_EQ(d.At(0).alignment, AlignLeft);  // code 13
  EXPECT_EQ(d.At(0).inCue, "10001000");
  EXPECT_EQ(d.At(0).row, 1);
  EXPECT_EQ(d.At(1).text, "");
  EXPECT_EQ(d.At(1).inCue, "10001200");
  EXPECT_EQ(d.At(1).alignment, AlignLeft);
}

TEST(RacReader, CountLimitsTheRecordsAndShortFilesFail) {
  Bytes b = ReadData("count_and_end_record.rac");
  b[4] = 0;  // C = 0: only record 1
  Warnings w;
  EXPECT_EQ(ReadRac(b, PacReadOptions{}, w).Count(), 1u);
  b[4] = 9;  // more records than the file holds
  b.resize(6 + 147 + 10);
  const SubtitleDocument d = ReadRac(b, PacReadOptions{}, w);
  EXPECT_EQ(d.Count(), 1u);
  EXPECT_EQ(w.back(), "The file ends inside record 2; the subtitles before it were loaded");
  EXPECT_THROW(ReadRac(Bytes(5, 0), PacReadOptions{}, w), UserError);
}

// Records sit in slots of one size: a bad length loses its own record only.
TEST(RacReader, BadRecordLengthLosesOnlyItsRecord) {
  Bytes b = ReadData("count_and_end_record.rac");
  b[6 + 15] = 2;  // record 1: L = 2 cannot hold its groups
  b[6 + 16] = 0;
  Warnings w;
  const SubtitleDocument d = ReadRac(b, PacReadOptions{}, w);
  ASSERT_EQ(d.Count(), 1u);
  EXPECT_EQ(d.At(0).inCue, "10001200");
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0], "The record of Subtitle 0001 gives a length of 2 bytes, too short for its contents; it was skipped");
}

}  // namespace
}  // namespace kipo
