// Catalogue rows through the registry as the export writes them: the Spruce script and the
// spotting list start with the data folder's header files (ours, as a user edits them, or
// the defaults written there when missing), PMWin scripts go out in the code page of the
// document's Asian character set, and Flash files keep to what the web players take.
#include <gtest/gtest.h>

#include <regex>

#include "formats/catalogue_options.h"
#include "formats/registry.h"
#include "platform/files.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

SubtitleDocument Doc(std::int16_t characterSet, std::vector<std::string> texts) {
  SubtitleDocument d(25, kDefaultLanguageId, characterSet);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    Subtitle s;
    s.inCue = Cue::FromFrames(static_cast<FrameCount>(100 + 75 * i), d.frameRate());
    s.outCue = Cue::FromFrames(static_cast<FrameCount>(150 + 75 * i), d.frameRate());
    s.text = texts[i];
    d.Append(s);
  }
  return d;
}

std::string Written(const char* id, const SubtitleDocument& doc, int codePage = 65001) {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  FormatContext ctx{prompter, settings};
  ctx.textCodePage = codePage;
  WriteResult r = FindFormat(id)->write(doc, ctx);
  std::string text(r.bytes.begin(), r.bytes.end());
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  return text;
}

TEST(CatalogueRows, HeaderFilesStartTheirScripts) {
  struct Case {
    const char* id;
    HeaderFile which;
    const char* file;
    std::string ours;      // as a user saves it: LF ends, accents in UTF-8
    const char* expected;  // how the script starts
  };
  const Case cases[] = {
      {"spruce-stl", HeaderFile::Spruce, "spruce.dat", "$FontName = Tahoma\n$FontSize = 28\n// Bobine 1 \xC3\xA9t\xC3\xA9\n",
       "$FontName = Tahoma\r\n$FontSize = 28\r\n// Bobine 1 \xC3\xA9t\xC3\xA9\r\n"},
      {"theatrical-spotting-list", HeaderFile::Theatrical, "theatrical.dat", "LE FILM\nBobine 2\n",
       "LE FILM\r\nBobine 2\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    test::TempHome home;
    const SubtitleDocument doc = Doc(0, {"One", "Two"});
    // Missing: the default starts the script and is written for the user to edit.
    const std::string first = Written(c.id, doc);
    const std::string def = DefaultHeader(c.which).substr(0, DefaultHeader(c.which).find('\r'));
    EXPECT_TRUE(first.starts_with(def)) << first;
    EXPECT_TRUE(std::filesystem::exists(DataFolder() / c.file));
    // Ours, edited by hand.
    test::WriteFile(DataFolder() / c.file, c.ours);
    const std::string text = Written(c.id, doc);
    EXPECT_TRUE(text.starts_with(c.expected)) << text;
    EXPECT_NE(text.find("One"), std::string::npos);
  }
}

// Formats that share an extension: opening a file reads it by its content (Spruce scripts
// and EBU STL files are both ".stl"; MicroDVD and two DVD scripts ".sub"), in every
// encoding their writers offer.
TEST(CatalogueRows, SharedExtensionsReadByTheirContent) {
  test::TempHome home;
  const SubtitleDocument doc = Doc(0, {"One", "Two"});
  struct Case {
    const char *extension, *id;
  };
  for (const Case& c : {Case{".stl", "spruce-stl"}, Case{".stl", "ebu-stl"}, Case{".sub", "microdvd"},
                        Case{".sub", "sony-dvd-architect"}, Case{".sub", "sonic-dvd-creator"}}) {
    for (int codePage : {65001, 1200, 1252}) {
      SCOPED_TRACE(std::string(c.id) + " " + std::to_string(codePage));
      const SettingsStore settings;
      test::RecordingPrompter prompter;
      FormatContext ctx{prompter, settings};
      ctx.textCodePage = codePage;
      const WriteResult r = FindFormat(c.id)->write(doc, ctx);
      const Format* f = FormatForFile(c.extension, r.bytes);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->id, c.id);
    }
  }
  // Another tool's Sony script, tabs and a blank line first; a Sonic script without its heading.
  const std::string sony = "\r\n00:00:01:00\t00:00:02:00\tOne\r\n", sonic = "1\t00:00:01:00\t00:00:02:00\tOne\r\n";
  EXPECT_EQ(FormatForFile(".SUB", std::span(reinterpret_cast<const std::uint8_t*>(sony.data()), sony.size()))->id,
            "sony-dvd-architect");
  EXPECT_EQ(FormatForFile(".SUB", std::span(reinterpret_cast<const std::uint8_t*>(sonic.data()), sonic.size()))->id,
            "sonic-dvd-creator");
}

TEST(CatalogueRows, PmWinScriptsInTheAsianCodePage) {
  struct Case {
    std::int16_t characterSet;
    const char* codePage;
    const char* text;
    std::string bytes;
  };
  const Case cases[] = {
      {128, "windows-932", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\x93\xFA\x96\x7B\x8C\xEA"},  // Japanese
      {134, "windows-936", "\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4"},                      // Simplified Chinese
      {129, "windows-949", "\xED\x95\x9C\xEA\xB8\x80", "\xC7\xD1\xB1\xDB"},                      // Korean
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.codePage);
    const SubtitleDocument doc = Doc(c.characterSet, {c.text, std::string("<") + c.text + ">"});
    const std::string file = Written("pmwin", doc, 0);
    EXPECT_NE(file.find(c.bytes), std::string::npos) << file;
    SettingsStore settings;
    test::RecordingPrompter prompter;
    FormatContext ctx{prompter, settings};
    ctx.ansiCodePage = c.codePage;
    ReadResult back = FindFormat("pmwin")->read(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()), ctx);
    ASSERT_EQ(back.document.Count(), 2u);
    EXPECT_EQ(back.document.At(0).text, c.text);
    EXPECT_EQ(back.document.At(1).text, doc.At(1).text);
  }
}

TEST(CatalogueRows, FlashFilesKeepToWhatThePlayersTake) {
  SubtitleDocument doc = Doc(0, {"Plain", "\x03Yellow <and italic> text\x07\r\nrow two", "<Wholly>"});
  const std::string xml = Written("flash", doc);
  // Times: clock values with fractions of a second, never frames or ticks.
  const std::regex time("(begin|end)=\"([^\"]*)\"");
  int times = 0;
  for (auto it = std::sregex_iterator(xml.begin(), xml.end(), time); it != std::sregex_iterator(); ++it, ++times)
    EXPECT_TRUE(std::regex_match((*it)[2].str(), std::regex(R"(\d\d:\d\d:\d\d\.\d\d\d)"))) << (*it)[0];
  EXPECT_EQ(times, 6);
  // Spans never nest and never refer to styles.
  int depth = 0;
  for (std::size_t at = 0; (at = xml.find("span", at)) != std::string::npos; at += 4) {
    if (xml[at - 1] == '<') EXPECT_EQ(++depth, 1) << "a span inside a span";
    else if (xml[at - 1] == '/') --depth;
  }
  EXPECT_EQ(xml.find("style=\""), std::string::npos);
  EXPECT_NE(xml.find("<span tts:fontStyle=\"italic\" tts:color=\"yellow\">and italic</span>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("xmlns=\"http://www.w3.org/2006/10/ttaf1\""), std::string::npos);
}

}  // namespace
}  // namespace kipo
