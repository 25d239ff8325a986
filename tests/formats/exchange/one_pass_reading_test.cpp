// The cue-list readers read a file once, line by line, where it lies in memory; the tag
// reader and writer take the common rows a shorter way. These tests hold each short way
// to what the long way gives.
#include <gtest/gtest.h>

#include "formats/exchange/cue_text.h"
#include "formats/exchange/subrip.h"
#include "formats/exchange/text_encoding.h"
#include "formats/exchange/webvtt.h"

namespace kipo {
namespace {

FrameRate Rate25() { return *FrameRate::FromCode(25); }

TEST(LineReader, EveryLineEnd) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {""}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b", ""}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b", ""}},
      {"\r\n\r\n", {"", "", ""}},
      {"a\r\r\nb", {"a", "", "b"}},        // a lone CR, then CR LF
      {"a\n\rb\r\n\nc", {"a", "", "b", "", "c"}},
      {"first\r\nsecond\nthird\rfourth", {"first", "second", "third", "fourth"}},
      {"Wrong\rline\r\n", {"Wrong", "line", ""}},  // the first line keeps its first byte
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    std::vector<std::string> got;
    LineReader reader(c.text);
    for (std::string_view line; reader.Next(line);) got.emplace_back(line);
    EXPECT_EQ(got, c.lines);
    std::vector<std::string> split;
    for (std::string_view line : SplitAnyLines(c.text)) split.emplace_back(line);
    EXPECT_EQ(split, c.lines);
  }
}

// UTF-8 text is read where it lies; every other encoding is converted, as the copying
// form converts it.
TEST(ImportText, UtfEightIsNotCopied) {
  auto bytes = [](std::string_view s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> file;
    std::optional<TextEncoding> forced;
    std::string text;
    bool inPlace;
  };
  const std::vector<Case> cases = {
      {"UTF-8 with a mark", bytes("\xEF\xBB\xBF" "caf\xC3\xA9"), std::nullopt, "caf\xC3\xA9", true},
      {"UTF-8 without a mark", bytes("caf\xC3\xA9"), std::nullopt, "caf\xC3\xA9", true},
      {"UTF-8 asked for", bytes("caf\xC3\xA9"), TextEncoding::Utf8, "caf\xC3\xA9", true},
      {"ASCII", bytes("1\r\nplain"), std::nullopt, "1\r\nplain", true},
      {"ANSI", bytes("caf\xE9"), std::nullopt, "caf\xC3\xA9", false},
      {"ANSI asked for UTF-8", bytes("caf\xE9"), TextEncoding::Utf8, "caf\xC3\xA9", false},
      {"UTF-16 with a mark", bytes(std::string("\xFF\xFE" "a\0\xE9\0", 6)), std::nullopt, "a\xC3\xA9", false},
      {"UTF-16 asked for", bytes(std::string("a\0b\0", 4)), TextEncoding::Utf16, "ab", false},
      {"empty", {}, std::nullopt, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string storage;
    const std::string_view view = DecodeImportText(c.file, c.forced, "windows-1252", storage);
    EXPECT_EQ(view, c.text);
    EXPECT_EQ(DecodeImportText(c.file, c.forced, "windows-1252"), c.text);
    if (!c.file.empty()) {
      const bool inFile = view.data() >= reinterpret_cast<const char*>(c.file.data()) &&
                          view.data() < reinterpret_cast<const char*>(c.file.data() + c.file.size());
      EXPECT_EQ(inFile, c.inPlace);
    }
  }
}

// Past the largest document the cues are counted, not read, and the last cue read ends
// where the next one starts.
TEST(SubRipRead, CuesPastTheLargestDocument) {
  std::string file;
  const std::size_t total = kMaxSubtitles + 2;
  for (std::size_t i = 0; i < total; ++i)
    file += std::to_string(i + 1) + "\n00:00:01,000 --> 00:00:02,000\ntext " + std::to_string(i + 1) + "\n\n";
  Warnings w;
  SubtitleDocument d = ReadSubRip(file, Rate25(), w);
  ASSERT_EQ(d.Count(), kMaxSubtitles);
  EXPECT_EQ(d.At(kMaxSubtitles - 1).text, "text 32767");
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0], "The file holds 32769 subtitles; only the first 32767 were read");
}

// Rows with nothing but the usual tags take the short way; each case also holds
// something that sends the row the long way, and both must agree.
TEST(TagReading, CommonTagsAsTheGeneralReader) {
  struct Case {
    const char* line;
    const char* text;
  };
  const Case cases[] = {
      {"<i>a</i> b", "<a> b"},
      {"<I>a</I> b", "<a> b"},
      {"<i >a</i > b", "<a> b"},
      {"<b>bold</b> <s>struck</s>", "bold struck"},
      {"<u>under</u> &amp; <i>it</i>", "[under] & <it>"},
      {"<i>open <3", "<open \xEE\x80\xBC" "3"},
      {"<font color=red><i>r</i></font> w", "\x01<r>\x07 w"},
      {"a > b [c] <i>", "a \xEE\x80\xBE b \xEE\x81\x9B" "c\xEE\x81\x9D <"},
      {"&lt;i&gt;x&#60;/i&#62;", "\xEE\x80\xBCi\xEE\x80\xBEx\xEE\x80\xBC/i\xEE\x80\xBE"},
      {"<x>", ""},
      {"<", "\xEE\x80\xBC"},
      {"</", "\xEE\x80\xBC/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(TagsToMarkup(c.line), c.text);
  }
}

TEST(TagWriting, CommonRowsAsTheGeneralWriter) {
  struct Case {
    const char* row;
    bool escapeAll;
    const char* written;
  };
  const Case cases[] = {
      {"<a> b", false, "<i>a</i> b"},
      {"[a] <b>", true, "<u>a</u> <i>b</i>"},
      {"<a> & b", true, "<i>a</i> &amp; b"},
      {"<a> & b", false, "<i>a</i> & b"},
      {"<a> &amp; b", false, "<i>a</i> &amp;amp; b"},
      {"<a>\x02 b", false, "<i>a</i><font color=\"#00ff00\"> b</font>"},
      {"<a> 1/2", false, "<i>a</i> 1/2"},
      {"<a>\x7F b", false, "<i>a</i> b"},
      {"<\xEE\x80\xBC>", true, "<i>&lt;</i>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    std::string out;
    TagWriter w({.escapeAll = c.escapeAll, .colours = true});
    w.AppendRow(out, c.row);
    EXPECT_EQ(out, c.written);
  }
}

}  // namespace
}  // namespace kipo
