#include "app/layout_commands.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "app/workstation.h"

namespace kipo {
namespace {

// Commits what is typed, records the step and hands back the current index; nullopt
// without a current subtitle.
std::optional<std::size_t> Begin(Workstation& ws) {
  if (!ws.session().HasCurrent()) return std::nullopt;
  ws.session().CommitEditArea();
  return ws.session().current();
}

void Record(Workstation& ws, const std::string& action) {
  ws.session().Record(action);
  ws.session().Record(kUndoNothing);
}

}  // namespace

bool MoveCurrentRow(Workstation& ws, bool up) {
  auto i = Begin(ws);
  if (!i) return false;
  // Tried on a copy first, so that a row already at its limit records nothing.
  SubtitleDocument& doc = ws.doc();
  const int rows = ws.session().house().screenRows;
  Subtitle probe = doc.At(*i);
  const std::int32_t before = probe.row;
  const int maxRows = rows >= 1 ? rows : 11;
  const std::int32_t top = std::max<std::int32_t>(0, maxRows - static_cast<std::int32_t>(doc.RowCount(*i)));
  const std::int32_t after = up ? std::min(before + 1, top) : std::max(before - 1, 0);
  if (after == before) return false;
  Record(ws, "Row");
  doc.MoveRow(*i, up, rows);
  ws.session().EndCommand();
  return true;
}

std::string CurrentRowLabel(const Workstation& ws) {
  if (!ws.session().HasCurrent()) return "";
  char buf[16];
  std::snprintf(buf, sizeof buf, "R%02d", static_cast<int>(ws.doc().At(ws.session().current()).row));
  return buf;
}

bool NudgeCurrent(Workstation& ws, int direction) {
  if (direction < 1 || direction > 4) return false;
  auto i = Begin(ws);
  if (!i) return false;
  const Subtitle& s = ws.doc().At(*i);
  // The offsets are 16-bit: a nudge past either end would wrap to the far side.
  const std::int16_t value = direction <= 2 ? s.shiftX : s.shiftY;
  if ((direction % 2 == 1 && value == INT16_MIN) || (direction % 2 == 0 && value == INT16_MAX)) return false;
  Record(ws, "Nudge");
  ws.doc().Nudge(*i, direction);
  ws.session().EndCommand();
  return true;
}

bool SetCurrentBoxStyle(Workstation& ws, int style) {
  if (style < BoxNone || style > BoxGhostStripeOutline) return false;
  auto i = Begin(ws);
  if (!i || ws.doc().At(*i).boxStyle == style) return false;
  Record(ws, "Outline");
  ws.doc().SetBoxStyle(*i, style);
  ws.session().EndCommand();
  return true;
}

bool SetCurrentRowColours(Workstation& ws, const std::vector<int>& colours) {
  auto i = Begin(ws);
  if (!i || colours.size() > ws.doc().RowCount(*i) || colours.size() > std::string_view(kNoFlags).size()) return false;
  std::string flags = ws.doc().At(*i).rowColours;
  flags.resize(std::string_view(kNoFlags).size(), '0');
  const std::string before = flags;
  for (std::size_t row = 0; row < colours.size(); ++row) {
    if (colours[row] < 0 || colours[row] > 7) return false;
    flags[row] = static_cast<char>('0' + colours[row]);
  }
  if (flags == before) return false;
  Record(ws, "LineColourChange");
  ws.doc().SetRowColours(*i, flags);
  ws.session().EndCommand();
  return true;
}

bool ConvertCurrentRowColours(Workstation& ws) {
  auto i = Begin(ws);
  if (!i) return false;
  SubtitleDocument probe;
  probe.Append(ws.doc().At(*i));
  if (!probe.ConvertRowColours(0)) return false;
  Record(ws, "LineColourChange");
  ws.doc().ConvertRowColours(*i);
  ws.session().EndCommand();
  ws.session().SetStatus("Flags converted");
  return true;
}

DetectedRate DetectDocumentFrameRate(Workstation& ws) {
  ws.session().CommitEditArea();
  // The question is asked over a copy that holds only the cues: the document changes,
  // after its undo step, only when the user takes the offered rate.
  SubtitleDocument probe(ws.doc().frameRate().code, ws.doc().languageId(), ws.doc().characterSet());
  for (const Subtitle& s : ws.doc().Subtitles()) {
    Subtitle cues;
    cues.inCue = s.inCue;
    cues.outCue = s.outCue;
    probe.Append(std::move(cues));
  }
  DetectedRate found = DetectFrameRate(probe, ws.prompter());
  if (probe.frameRate().code != ws.doc().frameRate().code) RelabelFrameRate(ws, probe.frameRate().code);
  return found;
}

bool RelabelFrameRate(Workstation& ws, int code) {
  ws.session().CommitEditArea();
  if (ws.doc().frameRate().code == code) return false;
  ws.session().RecordDocumentAndRate("Frame rate");
  ws.session().Record(kUndoNothing);
  ws.session().SetFrameRate(code);
  return ws.doc().frameRate().code == code;
}

}  // namespace kipo
