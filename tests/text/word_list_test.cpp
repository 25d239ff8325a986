#include "text/word_list.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

Bytes AsBytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

TEST(WordList, FileLayout) {
  {
    SCOPED_TRACE("read: empty lines stay, extra fields ignored, BOM and bare LF accepted");
    WordList l = ParseWordList(AsBytes("\xEF\xBB\xBFteh\tthe\r\n\r\nrecieve\treceive\tjunk\nalone\r\n"));
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(l[0], (WordPair{"teh", "the"}));
    EXPECT_EQ(l[1], (WordPair{"", ""}));
    EXPECT_EQ(l[2], (WordPair{"recieve", "receive"}));
    EXPECT_EQ(l[3], (WordPair{"alone", ""}));
    EXPECT_EQ(SerialiseWordList(l), "teh\tthe\r\nrecieve\treceive\r\nalone\t\r\n");
  }
  {
    SCOPED_TRACE("UTF-8 round trip; bytes that are not UTF-8 fall back to the ANSI code page");
    WordList l{{"na\u00EFve", "naive"}, {"\u2026", "..."}};
    std::string bytes = SerialiseWordList(l);
    EXPECT_EQ(ParseWordList(AsBytes(bytes)), l);
    EXPECT_EQ(ParseWordList(AsBytes("caf\xE9\tcafe\r\n"))[0].find, "caf\u00E9");
  }
}

TEST(WordList, LegacyFileIsConvertedOnce) {
  test::TempHome home;
  auto legacy = DataFolder() / "arf.dat";
  auto current = DataFolder() / "autoreplace.dat";
  test::WriteFile(legacy, "d\xE9j\xE0\td\xE9j\xE0 vu\r\nteh\tthe\r\n");
  WordList l = LoadAutoReplace();
  ASSERT_EQ(l.size(), 2u);
  EXPECT_EQ(l[0].find, "d\u00E9j\u00E0");
  EXPECT_FALSE(std::filesystem::exists(legacy));
  EXPECT_EQ(test::ReadFile(current), "d\u00E9j\u00E0\td\u00E9j\u00E0 vu\r\nteh\tthe\r\n");
  // A later arf.dat is never read again while autoreplace.dat exists.
  test::WriteFile(legacy, "old\tstale\r\n");
  EXPECT_EQ(LoadAutoReplace(), l);
  EXPECT_TRUE(std::filesystem::exists(legacy));

  l.push_back({"", ""});
  l.push_back({"recieve", "receive"});
  SaveAutoReplace(l);
  EXPECT_EQ(test::ReadFile(current), "d\u00E9j\u00E0\td\u00E9j\u00E0 vu\r\nteh\tthe\r\nrecieve\treceive\r\n");
  EXPECT_TRUE(LoadProfanityList().empty());
}

TEST(WordList, AddingAnExistingFindTextAsks) {
  test::RecordingPrompter p;
  WordList l;
  EXPECT_EQ(AddWordPair(l, "teh", "the", p), AddResult::Added);
  EXPECT_EQ(AddWordPair(l, "Teh", "The", p), AddResult::Added);  // another find text: case counts
  EXPECT_EQ(AddWordPair(l, "teh", "tea", p), AddResult::Kept);
  ASSERT_EQ(p.shown.size(), 1u);
  EXPECT_EQ(p.Last().title, "AutoReplace");
  EXPECT_EQ(p.Last().text, "This AutoReplace item already exists. Would you like to replace the existing entry?");
  EXPECT_EQ(l[0].replacement, "the");
  p.answers.push_back(Answer::Yes);
  EXPECT_EQ(AddWordPair(l, "teh", "tea\tpot", p), AddResult::Replaced);
  EXPECT_EQ(l.size(), 2u);
  EXPECT_EQ(l[0].replacement, "tea pot");
}

TEST(WordList, ReplacementWhileTyping) {
  WordList l{{"teh", "the"}, {"dont", "don't"}, {"teh", "never reached"}};
  struct Case {
    std::string text;
    std::size_t caret;
    std::string typed;
    std::optional<std::string> result;
    std::size_t caretAfter = 0;
  };
  const std::vector<Case> cases{
      {"I saw teh ", 10, " ", "I saw the ", 10},
      {"I saw Teh ", 10, " ", std::nullopt},  // case-sensitive
      {"(teh) end", 5, ")", "(the) end", 5},
      {"<teh.", 5, ".", "<the.", 5},
      {"I dont\r\nknow", 8, "\r\n", "I don't\r\nknow", 9},
      {"tehx ", 5, " ", std::nullopt},
      {"x teh", 5, "h", std::nullopt},  // not a trigger position: typed does not match
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto r = ReplaceWordBeforeCaret(c.text, c.caret, c.typed, l);
    ASSERT_EQ(r.has_value(), c.result.has_value());
    if (r) {
      EXPECT_EQ(r->text, *c.result);
      EXPECT_EQ(r->caret, c.caretAfter);
      EXPECT_EQ(r->pairIndex, 0u + (c.typed == "\r\n"));
    }
  }
  EXPECT_TRUE(IsAutoReplaceTrigger("\""));
  EXPECT_TRUE(IsAutoReplaceTrigger("\r\n"));
  EXPECT_FALSE(IsAutoReplaceTrigger("a"));
  EXPECT_FALSE(IsAutoReplaceTrigger("-"));
}

TEST(WordList, WholeWordsIgnoringCase) {
  EXPECT_EQ(FindWholeWords("Ha! Harry said ha, HA.", "Ha"),
            (std::vector<TextRange>{{0, 2}, {15, 2}, {19, 2}}));
  EXPECT_TRUE(FindWholeWords("Umbrella", "Um").empty());
  EXPECT_EQ(FindWholeWords("\u00C9T\u00C9 \u00E9t\u00E9", "\u00E9t\u00E9"), (std::vector<TextRange>{{0, 5}, {6, 5}}));
  EXPECT_EQ(FindWholeWords("##Music#", "#"), (std::vector<TextRange>{{0, 1}, {1, 1}, {7, 1}}));
  EXPECT_TRUE(FindWholeWords("anything", "").empty());
}

}  // namespace
}  // namespace kipo
