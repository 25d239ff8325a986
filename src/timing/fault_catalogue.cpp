#include "timing/fault_catalogue.h"

#include <array>

#include "platform/text_util.h"

namespace kipo {
namespace {

using G = CheckGroup;
using F = Fault;

constexpr std::array<FaultInfo, 24> kCatalogue{{
    {F::MismatchedItalics, "Mismatched italics", "Mismatched italics", G::Always},
    {F::InvalidItalics, "Invalid use of italics", "Invalid use of italics", G::Always},
    {F::InCueNotSet, "In cue not set", "In cue not set", G::CuesNotSet},
    {F::OutCueNotSet, "Out cue not set", "Out cue not set", G::CuesNotSet},
    {F::DurationTooLong, "Duration too long", "Duration too long", G::Duration},
    {F::DurationTooShort, "Duration too short", "Duration too short", G::Duration},
    {F::NegativeDuration, "Negative subtitle duration", "Negative duration", G::InconsistentCues},
    {F::InconsistentInCue, "Inconsistent in cue", "Inconsistent in cue", G::InconsistentCues},
    {F::InvalidInCueFormat, "Invalid in cue format", "Invalid in cue format", G::InconsistentCues},
    {F::InvalidOutCueFormat, "Invalid out cue format", "Invalid out cue format", G::InconsistentCues},
    {F::InvalidCue, "Invalid cue", "Invalid cue", G::InconsistentCues},
    {F::TooManyRows, "Subtitle contains too many lines", "Subtitle contains {rows} lines", G::TooManyRows},
    {F::BlankRows, "Subtitle contains blank lines", "Subtitle contains blank lines", G::TooManyRows},
    {F::SafeAreaOverride, "Safe area override", "Safe area override", G::SafeArea},
    {F::ReadingSpeed, "Insufficient reading speed", "Reading speed too fast", G::ReadingSpeed},
    {F::InvalidInterval, "Invalid interval to next subtitle", "Invalid interval to next subtitle",
     G::InvalidInterval},
    {F::Empty, "Subtitle is empty", "Subtitle is empty", G::EmptySubtitles},
    {F::TooManyCharacters, "Line{row} contains too many characters", "Line{row} contains more than {max} characters",
     G::TooManyCharacters},
    {F::Raised, "Subtitle has been raised", "This subtitle has been raised", G::RaisedSubtitles},
    {F::WholeCaptionItalic, "Whole subtitle is italicised", "Whole subtitle is italicised", G::ClosedCaption},
    {F::IllegalCharacter, "Line{row} contains an illegal character", "Line{row} contains an illegal character",
     G::ClosedCaption},
    {F::KaraokeInterval, "", "Karaoke interval should be 0 frames", G::ClosedCaption},
    {F::SendTime, "Caption reaches the screen {rows} frames late", "Caption reaches the screen {rows} frames late",
     G::ClosedCaption},
    {F::RowMapping, "Rows do not fit on the caption rows", "Rows do not fit on the caption rows", G::ClosedCaption},
}};

std::string Fill(std::string text, const Finding& f, int maxRowLength) {
  if (text.find('{') == std::string::npos) return text;
  text = ReplaceAll(std::move(text), "{row}", std::to_string(f.row));
  text = ReplaceAll(std::move(text), "{rows}", std::to_string(f.rows));
  return ReplaceAll(std::move(text), "{max}", std::to_string(maxRowLength));
}

}  // namespace

std::span<const FaultInfo> FaultCatalogue() { return kCatalogue; }

const FaultInfo& Info(Fault f) { return kCatalogue[static_cast<std::size_t>(f) - 1]; }

std::string ListText(const Finding& f) { return Fill(Info(f.fault).listText, f, 0); }

std::string RunText(const Finding& f, int maxRowLength) {
  std::string t = Fill(Info(f.fault).runText, f, maxRowLength);
  if (f.softWrap) t += " (soft wrap)";
  return t;
}

}  // namespace kipo
