#pragma once
// The document session: the open document, its undo history, the current subtitle with the
// edit area the user is typing in, the house rules and what the status panels show. The
// controllers (files, timing, editing, text, export, profiles) all work on one session;
// views hear about changes through its signals and never poll.
#include <cstdint>
#include <functional>
#include <string>

#include "core/document.h"
#include "core/undo.h"
#include "platform/prompter.h"
#include "platform/signal.h"
#include "settings/house_options.h"
#include "settings/settings_store.h"

namespace kipo {

// The edit area: the current subtitle's fields as the user is typing them, and the
// previous ("last") and next subtitles' cues, shown read-only.
struct EditArea {
  std::string inCue;    // as typed: "HH:MM:SS:FF", or incomplete
  std::string outCue;
  std::string duration; // "SS:FF" (DurationLabel)
  std::string text;
  std::string comment;
  std::string lastIn, lastOut, lastDuration;
  std::string nextIn, nextOut, nextDuration;
};

// What the desktop app shows in the status bar and the warning panel.
struct StatusPanels {
  std::string frameRate;  // "25 fps"
  std::string fileName;   // the path, or "[Untitled]"
  std::string status;     // "File saved OK", "Reading ..."
  std::string warning;    // the warning panel text; empty hides it
};

// The text toolbar: the pressed justification button and the italic mode.
struct TextToolbar {
  int alignment = AlignCentre;
  bool italic = false;
  bool operator==(const TextToolbar&) const = default;
};

class DocumentSession {
 public:
  DocumentSession(SettingsStore& settings, Prompter& prompter);
  DocumentSession(const DocumentSession&) = delete;
  DocumentSession& operator=(const DocumentSession&) = delete;

  SubtitleDocument& doc() { return doc_; }
  const SubtitleDocument& doc() const { return doc_; }
  SettingsStore& settings() const { return settings_; }
  Prompter& prompter() const { return prompter_; }
  HouseOptions& house() { return house_; }
  const HouseOptions& house() const { return house_; }
  // Re-reads the house options from the settings store.
  void ReloadHouseOptions();
  // The edit area's width (characters) after a reader's long-row question was answered
  // Yes: kept as the house maximum row length and stored in the settings.
  void SetMaxRowLength(int characters);

  // --- current subtitle and edit area
  // Index of the current subtitle (0-based); meaningless when the document is empty.
  std::size_t current() const { return current_; }
  bool HasCurrent() const { return current_ < doc_.Count(); }
  // Commits the edit area to the document, makes another subtitle current, loads it and
  // empties the undo history (moving through the list starts a new visit).
  void GoTo(std::size_t index);
  // Makes another subtitle current without committing, loading or touching the history
  // (commands that have already taken the edit area).
  void SetCurrent(std::size_t index);
  EditArea& edit() { return edit_; }
  const EditArea& edit() const { return edit_; }
  // Fills the edit area from the current subtitle and its neighbours. The text toolbar
  // follows the subtitle shown (its justification and italic mode), so a new subtitle
  // never takes a state the window does not show.
  void LoadEditArea();
  // Writes the edit area's text, comment and complete cues back to the current subtitle
  // (only fields that differ). Returns true when anything changed.
  bool CommitEditArea();
  const TextToolbar& toolbar() const { return toolbar_; }
  void SetToolbar(TextToolbar t) { toolbar_ = t; }

  // --- window
  // "Kipo - [Untitled]" or "Kipo - " + the upper-cased path.
  std::string WindowTitle() const;
  const StatusPanels& panels() const { return panels_; }
  void SetStatus(const std::string& text);
  void SetWarning(const std::string& text) { panels_.warning = text; }
  // Shows a message in the warning panel (drawn in kWarningPanelBackground and
  // kWarningPanelText); the caption is the message and one space.
  void ShowWarning(const std::string& message) { SetWarning(message + " "); }
  // Replaces the whole document (New, Open, recovery); the current subtitle becomes the
  // first one, or the stored position when "Remember Last Location" is on.
  void ReplaceDocument(SubtitleDocument doc);
  // New document with the new-project window's choices.
  void NewDocument(int frameRateCode, std::int32_t languageId, std::int16_t characterSet);
  // Applies a frame-rate choice and refreshes the panels and the edit area. A different
  // rate marks the document modified: its cues now count other frames.
  int SetFrameRate(int code);

  // --- notifications
  // After anything that the views must redraw.
  [[nodiscard]] Connection OnRefresh(std::function<void()> f) { return refreshed_.Connect(std::move(f)); }
  // A transient window title ("Kipo - Saving /path"); afterwards WindowTitle() again.
  [[nodiscard]] Connection OnWindowTitle(std::function<void(const std::string&)> f) {
    return titleShown_.Connect(std::move(f));
  }
  // Updates the panels from the document and tells the views.
  void Refresh();
  void ShowTitle(const std::string& title) { titleShown_(title); }

  // --- undo (the history is recorded before every change)
  // Records the state an action is about to change; `action` names it in the Undo menu.
  void Record(const std::string& action);
  // Records the whole document, for operations that change many subtitles at once.
  void RecordDocument(const std::string& action);
  // Records the whole document with its frame rate, for operations that change both.
  void RecordDocumentAndRate(const std::string& action);
  // Records subtitles [first, first + count), for operations that know their range.
  void RecordRange(const std::string& action, std::size_t first, std::size_t count);
  // The subtitle that became current after a command is recorded as "Subtitle", joined to
  // the command's step so that one Undo takes back both.
  void RecordNewCurrent();
  // Pops the latest step and writes it back, making its subtitle current. One Undo takes
  // back one command.
  void Undo();
  // The Undo menu item's state.
  bool CanUndo() const;
  const UndoStack& undoHistory() const { return undo_; }
  // Empties the history (New, Open, moving through the list, the timeline, go-to...).
  void ResetUndo();
  // While set (cues captured from the video, a window that suppresses it) nothing is recorded.
  void SetUndoSuppressed(bool on) { suppressUndo_ = on; }
  bool undoSuppressed() const { return suppressUndo_; }
  // The end of every command that changed the document: marks it modified, shows the
  // current subtitle and refreshes the views.
  void EndCommand();
  // The end of a move that changed nothing but the current subtitle: shows it and
  // refreshes the views; the document is modified only if the edits left behind were.
  void EndMove();

 private:
  SettingsStore& settings_;
  Prompter& prompter_;
  SubtitleDocument doc_;
  HouseOptions house_;
  std::size_t current_ = 0;
  EditArea edit_;
  TextToolbar toolbar_;
  StatusPanels panels_;
  UndoStack undo_;
  bool suppressUndo_ = false;
  Signal<> refreshed_;
  Signal<const std::string&> titleShown_;
};

}  // namespace kipo
