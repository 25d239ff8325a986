#pragma once
// The timing commands: the cue rules over the edit area, the leaving step, the cue keys,
// cues from the player, subtitle zero, the cps labels, the checks with their reports and
// the bulk cue operations.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "timing/bulk_cues.h"
#include "timing/cue_conversion.h"
#include "timing/cue_rules.h"
#include "timing/error_list.h"
#include "timing/live_errors.h"
#include "timing/recut.h"
#include "timing/shot_cuts.h"
#include "video/frame_table.h"

namespace kipo {

// The snap window's range choice ("Snap shot cut range").
enum class SnapRange { WholeFile = 0, CurrentSubtitle = 1, Numbered = 2 };
enum class SnapOutcome {
  Snapped,
  Refused,  // the numbers were refused; the window stays open
  NoCuts,   // "No shot cuts found!" was shown; nothing changed
};

// The cue keys' step: Up or Down in a cue field moves a cue 1 frame, plus 5 for each
// modifier weight held (Shift 1, Ctrl 2, Alt 4): Shift 6, Ctrl 11, Alt 21, all three 36.
int CueKeyModifiers(bool shift, bool ctrl, bool alt);

// A video's frame times at the document's timecodes: labels counted at another rate than the
// document's name other frames, so they are recounted, then the document's video offset
// moves the picture against the cues (as the player shows it).
std::vector<Timecode> TimesOnDocument(const FrameTable& table, const FrameRate& doc, Timecode videoOffset);

class TimingController {
 public:
  explicit TimingController(DocumentSession& session);

  // The timing numbers of the house options at the document's frame rate.
  TimingParameters Timing() const;
  // The edit area's cues in frames (only complete cue fields count as set).
  EditCues CurrentCues() const;
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
  // Up (later) or Down (earlier) in a cue field with the held modifiers (CueKeyModifiers).
  // False when the move was discarded.
  bool MoveCueByKey(CueField field, bool later, int modifiers);
  // Entering a cue field: fills an empty cue when "Calculate in/out cue" is on.
  void EnterInCueField();
  void EnterOutCueField();
  // Writes a player position (frames) into a cue field, as if typed.
  void SetCueFromPlayer(CueField field, Timecode frames);
  // "Auto zero-based" = 1: records whether the document starts with a subtitle zero
  // ("Options" / "Subtitle zero") and sets the toolbar's Zero button.
  void DetectSubtitleZero();
  bool zeroButton() const { return zeroButton_; }
  // The cps labels of the current, previous and next subtitles.
  CpsLabel CurrentCps() const;
  CpsLabel LastCps() const;
  CpsLabel NextCps() const;
  // The check settings as they are now (house options and "Options" keys).
  CheckSettings CurrentCheckSettings() const;
  std::vector<ErrorRow> ErrorList() const;
  // The error list kept up to date with the document (each change re-checks what it
  // touched) and with the check settings (a change of them checks everything again).
  const LiveErrorList& LiveErrors() const;
  // The current subtitle's faults as the warning panel shows them: "Subtitle 5: " and the
  // run's wording of each, or "" when it is clean.
  std::string CurrentSubtitleState() const;
  // The cue fields were typed in: the duration follows (blank while a cue is incomplete).
  void CuesTyped();
  // The lengths of the text box's rows as the row-length check counts them.
  std::vector<std::size_t> CurrentRowLengths() const;
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

  // Re-timing: one undo step each, which also takes back the frame rate a conversion set.
  // The conversion window's OK: stores its choices, converts with the stored telecine
  // factors and sets the target rate. False (a message shown where there is one) when the
  // method has no rule for the conversion or a cue cannot be converted.
  bool ConvertCues(ConversionMethod method, Conversion conversion, int startHour);
  // The recut window's OK over subtitles `first` to `last` (numbers); stores "Offset type"
  // and the "Do not override default interval" box.
  RecutOutcome Recut(RecutType type, long first, long last, const RecutOptions& options);

  // --- the open video's shot cuts. The video panel hands over the analysed table (from the
  // analysis or the timecode data file) with the path it was stored at; empty while no
  // video is analysed. Snapping and cue creation read it, the shift changes it.
  void SetFrameTable(FrameTable table, std::string dataFile = {});
  const FrameTable& frameTable() const { return frames_; }
  // The cut flags on the document's time axis (the table's timecodes at its rate).
  // The shot cuts at the document's timecodes: the table's frames recounted at the
  // document's rate and moved by the document's video offset.
  CutTimeline ShotCutTimeline() const;
  // The document's video offset in frames (the player sets it), added to the table's times.
  void SetVideoOffset(Timecode frames) { videoOffset_ = frames; }
  // The snap window's OK: refuses an end below the start ("End subtitle must be less than
  // start subtitle"), says "No shot cuts found!" when the table has none, stores the three
  // settings and the range, and snaps the range (subtitle numbers `from` to `to` for a
  // numbered range) as one undo step.
  SnapOutcome SnapShotCuts(SnapRange range, long from, long to, const SnapOptions& options);
  // Alt+keypad 5: the current subtitle with the stored settings, one undo step.
  bool SnapCurrentToShotCuts();
  // Asks first, then replaces every subtitle by empty ones timed on the cuts (one undo
  // step), the status panel naming each phase with its progress.
  bool CreateCuesFromShotCuts();
  // The shift window's OK: moves the cut flags and measures n frames up (earlier) or down
  // and rewrites the timecode data file.
  bool ShiftShotCuts(int frames, bool up);
  // The video transport's position in video frames; "lastshotcut"/"nextshotcut" move it to
  // the previous or next cut with the stored offsets. nullopt (and no move) at the ends.
  FrameCount videoFrame() const { return videoFrame_; }
  void SetVideoFrame(FrameCount frame) { videoFrame_ = frame; }
  std::optional<FrameCount> JumpToShotCut(bool next);
  // Where a player is positioned for frame i: its start plus a millisecond, so that
  // rounding never shows the frame before.
  double ShotCutJumpSeconds(FrameCount frame) const;

 private:
  DocumentSession& s_;
  mutable LiveErrorList live_;
  Connection watching_;
  bool zeroButton_ = false;
  FrameTable frames_;
  std::string dataFile_;
  Timecode videoOffset_ = 0;
  FrameCount videoFrame_ = 0;
  // The display's row measure for the safe area and soft wrapping, made on the first check
  // and again when the display settings (`displayKey_`) change. Never freed while the live
  // error list can hold it: a changed measure leaves the old one in `oldDisplays_`.
  mutable std::unique_ptr<RowMeasure> display_;
  mutable std::string displayKey_;
  mutable std::vector<std::unique_ptr<RowMeasure>> oldDisplays_;
};

}  // namespace kipo
