// Every dialect's file against the published schema it claims (Interop DCSubtitle, SMPTE
// 428-7 2007, 2010 and 2014), through libxml2. Where the laid-out text would not validate
// the writer departs from it; these tests hold it to the valid form:
// - LoadFont is written before the first Font element (the schema allows it only there);
// - a reel binds its "dcst" prefix (xmlns:dcst), names its font "ID" and says "Underline";
// - the depth of a reel line is the 2014 edition's Zposition on each Text element.
// The schemas live outside the project: without ../shared the tests skip.
#include <gtest/gtest.h>
#include <libxml/xmlschemas.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "formats/cinema/cinema_test_util.h"
#include "support/temp_home.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

const std::filesystem::path kSchemas = std::filesystem::path(KIPO_SHARED_SAMPLES) / "xsd" / "dcp-clairmeta";

void CollectError(void* ctx, const char* fmt, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  *static_cast<std::string*>(ctx) += buffer;
}

// The schema's complaints about a file; empty when it validates.
std::string Validate(const std::filesystem::path& schemaFile, const std::string& xml) {
  std::string errors;
  xmlSchemaParserCtxtPtr pctx = xmlSchemaNewParserCtxt(schemaFile.c_str());
  xmlSchemaSetParserErrors(pctx, CollectError, CollectError, &errors);
  xmlSchemaPtr schema = xmlSchemaParse(pctx);
  xmlSchemaFreeParserCtxt(pctx);
  if (!schema) return "schema did not load: " + errors;
  xmlDocPtr doc = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "reel.xml", nullptr, XML_PARSE_NONET);
  if (!doc) {
    xmlSchemaFree(schema);
    return "not well-formed";
  }
  xmlSchemaValidCtxtPtr vctx = xmlSchemaNewValidCtxt(schema);
  xmlSchemaSetValidErrors(vctx, CollectError, CollectError, &errors);
  const int rc = xmlSchemaValidateDoc(vctx, doc);
  xmlSchemaFreeValidCtxt(vctx);
  xmlFreeDoc(doc);
  xmlSchemaFree(schema);
  return rc == 0 ? std::string() : (errors.empty() ? "invalid" : errors);
}

std::filesystem::path SchemaOf(DcVersion v, int edition) {
  if (!IsSmpte(v)) return kSchemas / "DCSubtitle.xsd";
  if (v == DcVersion::SmpteZ) edition = 2014;
  return kSchemas / ("DCDMSubtitle-" + std::to_string(edition) + ".xsd");
}

class DcinemaSchema : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kSchemas / "DCSubtitle.xsd")) GTEST_SKIP() << "no schemas in ../shared/samples";
  }
};

// Option sets that change what is written: each one over every dialect and edition.
TEST_F(DcinemaSchema, EveryDialectValidatesUnderEveryOptionSet) {
  struct Variant {
    const char* what;
    std::function<void(DlpOptions&)> tweak;
  };
  const Variant variants[] = {
      {"defaults", nullptr},
      {"closed fonts, no inheritance, rounded, shadow", [](DlpOptions& o) {
         o.closeFont = true, o.inherit = false, o.round = true, o.effect = "Shadow";
       }},
      {"basic font, vertical text, top placement, long fades", [](DlpOptions& o) {
         o.basicFont = true, o.direction = 1, o.bottomUp = false, o.fadeUp = 2500, o.fadeDown = 0;
       }},
      {"bold, spacing and aspect, 48 fps reel, reel 7", [](DlpOptions& o) {
         o.fontWeight = "Bold", o.spacing = "0.1", o.aspectAdjust = "1.2", o.dcdmFrameRate = 48, o.reelNumber = 7;
         o.movieTitle = "Caf\xC3\xA9 <&> \"Noir\"";
       }},
  };
  SubtitleDocument doc = test::CinemaSample(24);
  doc.Append(test::CinemaCue("01595900", "01595923", "Late & <last>"));
  const ZOffsets z = {{1, -3.5}, {2, 1.25}};
  for (const Variant& variant : variants)
    for (DcVersion v : test::AllDcVersions())
      for (int edition : IsSmpte(v) ? SmpteEditions() : std::vector<int>{0}) {
        SCOPED_TRACE(std::string(variant.what) + ", " + DcVersionNames()[static_cast<int>(v)] + " " +
                     std::to_string(edition));
        DcinemaSetup setup = test::CinemaSetup(v, [&](DlpOptions& o) {
          if (variant.tweak) variant.tweak(o);
          o.smpteEdition = edition ? edition : 2007;
        });
        setup.zOffsets = &z;
        for (Eye eye : {Eye::Both, Eye::Left, Eye::Right}) {
          setup.eye = eye;
          Warnings w;
          const std::string xml = WriteDcinemaXml(doc, setup, w);
          EXPECT_EQ(Validate(SchemaOf(v, edition), xml), "") << xml.substr(0, 1500);
        }
      }
}

// The image variant: one PNG per subtitle beside the file, placed by Image elements.
TEST_F(DcinemaSchema, ImageVariantValidatesAndPointsAtItsPictures) {
  test::TempHome home;
  SubtitleDocument doc(24, kDefaultLanguageId, 0);
  doc.Append(test::CinemaCue("00000100", "00000200", "Picture <one>"));
  doc.Append(test::CinemaCue("00000300", "00000400", "Picture\r\ntwo"));
  for (DcVersion v : {DcVersion::Dlp11, DcVersion::Smpte, DcVersion::SmpteZ}) {
    SCOPED_TRACE(DcVersionNames()[static_cast<int>(v)]);
    const std::filesystem::path dir = home / DcVersionNames()[static_cast<int>(v)];
    std::filesystem::create_directories(dir);
    DcinemaSetup setup = test::CinemaSetup(v, [](DlpOptions& o) { o.images = true; });
    Warnings w;
    const auto files = ExportDcinema(doc, setup, dir / "reel1.xml", w);
    ASSERT_EQ(files.size(), 3u);
    const std::string xml = test::ReadFile(files[0]);
    EXPECT_EQ(Validate(SchemaOf(v, 2007), xml), "") << xml;
    EXPECT_EQ(xml.find("Text V"), std::string::npos) << "no text lines beside the pictures";
    for (std::size_t i = 1; i < files.size(); ++i) {
      const std::string png = test::ReadFile(files[i]);
      EXPECT_EQ(png.substr(1, 3), "PNG");
      // A reel names its pictures by UUID, DCSubtitle by file name.
      const std::string ref = IsSmpte(v) ? "urn:uuid:" + files[i].stem().string() : files[i].filename().string();
      EXPECT_NE(xml.find(">" + ref + "</"), std::string::npos) << ref;
    }
    if (!IsSmpte(v)) {
      EXPECT_EQ(files[1].filename(), "reel1_0001.png");
    }
  }
}

// The layout's literal forms, to show why the writer departs from them: each is refused.
TEST_F(DcinemaSchema, TheLaidOutFormsThatTheWriterMendsAreInvalid) {
  SubtitleDocument doc = test::CinemaSample(24);
  std::string dc = test::CinemaXml(doc, DcVersion::Dlp11);
  const std::string load = "  <LoadFont Id=\"Font1\" URI=\"Arial.ttf\"/>\r\n";
  const std::string outer = "  <Font Italic=\"no\">\r\n";
  std::string asLaidOut = dc;
  asLaidOut.erase(asLaidOut.find(load), load.size());
  asLaidOut.insert(asLaidOut.find(outer) + outer.size(), load);
  EXPECT_EQ(Validate(kSchemas / "DCSubtitle.xsd", dc), "");
  EXPECT_NE(Validate(kSchemas / "DCSubtitle.xsd", asLaidOut), "");

  const std::string reel = test::CinemaXml(doc, DcVersion::Smpte, [](DlpOptions& o) { o.smpteEdition = 2010; });
  const std::filesystem::path s2010 = kSchemas / "DCDMSubtitle-2010.xsd";
  EXPECT_EQ(Validate(s2010, reel), "");
  EXPECT_NE(Validate(s2010, ReplaceAll(reel, "xmlns:dcst=", "xmlns=")), "");
  EXPECT_NE(Validate(s2010, ReplaceAll(reel, "LoadFont ID=", "LoadFont Id=")), "");
  EXPECT_NE(Validate(s2010, ReplaceAll(reel, "Underline=", "Underlined=")), "");
  EXPECT_NE(Validate(s2010, ReplaceAll(reel, "<dcst:Subtitle SpotNumber=\"1\"", "<dcst:Subtitle ZPosition=\"0\" SpotNumber=\"1\"")), "");
}

}  // namespace
}  // namespace kipo
