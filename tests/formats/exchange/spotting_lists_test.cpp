// Spotting lists, translation templates and documents from a word processor: RTF as word
// processors save it (their tables, code pages, escapes and groups) reads as its text,
// our lists read back with cues and italics, and an edited list (tabs lost, a header
// changed) still reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "formats/exchange/rtf_text.h"
#include "formats/exchange/script_text.h"
#include "formats/exchange/spotting_list.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

const FrameRate kPal = *FrameRate::FromCode(25);

TEST(Rtf, WordProcessorFilesReadAsTheirText) {
  struct Case {
    const char* what;
    std::string rtf;
    std::string text;
  };
  const std::string on(kRtfItalicOn), off(kRtfItalicOff);
  const std::vector<Case> cases = {
      {"tables, a generator group and \\'hh bytes in the file's code page",
       "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil Arial;}}{\\colortbl ;\\red255\\green0\\blue0;}"
       "{\\*\\generator Riched20 10.0;}\\viewkind4\\uc1\\pard\\f0\\fs20 Caf\\'e9 cr\\'e8me\\par\r\n}",
       "Caf\xC3\xA9 cr\xC3\xA8me\r\n"},
      {"a Central European code page",
       "{\\rtf1\\ansi\\ansicpg1250 \\'8a\\'e8\\par}", "\xC5\xA0\xC4\x8D\r\n"},
      {"\\u escapes with their fallback characters, \\uc2, a surrogate pair",
       "{\\rtf1\\ansi \\u1055?\\u1088?{\\uc2\\u955??}\\u-10179?\\u-8704? end}",
       "\xD0\x9F\xD1\x80\xCE\xBB\xF0\x9F\x98\x80 end"},
      {"italic groups, \\i0, \\plain and typographic words",
       "{\\rtf1 {\\i lean} flat \\i on\\i0 off \\i x\\plain y \\rquote\\emdash\\tab z\\line w}",
       on + "lean" + off + " flat " + on + "on" + off + "off " + on + "x" + off + "y \xE2\x80\x99\xE2\x80\x94\tz\r\nw"},
      {"the words of every line of a list ended every way a word ends: a space, a line end of the file, another "
       "word, a group, a parameter, a letter that makes another word, a character that is text",
       "{\\rtf1 a\\par b\\par\r\nc\\par\\tab d\\tab{e}\\par{f}\\tab\\i g\\i0\\par h\\i1 i\\i0\\b j\\b0 k\\pard "
       "l\\tab1 m\\i  o\\i0  p\\par;q}",
       "a\r\nb\r\nc\r\n\td\te\r\nf\t" + on + "g" + off + "\r\nh" + on + "i" + off + "jkl\tm" + on + " o" + off +
           " p\r\n;q"},
      {"escaped braces and backslashes, a field instruction left out",
       "{\\rtf1 \\{a\\}\\\\ {\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt shown}}}", "{a}\\ shown"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RtfToText(c.rtf), c.text);
  }
  // A group, an escape, a line end of the file or a byte above ASCII at every place of a
  // run of text.
  const std::pair<std::string, std::string> marks[] = {{"{}", ""}, {"}{", ""},        {"\\\\", "\\"},
                                                       {"\r\n", ""}, {"\xC3\xA9", "\xC3\xA9"}, {"\\tab ", "\t"}};
  for (std::size_t at = 0; at <= 24; ++at) {
    for (const auto& [mark, text] : marks) {
      SCOPED_TRACE(testing::Message() << at << " " << mark);
      const std::string letters = "abcdefghijklmnopqrstuvwx";
      const std::string rtf = "{\\rtf1 {" + letters.substr(0, at) + mark + letters.substr(at) + "}}";
      EXPECT_EQ(RtfToText(rtf), letters.substr(0, at) + text + letters.substr(at));
    }
  }
  EXPECT_THROW(RtfToText("plain words"), UserError);
  EXPECT_THROW(RtfToText(std::string(10000, '{').insert(0, "{\\rtf1")), UserError) << "nesting without end";
}

// What a reading gives, to compare two readings: the subtitles, the warnings, or the refusal.
std::string Outcome(const std::function<SubtitleDocument(Warnings&)>& read) {
  Warnings w;
  std::string out;
  try {
    SubtitleDocument d = read(w);
    for (const Subtitle& s : d.Subtitles()) out += s.inCue.digits() + "-" + s.outCue.digits() + " [" + s.text + "]\n";
  } catch (const UserError& e) {
    out = "refused: " + e.text() + "\n";
  }
  for (const std::string& line : w) out += "warning: " + line + "\n";
  return out;
}

TEST(SpottingLists, RtfListsOfWordProcessorsReadInOnePassAsFromTheirText) {
  // The RTF list's lines go straight from the RTF reader to the list reader; that must read
  // every file as its whole text read line by line does. Files as word processors save an
  // edited list: paragraphs or line breaks between rows, \'hh bytes, \u escapes with and
  // without fallbacks, nested formatting groups, tables and info groups, headers, stray
  // lines, decoded line ends.
  const std::string head = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}"
                           "{\\colortbl ;\\red0\\green0\\blue0;}\r\n\\viewkind4\\uc1\\pard\\f0\\fs24 ";
  struct Case {
    const char* what;
    std::string rtf;
    std::size_t count;
  };
  const std::vector<Case> cases = {
      {"a saved list, \\par\\r\\n after every paragraph",
       head + "SPOTTING LIST\\par\r\nTitle: FILM\\par\r\n\\par\r\n\\b 0001\\tab 00:00:01:00\\tab 00:00:02:12\\tab 01:12\\b0\\par\r\n"
                  "\\tab Caf\\'e9 {\\i cr\\'e8me}\\i0\\par\r\n\\tab second\\par\r\n\\par\r\n"
                  "\\b 0002\\tab 00:00:03:00\\tab 00:00:04:00\\tab 01:00\\b0\\par\r\n\\tab {\\i Wholly}\\par\r\n}\r\n",
       2},
      {"a word processor's save: \\line between rows, revision groups, \\u with \\uc1 and \\uc0, no header",
       "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}}"
       "{\\*\\generator Microsoft Word 16;}{\\info{\\title list}{\\author x}}{\\*\\rsidtbl \\rsid1}"
       "\\pard\\plain \\ltrpar\\ql {\\rtlch\\fcs1 \\ltrch\\fcs0 \\insrsid1 0001\\tab 00:00:01:00\\tab 00:00:02:00}{\\par}"
       "{\\rtlch\\fcs1 \\ltrch\\fcs0 \\tab \\u1055\\'3f\\u1088\\'3f\\line \\tab {\\uc0\\u955 x}}\\par\\par "
       "0002\\tab 00:00:03:00\\tab 00:00:04:00\\par \\tab {\\i\\insrsid1 lean}{\\insrsid1  flat}\\par}",
       2},
      {"text after the cues, a stray line between subtitles, a header line that looks like words",
       head + "Reel 1\\par 0001\\tab 00:00:01:00\\tab 00:00:02:00 words\\par\\tab one\\par\\par stray\\par\\par "
              "0002\\tab 00:00:03:00\\tab 00:00:04:00\\par\\tab two\\par}",
       2},
      {"a \\'0d byte and a \\u10 escape: line ends inside decoded text",
       head + "0001\\tab 00:00:01:00\\tab 00:00:02:00\\par\\tab a\\'0d\\'0ab\\par\\par 0002\\tab 00:00:03:00\\tab "
              "00:00:04:00\\par\\tab c\\u10?d\\par}",
       2},
      {"a byte-order mark as the first character, italics open over the last paragraph end",
       "{\\rtf1\\ansi\\u-257?0001\\tab 00:00:01:00\\tab 00:00:02:00\\par\\tab \\i x\\par\\tab y}", 1},
      {"a header only", head + "SPOTTING LIST\\par Title:\\par}", 0},
      {"an empty document", "{\\rtf1\\ansi }", 0},
      {"not RTF", "0001\t00:00:01:00\t00:00:02:00\r\n\tText\r\n", 0},
      {"groups nested without end", std::string(5000, '{').insert(0, "{\\rtf1 "), 0},
  };
  TimedLineLayout layout;
  layout.marks = ScriptMarks{kRtfItalicOn, kRtfItalicOff, "", "", "\r\n"};
  layout.textBelow = layout.ignoreRest = layout.headerFirst = true;
  layout.rowPrefix = "\t";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string onePass =
        Outcome([&](Warnings& w) { return ReadSpottingRtf(c.rtf, kPal, "windows-1252", w); });
    const std::string throughText = Outcome([&](Warnings& w) {
      return ReadTimedLines(RtfToText(c.rtf), kPal, layout, w, "This is not a valid RTF spotting list");
    });
    EXPECT_EQ(onePass, throughText);
    if (c.count) {
      EXPECT_EQ(std::count(onePass.begin(), onePass.end(), ']'), static_cast<long>(c.count)) << onePass;
    }
    // The lines one by one are the lines of the whole text.
    std::vector<std::string> lines;
    try {
      if (ReadRtfLines(c.rtf, "windows-1252", [&](std::string_view l) {
            lines.emplace_back(l);
            return true;
          })) {
        const std::string text = RtfToText(c.rtf);
        const std::vector<std::string_view> whole = ScriptLines(text);
        EXPECT_EQ(lines, std::vector<std::string>(whole.begin(), whole.end()));
      }
    } catch (const UserError&) {
      EXPECT_THROW(RtfToText(c.rtf), UserError);
    }
  }
}

SubtitleDocument Sample() {
  SubtitleDocument d;
  const char* texts[] = {"Plain", "<Wholly italic>", "Partly <italic>\r\nsecond {row} \\ ok",
                         "Caf\xC3\xA9 \xD0\x9F\xD1\x80\xD0\xB8", "0002\t00:00:01:00\t00:00:02:00 looks like cues"};
  for (int i = 0; i < 5; ++i) {
    Subtitle s;
    s.inCue = FramesToDigits(100 + i * 90, kPal);
    s.outCue = FramesToDigits(160 + i * 90, kPal);
    s.text = texts[i];
    d.Append(s);
  }
  return d;
}

TEST(SpottingLists, OurListsReadBack) {
  const SubtitleDocument doc = Sample();
  for (bool rtf : {false, true}) {
    for (bool duration : {true, false}) {
      SCOPED_TRACE(std::string(rtf ? "RTF" : "text") + (duration ? " with durations" : ""));
      Warnings w;
      ListLayout layout{"List", "SPOTTING LIST\r\nTitle: 0001 00:00:00:00 00:00:01:00", duration};
      const std::string file = rtf ? WriteSpottingRtf(doc, layout, w) : WriteSpottingText(doc, layout, w);
      EXPECT_TRUE(w.empty());
      Warnings rw;
      SubtitleDocument back = rtf ? ReadSpottingRtf(file, kPal, "windows-1252", rw) : ReadSpottingText(file, kPal, rw);
      ASSERT_EQ(back.Count(), doc.Count()) << file;
      for (std::size_t i = 0; i < doc.Count(); ++i) {
        EXPECT_EQ(back.At(i).inCue, doc.At(i).inCue);
        EXPECT_EQ(back.At(i).outCue, doc.At(i).outCue);
        EXPECT_EQ(back.At(i).text, doc.At(i).text);
      }
    }
  }
}

TEST(SpottingLists, EditedListsStillRead) {
  // A list after a person edited it: tabs before rows lost, the header rewritten, blank
  // lines doubled, LF line ends.
  const std::string edited =
      "Reel 3 of FILM\n\nNotes: none\n\n0001\t00:00:01:00\t00:00:02:00\t01:00\n\tFirst\nsecond without tab\n\n\n"
      "0002 00:00:03:00 00:00:04:00 01:00\n<i>Third</i>\n";
  Warnings w;
  SubtitleDocument d = ReadSpottingText(edited, kPal, w);
  ASSERT_EQ(d.Count(), 2u);
  EXPECT_EQ(d.At(0).text, "First\r\nsecond without tab");
  EXPECT_EQ(d.At(1).text, "<Third>");
  EXPECT_EQ(d.At(1).inCue.digits(), "00000300");
  EXPECT_TRUE(w.empty());
}

TEST(SpottingLists, UnstructuredDocumentsGiveOneSubtitlePerBlock) {
  Warnings w;
  SubtitleDocument d = ReadUnstructuredDocument(
      "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard First line\\par second\\par\\par {\\i Third}\\par\\par\\par}", kPal,
      "windows-1252", w);
  ASSERT_EQ(d.Count(), 2u);
  EXPECT_EQ(d.At(0).text, "First line\r\nsecond");
  EXPECT_EQ(d.At(1).text, "<Third>");
  EXPECT_FALSE(d.At(0).inCue.IsSet());
  d = ReadUnstructuredDocument("One\r\n\r\nTwo\r\nrows\r\n", kPal, "windows-1252", w);
  ASSERT_EQ(d.Count(), 2u);
  EXPECT_EQ(d.At(1).text, "Two\r\nrows");
  EXPECT_THROW(ReadUnstructuredDocument("\xD0\xCF\x11\xE0 binary", kPal, "windows-1252", w), UserError);
}

}  // namespace
}  // namespace kipo
