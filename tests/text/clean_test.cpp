#include "text/clean.h"

#include <gtest/gtest.h>

#include "core/rich_text.h"
#include "settings/settings_store.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

SubtitleDocument DocOf(std::vector<Subtitle> subs) {
  SubtitleDocument d;
  for (auto& s : subs) d.Append(std::move(s));
  d.modified = false;
  return d;
}

Subtitle Text(std::string t) {
  Subtitle s;
  s.text = std::move(t);
  return s;
}

using Rows = std::vector<std::pair<std::string, std::string>>;  // number, description

Rows RowsOf(const CleanReport& r) {
  Rows out;
  for (const auto& row : r.rows) out.emplace_back(row.number, row.description);
  return out;
}

TEST(CleanDocument, AttributeSteps) {
  Subtitle a = Text("A \x01red\x02 word");
  a.rowColours = "10000000000";
  a.italic = true;
  a.comment = "check this";
  a.row = 3;
  a.shiftY = 2;
  a.alignment = AlignLeft;
  a.rowAlignments = "20000000000";
  Subtitle b = Text("He <said> <no> to <me>");
  Subtitle plain = Text("Nothing to do");
  SubtitleDocument doc = DocOf({a, b, plain});
  CleanSettings s;
  s.steps.colours = s.steps.italics = s.steps.comments = s.steps.bottomRow = s.steps.alignCentre = true;
  CleanReport r = CleanDocument(doc, s);
  EXPECT_EQ(RowsOf(r), (Rows{{"0001", "Line colour changed to white"},
                            {"0001", "Non-white colour removed"},
                            {"0001", "Full italics removed"},
                            {"0001", "Comment removed"},
                            {"0001", "Subtitle moved to bottom row"},
                            {"0001", "Line alignment changed"},
                            {"0001", "Subtitle alignment changed"},
                            {"0002", "Partial italics removed"}}));
  const Subtitle& c = doc.At(0);
  EXPECT_EQ(c.text, "A  red  word");
  EXPECT_EQ(c.rowColours, kNoFlags);
  EXPECT_FALSE(c.italic);
  EXPECT_EQ(c.comment, "");
  EXPECT_EQ(c.row, 0);
  EXPECT_EQ(c.shiftY, 0);
  EXPECT_EQ(c.alignment, AlignCentre);
  EXPECT_EQ(c.rowAlignments, kNoFlags);
  EXPECT_EQ(doc.At(1).text, "He said no to me");
  EXPECT_EQ(doc.At(2), plain);
  EXPECT_EQ(r.changedSubtitles, 2u);
  // Every row keeps the subtitle as it was before the clean.
  EXPECT_EQ(r.rows.front().formerText(), a.text);
  EXPECT_EQ(r.rows.back().formerText(), b.text);
  EXPECT_EQ(r.Title(), "File Clean Report");
  EXPECT_EQ(r.UndoName(), "Undo File Clean");
}

TEST(CleanDocument, HearingImpairedAndEmptyRows) {
  CleanSettings s;
  s.steps.sdh = s.steps.emptyRows = true;
  s.sdh.square = true;
  s.sdh.round = true;
  s.sdh.chars = {"#", "\u266A"};
  s.sdh.interjections = {"Um", "Oh"};
  SubtitleDocument doc = DocOf({Text("[door slams]\r\nWho's there?"), Text("# La la la #"),
                                Text("Um\r\n\u266A Harry, oh no"), Text("Humbug (sighs"), Text("Odd)")});
  CleanReport r = CleanDocument(doc, s);
  EXPECT_EQ(RowsOf(r), (Rows{{"0001", "Square brackets deleted"},
                            {"0002", "Character '#' deleted"},
                            {"0003", "Character '\u266A' deleted"},
                            {"0003", "Interjection 'Um' deleted"},
                            {"0003", "Interjection 'Oh' deleted"},
                            {"0003", "Empty row removed"},
                            {"0004", "Round brackets deleted"}}));
  EXPECT_EQ(doc.At(0).text, "door slams\r\nWho's there?");  // the description stays
  EXPECT_EQ(doc.At(1).text, " La la la ");
  EXPECT_EQ(doc.At(2).text, " Harry, no");  // whole words: "Harry" and "Humbug" survive
  EXPECT_EQ(doc.At(3).text, "Humbug sighs");
  EXPECT_EQ(doc.At(4).text, "Odd)");  // no "(" in the text: the round step leaves it
}

TEST(CleanDocument, InterjectionThenPunctuation) {
  // "Um," keeps its comma after the interjection goes; the punctuation step then works on
  // what is left, and the report lists both in step order.
  CleanSettings s;
  s.steps.sdh = s.steps.punctuation = true;
  s.sdh.interjections = {"Um"};
  s.rules.deleteSpaces = true;
  s.rules.deleteSpaceBefore = true;
  s.rules.addFullStops = true;
  SubtitleDocument doc = DocOf({Text("Um, I think so"), Text("well um , maybe")});
  CleanReport r = CleanDocument(doc, s);
  EXPECT_EQ(doc.At(0).text, ", I think so");  // next subtitle lower case: no full stop
  EXPECT_EQ(doc.At(1).text, "well, maybe.");
  EXPECT_EQ(RowsOf(r), (Rows{{"0001", "Interjection 'Um' deleted"},
                            {"0002", "Interjection 'Um' deleted"},
                            {"0002", "Space deleted before comma"},
                            {"0002", "Full stop added at end of subtitle"}}));
}

TEST(CleanDocument, PunctuationCheckSeesCleanedPreviousSubtitle) {
  SettingsStore store;
  store.Set("Punctuation", "Insert missing ellipses", "True");
  store.Set("Punctuation", "Insert space after", "True");
  store.Set("AutoReplace", "Ellipses", "1");
  store.Set("File clean", "Remove comments", "1");  // not part of the punctuation check
  Subtitle first = Text("He said\u2026");
  first.comment = "kept";
  SubtitleDocument doc = DocOf({first, Text("that it...was fine."), Text("Done.Really")});
  CleanReport r = PunctuationCheck(doc, store);
  EXPECT_EQ(r.Title(), "Punctuation Check Report");
  EXPECT_EQ(r.UndoName(), "Undo Punctuation Check");
  EXPECT_EQ(doc.At(0).text, "He said...");
  EXPECT_EQ(doc.At(0).comment, "kept");
  EXPECT_EQ(doc.At(1).text, "...that it...was fine.");
  EXPECT_EQ(doc.At(2).text, "Done. Really");
  EXPECT_EQ(RowsOf(r), (Rows{{"0001", "Smart ellipses changed to three dots"},
                            {"0002", "Missing ellipses added at start of subtitle"},
                            {"0003", "Space inserted after ."}}));
}

TEST(CleanDocument, RestoringEveryRowGivesBackTheExactDocument) {
  Subtitle a = Text("<Um, hello>\r\n\r\n");
  a.italic = true;
  a.comment = "note";
  a.row = 4;
  a.shiftY = 3;
  a.shiftX = 5;
  a.alignment = AlignRight;
  a.rowColours = "30000000000";
  a.rowAlignments = "20000000000";
  const SubtitleDocument original = DocOf({a, Text("Fine."), Text("\x03Red")});
  SubtitleDocument doc = original;
  CleanSettings s;
  s.steps = {true, true, true, true, true, true, true, true, true};
  s.sdh.interjections = {"Um"};
  CleanReport r = CleanDocument(doc, s);
  ASSERT_GE(r.rows.size(), 10u);
  {
    SCOPED_TRACE("one row: the italic attribute only");
    auto it = std::find_if(r.rows.begin(), r.rows.end(),
                           [](const CleanReportRow& row) { return row.description == "Full italics removed"; });
    ASSERT_NE(it, r.rows.end());
    ASSERT_TRUE(RestoreCleanRow(doc, *it));
    EXPECT_TRUE(doc.At(0).italic);
    EXPECT_EQ(doc.At(0).comment, "");
  }
  for (const auto& row : r.rows) RestoreCleanRow(doc, row);
  EXPECT_EQ(doc.Subtitles(), original.Subtitles());
  SubtitleDocument empty;
  EXPECT_FALSE(RestoreCleanRow(empty, r.rows.front()));
}

TEST(CleanSettings, KeysDefaultsAndDialogFields) {
  SettingsStore store;
  SdhOptions sdh = SdhOptions::Load(store);
  EXPECT_EQ(sdh.CharsField(), "#");
  EXPECT_EQ(sdh.InterjectionsField(), "Ah Eh Er Erm Ha Haha Hmm Mmm Oh Ooh Ow Ugh Uh Uhuh Um");
  EXPECT_TRUE(sdh.interjections.empty());  // the clean itself deletes nothing until stored
  sdh.SetFields("#  *", sdh.InterjectionsField());
  sdh.square = true;
  sdh.Save(store);
  EXPECT_EQ(store.Get("File clean", "SDH char count", ""), "2");
  EXPECT_EQ(store.Get("File clean", "SDH chars 2", ""), "*");
  EXPECT_EQ(store.Get("File clean", "SDH interjections count", ""), "15");
  EXPECT_EQ(store.Get("File clean", "SDH interjections 15", ""), "Um");
  EXPECT_EQ(store.Get("File clean", "SDH square", ""), "1");
  EXPECT_EQ(SdhOptions::Load(store), sdh);
  // A shorter list leaves no stale numbered keys behind.
  sdh.SetFields("#", "Oh");
  sdh.Save(store);
  EXPECT_FALSE(store.Has("File clean", "SDH interjections 2"));
  EXPECT_EQ(SdhOptions::Load(store), sdh);

  store.Set("File clean", "Remove colors", "1");
  store.Set("File clean", "AutoFormat", "1");
  CleanSteps steps = CleanSteps::Load(store);
  EXPECT_TRUE(steps.colours);
  EXPECT_TRUE(steps.autoFormat);
  EXPECT_FALSE(steps.sdh);
  steps.Save(store);
  EXPECT_EQ(store.Get("File clean", "Align centre", ""), "0");
}

TEST(AutoCleanAfterOpen, AsksOnlyWhenConfirmIsOn) {
  SettingsStore store;
  store.Set("File clean", "Remove comments", "1");
  Subtitle s = Text("x");
  s.comment = "c";
  test::RecordingPrompter p;
  SubtitleDocument doc = DocOf({s});
  EXPECT_FALSE(AutoCleanAfterOpen(doc, store, p).has_value());  // "Always apply" off
  store.Set("File clean", "Always apply", "1");
  auto r = AutoCleanAfterOpen(doc, store, p);
  ASSERT_TRUE(r.has_value());
  EXPECT_TRUE(p.shown.empty());
  EXPECT_EQ(doc.At(0).comment, "");

  store.Set("File clean", "Always apply confirm", "1");
  doc = DocOf({s});
  EXPECT_FALSE(AutoCleanAfterOpen(doc, store, p).has_value());  // the scripted reply is No
  ASSERT_EQ(p.shown.size(), 1u);
  EXPECT_EQ(p.Last().title, "Confirm File Clean");
  EXPECT_EQ(p.Last().text, "File cleaning is currently set to automatic.\nDo you want to clean this file?");
  EXPECT_EQ(doc.At(0).comment, "c");
  p.answers.push_back(Answer::Yes);
  EXPECT_TRUE(AutoCleanAfterOpen(doc, store, p).has_value());
  EXPECT_EQ(doc.At(0).comment, "");
}

// Brackets, angle brackets and colour codes that came from a file as characters are
// treated as those characters: the square-bracket step deletes them like the markers, the
// colour and italics steps leave them alone.
TEST(CleanDocument, LiteralMarkupCharactersFromFiles) {
  struct Case {
    std::string text, cleaned;
  };
  const std::vector<Case> cases = {
      {EscapeLiterals("[door slams]") + "\r\nWho?", "door slams\r\nWho?"},
      {"[under] " + EscapeLiterals("[sic]"), "under sic"},
      {"\x01Red " + EscapeLiterals("\x01 stays"), " Red " + EscapeLiterals("\x01 stays")},
      {"<It> " + EscapeLiterals("a < b > c"), "It " + EscapeLiterals("a < b > c")},
  };
  CleanSettings s;
  s.steps.sdh = s.steps.colours = s.steps.italics = true;
  s.sdh.square = true;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SubtitleDocument doc = DocOf({Text(c.text)});
    CleanDocument(doc, s);
    EXPECT_EQ(doc.At(0).text, c.cleaned);
  }
}

}  // namespace
}  // namespace kipo
