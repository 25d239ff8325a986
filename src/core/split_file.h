#pragma once
// Cutting a document into several native files without changing it: parts that begin at
// chosen subtitles (film reels, episodes cut from one master), each optionally moved to a
// new start time, and the two languages of a bilingual document (one line per language).
//
// These build the documents that are written; asking for names and start times and
// writing the files is the app's split controller.
#include <optional>
#include <string>
#include <vector>

#include "core/document.h"

namespace kipo {

inline constexpr int kMaxSplitPoints = 8;
inline constexpr const char* kNoSplitPoints = "No split points have been selected";
inline constexpr const char* kTooManySplitPoints = "A maximum of 8 split points may be selected.";

// One part: subtitles [first, first + count) (0-based).
struct SplitPart {
  std::size_t first = 0;
  std::size_t count = 0;
  bool operator==(const SplitPart&) const = default;
};

// The parts that split points (1-based subtitle numbers, any order, repeats ignored) cut a
// document of `subtitles` subtitles into. Throws UserError with kNoSplitPoints,
// kTooManySplitPoints, or "Subtitle N cannot be a split point" for the first subtitle, the
// last one and numbers outside the document.
std::vector<SplitPart> SplitParts(std::size_t subtitles, std::vector<long> splitPoints);

// The part's document: the whole document's values (frame rate, character set, language,
// notes, header properties) with the part's subtitles, every set cue moved by `offset`
// frames. Throws UserError when a moved cue would pass 99:59:59:FF.
SubtitleDocument PartDocument(const SubtitleDocument& doc, const SplitPart& part, Timecode offset = 0);

// The offset that moves a part whose first in cue is `firstInCue` (digits) to the label the
// user entered; non-digits of the label count as 0.
Timecode StartTimeOffset(std::string_view firstInCue, std::string_view entered, const FrameRate& rate);

// The root name of a chosen file: the path without a ".kpox" extension (any case).
std::string SplitRootName(const std::string& chosenPath);
// root + "_" + n + ".kpox"
std::string PartFileName(const std::string& root, int n);
// root + "_Lang1.kpox" / "_Lang2.kpox"
std::string LanguageFileName(const std::string& root, int language);

// A bilingual text reduced to one language. `keep` 1: the first line; 2: the second line,
// or the text unchanged when it has fewer than two lines (what the open document keeps).
std::string KeepLanguage(const std::string& text, int keep);
// The text of a language file: language 1 holds each second line (empty when there is
// none), language 2 each first line.
std::string LanguageFileText(const std::string& text, int language);
// The whole document with every text reduced to a language file's text.
SubtitleDocument LanguageDocument(const SubtitleDocument& doc, int language);

}  // namespace kipo
