#include "formats/exchange/powerpoint.h"

#include <pugixml.hpp>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "core/markup.h"
#include "core/rich_text.h"
#include "formats/exchange/script_text.h"
#include "formats/exchange/zip_package.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr const char* kNs =
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";
constexpr const char* kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
constexpr const char* kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr const char* kPml = "application/vnd.openxmlformats-officedocument.presentationml.";
constexpr long kSlideWidth = 12192000, kSlideHeight = 6858000;  // 16:9 in EMU
constexpr int kTextSize = 40;                                   // points

std::string Esc(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '"') out += "&quot;";
    else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') continue;
    else out += c;
  }
  return out;
}

std::string Hex(long windowsColour) {
  char b[8];
  std::snprintf(b, sizeof b, "%02X%02X%02X", static_cast<int>(windowsColour & 0xFF),
                static_cast<int>((windowsColour >> 8) & 0xFF), static_cast<int>((windowsColour >> 16) & 0xFF));
  return b;
}

const char* Align(int a) { return a == 0 ? "l" : a == 2 ? "r" : "ctr"; }
const char* Anchor(int a) { return a == 0 ? "t" : a == 1 ? "ctr" : "b"; }

std::string Theme() {
  std::string clr;
  const char* names[] = {"dk2", "lt2", "accent1", "accent2", "accent3", "accent4", "accent5", "accent6", "hlink", "folHlink"};
  const char* values[] = {"44546A", "E7E6E6", "4472C4", "ED7D31", "A5A5A5", "FFC000", "5B9BD5", "70AD47", "0563C1", "954F72"};
  for (int i = 0; i < 10; ++i)
    clr += std::string("<a:") + names[i] + "><a:srgbClr val=\"" + values[i] + "\"/></a:" + names[i] + ">";
  const std::string fill = "<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>";
  const std::string ln = "<a:ln w=\"6350\"><a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill></a:ln>";
  const std::string font = "<a:latin typeface=\"Arial\"/><a:ea typeface=\"\"/><a:cs typeface=\"\"/>";
  return std::string(kDecl) +
         "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" name=\"Subtitles\"><a:themeElements>"
         "<a:clrScheme name=\"Subtitles\"><a:dk1><a:srgbClr val=\"000000\"/></a:dk1><a:lt1><a:srgbClr val=\"FFFFFF\"/></a:lt1>" +
         clr + "</a:clrScheme><a:fontScheme name=\"Subtitles\"><a:majorFont>" + font + "</a:majorFont><a:minorFont>" +
         font + "</a:minorFont></a:fontScheme><a:fmtScheme name=\"Subtitles\"><a:fillStyleLst>" + fill + fill + fill +
         "</a:fillStyleLst><a:lnStyleLst>" + ln + ln + ln +
         "</a:lnStyleLst><a:effectStyleLst><a:effectStyle><a:effectLst/></a:effectStyle><a:effectStyle><a:effectLst/>"
         "</a:effectStyle><a:effectStyle><a:effectLst/></a:effectStyle></a:effectStyleLst><a:bgFillStyleLst>" +
         fill + fill + fill + "</a:bgFillStyleLst></a:fmtScheme></a:themeElements></a:theme>";
}

std::string EmptyTree() {
  return "<p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr><p:grpSpPr/>";
}

std::string Rels(const std::vector<std::pair<std::string, std::string>>& targets) {
  std::string out = std::string(kDecl) + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  int id = 0;
  for (const auto& [type, target] : targets)
    out += "<Relationship Id=\"rId" + std::to_string(++id) + "\" Type=\"" + kRel + type + "\" Target=\"" + target + "\"/>";
  return out + "</Relationships>";
}

// One text box: its paragraphs are given as ready runs.
std::string Box(int id, const char* name, long x, long y, long cx, long cy, const char* anchor, bool shrink,
                const std::string& paragraphs) {
  return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
         "\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"" + std::to_string(x) + "\" y=\"" +
         std::to_string(y) + "\"/><a:ext cx=\"" + std::to_string(cx) + "\" cy=\"" + std::to_string(cy) +
         "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/></p:spPr><p:txBody><a:bodyPr wrap=\"square\" "
         "anchor=\"" + anchor + "\">" + (shrink ? "<a:normAutofit/>" : "<a:noAutofit/>") +
         "</a:bodyPr><a:lstStyle/>" + paragraphs + "</p:txBody></p:sp>";
}

std::string RunProps(int size, bool bold, bool italic, const std::string& colour, const std::string& font) {
  return "<a:rPr lang=\"en-GB\" sz=\"" + std::to_string(size * 100) + "\" b=\"" + (bold ? "1" : "0") + "\" i=\"" +
         (italic ? "1" : "0") + "\" dirty=\"0\"><a:solidFill><a:srgbClr val=\"" + colour +
         "\"/></a:solidFill><a:latin typeface=\"" + Esc(font) + "\"/></a:rPr>";
}

// Collects the package's parts and zips them.
class Package {
 public:
  void Add(std::string name, std::string data) { parts_.emplace_back(std::move(name), std::move(data)); }
  std::vector<std::uint8_t> Zip() const {
    auto bytes = ZipParts(parts_);
    if (!bytes) throw UserError("Export", "The presentation could not be put together");
    return std::move(*bytes);
  }

 private:
  std::vector<std::pair<std::string, std::string>> parts_;
};

}  // namespace

std::vector<std::uint8_t> WritePowerPoint(const SubtitleDocument& doc, const PowerPointOptions& o, Warnings& warnings) {
  const std::string colour = Hex(o.textColor), back = Hex(o.backColor);
  const bool bold = o.fontWeight >= 700;
  const long margin = static_cast<long>(o.margin < 0 ? 0 : o.margin) * 12700;
  const long w = std::max(kSlideWidth - 2 * margin, 914400L), h = std::max(kSlideHeight - 2 * margin, 914400L);
  bool lostStyles = false;
  Package pkg;
  std::string types = std::string(kDecl) +
                      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                      "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                      "<Override PartName=\"/ppt/presentation.xml\" ContentType=\"" + std::string(kPml) +
                      "presentation.main+xml\"/><Override PartName=\"/ppt/slideMasters/slideMaster1.xml\" ContentType=\"" +
                      kPml + "slideMaster+xml\"/><Override PartName=\"/ppt/slideLayouts/slideLayout1.xml\" ContentType=\"" +
                      kPml + "slideLayout+xml\"/><Override PartName=\"/ppt/theme/theme1.xml\" "
                      "ContentType=\"application/vnd.openxmlformats-officedocument.theme+xml\"/>";
  std::string slideIds;
  std::vector<std::pair<std::string, std::string>> presRels = {{"slideMaster", "slideMasters/slideMaster1.xml"},
                                                               {"theme", "theme/theme1.xml"}};
  // What every slide repeats, made once: the run properties with and without italics and
  // the slide's relationships.
  const std::string runProps[2] = {RunProps(kTextSize, bold, false, colour, o.fontName),
                                   RunProps(kTextSize, bold, true, colour, o.fontName)};
  const std::string slideRels = Rels({{"slideLayout", "../slideLayouts/slideLayout1.xml"}});
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    ++n;
    const std::string name = "slide" + std::to_string(n) + ".xml";
    types += "<Override PartName=\"/ppt/slides/" + name + "\" ContentType=\"" + kPml + "slide+xml\"/>";
    presRels.emplace_back("slide", "slides/" + name);
    slideIds += "<p:sldId id=\"" + std::to_string(255 + n) + "\" r:id=\"rId" + std::to_string(presRels.size()) + "\"/>";
    // The text as paragraphs of runs.
    const std::string text = s.italic && !HasItalicMarkers(s.text) ? kItalicOn + s.text + kItalicOff : s.text;
    std::string paragraphs;
    for (const RichRow& row : RichText::Parse(text).rows) {
      paragraphs += std::string("<a:p><a:pPr algn=\"") + Align(o.hAlign) + "\"/>";
      for (const Run& run : row) {
        if (run.mark == Mark::Colour || run.mark == Mark::UnderlineOn || run.mark == Mark::GroupStart) lostStyles = true;
        if (run.mark != Mark::None || run.text.empty()) continue;
        paragraphs += "<a:r>";
        paragraphs += runProps[run.style.italic ? 1 : 0];
        paragraphs += "<a:t>";
        paragraphs += Esc(run.text);
        paragraphs += "</a:t></a:r>";
      }
      paragraphs += "<a:endParaRPr lang=\"en-GB\" sz=\"" + std::to_string(kTextSize * 100) + "\" dirty=\"0\"/></a:p>";
    }
    std::string boxes = Box(2, "Subtitle", margin, margin, w, h, Anchor(o.vAlign), !o.baselineAlign, paragraphs);
    if (o.comments && !s.comment.empty()) {
      std::string c;
      if (o.blankLine) c += "<a:p><a:endParaRPr lang=\"en-GB\" dirty=\"0\"/></a:p>";
      for (const std::string& row : SplitLines(s.comment))
        c += std::string("<a:p><a:pPr algn=\"") + Align(o.hAlignComments) + "\"/><a:r>" +
             RunProps(o.fontSizeComments, false, false, colour, o.fontName) + "<a:t>" + Esc(row) + "</a:t></a:r></a:p>";
      boxes += Box(3, "Comment", margin, margin, w, h, Anchor(o.vAlignComments), true, c);
    }
    const std::string cues = FrameLabel(s.inCue) + " " + FrameLabel(OutCueOf(s));
    pkg.Add("ppt/slides/" + name,
            std::string(kDecl) + "<p:sld " + kNs + "><p:cSld name=\"" + cues +
                "\"><p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"" + back +
                "\"/></a:solidFill><a:effectLst/></p:bgPr></p:bg>" + EmptyTree() + boxes +
                "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>");
    pkg.Add("ppt/slides/_rels/" + name + ".rels", slideRels);
  }
  types += "</Types>";
  pkg.Add("[Content_Types].xml", types);
  pkg.Add("_rels/.rels", Rels({{"officeDocument", "ppt/presentation.xml"}}));
  pkg.Add("ppt/presentation.xml", std::string(kDecl) + "<p:presentation " + kNs +
                                      "><p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rId1\"/></p:sldMasterIdLst>" +
                                      (slideIds.empty() ? "" : "<p:sldIdLst>" + slideIds + "</p:sldIdLst>") +
                                      "<p:sldSz cx=\"" + std::to_string(kSlideWidth) + "\" cy=\"" +
                                      std::to_string(kSlideHeight) +
                                      "\"/><p:notesSz cx=\"6858000\" cy=\"9144000\"/></p:presentation>");
  pkg.Add("ppt/_rels/presentation.xml.rels", Rels(presRels));
  pkg.Add("ppt/slideMasters/slideMaster1.xml",
          std::string(kDecl) + "<p:sldMaster " + kNs + "><p:cSld>" + EmptyTree() +
              "</p:spTree></p:cSld><p:clrMap bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\" accent1=\"accent1\" "
              "accent2=\"accent2\" accent3=\"accent3\" accent4=\"accent4\" accent5=\"accent5\" accent6=\"accent6\" "
              "hlink=\"hlink\" folHlink=\"folHlink\"/><p:sldLayoutIdLst><p:sldLayoutId id=\"2147483649\" r:id=\"rId1\"/>"
              "</p:sldLayoutIdLst></p:sldMaster>");
  pkg.Add("ppt/slideMasters/_rels/slideMaster1.xml.rels",
          Rels({{"slideLayout", "../slideLayouts/slideLayout1.xml"}, {"theme", "../theme/theme1.xml"}}));
  pkg.Add("ppt/slideLayouts/slideLayout1.xml",
          std::string(kDecl) + "<p:sldLayout " + kNs + " type=\"blank\" preserve=\"1\"><p:cSld name=\"Blank\">" +
              EmptyTree() + "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>");
  pkg.Add("ppt/slideLayouts/_rels/slideLayout1.xml.rels", Rels({{"slideMaster", "../slideMasters/slideMaster1.xml"}}));
  pkg.Add("ppt/theme/theme1.xml", Theme());
  if (lostStyles) warnings.push_back("Colours, underline and groups cannot be written in presentations and were left out");
  return pkg.Zip();
}

namespace {

// One part of the package as text; empty when it is missing.
std::string ReadPart(const ZipReader& z, const std::string& name) {
  return z.Read(name, std::uint64_t(64) << 20).value_or(std::string());
}

// "ppt/slides/../x.xml" -> "ppt/x.xml".
std::string Resolve(std::string base, std::string target) {
  if (!target.empty() && target[0] == '/') return target.substr(1);
  while (target.starts_with("../")) {
    target.erase(0, 3);
    if (!base.empty()) base.pop_back();
    base.erase(base.rfind('/') == std::string::npos ? 0 : base.rfind('/') + 1);
  }
  return base + target;
}

}  // namespace

SubtitleDocument ReadPowerPoint(std::span<const std::uint8_t> bytes, const FrameRate& rate, Warnings& warnings) {
  const std::unique_ptr<ZipReader> zip = ZipReader::Open(bytes);
  if (!zip) throw InvalidFileFormat("This is not a PowerPoint presentation");
  const ZipReader& z = *zip;
  pugi::xml_document pres, presRels;
  if (!pres.load_string(ReadPart(z, "ppt/presentation.xml").c_str()) ||
      !presRels.load_string(ReadPart(z, "ppt/_rels/presentation.xml.rels").c_str()) ||
      !pres.child("p:presentation"))
    throw InvalidFileFormat("This is not a PowerPoint presentation");
  CueCollector cues(warnings);
  int noCues = 0;
  std::map<std::string, std::string> targets;  // relationship id -> part
  for (pugi::xml_node rel : presRels.child("Relationships").children("Relationship"))
    targets[rel.attribute("Id").value()] = Resolve("ppt/", rel.attribute("Target").value());
  for (pugi::xml_node id : pres.child("p:presentation").child("p:sldIdLst").children("p:sldId")) {
    auto target = targets.find(id.attribute("r:id").value());
    const std::string part = target == targets.end() ? std::string("?") : target->second;
    pugi::xml_document slide;
    // Parsed where it lies (load_string made a copy of every slide's XML), up to a NUL as
    // load_string reads it.
    std::string xml = target == targets.end() ? std::string() : ReadPart(z, part);
    if (target == targets.end() ||
        !slide.load_buffer_inplace(xml.data(), std::strlen(xml.c_str()), pugi::parse_default, pugi::encoding_utf8)) {
      warnings.push_back("A slide that could not be read was skipped: " + part);
      continue;
    }
    pugi::xml_node cSld = slide.child("p:sld").child("p:cSld");
    Subtitle s;
    std::string_view name = cSld.attribute("name").value();
    std::string_view rest = name;
    auto in = ReadFrameLabel(rest, rate);
    auto out = in ? ReadFrameLabel(rest, rate) : std::nullopt;
    if (in && out) {
      s.inCue = *in;
      s.outCue = *out;
    } else {
      ++noCues;
    }
    for (pugi::xml_node sp : cSld.child("p:spTree").children("p:sp")) {
      const std::string shape = sp.child("p:nvSpPr").child("p:cNvPr").attribute("name").value();
      const bool comment = shape == "Comment";
      std::string text;
      bool italic = false;
      bool firstRow = true;
      for (pugi::xml_node p : sp.child("p:txBody").children("a:p")) {
        std::string row;
        for (pugi::xml_node r : p.children()) {
          const std::string tag = r.name();
          if (tag == "a:br") {
            row += "\r\n";
            continue;
          }
          if (tag != "a:r" && tag != "a:fld") continue;
          const std::string_view i = r.child("a:rPr").attribute("i").value();
          const bool on = !comment && (i == "1" || i == "true");
          if (on != italic) row += on ? kItalicOn : kItalicOff;
          italic = on;
          AppendEscaped(row, r.child_value("a:t"));
        }
        // Italics close with their row; one stretch over rows is joined again below.
        if (italic) row += kItalicOff;
        italic = false;
        if (comment && row.empty() && firstRow) continue;  // the blank line before a comment
        if (!firstRow) text += "\r\n";
        text += row;
        firstRow = false;
      }
      if (italic) text += kItalicOff;
      for (std::size_t q = 0; (q = text.find(">\r\n<", q)) != std::string::npos;) text.replace(q, 4, "\r\n");
      if (comment) s.comment = text;
      else if (s.text.empty()) s.text = text;
    }
    if (!cues.Add(std::move(s))) break;
  }
  if (noCues) warnings.push_back(std::to_string(noCues) + " slides have no cues in their names and were read without cues");
  return cues.Finish(rate, "The presentation holds no slides", false);
}

}  // namespace kipo
