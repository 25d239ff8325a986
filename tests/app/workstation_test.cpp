#include "app/workstation.h"

#include <gtest/gtest.h>

#include "support/recording_prompter.h"

namespace kipo {
namespace {

TEST(Workstation, EditAreaShowsNeighboursAndCommitsOnlyCompleteCues) {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws(settings, prompter);
  EXPECT_EQ(ws.WindowTitle(), "Kipo - [Untitled]");
  SubtitleDocument d;
  for (int i = 0; i < 3; ++i) {
    Subtitle s;
    s.text = "Sub " + std::to_string(i + 1);
    s.inCue = "0000" + std::to_string(10 + i) + "00";
    s.outCue = "0000" + std::to_string(10 + i) + "20";
    d.Append(s);
  }
  d.SetFile("/films/reel.kpox");
  d.modified = false;
  ws.ReplaceDocument(std::move(d));
  EXPECT_EQ(ws.WindowTitle(), "Kipo - /FILMS/REEL.KPOX");
  ws.GoTo(1);
  EXPECT_EQ(ws.edit().text, "Sub 2");
  EXPECT_EQ(ws.edit().inCue, "00:00:11:00");
  EXPECT_EQ(ws.edit().duration, "00:20");
  EXPECT_EQ(ws.edit().lastOut, "00:00:10:20");
  EXPECT_EQ(ws.edit().nextIn, "00:00:12:00");
  ws.edit().text = "Changed";
  ws.edit().outCue = "00:00:1";  // incomplete: not set
  ws.GoTo(2);
  EXPECT_EQ(ws.doc().At(1).text, "Changed");
  EXPECT_EQ(ws.doc().At(1).outCue, "");
  EXPECT_TRUE(ws.doc().modified);
  EXPECT_EQ(ws.doc().currentNumber(), 3);
}

}  // namespace
}  // namespace kipo
