#include <gtest/gtest.h>

#include "app/workstation.h"
#include "support/recording_prompter.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

SubtitleDocument Reel() {
  SubtitleDocument d;
  for (int i = 0; i < 6; ++i) d.Append(test::TimedSub("Sub " + std::to_string(i), 900000 + 100 * i, 900000 + 100 * i + 60));
  d.SetInCue(2, "");
  d.modified = false;
  return d;
}

// Each re-timing command is taken back, frame rate included, by one Undo; a refused one
// records nothing.
TEST(WorkstationRetime, OneUndoRestoresTheDocumentExactly) {
  struct Case {
    const char* what;
    std::function<bool(Workstation&)> run;
  };
  auto recut = [](RecutType type, long first, long last, RecutOptions o) {
    return [=](Workstation& ws) { return ws.timing().Recut(type, first, last, o).result == RecutResult::Recut; };
  };
  RecutOptions manual;
  manual.offset = "00:00:02:00";
  RecutOptions stretch;
  stretch.anchor1 = 1, stretch.anchor1NewIn = "10:00:00:00";
  stretch.anchor2 = 5, stretch.anchor2NewIn = "10:00:20:00";
  const Case cases[] = {
      {"linear PAL to 23.976", [](Workstation& ws) { return ws.timing().ConvertCues(ConversionMethod::Linear, Conversion::PalTo23976, 10); }},
      {"telecine PAL to drop-frame", [](Workstation& ws) { return ws.timing().ConvertCues(ConversionMethod::Telecine, Conversion::PalToDropFrame, 10); }},
      {"manual recut", recut(RecutType::Manual, 2, 4, manual)},
      {"proportional recut", recut(RecutType::Proportional, 1, 6, stretch)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SettingsStore settings;
    test::RecordingPrompter prompter;
    Workstation ws(settings, prompter);
    ws.session().ReplaceDocument(Reel());
    ws.session().GoTo(3);
    const SubtitleDocument before = ws.doc();
    ASSERT_TRUE(c.run(ws));
    EXPECT_NE(ws.doc().Subtitles(), before.Subtitles());
    EXPECT_TRUE(ws.doc().modified);
    ASSERT_TRUE(ws.session().CanUndo());
    ws.session().Undo();
    EXPECT_EQ(ws.doc().Subtitles(), before.Subtitles());
    EXPECT_EQ(ws.doc().frameRate(), before.frameRate());
    EXPECT_EQ(ws.session().panels().frameRate, "25 fps");
    EXPECT_FALSE(ws.session().CanUndo());
  }
}

TEST(WorkstationRetime, RefusalsRecordNothingAndChoicesAreStored) {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws(settings, prompter);
  ws.session().ReplaceDocument(Reel());
  const SubtitleDocument before = ws.doc();

  EXPECT_FALSE(ws.timing().ConvertCues(ConversionMethod::Simple, Conversion::PalTo24, 11));  // cues before 11:00
  EXPECT_EQ(prompter.Last().title, "Cue conversion");
  EXPECT_FALSE(ws.timing().ConvertCues(ConversionMethod::Telecine, Conversion::DropFrameTo24, 10));  // no rule
  RecutOptions o;
  o.newInCue = "10:00:04:00";  // subtitle 2 starts there already
  EXPECT_EQ(ws.timing().Recut(RecutType::NewInTime, 2, 3, o).result, RecutResult::Refused);
  EXPECT_EQ(prompter.Last().text, kRecutSameInCue);
  EXPECT_EQ(ws.doc().Subtitles(), before.Subtitles());
  EXPECT_FALSE(ws.session().CanUndo());

  EXPECT_EQ(LoadConversionChoices(settings).method, ConversionMethod::Telecine);
  EXPECT_EQ(LoadConversionChoices(settings).conversion, Conversion::DropFrameTo24);
  EXPECT_EQ(settings.Get(kOffsetType), 1);
  o.keepInterval = true;
  o.outCuesOnly = true;
  o.offset = "00:00:00:01";
  EXPECT_EQ(ws.timing().Recut(RecutType::Manual, 1, 1, o).result, RecutResult::Recut);
  EXPECT_EQ(settings.Get(kOffsetType), 0);
  EXPECT_TRUE(settings.Get(kOffsetMaintainInterval));

  // The telecine factors come from the settings.
  settings.Set(kPalTo24Factor, "1");
  ASSERT_TRUE(ws.timing().ConvertCues(ConversionMethod::Telecine, Conversion::PalTo24, 10));
  EXPECT_EQ(std::string(ws.doc().At(1).inCue), "10000400");  // 10:00:04:00 kept, frame field 0
  EXPECT_EQ(ws.session().panels().frameRate, "24 fps");
}

}  // namespace
}  // namespace kipo
