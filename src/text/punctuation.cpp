#include "text/punctuation.h"

#include <unicode/uchar.h>

#include <array>
#include <vector>

#include "core/rich_text.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/house_options.h"
#include "settings/keys.h"
#include "settings/option_table.h"
#include "settings/settings_store.h"

namespace kipo {
namespace {

constexpr PunctuationRuleField Rule(const FlagSetting& key, bool PunctuationRules::*member) {
  return {key.name.data(), member, &key};
}

// In the order the options window lists them.
constexpr std::array<PunctuationRuleField, 14> kRuleKeys{{
    Rule(keys::kDeleteSpaces, &PunctuationRules::deleteSpaces),
    Rule(keys::kDeleteSpaceBefore, &PunctuationRules::deleteSpaceBefore),
    Rule(keys::kInsertSpaceAfter, &PunctuationRules::insertSpaceAfter),
    Rule(keys::kInsertSpaceAfterDash, &PunctuationRules::insertSpaceAfterDash),
    Rule(keys::kDeleteSpaceAfterDash, &PunctuationRules::deleteSpaceAfterDash),
    Rule(keys::kAddFullStops, &PunctuationRules::addFullStops),
    Rule(keys::kEllipsesThreeDots, &PunctuationRules::ellipsesThreeDots),
    Rule(keys::kEllipsesTwoDotsAtStart, &PunctuationRules::ellipsesTwoDotsAtStart),
    Rule(keys::kDeleteEllipses, &PunctuationRules::deleteEllipses),
    Rule(keys::kInsertMissingEllipses, &PunctuationRules::insertMissingEllipses),
    Rule(keys::kAddDutchEllipsesAtEnd, &PunctuationRules::addDutchEllipsesAtEnd),
    Rule(keys::kDeleteFirstHyphen, &PunctuationRules::deleteFirstHyphen),
    Rule(keys::kReplaceCommasWithEllipses, &PunctuationRules::replaceCommasWithEllipses),
    Rule(keys::kCorrectTwoInitialCapitals, &PunctuationRules::correctTwoInitialCapitals),
}};

const OptionTable<PunctuationRules>& RulesTable() {
  static const OptionTable<PunctuationRules> t = [] {
    OptionTable<PunctuationRules> t;
    for (const PunctuationRuleField& f : kRuleKeys) t.Bind(f.member, *f.setting);
    return t;
  }();
  return t;
}

// "AutoReplace": stored as numbers; any number but 0 is on.
constexpr FlagSetting kTypographicEllipses{"AutoReplace", "Ellipses", false, FlagForm::OneZero};
constexpr FlagSetting kTypographicQuotes{"AutoReplace", "Quotes", false, FlagForm::OneZero};
constexpr FlagSetting kTypographicDashes{"AutoReplace", "Dashes", false, FlagForm::OneZero};

const OptionTable<TypographicOptions>& TypographicTable() {
  static const auto t = OptionTable<TypographicOptions>()
                            .Bind(&TypographicOptions::ellipses, kTypographicEllipses)
                            .Bind(&TypographicOptions::quotes, kTypographicQuotes)
                            .Bind(&TypographicOptions::dashes, kTypographicDashes);
  return t;
}

}  // namespace

std::span<const PunctuationRuleField> PunctuationRuleFields() { return kRuleKeys; }

namespace {

struct TypographicRule {
  bool TypographicOptions::*enabled;
  std::array<std::pair<std::string_view, std::string_view>, 4> pairs;  // unused pairs are empty
  const char* report;
};

// Windows-1252 codes 133, 145-148, 150 and 151 as they arrive in Unicode text.
const std::array<TypographicRule, 3> kTypographic{{
    {&TypographicOptions::ellipses, {{{"\u2026", "..."}}}, "Smart ellipses changed to three dots"},
    {&TypographicOptions::quotes,
     {{{"\u2018", "'"}, {"\u2019", "'"}, {"\u201C", "\""}, {"\u201D", "\""}}},
     "Smart quotes changed to straight quotes"},
    {&TypographicOptions::dashes, {{{"\u2013", "-"}, {"\u2014", "-"}}}, "En or em dash changed to hyphen"},
}};

// Characters after which a stop, colon or mark needs no space of its own: digits (3.5,
// 10:30), the next mark of "?!" or "...", the end of italics, and - beyond the classic
// list - closing quotes and brackets, so that "'Stop.'" does not become "'Stop. '".
bool NoSpaceNeededBefore(std::string_view rest) {
  if (rest.empty()) return true;
  // A bracket held as a literal character closes like the bracket it is.
  char n = StandInAt(rest) ? StandInAt(rest) : rest[0];
  if ((n >= '0' && n <= '9') || n == ' ' || n == '\t' || n == '\r' || n == '\n') return true;
  if (std::string_view("\"!.>?)]',;:").find(n) != std::string_view::npos) return true;
  for (std::string_view closing : {"\u2019", "\u201D", "\u00BB", "\u2026"})
    if (StartsWith(rest, closing)) return true;
  return false;
}

bool IsStopMark(char c) { return c == '.' || c == '!' || c == ':' || c == '?'; }

// "Insert space after": true when a space goes after text[i] (one of . ! : ?). The
// third dot of "word...word" is preceded by a dot, so an ellipsis stays together.
bool NeedsSpaceAfter(std::string_view text, std::size_t i) {
  if (NoSpaceNeededBefore(text.substr(i + 1))) return false;
  return i == 0 || text[i - 1] != '.';
}

// Index just past the last character that is not a space (0 for a blank text).
std::size_t ContentEnd(std::string_view text) {
  std::size_t e = text.size();
  while (e > 0 && text[e - 1] == ' ') --e;
  return e;
}

// Endings after which no full stop is added: stops, marks, dashes, quotes, the end of
// italics or underline, brackets, colour codes, the ellipsis character and a music note.
bool EndsClosed(std::string_view text) {
  std::size_t e = ContentEnd(text);
  if (e == 0) return true;
  std::string_view t = text.substr(0, e);
  const char last = t.size() >= 3 && StandInAt(t.substr(t.size() - 3)) ? StandInAt(t.substr(t.size() - 3)) : t.back();
  if (std::string_view(".?!,:;-'\">])}").find(last) != std::string_view::npos) return true;
  if (IsColourCode(last)) return true;
  for (std::string_view closing : {"\u2026", "\u2019", "\u201D", "\u00BB", "\u266A"})
    if (EndsWith(t, closing)) return true;
  return false;
}

// Whether a text begins a new sentence: its first letter, after dashes, quotes, opening
// markup and brackets, is a capital. A leading ellipsis or a digit decides against it.
bool StartsSentence(std::string_view text) {
  for (char32_t c : Utf8ToUtf32(text.substr(0, 64))) {
    auto u = static_cast<UChar32>(c);
    if (c == U'.' || c == U'\u2026' || u_isdigit(u)) return false;
    if (u_isalpha(u)) return u_isupper(u) || u_istitle(u);
  }
  return false;
}

// Removes the spaces directly after a speaker dash at the start of text.
std::string DropSpacesAfterDash(std::string_view row) {
  std::size_t i = 1;
  while (i < row.size() && row[i] == ' ') ++i;
  return "-" + std::string(row.substr(i));
}

bool DashNeedsSpace(std::string_view row) { return row.size() > 1 && row[0] == '-' && row[1] != ' ' && row[1] != '-'; }

// "Delete space before" keeps the space of "- ..." and any indent at the start of a row.
bool SpacesFollowRowStart(std::string_view text, std::size_t spacesStart) {
  if (spacesStart == 0 || text[spacesStart - 1] == '\n') return true;
  if (text[spacesStart - 1] != '-') return false;
  return spacesStart == 1 || text[spacesStart - 2] == '\n';
}

}  // namespace

PunctuationRules PunctuationRules::Load(const SettingsStore& store) { return RulesTable().Load(store); }

void PunctuationRules::Save(SettingsStore& store) const { RulesTable().Save(store, *this); }

void ValidatePunctuationRules(const PunctuationRules& r) {
  if (r.insertSpaceAfterDash && r.deleteSpaceAfterDash)
    throw UserError(kAppTitle,
                    "Insert space and delete space after dash are mutually exclusive. Please select one or the other.");
  if (r.insertMissingEllipses && r.deleteEllipses)
    throw UserError(kAppTitle,
                    "Insert ellipses and delete ellipses at start of subtitle are mutually exclusive. Please select "
                    "one or the other.");
}

TypographicOptions TypographicOptions::Load(const SettingsStore& store) { return TypographicTable().Load(store); }

void TypographicOptions::Save(SettingsStore& store) const { TypographicTable().Save(store, *this); }

std::string ApplyTypographic(std::string_view text, const TypographicOptions& options, const RuleReport& report) {
  std::string out(text);
  for (const TypographicRule& t : kTypographic) {
    if (!(options.*t.enabled)) continue;
    bool changed = false;
    for (const auto& [from, to] : t.pairs) {
      if (from.empty() || out.find(from) == std::string::npos) continue;
      out = ReplaceAll(std::move(out), from, to);
      changed = true;
    }
    if (changed && report) report(t.report);
  }
  return out;
}

std::string ApplyTypographic(std::string_view text, const TypographicOptions& options) {
  return ApplyTypographic(text, options, nullptr);
}

TidyOptions TidyOptions::Load(const SettingsStore& store) {
  TidyOptions o;
  o.rules = PunctuationRules::Load(store);
  o.typographic = TypographicOptions::Load(store);
  o.enableColours = store.Get(keys::kEnableColours);
  o.allowBlankLines = HouseOptions::Load(store).allowBlankLines;
  return o;
}

std::string TidyText(std::string_view text, const TidyOptions& options) {
  const PunctuationRules& r = options.rules;
  std::vector<std::string> rows = SplitLines(text);
  for (std::string& row : rows) {
    if (r.deleteSpaces) {
      std::size_t b = row.find_first_not_of(' ');
      row = b == std::string::npos ? std::string() : row.substr(b, ContentEnd(row) - b);
    }
    std::string out;
    out.reserve(row.size() + 8);
    for (std::size_t i = 0; i < row.size(); ++i) {
      const char c = row[i];
      const auto u = static_cast<unsigned char>(c);
      const char next = i + 1 < row.size() ? row[i + 1] : '\0';
      if (u <= 8) {
        // Codes 1-7 are colours; with colours off nothing below TAB belongs in a text.
        if (options.enableColours) out += c;
      } else if (u < 32 && c != '\t') {
        // Line ends inside a row and the remaining controls are dropped.
      } else if (c == ' ') {
        if (r.deleteSpaces && next == ' ') continue;
        bool rowStart = out.empty() || out == "-";
        if (r.deleteSpaceBefore && IsStopMark(next) && !rowStart) continue;
        out += c;
      } else if (IsStopMark(c) && r.insertSpaceAfter && NeedsSpaceAfter(row, i)) {
        out += c;
        out += ' ';
      } else if (c == '-' && i == 0) {
        out += c;
        if (r.insertSpaceAfterDash && DashNeedsSpace(row)) {
          out += ' ';
        } else if (r.deleteSpaceAfterDash) {
          while (i + 1 < row.size() && row[i + 1] == ' ') ++i;
        }
      } else {
        out += c;
      }
    }
    row = std::move(out);
  }
  if (!options.allowBlankLines)
    while (rows.size() > 1 && rows.back().empty()) rows.pop_back();
  return ApplyTypographic(JoinRows(rows), options.typographic);
}

namespace {

// One subtitle's text while the rules run over it, with the report of each change.
class RuleRun {
 public:
  RuleRun(std::string_view text, const RuleReport& report) : text_(text), report_(report) {}
  std::string& text() { return text_; }
  void Changed(const std::string& description) {
    if (report_) report_(description);
  }
  // Replaces the text when it differs and reports the change.
  void Set(std::string next, const std::string& description) {
    if (next == text_) return;
    text_ = std::move(next);
    Changed(description);
  }

 private:
  std::string text_;
  const RuleReport& report_;
};

void DeleteExtraSpaces(RuleRun& run) {
  std::vector<std::string> rows = SplitRows(run.text());
  for (std::string& row : rows) {
    std::string out;
    for (char c : row)
      if (!(c == ' ' && (out.empty() || out.back() == ' '))) out += c;
    if (!out.empty() && out.back() == ' ') out.pop_back();
    row = std::move(out);
  }
  run.Set(JoinRows(rows), "Extra spaces deleted");
}

void DeleteLeadingEllipses(RuleRun& run) {
  std::string& t = run.text();
  if (StartsWith(t, "...")) {
    run.Set(t.substr(3), "Ellipses deleted from start of subtitle");
  } else if (StartsWith(t, "..")) {
    run.Set(t.substr(2), "Two-dot ellipses deleted from start of subtitle");
  }
}

void ReplaceFinalComma(RuleRun& run) {
  std::string& t = run.text();
  std::size_t e = ContentEnd(t);
  if (e > 0 && t[e - 1] == ',')
    run.Set(t.substr(0, e - 1) + "..." + t.substr(e), "Comma at end of subtitle replaced by ellipses");
}

void SpeakerDashes(RuleRun& run, const PunctuationRules& r) {
  std::vector<std::string> rows = SplitRows(run.text());
  if (r.deleteFirstHyphen && rows.size() >= 2 && StartsWith(rows[0], "-") && StartsWith(rows[1], "-")) {
    rows[0] = DropSpacesAfterDash(rows[0]).substr(1);
    run.Set(JoinRows(rows), "First dash in dual speaker subtitle deleted");
  }
  if (r.insertSpaceAfterDash) {
    static const char* const kReports[2] = {"Space inserted after first dash in dual speaker subtitle",
                                            "Space inserted after second dash in dual speaker subtitle"};
    for (std::size_t k = 0; k < 2 && k < rows.size(); ++k)
      if (DashNeedsSpace(rows[k])) {
        rows[k].insert(1, " ");
        run.Set(JoinRows(rows), kReports[k]);
      }
  }
  if (r.deleteSpaceAfterDash) {
    for (std::size_t k = 0; k < 2 && k < rows.size(); ++k)
      if (StartsWith(rows[k], "- ")) {
        rows[k] = DropSpacesAfterDash(rows[k]);
        run.Set(JoinRows(rows), "Space deleted after speaker dash");
      }
  }
}

void DeleteSpaceBefore(RuleRun& run) {
  static constexpr std::string_view kMarks = ".,:;?!";
  static const char* const kReports[6] = {"Space deleted before full stop",     "Space deleted before comma",
                                          "Space deleted before colon",         "Space deleted before semi-colon",
                                          "Space deleted before question mark", "Space deleted before exclamation mark"};
  const std::string& t = run.text();
  std::string out;
  out.reserve(t.size());
  bool deleted[6] = {};
  for (std::size_t i = 0; i < t.size(); ++i) {
    std::size_t mark = kMarks.find(t[i]);
    if (mark != std::string_view::npos && !out.empty() && out.back() == ' ') {
      std::size_t spaces = out.find_last_not_of(' ') + 1;  // npos + 1 == 0 for an all-space prefix
      if (!SpacesFollowRowStart(out, spaces)) {
        out.erase(spaces);
        deleted[mark] = true;
      }
    }
    out += t[i];
  }
  run.text() = std::move(out);
  for (std::size_t k = 0; k < 6; ++k)
    if (deleted[k]) run.Changed(kReports[k]);
}

void InsertSpaceAfter(RuleRun& run) {
  const std::string& t = run.text();
  std::string out;
  std::string marks;  // each mark once, in the order first met
  for (std::size_t i = 0; i < t.size(); ++i) {
    out += t[i];
    if (IsStopMark(t[i]) && NeedsSpaceAfter(t, i)) {
      out += ' ';
      if (marks.find(t[i]) == std::string::npos) marks += t[i];
    }
  }
  run.text() = std::move(out);
  for (char m : marks) run.Changed(std::string("Space inserted after ") + m);
}

void AddFullStops(RuleRun& run, const RuleContext& ctx) {
  std::string& t = run.text();
  bool newSentenceNext = ctx.hasNext ? StartsSentence(ctx.next) : true;
  if (!EndsClosed(t) && newSentenceNext) {
    std::size_t e = ContentEnd(t);
    run.Set(t.substr(0, e) + "." + t.substr(e), "Full stop added at end of subtitle");
  }
  std::vector<std::string> rows = SplitRows(t);
  if (rows.size() >= 2 && StartsWith(rows[1], "-") && !EndsClosed(rows[0]) && StartsSentence(rows[1])) {
    std::size_t e = ContentEnd(rows[0]);
    rows[0].insert(e, ".");
    run.Set(JoinRows(rows), "Full stop added at end of first speaker line");
  }
}

void AddDutchEllipses(RuleRun& run) {
  std::string& t = run.text();
  std::size_t e = ContentEnd(t);
  if (e == 0) return;
  char last = t[e - 1];
  if (last == ',')
    run.Set(t.substr(0, e - 1) + "..." + t.substr(e), "Dutch ellipses forced at end of subtitle");
  else if (!IsStopMark(last))
    run.Set(t.substr(0, e) + "..." + t.substr(e), "Dutch ellipses forced at end of subtitle");
}

void InsertMissingEllipses(RuleRun& run, const RuleContext& ctx) {
  std::string_view prev = ctx.previous.substr(0, ContentEnd(ctx.previous));
  const std::string& t = run.text();
  // A new speaker's dash, or a leading ellipsis of any length, already says enough.
  if (EndsWith(prev, "...") && !t.empty() && !StartsWith(t, "..") && !StartsWith(t, "-"))
    run.Set("..." + t, "Missing ellipses added at start of subtitle");
}

void EllipsesAtEnd(RuleRun& run) {
  std::string& t = run.text();
  std::size_t e = ContentEnd(t);
  std::size_t dots = 0;
  while (dots < e && t[e - 1 - dots] == '.') ++dots;
  if (dots >= 4)
    run.Set(t.substr(0, e - dots + 3) + t.substr(e), "Four-dot ellipses corrected at end of subtitle");
  else if (dots == 2)
    run.Set(t.substr(0, e) + "." + t.substr(e), "Two-dot ellipses corrected at end of subtitle");
}

void EllipsesAtStart(RuleRun& run, bool twoDots) {
  std::string& t = run.text();
  if (twoDots) {
    if (StartsWith(t, "...")) run.Set(t.substr(1), "Three-dot ellipses corrected at start of subtitle");
  } else if (t.size() >= 3 && StartsWith(t, "..") && t[2] != '.') {
    run.Set("." + t, "Two-dot ellipses changed to three dots at start of subtitle");
  }
}

bool IsWordChar(char32_t c) {
  return u_isalnum(static_cast<UChar32>(c)) || c == U'\'' || c == U'\u2019';
}

void CorrectTwoInitialCapitals(RuleRun& run) {
  std::u32string cps = Utf8ToUtf32(run.text());
  bool changed = false;
  for (std::size_t i = 0; i + 2 < cps.size(); ++i) {
    if (i > 0 && IsWordChar(cps[i - 1])) continue;
    auto a = static_cast<UChar32>(cps[i]), b = static_cast<UChar32>(cps[i + 1]), c = static_cast<UChar32>(cps[i + 2]);
    // "THe" becomes "The"; "TV" and "HELLO" are left alone: the third letter decides.
    if (u_isupper(a) && u_isupper(b) && u_islower(c)) {
      cps[i + 1] = static_cast<char32_t>(u_tolower(b));
      changed = true;
    }
  }
  if (changed) run.Set(Utf32ToUtf8(cps), "Two initial capitals corrected");
}

}  // namespace

std::string ApplyPunctuationRules(std::string_view text, const PunctuationRules& r, const RuleContext& ctx,
                                  const RuleReport& report) {
  RuleRun run(text, report);
  if (r.deleteSpaces) DeleteExtraSpaces(run);
  if (r.deleteEllipses) DeleteLeadingEllipses(run);
  if (r.replaceCommasWithEllipses) ReplaceFinalComma(run);
  SpeakerDashes(run, r);
  if (r.deleteSpaceBefore) DeleteSpaceBefore(run);
  if (r.insertSpaceAfter) InsertSpaceAfter(run);
  if (r.addFullStops) AddFullStops(run, ctx);
  if (r.addDutchEllipsesAtEnd) AddDutchEllipses(run);
  if (r.insertMissingEllipses) InsertMissingEllipses(run, ctx);
  if (r.ellipsesThreeDots) EllipsesAtEnd(run);
  EllipsesAtStart(run, r.ellipsesTwoDotsAtStart);
  if (r.correctTwoInitialCapitals) CorrectTwoInitialCapitals(run);
  return std::move(run.text());
}

}  // namespace kipo
