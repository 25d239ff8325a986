// The tool windows' commands in the main window: every one is in a menu, the document
// commands without a window run from the menu, and a frame rate chosen from the menu is a
// relabel that one Undo takes back.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "app/commands.h"
#include "gui/main_window.h"
#include "gui/qt_prompter.h"
#include "support/temp_home.h"
#include "support/timed_subtitle.h"

namespace kipo {
namespace {

struct Fixture {
  test::TempHome home;
  SettingsStore settings;
  gui::QtPrompter prompter;
  Workstation ws{settings, prompter};
  gui::MainWindow window{ws, prompter};
  Fixture() {
    SubtitleDocument d;
    d.Append(test::TimedSub("One\r\nTwo", 100, 150));
    d.modified = false;
    ws.session().ReplaceDocument(std::move(d));
    window.ShowState();
  }
};

TEST(WorkstationWindows, EveryToolWindowHasItsMenuItem) {
  Fixture f;
  for (const char* id : {"tools.clean", "tools.punctuation", "tools.autoReplace",
                         "tools.profanity", "tools.backups", "tools.autosave", "tools.subtitleZero", "rate.detect",
                         "profile.edit", "profile.import", "profile.export", "subtitle.rowUp", "subtitle.rowDown",
                         "subtitle.nudgeLeft", "subtitle.nudgeRight", "subtitle.nudgeUp", "subtitle.nudgeDown",
                         "subtitle.boxStyle", "subtitle.rowColours", "subtitle.convertColours"}) {
    SCOPED_TRACE(id);
    QAction* a = f.window.command(id);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->isEnabled());
    EXPECT_FALSE(a->associatedObjects().isEmpty()) << "in a menu";
  }
}

TEST(WorkstationWindows, DocumentCommandsRunFromTheMenu) {
  Fixture f;
  f.window.command("subtitle.rowUp")->trigger();
  f.window.command("subtitle.nudgeRight")->trigger();
  EXPECT_EQ(f.ws.doc().At(0).row, 1);
  EXPECT_EQ(f.ws.doc().At(0).shiftX, 1);
  EXPECT_TRUE(f.window.isWindowModified());
  f.window.command("edit.undo")->trigger();
  EXPECT_EQ(f.ws.doc().At(0).shiftX, 0);
  EXPECT_EQ(f.ws.doc().At(0).row, 1);

  // Choosing a rate keeps the cue labels; Undo gives the rate back.
  QAction* ntsc = nullptr;
  for (QAction* a : f.window.menuBar()->actions())
    if (a->menu())
      for (QAction* item : a->menu()->actions())
        if (item->text() == QString::fromStdString(FrameRate::FromCode(30)->label())) ntsc = item;
  ASSERT_NE(ntsc, nullptr);
  ntsc->trigger();
  EXPECT_EQ(f.ws.doc().frameRate().code, 30);
  EXPECT_EQ(f.ws.doc().At(0).inCue.digits(), "00000400");
  f.window.command("edit.undo")->trigger();
  EXPECT_EQ(f.ws.doc().frameRate().code, 25);
}

}  // namespace
}  // namespace kipo
