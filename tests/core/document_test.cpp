#include "core/document.h"

#include <gtest/gtest.h>

#include "core/detect_frame_rate.h"
#include "core/markup.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

Subtitle Sub(std::string text, std::string in = "", std::string out = "") {
  Subtitle s;
  s.text = std::move(text);
  s.inCue = std::move(in);
  s.outCue = std::move(out);
  return s;
}

TEST(Document, SettersKeepTheirSideEffects) {
  SubtitleDocument d;
  d.Append(Sub("Hello"));
  d.modified = false;
  d.SetShift(0, 5, 7);
  d.SetRowAlignments(0, "20000000000");
  d.SetAlignment(0, AlignLeft);
  EXPECT_EQ(d.At(0).shiftX, 0);  // alignment clears the horizontal nudge...
  EXPECT_EQ(d.At(0).shiftY, 7);  // ...but keeps the vertical one
  EXPECT_EQ(d.At(0).rowAlignments, kNoFlags);
  d.SetRow(0, 3);
  EXPECT_EQ(d.At(0).shiftY, 0);
  EXPECT_TRUE(d.modified);
  d.SetBoxStyle(0, 140);
  EXPECT_EQ(d.At(0).boxStyle, BoxNone);
  d.SetBoxStyle(0, BoxStripeOutline);
  EXPECT_EQ(d.At(0).boxStyle, 132);
}

TEST(Document, DefaultsOfAnImportedSubtitle) {
  Subtitle s;
  EXPECT_EQ(s.alignment, 1);
  EXPECT_EQ(s.row, 0);
  EXPECT_EQ(s.boxStyle, 128);
  EXPECT_EQ(s.rowAlignments, "00000000000");
  EXPECT_EQ(s.rowColours, "00000000000");
  SubtitleDocument d;
  EXPECT_EQ(d.languageId(), 2057);
  EXPECT_FALSE(d.modified);
  EXPECT_FALSE(d.saved);
}

TEST(Document, MoveRowStopsAtTheScreenLimits) {
  SubtitleDocument d;
  d.Append(Sub("one\r\ntwo\r\nthree"));
  EXPECT_EQ(d.RowCount(0), 3u);
  int moves = 0;
  while (d.MoveRow(0, true, 0)) ++moves;  // "Rows" below 1 means 11 screen rows
  EXPECT_EQ(moves, 8);
  EXPECT_EQ(d.At(0).row, 8);
  d.SetRow(0, 1);
  d.MoveRow(0, true, 4);
  EXPECT_EQ(d.At(0).row, 1);
  EXPECT_TRUE(d.MoveRow(0, false, 4));
  EXPECT_FALSE(d.MoveRow(0, false, 4));
  EXPECT_EQ(d.At(0).row, 0);
}

TEST(Document, NudgeDirections) {
  SubtitleDocument d;
  d.Append(Sub("x"));
  d.Nudge(0, 1);
  d.Nudge(0, 1);
  d.Nudge(0, 2);
  d.Nudge(0, 4);
  d.Nudge(0, 4);
  d.Nudge(0, 3);
  d.Nudge(0, 9);
  EXPECT_EQ(d.At(0).shiftX, -1);
  EXPECT_EQ(d.At(0).shiftY, 1);
}

TEST(Document, RowColoursBecomeColourCodes) {
  SubtitleDocument d;
  d.Append(Sub("red\r\nplain\r\ncyan"));
  d.SetRowColours(0, "10600000000");
  EXPECT_TRUE(d.ConvertRowColours(0));
  EXPECT_EQ(d.At(0).text, "\x01red\r\nplain\r\n\x06" "cyan");
  EXPECT_EQ(d.At(0).rowColours, kNoFlags);
  EXPECT_FALSE(d.ConvertRowColours(0));
}

TEST(Document, HoldsAtMost32767Subtitles) {
  SubtitleDocument d;
  std::vector<Subtitle> many(kMaxSubtitles);
  d.ReplaceAll(many);
  EXPECT_EQ(d.Count(), 32767u);
  try {
    d.Append(Sub("one too many"));
    FAIL();
  } catch (const UserError& e) {
    EXPECT_EQ(d.Count(), 32767u);
  }
}

TEST(Document, ListenersHearChangesAndAreNotCopied) {
  SubtitleDocument d;
  std::vector<DocumentChange::Kind> heard;
  Connection listening = d.Subscribe([&](const DocumentChange& c) { heard.push_back(c.kind); });
  d.Append(Sub("a"));
  d.SetText(0, "b");
  d.Remove(0);
  d.SetFrameRate(29);
  EXPECT_EQ(heard, (std::vector<DocumentChange::Kind>{DocumentChange::Inserted, DocumentChange::Changed,
                                                      DocumentChange::Removed, DocumentChange::FrameRateChanged}));
  SubtitleDocument copy = d;
  copy.Append(Sub("c"));
  EXPECT_EQ(heard.size(), 4u);
  // A document moved in (a reader's result) keeps the listeners of the one it replaces.
  SubtitleDocument fresh;
  fresh.Append(Sub("new"));
  d = std::move(fresh);
  EXPECT_EQ(heard.back(), DocumentChange::Reset);
  EXPECT_EQ(d.Count(), 1u);
}

TEST(Document, SetFrameRateKeepsLabels) {
  SubtitleDocument d;
  d.Append(Sub("x", "00000100", "00000200"));
  EXPECT_EQ(LabelToFrames(d.At(0).inCue, d.frameRate()), 25);
  EXPECT_EQ(d.SetFrameRate(30), 30);
  EXPECT_EQ(d.At(0).inCue, "00000100");
  EXPECT_EQ(LabelToFrames(d.At(0).inCue, d.frameRate()), 30);
  EXPECT_EQ(d.SetFrameRate(99), 30);  // unknown codes keep the rate
  d.SetFile("/films/reel1.kpox");
  EXPECT_EQ(d.fileType, "POX");
}

TEST(Markup, StripAndCount) {
  BoldMarkers bold;
  bold.enabled = true;
  EXPECT_EQ(StripMarkup("<It\x01's> [very] \xC2\xAB" "bold\xC2\xBB //hgA/hg", bold), "It's very bold A");
  BoldMarkers off;
  EXPECT_EQ(StripMarkup("\xC2\xAB" "b\xC2\xBB", off), "\xC2\xAB" "b\xC2\xBB");
  EXPECT_EQ(VisibleLength("<Gr\xC3\xBC\xC3\x9F" "e>"), 5u);  // code points, not bytes
  EXPECT_EQ(CountRows(""), 1u);
  EXPECT_EQ(CountRows("a\r\nb"), 2u);
  EXPECT_TRUE(IsWhollyItalic("<one\r\ntwo>"));
  EXPECT_FALSE(IsWhollyItalic("<one>\r\ntwo"));
}

TEST(DetectFrameRate, InfersAndOffersTheRate) {
  test::RecordingPrompter p;
  SubtitleDocument d;
  EXPECT_EQ(DetectFrameRate(d, p), DetectedRate::None);
  EXPECT_EQ(p.Last().text,
            "Cannot auto-detect frame rate.\nThe file does not appear to contain valid in and out cues.");

  d.Append(Sub("a", "00000010", "00000220"));
  EXPECT_EQ(InferFrameRate(d), DetectedRate::Pal);
  p.shown.clear();
  DetectFrameRate(d, p);  // already PAL: no question
  EXPECT_TRUE(p.shown.empty());

  d.Append(Sub("b", "00000128", "00000320"));
  EXPECT_EQ(InferFrameRate(d), DetectedRate::NtscDrop);
  p.answers.push_back(Answer::Yes);
  DetectFrameRate(d, p);
  EXPECT_EQ(p.Last().text, "This appears to be an NTSC drop frame file.\nWould you like to set the frame rate to NTSC DF?");
  EXPECT_EQ(d.frameRate().code, 29);

  d.Append(Sub("c", "00020001", "00020110"));  // minute 2, second 0, frame 01: not a drop-frame label
  EXPECT_EQ(InferFrameRate(d), DetectedRate::NtscNonDrop);
  DetectFrameRate(d, p);  // answered No by default
  EXPECT_EQ(p.Last().text, "This appears to be an NTSC non-drop file.\nWould you like to set the frame rate to NTSC NDF?");
  EXPECT_EQ(d.frameRate().code, 29);
}

}  // namespace
}  // namespace kipo
