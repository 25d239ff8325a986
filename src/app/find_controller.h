#pragma once
// Find and Replace over the open document's texts and comments, and Go To a subtitle by
// number or timecode. The desktop app's Find window and Go To window are thin views over
// this controller; nothing here needs a window.
//
// Searching uses ICU's regular expressions on the stored text as UTF-16, so "match case"
// off folds case the Unicode way ("STRASSE" finds "straße" only where ICU folds them) and
// whole words know letters of every script. A plain search is a quoted pattern, so the
// same engine serves both. Markup characters are part of the text ("<" italics on), and a
// literal character a file brought in as a stand-in is searched as the character it holds.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/workstation.h"

namespace kipo {

enum class FindField { Text, Comment };

struct FindOptions {
  std::string pattern;
  bool matchCase = false;
  bool wholeWords = false;
  bool regex = false;
  bool inText = true;
  bool inComments = false;
};

// A hit: the subtitle (index), the box and the byte range in its stored text (CR LF rows).
struct FindMatch {
  std::size_t subtitle = 0;
  FindField field = FindField::Text;
  std::size_t start = 0;
  std::size_t length = 0;
  bool operator==(const FindMatch&) const = default;
};

struct ByteSpan {
  std::size_t start = 0;
  std::size_t length = 0;
  bool operator==(const ByteSpan&) const = default;
};

// One compiled search. Throws UserError ("Find and Replace") for an empty or invalid
// pattern. A pattern that backtracks without end is stopped and reported, never left to
// hang the window.
class TextSearch {
 public:
  explicit TextSearch(const FindOptions& options);
  ~TextSearch();
  TextSearch(TextSearch&&) noexcept;
  TextSearch& operator=(TextSearch&&) noexcept;

  // Every non-empty match in a text, in order, as byte ranges.
  std::vector<ByteSpan> Matches(std::string_view text) const;
  // The text with every match replaced; `count` gets the number of replacements. In a
  // regular expression "$1" is the first group and "\$" a dollar sign; a plain search
  // puts the replacement in as it stands.
  std::string ReplaceAll(std::string_view text, std::string_view replacement, int* count = nullptr) const;
  // The replacement of the match that starts at `start` (which must be a match), or
  // nullopt when no match starts there.
  std::optional<std::string> ReplacementAt(std::string_view text, std::size_t start, std::string_view replacement) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

inline constexpr const char* kFindTitle = "Find and Replace";
inline constexpr const char* kGoToTitle = "Go To";

class FindController {
 public:
  explicit FindController(Workstation& ws) : ws_(ws) {}

  // The next (or previous) match from the current subtitle on, wrapping past the end (or
  // the start) of the document. The search starts after the last match when that
  // subtitle is still current, else at the start of the current subtitle (its end when
  // searching backwards). A hit makes its subtitle current; none sets the status to
  // "Cannot find ..." and returns nullopt.
  std::optional<FindMatch> FindNext(const FindOptions& options, bool forward = true);
  // Replaces the last match when it is still there (one "Replace" undo step), then finds
  // the next. Without a last match it only finds.
  std::optional<FindMatch> Replace(const FindOptions& options, std::string_view replacement);
  // Replaces every match in the searched boxes as one "Replace All" undo step; the number
  // of replacements (0 changes nothing and records nothing).
  int ReplaceAll(const FindOptions& options, std::string_view replacement);
  // Where the next search starts: the window's text box caret, in bytes of the current
  // subtitle's text or comment.
  void StartAt(FindField field, std::size_t byteOffset);
  const std::optional<FindMatch>& lastMatch() const { return last_; }

  // The find window's last search and its choices, kept in the settings so that the
  // window opens as it was left (section "Find").
  FindOptions RememberedOptions() const;
  std::string RememberedReplacement() const;
  void Remember(const FindOptions& options, std::string_view replacement);

  // Makes subtitle `number` (1-based) current. Throws UserError for a number outside the
  // document.
  bool GoToNumber(long number);
  // Makes current the subtitle shown at a timecode ("HH:MM:SS:FF", ";" or "." before the
  // frames, or eight digits), or else the first one after it, or the last one. Throws
  // UserError for text that is not a timecode at the document's rate.
  bool GoToTimecode(std::string_view timecode);
  // The subtitle index GoToTimecode would choose; nullopt for an empty document.
  static std::optional<std::size_t> SubtitleAt(const SubtitleDocument& doc, Timecode frames);
  // The frames of a typed timecode at a rate; throws UserError when it is not one.
  static Timecode ParseTimecode(std::string_view text, const FrameRate& rate);

 private:
  std::string FieldText(std::size_t subtitle, FindField field) const;

  Workstation& ws_;
  std::optional<FindMatch> last_;
  std::optional<FindMatch> start_;  // a caret position (length 0) set by StartAt
};

}  // namespace kipo
