// The six Timed Text formats in the registry: their rows and settings keys, the bytes
// they write (UTF-8, the byte-order mark and "Remove BOM"), and which format reads a file
// when .xml is shared with other XML formats.
#include <gtest/gtest.h>

#include "formats/registry.h"
#include "formats/text_cue_format.h"
#include "formats/timed_text_format.h"
#include "platform/user_error.h"
#include "settings/keys.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

SubtitleDocument OneSubtitle() {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  Subtitle s;
  s.inCue = "00000100";
  s.outCue = "00000212";
  s.text = "A & B";
  d.Append(s);
  return d;
}

TEST(TimedTextFormats, CatalogueRows) {
  struct Case {
    const char *name, *filter, *title, *ext, *dialog;
    int position;
    bool optionsOnOk;
  };
  const Case cases[] = {
      {"W3C Timed Text (DFXP)", "W3C Timed Text File (*.xml)|*.xml", "Export W3C Timed Text File", "itt",
       "frmTimedTextOptions", 5, false},
      {"Netflix Timed Text (DFXP)", "Netflix Timed Text File (*.dfxp)|*.dfxp", "Netflix Timed Text File", "dfxp",
       "frmTimedTextOptions", 6, false},
      {"Generic Timed Text", "Generic Timed Text File (*.tt)|*.tt", "Export Generic Timed Text File", "itt",
       "frmTimedTextOptions", 4, false},
      {"EBU-TT Timed Text (EBU Tech 3350)", "EBU-TT Timed Text File (*.xml)|*.xml", "Export EBU-TT Timed Text File",
       "itt", "frmTimedTextOptions", 2, false},
      {"EBU-TT-D Timed Text (EBU Tech 3380)", "EBU-TT-D Timed Text File (*.ebuttd.xml)|*.ebuttd.xml",
       "Export EBU-TT-D Timed Text File", "ebuttd.xml", "frmEBUTTD", 3, false},
      {"Apple iTunes Timed Text", "Apple iTunes Timed Text File (*.itt)|*.itt", "Export Apple iTunes Timed Text File",
       "itt", "frmiTuneOptions", 34, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ExportFormat* row = FindExportFormat(c.name);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->filter, c.filter);
    EXPECT_EQ(row->title, c.title);
    EXPECT_EQ(row->defaultExt, c.ext);
    EXPECT_EQ(row->optionsDialog, c.dialog);
    EXPECT_EQ(row->position, c.position);
    EXPECT_EQ(row->optionsOnOk, c.optionsOnOk);
    EXPECT_EQ(row->type, "XML/TT");
    EXPECT_TRUE(row->available);
    EXPECT_FALSE(row->hasPreview);
  }
  const ImportFormat* itunes = FindImportFormat("Apple iTunes Timed Text file");
  ASSERT_NE(itunes, nullptr);
  EXPECT_EQ(itunes->openTitle, "Import iTunes Timed Text Subtitle File");
  EXPECT_EQ(itunes->openFilter, "WebVTT UTF-8 file (*.itt)|*.itt");
  EXPECT_EQ(itunes->fileName, "*.itt");
  EXPECT_EQ(itunes->fileType, "ITT");
  for (const char* target : {"W3C Timed Text", "EBU-TT Timed Text", "Apple iTunes"})
    EXPECT_NE(FindConvertTarget(target), nullptr) << target;
}

TEST(TimedTextFormats, SettingsKeysAndDefaults) {
  SettingsStore empty;
  const TimedTextWriteOptions o = EbuTtdOptionTable().Load(empty);
  EXPECT_EQ(o.fontName, "Arial");
  EXPECT_EQ(o.fontSize, 12);
  EXPECT_EQ(o.fontStyle, 0);
  EXPECT_EQ(o.boxed, 0);
  EXPECT_FALSE(o.outline);
  EXPECT_EQ(o.outlineSize, 2);
  EXPECT_EQ(o.country, "GBR");
  EXPECT_EQ(o.aspect, 0);
  EXPECT_EQ(ITunesOptionTable().Load(empty).forceRegion, false);

  const std::vector<std::string> style = {"Timed text font name", "Timed text font size",  "Timed text font style",
                                          "Timed text boxed",     "Timed text outline",    "Timed text outline size"};
  EXPECT_EQ(TimedTextOptionTable().Names(), style);
  std::vector<std::string> ebuttd = {"EBUTTD Aspect", "EBUTTD Copyright", "EBUTTD Country", "EBUTTD Editor",
                                     "EBUTTD Publisher"};
  ebuttd.insert(ebuttd.end(), style.begin(), style.end());
  EXPECT_EQ(EbuTtdOptionTable().Names(), ebuttd);
  EXPECT_EQ(ITunesOptionTable().Names(), std::vector<std::string>{"iTunes"});

  // Stored forms: the outline as True/False, the check box as 1/0, the aspect 0 or 1.
  SettingsStore s;
  EXPECT_TRUE(EbuTtdOptionTable().SetFromText(s, "Timed text outline", "True"));
  EXPECT_TRUE(ITunesOptionTable().SetFromText(s, "iTunes", "true"));
  EXPECT_FALSE(EbuTtdOptionTable().SetFromText(s, "EBUTTD Aspect", "2"));
  EXPECT_TRUE(EbuTtdOptionTable().SetFromText(s, "EBUTTD Aspect", "1"));
  const std::string ini = s.Serialise();
  EXPECT_NE(ini.find("Timed text outline=True"), std::string::npos) << ini;
  EXPECT_NE(ini.find("iTunes=1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("EBUTTD Aspect=1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("[Export]"), std::string::npos) << ini;
}

TEST(TimedTextFormats, Utf8WithTheMarkUnlessRemoved) {
  for (const char* id : {"w3c-timed-text", "netflix-timed-text", "generic-timed-text", "ebu-tt", "ebu-tt-d",
                         "itunes-timed-text"}) {
    SCOPED_TRACE(id);
    const Format* f = FindFormat(id);
    ASSERT_NE(f, nullptr);
    test::RecordingPrompter prompter;
    SettingsStore settings;
    FormatContext ctx{prompter, settings};
    WriteResult r = f->write(OneSubtitle(), ctx);
    ASSERT_GE(r.bytes.size(), 3u);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.begin() + 9), "\xEF\xBB\xBF<?xml ");
    // The export dialog's path: the filter reads as ANSI, the file is UTF-8 all the same.
    WriteResult viaExport = EncodeCueText(*f, OneSubtitle(), settings, TextEncoding::Ansi);
    EXPECT_EQ(viaExport.bytes, r.bytes);
    settings.Set(keys::kRemoveBom, true);
    WriteResult bare = f->write(OneSubtitle(), ctx);
    EXPECT_EQ(std::string(bare.bytes.begin(), bare.bytes.begin() + 6), "<?xml ");
    EXPECT_EQ(bare.bytes.size() + 3, r.bytes.size());
    ctx.textCodePage = 1200;
    EXPECT_FALSE(f->write(OneSubtitle(), ctx).warnings.empty());
  }
}

TEST(TimedTextFormats, WhichFormatReadsAFile) {
  const std::string ttml =
      "<?xml version='1.0'?><tt xmlns='http://www.w3.org/ns/ttml'><body><div><p begin='1s' end='2s'>x</p></div></body></tt>";
  const std::string cinema = "<?xml version='1.0'?><DCSubtitle Version='1.0'/>";
  struct Case {
    const char* path;
    const std::string& bytes;
    const char* id;  // nullptr: none
  };
  const Case cases[] = {
      {"film.xml", ttml, "w3c-timed-text"},     {"film.ebuttd.xml", ttml, "w3c-timed-text"},
      {"FILM.XML", ttml, "w3c-timed-text"},     {"film.xml", cinema, nullptr},
      {"film.ttml", ttml, "w3c-timed-text"},    {"film.dfxp", ttml, "netflix-timed-text"},
      {"film.itt", ttml, "itunes-timed-text"},  {"film.tt", ttml, "generic-timed-text"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const Format* f = FormatForFile(std::filesystem::path(c.path).extension().string(), Bytes(c.bytes));
    if (!c.id) EXPECT_TRUE(f == nullptr || f->id.find("timed") == std::string::npos);
    else {
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->id, c.id);
    }
  }
}

// The iTunes import also reads hand-made files that are not well-formed; the other
// dialects refuse them.
TEST(TimedTextFormats, ITunesImportOfHandMadeFiles) {
  const std::string file = "<tt><body><div>\r\n<p begin=\"00:00:01:00\" end=\"00:00:02:00\">Tom & <i>Jerry</i></br>too</p>\r\n</div></body></tt>";
  test::RecordingPrompter prompter;
  SettingsStore settings;
  FormatContext ctx{prompter, settings};
  ctx.frameRateCode = 25;
  ReadResult r = FindFormat("itunes-timed-text")->read(Bytes(file), ctx);
  ASSERT_EQ(r.document.Count(), 1u);
  EXPECT_EQ(r.document.At(0).text, "Tom & <Jerry>\r\ntoo");
  try {
    FindFormat("w3c-timed-text")->read(Bytes(file), ctx);
    ADD_FAILURE() << "read";
  } catch (const UserError& e) {
    EXPECT_EQ(e.title(), "Invalid file format");
  }
}

}  // namespace
}  // namespace kipo
