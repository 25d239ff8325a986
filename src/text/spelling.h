#pragma once
// Spell checking with Hunspell and the dictionaries installed on the system
// (/usr/share/hunspell and the XDG data folders), as the language tools of the desktop do:
// the words of a subtitle (markup left out, ICU's word boundaries), a word's suggestions,
// and a personal word list in the data folder that every dictionary accepts.
//
// The dictionary follows the document's language unless "Spelling"/"Dictionary" names
// one ("en_GB"); "Spelling"/"Check while typing" switches the underline in the editor.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/markup.h"
#include "settings/setting_key.h"

namespace kipo {

inline constexpr TextSetting kSpellingDictionary{"Spelling", "Dictionary", ""};
inline constexpr FlagSetting kCheckSpellingWhileTyping{"Spelling", "Check while typing", true, FlagForm::OneZero};

// A word in a text: its byte range.
struct WordSpan {
  std::size_t start = 0;
  std::size_t length = 0;
  bool operator==(const WordSpan&) const = default;
};

// "en_GB" for a Windows language identifier (2057); "" when ICU does not know it.
std::string LocaleForLanguageId(std::int32_t id);
// Where dictionaries are looked for: $XDG_DATA_HOME/hunspell, each of $XDG_DATA_DIRS
// (default /usr/local/share:/usr/share) + "/hunspell", and /usr/share/myspell/dicts.
std::vector<std::filesystem::path> DictionaryFolders();
// The dictionaries (an .aff beside a .dic) in the folders, by name ("en_US"), sorted.
std::vector<std::string> InstalledDictionaries(const std::vector<std::filesystem::path>& folders);
// The dictionary for a locale: the same name, else one of the same language ("en_US"
// for "en_AU", the first in order), else nullopt.
std::optional<std::string> ChooseDictionary(std::string_view locale, const std::vector<std::string>& installed);
// The personal word list: <data folder>/personal_words.txt.
std::filesystem::path PersonalWordsFile();

class SpellChecker {
 public:
  SpellChecker();
  ~SpellChecker();
  SpellChecker(const SpellChecker&) = delete;
  SpellChecker& operator=(const SpellChecker&) = delete;

  // Loads the dictionary chosen for a locale from the folders; false (and no dictionary:
  // every word is then accepted) when none is installed.
  bool Load(std::string_view locale, const std::vector<std::filesystem::path>& folders = DictionaryFolders());
  bool loaded() const { return static_cast<bool>(dict_); }
  // The dictionary's name ("en_GB"), or "" when none is loaded.
  const std::string& dictionary() const { return name_; }

  // True for a word the dictionary, the personal list or the ignored words know, and for
  // anything without a letter.
  bool IsCorrect(std::string_view word) const;
  // Up to `max` suggestions, best first.
  std::vector<std::string> Suggest(std::string_view word, std::size_t max = 8) const;

  // The personal list: read from `file` (one word a line, UTF-8; a missing file is an
  // empty list) and written back whole on every addition.
  void UsePersonalList(std::filesystem::path file);
  // Adds a word to the personal list and saves it; false when it cannot be saved (the
  // word is still accepted for this session).
  bool AddToPersonal(std::string_view word);
  const std::set<std::string>& personalWords() const { return personal_; }
  // Accepts a word until the program ends.
  void Ignore(std::string_view word);

  // The words of a subtitle text (markup left out) that are not correct, in order.
  std::vector<WordSpan> Misspelled(std::string_view text, const BoldMarkers& bold = {}) const;
  // The word covering a byte position (or ending at it), or nullopt.
  std::optional<WordSpan> WordAt(std::string_view text, std::size_t position, const BoldMarkers& bold = {}) const;

 private:
  std::string ToDictionary(std::string_view utf8) const;
  std::string FromDictionary(const std::string& bytes) const;
  bool CheckWord(const std::string& word) const;

  struct Dict;
  std::unique_ptr<Dict> dict_;
  std::string name_;
  std::string encoding_;  // the dictionary's "SET": "UTF-8", "ISO8859-1", ...
  std::filesystem::path personalFile_;
  std::set<std::string> personal_;
  std::set<std::string> ignored_;
  mutable std::unordered_map<std::string, bool> cache_;
};

// Every word of a text as the spell checker sees it: letters (and apostrophes inside a
// word) between ICU word boundaries, markup and stand-ins left out.
std::vector<WordSpan> WordsOf(std::string_view text, const BoldMarkers& bold = {});

}  // namespace kipo
