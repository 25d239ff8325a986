// The custom text layout: each setting's effect on a block, the timecode forms, the
// encodings with and without their mark, and the .ctf template record byte for byte.
#include <gtest/gtest.h>

#include "formats/exchange/custom_text.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

SubtitleDocument Four() {
  SubtitleDocument d;  // 25 fps
  const char* cues[][2] = {{"00000100", "00000300"}, {"00000500", "00000700"}, {"00001000", "00001212"},
                           {"00001500", "00001700"}};
  for (auto& c : cues) {
    Subtitle s;
    s.inCue = c[0];
    s.outCue = c[1];
    s.text = "Hello";
    d.Append(s);
  }
  return d;
}

// The block written for the third subtitle (number 3, 00:00:10:00 to 00:00:12:12).
std::string Third(const SubtitleDocument& d, const CustomTextOptions& o) {
  SubtitleDocument one;
  one.Append(d.At(0));
  one.Append(d.At(1));
  const std::string two = WriteCustomText(one, o);
  const std::string three = WriteCustomText([&] {
    SubtitleDocument t = one;
    t.Append(d.At(2));
    return t;
  }(), o);
  return three.substr(two.size() + (o.blankLine ? 2 : 0));
}

TEST(CustomText, DefaultsGiveTheTabbedBlockWithABlankLineBetween) {
  SubtitleDocument d = Four();
  const std::string text = WriteCustomText(d, {});
  EXPECT_NE(text.find("3\t00:00:10:00\t00:00:12:12\t00:00:02:12\r\nHello\r\n\r\n4\t"), std::string::npos) << text;
  EXPECT_TRUE(text.ends_with("00:00:02:00\r\nHello\r\n")) << "no blank line after the last subtitle";
  EXPECT_EQ(WriteCustomText(SubtitleDocument{}, {}), "");
}

TEST(CustomText, EachSettingShapesTheBlock) {
  struct Case {
    const char* what;
    std::function<void(CustomTextOptions&, Subtitle&)> set;
    std::string block;
  };
  auto only = [](CustomTextOptions& o) { o.number = o.cues = o.duration = o.position = false; };
  const Case cases[] = {
      {"four-digit number", [](auto& o, auto&) { o.numberFormat = 1; }, "0003\t00:00:10:00\t00:00:12:12\t00:00:02:12\r\nHello\r\n"},
      {"position alone", [&](auto& o, auto& s) { only(o); o.position = true; s.row = 3; }, "*R03*\r\nHello\r\n"},
      {"duration then position", [](auto& o, auto& s) { o.number = o.cues = false; o.position = true; s.row = 11; },
       "00:00:02:12\t*R11*\r\nHello\r\n"},
      {"number alone has no separator after it", [&](auto& o, auto&) { only(o); o.number = true; }, "3\r\nHello\r\n"},
      {"cues alone end without the duration separator", [&](auto& o, auto&) { only(o); o.cues = true; o.durationSeparator = "|"; },
       "00:00:10:00\t00:00:12:12\r\nHello\r\n"},
      {"no fields, no text separator", [&](auto& o, auto&) { only(o); o.textSeparator = "#"; }, "Hello\r\n"},
      {"word and literal separators",
       [](auto& o, auto&) { o.numberSeparator = "Space"; o.interCueSeparator = "/"; o.durationSeparator = " --> "; o.textSeparator = "Tab"; },
       "3 00:00:10:00/00:00:12:12 --> 00:00:02:12\tHello\r\n"},
      {"new line separator", [&](auto& o, auto&) { only(o); o.number = o.cues = true; o.numberSeparator = "New line"; },
       "3\r\n00:00:10:00\t00:00:12:12\r\nHello\r\n"},
      {"rows joined by the row separator", [&](auto& o, auto& s) { only(o); o.rowSeparator = "<p>"; s.text = "One\r\nTwo"; },
       "One<p>Two\r\n"},
      {"italic markers around a word", [&](auto& o, auto& s) { only(o); o.startItalic = "<i>"; o.endItalic = "</i>"; s.text = "Say <hello> now"; },
       "Say <i>hello</i> now\r\n"},
      {"a wholly italic subtitle, each row", [&](auto& o, auto& s) { only(o); o.startItalic = "{"; o.endItalic = "}"; s.italic = true; s.text = "A\r\nB"; },
       "{A}\r\n{B}\r\n"},
      {"markers holding the other marker are not replaced twice",
       [&](auto& o, auto& s) { only(o); o.startItalic = "<>"; o.endItalic = "><"; s.text = "<x>"; }, "<>x><\r\n"},
      {"default markers keep the document's", [&](auto& o, auto& s) { only(o); s.text = "<Oh> \x01red\x07 [under]"; },
       "<Oh> red under\r\n"},
      {"a literal angle bracket from a file stays itself",
       [&](auto& o, auto& s) { only(o); o.startItalic = "<i>"; s.text = "a \xEE\x80\xBC b"; }, "a < b\r\n"},
      {"comment after the row separator", [&](auto& o, auto& s) { only(o); o.comments = true; o.rowSeparator = "|"; s.comment = "check"; },
       "Hello\r\n|[check]\r\n"},
      {"empty comment still written", [&](auto& o, auto&) { only(o); o.comments = true; }, "Hello\r\n\r\n[]\r\n"},
      {"unset out cue", [&](auto& o, auto& s) { only(o); o.cues = o.duration = true; s.outCue = ""; },
       "00:00:10:00\t--:--:--:--\t--:--:--:--\r\nHello\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SubtitleDocument d = Four();
    CustomTextOptions o;
    o.blankLine = false;
    Subtitle s = d.At(2);
    c.set(o, s);
    d.Replace(2, s);
    EXPECT_EQ(Third(d, o), c.block);
  }
}

TEST(CustomText, TheEightTimecodeForms) {
  SubtitleDocument d;
  d.SetFrameRate(25);
  Subtitle s;
  s.inCue = "01020304";
  s.outCue = "01020512";
  s.text = "x";
  d.Append(s);
  const char* want[] = {
      "01:02:03:04 01:02:05:12 00:00:02:08", "01:02:03;04 01:02:05;12 00:00:02;08",
      "01;02;03;04 01;02;05;12 00;00;02;08", "01:02:03:160 01:02:05:480 00:00:02:320",
      "01:02:03.160 01:02:05.480 00:00:02.320", "01:02:03,160 01:02:05,480 00:00:02,320",
      "93079 93137 58", "3723.160 3725.480 2.320",
  };
  for (int form = 0; form < 8; ++form) {
    SCOPED_TRACE(form);
    CustomTextOptions o;
    o.number = false;
    o.tcFormat = form;
    o.interCueSeparator = o.durationSeparator = "Space";
    o.textSeparator = "|";
    EXPECT_EQ(WriteCustomText(d, o), std::string(want[form]) + "|x\r\n");
  }
  EXPECT_EQ(TimecodeFormatLabels().size(), 8u);
  EXPECT_EQ(TimecodeFormatLabels()[7], "Seconds");
}

TEST(CustomText, SeparatorWordsAndEncodings) {
  EXPECT_EQ(SeparatorText("Tab"), "\t");
  EXPECT_EQ(SeparatorText("Space"), " ");
  EXPECT_EQ(SeparatorText("New line"), "\r\n");
  EXPECT_EQ(SeparatorText("tab"), "tab") << "only the words as the window shows them";
  EXPECT_EQ(SeparatorText(""), "");
  EXPECT_EQ(SeparatorChoices(), (std::vector<std::string>{"Tab", "Space", "New line", "<p>", "/"}));
  EXPECT_EQ(CustomTextEncodingNames(), (std::vector<std::string>{"System code page", "UTF-8", "Unicode (UTF-16)"}));
  EXPECT_EQ(CustomTextEncoding(0), TextEncoding::Ansi);
  EXPECT_EQ(CustomTextEncoding(2), TextEncoding::Utf16);
  EXPECT_EQ(CustomTextEncoding(9), TextEncoding::Ansi);
}

std::string Field(std::string s) { return s + std::string(30 - s.size(), ' '); }

TEST(CustomTemplate, TheRecordByteForByte) {
  CustomTextOptions o;
  o.numberFormat = 1;
  o.tcFormat = 4;
  o.interCueSeparator = "/";
  o.durationSeparator = "Space";
  o.startItalic = "<i>";
  o.endItalic = "</i>";
  o.encoding = 2;
  o.blankLine = false;
  o.position = true;
  o.comments = true;
  const Bytes got = WriteCustomTemplate(o);
  std::string want;
  want += std::string("\x01\x00\x01\x00\x03\x00", 6) + Field("Tab");
  want += std::string("\x01\x00\x04\x00\x01\x00", 6) + Field("/");
  want += std::string("\x05\x00", 2) + Field("Space");
  want += std::string("\x01\x00\x08\x00", 4) + Field("New line");
  want += std::string("\x08\x00", 2) + Field("New line");
  want += std::string("\x03\x00", 2) + Field("<i>");
  want += std::string("\x04\x00", 2) + Field("</i>");
  want += std::string("\x02\x00\x00\x00\x01\x00\x01\x00", 8);
  ASSERT_EQ(want.size(), kCustomTemplateFields);
  want += std::string(kCustomTemplateLength - want.size(), '\0');
  EXPECT_EQ(std::string(got.begin(), got.end()), want);
  EXPECT_EQ(ReadCustomTemplate(got), o);
}

TEST(CustomTemplate, LongAndForeignTextsAndBadFiles) {
  CustomTextOptions o;
  o.startItalic = std::string(40, 'x');
  o.endItalic = "«é»";
  CustomTextOptions back = ReadCustomTemplate(WriteCustomTemplate(o));
  EXPECT_EQ(back.startItalic, std::string(30, 'x')) << "cut to 30";
  EXPECT_EQ(back.endItalic, "«é»") << "Windows-1252 both ways";

  // A file of the fields alone (written without the record's padding) still reads; a
  // length past 30 and numbers out of range are brought into range.
  Bytes b = WriteCustomTemplate({});
  b.resize(kCustomTemplateFields);
  b[4] = 99;             // the number separator's length
  b[38] = 12;            // the timecode form
  b[234] = 7;            // the encoding
  CustomTextOptions odd = ReadCustomTemplate(b);
  EXPECT_EQ(odd.numberSeparator, Field("Tab"));
  EXPECT_EQ(odd.tcFormat, 7);
  EXPECT_EQ(odd.encoding, 2);
  for (std::size_t size : {0ul, 2ul, 241ul}) {
    SCOPED_TRACE(size);
    b.resize(size);
    EXPECT_THROW(ReadCustomTemplate(b), UserError);
  }
}

}  // namespace
}  // namespace kipo
