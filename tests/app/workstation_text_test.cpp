#include <gtest/gtest.h>

#include "app/workstation.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

struct Fixture {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};

  explicit Fixture(std::vector<std::string> texts) {
    SubtitleDocument d;
    for (auto& t : texts) {
      Subtitle s;
      s.text = t;
      d.Append(s);
    }
    d.SetFile("/films/reel.kpox");
    d.modified = false;
    ws.session().ReplaceDocument(std::move(d));
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& s : ws.doc().Subtitles()) out.push_back(s.text);
    return out;
  }
};

TEST(WorkstationText, TidyAndReplacementWhileTyping) {
  Fixture f({"first"});
  f.settings.Set("Punctuation", "Delete spaces", "True");
  f.settings.Set("Punctuation", "Insert space after dash", "True");
  f.ws.session().edit().text = "-Hello  there\r\n";
  f.ws.text().TidyCurrentSubtitle();
  EXPECT_EQ(f.ws.session().edit().text, "- Hello there");
  EXPECT_EQ(f.ws.doc().At(0).text, "first");  // the text box only, until committed

  f.ws.text().SetAutoReplaceList({{"teh", "the"}});
  f.ws.session().edit().text = "teh ";
  std::size_t caret = 4;
  EXPECT_FALSE(f.ws.text().AutoReplaceTyped(" ", caret));  // switched off
  f.ws.text().SetReplaceAsYouType(true);
  EXPECT_TRUE(f.ws.text().AutoReplaceTyped(" ", caret));
  EXPECT_EQ(f.ws.session().edit().text, "the ");
  EXPECT_EQ(caret, 4u);
  f.ws.session().edit().text = "Teh ";
  EXPECT_FALSE(f.ws.text().AutoReplaceTyped(" ", caret));
  f.ws.session().edit().text = "tehx";
  caret = 4;
  EXPECT_FALSE(f.ws.text().AutoReplaceTyped("x", caret));
}

TEST(WorkstationText, ReplaceNowReportsFormattingComplete) {
  Fixture f({"It\u2019s \u201Cfine\u201D", "plain"});
  f.settings.Set("AutoReplace", "Quotes", "1");
  f.ws.text().ReplaceNow();
  EXPECT_EQ(f.Texts(), (std::vector<std::string>{"It's \"fine\"", "plain"}));
  EXPECT_EQ(f.prompter.Texts(), std::vector<std::string>{"Formatting complete."});
}

TEST(WorkstationText, CleanKeepsReportAndRestoresOneRow) {
  Fixture f({"Um, hello  there", "# Music #", "Nothing"});
  f.settings.Set("File clean", "Remove SDH", "1");
  f.settings.Set("File clean", "Punctuation", "1");
  f.settings.Set("File clean", "SDH char count", "1");
  f.settings.Set("File clean", "SDH chars 1", "#");
  f.settings.Set("File clean", "SDH interjections count", "1");
  f.settings.Set("File clean", "SDH interjections 1", "Um");
  f.settings.Set("Punctuation", "Delete spaces", "True");
  const std::vector<std::string> before = f.Texts();
  f.ws.session().GoTo(2);
  f.ws.session().edit().text = "Nothing at all";  // uncommitted typing is part of the clean
  const CleanReport& r = f.ws.text().CleanFile();
  EXPECT_EQ(f.Texts(), (std::vector<std::string>{", hello there", "Music", "Nothing at all"}));
  EXPECT_EQ(f.prompter.statuses.front(), "Cleaning reel.kpox");
  ASSERT_EQ(r.rows.size(), 4u);
  EXPECT_EQ(r.rows[2].number, "0002");
  EXPECT_EQ(r.rows[2].description, "Character '#' deleted");
  EXPECT_EQ(r.rows[2].formerText(), "# Music #");

  ASSERT_TRUE(f.ws.text().RestoreCleanRow(2));
  EXPECT_EQ(f.ws.session().current(), 1u);
  EXPECT_EQ(f.ws.session().edit().text, "# Music #");
  EXPECT_EQ(f.Texts()[1], before[1]);
  EXPECT_EQ(f.Texts()[0], ", hello there");
  EXPECT_FALSE(f.ws.text().RestoreCleanRow(99));

  const CleanReport& p = f.ws.text().PunctuationCheck();
  EXPECT_EQ(p.kind, CleanKind::PunctuationCheck);
  EXPECT_EQ(f.Texts()[1], "# Music #");  // the check has no hearing-impaired step
}

TEST(WorkstationText, AutoCleanAfterOpenWithoutQuestion) {
  Fixture f({"<Partly> italic"});
  f.settings.Set("File clean", "Remove italics", "1");
  f.settings.Set("File clean", "Always apply", "1");
  EXPECT_TRUE(f.ws.text().AutoCleanAfterOpen());
  EXPECT_TRUE(f.prompter.shown.empty());
  EXPECT_EQ(f.ws.doc().At(0).text, "Partly italic");
  EXPECT_EQ(f.ws.session().edit().text, "Partly italic");
}

TEST(WorkstationText, ProfanityFindAsksForEachOccurrence) {
  Fixture f({"Start here", "Damn it, damn.", "Darn", "Oh damn"});
  f.ws.session().GoTo(1);
  WordList list{{"damn", "darn"}, {"missing", "x"}};
  f.prompter.answers = {Answer::Yes, Answer::No, Answer::Yes};
  EXPECT_EQ(f.ws.text().FindProfanity(list), ProfanityResult::EndOfFile);
  EXPECT_EQ(f.Texts(), (std::vector<std::string>{"Start here", "darn it, damn.", "Darn", "Oh darn"}));
  EXPECT_EQ(f.prompter.Texts(),
            (std::vector<std::string>{"Replace damn with darn?", "Replace damn with darn?", "Replace damn with darn?",
                                      "End of file reached"}));
  EXPECT_EQ(f.ws.session().current(), 3u);
  EXPECT_EQ(f.ws.text().textSelection(), (TextRange{3, 4}));
  EXPECT_EQ(f.ws.session().edit().text, "Oh darn");

  {
    SCOPED_TRACE("Cancel stops without the end message");
    f.prompter.shown.clear();
    f.ws.session().GoTo(0);
    f.prompter.answers = {Answer::Cancel};
    EXPECT_EQ(f.ws.text().FindProfanity(list), ProfanityResult::Cancelled);
    EXPECT_EQ(f.prompter.Texts(), std::vector<std::string>{"Replace damn with darn?"});
  }
  {
    SCOPED_TRACE("no listed word: straight to the end");
    f.prompter.shown.clear();
    EXPECT_EQ(f.ws.text().FindProfanity({{"heck", "h"}}), ProfanityResult::EndOfFile);
    EXPECT_EQ(f.prompter.Texts(), std::vector<std::string>{"End of file reached"});
  }
}

TEST(WorkstationText, AutoReplaceListLoadsFromDataFolder) {
  test::TempHome home;
  test::WriteFile(home / "data/Kipo Software/Kipo/autoreplace.dat", "teh\tthe\r\n");
  Fixture f({"x"});
  f.ws.text().LoadAutoReplaceList();
  EXPECT_EQ(f.ws.text().autoReplaceList(), (WordList{{"teh", "the"}}));
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

TEST(WorkstationText, WholeCleanIsOneUndoStep) {
  for (CleanKind kind : {CleanKind::FileClean, CleanKind::PunctuationCheck}) {
    SCOPED_TRACE(CleanUndoName(kind));
    Fixture f({"Um,  hello\u2026", "<Oh> no", "Fine."});
    f.settings.Set("File clean", "Remove SDH", "1");
    f.settings.Set("File clean", "Remove italics", "1");
    f.settings.Set("File clean", "SDH interjections count", "2");
    f.settings.Set("File clean", "SDH interjections 1", "Um");
    f.settings.Set("File clean", "SDH interjections 2", "Oh");
    f.settings.Set("Punctuation", "Delete spaces", "True");
    f.settings.Set("AutoReplace", "Ellipses", "1");
    Subtitle raised = f.ws.doc().At(2);
    raised.row = 2;
    raised.comment = "keep me";
    f.ws.doc().Replace(2, raised);
    const SubtitleDocument before = f.ws.doc();
    if (kind == CleanKind::FileClean) f.ws.text().CleanFile();
    else f.ws.text().PunctuationCheck();
    ASSERT_FALSE(f.ws.text().cleanReport().rows.empty());
    ASSERT_NE(f.ws.doc().Subtitles(), before.Subtitles());
    EXPECT_TRUE(f.ws.doc().modified);
    ASSERT_TRUE(f.ws.session().CanUndo());
    EXPECT_EQ(f.ws.session().undoHistory().ActionAt(1), CleanUndoName(kind));
    // Restoring a row first changes nothing about what the one undo gives back.
    f.ws.text().RestoreCleanRow(0);
    f.ws.session().Undo();
    EXPECT_EQ(f.ws.doc().Subtitles(), before.Subtitles());
    EXPECT_FALSE(f.ws.session().CanUndo());
  }
}

TEST(WorkstationText, NothingToCleanRecordsNothing) {
  Fixture f({"Fine.", "Also fine."});
  f.settings.Set("File clean", "Remove comments", "1");
  EXPECT_TRUE(f.ws.text().CleanFile().rows.empty());
  EXPECT_FALSE(f.ws.session().CanUndo());
  EXPECT_FALSE(f.ws.doc().modified);
}

TEST(WorkstationText, AutoReplaceAndProfanityAreUndoable) {
  Fixture f({"Oh damn"});
  f.ws.text().SetAutoReplaceList({{"teh", "the"}});
  f.ws.text().SetReplaceAsYouType(true);
  f.ws.session().edit().text = "Oh teh ";
  std::size_t caret = 7;
  ASSERT_TRUE(f.ws.text().AutoReplaceTyped(" ", caret));
  EXPECT_EQ(f.ws.session().undoHistory().ActionAt(1), "AutoReplace");
  f.ws.session().Undo();
  EXPECT_EQ(f.ws.session().edit().text, "Oh teh ");

  f.ws.session().edit().text = "Oh damn";
  f.prompter.answers = {Answer::Yes};
  f.ws.text().FindProfanity({{"damn", "darn"}});
  EXPECT_EQ(f.ws.doc().At(0).text, "Oh darn");
  f.ws.session().Undo();
  EXPECT_EQ(f.ws.doc().At(0).text, "Oh damn");
}

}  // namespace
}  // namespace kipo
