#include "text/punctuation.h"

#include <gtest/gtest.h>

#include "core/rich_text.h"
#include "platform/user_error.h"
#include "settings/settings_store.h"

namespace kipo {
namespace {

struct Case {
  const char* before;
  const char* after;
  std::vector<std::string> reports;
  RuleContext ctx{};
};

PunctuationRules Only(bool PunctuationRules::*rule) {
  PunctuationRules r;
  r.*rule = true;
  return r;
}

void Check(const PunctuationRules& rules, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    std::vector<std::string> reports;
    std::string out = ApplyPunctuationRules(c.before, rules, c.ctx, [&](const std::string& d) { reports.push_back(d); });
    EXPECT_EQ(out, c.after);
    EXPECT_EQ(reports, c.reports);
  }
}

TEST(PunctuationRules, SpacingRules) {
  {
    SCOPED_TRACE("Delete spaces");
    Check(Only(&PunctuationRules::deleteSpaces),
          {{"Hello   there  you", "Hello there you", {"Extra spaces deleted"}},
           {" Padded row \r\n  second", "Padded row\r\nsecond", {"Extra spaces deleted"}},
           {"Fine as it is", "Fine as it is", {}}});
  }
  {
    SCOPED_TRACE("Delete space before");
    Check(Only(&PunctuationRules::deleteSpaceBefore),
          {{"Stop !", "Stop!", {"Space deleted before exclamation mark"}},
           {"Well , then ; so : what ?", "Well, then; so: what?",
            {"Space deleted before comma", "Space deleted before colon", "Space deleted before semi-colon",
             "Space deleted before question mark"}},
           {"The end .", "The end.", {"Space deleted before full stop"}},
           // The speaker dash and an indent keep their space before an ellipsis.
           {"- ...and then\r\n ...what", "- ...and then\r\n ...what", {}}});
  }
  {
    SCOPED_TRACE("Insert space after");
    Check(Only(&PunctuationRules::insertSpaceAfter),
          {{"Yes.No!Why?Because:this", "Yes. No! Why? Because: this",
            {"Space inserted after .", "Space inserted after !", "Space inserted after ?", "Space inserted after :"}},
           // Three dots between words stay together; digits, "?!" and closing marks take no space.
           {"Wait...what", "Wait...what", {}},
           {"It cost 3.50 at 10:30", "It cost 3.50 at 10:30", {}},
           {"What?!\r\n<Stop.> 'Go.'", "What?!\r\n<Stop.> 'Go.'", {}},
           {"End.\r\nNext", "End.\r\nNext", {}}});
  }
}

TEST(PunctuationRules, SpeakerDashes) {
  {
    SCOPED_TRACE("Insert space after dash");
    Check(Only(&PunctuationRules::insertSpaceAfterDash),
          {{"-Hi.\r\n-Hello.", "- Hi.\r\n- Hello.",
            {"Space inserted after first dash in dual speaker subtitle",
             "Space inserted after second dash in dual speaker subtitle"}},
           {"- Hi.\r\n-Hello.", "- Hi.\r\n- Hello.", {"Space inserted after second dash in dual speaker subtitle"}},
           {"--no", "--no", {}}});
  }
  {
    SCOPED_TRACE("Delete space after dash");
    Check(Only(&PunctuationRules::deleteSpaceAfterDash),
          {{"- Hi.\r\n-  Hello.", "-Hi.\r\n-Hello.",
            {"Space deleted after speaker dash", "Space deleted after speaker dash"}}});
  }
  {
    SCOPED_TRACE("Delete first hyphen");
    Check(Only(&PunctuationRules::deleteFirstHyphen),
          {{"- Hi.\r\n- Hello.", "Hi.\r\n- Hello.", {"First dash in dual speaker subtitle deleted"}},
           {"- Hi.\r\nHello.", "- Hi.\r\nHello.", {}}});
  }
}

TEST(PunctuationRules, EllipsesAndFullStops) {
  RuleContext capitalNext{"", "Then he left.", true};
  RuleContext lowerNext{"", "and then he left.", true};
  RuleContext continuing{"He said...", "", false};
  const std::string sic = "He left " + EscapeLiterals("[sic]"), less = EscapeLiterals("a < b"), lessStop = less + ".";
  {
    SCOPED_TRACE("Add full stops");
    Check(Only(&PunctuationRules::addFullStops),
          {{"He left", "He left.", {"Full stop added at end of subtitle"}, capitalNext},
           {"He left", "He left", {}, lowerNext},
           {"He left", "He left.", {"Full stop added at end of subtitle"}},  // last subtitle
           {"Did he?", "Did he?", {}, capitalNext},
           {"<He left>", "<He left>", {}, capitalNext},
           // A bracket read from a file as a character closes the text like the marker.
           {sic.c_str(), sic.c_str(), {}, capitalNext},
           {less.c_str(), lessStop.c_str(), {"Full stop added at end of subtitle"}, capitalNext},
           {"-He left\r\n-So what?", "-He left.\r\n-So what?", {"Full stop added at end of first speaker line"},
            capitalNext},
           {"He left", "He left", {}, RuleContext{"", "...and came back", true}}});
  }
  {
    SCOPED_TRACE("Add Dutch ellipses at end");
    Check(Only(&PunctuationRules::addDutchEllipsesAtEnd),
          {{"And then,", "And then...", {"Dutch ellipses forced at end of subtitle"}},
           {"And then", "And then...", {"Dutch ellipses forced at end of subtitle"}},
           {"The end.", "The end.", {}}});
  }
  {
    SCOPED_TRACE("Replace commas with ellipses");
    Check(Only(&PunctuationRules::replaceCommasWithEllipses),
          {{"If you go,", "If you go...", {"Comma at end of subtitle replaced by ellipses"}},
           {"Yes, sir", "Yes, sir", {}}});
  }
  {
    SCOPED_TRACE("Delete ellipses");
    Check(Only(&PunctuationRules::deleteEllipses),
          {{"...and so", "and so", {"Ellipses deleted from start of subtitle"}},
           {"..and so", "and so", {"Two-dot ellipses deleted from start of subtitle"}}});
  }
  {
    SCOPED_TRACE("Insert missing ellipses");
    Check(Only(&PunctuationRules::insertMissingEllipses),
          {{"she went home.", "...she went home.", {"Missing ellipses added at start of subtitle"}, continuing},
           {"...she went home.", "...she went home.", {}, continuing},
           {"- She went home.", "- She went home.", {}, continuing},
           {"She went home.", "She went home.", {}, RuleContext{"He said.", "", false}}});
  }
  {
    SCOPED_TRACE("Ellipses three dots");
    Check(Only(&PunctuationRules::ellipsesThreeDots),
          {{"Wait....", "Wait...", {"Four-dot ellipses corrected at end of subtitle"}},
           {"Wait..", "Wait...", {"Two-dot ellipses corrected at end of subtitle"}},
           {"Wait.", "Wait.", {}}});
  }
  {
    // This rule runs either way: off, a two-dot start is completed to three.
    SCOPED_TRACE("Ellipses two dots at start");
    Check(Only(&PunctuationRules::ellipsesTwoDotsAtStart),
          {{"...and so", "..and so", {"Three-dot ellipses corrected at start of subtitle"}}});
    Check(PunctuationRules{},
          {{"..and so", "...and so", {"Two-dot ellipses changed to three dots at start of subtitle"}},
           {"..", "..", {}}});
  }
}

TEST(PunctuationRules, TwoInitialCapitalsUseUnicodeCase) {
  Check(Only(&PunctuationRules::correctTwoInitialCapitals),
        {{"THe ÉCole was open", "The École was open", {"Two initial capitals corrected"}},
         {"The TV is ON, OK?", "The TV is ON, OK?", {}},
         {"\"THis\" -THat", "\"This\" -That", {"Two initial capitals corrected"}}});
}

TEST(PunctuationRules, RulesThatMeetInOneText) {
  PunctuationRules r;
  r.deleteSpaces = true;
  r.deleteSpaceBefore = true;
  r.insertSpaceAfter = true;
  r.insertSpaceAfterDash = true;
  r.addFullStops = true;
  r.ellipsesThreeDots = true;
  // A doubled space before a stop, a missing space after it and an unspaced speaker dash;
  // the ellipsis between words is left alone.
  Check(r, {{"-Wait  .Look...there\r\n-No..", "- Wait. Look...there.\r\n- No...",
             {"Extra spaces deleted", "Space inserted after first dash in dual speaker subtitle",
              "Space inserted after second dash in dual speaker subtitle", "Space deleted before full stop",
              "Space inserted after .", "Full stop added at end of first speaker line",
              "Two-dot ellipses corrected at end of subtitle"},
             RuleContext{"", "Next.", true}}});
}

TEST(PunctuationRules, DialogRefusesContradictions) {
  PunctuationRules r;
  r.insertSpaceAfterDash = r.deleteSpaceAfterDash = true;
  try {
    ValidatePunctuationRules(r);
    ADD_FAILURE() << "accepted both dash rules";
  } catch (const UserError& e) {
    EXPECT_EQ(e.text(),
              "Insert space and delete space after dash are mutually exclusive. Please select one or the other.");
  }
  r = {};
  r.insertMissingEllipses = r.deleteEllipses = true;
  try {
    ValidatePunctuationRules(r);
    ADD_FAILURE() << "accepted both ellipsis rules";
  } catch (const UserError& e) {
    EXPECT_EQ(e.text(),
              "Insert ellipses and delete ellipses at start of subtitle are mutually exclusive. Please select one or "
              "the other.");
  }
  r = {};
  r.insertSpaceAfterDash = r.deleteEllipses = true;
  EXPECT_NO_THROW(ValidatePunctuationRules(r));
}

TEST(PunctuationRules, SettingsUseTheirKeys) {
  SettingsStore store;
  store.Set("Punctuation", "Insert space after", "True");
  store.Set("Punctuation", "Correct two initial capitals", "True");
  store.Set("AutoReplace", "Quotes", "2");  // any number but 0 is on
  store.Set("AutoReplace", "Dashes", "0");
  PunctuationRules r = PunctuationRules::Load(store);
  EXPECT_TRUE(r.insertSpaceAfter);
  EXPECT_TRUE(r.correctTwoInitialCapitals);
  EXPECT_FALSE(r.deleteSpaces);
  TypographicOptions t = TypographicOptions::Load(store);
  EXPECT_TRUE(t.quotes);
  EXPECT_FALSE(t.dashes);
  r.Save(store);
  EXPECT_EQ(store.Get("Punctuation", "Delete first hyphen", ""), "False");
  EXPECT_EQ(store.Keys("Punctuation").size(), 14u);
}

TEST(Typographic, EachReplacementOnlyWhenSwitchedOn) {
  const std::string text = "\u201CWait\u2026\u201D \u2018no\u2019 \u2013 yes\u2014";
  TypographicOptions o;
  EXPECT_EQ(ApplyTypographic(text, o), text);
  o.ellipses = true;
  EXPECT_EQ(ApplyTypographic(text, o), "\u201CWait...\u201D \u2018no\u2019 \u2013 yes\u2014");
  o.quotes = o.dashes = true;
  std::vector<std::string> reports;
  EXPECT_EQ(ApplyTypographic(text, o, [&](const std::string& d) { reports.push_back(d); }),
            "\"Wait...\" 'no' - yes-");
  EXPECT_EQ(reports, (std::vector<std::string>{"Smart ellipses changed to three dots",
                                                "Smart quotes changed to straight quotes",
                                                "En or em dash changed to hyphen"}));
}

TEST(TidyText, EditedTextRules) {
  TidyOptions o;
  {
    SCOPED_TRACE("controls");
    EXPECT_EQ(TidyText("A\x01red\x1F\tx\r\n\r\n", o), "A\x01red\tx");
    o.enableColours = false;
    EXPECT_EQ(TidyText("A\x01red", o), "Ared");
    o.allowBlankLines = true;
    EXPECT_EQ(TidyText("A\r\n", o), "A\r\n");
    o = {};
  }
  {
    SCOPED_TRACE("spaces");
    o.rules.deleteSpaces = true;
    o.rules.deleteSpaceBefore = true;
    EXPECT_EQ(TidyText("  Go  now !  \r\nSo ?", o), "Go now!\r\nSo?");
  }
  {
    SCOPED_TRACE("insert space after");
    o.rules.insertSpaceAfter = true;
    EXPECT_EQ(TidyText("Go.Now...then 3.5\nOK?Yes", o), "Go. Now...then 3.5\r\nOK? Yes");
  }
  {
    SCOPED_TRACE("dashes");
    o.rules.insertSpaceAfterDash = true;
    EXPECT_EQ(TidyText("-Hi\r\n-Bye", o), "- Hi\r\n- Bye");
    o.rules.insertSpaceAfterDash = false;
    o.rules.deleteSpaceAfterDash = true;
    EXPECT_EQ(TidyText("- Hi\r\n-  Bye\r\nA - b", o), "-Hi\r\n-Bye\r\nA - b");
  }
  {
    SCOPED_TRACE("typographic last");
    o.typographic.quotes = true;
    EXPECT_EQ(TidyText("\u2018Hi\u2019", o), "'Hi'");
  }
}

}  // namespace
}  // namespace kipo
