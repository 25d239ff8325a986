#pragma once
// The main window's commands as one table: id, menu, menu text with its mnemonic, keys,
// when the command is available and what it runs. The desktop app builds its menus and
// shortcuts from the table, and its tests trigger commands by id, so a command's name, key
// and availability are stated once. Commands that need something only the window has (a
// dialog, the selection in a text box, the cursor) have no `run` here: the window supplies
// their action under the same id.
#include <span>
#include <string>
#include <string_view>

namespace kipo {

class Workstation;

// What a command needs before it can run.
enum class Availability {
  Always,
  Subtitle,  // a current subtitle
  Undo,      // a step in the history
  Redo,      // a step the undos took back
};

struct MenuInfo {
  std::string_view id;     // "file"
  std::string_view title;  // "&File": '&' marks the mnemonic letter
};

struct CommandInfo {
  std::string_view id;     // "file.open": the menu's id, a dot, the command
  std::string_view menu;   // a MenuInfo id
  std::string_view text;   // "&Open...": '&' marks the mnemonic letter
  std::string_view keys;   // "Ctrl+O", "Shift+F7", "PgDown"; "" for none
  Availability availability = Availability::Always;
  // Runs the command; true when it did what it was asked (a save that was written, an
  // open that read the file). Null for commands the window runs itself.
  bool (*run)(Workstation&) = nullptr;
  // For a switch: whether it is on. Null for plain commands.
  bool (*checked)(const Workstation&) = nullptr;
  bool separatorBefore = false;
  // A successful run puts the document's file on the recent-files list.
  bool remembersFile = false;
  // A submenu that the window fills (the recent files).
  bool submenu = false;
};

// The menus in menu-bar order; "rate" and "profile" also hold lists the window fills from
// the frame rates and the stored profiles.
std::span<const MenuInfo> Menus();
// Every command, in menu order.
std::span<const CommandInfo> Commands();
// The command with this id, or null.
const CommandInfo* FindCommand(std::string_view id);
// Whether a command can run now.
bool IsAvailable(const CommandInfo& command, const Workstation& ws);
// The mnemonic letter of a menu text (lower case), or 0 when it has none.
char Mnemonic(std::string_view text);
// A key text in one spelling: modifiers in the order Ctrl, Alt, Shift, the key's name in
// lower case ("shift+ctrl+M" and "Ctrl+Shift+m" both become "ctrl+shift+m").
std::string NormalizeKeys(std::string_view keys);

}  // namespace kipo
