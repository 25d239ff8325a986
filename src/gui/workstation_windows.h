#pragma once
// The windows of the workstation's tools that the main window opens by command id: the
// clean with its options and report, the word lists, the profile window, the
// backups viewer and its settings, and the subtitle's box style and row colours. The main
// window adds these actions to its own; each runs its controller calls through the
// window's command runner, which shows refusals and the new state.
#include <QWidget>
#include <functional>
#include <map>
#include <string>

namespace kipo {
class Prompter;
class Workstation;
}  // namespace kipo

namespace kipo::gui {

struct WindowHost {
  Workstation& ws;
  Prompter& prompter;
  QWidget* parent;
  // Runs a Workstation call as a command of the main window: the edits typed so far
  // first, a refusal in a message box, the new state shown afterwards.
  std::function<void(const std::function<void()>&)> command;
};

using WindowActionMap = std::map<std::string, std::function<void()>, std::less<>>;

// Adds (or replaces) the actions of these windows' commands.
void AddWorkstationWindows(WindowActionMap& actions, const WindowHost& host);

// The clean report after a clean or punctuation check, when it has rows and the "Report"
// tick box is on.
void ShowCleanReport(const WindowHost& host);

}  // namespace kipo::gui
