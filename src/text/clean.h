#pragma once
// The file clean: removes or normalises colours, italics, comments, hearing-impaired
// annotations, empty rows, raised and off-centre subtitles, and applies the typographic
// replacements and the punctuation rules, over the whole document in one pass. Every
// change is one report row that keeps the former state, so that single rows can be
// restored. The punctuation check is the same engine with only the typographic and
// punctuation steps.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/document.h"
#include "text/punctuation.h"

namespace kipo {

class Prompter;
class SettingsStore;

inline constexpr std::string_view kFileCleanSection = "File clean";
// What the hearing-impaired options dialog shows when nothing is stored yet.
inline constexpr const char* kDefaultSdhChars = "#";
inline constexpr const char* kDefaultInterjections = "Ah Eh Er Erm Ha Haha Hmm Mmm Oh Ooh Ow Ugh Uh Uhuh Um";

// The steps, section "File clean", each a number 0 or 1 (default 0).
struct CleanSteps {
  bool colours = false;      // "Remove colors"
  bool italics = false;      // "Remove italics"
  bool comments = false;     // "Remove comments"
  bool sdh = false;          // "Remove SDH"
  bool emptyRows = false;    // "Remove empty rows"
  bool bottomRow = false;    // "Bottom row"
  bool alignCentre = false;  // "Align centre"
  bool autoFormat = false;   // "AutoFormat"
  bool punctuation = false;  // "Punctuation"
  bool alwaysApply = false;         // "Always apply": clean after opening or importing
  bool alwaysApplyConfirm = false;  // "Always apply confirm": ask first
  bool report = true;               // "Report": show the report window afterwards

  static CleanSteps Load(const SettingsStore& store);
  void Save(SettingsStore& store) const;
  bool operator==(const CleanSteps&) const = default;
};

// The hearing-impaired options, same section: bracket switches, marker characters and
// interjections, each list stored as a count plus numbered keys ("SDH chars 1", ...).
struct SdhOptions {
  bool round = false;   // "SDH round": delete "(" and ")"
  bool square = false;  // "SDH square": delete "[" and "]"
  bool curly = false;   // "SDH curly": delete "{" and "}"
  std::vector<std::string> chars;          // "SDH char count", "SDH chars " + k
  std::vector<std::string> interjections;  // "SDH interjections count", "SDH interjections " + k

  static SdhOptions Load(const SettingsStore& store);
  void Save(SettingsStore& store) const;

  // The dialog's two text fields: the items separated by single spaces, or the defaults
  // ("#" and the interjection list) when none are stored.
  std::string CharsField() const;
  std::string InterjectionsField() const;
  // On OK the fields are split at spaces into the lists.
  void SetFields(std::string_view charsField, std::string_view interjectionsField);
  bool operator==(const SdhOptions&) const = default;
};

// Everything one clean reads, gathered from the settings at the start of the run.
struct CleanSettings {
  CleanSteps steps;
  SdhOptions sdh;
  PunctuationRules rules;
  TypographicOptions typographic;
  static CleanSettings Load(const SettingsStore& store);
  // The punctuation check: the stored rules and typographic switches, no other step.
  static CleanSettings PunctuationCheck(const SettingsStore& store);
};

// The field of a subtitle that a report row is about, and so what Restore puts back.
enum class CleanField { Text, Italic, RowColours, Comment, Row, RowAlignments, Alignment };

struct CleanReportRow {
  std::size_t index = 0;    // 0-based subtitle index
  std::string number;       // the subtitle number formatted "0000"
  std::string description;  // "Extra spaces deleted", ...
  CleanField field = CleanField::Text;
  // The subtitle as it was before the clean (shared by the rows of one subtitle).
  std::shared_ptr<const Subtitle> former;
  const std::string& formerText() const { return former->text; }
};

enum class CleanKind { FileClean, PunctuationCheck };

struct CleanReport {
  CleanKind kind = CleanKind::FileClean;
  std::vector<CleanReportRow> rows;
  std::size_t changedSubtitles = 0;
  // "File Clean Report" or "Punctuation Check Report".
  std::string Title() const;
  // "Undo File Clean" or "Undo Punctuation Check": the one undo step of the whole run.
  std::string UndoName() const;
};

const char* CleanReportTitle(CleanKind kind);
const char* CleanUndoName(CleanKind kind);

// Runs the enabled steps over every subtitle, in order, and returns the report. A
// subtitle with nothing to change gets no row and is not touched.
CleanReport CleanDocument(SubtitleDocument& doc, const CleanSettings& settings,
                          CleanKind kind = CleanKind::FileClean);
// The typographic replacements and the punctuation rules as stored, with their report.
CleanReport PunctuationCheck(SubtitleDocument& doc, const SettingsStore& store);

// Puts back what the row's change took away (the former text; for "Full italics
// removed" the italic attribute; for the other attribute rows that attribute). False
// when the row's subtitle no longer exists.
bool RestoreCleanRow(SubtitleDocument& doc, const CleanReportRow& row);

// After a file is opened or imported: with "Always apply" on, cleans the document with
// the stored settings - after the "Confirm File Clean" question when "Always apply
// confirm" is on. Returns the report when it cleaned.
std::optional<CleanReport> AutoCleanAfterOpen(SubtitleDocument& doc, const SettingsStore& store, Prompter& prompter);
// Only the decision (and the question): true when the clean should run now.
bool ShouldAutoClean(const SettingsStore& store, Prompter& prompter);

}  // namespace kipo
