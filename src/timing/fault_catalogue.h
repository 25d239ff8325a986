#pragma once
// The catalogue of faults a subtitle can have, in the order they are reported, with the
// wording of the error list and of the interactive check run. The order is the order of
// the rows of one subtitle in the error list.
#include <span>
#include <string>

namespace kipo {

enum class Fault : int {
  MismatchedItalics = 1,
  InvalidItalics,
  InCueNotSet,
  OutCueNotSet,
  DurationTooLong,
  DurationTooShort,
  NegativeDuration,
  InconsistentInCue,
  InvalidInCueFormat,
  InvalidOutCueFormat,
  InvalidCue,
  TooManyRows,
  BlankRows,
  SafeAreaOverride,
  ReadingSpeed,
  InvalidInterval,
  Empty,
  TooManyCharacters,
  Raised,
  WholeCaptionItalic,
  IllegalCharacter,
  KaraokeInterval,
  SendTime,    // a closed caption that a decoder shows late; `rows` holds the frames
  RowMapping,  // rows that do not fit on the caption rows
};

// The switch that turns a fault's check on.
enum class CheckGroup {
  Always,
  CuesNotSet,
  Duration,
  InconsistentCues,
  TooManyRows,
  SafeArea,
  ReadingSpeed,
  InvalidInterval,
  EmptySubtitles,
  TooManyCharacters,
  RaisedSubtitles,
  ClosedCaption,
};

struct FaultInfo {
  Fault fault;
  // Texts may hold {row} (a row number, written right after "Line"), {rows} (a row count)
  // and {max} (the row length limit). An empty list text: the fault is reported only by
  // the interactive run.
  const char* listText;
  const char* runText;
  CheckGroup group;
};

std::span<const FaultInfo> FaultCatalogue();
const FaultInfo& Info(Fault f);

// One fault found on one subtitle, with what its text needs.
struct Finding {
  Fault fault;
  int row = 0;   // 1-based row for per-row faults
  int rows = 0;  // row count for the too-many-rows fault
  bool softWrap = false;  // too many rows only once the editor wraps long rows
  bool operator==(const Finding&) const = default;
};

std::string ListText(const Finding& f);
std::string RunText(const Finding& f, int maxRowLength);

}  // namespace kipo
