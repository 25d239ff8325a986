#pragma once
// Lists of word pairs (find text, replacement): the auto-replace list "autoreplace.dat"
// and the profanity list "profanity.dat", both in the data folder and in one file layout:
// UTF-8, one pair per line, find text, TAB, replacement, lines ended by CR LF.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/binary_io.h"

namespace kipo {

class Prompter;

struct WordPair {
  std::string find;
  std::string replacement;
  bool operator==(const WordPair&) const = default;
};

// An ordered list; an empty line of the file stays as an empty pair until it is saved.
using WordList = std::vector<WordPair>;

inline constexpr const char* kAutoReplaceFile = "autoreplace.dat";
inline constexpr const char* kLegacyAutoReplaceFile = "arf.dat";
inline constexpr const char* kProfanityFile = "profanity.dat";

// Reads the file layout from any bytes: a byte-order mark is honoured, text that is not
// valid UTF-8 is read in `fallbackCodePage`, any line end is accepted, and only the first
// two TAB-separated fields of a line are used. Never fails.
WordList ParseWordList(std::span<const std::uint8_t> bytes, std::string_view fallbackCodePage = "windows-1252");
// The legacy "arf.dat" layout: the same lines, always in the system's ANSI code page.
WordList ParseLegacyWordList(std::span<const std::uint8_t> bytes, std::string_view ansiCodePage = "windows-1252");
// The file's bytes: pairs with both texts empty are left out.
std::string SerialiseWordList(const WordList& list);

// Whole files. A missing file is an empty list; an unreadable one throws UserError.
WordList LoadWordListFile(const std::filesystem::path& path, std::string_view fallbackCodePage = "windows-1252");
void SaveWordListFile(const std::filesystem::path& path, const WordList& list);

// "autoreplace.dat" of the data folder. When only the older "arf.dat" (text in the
// system's ANSI code page) is there, it is converted once: read in that code page, saved
// as "autoreplace.dat" in UTF-8, and deleted.
WordList LoadAutoReplace(std::string_view ansiCodePage = "windows-1252");
void SaveAutoReplace(const WordList& list);
// "profanity.dat" of the data folder.
WordList LoadProfanityList();
void SaveProfanityList(const WordList& list);

enum class AddResult { Added, Replaced, Kept };
// The dialogs' Add: appends the pair, or - when the find text is already listed - asks
// "AutoReplace" whether to replace the existing entry (Yes overwrites its replacement).
// TABs and line ends in either text become spaces, so the file keeps one pair a line.
AddResult AddWordPair(WordList& list, std::string_view find, std::string_view replacement, Prompter& prompter);

// The characters whose typing in the subtitle text box triggers replacement while typing.
bool IsAutoReplaceTrigger(std::string_view typed);

struct TypedReplacement {
  std::string text;
  std::size_t caret;  // byte offset, still just after the typed character
  std::size_t pairIndex;
};
// Replacement while typing: `caret` is the byte offset just after the typed character(s)
// `typed`. The word before them (letters, digits and apostrophes back to the previous
// space, opening mark or row start) is compared exactly, case included, with each find
// text in list order; the first match is replaced. Nothing when there is no match.
std::optional<TypedReplacement> ReplaceWordBeforeCaret(std::string_view text, std::size_t caret,
                                                       std::string_view typed, const WordList& list);

// Byte ranges [first, first + length) where `word` occurs in `text` as a whole word,
// ignoring letter case (Unicode simple case folding). A word's edge that is a letter or
// digit must not touch another letter or digit, so "Ha" is not found in "Harry".
struct TextRange {
  std::size_t first;
  std::size_t length;
  bool operator==(const TextRange&) const = default;
};
std::vector<TextRange> FindWholeWords(std::string_view text, std::string_view word);
// The text case-folded code point by code point, for a quick test before FindWholeWords.
std::u32string FoldCase(std::string_view text);

}  // namespace kipo
