// Splitting the open document into part files and language files: what each file holds,
// the questions on the way, the refusals, and that the open document stays as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/workstation.h"
#include "core/native_file.h"
#include "core/split_file.h"
#include "platform/files.h"
#include "settings/keys.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

namespace fs = std::filesystem;

// Ten subtitles from 10:15:20:05, four seconds apart, the fourth without an out cue.
SubtitleDocument Programme() {
  SubtitleDocument d;
  const Timecode start = LabelToFrames("10:15:20:05", test::kPal);
  for (int i = 0; i < 10; ++i)
    d.Append(test::TimedSub("Line " + std::to_string(i + 1) + "\r\nLigne " + std::to_string(i + 1), start + 100 * i,
                            start + 100 * i + 60));
  d.SetOutCue(3, "");
  d.SetText(9, "Only one line");
  d.SetComment(2, "check name");
  d.SetNotes("Reel notes");
  d.SetFile("/somewhere/film.kpox");
  d.modified = false;
  return d;
}

SubtitleDocument ReadBack(const fs::path& p) {
  return ReadNative(ReadFileBytes(p), NativeVariant::Kpox);
}

std::vector<std::string> Texts(const SubtitleDocument& d) {
  std::vector<std::string> out;
  for (const Subtitle& s : d.Subtitles()) out.push_back(s.text);
  return out;
}

struct Fixture {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
  Fixture() {
    ws.session().ReplaceDocument(Programme());
    settings.Set(keys::kSaveFolder, (home.path() / "").string());
  }
  void ChooseRoot(const std::string& name) { prompter.files.push_back(FileChoice{(home / name).string(), 1}); }
};

TEST(SplitFile, PointsFourAndEightGiveThreeFilesAndLeaveTheDocument) {
  Fixture f;
  const SubtitleDocument before = f.ws.doc();
  f.ChooseRoot("film.kpox");
  ASSERT_EQ(f.ws.split().SplitFile({8, 4}, false), SplitOutcome::Split);

  const FileDialog& d = f.prompter.dialogs.at(0);
  EXPECT_EQ(d.title, "Split File Root Name");
  EXPECT_EQ(d.filter, "Kipo Files (*.kpox)|*.kpox");
  EXPECT_TRUE(d.overwritePrompt);
  EXPECT_EQ(d.initialDir, (f.home.path() / "").string());
  EXPECT_EQ(f.prompter.Last().text, "File has been split into 3 parts");

  const std::vector<std::vector<int>> expected{{1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10}};
  for (int n = 1; n <= 3; ++n) {
    SCOPED_TRACE(n);
    const fs::path p = f.home / ("film_" + std::to_string(n) + ".kpox");
    EXPECT_EQ(f.ws.split().written().at(n - 1), p.string());
    SubtitleDocument part = ReadBack(p);
    ASSERT_EQ(part.Count(), expected[n - 1].size());
    for (std::size_t i = 0; i < part.Count(); ++i)
      EXPECT_EQ(part.At(i), before.At(static_cast<std::size_t>(expected[n - 1][i] - 1))) << "unmoved, every field kept";
    EXPECT_EQ(part.notes(), "Reel notes");
    EXPECT_EQ(part.frameRate(), before.frameRate());
  }
  EXPECT_EQ(f.ws.doc().Subtitles(), before.Subtitles());
  EXPECT_EQ(f.ws.doc().filePath, "/somewhere/film.kpox");
  EXPECT_FALSE(f.ws.doc().modified);
  EXPECT_FALSE(f.ws.session().CanUndo());
}

TEST(SplitFile, ConfirmedStartTimesMoveEachPartByItsOwnOffset) {
  Fixture f;
  f.ChooseRoot("reel");  // no extension: the root is the name as chosen
  f.prompter.inputs = {std::string("10:00:00:00"), std::nullopt, std::string("1x:00:00:00")};
  ASSERT_EQ(f.ws.split().SplitFile({4, 8}, true), SplitOutcome::Split);

  std::vector<std::string> titles;
  for (const auto& s : f.prompter.shown)
    if (s.kind == "input") titles.push_back(s.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Set File 1 Start Time", "Set File 2 Start Time", "Set File 3 Start Time"}));

  const Timecode first = LabelToFrames("10:15:20:05", test::kPal);
  struct Case {
    int part;
    Timecode offset;
  } cases[] = {
      {1, -23005},                            // back to 10:00:00:00
      {2, 0},                                 // Cancel keeps the cues
      {3, LabelToFrames("1x:00:00:00", test::kPal) - (first + 700)},  // read like any other label
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.part);
    SubtitleDocument part = ReadBack(f.home / ("reel_" + std::to_string(c.part) + ".kpox"));
    const std::size_t firstIndex = c.part == 1 ? 0 : c.part == 2 ? 3 : 7;
    for (std::size_t i = 0; i < part.Count(); ++i) {
      const Subtitle& orig = f.ws.doc().At(firstIndex + i);
      EXPECT_EQ(part.At(i).inCue.ToFrames(test::kPal), orig.inCue.ToFrames(test::kPal) + c.offset);
      if (!orig.outCue.IsSet()) EXPECT_FALSE(part.At(i).outCue.IsSet()) << "an unset cue stays unset";
      else EXPECT_EQ(part.At(i).outCue.ToFrames(test::kPal), orig.outCue.ToFrames(test::kPal) + c.offset);
    }
  }
  EXPECT_EQ(ReadBack(f.home / "reel_1.kpox").At(0).inCue.digits(), "10000000");
}

TEST(SplitFile, RefusalsAndCancelWriteNothing) {
  struct Case {
    const char* what;
    std::vector<long> points;
    bool chooseRoot;
    SplitOutcome outcome;
    const char* message;
  } cases[] = {
      {"nothing ticked", {}, true, SplitOutcome::Refused, kNoSplitPoints},
      {"nine ticked", {2, 3, 4, 5, 6, 7, 8, 9, 9, 3}, true, SplitOutcome::Split, "File has been split into 9 parts"},
      {"nine distinct", {2, 3, 4, 5, 6, 7, 8, 9, 5, 10}, true, SplitOutcome::Refused, kTooManySplitPoints},
      {"the first subtitle", {1, 5}, true, SplitOutcome::Refused, "Subtitle 1 cannot be a split point"},
      {"the last subtitle", {10}, true, SplitOutcome::Refused, "Subtitle 10 cannot be a split point"},
      {"root name cancelled", {5}, false, SplitOutcome::Cancelled, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    if (c.chooseRoot) f.ChooseRoot("film.kpox");
    EXPECT_EQ(f.ws.split().SplitFile(c.points, false), c.outcome);
    if (c.message) EXPECT_EQ(f.prompter.Last().text, c.message);
    else EXPECT_TRUE(f.prompter.shown.empty() || f.prompter.shown.back().kind == "save");
    if (c.outcome != SplitOutcome::Split) {
      EXPECT_TRUE(f.ws.split().written().empty());
      EXPECT_FALSE(fs::exists(f.home / "film_1.kpox"));
      EXPECT_EQ(f.prompter.dialogs.size(), c.chooseRoot ? 0u : 1u) << "a refusal asks for no name";
    } else {
      EXPECT_EQ(f.ws.split().written().size(), 9u) << "repeated ticks count once: 8 points, 9 parts";
    }
  }
}

TEST(SplitFile, AFailingPartStopsTheRunAndKeepsTheFilesBefore) {
  Fixture f;
  f.ChooseRoot("film.kpox");
  // The second file moved to start at 99:59:59:00 would end past the last label.
  f.prompter.inputs = {std::nullopt, std::string("99:59:59:00")};
  EXPECT_EQ(f.ws.split().SplitFile({4, 8}, true), SplitOutcome::Failed);
  EXPECT_TRUE(fs::exists(f.home / "film_1.kpox"));
  EXPECT_FALSE(fs::exists(f.home / "film_2.kpox"));
  EXPECT_FALSE(fs::exists(f.home / "film_3.kpox"));
  EXPECT_EQ(f.prompter.Last().kind, "ask");
  EXPECT_NE(f.prompter.Last().text.find("99:59:59"), std::string::npos) << f.prompter.Last().text;

  Fixture g;
  g.prompter.files.push_back(FileChoice{(g.home / "missing" / "film.kpox").string(), 1});
  EXPECT_EQ(g.ws.split().SplitFile({4}, false), SplitOutcome::Failed);
  EXPECT_EQ(g.prompter.shown.back().kind, "ask");
  EXPECT_TRUE(g.ws.split().written().empty());
}

TEST(DualLanguage, KeepingOneLanguageIsOneUndoStep) {
  for (int mode : {0, 1}) {
    SCOPED_TRACE(mode);
    Fixture f;
    f.ws.session().GoTo(9);
    const SubtitleDocument before = f.ws.doc();
    ASSERT_TRUE(f.ws.split().DualLanguage(mode));
    std::vector<std::string> want;
    for (int i = 1; i <= 9; ++i) want.push_back((mode == 0 ? "Ligne " : "Line ") + std::to_string(i));
    want.push_back("Only one line");  // one line: the same whichever language is kept
    EXPECT_EQ(Texts(f.ws.doc()), want);
    EXPECT_EQ(f.ws.session().edit().text, "Only one line");
    EXPECT_TRUE(f.ws.doc().modified);
    f.ws.session().Undo();
    EXPECT_EQ(f.ws.doc().Subtitles(), before.Subtitles());
    EXPECT_FALSE(f.ws.session().CanUndo());
  }
}

TEST(DualLanguage, LanguageFilesHoldOneLineEachAndTheDocumentStays) {
  Fixture f;
  const SubtitleDocument before = f.ws.doc();
  f.ChooseRoot("film.kpox");
  ASSERT_TRUE(f.ws.split().DualLanguage(2));
  const fs::path lang1 = f.home / "film_Lang1.kpox", lang2 = f.home / "film_Lang2.kpox";
  EXPECT_EQ(f.ws.split().written(), (std::vector<std::string>{lang2.string(), lang1.string()}));
  EXPECT_EQ(f.prompter.Last().text,
            "The current file has been split into two new files:\n\n" + lang1.string() + "\n\n" + lang2.string());
  SubtitleDocument one = ReadBack(lang1), two = ReadBack(lang2);
  ASSERT_EQ(one.Count(), 10u);
  EXPECT_EQ(one.At(0).text, "Ligne 1");
  EXPECT_EQ(one.At(9).text, "") << "a one-line subtitle has no second language";
  EXPECT_EQ(two.At(0).text, "Line 1");
  EXPECT_EQ(two.At(9).text, "Only one line");
  for (std::size_t i = 0; i < 10; ++i) {
    Subtitle s = before.At(i);
    s.text = two.At(i).text;
    EXPECT_EQ(two.At(i), s) << "cues and every other field unchanged";
  }
  EXPECT_EQ(f.ws.doc().Subtitles(), before.Subtitles());
  EXPECT_FALSE(f.ws.doc().modified);

  Fixture g;  // cancelled: nothing written
  EXPECT_FALSE(g.ws.split().DualLanguage(2));
  EXPECT_TRUE(fs::is_empty(g.home.path()) || !fs::exists(g.home / "film_Lang1.kpox"));
}

TEST(SplitNames, RootPartAndLanguageNamesAndTheCountLabel) {
  EXPECT_EQ(SplitRootName("/d/film.kpox"), "/d/film");
  EXPECT_EQ(SplitRootName("/d/film.KPOX"), "/d/film");
  EXPECT_EQ(SplitRootName("/d/film.srt"), "/d/film.srt");
  EXPECT_EQ(PartFileName("/d/film", 2), "/d/film_2.kpox");
  EXPECT_EQ(LanguageFileName("/d/film", 1), "/d/film_Lang1.kpox");
  EXPECT_EQ(SplitController::CountLabel(0), "0 split points selected");
  EXPECT_EQ(SplitController::CountLabel(1), "1 split point selected");
  EXPECT_EQ(SplitController::CountLabel(8), "8 split points selected");
  EXPECT_EQ(KeepLanguage("", 2), "");
  EXPECT_EQ(LanguageFileText("A\r\nB\r\nC", 1), "B");
  EXPECT_EQ(LanguageFileText("", 2), "");
}

}  // namespace
}  // namespace kipo
