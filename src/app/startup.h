#pragma once
// Where the program begins and ends: StartUp prepares the folders and logs, reads the
// options, opens the file named on the command line (or offers to recover the autosave
// file); QueryShutdown asks to save, tidies the backups, stores the window state and
// deletes the autosave file. Everything a window must do itself (toolbar, menus, splash,
// geometry) is left to the desktop app, which follows the steps through `onStep`.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/workstation.h"

namespace kipo {

inline constexpr const char* kScreenTooSmall =
    "This program must be run at a screen resolution of at least 1024 x 600 pixels";

struct ScreenCheck {
  bool ok = true;
  bool compact = false;  // exactly 1024 pixels wide: the compact video panel
};
// The main window needs at least 1024 x 600 pixels.
ScreenCheck CheckScreenSize(int width, int height);

struct WindowState {
  int state = 0;  // 0 normal, 1 minimised, 2 maximised
  int top = 0, left = 0, width = 0, height = 0;
  bool operator==(const WindowState&) const = default;
};

struct StartUpHooks {
  // The screen size in pixels; when set it is checked at its step and a screen that is
  // too small ends the start-up at once.
  std::function<std::pair<int, int>()> screenSize;
  // Called after each logged step with its log text.
  std::function<void(std::string_view)> onStep;
};

struct StartUpOutcome {
  bool refused = false;            // the screen is too small: close at once, no shutdown questions
  bool compactVideoPanel = false;
  bool showSplash = false;
  bool showNewProjectWindow = false;
  std::optional<WindowState> window;  // with "Remember window size"
};

// `commandLine` is the whole command-line text, taken as one path.
StartUpOutcome StartUp(Workstation& ws, const std::string& commandLine, const StartUpHooks& hooks = {});
// The start-up document: the command-line file by its extension, or autosave recovery.
void OpenStartUpDocument(Workstation& ws, const std::string& commandLine);

// Returns false when the exit is cancelled.
bool QueryShutdown(Workstation& ws, const WindowState& window);

// Empties `backups` in a backup clean mode: 0 to the trash, 1 into `archive` (only when
// that folder exists; across file systems too), 2 deleted. Other modes do nothing. Returns
// one line for each backup that could not be archived (mode 1).
std::vector<std::string> CleanBackups(int mode, const std::filesystem::path& backups,
                                      const std::filesystem::path& archive);

}  // namespace kipo
