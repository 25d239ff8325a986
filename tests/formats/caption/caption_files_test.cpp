// Ultech and Caption Inc: the header layouts byte for byte, and the caption events played
// through the decoder model under each option.
#include <gtest/gtest.h>

#include <random>

#include "core/cea608_decoder.h"
#include "formats/caption/caption_files.h"
#include "platform/encoding.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

using namespace cea608;

SubtitleDocument Doc(int rateCode, std::vector<std::tuple<FrameCount, FrameCount, std::string>> cues) {
  SubtitleDocument d(rateCode, kDefaultLanguageId, 0);
  const FrameRate rate = d.frameRate();
  for (auto& [in, out, text] : cues) {
    Subtitle s;
    s.inCue = Cue::FromFrames(in, rate);
    s.outCue = Cue::FromFrames(out, rate);
    s.text = text;
    d.Append(s);
  }
  return d;
}

std::uint32_t U32(const Bytes& b, std::size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t U16(const Bytes& b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8); }

// Plays events through the decoder and says what row 15 (or any row) shows at a frame.
struct Played {
  std::vector<std::pair<FrameCount, std::string>> screens;  // from this frame on, the screen as text
  bool otherChannel = false;

  static Played Of(const std::vector<CaptionEvent>& events) {
    Played p;
    Decoder d;
    FrameCount next = 0;
    for (const CaptionEvent& e : events) {
      const FrameCount start = std::max(e.frame, next);
      for (std::size_t j = 0; j < e.words.size(); ++j) {
        if (d.Feed(e.words[j]) & Decoder::DisplayChanged) {
          std::string all;
          for (int r = 1; r <= 15; ++r)
            if (std::u32string t = d.displayed().RowText(r); !t.empty()) all += (all.empty() ? "" : "|") + Utf32ToUtf8(t);
          p.screens.emplace_back(start + static_cast<FrameCount>(j), all);
        }
      }
      next = start + static_cast<FrameCount>(e.words.size());
      p.otherChannel = p.otherChannel || d.sawOtherChannel();
    }
    return p;
  }
  std::string At(FrameCount f) const {
    std::string s;
    for (const auto& [from, text] : screens)
      if (from <= f) s = text;
    return s;
  }
};

TEST(Ultech, HeaderLayout) {
  const SubtitleDocument doc = Doc(29, {{100, 160, "Hello"}, {300, 360, "World"}});
  std::vector<std::string> w;
  UltechOptions o;
  o.dataChannel = 2;
  const Bytes b = WriteUltech(doc, o, w);
  ASSERT_GT(b.size(), 512u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), 7), std::string("ULTECH\0", 7));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 7), 5), std::string("1.30\0", 5));
  EXPECT_EQ(U16(b, 12), 512);
  EXPECT_EQ(U16(b, 14), 30);
  EXPECT_EQ(U32(b, 16), 4u);  // two captions and their out cues
  EXPECT_EQ(U16(b, 20), 2);
  EXPECT_EQ(U16(b, 22), 1);
  EXPECT_EQ(b[24], 15);
  const int entry0[] = {21, 1, 2, 1, 1, 0};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(U16(b, 25 + 2 * k), entry0[k]) << k;
  for (int e = 1; e < 16; ++e) {
    EXPECT_EQ(b[24 + 13 * e], 0xFF) << e;
    for (int k = 1; k < 13; ++k) EXPECT_EQ(b[24 + 13 * e + k], 0) << e;
  }
  for (std::size_t i = 232; i < 512; ++i) ASSERT_EQ(b[i], 0) << i;
  // The first record: its frame, its byte count, then the words with parity.
  EXPECT_EQ(U32(b, 512), 100u);
  const std::vector<CaptionEvent> records = ReadUltechRecords(b);
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(U16(b, 516), records[0].words.size() * 2);
  EXPECT_EQ(records[0].words.front(), MakeWord(0x1c, 0x20));  // channel 2's resume caption loading
}

TEST(Ultech, CaptionsShowAndClearUnderEachOption) {
  const SubtitleDocument doc = Doc(30, {{100, 160, "Hello"}, {170, 200, "World"}, {400, 460, "Again"}});
  struct Case {
    const char* name;
    UltechOptions o;
    // What the screen shows at frames 100, 159, 160, 200, 400 + shift.
    std::vector<std::pair<FrameCount, std::string>> expect;
  } cases[] = {
      {"pop-on sent at the in cue", {}, {{99, ""}, {120, "Hello"}, {170, ""}, {190, "World"}, {210, ""}}},
      {"compensated: the flip lands on the in cue",
       {0, 1, 0, true},
       {{99, ""}, {100, "Hello"}, {159, "Hello"}, {160, ""}, {170, "World"}, {199, "World"}, {200, ""}, {400, "Again"}}},
      {"cue offset", {0, 1, 10, true}, {{109, ""}, {110, "Hello"}, {170, ""}, {410, "Again"}}},
      {"erase displayed memory at out cues", {0, 1, 0, true, true}, {{100, "Hello"}, {160, ""}, {200, ""}}},
      {"no out cue captions", {0, 1, 0, true, false, true}, {{100, "Hello"}, {164, "Hello"}, {300, "World"}}},
      {"paint-on", {2, 1, 0, false}, {{99, ""}, {120, "Hello"}, {160, ""}, {180, "World"}}},
      {"roll-up", {1, 1, 0, false}, {{120, "Hello"}, {160, ""}, {180, "World"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> w;
    const Played p = Played::Of(UltechEvents(doc, c.o, w));
    for (const auto& [frame, text] : c.expect) EXPECT_EQ(p.At(frame), text) << "frame " << frame;
    EXPECT_FALSE(p.otherChannel);
  }
  // Channel 2: a channel-1 decoder shows nothing and knows another channel was there.
  UltechOptions two;
  two.dataChannel = 2;
  std::vector<std::string> w;
  const Played p = Played::Of(UltechEvents(doc, two, w));
  EXPECT_TRUE(p.screens.empty());
  EXPECT_TRUE(p.otherChannel);
}

TEST(Ultech, LateCaptionsBeyondTheToleranceAreNamed) {
  // The second caption cannot be sent early enough behind the first.
  const SubtitleDocument doc = Doc(30, {{100, 102, "A long first caption here"}, {104, 160, "Next"}});
  for (int tolerance : {0, 30}) {
    std::vector<std::string> w;
    UltechOptions o;
    o.compensate = true;
    o.delayTolerance = tolerance;
    UltechEvents(doc, o, w);
    const bool named = !w.empty() && w[0].starts_with("Subtitle 0002 is shown ");
    EXPECT_EQ(named, tolerance == 0) << tolerance;
  }
}

TEST(CaptionInc, HeaderAndEventLines) {
  const SubtitleDocument doc = Doc(29, {{100, 160, "Hello"}, {300, 360, "World"}});
  struct Case {
    const char* name;
    CaptionIncOptions o;
    std::vector<std::string> lines;
  } cases[] = {
      {"pop-on, channel 1",
       {0, 1, 0, "Episode 4"},
       {"00000004 00000002 // Kipo Subtitling Software v6. Video standard: 29.97 drop frame // Episode 4",
        "00:00:03;10\xFE" "000\x14\x20\x14\x2e\x14\x76\x17\x22Hello\x14\x2f", "00:00:05;10\xFE" "000\x14\x2c",
        "00:00:10;00\xFE" "000\x14\x20\x14\x2e\x14\x76\x17\x22World\x14\x2f", "00:00:12;00\xFE" "000\x14\x2c"}},
      {"roll-up 3, channel 2, precompensated",
       {2, 2, 10, ""},
       {"00000004 00000002 // Kipo Subtitling Software v6. Video standard: 29.97 drop frame // ",
        "00:00:03;00\xFE" "002\x1c\x26\x1c\x2d\x1c\x76\x1f\x22Hello", "00:00:05;00\xFE" "002\x1c\x2c",
        "00:00:09;20\xFE" "002\x1c\x26\x1c\x2d\x1c\x76\x1f\x22World", "00:00:11;20\xFE" "002\x1c\x2c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> w;
    const Bytes b = WriteCaptionInc(doc, c.o, w);
    const std::string text(b.begin(), b.end());
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = text.find("\r\n", at);
      ASSERT_NE(end, std::string::npos) << "every line ends with CR LF";
      lines.push_back(text.substr(at, end - at));
      at = end + 2;
    }
    EXPECT_EQ(lines, c.lines);
  }
  SubtitleDocument pal = Doc(25, {{100, 160, "x"}});
  std::vector<std::string> w;
  const Bytes b = WriteCaptionInc(pal, {}, w);
  EXPECT_NE(std::string(b.begin(), b.end()).find("Video standard: 25 non-drop // "), std::string::npos);
}

}  // namespace
}  // namespace kipo
