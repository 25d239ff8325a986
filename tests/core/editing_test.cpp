#include "core/editing.h"

#include <gtest/gtest.h>

namespace kipo {
namespace {

Subtitle Sub(const std::string& text, std::int32_t row = 0) {
  Subtitle s;
  s.text = text;
  s.row = row;
  return s;
}

TEST(Merge, TextCommentOutCueAndRow) {
  {
    SCOPED_TRACE("a raised subtitle drops by the rows of its own text");
    EXPECT_EQ(MergeSubtitles(Sub("one\r\ntwo", 3), Sub("three"), false).row, 1);
    EXPECT_EQ(MergeSubtitles(Sub("one\r\ntwo", 1), Sub("three"), false).row, 0);
    EXPECT_EQ(MergeSubtitles(Sub("one", 4), Sub("x\r\ny\r\nz"), false).row, 3);
    EXPECT_EQ(MergeSubtitles(Sub("one", 0), Sub("two"), false).row, 0);
  }
  {
    SCOPED_TRACE("an empty text on either side adds no row");
    EXPECT_EQ(MergeSubtitles(Sub(""), Sub("two"), false).text, "two");
    EXPECT_EQ(MergeSubtitles(Sub("one"), Sub(""), false).text, "one");
    EXPECT_EQ(MergeSubtitles(Sub("one\r\ntwo"), Sub(""), false).text, "one\r\ntwo");
  }
  {
    SCOPED_TRACE("ellipses become spaces, three dots before two");
    Subtitle m = MergeSubtitles(Sub("Wait..."), Sub("..for it.. now....."), true);
    EXPECT_EQ(m.text, "Wait \r\n for it  now  ");
    EXPECT_EQ(m.text.find(".."), std::string::npos);
    EXPECT_EQ(MergeSubtitles(Sub("Wait..."), Sub("more"), false).text, "Wait...\r\nmore");
  }
  {
    SCOPED_TRACE("comments joined by //, out cue taken only when set");
    Subtitle a = Sub("a"), b = Sub("b");
    a.comment = "check name";
    b.comment = "music";
    a.inCue = "10000000";
    a.outCue = "10000200";
    b.outCue = "10000500";
    Subtitle m = MergeSubtitles(a, b, true);
    EXPECT_EQ(m.comment, "check name//music");
    EXPECT_EQ(m.outCue, "10000500");
    EXPECT_EQ(m.inCue, "10000000");
    b.comment.clear();
    b.outCue = "1000";  // incomplete: not set
    m = MergeSubtitles(a, b, true);
    EXPECT_EQ(m.comment, "check name");
    EXPECT_EQ(m.outCue, "10000200");
  }
}

TEST(Split, PartsAtTheCursor) {
  struct Case {
    const char* text;
    std::size_t cursor;
    const char* first;
    const char* second;
  } cases[] = {
      {"Hello world", 0, "", "Hello world"},      // at the start: the first part is empty
      {"Hello world", 5, "Hello", "world"},
      {"Hello world", 6, "Hello", "world"},
      {"Hello world", 99, "Hello world", ""},
      {"One\r\nTwo", 3, "One", "Two"},            // before the line break
      {"One\r\nTwo", 5, "One", "Two"},            // after it
      {"One\r\nTwo", 4, "One", "Two"},            // between CR and LF
      {"One \r\n Two", 4, "One", "Two"},
      {"A\r\nB\r\nC", 1, "A", "B\r\nC"},          // only one line break goes
      {"\xC3\x89t\xC3\xA9 ici", 3, "\xC3\x89t\xC3\xA9", "ici"},  // code points, not bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " @" + std::to_string(c.cursor));
    SplitParts p = SplitTextAt(c.text, c.cursor);
    EXPECT_EQ(p.first, c.first);
    EXPECT_EQ(p.second, c.second);
  }
}

TEST(Split, ReadingFramesCountOnlyWhatIsRead) {
  BoldMarkers bold;
  // 30 letters at 15 cps and 25 fps: two seconds.
  std::string text = "abcdefghij klmnopqrst\r\nuvwxyzabcd";
  EXPECT_EQ(SplitReadingFrames(text, 15, 25, false, bold), 50);
  EXPECT_EQ(SplitReadingFrames(text, 15, 25, true, bold), 51);  // one space more: 31/15*25
  EXPECT_EQ(SplitReadingFrames("<" + text + ">[]\xC2\xAB\xC2\xBB", 15, 25, false, bold), 50);
  EXPECT_EQ(SplitReadingFrames("\xC3\xA9\xC3\xA9\xC3\xA9", 3, 25, false, bold), 25);  // 3 code points
  EXPECT_EQ(SplitReadingFrames("", 15, 25, false, bold), 0);
  EXPECT_EQ(SplitReadingFrames("abc", 0, 25, false, bold), 0);
}

}  // namespace
}  // namespace kipo
