#pragma once
// House punctuation rules: spacing, speaker dashes, ellipses and full stops, the
// typographic replacements (curly quotes, the ellipsis character, long dashes) and the
// tidy of the text being edited. Texts are UTF-8 with rows separated by CR LF.
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "settings/setting_key.h"

namespace kipo {

class SettingsStore;

// The rule set, section "Punctuation", each a Boolean (default false).
struct PunctuationRules {
  bool deleteSpaces = false;             // "Delete spaces"
  bool deleteSpaceBefore = false;        // "Delete space before"
  bool insertSpaceAfter = false;         // "Insert space after"
  bool insertSpaceAfterDash = false;     // "Insert space after dash"
  bool deleteSpaceAfterDash = false;     // "Delete space after dash"
  bool addFullStops = false;             // "Add full stops"
  bool ellipsesThreeDots = false;        // "Ellipses three dots"
  bool ellipsesTwoDotsAtStart = false;   // "Ellipses two dots at start"
  bool deleteEllipses = false;           // "Delete ellipses"
  bool insertMissingEllipses = false;    // "Insert missing ellipses"
  bool addDutchEllipsesAtEnd = false;    // "Add Dutch ellipses at end"
  bool deleteFirstHyphen = false;        // "Delete first hyphen"
  bool replaceCommasWithEllipses = false;  // "Replace commas with ellipses"
  bool correctTwoInitialCapitals = false;  // "Correct two initial capitals"

  static PunctuationRules Load(const SettingsStore& store);
  void Save(SettingsStore& store) const;
  bool operator==(const PunctuationRules&) const = default;
};

// Each rule's field and its settings key (section "Punctuation", settings/keys.h).
struct PunctuationRuleField {
  const char* key;  // the key's name, also the caption of the rule's check box
  bool PunctuationRules::*member;
  const FlagSetting* setting;
};
std::span<const PunctuationRuleField> PunctuationRuleFields();

// The punctuation rules dialog refuses contradictory choices on OK: throws UserError
// (application title, the refusal text) and stores nothing. Call before Save.
void ValidatePunctuationRules(const PunctuationRules& rules);

// Section "AutoReplace": numbers, any value other than 0 turns the replacement on.
struct TypographicOptions {
  bool ellipses = false;  // "Ellipses": U+2026 -> "..."
  bool quotes = false;    // "Quotes": U+2018/U+2019 -> "'", U+201C/U+201D -> '"'
  bool dashes = false;    // "Dashes": U+2013/U+2014 -> "-"

  static TypographicOptions Load(const SettingsStore& store);
  void Save(SettingsStore& store) const;
  bool any() const { return ellipses || quotes || dashes; }
};

// Receives one report text for each change a rule makes.
using RuleReport = std::function<void(const std::string& description)>;

// The text with the enabled typographic replacements made.
std::string ApplyTypographic(std::string_view text, const TypographicOptions& options);
// The same, reporting "Smart ellipses changed to three dots", "Smart quotes changed to
// straight quotes" and "En or em dash changed to hyphen" for each kind that was replaced.
std::string ApplyTypographic(std::string_view text, const TypographicOptions& options, const RuleReport& report);

// What the tidy of the edited text reads.
struct TidyOptions {
  PunctuationRules rules;          // only the five spacing and dash rules are used
  TypographicOptions typographic;
  bool enableColours = true;       // "Options" / "Enable colours": codes 0-8 stay
  bool allowBlankLines = false;    // house option: trailing empty rows stay
  static TidyOptions Load(const SettingsStore& store);
};

// The spacing rules applied row by row to the text being edited, then the typographic
// replacements. Rows may arrive separated by any line end; they leave joined by CR LF.
std::string TidyText(std::string_view text, const TidyOptions& options);

// The neighbours the sentence rules look at: the previous subtitle's text as already
// checked, and the next subtitle's text (empty at the ends of the document).
struct RuleContext {
  std::string_view previous;
  std::string_view next;
  bool hasNext = false;
};

// Every enabled rule over one subtitle's text, in the order of the punctuation check;
// each change is reported with its description. The typographic replacements are not
// part of this (the clean runs them as their own step).
std::string ApplyPunctuationRules(std::string_view text, const PunctuationRules& rules, const RuleContext& context,
                                  const RuleReport& report);

}  // namespace kipo
