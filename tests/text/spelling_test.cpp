#include <gtest/gtest.h>

#include <fstream>

#include "core/rich_text.h"
#include "support/temp_home.h"
#include "text/spelling.h"

namespace kipo {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Words(std::string_view text, const std::vector<WordSpan>& spans) {
  std::vector<std::string> out;
  for (const WordSpan& w : spans) out.emplace_back(text.substr(w.start, w.length));
  return out;
}

// The words a subtitle holds as the checker cuts them: markup, stand-ins, numbers and
// punctuation are never part of a word.
TEST(Spelling, WordsOfSubtitleText) {
  BoldMarkers bold;
  bold.enabled = true;
  struct Case {
    const char* name;
    std::string text;
    std::vector<std::string> words;
  };
  const std::vector<Case> cases = {
      {"rows and markup", "<Hello>\r\n\x01wor[ld]", {"Hello", "wor", "ld"}},
      {"apostrophes", "don't can\xE2\x80\x99t 'tis", {"don't", "can\xE2\x80\x99t", "tis"}},
      {"numbers and punctuation", "- 42 3.5, ...at 10:00!", {"at"}},
      {"bold markers", "\xC2\xAB" "big\xC2\xBB" " deal", {"big", "deal"}},
      {"stand-in between words", "a" + LiteralStandIn('<') + "b", {"a", "b"}},
      {"beyond ASCII", "\xC3\xA9t\xC3\xA9 \xD0\xBC\xD0\xB8\xD1\x80", {"\xC3\xA9t\xC3\xA9", "\xD0\xBC\xD0\xB8\xD1\x80"}},
      {"letters with digits", "R2D2 3rd", {"R2D2", "3rd"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Words(c.text, WordsOf(c.text, bold)), c.words);
  }
}

TEST(Spelling, DictionaryChoiceByLocale) {
  const std::vector<std::string> installed = {"de_DE", "en_GB", "en_US"};
  struct Case {
    const char* locale;
    std::optional<std::string> chosen;
  };
  for (const Case& c : std::vector<Case>{{"en_GB", "en_GB"}, {"en-us", "en_US"}, {"en_AU", "en_GB"},
                                          {"de_AT.UTF-8", "de_DE"}, {"fr_FR", std::nullopt}, {"", std::nullopt}}) {
    SCOPED_TRACE(c.locale);
    EXPECT_EQ(ChooseDictionary(c.locale, installed), c.chosen);
  }
  EXPECT_EQ(LocaleForLanguageId(2057), "en_GB");
  EXPECT_EQ(LocaleForLanguageId(1033), "en_US");
  EXPECT_EQ(LocaleForLanguageId(1031), "de_DE");
}

// A small dictionary of our own in a private folder, in the dictionary's own code page,
// so the test does not depend on what the system has installed.
struct Latin1Dictionary {
  test::TempHome home;
  fs::path folder = home.path() / "dicts";
  Latin1Dictionary() {
    fs::create_directories(folder);
    std::ofstream(folder / "xx_XX.aff", std::ios::binary) << "SET ISO8859-1\nTRY esianrtolcdugmphbyfvkwz'\n";
    // "café" and "naïve" in Latin-1.
    std::ofstream(folder / "xx_XX.dic", std::ios::binary) << "4\nhello\ncaf\xE9\nna\xEFve\nworld\n";
  }
};

TEST(Spelling, DictionaryInItsOwnCodePage) {
  Latin1Dictionary d;
  EXPECT_EQ(InstalledDictionaries({d.folder, d.home.path() / "missing"}), std::vector<std::string>{"xx_XX"});
  SpellChecker checker;
  ASSERT_TRUE(checker.Load("xx_XX", {d.folder}));
  EXPECT_EQ(checker.dictionary(), "xx_XX");
  const std::string text = "<Hello> caf\xC3\xA9 wrld\r\nna\xC3\xAFve \xE2\x82\xAC\xE2\x82\xAC zz";
  EXPECT_EQ(Words(text, checker.Misspelled(text)), (std::vector<std::string>{"wrld", "zz"}));
  std::vector<std::string> s = checker.Suggest("wrld");
  EXPECT_NE(std::find(s.begin(), s.end(), "world"), s.end());
  s = checker.Suggest("cafe");
  EXPECT_NE(std::find(s.begin(), s.end(), "caf\xC3\xA9"), s.end());  // back in UTF-8

  // Without a dictionary for the language nothing is marked.
  SpellChecker none;
  EXPECT_FALSE(none.Load("fr_FR", {d.folder}));
  EXPECT_TRUE(none.Misspelled("qwzx").empty());
}

TEST(Spelling, PersonalListIsKeptAndDamagedLinesSkipped) {
  Latin1Dictionary d;
  const fs::path file = d.home.path() / "data" / "personal_words.txt";
  fs::create_directories(file.parent_path());
  // A list edited elsewhere: CR LF, a byte-order mark, blank lines, a line that is not UTF-8.
  std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBFKipoland\r\n\r\nbad\xFF\r\n  zorb  \r\n";
  SpellChecker checker;
  checker.UsePersonalList(file);
  ASSERT_TRUE(checker.Load("xx_XX", {d.folder}));
  EXPECT_TRUE(checker.IsCorrect("Kipoland"));
  EXPECT_TRUE(checker.IsCorrect("zorb"));
  EXPECT_EQ(checker.personalWords().size(), 2u);
  EXPECT_FALSE(checker.IsCorrect("glorp"));
  EXPECT_TRUE(checker.AddToPersonal("glorp"));
  EXPECT_TRUE(checker.IsCorrect("glorp"));
  checker.Ignore("blip");
  EXPECT_TRUE(checker.IsCorrect("blip"));

  SpellChecker again;
  again.UsePersonalList(file);
  again.Load("xx_XX", {d.folder});
  EXPECT_TRUE(again.IsCorrect("glorp"));
  EXPECT_FALSE(again.IsCorrect("blip"));  // ignoring lasts one session
}

TEST(Spelling, SystemEnglishDictionaries) {
  const std::vector<std::string> installed = InstalledDictionaries(DictionaryFolders());
  if (!ChooseDictionary("en_GB", installed) || !ChooseDictionary("en_US", installed))
    GTEST_SKIP() << "hunspell-en-gb and hunspell-en-us are not installed";
  SpellChecker gb, us;
  ASSERT_TRUE(gb.Load(LocaleForLanguageId(2057)));
  ASSERT_TRUE(us.Load(LocaleForLanguageId(1033)));
  EXPECT_TRUE(gb.IsCorrect("colour"));
  EXPECT_FALSE(us.IsCorrect("colour"));
  EXPECT_TRUE(us.IsCorrect("color"));
  EXPECT_TRUE(us.IsCorrect("don\xE2\x80\x99t"));
  const std::string text = "<I recieve the\r\nmesage tomorow>";
  EXPECT_EQ(Words(text, us.Misspelled(text)), (std::vector<std::string>{"recieve", "mesage", "tomorow"}));
  std::vector<std::string> s = us.Suggest("recieve");
  ASSERT_FALSE(s.empty());
  EXPECT_EQ(s.front(), "receive");
  auto at = us.WordAt(text, 4);
  ASSERT_TRUE(at);
  EXPECT_EQ(text.substr(at->start, at->length), "recieve");
}

}  // namespace
}  // namespace kipo
