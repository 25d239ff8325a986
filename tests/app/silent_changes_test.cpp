// Nothing changes behind the user's back: moving is not editing, a file of another program
// is never written over by Save, a new subtitle takes the italic mode the window shows,
// and an export that had something to say says it.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/workstation.h"
#include "core/native_save.h"
#include "formats/registry.h"
#include "platform/files.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

struct Desk : ::testing::Test {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};

  void Load(std::vector<Subtitle> subs) {
    SubtitleDocument d;
    for (Subtitle& s : subs) d.Append(std::move(s));
    d.SetFile((home / "film.kpox").string());
    d.modified = false;
    ws.session().ReplaceDocument(std::move(d));
  }
};

using SilentChanges = Desk;

// Texts as other tools leave them: non-breaking spaces before French punctuation, a lone
// CR from an old Mac script, control characters of a teletext import, trailing spaces.
std::vector<Subtitle> AwkwardTexts() {
  return {test::TimedSub("Bonjour\xC2\xA0!\r\nOn y va\xC2\xA0?", 250, 300),
          test::TimedSub("Line one\rline two", 310, 400),
          test::TimedSub("\x03Yellow words  ", 410, 500),
          test::TimedSub("", -1, -1),
          test::TimedSub("<Last one>", 600, 700)};
}

TEST_F(SilentChanges, MovingThroughTheDocumentChangesNothing) {
  Load(AwkwardTexts());
  const std::vector<Subtitle> before = ws.doc().Subtitles();
  for (bool fullUndo : {false, true}) {
    SCOPED_TRACE(fullUndo ? "Full undo" : "plain");
    settings.SetBool("Options", "Full undo", fullUndo);
    for (int i = 0; i < 6; ++i) ws.editing().PageDown();
    for (int i = 0; i < 6; ++i) ws.editing().PageUp();
    ws.timing().MoveTo(3);
    ws.session().GoTo(1);
    EXPECT_FALSE(ws.doc().modified);
    EXPECT_EQ(ws.doc().Subtitles(), before);
    EXPECT_TRUE(ws.files().QuerySaveChanges());
    EXPECT_TRUE(prompter.shown.empty()) << prompter.Last().text;
  }
  // A real edit still counts when the page keys leave it.
  ws.session().edit().text = "edited";
  ws.editing().PageDown();
  EXPECT_TRUE(ws.doc().modified);
}

TEST_F(SilentChanges, NewSubtitlesTakeTheItalicModeOfTheSubtitleShown) {
  std::vector<Subtitle> subs{test::TimedSub("plain", 0, 100), test::TimedSub("slanted", 200, 300),
                             test::TimedSub("plain again", 400, 500)};
  subs[1].italic = true;
  Load(subs);
  auto italics = [&] {
    std::string out;
    for (const Subtitle& s : ws.doc().Subtitles()) out += s.italic ? 'I' : '-';
    return out;
  };
  // An undo on the italic subtitle leaves its mode behind; another subtitle shown through
  // any kind of move brings its own.
  ws.session().GoTo(1);
  ws.session().edit().text = "slanted words";
  ws.editing().Insert();
  ws.session().Undo();
  ASSERT_TRUE(ws.session().toolbar().italic);
  struct Move {
    const char* name;
    std::function<void()> go;
  };
  for (const Move& m : {Move{"list", [&] { ws.session().GoTo(0); }}, Move{"page up", [&] { ws.editing().PageUp(); }},
                        Move{"check", [&] { ws.timing().MoveTo(2); }}}) {
    SCOPED_TRACE(m.name);
    ws.session().GoTo(1);
    ASSERT_TRUE(ws.session().toolbar().italic);
    m.go();
    EXPECT_FALSE(ws.session().toolbar().italic);
  }
  ws.session().GoTo(0);
  ws.editing().Insert();
  ws.session().GoTo(1);
  ws.session().edit().text = "plain";
  ws.editing().Split(2);
  EXPECT_EQ(italics(), "---I-");

  // The toggle is what the window shows, recorded as one "Italics" step.
  ws.session().GoTo(0);
  ws.editing().ToggleItalics();
  EXPECT_TRUE(ws.session().toolbar().italic);
  EXPECT_EQ(italics(), "I--I-");
  EXPECT_EQ(ws.session().undoHistory().ActionAt(1), "Italics");
  ws.editing().InsertAfter();  // never italic
  ws.session().GoTo(0);
  ws.editing().Insert();
  EXPECT_EQ(italics(), "II---I-");
}

// A file of another program, as that program writes it.
struct Foreign {
  const char* name;
  std::string bytes;
};

std::vector<Foreign> ForeignFiles() {
  return {
      {"episode.srt", "\xEF\xBB\xBF" "1\r\n00:00:01,234 --> 00:00:03,001\r\nFirst line\r\n\r\n2\r\n00:00:04,000 --> 00:00:05,500\r\n<i>Second</i>\r\n"},
      {"episode.vtt", "WEBVTT\n\n00:01.234 --> 00:03.001\nFirst line\n\n00:04.000 --> 00:05.500 align:start\nSecond\n"},
      {"episode.sbv", "0:00:01.234,0:00:03.001\nFirst line\n\n0:00:04.000,0:00:05.500\nSecond\n"},
  };
}

TEST_F(SilentChanges, SaveNeverWritesOverAForeignFile) {
  for (const Foreign& f : ForeignFiles()) {
    SCOPED_TRACE(f.name);
    const std::filesystem::path file = home / f.name;
    test::WriteFile(file, f.bytes);
    ASSERT_TRUE(ws.files().OpenPath(file.string()));
    ws.session().edit().text = "changed";
    ws.session().CommitEditArea();

    // Save asks for a file of our own, proposing the same name beside the original.
    prompter.dialogs.clear();
    EXPECT_FALSE(ws.files().Save());  // the dialog is cancelled
    ASSERT_EQ(prompter.dialogs.size(), 1u);
    EXPECT_EQ(prompter.dialogs[0].title, "Save File As");
    EXPECT_EQ(prompter.dialogs[0].fileName, "episode.kpox");
    EXPECT_EQ(prompter.dialogs[0].initialDir, home.path().string());
    EXPECT_EQ(test::ReadFile(file), f.bytes);
    EXPECT_EQ(ws.doc().filePath, file.string());

    // A foreign type typed into the dialog is refused: that is an export.
    prompter.files = {FileChoice{(home / "other.srt").string(), 1}};
    EXPECT_FALSE(ws.files().Save());
    EXPECT_NE(prompter.Last().text.find("File > Export"), std::string::npos) << prompter.Last().text;
    EXPECT_FALSE(std::filesystem::exists(home / "other.srt"));

    const std::filesystem::path native = home / "episode.kpox";
    prompter.files = {FileChoice{native.string(), 1}};
    ASSERT_TRUE(ws.files().Save());
    EXPECT_EQ(ws.doc().filePath, native.string());
    EXPECT_EQ(test::ReadFile(file), f.bytes);
    EXPECT_FALSE(ws.doc().modified);
    // From now on Save writes the native file without asking.
    prompter.dialogs.clear();
    ws.session().edit().text = "changed again";
    EXPECT_TRUE(ws.files().Save());
    EXPECT_TRUE(prompter.dialogs.empty());
    std::filesystem::remove(native);
  }
}

TEST_F(SilentChanges, ExportWarningsAreShownAndListed) {
  std::vector<Subtitle> subs{test::TimedSub("Timed", 250, 300), test::TimedSub("No out cue", 400, -1),
                             test::TimedSub("No cues at all", -1, -1)};
  Load(subs);
  const ExportFormat& srt = *FindExportFormat("SubRip");
  test::WriteFile(WarningListPath(), "an older list\r\n");
  prompter.files = {FileChoice{(home / "out.srt").string(), 2}};
  ASSERT_TRUE(ws.exports().ExportWithSaveDialog(srt));
  EXPECT_EQ(ws.session().panels().status, "File exported successfully");
  const std::string log = test::ReadFile(WarningListPath());
  const std::string& shown = ws.session().panels().warning;
  ASSERT_EQ(ws.exports().lastWarnings().size(), 3u);
  for (const std::string& w : ws.exports().lastWarnings()) {
    EXPECT_NE(log.find(w), std::string::npos) << w;
    EXPECT_NE(shown.find(w), std::string::npos) << w;
  }
  EXPECT_EQ(shown.rfind("3 warnings while exporting", 0), 0u) << shown;
  EXPECT_EQ(log.find("an older list"), std::string::npos);

  // A clean export empties the list, so an older list never passes for the new file's.
  ws.session().GoTo(1);
  ws.session().edit().outCue = "00:00:17:00";
  ws.session().edit().inCue = "00:00:16:00";
  ws.session().GoTo(2);
  ws.session().edit().inCue = "00:00:18:00";
  ws.session().edit().outCue = "00:00:19:00";
  ws.session().GoTo(0);
  prompter.files = {FileChoice{(home / "clean.srt").string(), 2}};
  ASSERT_TRUE(ws.exports().ExportWithSaveDialog(srt));
  EXPECT_TRUE(ws.exports().lastWarnings().empty());
  EXPECT_EQ(test::ReadFile(WarningListPath()), "");
}

TEST(ExportWarningText, CountsAndShortensLongLists) {
  EXPECT_EQ(ExportWarningText({"one"}).substr(0, 28), "1 warning while exporting (l");
  Warnings many;
  for (int i = 1; i <= 9; ++i) many.push_back("Subtitle " + std::to_string(i) + " has no out cue");
  std::string text = ExportWarningText(many);
  EXPECT_NE(text.find("Subtitle 4 has"), std::string::npos);
  EXPECT_EQ(text.find("Subtitle 5 has"), std::string::npos);
  EXPECT_NE(text.find("... and 5 more"), std::string::npos);
}

}  // namespace
}  // namespace kipo
