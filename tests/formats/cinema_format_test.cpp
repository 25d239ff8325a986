// The digital cinema format in the registry: .xml files reach the reader that knows them,
// options are set by key (the dialect by place or name), and an export writes the 3D pair.
#include <gtest/gtest.h>

#include "formats/cinema/dlp_options.h"
#include "formats/cinema/z_offsets.h"
#include "formats/registry.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

const Format& Cinema() {
  const ExportFormat* row = FindExportFormat("Texas Instruments DLP Cinema");
  EXPECT_NE(row, nullptr);
  return *FormatOf(*row);
}

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(CinemaFormat, XmlFilesGoToTheReaderThatKnowsThem) {
  const std::string reel = "<?xml version=\"1.0\"?><dcst:SubtitleReel xmlns:dcst=\"x\"/>";
  EXPECT_EQ(FormatForFile("XML", Bytes(reel)), &Cinema());
  EXPECT_EQ(FormatForFile(".xml", Bytes("<DCSubtitle Version=\"1.0\"/>")), &Cinema());
  EXPECT_EQ(FindImportFormat("Texas Instruments DLP Cinema XML file")->fileType, "XML");
  EXPECT_EQ(FormatForFile("srt", Bytes(reel)), FormatForExtension("srt"));
}

TEST(CinemaFormat, OptionsByKeyAndTheDialectByName) {
  const Format& f = Cinema();
  SettingsStore s;
  EXPECT_TRUE(f.options.setFromText(s, "DC Version", "DCDM SMPTE 428-7 (ZPosition)"));
  EXPECT_EQ(LoadDlpOptions(s).version, DcVersion::SmpteZ);
  EXPECT_TRUE(f.options.setFromText(s, "dc version", "0"));
  EXPECT_EQ(LoadDlpOptions(s).version, DcVersion::Dlp10);
  struct Case {
    const char* key;
    const char* value;
    bool ok;
  };
  for (const Case& c : {Case{"DC Version", "6", false}, Case{"DC Version", "DLP 2.0", false},
                        Case{"Effect", "shadow", true}, Case{"Effect", "glow", false},
                        Case{"Text colour", "yellow", true}, Case{"Text colour", "purple", false}, Case{"Text colour", "#ffcc00", true},
                        Case{"DCDM frame rate", "48", true}, Case{"DCDM frame rate", "23", false},
                        Case{"SMPTE namespace", "2010", true}, Case{"SMPTE namespace", "2009", false},
                        Case{"Aspect adjust", "5", false}, Case{"Font UUID", "not-a-uuid", false},
                        Case{"Screen size", "4096x2160", true}, Case{"Screen size", "big", false}}) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.value);
    EXPECT_EQ(f.options.setFromText(s, c.key, c.value), c.ok);
  }
  const DlpOptions o = LoadDlpOptions(s);
  EXPECT_EQ(o.effect, "Shadow");
  EXPECT_EQ(o.textColour, "FFCC00");
  EXPECT_EQ(o.smpteEdition, 2010);
}

TEST(CinemaFormat, ExportWritesTheEyePairWithTheOffsetsFile) {
  test::TempHome home;
  SettingsStore s;
  const Format& f = Cinema();
  SaveZOffsetsFile(home / "z.txt", {{1, -4.0}});
  ASSERT_TRUE(f.options.setFromText(s, "DC Version", "2"));
  ASSERT_TRUE(f.options.setFromText(s, "3D subs", "1"));
  ASSERT_TRUE(f.options.setFromText(s, "Z offsets file", (home / "z.txt").string()));
  SubtitleDocument doc(24, kDefaultLanguageId, 0);
  Subtitle sub;
  sub.inCue = "00000100";
  sub.outCue = "00000200";
  sub.text = "Deep";
  doc.Append(sub);
  test::RecordingPrompter prompter;
  FormatContext ctx{prompter, s};
  f.exportTo(doc, home / "reel1.xml", ctx);
  EXPECT_FALSE(std::filesystem::exists(home / "reel1.xml"));
  EXPECT_NE(test::ReadFile(home / "reel1_Left.xml").find("HPosition=\"2.0\""), std::string::npos);
  EXPECT_NE(test::ReadFile(home / "reel1_Right.xml").find("HPosition=\"-2.0\""), std::string::npos);
}

}  // namespace
}  // namespace kipo
