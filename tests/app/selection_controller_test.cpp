#include <gtest/gtest.h>

#include "app/selection_controller.h"
#include "core/rich_text.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

// Toggling a style or setting a colour changes only the selection: the table checks the
// text and that the selection still covers the same visible characters.
TEST(MarkupToggles, StyleAndColourOnASelection) {
  BoldMarkers bold;
  bold.enabled = true;
  struct Case {
    const char* name;
    std::string text;
    std::size_t start, end;  // code points
    StyleToggle style;
    std::string result;
  };
  const std::vector<Case> cases = {
      {"italic on", "one two three", 4, 7, StyleToggle::Italic, "one <two> three"},
      {"italic off inside italics", "<one two three>", 5, 8, StyleToggle::Italic, "<one >two< three>"},
      {"italic off whole", "one <two> three", 5, 8, StyleToggle::Italic, "one two three"},
      {"partly italic turns on", "<one> two", 1, 9, StyleToggle::Italic, "<one two>"},
      {"empty selection is the whole text", "Hello", 2, 2, StyleToggle::Italic, "<Hello>"},
      {"over the row break", "ab\r\ncd", 1, 5, StyleToggle::Underline, "a[b\r\nc]d"},
      {"underline leaves italics alone", "<abc>", 1, 4, StyleToggle::Underline, "<[abc]>"},
      {"italics off behind other markers", "x <\x01[two]\x07> y", 5, 8, StyleToggle::Italic, "x \x01[two]\x07 y"},
      {"bold with its markers", "a b c", 2, 3, StyleToggle::Bold, "a \xC2\xAB" "b\xC2\xBB c"},
      {"beyond ASCII", "\xC3\xA9t\xC3\xA9 x", 0, 3, StyleToggle::Italic, "<\xC3\xA9t\xC3\xA9> x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    StyledText r = ToggleStyle(c.text, c.start, c.end, c.style, bold);
    EXPECT_EQ(r.text, c.result);
    // The same visible characters, and toggling again gives the original back.
    EXPECT_EQ(StripMarkup(r.text, bold), StripMarkup(c.text, bold));
    StyledText back = ToggleStyle(r.text, r.start, r.end, c.style, bold);
    EXPECT_EQ(StripMarkup(back.text, bold), StripMarkup(c.text, bold));
    EXPECT_EQ(RichText::Parse(back.text, bold).PlainText(), RichText::Parse(c.text, bold).PlainText());
  }
  // Bold while the markers are off changes nothing.
  EXPECT_EQ(ToggleStyle("abc", 0, 3, StyleToggle::Bold, {}).text, "abc");

  struct ColourCase {
    const char* name;
    std::string text;
    std::size_t start, end;
    Colour colour;
    std::string result;
  };
  const std::vector<ColourCase> colours = {
      {"red word", "a word here", 2, 6, Colour::Red, "a \x01word\x07 here"},
      {"inside yellow", "\x03" "abc", 2, 3, Colour::Red, "\x03" "a\x01" "b\x03" "c"},
      {"remove colour", "\x01" "abc", 1, 4, Colour::Default, "abc"},
      {"codes inside dropped", "a\x02" "b\x04" "c", 0, 5, Colour::Cyan, "\x06" "abc"},
  };
  for (const ColourCase& c : colours) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SetColour(c.text, c.start, c.end, c.colour, {}).text, c.result);
  }
}

struct Fixture {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
  SelectionController sel{ws};

  explicit Fixture(std::size_t n) {
    SubtitleDocument d;
    for (std::size_t i = 0; i < n; ++i) {
      Subtitle s;
      s.text = "text " + std::to_string(i + 1);
      s.inCue = FramesToDigits(static_cast<Timecode>(100 * (i + 1)), d.frameRate());
      s.outCue = FramesToDigits(static_cast<Timecode>(100 * (i + 1) + 50), d.frameRate());
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

// Each command over a list selection is one undo step that gives the document back.
TEST(ListSelection, CommandsAreOneUndoStepEach) {
  struct Case {
    const char* name;
    std::function<void(SelectionController&)> run;
    std::function<void(const SubtitleDocument&)> check;
  };
  const std::vector<Case> cases = {
      {"delete scattered", [](SelectionController& s) { s.DeleteSubtitles({4, 1, 1, 99}); },
       [](const SubtitleDocument& d) {
         ASSERT_EQ(d.Count(), 4u);
         EXPECT_EQ(d.At(1).text, "text 3");
         EXPECT_EQ(d.At(3).text, "text 6");
       }},
      {"offset later", [](SelectionController& s) { EXPECT_EQ(s.OffsetSubtitles({2, 0}, 25), 4); },
       [](const SubtitleDocument& d) {
         EXPECT_EQ(d.At(0).inCue.digits(), "00000500");
         EXPECT_EQ(d.At(1).inCue.digits(), "00000800");  // not chosen
         EXPECT_EQ(d.At(2).outCue.digits(), "00001500");
       }},
      {"offset held at zero", [](SelectionController& s) { s.OffsetSubtitles({0}, -1000); },
       [](const SubtitleDocument& d) {
         EXPECT_EQ(d.At(0).inCue.digits(), "00000000");
         EXPECT_EQ(d.At(0).outCue.digits(), "00000000");
       }},
      {"italics on", [](SelectionController& s) { s.ToggleItalics({1, 3}); },
       [](const SubtitleDocument& d) {
         EXPECT_EQ(d.At(1).text, "<text 2>");
         EXPECT_EQ(d.At(2).text, "text 3");
         EXPECT_EQ(d.At(3).text, "<text 4>");
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f(6);
    const std::vector<Subtitle> before = f.ws.doc().Subtitles();
    c.run(f.sel);
    c.check(f.ws.doc());
    EXPECT_TRUE(f.ws.doc().modified);
    f.ws.session().Undo();
    EXPECT_EQ(f.ws.doc().Subtitles(), before);
    EXPECT_FALSE(f.ws.session().CanUndo());
  }
}

TEST(ListSelection, ItalicsToggleOffWhenAllAreItalic) {
  Fixture f(3);
  f.sel.ToggleItalics({0, 1});
  f.sel.ToggleItalics({0, 1, 2});  // one is not italic: all become italic
  EXPECT_EQ(f.Texts(), (std::vector<std::string>{"<text 1>", "<text 2>", "<text 3>"}));
  f.sel.ToggleItalics({0, 2});
  EXPECT_EQ(f.Texts(), (std::vector<std::string>{"text 1", "<text 2>", "text 3"}));
}

TEST(ListSelection, OffsetPastTheLastCueChangesNothing) {
  Fixture f(2);
  const std::vector<Subtitle> before = f.ws.doc().Subtitles();
  EXPECT_THROW(f.sel.OffsetSubtitles({0, 1}, 100L * 3600 * 25), UserError);
  EXPECT_EQ(f.ws.doc().Subtitles(), before);
  EXPECT_FALSE(f.ws.session().CanUndo());
}

TEST(ListSelection, TogglesOnTheTextBoxRecordAStep) {
  Fixture f(1);
  f.ws.session().edit().text = "typed words";
  StyledText r = f.sel.Toggle(StyleToggle::Italic, 6, 11);
  EXPECT_EQ(f.ws.doc().At(0).text, "typed <words>");
  EXPECT_EQ(f.ws.session().edit().text, "typed <words>");
  EXPECT_EQ(r.start, 7u);
  EXPECT_EQ(r.end, 12u);
  f.sel.Colourise(Colour::Green, 0, 5);
  EXPECT_EQ(f.ws.doc().At(0).text, "\x02typed\x07 <words>");
  f.ws.session().Undo();
  EXPECT_EQ(f.ws.doc().At(0).text, "typed <words>");
  EXPECT_THROW(f.sel.Toggle(StyleToggle::Bold, 0, 1), UserError);  // bold markers are off
}

}  // namespace
}  // namespace kipo
