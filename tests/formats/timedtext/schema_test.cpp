// The writers' files against the published schemas (libxml2): TTML 1 for W3C, Netflix,
// iTunes and Generic (whose 2006 namespace is swapped for the TTML 1 one first: the
// vocabulary is the same), EBU Tech 3380 for EBU-TT-D. EBU-TT's schema is XSD 1.1, which
// libxml2 cannot compile. The schemas live in ../shared; without it the test skips.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlschemas.h>

#include <filesystem>
#include <memory>

#include "core/rich_text.h"
#include "formats/timedtext/timed_text.h"

namespace kipo {
namespace {

const std::filesystem::path kXsd = std::filesystem::path(KIPO_SHARED_SAMPLES) / "xsd";

// The schemas import the XML namespace's schema from the web; the copy beside them serves.
xmlParserInputPtr LocalLoader(const char* url, const char* id, xmlParserCtxtPtr ctxt) {
  std::string u = url ? url : "";
  if (u.ends_with("/xml.xsd") || u == "xml.xsd") u = (kXsd / "ttml1" / "xml.xsd").string();
  return xmlNewInputFromFile(ctxt, u.c_str());
  (void)id;
}

class Schema {
 public:
  explicit Schema(const std::filesystem::path& xsd) {
    xmlSetExternalEntityLoader(LocalLoader);
    std::unique_ptr<xmlSchemaParserCtxt, decltype(&xmlSchemaFreeParserCtxt)> p(
        xmlSchemaNewParserCtxt(xsd.string().c_str()), xmlSchemaFreeParserCtxt);
    xmlSchemaSetParserStructuredErrors(p.get(), [](void*, xmlErrorPtr) {}, nullptr);
    schema_ = xmlSchemaParse(p.get());
  }
  ~Schema() {
    if (schema_) xmlSchemaFree(schema_);
  }
  bool ok() const { return schema_ != nullptr; }

  // Empty when the document is valid; otherwise the first errors, one a line.
  std::string Validate(const std::string& xml) const {
    std::string errors;
    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
        xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "out.xml", nullptr, XML_PARSE_NONET), xmlFreeDoc);
    if (!doc) return "not well-formed";
    std::unique_ptr<xmlSchemaValidCtxt, decltype(&xmlSchemaFreeValidCtxt)> v(xmlSchemaNewValidCtxt(schema_),
                                                                             xmlSchemaFreeValidCtxt);
    xmlSchemaSetValidStructuredErrors(
        v.get(),
        [](void* user, xmlErrorPtr e) {
          auto* out = static_cast<std::string*>(user);
          if (out->size() < 2000) *out += "line " + std::to_string(e->line) + ": " + e->message;
        },
        &errors);
    if (xmlSchemaValidateDoc(v.get(), doc.get()) != 0 && errors.empty()) errors = "invalid";
    return errors;
  }

 private:
  xmlSchemaPtr schema_ = nullptr;
};

// Documents that reach every branch of the layouts: rows and alignments, italics and
// colours mixed, escaped characters, right-to-left text, an unusual rate.
std::vector<SubtitleDocument> Documents() {
  std::vector<SubtitleDocument> docs;
  const struct {
    int rate;
    std::int16_t charset;
  } kinds[] = {{25, 0}, {29, 177}, {23, 178}, {59, 0}};
  for (auto [rate, charset] : kinds) {
    SubtitleDocument d(rate, 1036, charset);
    const char* texts[] = {"Plain", "<Italic>\r\nrows", "\x01Red <and italic\x07> white", "A & B " "\x0B",
                           "[under] lined", ""};
    int i = 0;
    for (const char* t : texts) {
      Subtitle s;
      s.inCue = FramesToDigits(100 * (i + 1), d.frameRate());
      s.outCue = FramesToDigits(100 * (i + 1) + 50, d.frameRate());
      s.text = t;
      s.row = i * 2;
      s.alignment = 1 + i % 4;
      s.italic = i == 4;
      d.Append(s);
      ++i;
    }
    Subtitle lit;
    lit.inCue = "00100000";
    lit.outCue = "00100100";
    lit.text = EscapeLiterals("a < b > \"c\"");
    d.Append(lit);
    docs.push_back(std::move(d));
  }
  docs.emplace_back(25, kDefaultLanguageId, 0);  // no subtitles at all
  return docs;
}

TimedTextWriteOptions Options(bool unusual) {
  TimedTextWriteOptions o;
  o.today = "2024-05-01";
  if (unusual) {
    o.fontName = "Font \"With\" <Quotes> & more";
    o.outline = true;
    o.outlineSize = 3;
    o.boxed = 1;
    o.fontStyle = 1;
    o.aspect = 1;
    o.publisher = "Pub & <lisher>";
    o.copyright = "(c) \"us\"";
    o.forceRegion = true;
  }
  return o;
}

TEST(TimedTextSchema, OutputValidates) {
  if (!std::filesystem::exists(kXsd / "ttml1" / "ttml1.xsd")) GTEST_SKIP() << "no ../shared/samples/xsd";
  Schema ttml(kXsd / "ttml1" / "ttml1.xsd");
  Schema ebuttd(kXsd / "ebu-tt-d-xsd" / "ebutt_d.xsd");
  ASSERT_TRUE(ttml.ok());
  ASSERT_TRUE(ebuttd.ok());
  struct Case {
    TimedTextDialect dialect;
    const Schema* schema;
    const char* name;
  };
  const Case cases[] = {{TimedTextDialect::W3C, &ttml, "W3C"},
                        {TimedTextDialect::Netflix, &ttml, "Netflix"},
                        {TimedTextDialect::ITunes, &ttml, "iTunes"},
                        {TimedTextDialect::Generic, &ttml, "Generic"},
                        {TimedTextDialect::Flash, &ttml, "Flash"},
                        {TimedTextDialect::EbuTtD, &ebuttd, "EBU-TT-D"}};
  int n = 0;
  for (const SubtitleDocument& d : Documents()) {
    ++n;
    for (bool unusual : {false, true})
      for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " document " + std::to_string(n) + (unusual ? " unusual options" : ""));
        std::vector<std::string> w;
        std::string xml = WriteTimedText(d, c.dialect, Options(unusual), w);
        if (c.dialect == TimedTextDialect::Generic || c.dialect == TimedTextDialect::Flash)
          for (std::size_t at; (at = xml.find("http://www.w3.org/2006/10/ttaf1")) != std::string::npos;)
            xml.replace(at, 31, "http://www.w3.org/ns/ttml");
        EXPECT_EQ(c.schema->Validate(xml), "");
      }
  }
}

// The laid-out text in the places where it would not validate: the test holds the valid
// form the writers use instead.
TEST(TimedTextSchema, ValidFormsInPlaceOfTheInvalidOnes) {
  SubtitleDocument d(29, kDefaultLanguageId, 0);
  Subtitle s;
  s.inCue = "00000100";
  s.outCue = "00000200";
  s.text = "<x>";
  d.Append(s);
  std::vector<std::string> w;
  TimedTextWriteOptions o;
  o.copyright = "c";
  const std::string w3c = WriteTimedText(d, TimedTextDialect::W3C, o, w);
  EXPECT_NE(w3c.find("ttp:dropMode=\"dropNTSC\""), std::string::npos);
  EXPECT_NE(w3c.find("<style xml:id=\"italic\" tts:fontStyle=\"italic\"/>"), std::string::npos);
  const std::string ebutt = WriteTimedText(d, TimedTextDialect::EbuTt, o, w);
  EXPECT_NE(ebutt.find("<tt:span tts:fontStyle=\"italic\"> x </tt:span>"), std::string::npos);
  const std::string generic = WriteTimedText(d, TimedTextDialect::Generic, o, w);
  EXPECT_NE(generic.find(" dur=\""), std::string::npos);
  EXPECT_EQ(generic.find(" duration=\""), std::string::npos);
  const std::string ebuttd = WriteTimedText(d, TimedTextDialect::EbuTtD, o, w);
  EXPECT_NE(ebuttd.find("ttp:timeBase=\"media\""), std::string::npos);
  EXPECT_NE(ebuttd.find("<ttm:copyright>c</ttm:copyright>"), std::string::npos);
  EXPECT_EQ(ebuttd.find("documentCopyright"), std::string::npos);
}

}  // namespace
}  // namespace kipo
