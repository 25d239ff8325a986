// Cue-list files as other tools and broadcasters write them: WebVTT read by the W3C parsing
// rules (and the habits real files add to them), times that round up to a whole second,
// SBV and MicroDVD conventions, and what a writer cannot carry named in its warnings.
#include <gtest/gtest.h>

#include "formats/exchange/cue_text.h"
#include "formats/exchange/microdvd.h"
#include "formats/exchange/sbv.h"
#include "formats/exchange/subrip.h"
#include "formats/exchange/webvtt.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

FrameRate Rate(int code) { return *FrameRate::FromCode(code); }

std::vector<std::string> Texts(const SubtitleDocument& d) {
  std::vector<std::string> t;
  for (const Subtitle& s : d.Subtitles()) t.push_back(s.text);
  return t;
}

std::string Joined(const Warnings& w) {
  std::string s;
  for (const std::string& x : w) s += x + "\n";
  return s;
}

TEST(WebVttRead, ParsingRulesAndTheHabitsOfRealFiles) {
  struct Case {
    const char* what;
    std::string file;
    std::vector<std::string> texts;
    const char* warning;  // a part of the one warning expected, or "" for none
  };
  const std::vector<Case> cases = {
      // Automatic captions keep a row of one space above the words being spoken.
      {"row of spaces is cue text",
       "WEBVTT\nKind: captions\nLanguage: en\n\n00:00:01.000 --> 00:00:03.000 align:start position:0%\n \n"
       "hello<00:00:01.500><c> world</c>\n\n00:00:03.000 --> 00:00:05.000\nnext\n \n",
       {" \r\nhello world", "next"},
       ""},
      {"row of a tab", "WEBVTT\n\n00:01.000 --> 00:02.000\n\t\nafter a tab\n", {"\t\r\nafter a tab"}, ""},
      {"form feeds and tabs part the timing line", "WEBVTT\tfrom a tool\n\n00:01.000\f-->\f00:02.000\nff\n\n"
       "00:03.000\t-->\t00:04.000\tline:0\ntab\n", {"ff", "tab"}, ""},
      {"a timing line in the text starts the next cue",
       "WEBVTT\n\n00:01.000 --> 00:02.000\none\n00:03.000 --> 00:04.000\ntwo\n", {"one", "two"}, ""},
      {"identifier holding an arrow-less dash", "WEBVTT\n\nintro - 1\n00:01.000 --> 00:02.000\nx\n", {"x"}, ""},
      {"old Mac line ends", "WEBVTT\r\r00:01.000 --> 00:02.000\rcr\r", {"cr"}, ""},
      {"NUL is the replacement character", std::string("WEBVTT\n\n00:01.000 --> 00:02.000\na\0b\n", 36),
       {"a\xEF\xBF\xBD" "b"}, ""},
      {"STYLE and REGION blocks", "WEBVTT\n\nSTYLE\n::cue { color: lime }\n\nREGION\nid:r\n\n00:01.000 --> 00:02.000\nx\n",
       {"x"}, ""},
      {"no WEBVTT line", "1\n00:00:01.000 --> 00:00:02.000\nx\n\n2\n00:00:03.000 --> 00:00:04.000\ny\n", {"x", "y"},
       "does not start with a \"WEBVTT\" line"},
      {"cue right after the header line", "WEBVTT\n00:01.000 --> 00:02.000\nx\n", {"x"},
       "no empty line before it"},
      {"stray block", "WEBVTT\n\nnot a cue\n\n00:01.000 --> 00:02.000\nx\n", {"x"}, "neither a cue nor a note"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Warnings w;
    SubtitleDocument d = ReadWebVtt(c.file, Rate(25), w);
    EXPECT_EQ(Texts(d), c.texts);
    if (*c.warning) {
      ASSERT_EQ(w.size(), 1u) << Joined(w);
      EXPECT_NE(w[0].find(c.warning), std::string::npos) << w[0];
    } else {
      EXPECT_TRUE(w.empty()) << Joined(w);
    }
  }
}

// A time whose milliseconds round up to the next frame number past the last of the second
// carries into the seconds, reading and writing, at every rate; drop-frame labels that do
// not exist are never made.
TEST(CueTimes, NoFieldOutOfRange) {
  struct Read {
    int rate;
    const char* time;
    const char* digits;
  };
  for (const Read& c : {Read{50, "00:00:01,999", "00000200"}, Read{48, "00:00:01.995", "00000200"},
                        Read{15, "00:00:59,990", "00010000"}, Read{60, "00:00:01.999", "00000200"},
                        Read{59, "00:59:59.999", "01000000"}, Read{25, "00:00:01,999", "00000124"},
                        Read{29, "00:00:59,999", "00005929"}, Read{29, "00:01:00,040", "00010002"},
                        Read{29, "00:10:00,000", "00100000"}, Read{50, "99:59:59,999", "99595949"}}) {
    SCOPED_TRACE(std::to_string(c.rate) + " " + c.time);
    std::string_view t = c.time;
    auto clock = ReadClockTime(t);
    ASSERT_TRUE(clock);
    CueDigits d = ClockToDigits(*clock, Rate(c.rate));
    EXPECT_EQ(d, c.digits);
    EXPECT_TRUE(IsValidCue(d, Rate(c.rate)));
  }
  // Labels a file brought in with a frame number the rate does not reach.
  struct Write {
    int rate;
    const char* digits;
    const char* srt;
  };
  for (const Write& c : {Write{50, "00000150", "00:00:02,000"}, Write{15, "00005915", "00:01:00,000"},
                         Write{48, "09595948", "10:00:00,000"}, Write{50, "99595999", "99:59:59,999"}}) {
    SCOPED_TRACE(c.digits);
    EXPECT_EQ(MillisCueText(c.digits, ',', Rate(c.rate)), c.srt);
    EXPECT_EQ(FormatTimecode(c.digits, 5, Rate(c.rate)), c.srt);
  }
  EXPECT_EQ(MillisCueText("00000150", '.', Rate(50), 1), "0:00:02.000");
  // What every text writer puts out for a whole document near the ends of seconds reads
  // back as the same, valid, labels.
  for (int code : {15, 48, 50, 59, 60}) {
    SCOPED_TRACE(code);
    const FrameRate r = Rate(code);
    SubtitleDocument d;
    d.SetFrameRate(code);
    for (int f = r.countingRate() - 3; f < r.countingRate(); ++f) {
      Subtitle s;
      s.inCue = "000001" + std::string(f < 10 ? "0" : "") + std::to_string(f);
      s.outCue = "000002" + std::string(f < 10 ? "0" : "") + std::to_string(f);
      s.text = "x";
      d.Append(s);
    }
    Warnings w;
    for (const SubtitleDocument& back : {ReadSubRip(WriteSubRip(d, {}, w), r, w), ReadWebVtt(WriteWebVtt(d, {}, w), r, w),
                                         ReadSbv(WriteSbv(d, w), r, w)})
      for (const Subtitle& s : back.Subtitles()) {
        EXPECT_TRUE(IsValidCue(s.inCue, r)) << s.inCue.digits();
        EXPECT_TRUE(IsValidCue(s.outCue, r)) << s.outCue.digits();
      }
  }
}

TEST(SbvAndMicroDvd, ConventionsOfOtherTools) {
  Warnings w;
  // SBV from the video site: "[br]" breaks the line.
  SubtitleDocument s = ReadSbv("0:00:01.000,0:00:02.000\nFirst[br]second [BR]third\n", Rate(25), w);
  ASSERT_EQ(s.Count(), 1u);
  EXPECT_EQ(s.At(0).text, "First\r\nsecond \r\nthird");
  // MicroDVD: the first line names the rate of the frame counts.
  struct Case {
    const char* file;
    int code;
    const char* in;
    bool warned;
  };
  for (const Case& c : {Case{"{1}{1}29.970\r\n{300}{360}x\r\n", 29, "00001000", false},
                        Case{"{1}{1}23.976\n{240}{300}x\n", 23, "00001000", false},
                        Case{"{0}{0}25.000\n{250}{300}x\n", 25, "00001000", false},
                        Case{"{1}{20}30\n{300}{360}x\n", 30, "00001000", false},
                        Case{"{1}{1}12.5\n{250}{300}x\n", 50, "00000500", true}}) {
    SCOPED_TRACE(c.file);
    Warnings mw;
    SubtitleDocument m = ReadMicroDvd(c.file, Rate(50), mw);
    ASSERT_EQ(m.Count(), 1u);
    EXPECT_EQ(m.frameRate().code, c.code);
    EXPECT_EQ(m.At(0).inCue, c.in);
    EXPECT_EQ(mw.size(), c.warned ? 1u : 0u) << Joined(mw);
  }
  // MicroDVD italics: "{y:i}" is its own row's, "{Y:i}" every row's.
  struct Italics {
    const char* file;
    bool whole;
    const char* text;
  };
  for (const Italics& c : {Italics{"{10}{20}Hello|{y:i}world", false, "Hello\r\n<world>"},
                           Italics{"{10}{20}{y:i}Hello|world", false, "<Hello>\r\nworld"},
                           Italics{"{10}{20}{Y:i}Hello|world", true, "Hello\r\nworld"},
                           Italics{"{10}{20}{y:i}Hello|{y:i}world", true, "Hello\r\nworld"},
                           Italics{"{10}{20}{y:i}{c:$0000ff}Alone", true, "Alone"},
                           // Braces that hold no code are text; spaces before the line end are not.
                           Italics{"{10}{20}a {b} c|{y:i}{x} \t", false, "a {b} c\r\n<{x}>"},
                           Italics{"{10}{20}{s:12}Size|{P:0}{f:Arial}two \t ", false, "Size\r\ntwo"}}) {
    SCOPED_TRACE(c.file);
    Warnings mw;
    SubtitleDocument m = ReadMicroDvd(c.file, Rate(25), mw);
    ASSERT_EQ(m.Count(), 1u);
    EXPECT_EQ(m.At(0).italic, c.whole);
    EXPECT_EQ(m.At(0).text, c.text);
    if (c.whole) {
      EXPECT_NE(WriteMicroDvd(m, mw).find("{Y:i}"), std::string::npos);
    }
  }
}

// What a format cannot hold is named; what it can hold in its own way, it holds.
TEST(CueFormats, LossesAreNamedAndItalicSubtitlesKept) {
  Subtitle open;
  open.inCue = "00000100";
  open.text = "No out cue";
  Subtitle coloured;
  coloured.inCue = "00000200";
  coloured.outCue = "00000300";
  coloured.text = "been?\x03Great.";
  Subtitle italic;
  italic.inCue = "00000400";
  italic.outCue = "00000500";
  italic.text = "Whole";
  italic.italic = true;
  SubtitleDocument d;
  d.ReplaceAll({open, coloured, italic});
  struct Case {
    const char* format;
    std::function<std::string(Warnings&)> write;
    std::function<SubtitleDocument(const std::string&, Warnings&)> read;
    std::vector<const char*> warnings;
    bool coloursAsTags;
  };
  const std::vector<Case> cases = {
      {"SubRip", [&](Warnings& w) { return WriteSubRip(d, {}, w); },
       [](const std::string& t, Warnings& w) { return ReadSubRip(t, Rate(25), w); }, {"0001 has no out cue"}, true},
      {"WebVTT", [&](Warnings& w) { return WriteWebVtt(d, {}, w); },
       [](const std::string& t, Warnings& w) { return ReadWebVtt(t, Rate(25), w); },
       {"0001 has an unset cue", kColoursNotWritten}, false},
      {"SBV", [&](Warnings& w) { return WriteSbv(d, w); },
       [](const std::string& t, Warnings& w) { return ReadSbv(t, Rate(25), w); }, {"0001 has an unset cue"}, true},
      {"MicroDVD", [&](Warnings& w) { return WriteMicroDvd(d, w); },
       [](const std::string& t, Warnings& w) { return ReadMicroDvd(t, Rate(25), w); }, {kColoursNotWritten}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    Warnings w;
    const std::string text = c.write(w);
    for (const char* expected : c.warnings)
      EXPECT_NE(Joined(w).find(expected), std::string::npos) << expected << "\n" << Joined(w);
    EXPECT_EQ(w.size(), c.warnings.size()) << Joined(w);
    // Colour codes never reach the file as control characters; without colour tags the
    // code's cell stays a space between the words.
    for (char ch : text) EXPECT_FALSE(ch > 0 && ch < 0x20 && ch != '\r' && ch != '\n') << int(ch);
    Warnings rw;
    SubtitleDocument back = c.read(text, rw);
    ASSERT_EQ(back.Count(), 3u);
    EXPECT_EQ(back.At(1).text, c.coloursAsTags ? "been?\x03Great." : "been? Great.");
    const Subtitle& it = back.At(2);
    EXPECT_TRUE(it.italic || it.text == "<Whole>") << it.text;
  }
}

}  // namespace
}  // namespace kipo
