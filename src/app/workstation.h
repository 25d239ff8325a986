#pragma once
// The main window's state and commands, without any window: the open document, the
// current subtitle and its edit area, the house rules, the status panels and the window
// title. The desktop app is a thin view over this class; the command line and the tests
// drive the same commands headlessly.
//
// The commands are spread over several source files by area (files, timing, editing,
// text); each area keeps its declarations in its own block below.
#include <filesystem>
#include <functional>
#include <optional>
#include <memory>
#include <string>

#include "app/file_types.h"
#include "core/document.h"
#include "core/undo.h"
#include "formats/exchange/catalogue.h"
#include "platform/clipboard.h"
#include "platform/prompter.h"
#include "settings/house_options.h"
#include "settings/settings_store.h"
#include "text/clean.h"
#include "text/profanity.h"
#include "text/word_list.h"
#include "timing/bulk_cues.h"
#include "timing/cue_conversion.h"
#include "timing/cue_rules.h"
#include "timing/error_list.h"
#include "timing/recut.h"

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

class Workstation {
 public:
  Workstation(SettingsStore& settings, Prompter& prompter);
  ~Workstation();
  Workstation(const Workstation&) = delete;
  Workstation& operator=(const Workstation&) = delete;

  SubtitleDocument& doc() { return doc_; }
  const SubtitleDocument& doc() const { return doc_; }
  SettingsStore& settings() { return settings_; }
  Prompter& prompter() { return prompter_; }
  HouseOptions& house() { return house_; }
  const HouseOptions& house() const { return house_; }
  // Re-reads the house options from the settings store.
  void ReloadHouseOptions();

  // --- current subtitle and edit area
  // Index of the current subtitle (0-based); meaningless when the document is empty.
  std::size_t current() const { return current_; }
  bool HasCurrent() const { return current_ < doc_.Count(); }
  // Commits the edit area to the document, makes another subtitle current and loads it.
  void GoTo(std::size_t index);
  EditArea& edit() { return edit_; }
  const EditArea& edit() const { return edit_; }
  // Fills the edit area from the current subtitle and its neighbours.
  void LoadEditArea();
  // Writes the edit area's text, comment and complete cues back to the current subtitle
  // (only fields that differ). Returns true when anything changed.
  bool CommitEditArea();

  // --- window
  // "Kipo - [Untitled]" or "Kipo - " + the upper-cased path.
  std::string WindowTitle() const;
  StatusPanels& panels() { return panels_; }
  void SetStatus(const std::string& text);
  void SetWarning(const std::string& text) { panels_.warning = text; }
  // Replaces the whole document (New, Open, recovery); the current subtitle becomes the
  // first one, or the stored position when "Remember Last Location" is on.
  void ReplaceDocument(SubtitleDocument doc);
  // New document with the new-project window's choices.
  void NewDocument(int frameRateCode, std::int32_t languageId, std::int16_t characterSet);
  // Applies a frame-rate choice and refreshes the panels and the edit area.
  int SetFrameRate(int code);

  // Called after anything that the views must redraw (the desktop app connects here).
  std::function<void()> onRefresh;

  // --- undo (the history is recorded before every change)
  // Records the state an action is about to change; `action` names it in the Undo menu.
  void Record(const std::string& action);
  // Records the whole document, for operations that change many subtitles at once.
  void RecordDocument(const std::string& action);
  // Records subtitles [first, first + count), for operations that know their range.
  void RecordRange(const std::string& action, std::size_t first, std::size_t count);
  // Pops the latest step and writes it back, making its subtitle current. One Undo takes
  // back one command.
  void Undo();
  // The Undo menu item's state.
  bool CanUndo() const;
  const UndoStack& undoHistory() const { return undo_; }
  // Empties the history (New, Open, moving through the list, the timeline, go-to...).
  void ResetUndo();
  // While set (cues captured from the video, a window that suppresses it) nothing is recorded.
  bool suppressUndo = false;

 private:
  UndoStack undo_;
  // Marks the document modified, shows the current subtitle and refreshes the views.
  void EndCommand();
  void RecordNewCurrent();

 public:

  // --- files
  // (workstation_files.cpp) Each command returns false when it was cancelled or failed;
  // a failed read leaves the open document exactly as it was.
  // Asks "Save changes to current file?" (Yes/No/Cancel) when the document is modified;
  // false on Cancel, or when the save that Yes starts is cancelled or fails.
  bool QuerySaveChanges();
  // New: the save question, then an empty document with the new-project choices.
  bool New(int frameRateCode, std::int32_t languageId, std::int16_t characterSet);
  // Open: the save question, the "Open subtitle file" dialog, then OpenPath.
  bool Open();
  // Reads a file with the reader its extension selects and makes it the document.
  bool OpenPath(const std::string& path);
  // Append: the "Append File" dialog, then AppendPath.
  bool Append();
  // Adds a file's subtitles after the existing ones; the document keeps its own values.
  bool AppendPath(const std::string& path);
  // The edit area's width (characters) after a reader's long-row question was answered
  // Yes: kept as the house maximum row length and stored in the settings.
  void SetMaxRowLength(int characters);
  // Save: Save As when the document has no file yet, otherwise writes it in its type.
  bool Save();
  // Save As: the "Save File As" dialog, then SaveToPath.
  bool SaveAs();
  // Writes the document to a chosen path in the type its extension selects (atomically)
  // and makes that path the document's file.
  bool SaveToPath(const std::string& path);
  // The desktop app's autosave timer calls this at every tick.
  void AutoSaveTick();
  class AutoSaver& autosaver();
  // The transient window title of a save ("Kipo - Saving /path"); the desktop app
  // connects here. After the save the title is WindowTitle() again.
  std::function<void(const std::string&)> onWindowTitle;

  // --- timing
  // The timing numbers of the house options at the document's frame rate.
  TimingParameters Timing() const;
  // The edit area's cues in frames (only complete cue fields count as set).
  EditCues CurrentCues() const;
  // Shows a message in the warning panel (drawn in kWarningPanelBackground and
  // kWarningPanelText); the caption is the message and one space.
  void ShowWarning(const std::string& message);
  // Ctrl+Alt+keypad plus / minus, the menu commands and the duration bar. Without the
  // cues they need they explain why and change nothing; false then.
  bool RecalculateOutCue();
  bool RecalculateInCue();
  // The check of the current cues run on leaving a subtitle: 0, or 5 / 10 (in / out cue
  // incomplete), 15 / 20 (too short / too long). Rewrites the duration field.
  int CheckCurrentCues();
  // Acts on CheckCurrentCues; false when the user chose to stay on the subtitle.
  bool LeaveCurrentSubtitle();
  // Makes another subtitle current through the leaving step; false when the user stayed.
  bool MoveTo(std::size_t index);
  // Up (later) or Down (earlier) in a cue field with the held modifiers (kShiftKey,
  // kCtrlKey, kAltKey). False when the move was discarded.
  bool MoveCueByKey(CueField field, bool later, int modifiers);
  // Entering a cue field: fills an empty cue when "Calculate in/out cue" is on.
  void EnterInCueField();
  void EnterOutCueField();
  // Writes a player position (frames) into a cue field, as if typed.
  void SetCueFromPlayer(CueField field, Timecode frames);
  // "Auto zero-based" = 1: records whether the document starts with a subtitle zero
  // ("Options" / "Subtitle zero") and sets the toolbar's Zero button.
  void DetectSubtitleZero();
  bool zeroButton = false;
  // The cps labels of the current, previous and next subtitles.
  CpsLabel CurrentCps() const;
  CpsLabel LastCps() const;
  CpsLabel NextCps() const;
  // The check settings as they are now (house options and "Options" keys).
  CheckSettings CurrentCheckSettings() const;
  std::vector<ErrorRow> ErrorList() const;
  // The interactive run: from the current (or next) subtitle to the first fault, which
  // becomes current and is shown in the warning panel; returns its index. After the last
  // subtitle it says "Check completed" and returns nullopt.
  std::optional<std::size_t> RunAllChecks();
  // Asks for a file and saves the error list; false when cancelled or not written.
  bool SaveErrorList();
  // The statistics report (the status panel says so while it is prepared).
  std::string StatisticsReport();
  // After a save: the warning log and question for subtitles with too many rows.
  int WarnTooManyRows();

  // --- editing
  // The text toolbar: the pressed justification button and the italic mode.
  struct TextToolbar {
    int alignment = AlignCentre;
    bool italic = false;
  };
  TextToolbar toolbar;
  // "AlignLeft", "AlignRight", "AlignCentre" or "AlignCentreLeft" for an alignment code.
  static const char* AlignmentButton(int alignment);

  // Structural commands on the current subtitle. Each commits the edit area, records one
  // undo step, changes the document, marks it modified and refreshes.
  void Insert();
  void InsertAfter();
  void Delete();
  void MergeWithNext();
  void MergeWithPrevious();
  // Divides the current subtitle at a cursor position in the text box (code points).
  void Split(std::size_t cursor);
  // Moves every text from the current subtitle on one place down the list; cues stay.
  void ShiftText();

  // Moving with the page keys: the edits of the subtitle left are recorded first, and the
  // history is kept when "Full undo" is on (otherwise it is emptied as for any move).
  void PageUp();
  void PageDown();

  // Clipboard commands on a text box of the edit area, for the selection [start,
  // start + length) in code points. Paste returns the cursor after the pasted text.
  enum class TextBox { Text, Comment };
  void Copy(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length) const;
  void Cut(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length);
  std::size_t Paste(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length);

  // Bulk cue operations (one undo step each; nothing is recorded when a question is
  // answered No or Cancel or nothing changes). See timing/bulk_cues.h.
  int FixInvalidIntervals();
  int FillBlankOutCues();
  int ScaleCues(double factor);
  // The current subtitle starts at the video position (frames); later ones follow.
  int QuickOffset(Timecode videoPosition);
  bool DeleteCurrentCues();
  bool DeleteCuesFromHere();
  bool DeleteAllCues();
  // The range deletion dialog's OK (subtitle numbers, inclusive).
  RangeOutcome DeleteRange(long start, long end, RangeAction action);

  // --- re-timing (workstation_retime.cpp); one undo step each, which also takes back the
  // frame rate a conversion set.
  // The conversion window's OK: stores its choices, converts with the stored telecine
  // factors and sets the target rate. False (a message shown where there is one) when the
  // method has no rule for the conversion or a cue cannot be converted.
  bool ConvertCues(ConversionMethod method, Conversion conversion, int startHour);
  // The recut window's OK over subtitles `first` to `last` (numbers); stores "Offset type"
  // and the "Do not override default interval" box.
  RecutOutcome Recut(RecutType type, long first, long last, const RecutOptions& options);

  // --- text
  // The auto-replace list and the switch for replacement while typing (the dialog's tick
  // box, kept with the program's options).
  WordList autoReplace;
  bool replaceAsYouType = false;
  // Reads "autoreplace.dat" (converting a legacy "arf.dat" once); at start-up.
  void LoadAutoReplaceList();
  // The spacing rules and typographic replacements applied to the edit area's text.
  void TidyCurrentSubtitle();
  // The user has just typed `typed` into the edit area's text, ending at byte `caret`.
  // With replacement while typing on and a trigger character typed, the word before it
  // is looked up (case-sensitive) and replaced after an "AutoReplace" undo step; the
  // caret stays after the typed character. True when it replaced.
  bool AutoReplaceTyped(std::string_view typed, std::size_t& caret);
  // Replace Now: the typographic replacements over every subtitle, one undo step, then
  // "Formatting complete.".
  void ReplaceNow();
  // The file clean and the punctuation check with the stored settings: one undo step
  // ("Undo File Clean" / "Undo Punctuation Check"), the report kept in `cleanReport`.
  const CleanReport& CleanFile();
  const CleanReport& PunctuationCheck();
  const CleanReport& CleanFile(const CleanSettings& settings, CleanKind kind);
  CleanReport cleanReport;
  // The report window: a row's subtitle becomes current and gets back what the row's
  // change took away. False for a row number out of range.
  bool ShowCleanRow(std::size_t row);
  bool RestoreCleanRow(std::size_t row);
  // Called by Open and the imports once a document is loaded: the automatic clean.
  bool AutoCleanAfterOpen();
  // The profanity find from the current subtitle; each occurrence is shown with
  // `textSelection` set on the edit area's text.
  ProfanityResult FindProfanity(const WordList& list);
  TextRange textSelection{0, 0};

  // --- export
  // The export dialog's OK for a catalogue row (1-based position): stores "Last export
  // format" and "Always show options", opens the options dialog when asked to, handles the
  // Scenarist 32-character question and runs the row's exporter. True when a file was written.
  bool ExportDialogOk(int position, bool alwaysShowOptions);
  // A text exporter's common flow: save dialog, encoding by filter index, writing, "Remove
  // BOM", filter index and "IO"/"Save" stored, "File exported successfully" shown.
  bool ExportWithSaveDialog(const ExportFormat& format);
  // Writes a row's file without dialogs (command line); returns the writer's warnings.
  Warnings ExportToFile(const ExportFormat& format, const std::filesystem::path& path, TextEncoding encoding);
  // The save dialog's start folder and proposed file name (no extension; "" for [Untitled]).
  std::string ExportStartFolder() const;
  std::string ProposedExportName() const;
  // Opens a format's options dialog and returns false on Cancel. Set by the desktop app;
  // without it the stored options are used as they are.
  std::function<bool(const ExportFormat&)> onExportOptions;
  // Set when an options dialog was cancelled; cleared before every export.
  bool optionsCancelled = false;
  // Warnings of the last export.
  Warnings lastExportWarnings;

  // The import dialog's OK for a row of its list with a "Text encoding" choice (0 system
  // default, 1 UTF-16, 2 UTF-8): asks to save changes, shows the open dialog and replaces
  // the document with the file's subtitles. True when the document was replaced.
  bool ImportDialogOk(int row, int encodingChoice);
  // Reads a file with an import row's reader into the open document (no dialogs).
  Warnings ImportFile(const ImportFormat& format, const std::filesystem::path& path,
                      std::optional<TextEncoding> encoding);

  // Batch export: the open document into every target ticked (BatchExportTargets order),
  // after the save dialog "Batch Export Base File Name". Returns the files written.
  struct BatchResult {
    std::filesystem::path file;
    std::string target;
    Warnings warnings;
    std::string error;  // empty when written
  };
  std::vector<BatchResult> BatchExport(const std::vector<bool>& ticked, TextEncoding encoding);
  // The same without the dialog, from a chosen base path.
  std::vector<BatchResult> BatchExportTo(const std::vector<bool>& ticked, TextEncoding encoding,
                                         const std::filesystem::path& base);

 private:
  void Refresh();
  SettingsStore& settings_;
  Prompter& prompter_;
  SubtitleDocument doc_;
  HouseOptions house_;
  std::size_t current_ = 0;
  EditArea edit_;
  StatusPanels panels_;
  // Made on first use (autosaver()); shared so that the header needs no AutoSaver type.
  std::shared_ptr<class AutoSaver> autosaver_;
};

}  // namespace kipo
