#pragma once
// The document session: the open document, its undo history, the current subtitle with the
// edit area the user is typing in, the house rules and what the status panels show. The
// controllers (files, timing, editing, text, export, profiles) all work on one session;
// views hear about changes through its signals and never poll.
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>
#include <string>
#include <string_view>

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

// The duration box's text for two cues: seconds and frames, or blank while either cue is
// incomplete (never the label's mask).
std::string ShownDuration(std::string_view in, std::string_view out, const FrameRate& rate);

// The boxes of the edit area the user types in.
enum class EditField { Text, Comment, InCue, OutCue, Duration };

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
  // Shows a message in the warning panel (drawn in kWarningPanelBackground); the caption
  // is the message and one space. It stays until the next move to another subtitle (or
  // the next warning): then the panel shows that subtitle's own state.
  void ShowWarning(const std::string& message) {
    SetWarning(message + " ");
    keepWarning_ = false;
  }
  // A warning about the subtitle being left: it stays through the move it came with.
  void ShowLeaveWarning(const std::string& message) {
    SetWarning(message + " ");
    keepWarning_ = true;
  }
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
  // The user typed a value into a box of the edit area. The first change of a run of
  // typing in one box of one subtitle records the state before it ("Subtitle", "Comments",
  // "InCue", "OutCue" or "Duration"), so that leaving the subtitle never loses an edit that
  // Undo could take back. A typed duration moves the out cue to the in cue plus it.
  void Typed(EditField field, std::string value);
  // Pops the latest step and writes it back, making its subtitle current. One Undo takes
  // back one command; a step that would change nothing visible (typing already taken back
  // in its box) is passed over.
  void Undo();
  // The Undo menu item's state.
  bool CanUndo() const;
  // Puts back what the last Undo took away; any new step forgets what could be redone.
  void Redo();
  bool CanRedo() const { return !redo_.empty(); }
  const UndoStack& undoHistory() const { return undo_; }
  // Empties the history (New, Open, moving through the list, the timeline, go-to...).
  void ResetUndo();
  // "Keep undo history on every move" ("Options", off by default): moves through the
  // list, the checks, go-to and the page keys keep the history, so nothing recorded on
  // one subtitle is lost by looking at another.
  bool keepsHistoryOnMoves() const { return KeepsHistoryOnMoves(); }
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
  bool keepWarning_ = false;
  // The steps the undos took back, each group in the order it was undone.
  std::vector<std::vector<UndoStep>> redo_;
  // The run of typing whose step is recorded (a box of a subtitle), if one is open.
  std::optional<std::pair<EditField, std::size_t>> typing_;
  // Moving or the settings decide whether the history is emptied.
  bool KeepsHistoryOnMoves() const;
  // The state a step would overwrite, as a step that puts it back.
  UndoStep CaptureFor(const UndoStep& step) const;
  bool ChangesAnything(const UndoStep& step) const;
  // Makes a restored step's subtitle current with the edit area it held.
  void ShowRestored(const UndoStep& step);
  Connection watching_;
  // A move to another subtitle ends the warnings raised before it.
  void MoveDone();
  Signal<> refreshed_;
  Signal<const std::string&> titleShown_;
};

}  // namespace kipo
