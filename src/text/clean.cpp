#include "text/clean.h"

#include <array>
#include <utility>

#include "core/markup.h"
#include "core/rich_text.h"
#include "platform/prompter.h"
#include "platform/text_util.h"
#include "settings/option_table.h"
#include "settings/settings_store.h"
#include "text/word_list.h"

namespace kipo {
namespace {

// The clean choices are check boxes: "1" and "0".
constexpr FlagSetting Step(std::string_view name, bool def = false) {
  return {kFileCleanSection, name, def, FlagForm::OneZero};
}
constexpr FlagSetting kAlwaysApply = Step("Always apply");
constexpr FlagSetting kAlwaysApplyConfirm = Step("Always apply confirm");

const OptionTable<CleanSteps>& StepsTable() {
  static const auto t = OptionTable<CleanSteps>()
                            .Bind(&CleanSteps::colours, Step("Remove colors"))
                            .Bind(&CleanSteps::italics, Step("Remove italics"))
                            .Bind(&CleanSteps::comments, Step("Remove comments"))
                            .Bind(&CleanSteps::sdh, Step("Remove SDH"))
                            .Bind(&CleanSteps::emptyRows, Step("Remove empty rows"))
                            .Bind(&CleanSteps::bottomRow, Step("Bottom row"))
                            .Bind(&CleanSteps::alignCentre, Step("Align centre"))
                            .Bind(&CleanSteps::autoFormat, Step("AutoFormat"))
                            .Bind(&CleanSteps::punctuation, Step("Punctuation"))
                            .Bind(&CleanSteps::alwaysApply, kAlwaysApply)
                            .Bind(&CleanSteps::alwaysApplyConfirm, kAlwaysApplyConfirm)
                            .Bind(&CleanSteps::report, Step("Report", true));
  return t;
}

// A list kept as a count and numbered keys: "SDH char count" = 2, "SDH chars 1", "SDH chars 2".
// The item keys are made from the prefix, so they are read by name, not by declaration.
struct NumberedList {
  IntSetting count;
  std::string_view itemPrefix;
  std::vector<std::string> SdhOptions::*member;
  std::string Item(long k) const { return std::string(itemPrefix) + std::to_string(k); }
};
// A count beyond what anyone types is a damaged store, not a list to walk.
const NumberedList kSdhChars{{kFileCleanSection, "SDH char count", 0, 0, 10000}, "SDH chars ", &SdhOptions::chars};
const NumberedList kSdhInterjections{
    {kFileCleanSection, "SDH interjections count", 0, 0, 10000}, "SDH interjections ", &SdhOptions::interjections};

const OptionTable<SdhOptions>& SdhTable() {
  static const OptionTable<SdhOptions> t = [] {
    OptionTable<SdhOptions> t;
    t.Bind(&SdhOptions::round, Step("SDH round"))
        .Bind(&SdhOptions::square, Step("SDH square"))
        .Bind(&SdhOptions::curly, Step("SDH curly"));
    for (const NumberedList* list : {&kSdhChars, &kSdhInterjections}) {
      t.Custom(
          list->count.section, list->count.name,
          [list](const SettingsStore& store, SdhOptions& o) {
            std::vector<std::string>& items = o.*list->member;
            items.clear();
            long count = store.Get(list->count);
            for (long k = 1; k <= count; ++k) {
              std::string item = store.Get(kFileCleanSection, list->Item(k), "");
              if (!item.empty()) items.push_back(std::move(item));
            }
          },
          [list](SettingsStore& store, const SdhOptions& o) {
            const std::vector<std::string>& items = o.*list->member;
            long old = store.Get(list->count);
            for (long k = static_cast<long>(items.size()) + 1; k <= old; ++k)
              store.Remove(kFileCleanSection, list->Item(k));
            store.Set(list->count, static_cast<long>(items.size()));
            for (std::size_t k = 0; k < items.size(); ++k)
              store.Set(kFileCleanSection, list->Item(static_cast<long>(k) + 1), items[k]);
          });
    }
    return t;
  }();
  return t;
}

struct BracketStep {
  bool SdhOptions::*enabled;
  char open, close;
  const char* report;
};
constexpr std::array<BracketStep, 3> kBrackets{{
    {&SdhOptions::round, '(', ')', "Round brackets deleted"},
    {&SdhOptions::square, '[', ']', "Square brackets deleted"},
    {&SdhOptions::curly, '{', '}', "Curly brackets deleted"},
}};

std::vector<std::string> SplitAtSpaces(std::string_view field) {
  std::vector<std::string> items;
  std::string cur;
  for (char c : field) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (!cur.empty()) items.push_back(std::move(cur));
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) items.push_back(std::move(cur));
  return items;
}

std::string JoinWithSpaces(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& s : items) out += (out.empty() ? "" : " ") + s;
  return out;
}

// Removes the italic markers; a marker between spaces, or after one, leaves one space.
std::string RemoveItalicMarkers(std::string text) {
  for (char m : {kItalicOn, kItalicOff}) {
    const std::string mark(1, m);
    text = ReplaceAll(std::move(text), " " + mark + " ", " ");
    text = ReplaceAll(std::move(text), " " + mark, " ");
    text = ReplaceAll(std::move(text), mark, "");
  }
  return text;
}

// Erases the characters a and b. When they are markup characters ("[" and "]"), both the
// markers and the same characters held as literals (from an imported file) go.
std::string EraseChars(std::string_view text, char a, char b) {
  std::string out;
  out.reserve(text.size());
  const bool literals = IsMarkupChar(a) || IsMarkupChar(b);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == a || c == b) continue;
    if (literals && c == '\xEE') {
      if (char lit = StandInAt(text.substr(i)); lit && (lit == a || lit == b)) {
        i += 2;
        continue;
      }
    }
    out += c;
  }
  return out;
}

bool HoldsChar(std::string_view text, char c) {
  return text.find(c) != std::string_view::npos ||
         (IsMarkupChar(c) && text.find(LiteralStandIn(c)) != std::string_view::npos);
}

// Deletes each whole-word occurrence of an interjection. The space it leaves on one side
// goes too, so "Well, um I see" becomes "Well, I see" and "Um I see" becomes "I see";
// punctuation after it stays ("Um, yes" becomes ", yes") for the punctuation step.
std::string DeleteInterjection(std::string_view text, const std::vector<TextRange>& found) {
  std::string out;
  std::size_t pos = 0;
  for (const TextRange& r : found) {
    out.append(text.substr(pos, r.first - pos));
    pos = r.first + r.length;
    bool rowStart = out.empty() || out.back() == '\n';
    if (pos < text.size() && text[pos] == ' ' && (rowStart || out.back() == ' ')) ++pos;
    else if (!out.empty() && out.back() == ' ' && (pos == text.size() || text[pos] == '\r')) out.pop_back();
  }
  out.append(text.substr(pos));
  return out;
}

bool IsBlankRow(std::string_view row) { return row.find_first_not_of(' ') == std::string_view::npos; }

// One subtitle through the steps; collects its report rows.
class SubtitleClean {
 public:
  SubtitleClean(std::size_t index, const Subtitle& s, std::vector<CleanReportRow>& rows)
      : index_(index), s_(s), rows_(rows), firstRow_(rows.size()) {}

  Subtitle& s() { return s_; }
  void Report(const std::string& description, CleanField field = CleanField::Text) {
    CleanReportRow row;
    row.index = index_;
    row.number = ZeroPad(static_cast<long>(index_ + 1), 4);
    row.description = description;
    row.field = field;
    rows_.push_back(std::move(row));
  }
  // Gives the rows of this subtitle the shared former state; true when anything changed.
  bool Finish(const Subtitle& former) {
    if (rows_.size() == firstRow_) return false;
    auto kept = std::make_shared<const Subtitle>(former);
    for (std::size_t k = firstRow_; k < rows_.size(); ++k) rows_[k].former = kept;
    return true;
  }

 private:
  std::size_t index_;
  Subtitle s_;
  std::vector<CleanReportRow>& rows_;
  std::size_t firstRow_;
};

void CleanColours(SubtitleClean& c) {
  Subtitle& s = c.s();
  if (s.rowColours != kNoFlags) {
    s.rowColours = kNoFlags;
    c.Report("Line colour changed to white", CleanField::RowColours);
  }
  // Each colour switch becomes a space; a colour code held as a literal character stays.
  bool found = false;
  std::size_t at = 0;
  ScanMarkup(s.text, {}, [&](Mark m, std::string_view piece) {
    if (m == Mark::Colour) {
      s.text[at] = ' ';
      found = true;
    }
    at += piece.size();
  });
  if (found) c.Report("Non-white colour removed");
}

void CleanItalics(SubtitleClean& c) {
  Subtitle& s = c.s();
  if (s.italic) {
    s.italic = false;
    c.Report("Full italics removed", CleanField::Italic);
  }
  if (HasItalicMarkers(s.text)) {
    s.text = RemoveItalicMarkers(std::move(s.text));
    c.Report("Partial italics removed");
  }
}

void CleanPosition(SubtitleClean& c, const CleanSteps& steps) {
  Subtitle& s = c.s();
  if (steps.comments && !s.comment.empty()) {
    s.comment.clear();
    c.Report("Comment removed", CleanField::Comment);
  }
  // As the document's own setters do, a new row or alignment drops the fine offset.
  if (steps.bottomRow && s.row > 0) {
    s.row = 0;
    s.shiftY = 0;
    c.Report("Subtitle moved to bottom row", CleanField::Row);
  }
  if (steps.alignCentre) {
    if (s.rowAlignments != kNoFlags) {
      s.rowAlignments = kNoFlags;
      c.Report("Line alignment changed", CleanField::RowAlignments);
    }
    if (s.alignment != AlignCentre) {
      s.alignment = AlignCentre;
      s.shiftX = 0;
      c.Report("Subtitle alignment changed", CleanField::Alignment);
    }
  }
}

void CleanSdh(SubtitleClean& c, const SdhOptions& sdh, const std::vector<std::u32string>& foldedInterjections) {
  std::string& t = c.s().text;
  for (const BracketStep& b : kBrackets)
    if (sdh.*b.enabled && HoldsChar(t, b.open)) {
      t = EraseChars(t, b.open, b.close);
      c.Report(b.report);
    }
  for (const std::string& ch : sdh.chars)
    if (t.find(ch) != std::string::npos) {
      t = ReplaceAll(std::move(t), ch, "");
      c.Report("Character '" + ch + "' deleted");
    }
  if (sdh.interjections.empty()) return;
  // Most texts hold none of the interjections: one folded copy rules them out quickly.
  std::u32string folded = FoldCase(t);
  for (std::size_t k = 0; k < sdh.interjections.size(); ++k) {
    if (folded.find(foldedInterjections[k]) == std::u32string::npos) continue;
    std::vector<TextRange> found = FindWholeWords(t, sdh.interjections[k]);
    if (found.empty()) continue;
    t = DeleteInterjection(t, found);
    folded = FoldCase(t);
    c.Report("Interjection '" + sdh.interjections[k] + "' deleted");
  }
}

void CleanEmptyRows(SubtitleClean& c) {
  std::vector<std::string> rows = SplitRows(c.s().text);
  std::vector<std::string> kept;
  for (std::string& r : rows)
    if (!IsBlankRow(r)) kept.push_back(std::move(r));
  if (kept.size() == rows.size()) return;
  c.s().text = JoinRows(kept);
  c.Report("Empty row removed");
}

}  // namespace

CleanSteps CleanSteps::Load(const SettingsStore& store) { return StepsTable().Load(store); }

void CleanSteps::Save(SettingsStore& store) const { StepsTable().Save(store, *this); }

SdhOptions SdhOptions::Load(const SettingsStore& store) { return SdhTable().Load(store); }

void SdhOptions::Save(SettingsStore& store) const { SdhTable().Save(store, *this); }

std::string SdhOptions::CharsField() const { return chars.empty() ? kDefaultSdhChars : JoinWithSpaces(chars); }

std::string SdhOptions::InterjectionsField() const {
  return interjections.empty() ? kDefaultInterjections : JoinWithSpaces(interjections);
}

void SdhOptions::SetFields(std::string_view charsField, std::string_view interjectionsField) {
  chars = SplitAtSpaces(charsField);
  interjections = SplitAtSpaces(interjectionsField);
}

CleanSettings CleanSettings::Load(const SettingsStore& store) {
  CleanSettings c;
  c.steps = CleanSteps::Load(store);
  c.sdh = SdhOptions::Load(store);
  c.rules = PunctuationRules::Load(store);
  c.typographic = TypographicOptions::Load(store);
  return c;
}

CleanSettings CleanSettings::PunctuationCheck(const SettingsStore& store) {
  CleanSettings c;
  c.steps.autoFormat = true;
  c.steps.punctuation = true;
  c.rules = PunctuationRules::Load(store);
  c.typographic = TypographicOptions::Load(store);
  return c;
}

const char* CleanReportTitle(CleanKind kind) {
  return kind == CleanKind::FileClean ? "File Clean Report" : "Punctuation Check Report";
}
const char* CleanUndoName(CleanKind kind) {
  return kind == CleanKind::FileClean ? "Undo File Clean" : "Undo Punctuation Check";
}
std::string CleanReport::Title() const { return CleanReportTitle(kind); }
std::string CleanReport::UndoName() const { return CleanUndoName(kind); }

CleanReport CleanDocument(SubtitleDocument& doc, const CleanSettings& settings, CleanKind kind) {
  CleanReport report;
  report.kind = kind;
  const CleanSteps& steps = settings.steps;
  std::vector<std::u32string> foldedInterjections;
  for (const std::string& w : settings.sdh.interjections) foldedInterjections.push_back(FoldCase(w));
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& former = doc.At(i);
    SubtitleClean c(i, former, report.rows);
    RuleReport textReport = [&c](const std::string& d) { c.Report(d); };
    if (steps.colours) CleanColours(c);
    if (steps.italics) CleanItalics(c);
    CleanPosition(c, steps);
    if (steps.autoFormat) c.s().text = ApplyTypographic(c.s().text, settings.typographic, textReport);
    if (steps.sdh) CleanSdh(c, settings.sdh, foldedInterjections);
    if (steps.emptyRows) CleanEmptyRows(c);
    if (steps.punctuation) {
      // The previous subtitle is already cleaned; the next one is still as it was.
      RuleContext ctx;
      if (i > 0) ctx.previous = doc.At(i - 1).text;
      ctx.hasNext = i + 1 < doc.Count();
      if (ctx.hasNext) ctx.next = doc.At(i + 1).text;
      c.s().text = ApplyPunctuationRules(c.s().text, settings.rules, ctx, textReport);
    }
    if (c.Finish(former)) {
      doc.Replace(i, std::move(c.s()));
      ++report.changedSubtitles;
    }
  }
  return report;
}

CleanReport PunctuationCheck(SubtitleDocument& doc, const SettingsStore& store) {
  return CleanDocument(doc, CleanSettings::PunctuationCheck(store), CleanKind::PunctuationCheck);
}

bool RestoreCleanRow(SubtitleDocument& doc, const CleanReportRow& row) {
  if (row.index >= doc.Count() || !row.former) return false;
  Subtitle s = doc.At(row.index);
  const Subtitle& f = *row.former;
  switch (row.field) {
    case CleanField::Text: s.text = f.text; break;
    case CleanField::Italic: s.italic = f.italic; break;
    case CleanField::RowColours: s.rowColours = f.rowColours; break;
    case CleanField::Comment: s.comment = f.comment; break;
    case CleanField::Row:
      s.row = f.row;
      s.shiftY = f.shiftY;
      break;
    case CleanField::RowAlignments: s.rowAlignments = f.rowAlignments; break;
    case CleanField::Alignment:
      s.alignment = f.alignment;
      s.shiftX = f.shiftX;
      break;
  }
  if (s != doc.At(row.index)) doc.Replace(row.index, std::move(s));
  return true;
}

bool ShouldAutoClean(const SettingsStore& store, Prompter& prompter) {
  if (!store.Get(kAlwaysApply)) return false;
  if (!store.Get(kAlwaysApplyConfirm)) return true;
  return prompter.AskYesNo("Confirm File Clean",
                           "File cleaning is currently set to automatic.\nDo you want to clean this file?");
}

std::optional<CleanReport> AutoCleanAfterOpen(SubtitleDocument& doc, const SettingsStore& store, Prompter& prompter) {
  if (!ShouldAutoClean(store, prompter)) return std::nullopt;
  return CleanDocument(doc, CleanSettings::Load(store));
}

}  // namespace kipo
