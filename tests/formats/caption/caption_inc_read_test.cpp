// Reading Caption Inc files: our own files under every caption type and channel come back
// with their texts, italics and timing as a decoder shows them; files as other caption
// systems write them (LF line ends, no 0xFE mark, a header of their own) are read too.
#include <gtest/gtest.h>

#include "formats/caption/caption_files.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

SubtitleDocument Doc(int rateCode) {
  SubtitleDocument d(rateCode, kDefaultLanguageId, 0);
  const FrameRate rate = d.frameRate();
  const std::pair<FrameCount, const char*> cues[] = {
      {60, "HELLO THERE"}, {150, "Two rows\r\n<of text>"}, {400, "Caf\xC3\xA9 <au> lait"}};
  for (auto [in, text] : cues) {
    Subtitle s;
    s.inCue = Cue::FromFrames(in, rate);
    s.outCue = Cue::FromFrames(in + 60, rate);
    s.text = text;
    d.Append(s);
  }
  return d;
}

std::span<const std::uint8_t> Span(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(CaptionIncRead, OurFilesUnderEveryOption) {
  for (int rateCode : {29, 30, 25}) {
    for (int type : {0, 1, 3})
      for (int channel : {1, 2}) {
        SCOPED_TRACE("rate " + std::to_string(rateCode) + " type " + std::to_string(type) + " channel " +
                     std::to_string(channel));
        const SubtitleDocument doc = Doc(rateCode);
        CaptionIncOptions o;
        o.captionType = type;
        o.dataChannel = channel;
        o.headerInfo = "Episode 4";
        std::vector<std::string> w;
        const Bytes bytes = WriteCaptionInc(doc, o, w);
        const CaptionIncReadResult r = ReadCaptionInc(bytes, 0);
        ASSERT_EQ(r.doc.Count(), doc.Count());
        EXPECT_EQ(r.doc.frameRate().code, rateCode) << "the header's video standard gives the rate";
        for (std::size_t i = 0; i < doc.Count(); ++i) {
          EXPECT_EQ(r.doc.At(i).text, doc.At(i).text);
          // Events go out from the in cue, a word a frame: a caption shows once its words
          // are in, never before its in cue and within the frames its words take.
          const FrameCount want = doc.At(i).inCue.ToFrames(doc.frameRate());
          const FrameCount got = r.doc.At(i).inCue.ToFrames(r.doc.frameRate());
          EXPECT_GE(got, want);
          EXPECT_LE(got, want + 20);
        }
      }
  }
}

TEST(CaptionIncRead, FilesOfOtherSystems) {
  struct Case {
    const char* what;
    std::string file;
    int rateCode;
    std::vector<std::string> texts;
  };
  // RCL, ENM, PAC row 15, "HI", EOC; an erase later. Bytes without parity.
  const std::string pop = std::string("\x14\x20\x14\x2E\x14\x70") + "HI" + "\x14\x2F";
  const Case cases[] = {
      {"LF line ends, no mark, no header", "00:00:01:00000" + pop + "\n00:00:03:00000\x14\x2C\n", 30, {"HI"}},
      {"a header of another system, CR LF", "Caption file exported by a caption station\r\n00:00:01:00\xFE" "000" + pop +
                                                "\r\n\r\n",
       30, {"HI"}},
      {"drop-frame labels", "00:00:01;00\xFE" "000" + pop + "\r\n", 29, {"HI"}},
      {"channel 2 control codes", "00:00:01:00\xFE" "002" + std::string("\x1C\x20\x1C\x2E\x1C\x70") + "HI" + "\x1C\x2F\r\n",
       30, {"HI"}},
      {"stray bytes are skipped", "00:00:01:00\xFE" "000" + std::string("\x01") + pop + "\r\n", 30, {"HI"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CaptionIncReadResult r = ReadCaptionInc(Span(c.file), 0);
    EXPECT_EQ(r.doc.frameRate().code, c.rateCode);
    ASSERT_EQ(r.doc.Count(), c.texts.size());
    for (std::size_t i = 0; i < c.texts.size(); ++i) EXPECT_EQ(r.doc.At(i).text, c.texts[i]);
  }
}

TEST(CaptionIncRead, NotACaptionFile) {
  for (const std::string& bad : {std::string(), std::string("Just a letter\r\nDear reader\r\n"), std::string(300, '\xFE')}) {
    try {
      ReadCaptionInc(Span(bad), 0);
      ADD_FAILURE() << "read: " << bad;
    } catch (const UserError& e) {
      EXPECT_EQ(e.text(), "This is not a valid Caption Inc file.");
    }
  }
}

}  // namespace
}  // namespace kipo
