#include "app/find_controller.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <algorithm>

#include "core/rich_text.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/option_table.h"
#include "settings/setting_key.h"

namespace kipo {
namespace {

constexpr TextSetting kFindWhat{"Find", "Find what", ""};
constexpr TextSetting kReplaceWith{"Find", "Replace with", ""};
constexpr FlagSetting kMatchCase{"Find", "Match case", false, FlagForm::OneZero};
constexpr FlagSetting kWholeWords{"Find", "Whole words", false, FlagForm::OneZero};
constexpr FlagSetting kRegularExpression{"Find", "Regular expression", false, FlagForm::OneZero};
constexpr FlagSetting kSearchTexts{"Find", "Search texts", true, FlagForm::OneZero};
constexpr FlagSetting kSearchComments{"Find", "Search comments", false, FlagForm::OneZero};

const OptionTable<FindOptions>& FindOptionTable() {
  static const auto t = OptionTable<FindOptions>()
                            .Bind(&FindOptions::pattern, kFindWhat)
                            .Bind(&FindOptions::matchCase, kMatchCase)
                            .Bind(&FindOptions::wholeWords, kWholeWords)
                            .Bind(&FindOptions::regex, kRegularExpression)
                            .Bind(&FindOptions::inText, kSearchTexts)
                            .Bind(&FindOptions::inComments, kSearchComments);
  return t;
}

// A search of one text stops after this many steps of the match engine (roughly
// milliseconds): a pattern such as "(a+)+$" over a long row would otherwise never end.
constexpr int32_t kTimeLimit = 2000;

// The text as UTF-16 with each UTF-16 unit's byte offset in the UTF-8 text (one entry
// more than units, for the end). Stand-ins are searched as the characters they hold: both
// are one UTF-16 unit, so offsets stay one to one.
struct Haystack {
  icu::UnicodeString text;
  std::vector<std::size_t> bytes;
};

Haystack MakeHaystack(std::string_view utf8) {
  Haystack h;
  h.bytes.reserve(utf8.size() + 1);
  const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
  const auto n = static_cast<int32_t>(utf8.size());
  for (int32_t i = 0; i < n;) {
    const int32_t at = i;
    UChar32 c;
    U8_NEXT(s, i, n, c);
    if (c < 0) c = 0xFFFD;  // a broken sequence is one replacement character
    if (char held = StandInAt(utf8.substr(static_cast<std::size_t>(at))); held != '\0') c = held;
    h.text.append(c);
    h.bytes.push_back(static_cast<std::size_t>(at));
    if (c > 0xFFFF) h.bytes.push_back(static_cast<std::size_t>(at));  // the trail unit shares the offset
  }
  h.bytes.push_back(utf8.size());
  return h;
}

std::string ToUtf8(const icu::UnicodeString& s) {
  std::string out;
  s.toUTF8String(out);
  return out;
}

// "\Q...\E" around a plain pattern; a "\E" inside it is closed and written out.
std::string Quote(std::string_view plain) {
  std::string out = "\\Q";
  for (std::size_t i = 0; i < plain.size(); ++i) {
    if (plain.substr(i, 2) == "\\E") {
      out += "\\E\\\\E\\Q";
      ++i;
      continue;
    }
    out += plain[i];
  }
  return out + "\\E";
}

// A replacement for a plain search: every character as it stands.
icu::UnicodeString LiteralReplacement(std::string_view replacement) {
  std::string out;
  for (char c : replacement) {
    if (c == '\\' || c == '$') out += '\\';
    out += c;
  }
  return icu::UnicodeString::fromUTF8(out);
}

[[noreturn]] void Refuse(std::string text) { throw UserError(kFindTitle, std::move(text)); }

void Check(UErrorCode status, std::string_view pattern) {
  if (status == U_REGEX_TIME_OUT || status == U_REGEX_STACK_OVERFLOW)
    Refuse("The search for \"" + std::string(pattern) + "\" takes too long. Try a simpler regular expression.");
  if (U_FAILURE(status)) Refuse("\"" + std::string(pattern) + "\" is not a valid regular expression.");
}

}  // namespace

struct TextSearch::Impl {
  std::string pattern;  // as the user typed it, for messages
  bool regex = false;
  std::unique_ptr<icu::RegexPattern> compiled;

  std::unique_ptr<icu::RegexMatcher> Matcher(const icu::UnicodeString& text) const {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> m(compiled->matcher(text, status));
    Check(status, pattern);
    m->setTimeLimit(kTimeLimit, status);
    return m;
  }
  icu::UnicodeString Replacement(std::string_view r) const {
    return regex ? icu::UnicodeString::fromUTF8(icu::StringPiece(r.data(), static_cast<int32_t>(r.size())))
                 : LiteralReplacement(r);
  }
};

TextSearch::TextSearch(const FindOptions& o) : impl_(std::make_unique<Impl>()) {
  if (o.pattern.empty()) Refuse("Type the text to find.");
  impl_->pattern = o.pattern;
  impl_->regex = o.regex;
  std::string p = o.regex ? "(?:" + o.pattern + ")" : Quote(o.pattern);
  // Whole words: no letter, mark, digit or underscore directly before or after. The guards
  // are case-sensitive groups: the class is the same either way, and ICU would otherwise
  // close it over every case form on each compile (half the time of a short search).
  if (o.wholeWords)
    p = "(?-i:(?<![\\p{L}\\p{M}\\p{N}_]))" + p + "(?-i:(?![\\p{L}\\p{M}\\p{N}_]))";
  UErrorCode status = U_ZERO_ERROR;
  UParseError where{};
  uint32_t flags = o.matchCase ? 0 : UREGEX_CASE_INSENSITIVE;
  impl_->compiled.reset(icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(p), flags, where, status));
  Check(status, o.pattern);
}

TextSearch::~TextSearch() = default;
TextSearch::TextSearch(TextSearch&&) noexcept = default;
TextSearch& TextSearch::operator=(TextSearch&&) noexcept = default;

std::vector<ByteSpan> TextSearch::Matches(std::string_view text) const {
  std::vector<ByteSpan> out;
  if (text.empty()) return out;
  Haystack h = MakeHaystack(text);
  auto m = impl_->Matcher(h.text);
  UErrorCode status = U_ZERO_ERROR;
  while (m->find(status) && U_SUCCESS(status)) {
    const int32_t s = m->start(status), e = m->end(status);
    if (e > s) out.push_back({h.bytes[s], h.bytes[e] - h.bytes[s]});
  }
  Check(status, impl_->pattern);
  return out;
}

std::optional<std::string> TextSearch::ReplacementAt(std::string_view text, std::size_t start,
                                                     std::string_view replacement) const {
  Haystack h = MakeHaystack(text);
  auto unit = std::lower_bound(h.bytes.begin(), h.bytes.end(), start);
  if (unit == h.bytes.end() || *unit != start) return std::nullopt;
  auto m = impl_->Matcher(h.text);
  UErrorCode status = U_ZERO_ERROR;
  const auto from = static_cast<int32_t>(unit - h.bytes.begin());
  // Matching is retried from the start so that look-behinds see the text before.
  bool found = m->find(status);
  while (found && U_SUCCESS(status) && (m->start(status) < from || m->end(status) == m->start(status)))
    found = m->find(status);
  Check(status, impl_->pattern);
  if (!found || m->start(status) != from) return std::nullopt;
  // appendReplacement copies the text before the match too: only the part after it counts.
  icu::UnicodeString dest;
  m->appendReplacement(dest, impl_->Replacement(replacement), status);
  if (U_FAILURE(status)) Refuse("The replacement \"" + std::string(replacement) + "\" names a group the search does not have.");
  return ToUtf8(dest.tempSubString(from));
}

std::string TextSearch::ReplaceAll(std::string_view text, std::string_view replacement, int* count) const {
  int n = 0;
  std::string out;
  if (!text.empty()) {
    Haystack h = MakeHaystack(text);
    auto m = impl_->Matcher(h.text);
    const icu::UnicodeString r = impl_->Replacement(replacement);
    UErrorCode status = U_ZERO_ERROR;
    std::size_t copied = 0;  // bytes of the original taken so far
    int32_t appended = 0;    // where the matcher's next appendReplacement starts copying
    while (m->find(status) && U_SUCCESS(status)) {
      const int32_t s = m->start(status), e = m->end(status);
      if (e == s) continue;
      // The expanded replacement alone; the text between matches is copied from the
      // original bytes, so stand-ins and everything else stay as they were.
      icu::UnicodeString piece;
      m->appendReplacement(piece, r, status);
      if (U_FAILURE(status)) Refuse("The replacement \"" + std::string(replacement) + "\" names a group the search does not have.");
      out.append(text.substr(copied, h.bytes[s] - copied));
      out += ToUtf8(piece.tempSubString(s - appended));
      appended = e;
      copied = h.bytes[e];
      ++n;
    }
    Check(status, impl_->pattern);
    out.append(text.substr(copied));
  }
  if (count) *count = n;
  return n ? out : std::string(text);
}

// --- FindController ---------------------------------------------------------------

std::string FindController::FieldText(std::size_t subtitle, FindField field) const {
  const Subtitle& s = ws_.doc().At(subtitle);
  return field == FindField::Text ? s.text : s.comment;
}

void FindController::StartAt(FindField field, std::size_t byteOffset) {
  start_ = FindMatch{ws_.session().current(), field, byteOffset, 0};
}

std::optional<FindMatch> FindController::FindNext(const FindOptions& o, bool forward) {
  TextSearch search(o);  // a bad pattern is refused before anything moves
  DocumentSession& s = ws_.session();
  s.CommitEditArea();
  const std::size_t n = ws_.doc().Count();
  std::vector<FindField> fields;
  if (o.inText) fields.push_back(FindField::Text);
  if (o.inComments) fields.push_back(FindField::Comment);
  if (n == 0 || fields.empty()) {
    s.SetStatus("Cannot find \"" + o.pattern + "\"");
    return std::nullopt;
  }
  // Where to start: after the last match in the current subtitle, at a caret the window
  // set, or at the current subtitle's edge.
  const std::size_t cur = std::min(s.current(), n - 1);
  std::optional<FindMatch> from;
  if (start_ && start_->subtitle == cur) from = start_;
  else if (last_ && last_->subtitle == cur) from = last_;
  start_.reset();
  // Positions are ordered as (subtitle, field, byte); a match counts when it lies past
  // the start in the search direction.
  auto fieldIndex = [&](FindField f) { return static_cast<int>(std::find(fields.begin(), fields.end(), f) - fields.begin()); };
  auto after = [&](std::size_t sub, FindField f, const ByteSpan& m) {
    if (!from || sub != cur) return true;
    int fi = fieldIndex(f), si = fieldIndex(from->field);
    if (fi != si) return forward ? fi > si : fi < si;
    return forward ? m.start >= from->start + from->length : m.start + m.length <= from->start;
  };
  // Every subtitle once, from the current one round the document, and the current one
  // again at the end for the part before the start.
  for (std::size_t step = 0; step <= n; ++step) {
    const std::size_t sub = forward ? (cur + step) % n : (cur + n - step % n) % n;
    const bool wrapped = step == n;
    for (std::size_t k = 0; k < fields.size(); ++k) {
      const FindField f = fields[forward ? k : fields.size() - 1 - k];
      std::vector<ByteSpan> hits = search.Matches(FieldText(sub, f));
      if (!forward) std::reverse(hits.begin(), hits.end());
      for (const ByteSpan& m : hits) {
        if (!wrapped && !after(sub, f, m)) continue;
        if (wrapped && after(sub, f, m)) continue;
        FindMatch hit{sub, f, m.start, m.length};
        if (sub != s.current() && !ws_.timing().MoveTo(sub)) return std::nullopt;
        last_ = hit;
        s.SetStatus("");
        return hit;
      }
    }
  }
  last_.reset();
  s.SetStatus("Cannot find \"" + o.pattern + "\"");
  return std::nullopt;
}

std::optional<FindMatch> FindController::Replace(const FindOptions& o, std::string_view replacement) {
  TextSearch search(o);
  DocumentSession& s = ws_.session();
  s.CommitEditArea();
  if (last_ && last_->subtitle == s.current() && s.HasCurrent()) {
    const std::string text = FieldText(last_->subtitle, last_->field);
    if (auto with = search.ReplacementAt(text, last_->start, replacement)) {
      std::string changed = text;
      changed.replace(last_->start, last_->length, *with);
      s.Record("Replace");
      s.Record(kUndoNothing);
      if (last_->field == FindField::Text) ws_.doc().SetText(last_->subtitle, changed);
      else ws_.doc().SetComment(last_->subtitle, changed);
      s.EndCommand();
      // The next search starts after the replacement.
      last_->length = with->size();
    }
  }
  return FindNext(o, true);
}

int FindController::ReplaceAll(const FindOptions& o, std::string_view replacement) {
  TextSearch search(o);
  DocumentSession& s = ws_.session();
  s.CommitEditArea();
  SubtitleDocument& doc = ws_.doc();
  // Every new text is worked out before the document changes, so a refused pattern or
  // replacement leaves it as it was.
  struct Change {
    std::size_t index;
    FindField field;
    std::string text;
  };
  std::vector<Change> changes;
  int total = 0;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    for (FindField f : {FindField::Text, FindField::Comment}) {
      if ((f == FindField::Text && !o.inText) || (f == FindField::Comment && !o.inComments)) continue;
      int n = 0;
      std::string text = search.ReplaceAll(FieldText(i, f), replacement, &n);
      if (n == 0) continue;
      total += n;
      changes.push_back({i, f, std::move(text)});
    }
  }
  if (total == 0) {
    s.SetStatus("Cannot find \"" + o.pattern + "\"");
    s.Refresh();
    return 0;
  }
  s.Record("Replace All");
  s.Record(kUndoNothing);
  for (Change& c : changes) {
    if (c.field == FindField::Text) doc.SetText(c.index, std::move(c.text));
    else doc.SetComment(c.index, std::move(c.text));
  }
  last_.reset();
  s.EndCommand();
  s.SetStatus(std::to_string(total) + (total == 1 ? " replacement made" : " replacements made"));
  s.Refresh();
  return total;
}

// --- Go To --------------------------------------------------------------------------

bool FindController::GoToNumber(long number) {
  const auto n = static_cast<long>(ws_.doc().Count());
  if (number < 1 || number > n)
    throw UserError(kGoToTitle, n == 0 ? "The document has no subtitles."
                                       : "There is no subtitle " + std::to_string(number) + ": the document has " +
                                             std::to_string(n) + (n == 1 ? " subtitle." : " subtitles."));
  return ws_.timing().MoveTo(static_cast<std::size_t>(number - 1));
}

Timecode FindController::ParseTimecode(std::string_view text, const FrameRate& rate) {
  std::string t = Trim(std::string(text));
  auto refuse = [&]() -> Timecode {
    throw UserError(kGoToTitle, "\"" + t + "\" is not a timecode at " + rate.label() + ". Type HH:MM:SS:FF.");
  };
  std::string digits;
  int fields = 1;
  for (char c : t) {
    if (c >= '0' && c <= '9') digits += c;
    else if (c == ':' || c == ';' || c == '.') ++fields;
    else refuse();
  }
  // Four fields of two digits, or eight digits without separators.
  if (digits.size() != 8 || (fields != 1 && (fields != 4 || !IsLabelShape(t)))) refuse();
  const int mm = std::stoi(digits.substr(2, 2)), ss = std::stoi(digits.substr(4, 2)), ff = std::stoi(digits.substr(6, 2));
  if (mm > 59 || ss > 59 || ff >= static_cast<int>(rate.countingRate()) || IsSkippedLabel(digits, rate)) refuse();
  return LabelToFrames(digits, rate);
}

std::optional<std::size_t> FindController::SubtitleAt(const SubtitleDocument& doc, Timecode frames) {
  if (doc.Count() == 0) return std::nullopt;
  const FrameRate& rate = doc.frameRate();
  std::optional<std::size_t> firstAfter;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    const Subtitle& s = doc.At(i);
    if (!s.inCue.IsSet()) continue;
    const Timecode in = s.inCue.ToFrames(rate);
    if (in <= frames && s.outCue.IsSet() && frames < s.outCue.ToFrames(rate)) return i;
    if (in >= frames && (!firstAfter || in < doc.At(*firstAfter).inCue.ToFrames(rate))) firstAfter = i;
  }
  return firstAfter.value_or(doc.Count() - 1);
}

bool FindController::GoToTimecode(std::string_view text) {
  const Timecode frames = ParseTimecode(text, ws_.doc().frameRate());
  std::optional<std::size_t> at = SubtitleAt(ws_.doc(), frames);
  if (!at) throw UserError(kGoToTitle, "The document has no subtitles.");
  return ws_.timing().MoveTo(*at);
}

FindOptions FindController::RememberedOptions() const { return FindOptionTable().Load(ws_.settings()); }

std::string FindController::RememberedReplacement() const { return std::string(ws_.settings().Get(kReplaceWith)); }

void FindController::Remember(const FindOptions& options, std::string_view replacement) {
  FindOptionTable().Save(ws_.settings(), options);
  ws_.settings().Set(kReplaceWith, std::string(replacement));
}

}  // namespace kipo
