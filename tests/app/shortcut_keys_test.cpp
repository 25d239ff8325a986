#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/shortcut_keys.h"

namespace kipo {
namespace {

// Changed keys as they are stored and read back, including hand-edited settings files in
// other spellings and ids a newer or older version wrote.
TEST(ShortcutKeys, StoredKeysOverTheTable) {
  SettingsStore s;
  struct Step {
    const char* id;
    const char* set;       // keys to set
    const char* expected;  // what ShortcutFor gives afterwards
    bool stored;           // whether the settings keep a value
  };
  const std::vector<Step> steps = {
      {"edit.find", "Ctrl+Shift+H", "Ctrl+Shift+H", true},
      {"edit.find", "ctrl+f", "Ctrl+F", false},  // the table's keys in another spelling: forgotten
      {"go.goTo", "", "", true},                 // no keys at all is kept as a choice
      {"file.save", "F2", "F2", true},
  };
  for (const Step& st : steps) {
    SCOPED_TRACE(std::string(st.id) + " <- " + st.set);
    SetShortcut(s, st.id, st.set);
    EXPECT_EQ(NormalizeKeys(ShortcutFor(s, st.id)), NormalizeKeys(st.expected));
    EXPECT_EQ(s.Get(kShortcutsSection, st.id, "\x01") != "\x01", st.stored);
  }
  // Conflicts name the other command, in any spelling; a command never conflicts with itself.
  EXPECT_EQ(ShortcutConflict(s, "edit.find", "f2"), "file.save");
  EXPECT_EQ(ShortcutConflict(s, "file.save", "F2"), std::nullopt);
  EXPECT_EQ(ShortcutConflict(s, "edit.find", "Ctrl+S"), std::nullopt);  // Save gave it up
  EXPECT_EQ(ShortcutConflict(s, "go.goTo", "shift+ctrl+m"), "edit.mergePrevious");
  EXPECT_EQ(ShortcutConflict(s, "go.goTo", ""), std::nullopt);

  s.Set(kShortcutsSection, "tools.teleport", "Ctrl+T");
  SetShortcut(s, "no.such.command", "Ctrl+K");
  EXPECT_EQ(UnknownShortcutIds(s), std::vector<std::string>{"tools.teleport"});
  ResetShortcuts(s);
  EXPECT_EQ(ShortcutFor(s, "file.save"), "Ctrl+S");
  EXPECT_EQ(ShortcutFor(s, "go.goTo"), "Ctrl+G");
}

}  // namespace
}  // namespace kipo
