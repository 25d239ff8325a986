#include <gtest/gtest.h>

#include "app/find_controller.h"
#include "core/rich_text.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

struct Fixture {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
  FindController find{ws};

  explicit Fixture(std::vector<std::pair<std::string, std::string>> subs, int rate = 25) {
    SubtitleDocument d(rate, kDefaultLanguageId, 0);
    for (auto& [text, comment] : subs) {
      Subtitle s;
      s.text = text;
      s.comment = comment;
      d.Append(s);
    }
    d.modified = false;
    ws.session().ReplaceDocument(std::move(d));
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const auto& s : ws.doc().Subtitles()) out.push_back(s.text);
    return out;
  }
};

FindOptions Opt(std::string pattern, bool matchCase = false, bool whole = false, bool regex = false) {
  FindOptions o;
  o.pattern = std::move(pattern);
  o.matchCase = matchCase;
  o.wholeWords = whole;
  o.regex = regex;
  return o;
}

// What one search finds in one text, as the matched strings: the table covers case,
// whole words, regular expressions, markup and stand-ins, and text beyond ASCII.
TEST(TextSearch, MatchesAcrossOptions) {
  struct Case {
    const char* name;
    std::string text;
    FindOptions options;
    std::vector<std::string> found;
  };
  const std::string literalBracket = EscapeLiterals("[door slams]");
  const std::vector<Case> cases = {
      {"case folded", "The cat and THE dog", Opt("the"), {"The", "THE"}},
      {"match case", "The cat and THE dog", Opt("THE", true), {"THE"}},
      {"case beyond ASCII", "\xC3\x89t\xC3\xA9 \xC3\xA9T\xC3\x89", Opt("\xC3\xA9t\xC3\xA9"), {"\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"}},
      {"whole words", "cat concat cat's cats", Opt("cat", false, true), {"cat", "cat"}},
      {"whole words in markup", "<cat>\r\n\x01" "cat", Opt("cat", false, true), {"cat", "cat"}},
      {"whole words beyond ASCII", "\xC3\xA9t\xC3\xA9 t\xC3\xA9", Opt("t\xC3\xA9", false, true), {"t\xC3\xA9"}},
      {"plain text is not a pattern", "a.b axb (a.b)", Opt("(a.b)"), {"(a.b)"}},
      {"plain text with a quote end", "x\\Ey \\E", Opt("\\E"), {"\\E", "\\E"}},
      {"regex", "call 555-1234 or 555-9876", Opt("\\d{3}-\\d{4}", false, false, true), {"555-1234", "555-9876"}},
      {"regex alternation stays whole-word", "ab abc b", Opt("ab|b", false, true, true), {"ab", "b"}},
      {"regex over the row break", "end of\r\nrow", Opt("of\\r\\nrow", false, false, true), {"of\r\nrow"}},
      {"empty matches are skipped", "aaa", Opt("x*", false, false, true), {}},
      {"stand-in found as its character", literalBracket, Opt("[door"), {LiteralStandIn('[') + "door"}},
      {"italic marker found as typed", "<Hi>", Opt("<"), {"<"}},
      {"emoji keeps offsets", "\xF0\x9F\x98\x80 ok \xF0\x9F\x98\x80 ok", Opt("ok"), {"ok", "ok"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextSearch search(c.options);
    std::vector<std::string> found;
    for (ByteSpan m : search.Matches(c.text)) found.push_back(c.text.substr(m.start, m.length));
    EXPECT_EQ(found, c.found);
  }
}

TEST(TextSearch, ReplaceAllKeepsEverythingElse) {
  struct Case {
    const char* name;
    std::string text;
    FindOptions options;
    std::string replacement;
    std::string result;
    int count;
  };
  const std::string lit = EscapeLiterals("a < b");
  const std::vector<Case> cases = {
      {"plain", "colour and Colour", Opt("colour"), "color", "color and color", 2},
      {"dollar in a plain replacement", "price", Opt("price"), "$1 \\n", "$1 \\n", 1},
      {"groups", "Smith, John\r\nDoe, Jane", Opt("(\\w+), (\\w+)", false, false, true), "$2 $1", "John Smith\r\nJane Doe", 2},
      {"stand-ins elsewhere kept", lit + " b", Opt("b", false, true), "c", EscapeLiterals("a < c") + " c", 2},
      {"markup kept", "<Hello>\r\n\x02world", Opt("o"), "0", "<Hell0>\r\n\x02w0rld", 2},
      {"none", "nothing here", Opt("zzz"), "y", "nothing here", 0},
      {"longer and shorter", "aXbXc", Opt("X"), "--", "a--b--c", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextSearch search(c.options);
    int n = -1;
    EXPECT_EQ(search.ReplaceAll(c.text, c.replacement, &n), c.result);
    EXPECT_EQ(n, c.count);
  }
}

TEST(TextSearch, BadPatternsAreRefusedWithAMessage) {
  for (const FindOptions& o : {Opt(""), Opt("(unclosed", false, false, true), Opt("[z-a]", false, false, true)}) {
    SCOPED_TRACE(o.pattern);
    try {
      TextSearch s(o);
      FAIL() << "accepted";
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), kFindTitle);
      EXPECT_FALSE(e.text().empty());
    }
  }
  // A pattern that backtracks without end is stopped, not left running.
  TextSearch slow(Opt("(a+)+$", false, false, true));
  EXPECT_THROW(slow.Matches(std::string(40, 'a') + "b"), UserError);
  // A group the search does not have.
  TextSearch groups(Opt("(a)", false, false, true));
  EXPECT_THROW(groups.ReplaceAll("a", "$3"), UserError);
}

TEST(FindController, FindNextWalksTextsAndCommentsAndWraps) {
  Fixture f({{"cat one", ""}, {"no", "cat in comment"}, {"two cat cat", ""}});
  FindOptions o = Opt("cat");
  o.inComments = true;
  struct Hit {
    std::size_t sub;
    FindField field;
    std::size_t start;
  };
  const std::vector<Hit> forward = {{0, FindField::Text, 0}, {1, FindField::Comment, 0}, {2, FindField::Text, 4},
                                    {2, FindField::Text, 8},  {0, FindField::Text, 0}};
  for (const Hit& h : forward) {
    auto m = f.find.FindNext(o);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->subtitle, h.sub);
    EXPECT_EQ(m->field, h.field);
    EXPECT_EQ(m->start, h.start);
    EXPECT_EQ(f.ws.session().current(), h.sub);  // a hit makes its subtitle current
  }
  // Backwards from the first subtitle wraps to the last match of the document.
  auto back = f.find.FindNext(o, false);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->subtitle, 2u);
  EXPECT_EQ(back->start, 8u);
  back = f.find.FindNext(o, false);
  EXPECT_EQ(back->start, 4u);

  // Comments are searched only when asked.
  o.inComments = false;
  f.ws.timing().MoveTo(1);
  auto m = f.find.FindNext(o);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->subtitle, 2u);

  // Nothing found says so and stays where it is.
  auto none = f.find.FindNext(Opt("dog"));
  EXPECT_FALSE(none);
  EXPECT_EQ(f.ws.session().current(), 2u);
  EXPECT_EQ(f.ws.session().panels().status, "Cannot find \"dog\"");
}

TEST(FindController, SearchesWhatIsTypedAndStartsAtTheCaret) {
  Fixture f({{"alpha", ""}, {"beta", ""}});
  f.ws.session().edit().text = "typed alpha alpha";  // not committed yet
  f.find.StartAt(FindField::Text, 7);
  auto m = f.find.FindNext(Opt("alpha"));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->subtitle, 0u);
  EXPECT_EQ(m->start, 12u);
}

TEST(FindController, ReplaceOneThenFindNext) {
  Fixture f({{"one cat", ""}, {"cat two", ""}});
  FindOptions o = Opt("cat");
  ASSERT_TRUE(f.find.FindNext(o));
  auto next = f.find.Replace(o, "dog");
  EXPECT_EQ(f.Texts(), (std::vector<std::string>{"one dog", "cat two"}));
  ASSERT_TRUE(next);
  EXPECT_EQ(next->subtitle, 1u);
  // The text changed by the replacement: it is no longer the last match, nothing else moves.
  f.ws.session().edit().text = "cow two";
  f.ws.session().CommitEditArea();
  f.find.Replace(o, "dog");
  EXPECT_EQ(f.Texts(), (std::vector<std::string>{"one dog", "cow two"}));
}

TEST(FindController, ReplaceAllIsOneUndoStep) {
  struct Case {
    const char* name;
    FindOptions options;
    std::string replacement;
    std::vector<std::string> texts;
    std::vector<std::string> comments;
    int count;
  };
  auto withComments = [](FindOptions o, bool text) {
    o.inComments = true;
    o.inText = text;
    return o;
  };
  const std::vector<Case> cases = {
      {"text only", Opt("cat"), "dog", {"dog dog", "dog"}, {"cat note", ""}, 3},
      {"case", Opt("Cat", true), "Dog", {"cat Dog", "cat"}, {"cat note", ""}, 1},
      {"whole words", Opt("ca", false, true), "x", {"cat Cat", "cat"}, {"cat note", ""}, 0},
      {"regex", Opt("^c", false, false, true), "k", {"kat Cat", "kat"}, {"cat note", ""}, 2},
      {"comments only", withComments(Opt("cat"), false), "dog", {"cat Cat", "cat"}, {"dog note", ""}, 1},
      {"both", withComments(Opt("cat"), true), "dog", {"dog dog", "dog"}, {"dog note", ""}, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f({{"cat Cat", "cat note"}, {"cat", ""}});
    const std::vector<std::string> before = f.Texts();
    EXPECT_EQ(f.find.ReplaceAll(c.options, c.replacement), c.count);
    EXPECT_EQ(f.Texts(), c.texts);
    EXPECT_EQ(f.ws.doc().At(0).comment, c.comments[0]);
    EXPECT_EQ(f.ws.doc().modified, c.count > 0);
    EXPECT_EQ(f.ws.session().CanUndo(), c.count > 0);
    if (c.count == 0) continue;
    f.ws.session().Undo();
    EXPECT_EQ(f.Texts(), before);
    EXPECT_EQ(f.ws.doc().At(0).comment, "cat note");
    EXPECT_FALSE(f.ws.session().CanUndo());  // one step took it all back
  }
}

TEST(FindController, ABadPatternChangesNothing) {
  Fixture f(std::vector<std::pair<std::string, std::string>>{{"cat", ""}});
  f.ws.session().edit().text = "cat typed";
  EXPECT_THROW(f.find.ReplaceAll(Opt("(", false, false, true), "x"), UserError);
  EXPECT_THROW(f.find.FindNext(Opt("(", false, false, true)), UserError);
  EXPECT_EQ(f.ws.doc().At(0).text, "cat");
  EXPECT_FALSE(f.ws.doc().modified);
  EXPECT_FALSE(f.ws.session().CanUndo());
}

TEST(FindController, ReplaceAllOverAFullDocument) {
  std::vector<std::pair<std::string, std::string>> subs(kMaxSubtitles, {"a cat\r\n<and a cat>", ""});
  Fixture f(subs);
  EXPECT_EQ(f.find.ReplaceAll(Opt("cat"), "dog"), static_cast<int>(2 * kMaxSubtitles));
  EXPECT_EQ(f.ws.doc().At(kMaxSubtitles - 1).text, "a dog\r\n<and a dog>");
  f.ws.session().Undo();
  EXPECT_EQ(f.ws.doc().At(kMaxSubtitles - 1).text, "a cat\r\n<and a cat>");
}

TEST(GoTo, NumbersAndTimecodes) {
  Fixture f({{"a", ""}, {"b", ""}, {"c", ""}, {"d", ""}}, 29);
  const char* cues[][2] = {{"00000100", "00000200"}, {"00000300", "00000400"}, {"", ""}, {"00001000", "00001100"}};
  std::vector<Subtitle> subs = f.ws.doc().Subtitles();
  for (std::size_t i = 0; i < subs.size(); ++i) {
    subs[i].inCue = cues[i][0];
    subs[i].outCue = cues[i][1];
  }
  SubtitleDocument d = f.ws.doc();
  d.ReplaceAll(subs);
  f.ws.session().ReplaceDocument(std::move(d));
  struct Case {
    const char* typed;
    std::size_t subtitle;
  };
  const std::vector<Case> timecodes = {
      {"00:00:01:00", 0},  // at the in cue
      {"00:00:01:29", 0},  // inside
      {"00:00:02:00", 1},  // at the out cue: the next one after
      {"00:00:03;15", 1},  // drop-frame separator
      {"00000500", 3},     // in a gap: the first after it
      {"01:00:00:00", 3},  // past the end: the last
      {"00:00:00.00", 0},
  };
  for (const Case& c : timecodes) {
    SCOPED_TRACE(c.typed);
    f.find.GoToTimecode(c.typed);
    EXPECT_EQ(f.ws.session().current(), c.subtitle);
  }
  for (const char* bad : {"", "1:2", "00:00:60:00", "00:00:01:30", "00:01:00:00x", "00:01:00:01", "0:00:01:000"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(f.find.GoToTimecode(bad), UserError);  // 00:01:00:01 is a skipped drop-frame label
  }
  f.find.GoToNumber(3);
  EXPECT_EQ(f.ws.session().current(), 2u);
  for (long bad : {0L, 5L, -1L}) EXPECT_THROW(f.find.GoToNumber(bad), UserError);
  EXPECT_EQ(f.ws.session().current(), 2u);
}

}  // namespace
}  // namespace kipo
