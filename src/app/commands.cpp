#include "app/commands.h"

#include <algorithm>
#include <array>
#include <vector>

#include "app/layout_commands.h"
#include "app/app_keys.h"
#include "app/workstation.h"
#include "settings/keys.h"
#include "platform/text_util.h"
#include "text/spelling.h"

namespace kipo {
namespace {

constexpr std::array kMenus{
    MenuInfo{"file", "&File"},   MenuInfo{"edit", "&Edit"},          MenuInfo{"format", "F&ormat"},
    MenuInfo{"go", "&Navigate"}, MenuInfo{"subtitle", "&Subtitle"},
    MenuInfo{"cues", "&Cues"},   MenuInfo{"video", "&Video"},        MenuInfo{"tools", "&Tools"},        MenuInfo{"rate", "F&rame rate"},
    MenuInfo{"profile", "&Profile"}, MenuInfo{"help", "&Help"},
};

constexpr auto S = Availability::Subtitle;
constexpr auto U = Availability::Undo;
constexpr auto A = Availability::Always;

// Helpers that keep the rows on one line each.
template <void (EditingController::*F)()>
bool Editing(Workstation& w) {
  (w.editing().*F)();
  return true;
}
template <bool (TimingController::*F)()>
bool Timing(Workstation& w) {
  return (w.timing().*F)();
}
template <int (TimingController::*F)()>
bool Bulk(Workstation& w) {
  return (w.timing().*F)() > 0;
}

template <void (PlayerController::*F)()>
bool Transport(Workstation& w) {
  (w.player().*F)();
  return true;
}

// The next playback speed up or down the panel's list.
bool StepSpeed(Workstation& w, int direction) {
  const std::vector<double>& speeds = PlaybackSpeeds();
  auto at = std::lower_bound(speeds.begin(), speeds.end(), w.player().speed() - 1e-9);
  std::ptrdiff_t i = std::clamp<std::ptrdiff_t>((at - speeds.begin()) + direction, 0, static_cast<std::ptrdiff_t>(speeds.size()) - 1);
  w.player().SetSpeed(speeds[static_cast<std::size_t>(i)]);
  return true;
}

bool Step(Workstation& w, bool forward) {
  if (!w.timing().LeaveCurrentSubtitle()) return false;
  forward ? w.editing().PageDown() : w.editing().PageUp();
  return true;
}

// The jumps start from the picture shown and move it to the cut ("Last shot cut offset",
// "Next shot cut offset" say how far after the cut).
bool JumpToCut(Workstation& w, bool next) {
  w.timing().SetVideoFrame(w.playhead().position());
  const auto to = w.timing().JumpToShotCut(next);
  if (to) w.playhead().Seek(*to);
  return to.has_value();
}

const std::vector<CommandInfo>& Table() {
  static const std::vector<CommandInfo> table{
      // id, menu, text, keys, availability, run, checked, separator before, remembers file, submenu
      {"file.new", "file", "&New...", "Ctrl+N", A},
      {"file.open", "file", "&Open...", "Ctrl+O", A, [](Workstation& w) { return w.files().Open(); }, nullptr, false, true},
      {"file.append", "file", "Appen&d...", "", A, [](Workstation& w) { return w.files().Append(); }},
      {"file.import", "file", "&Import...", "", A},
      {"file.openVideo", "file", "Open &video...", "", A, [](Workstation& w) { return w.player().OpenVideoDialog(); }},
      {"file.export", "file", "&Export...", "Ctrl+E", A},
      {"file.recent", "file", "&Recent files", "", A, nullptr, nullptr, false, false, true},
      {"file.save", "file", "&Save", "Ctrl+S", A, [](Workstation& w) { return w.files().Save(); }, nullptr, true, true},
      {"file.saveAs", "file", "Save &As...", "Ctrl+Shift+S", A, [](Workstation& w) { return w.files().SaveAs(); }, nullptr, false, true},
      {"file.split", "file", "Spli&t file...", "", S, nullptr, nullptr, true},
      {"file.keepSecondLanguage", "file", "Keep second lan&guage", "", S, [](Workstation& w) { return w.split().DualLanguage(0); }},
      {"file.keepFirstLanguage", "file", "Keep &first language", "", S, [](Workstation& w) { return w.split().DualLanguage(1); }},
      {"file.languageFiles", "file", "Write &language files...", "", S, [](Workstation& w) { return w.split().DualLanguage(2); }},
      {"file.exit", "file", "E&xit", "Ctrl+Q", A, nullptr, nullptr, true},

      {"edit.undo", "edit", "&Undo", "Ctrl+Z", U, [](Workstation& w) { w.session().Undo(); return true; }},
      {"edit.redo", "edit", "Red&o", "Ctrl+Y", Availability::Redo, [](Workstation& w) { w.session().Redo(); return true; }},
      {"edit.keepUndoHistory", "edit", "&Keep undo history on every move", "", A,
       [](Workstation& w) { w.settings().Set(app_keys::kKeepUndoHistory, !w.session().keepsHistoryOnMoves()); return true; },
       [](const Workstation& w) { return w.session().keepsHistoryOnMoves(); }},
      {"edit.cut", "edit", "Cu&t", "", S, nullptr, nullptr, true},
      {"edit.copy", "edit", "&Copy", "", S},
      {"edit.paste", "edit", "&Paste", "", S},
      {"edit.insert", "edit", "&Insert", "Ctrl+Ins", A, Editing<&EditingController::Insert>, nullptr, true},
      {"edit.insertAfter", "edit", "Insert A&fter", "Ins", A, Editing<&EditingController::InsertAfter>},
      {"edit.delete", "edit", "&Delete", "Ctrl+Del", S, Editing<&EditingController::Delete>},
      {"edit.mergeNext", "edit", "&Merge with next", "Ctrl+M", S, Editing<&EditingController::MergeWithNext>},
      {"edit.mergePrevious", "edit", "Merge with p&revious", "Ctrl+Shift+M", S, Editing<&EditingController::MergeWithPrevious>},
      {"edit.split", "edit", "&Split at cursor", "Ctrl+Return", S},
      {"edit.shiftText", "edit", "S&hift text", "Ctrl+Shift+T", S, Editing<&EditingController::ShiftText>},
      {"edit.italicise", "edit", "It&alicise subtitle", "", S, Editing<&EditingController::ToggleItalics>,
       [](const Workstation& w) { return w.session().HasCurrent() && w.session().toolbar().italic; }},
      {"edit.copyTextToComments", "edit", "Copy text to comment &box", "", S, Editing<&EditingController::CopyTextToComments>},
      {"edit.swapTextAndComments", "edit", "S&wap text and comments", "", S, Editing<&EditingController::SwapTextAndComments>},
      {"edit.tidy", "edit", "Tid&y subtitle", "Ctrl+T", S, [](Workstation& w) { w.text().TidyCurrentSubtitle(); return true; }, nullptr, true},
      // Find, the list's selection and the text box's selection: the window runs them.
      {"edit.find", "edit", "Fi&nd and replace...", "Ctrl+F", A, nullptr, nullptr, true},
      {"edit.findNext", "edit", "Find ne&xt", "F3", A},
      {"edit.deleteSelected", "edit", "Delete s&elected subtitles", "", S},

      {"format.italic", "format", "&Italics", "Ctrl+I", S},
      {"format.bold", "format", "&Bold", "Ctrl+B", S},
      {"format.underline", "format", "&Underline", "Ctrl+U", S},
      {"format.red", "format", "Colour: &red", "", S, nullptr, nullptr, true},
      {"format.green", "format", "Colour: &green", "", S},
      {"format.yellow", "format", "Colour: &yellow", "", S},
      {"format.blue", "format", "Colour: b&lue", "", S},
      {"format.magenta", "format", "Colour: &magenta", "", S},
      {"format.cyan", "format", "Colour: &cyan", "", S},
      {"format.white", "format", "Colour: &white", "", S},
      {"format.noColour", "format", "&Default colour", "", S},
      {"format.italicSelected", "format", "Italics on &selected subtitles", "", S, nullptr, nullptr, true},

      {"go.previous", "go", "&Previous subtitle", "PgUp", A, [](Workstation& w) { return Step(w, false); }},
      {"go.next", "go", "&Next subtitle", "PgDown", A, [](Workstation& w) { return Step(w, true); }},
      {"go.first", "go", "&First subtitle", "Ctrl+Home", A, [](Workstation& w) { return w.doc().Count() > 0 && w.timing().MoveTo(0); }},
      {"go.last", "go", "&Last subtitle", "Ctrl+End", A, [](Workstation& w) { return w.doc().Count() > 0 && w.timing().MoveTo(w.doc().Count() - 1); }},
      {"go.goTo", "go", "&Go to...", "Ctrl+G", A},
      {"go.lastShotCut", "go", "Previous shot &cut", "Alt+Num+4", A, [](Workstation& w) { return JumpToCut(w, false); }, nullptr, true},
      {"go.nextShotCut", "go", "Next shot cu&t", "Alt+Num+6", A, [](Workstation& w) { return JumpToCut(w, true); }},

      {"subtitle.rowUp", "subtitle", "Move row &up", "", S, [](Workstation& w) { return MoveCurrentRow(w, true); }},
      {"subtitle.rowDown", "subtitle", "Move row &down", "", S, [](Workstation& w) { return MoveCurrentRow(w, false); }},
      {"subtitle.nudgeLeft", "subtitle", "Nudge &left", "", S, [](Workstation& w) { return NudgeCurrent(w, 1); }, nullptr, true},
      {"subtitle.nudgeRight", "subtitle", "Nudge &right", "", S, [](Workstation& w) { return NudgeCurrent(w, 2); }},
      {"subtitle.nudgeUp", "subtitle", "Nudge u&p", "", S, [](Workstation& w) { return NudgeCurrent(w, 3); }},
      {"subtitle.nudgeDown", "subtitle", "Nudge dow&n", "", S, [](Workstation& w) { return NudgeCurrent(w, 4); }},
      {"subtitle.boxStyle", "subtitle", "&Box style...", "", S, nullptr, nullptr, true},
      {"subtitle.rowColours", "subtitle", "Row &colours...", "", S},
      {"subtitle.convertColours", "subtitle", "Con&vert row colours to text colours", "", S,
       [](Workstation& w) { return ConvertCurrentRowColours(w); }},

      {"cues.recalculateOut", "cues", "Recalculate &out cue", "F7", S, Timing<&TimingController::RecalculateOutCue>},
      {"cues.recalculateIn", "cues", "Recalculate &in cue", "Shift+F7", S, Timing<&TimingController::RecalculateInCue>},
      {"cues.quickOffset", "cues", "&Quick Offset", "", S, [](Workstation& w) { return w.player().QuickOffset(); }, nullptr, true},
      {"cues.fixIntervals", "cues", "Fix invalid inter&vals", "", A, Bulk<&TimingController::FixInvalidIntervals>, nullptr, true},
      {"cues.fillBlank", "cues", "Fill &blank out cues", "", A, Bulk<&TimingController::FillBlankOutCues>},
      {"cues.stretch", "cues", "S&tretch cues (x 1.001)", "", A, [](Workstation& w) { return w.timing().ScaleCues(1.001) > 0; }},
      {"cues.shrink", "cues", "Shrin&k cues (x 0.999)", "", A, [](Workstation& w) { return w.timing().ScaleCues(0.999) > 0; }},
      {"cues.deleteCurrent", "cues", "Delete &current cues", "", S, Timing<&TimingController::DeleteCurrentCues>, nullptr, true},
      {"cues.deleteFromHere", "cues", "Delete cues from &here", "", S, Timing<&TimingController::DeleteCuesFromHere>},
      {"cues.deleteAll", "cues", "Delete &all cues", "", A, Timing<&TimingController::DeleteAllCues>},
      {"cues.deleteRange", "cues", "Delete &range...", "", A},
      {"cues.convert", "cues", "Cue conversio&n...", "", A, nullptr, nullptr, true},
      {"cues.recut", "cues", "Rec&ut...", "", S},
      {"cues.snapShotCuts", "cues", "&Snap to shot cuts...", "", A, nullptr, nullptr, true},
      {"cues.snapCurrent", "cues", "Sna&p current subtitle to shot cuts", "Alt+Num+5", S, Timing<&TimingController::SnapCurrentToShotCuts>},
      {"cues.fromShotCuts", "cues", "Cr&eate cues from shot cuts", "", A, Timing<&TimingController::CreateCuesFromShotCuts>},
      {"cues.shiftShotCuts", "cues", "Shi&ft shot cuts...", "", A},
      {"cues.offsetSelected", "cues", "Offset se&lected subtitles...", "", S, nullptr, nullptr, true},

      // The video transport and the cues set from the picture (a no-op without a video).
      {"video.playPause", "video", "&Play / pause", "Ctrl+Space", A, Transport<&PlayerController::PlayPause>},
      {"video.playSubtitle", "video", "Play current &subtitle", "F8", S, [](Workstation& w) { return w.player().PlayCurrentSubtitle(); }},
      {"video.loop", "video", "&Loop", "", A, [](Workstation& w) { w.player().SetLoop(!w.player().loop()); return true; },
       [](const Workstation& w) { return w.player().loop(); }},
      {"video.frameBack", "video", "Frame &back", "Alt+Left", A, [](Workstation& w) { w.player().StepFrames(-1); return true; }, nullptr, true},
      {"video.frameForward", "video", "&Frame forward", "Alt+Right", A, [](Workstation& w) { w.player().StepFrames(1); return true; }},
      {"video.back1", "video", "Back &1 second", "Alt+Shift+Left", A, [](Workstation& w) { w.player().StepSeconds(-1); return true; }},
      {"video.forward1", "video", "Forward 1 secon&d", "Alt+Shift+Right", A, [](Workstation& w) { w.player().StepSeconds(1); return true; }},
      {"video.back5", "video", "Back &5 seconds", "Alt+PgUp", A, [](Workstation& w) { w.player().StepSeconds(-5); return true; }},
      {"video.forward5", "video", "Forward 5 seco&nds", "Alt+PgDown", A, [](Workstation& w) { w.player().StepSeconds(5); return true; }},
      {"video.goToIn", "video", "&Go to in cue", "Shift+F5", S, [](Workstation& w) { return w.player().GoToInCue(); }, nullptr, true},
      {"video.goToOut", "video", "Go to o&ut cue", "Shift+F6", S, [](Workstation& w) { return w.player().GoToOutCue(); }},
      {"video.setIn", "video", "Set &in cue", "F5", S, [](Workstation& w) { return w.player().SetInCue(); }, nullptr, true},
      {"video.setOut", "video", "Set &out cue", "F6", S, [](Workstation& w) { return w.player().SetOutCue(); }},
      {"video.slower", "video", "Slo&wer", "", A, [](Workstation& w) { return StepSpeed(w, -1); }, nullptr, true},
      {"video.faster", "video", "F&aster", "", A, [](Workstation& w) { return StepSpeed(w, 1); }},
      {"video.offset", "video", "&Video offset...", "", A, nullptr, nullptr, true},
      {"video.close", "video", "&Close video", "", A, [](Workstation& w) { w.player().CloseVideo(); return true; }},

      {"tools.runChecks", "tools", "&Run all checks", "F9", A},
      {"tools.errorList", "tools", "&Error list", "Ctrl+F9", A},
      {"tools.saveErrorList", "tools", "&Save error list...", "", A, Timing<&TimingController::SaveErrorList>},
      {"tools.statistics", "tools", "S&tatistics", "", A},
      {"tools.options", "tools", "&Options...", "", A, nullptr, nullptr, true},
      {"tools.autoReplace", "tools", "&AutoReplace list...", "", A},
      {"tools.profanity", "tools", "Pro&fanity list...", "", A},
      {"tools.backups", "tools", "&Backups...", "", A},
      {"tools.autosave", "tools", "A&utosave and backups settings...", "", A},
      {"tools.subtitleZero", "tools", "Subtitle &zero", "", A,
       [](Workstation& w) { w.settings().Set(keys::kSubtitleZero, !w.settings().Get(keys::kSubtitleZero)); return true; },
       [](const Workstation& w) { return w.settings().Get(keys::kSubtitleZero); }},
      {"tools.clean", "tools", "&Clean file", "", A, [](Workstation& w) { return !w.text().CleanFile().rows.empty(); }},
      {"tools.punctuation", "tools", "&Punctuation check", "", A, [](Workstation& w) { return !w.text().PunctuationCheck().rows.empty(); }},
      {"tools.replaceNow", "tools", "Replace &now (auto-replace list)", "", A, [](Workstation& w) { w.text().ReplaceNow(); return true; }},
      {"tools.replaceWhileTyping", "tools", "Replace &while typing", "", A,
       [](Workstation& w) { w.text().SetReplaceAsYouType(!w.text().replaceAsYouType()); return true; },
       [](const Workstation& w) { return w.text().replaceAsYouType(); }},
      {"tools.spellWhileTyping", "tools", "Check spellin&g while typing", "", A, nullptr,
       [](const Workstation& w) { return w.settings().Get(kCheckSpellingWhileTyping); }, true},
      {"tools.shortcuts", "tools", "&Keyboard shortcuts...", "", A},

      {"rate.detect", "rate", "&Detect frame rate", "", A, [](Workstation& w) { return DetectDocumentFrameRate(w) != DetectedRate::None; }},

      {"profile.edit", "profile", "&Edit profiles...", "", A},
      {"profile.import", "profile", "&Import profiles...", "", A, [](Workstation& w) { return w.profiles().ImportProfiles(); }},
      {"profile.export", "profile", "E&xport profiles...", "", A, [](Workstation& w) { return w.profiles().ExportProfiles(); }},
      {"profile.save", "profile", "&Save rules as profile...", "", A, [](Workstation& w) { return w.profiles().SaveWorkingRulesAs(); }, nullptr, true},
      {"profile.delete", "profile", "&Delete profile...", "", A, [](Workstation& w) { return w.profiles().DeleteCurrent(); }},

      {"help.about", "help", "&About Kipo", "", A},
  };
  return table;
}

}  // namespace

std::span<const MenuInfo> Menus() { return kMenus; }

std::span<const CommandInfo> Commands() { return Table(); }

const CommandInfo* FindCommand(std::string_view id) {
  for (const CommandInfo& c : Table())
    if (c.id == id) return &c;
  return nullptr;
}

bool IsAvailable(const CommandInfo& command, const Workstation& ws) {
  switch (command.availability) {
    case Availability::Subtitle: return ws.session().HasCurrent();
    case Availability::Undo: return ws.session().CanUndo();
    case Availability::Redo: return ws.session().CanRedo();
    case Availability::Always: break;
  }
  return true;
}

char Mnemonic(std::string_view text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;  // "&&" is a literal ampersand
      continue;
    }
    char c = text[i + 1];
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return 0;
}

std::string NormalizeKeys(std::string_view keys) {
  bool ctrl = false, alt = false, shift = false;
  std::string key;
  std::size_t start = 0;
  while (start <= keys.size()) {
    std::size_t plus = keys.find('+', start + 1);  // "Ctrl++" names the plus key
    if (plus == std::string_view::npos) plus = keys.size();
    std::string part = ToLowerAscii(std::string(keys.substr(start, plus - start)));
    if (part == "ctrl") ctrl = true;
    else if (part == "alt") alt = true;
    else if (part == "shift") shift = true;
    else key = part;
    start = plus + 1;
  }
  return std::string(ctrl ? "ctrl+" : "") + (alt ? "alt+" : "") + (shift ? "shift+" : "") + key;
}

}  // namespace kipo
