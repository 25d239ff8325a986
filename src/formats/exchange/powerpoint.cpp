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

// XML escapes appended; control characters but the tab are left out.
void AppendXml(std::string& out, std::string_view s) {
  std::size_t from = 0;
  for (std::size_t k = 0; k < s.size(); ++k) {
    const unsigned char c = static_cast<unsigned char>(s[k]);
    const char* escape = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : nullptr;
    if (!escape && (c >= 0x20 || c == '\t')) continue;
    out.append(s.data() + from, k - from);
    if (escape) out += escape;
    from = k + 1;
  }
  out.append(s.data() + from, s.size() - from);
}

std::string Esc(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  AppendXml(out, s);
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

// One text box up to its paragraphs, which kBoxEnd closes.
std::string BoxHead(int id, const char* name, long x, long y, long cx, long cy, const char* anchor, bool shrink) {
  return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
         "\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"" + std::to_string(x) + "\" y=\"" +
         std::to_string(y) + "\"/><a:ext cx=\"" + std::to_string(cx) + "\" cy=\"" + std::to_string(cy) +
         "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/></p:spPr><p:txBody><a:bodyPr wrap=\"square\" "
         "anchor=\"" + anchor + "\">" + (shrink ? "<a:normAutofit/>" : "<a:noAutofit/>") + "</a:bodyPr><a:lstStyle/>";
}
constexpr const char* kBoxEnd = "</p:txBody></p:sp>";

std::string RunProps(int size, bool bold, bool italic, const std::string& colour, const std::string& font) {
  return "<a:rPr lang=\"en-GB\" sz=\"" + std::to_string(size * 100) + "\" b=\"" + (bold ? "1" : "0") + "\" i=\"" +
         (italic ? "1" : "0") + "\" dirty=\"0\"><a:solidFill><a:srgbClr val=\"" + colour +
         "\"/></a:solidFill><a:latin typeface=\"" + Esc(font) + "\"/></a:rPr>";
}

// A list of relationships, opened; each entry appended by AppendRel, closed by kRelsEnd.
std::string RelsHead() {
  return std::string(kDecl) + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
}
constexpr const char* kRelsEnd = "</Relationships>";
void AppendRel(std::string& out, std::size_t id, std::string_view type, std::string_view target) {
  out += "<Relationship Id=\"rId";
  out += std::to_string(id);
  out += "\" Type=\"";
  out += kRel;
  out += type;
  out += "\" Target=\"";
  out += target;
  out += "\"/>";
}

std::vector<std::uint8_t> Zip(const PackagePieces& package) {
  auto bytes = ZipPieces(package);
  if (!bytes) throw UserError("Export", "The presentation could not be put together");
  return std::move(*bytes);
}

}  // namespace

// Every slide is the same XML but for its cues, its text and its comment: the rest is
// given to the package as repeated texts, deflated once for the whole presentation.
std::vector<std::uint8_t> WritePowerPoint(const SubtitleDocument& doc, const PowerPointOptions& o, Warnings& warnings) {
  const std::string colour = Hex(o.textColor), back = Hex(o.backColor);
  const bool bold = o.fontWeight >= 700;
  const long margin = static_cast<long>(o.margin < 0 ? 0 : o.margin) * 12700;
  const long w = std::max(kSlideWidth - 2 * margin, 914400L), h = std::max(kSlideHeight - 2 * margin, 914400L);
  bool lostStyles = false;
  PackagePieces pkg;
  using Id = PackagePieces::TextId;
  const Id slideHead = pkg.Repeated(std::string(kDecl) + "<p:sld " + kNs + "><p:cSld name=\"");
  const Id slideBody = pkg.Repeated(
      "\"><p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"" + back + "\"/></a:solidFill><a:effectLst/></p:bgPr></p:bg>" +
      EmptyTree() + BoxHead(2, "Subtitle", margin, margin, w, h, Anchor(o.vAlign), !o.baselineAlign));
  const Id rowStart = pkg.Repeated(std::string("<a:p><a:pPr algn=\"") + Align(o.hAlign) + "\"/>");
  const Id runStart[2] = {pkg.Repeated("<a:r>" + RunProps(kTextSize, bold, false, colour, o.fontName) + "<a:t>"),
                          pkg.Repeated("<a:r>" + RunProps(kTextSize, bold, true, colour, o.fontName) + "<a:t>")};
  const Id runEnd = pkg.Repeated("</a:t></a:r>");
  const Id rowEnd =
      pkg.Repeated("<a:endParaRPr lang=\"en-GB\" sz=\"" + std::to_string(kTextSize * 100) + "\" dirty=\"0\"/></a:p>");
  const Id boxEnd = pkg.Repeated(kBoxEnd);
  const Id commentHead = pkg.Repeated(BoxHead(3, "Comment", margin, margin, w, h, Anchor(o.vAlignComments), true));
  const Id commentBlank = pkg.Repeated("<a:p><a:endParaRPr lang=\"en-GB\" dirty=\"0\"/></a:p>");
  const Id commentRowStart =
      pkg.Repeated(std::string("<a:p><a:pPr algn=\"") + Align(o.hAlignComments) + "\"/><a:r>" +
                   RunProps(o.fontSizeComments, false, false, colour, o.fontName) + "<a:t>");
  const Id commentRowEnd = pkg.Repeated("</a:t></a:r></a:p>");
  const Id slideTail =
      pkg.Repeated("</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>");
  const Id slideRels = pkg.Repeated(RelsHead() + "<Relationship Id=\"rId1\" Type=\"" + kRel +
                                    "slideLayout\" Target=\"../slideLayouts/slideLayout1.xml\"/>" + kRelsEnd);

  std::string name;
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    ++n;
    name = "slide" + std::to_string(n) + ".xml";
    pkg.BeginPart("ppt/slides/" + name);
    pkg.Add(slideHead);
    std::string& own = pkg.OwnBytes();
    AppendFrameLabel(own, s.inCue);
    own += ' ';
    AppendFrameLabel(own, OutCueOf(s));
    pkg.Add(slideBody);
    // The text as paragraphs of runs.
    const bool wholly = s.italic && !HasItalicMarkers(s.text);
    const RichText rich = RichText::Parse(wholly ? kItalicOn + s.text + kItalicOff : std::string_view(s.text));
    for (const RichRow& row : rich.rows) {
      pkg.Add(rowStart);
      for (const Run& run : row) {
        if (run.mark == Mark::Colour || run.mark == Mark::UnderlineOn || run.mark == Mark::GroupStart) lostStyles = true;
        if (run.mark != Mark::None || run.text.empty()) continue;
        pkg.Add(runStart[run.style.italic ? 1 : 0]);
        AppendXml(pkg.OwnBytes(), run.text);
        pkg.Add(runEnd);
      }
      pkg.Add(rowEnd);
    }
    pkg.Add(boxEnd);
    if (o.comments && !s.comment.empty()) {
      pkg.Add(commentHead);
      if (o.blankLine) pkg.Add(commentBlank);
      for (const std::string& row : SplitLines(s.comment)) {
        pkg.Add(commentRowStart);
        AppendXml(pkg.OwnBytes(), row);
        pkg.Add(commentRowEnd);
      }
      pkg.Add(boxEnd);
    }
    pkg.Add(slideTail);
    pkg.BeginPart("ppt/slides/_rels/" + name + ".rels");
    pkg.Add(slideRels);
  }
  const std::size_t count = n;
  auto number = [&pkg](std::size_t v) { pkg.OwnBytes() += std::to_string(v); };

  // The lists that grow with the slides: an entry per slide, the same but for its numbers.
  pkg.BeginPart("[Content_Types].xml");
  pkg.Add(pkg.Repeated(std::string(kDecl) +
                       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                       "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                       "<Override PartName=\"/ppt/presentation.xml\" ContentType=\"" + std::string(kPml) +
                       "presentation.main+xml\"/><Override PartName=\"/ppt/slideMasters/slideMaster1.xml\" ContentType=\"" +
                       kPml + "slideMaster+xml\"/><Override PartName=\"/ppt/slideLayouts/slideLayout1.xml\" ContentType=\"" +
                       kPml + "slideLayout+xml\"/><Override PartName=\"/ppt/theme/theme1.xml\" "
                       "ContentType=\"application/vnd.openxmlformats-officedocument.theme+xml\"/>"));
  const Id typeStart = pkg.Repeated("<Override PartName=\"/ppt/slides/slide");
  const Id typeEnd = pkg.Repeated(".xml\" ContentType=\"" + std::string(kPml) + "slide+xml\"/>");
  for (std::size_t k = 1; k <= count; ++k) {
    pkg.Add(typeStart);
    number(k);
    pkg.Add(typeEnd);
  }
  pkg.Add(pkg.Repeated("</Types>"));

  pkg.AddWhole("_rels/.rels", RelsHead() + "<Relationship Id=\"rId1\" Type=\"" + kRel +
                                  "officeDocument\" Target=\"ppt/presentation.xml\"/>" + kRelsEnd);

  pkg.BeginPart("ppt/presentation.xml");
  pkg.Add(pkg.Repeated(std::string(kDecl) + "<p:presentation " + kNs +
                       "><p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rId1\"/></p:sldMasterIdLst>" +
                       (count ? "<p:sldIdLst>" : "")));
  const Id idStart = pkg.Repeated("<p:sldId id=\""), idMiddle = pkg.Repeated("\" r:id=\"rId"), idEnd = pkg.Repeated("\"/>");
  for (std::size_t k = 1; k <= count; ++k) {
    pkg.Add(idStart);
    number(255 + k);
    pkg.Add(idMiddle);
    number(k + 2);
    pkg.Add(idEnd);
  }
  pkg.Add(pkg.Repeated(std::string(count ? "</p:sldIdLst>" : "") + "<p:sldSz cx=\"" + std::to_string(kSlideWidth) +
                       "\" cy=\"" + std::to_string(kSlideHeight) +
                       "\"/><p:notesSz cx=\"6858000\" cy=\"9144000\"/></p:presentation>"));

  pkg.BeginPart("ppt/_rels/presentation.xml.rels");
  std::string presRels = RelsHead();
  AppendRel(presRels, 1, "slideMaster", "slideMasters/slideMaster1.xml");
  AppendRel(presRels, 2, "theme", "theme/theme1.xml");
  pkg.Add(pkg.Repeated(std::move(presRels)));
  const Id relStart = pkg.Repeated("<Relationship Id=\"rId");
  const Id relMiddle = pkg.Repeated("\" Type=\"" + std::string(kRel) + "slide\" Target=\"slides/slide");
  const Id relEnd = pkg.Repeated(".xml\"/>");
  for (std::size_t k = 1; k <= count; ++k) {
    pkg.Add(relStart);
    number(k + 2);
    pkg.Add(relMiddle);
    number(k);
    pkg.Add(relEnd);
  }
  pkg.Add(pkg.Repeated(kRelsEnd));

  pkg.AddWhole("ppt/slideMasters/slideMaster1.xml",
               std::string(kDecl) + "<p:sldMaster " + kNs + "><p:cSld>" + EmptyTree() +
                   "</p:spTree></p:cSld><p:clrMap bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\" accent1=\"accent1\" "
                   "accent2=\"accent2\" accent3=\"accent3\" accent4=\"accent4\" accent5=\"accent5\" accent6=\"accent6\" "
                   "hlink=\"hlink\" folHlink=\"folHlink\"/><p:sldLayoutIdLst><p:sldLayoutId id=\"2147483649\" r:id=\"rId1\"/>"
                   "</p:sldLayoutIdLst></p:sldMaster>");
  std::string masterRels = RelsHead();
  AppendRel(masterRels, 1, "slideLayout", "../slideLayouts/slideLayout1.xml");
  AppendRel(masterRels, 2, "theme", "../theme/theme1.xml");
  pkg.AddWhole("ppt/slideMasters/_rels/slideMaster1.xml.rels", masterRels + kRelsEnd);
  pkg.AddWhole("ppt/slideLayouts/slideLayout1.xml",
               std::string(kDecl) + "<p:sldLayout " + kNs + " type=\"blank\" preserve=\"1\"><p:cSld name=\"Blank\">" +
                   EmptyTree() + "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>");
  std::string layoutRels = RelsHead();
  AppendRel(layoutRels, 1, "slideMaster", "../slideMasters/slideMaster1.xml");
  pkg.AddWhole("ppt/slideLayouts/_rels/slideLayout1.xml.rels", layoutRels + kRelsEnd);
  pkg.AddWhole("ppt/theme/theme1.xml", Theme());
  pkg.Finish();
  if (lostStyles) warnings.push_back("Colours, underline and groups cannot be written in presentations and were left out");
  return Zip(pkg);
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
