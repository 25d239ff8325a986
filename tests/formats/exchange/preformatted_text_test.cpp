// Preformatted text: each writable layout lays out a subtitle as its sample shows and reads
// back; the read-only layouts refuse with their message; every layout typed by hand (LF
// ends, lower-case tags, spaces) is read.
#include <gtest/gtest.h>

#include "formats/exchange/preformatted_text.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

SubtitleDocument Doc() {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  Subtitle s;
  s.inCue = "01005216";
  s.outCue = "01005608";
  s.text = "Sample <two> line\r\nsubtitle text";
  d.Append(s);
  s.inCue = "01010000";
  s.outCue = "01010112";
  s.text = "<Second>";
  d.Append(s);
  return d;
}

TEST(PreformattedText, EachLayoutAsItsSampleAndBack) {
  const std::pair<int, const char*> layouts[] = {
      {0, "[0001]\r\n01:00:52:16\r\n01:00:56:08\r\nSample [I]two[/I] line\r\nsubtitle text\r\n\r\n"},
      {1, "@SHOW 01:00:52:16 01:00:56:08\r\nSample [I]two[/I] line\r\nsubtitle text\r\n\r\n"},
      {3, "01005216/01005608\r\nSample [I]two[/I] line\r\nsubtitle text\r\n\r\n"},
      {5, "01:00:52:16\t01:00:56:08\tSample [I]two[/I] line//subtitle text\r\n"},
  };
  const SubtitleDocument doc = Doc();
  for (auto [layout, first] : layouts) {
    SCOPED_TRACE(layout);
    Warnings w;
    const std::string file = WritePreformattedText(doc, layout, w);
    EXPECT_TRUE(file.starts_with(first)) << file;
    const SubtitleDocument back = ReadPreformattedText(file, doc.frameRate(), w);
    ASSERT_EQ(back.Count(), doc.Count());
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      EXPECT_EQ(back.At(i).inCue, doc.At(i).inCue);
      EXPECT_EQ(back.At(i).outCue, doc.At(i).outCue);
      EXPECT_EQ(back.At(i).text, doc.At(i).text);
    }
  }
  for (int readOnly : {2, 4}) {
    Warnings w;
    try {
      WritePreformattedText(doc, readOnly, w);
      ADD_FAILURE() << "layout " << readOnly << " written";
    } catch (const UserError& e) {
      EXPECT_EQ(e.text(), "Custom formats 3 and 5 cannot be exported.");
    }
  }
}

TEST(PreformattedText, LayoutsTypedByHand) {
  const std::pair<const char*, std::string> files[] = {
      {"numbered blocks, LF", "[1]\n00:00:01:00\n00:00:02:00\nOne\n\n[2]\n00:00:03:00\n00:00:04:00\nTwo\n"},
      {"@SHOW with tabs", "@SHOW\t00:00:01:00\t00:00:02:00\nOne\n\n@SHOW 00:00:03:00 00:00:04:00\nTwo\n"},
      {"numbers and cues", "1 00:00:01:00 00:00:02:00\r\nOne\r\n\r\n2 00:00:03:00 00:00:04:00\r\nTwo\r\n"},
      {"eight digits", "00000100/00000200\r\nOne\r\n\r\n00000300/00000400\r\nTwo"},
      {"one line, LF ends, no last line end", "00:00:01:00\t00:00:02:00\tOne\n00:00:03:00\t00:00:04:00\tTwo"},
      {"one line, CR LF ends", "00:00:01:00\t00:00:02:00\tOne\r\n00:00:03:00\t00:00:04:00\tTwo\r\n"},
  };
  const FrameRate pal = *FrameRate::FromCode(25);
  for (const auto& [what, file] : files) {
    SCOPED_TRACE(what);
    Warnings w;
    const SubtitleDocument d = ReadPreformattedText(file, pal, w);
    ASSERT_EQ(d.Count(), 2u);
    EXPECT_EQ(d.At(0).inCue.digits(), "00000100");
    EXPECT_EQ(d.At(1).outCue.digits(), "00000400");
    EXPECT_EQ(d.At(0).text, "One");
    EXPECT_EQ(d.At(1).text, "Two");
    EXPECT_TRUE(w.empty()) << w.front();
  }
  Warnings w;
  const SubtitleDocument joined = ReadPreformattedText("00:00:01:00\t00:00:02:00\tA<p>[i]B[/i]", pal, w);
  ASSERT_EQ(joined.Count(), 1u);
  EXPECT_EQ(joined.At(0).text, "A\r\n<B>");
}

}  // namespace
}  // namespace kipo
