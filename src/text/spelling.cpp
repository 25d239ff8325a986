#include "text/spelling.h"

#include <hunspell.hxx>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/uloc.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "core/rich_text.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/text_util.h"

namespace fs = std::filesystem;

namespace kipo {
namespace {

// The typographic apostrophe is checked as the plain one the dictionaries list.
constexpr std::string_view kRightQuote = "\xE2\x80\x99";

std::string PlainApostrophes(std::string_view word) {
  std::string out;
  out.reserve(word.size());
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word.substr(i, 3) == kRightQuote) {
      out += '\'';
      i += 2;
    } else {
      out += word[i];
    }
  }
  return out;
}

bool HasLetter(std::string_view utf8) {
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
  for (int32_t i = 0; i < u.length();) {
    UChar32 c = u.char32At(i);
    if (u_isalpha(c)) return true;
    i += U16_LENGTH(c);
  }
  return false;
}

void AddWords(std::string_view piece, std::size_t base, icu::BreakIterator& it, std::vector<WordSpan>& out) {
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(piece.data(), static_cast<int32_t>(piece.size())));
  // UTF-16 index to byte offset within the piece.
  std::vector<std::size_t> bytes;
  bytes.reserve(static_cast<std::size_t>(u.length()) + 1);
  std::size_t b = 0;
  for (int32_t i = 0; i < u.length(); ++i) {
    bytes.push_back(b);
    const char16_t c = u.charAt(i);
    if (U16_IS_LEAD(c) && i + 1 < u.length()) {
      bytes.push_back(b);
      ++i;
      b += 4;
    } else {
      b += c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    }
  }
  bytes.push_back(b);
  it.setText(u);
  int32_t start = it.first();
  for (int32_t end = it.next(); end != icu::BreakIterator::DONE; start = end, end = it.next()) {
    const int32_t status = it.getRuleStatus();
    // Words with a letter (ICU counts "R2D2" a number); spaces and punctuation are not words.
    if (status < UBRK_WORD_NUMBER || status >= UBRK_WORD_IDEO_LIMIT) continue;
    const std::size_t s = bytes[static_cast<std::size_t>(start)], e = bytes[static_cast<std::size_t>(end)];
    if (!HasLetter(piece.substr(s, e - s))) continue;
    out.push_back({base + s, e - s});
  }
}

std::vector<std::string> Split(const char* list, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (const char* p = list; *p; ++p) {
    if (*p == sep) {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur += *p;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

}  // namespace

std::vector<WordSpan> WordsOf(std::string_view text, const BoldMarkers& bold) {
  std::vector<WordSpan> out;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createWordInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status) || !it) return out;
  ScanMarkup(text, bold, [&](Mark m, std::string_view piece) {
    if (m != Mark::None) return;
    // Stand-ins are not letters; cutting the piece at them keeps words apart as shown.
    const std::size_t base = static_cast<std::size_t>(piece.data() - text.data());
    std::size_t from = 0;
    for (std::size_t i = 0; i < piece.size();) {
      if (StandInAt(piece.substr(i)) != '\0') {
        AddWords(piece.substr(from, i - from), base + from, *it, out);
        i += 3;
        from = i;
      } else {
        ++i;
      }
    }
    AddWords(piece.substr(from), base + from, *it, out);
  });
  return out;
}

std::string LocaleForLanguageId(std::int32_t id) {
  char name[ULOC_FULLNAME_CAPACITY] = {};
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = uloc_getLocaleForLCID(static_cast<uint32_t>(id), name, sizeof name, &status);
  if (U_FAILURE(status) || n <= 0) return {};
  return std::string(name, static_cast<std::size_t>(n));
}

std::vector<fs::path> DictionaryFolders() {
  std::vector<fs::path> out;
  if (const char* home = std::getenv("XDG_DATA_HOME"); home && *home) out.push_back(fs::path(home) / "hunspell");
  else if (const char* h = std::getenv("HOME"); h && *h) out.push_back(fs::path(h) / ".local/share/hunspell");
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  for (const std::string& d : Split(dirs && *dirs ? dirs : "/usr/local/share:/usr/share", ':')) out.push_back(fs::path(d) / "hunspell");
  out.push_back("/usr/share/myspell/dicts");
  return out;
}

std::vector<std::string> InstalledDictionaries(const std::vector<fs::path>& folders) {
  std::set<std::string> names;
  for (const fs::path& folder : folders) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
      const fs::path& p = it->path();
      if (p.extension() != ".dic") continue;
      fs::path aff = p;
      aff.replace_extension(".aff");
      if (fs::is_regular_file(aff, ec)) names.insert(p.stem().string());
    }
  }
  return {names.begin(), names.end()};
}

std::optional<std::string> ChooseDictionary(std::string_view locale, const std::vector<std::string>& installed) {
  std::string want(locale);
  std::replace(want.begin(), want.end(), '-', '_');
  if (const auto at = want.find_first_of(".@"); at != std::string::npos) want.erase(at);
  if (want.empty()) return std::nullopt;
  for (const std::string& d : installed)
    if (EqualsIgnoreCase(d, want)) return d;
  const std::string language = ToLowerAscii(want.substr(0, want.find('_')));
  for (const std::string& d : installed)
    if (ToLowerAscii(d.substr(0, d.find('_'))) == language) return d;
  return std::nullopt;
}

fs::path PersonalWordsFile() { return DataFolder() / "personal_words.txt"; }

// --- SpellChecker ---------------------------------------------------------------------

struct SpellChecker::Dict {
  Hunspell hunspell;
  Dict(const fs::path& aff, const fs::path& dic) : hunspell(aff.c_str(), dic.c_str()) {}
};

SpellChecker::SpellChecker() = default;
SpellChecker::~SpellChecker() = default;

bool SpellChecker::Load(std::string_view locale, const std::vector<fs::path>& folders) {
  dict_.reset();
  name_.clear();
  cache_.clear();
  std::optional<std::string> name = ChooseDictionary(locale, InstalledDictionaries(folders));
  if (!name) return false;
  for (const fs::path& folder : folders) {
    std::error_code ec;
    const fs::path dic = folder / (*name + ".dic"), aff = folder / (*name + ".aff");
    if (!fs::is_regular_file(dic, ec) || !fs::is_regular_file(aff, ec)) continue;
    dict_ = std::make_unique<Dict>(aff, dic);
    name_ = *name;
    encoding_ = dict_->hunspell.get_dict_encoding();
    // Words of the personal list are known to the dictionary too, for its suggestions.
    for (const std::string& w : personal_) dict_->hunspell.add(ToDictionary(w));
    return true;
  }
  return false;
}

std::string SpellChecker::ToDictionary(std::string_view utf8) const {
  if (encoding_.empty() || EqualsIgnoreCase(encoding_, "UTF-8")) return std::string(utf8);
  return Utf8ToCodePage(utf8, encoding_);
}

std::string SpellChecker::FromDictionary(const std::string& bytes) const {
  if (encoding_.empty() || EqualsIgnoreCase(encoding_, "UTF-8")) return bytes;
  return CodePageToUtf8(std::string_view(bytes), encoding_);
}

bool SpellChecker::CheckWord(const std::string& word) const {
  if (personal_.contains(word) || ignored_.contains(word)) return true;
  if (!dict_) return true;
  const std::string coded = ToDictionary(word);
  // A character the dictionary's code page cannot hold makes a word it cannot know.
  if (coded.find('?') != std::string::npos && word.find('?') == std::string::npos) return false;
  return dict_->hunspell.spell(coded);
}

bool SpellChecker::IsCorrect(std::string_view word) const {
  if (!HasLetter(word)) return true;
  std::string w = PlainApostrophes(word);
  // A word quoted with apostrophes ('tis, sayin') is tried as written, then without them.
  if (auto it = cache_.find(w); it != cache_.end()) return it->second;
  bool ok = CheckWord(w);
  if (!ok && w.size() > 1 && (w.front() == '\'' || w.back() == '\'')) {
    std::string bare = w;
    while (!bare.empty() && bare.front() == '\'') bare.erase(0, 1);
    while (!bare.empty() && bare.back() == '\'') bare.pop_back();
    ok = !bare.empty() && CheckWord(bare);
  }
  if (cache_.size() > 50000) cache_.clear();
  cache_.emplace(std::move(w), ok);
  return ok;
}

std::vector<std::string> SpellChecker::Suggest(std::string_view word, std::size_t max) const {
  std::vector<std::string> out;
  if (!dict_ || !HasLetter(word)) return out;
  for (const std::string& s : dict_->hunspell.suggest(ToDictionary(PlainApostrophes(word)))) {
    std::string u = FromDictionary(s);
    if (std::find(out.begin(), out.end(), u) == out.end()) out.push_back(std::move(u));
    if (out.size() >= max) break;
  }
  return out;
}

void SpellChecker::UsePersonalList(fs::path file) {
  personalFile_ = std::move(file);
  personal_.clear();
  cache_.clear();
  std::ifstream in(personalFile_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    line = Trim(line);
    // A damaged or foreign file: lines that are not one UTF-8 word are left out.
    if (line.empty() || line.size() > 100 || !IsValidUtf8(line) || line.find(' ') != std::string::npos) continue;
    personal_.insert(line);
    if (dict_) dict_->hunspell.add(ToDictionary(line));
  }
}

bool SpellChecker::AddToPersonal(std::string_view word) {
  std::string w = PlainApostrophes(Trim(std::string(word)));
  if (w.empty() || !IsValidUtf8(w)) return false;
  personal_.insert(w);
  cache_.erase(w);
  if (dict_) dict_->hunspell.add(ToDictionary(w));
  if (personalFile_.empty()) return false;
  std::string text;
  for (const std::string& p : personal_) text += p + "\n";
  if (!EnsureFolder(personalFile_.parent_path())) return false;
  try {
    WriteFileAtomic(personalFile_, text);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void SpellChecker::Ignore(std::string_view word) {
  std::string w = PlainApostrophes(word);
  cache_.erase(w);
  ignored_.insert(std::move(w));
}

std::vector<WordSpan> SpellChecker::Misspelled(std::string_view text, const BoldMarkers& bold) const {
  std::vector<WordSpan> out;
  if (!dict_ && personal_.empty()) return out;
  for (const WordSpan& w : WordsOf(text, bold))
    if (!IsCorrect(text.substr(w.start, w.length))) out.push_back(w);
  return out;
}

std::optional<WordSpan> SpellChecker::WordAt(std::string_view text, std::size_t position, const BoldMarkers& bold) const {
  for (const WordSpan& w : WordsOf(text, bold))
    if (position >= w.start && position <= w.start + w.length) return w;
  return std::nullopt;
}

}  // namespace kipo
