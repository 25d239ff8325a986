#include "formats/exchange/powerpoint.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "core/markup.h"
#include "core/rich_text.h"
#include "formats/exchange/script_text.h"
#include "formats/exchange/zip_package.h"
#include "platform/same_bytes.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "platform/xml_scan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kipo {
namespace {

constexpr const char* kNs =
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";
// A slide uses no relationship attributes.
constexpr const char* kSlideNs =
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";
constexpr const char* kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
constexpr const char* kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr const char* kPml = "application/vnd.openxmlformats-officedocument.presentationml.";
constexpr long kSlideWidth = 12192000, kSlideHeight = 6858000;  // 16:9 in EMU
constexpr int kTextSize = 40;                                   // points

// XML escapes appended; control characters but the tab are left out. With `standIns`,
// a markup character's stand-in is written as the character itself (the text of a run).
constexpr auto kXmlAttention = [] {
  std::array<bool, 256> t{};
  for (int c = 0; c < 0x20; ++c) t[c] = c != '\t';
  for (unsigned char c : {'&', '<', '>', '"'}) t[c] = true;
  return t;
}();
void AppendXml(std::string& out, std::string_view s, bool standIns = false) {
  // Most text needs nothing: appended at once.
  const auto* b = reinterpret_cast<const unsigned char*>(s.data());
  std::size_t plain = 0;
  while (plain < s.size() && !kXmlAttention[b[plain]] && b[plain] != 0xEE) ++plain;
  if (plain == s.size()) {
    out.append(s);
    return;
  }
  std::size_t from = 0;
  for (std::size_t k = plain; k < s.size(); ++k) {
    unsigned char c = static_cast<unsigned char>(s[k]);
    std::size_t skip = 1;
    if (c == 0xEE && standIns) {
      const char held = StandInAt(s.substr(k));
      if (!held) continue;
      c = static_cast<unsigned char>(held);
      skip = 3;
    } else if (!kXmlAttention[c]) {
      continue;
    }
    out.append(s.data() + from, k - from);
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '"') out += "&quot;";
    else if (c >= 0x20 || c == '\t') out += static_cast<char>(c);
    from = k + skip;
    k += skip - 1;
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

// What a text box's rows share: their alignment, size, weight, colour and font, said once
// as the box's list style (its first level, which every paragraph is at) instead of on every
// run, so that a run carries nothing but its italics.
struct RowStyle {
  const char* align;
  int size;  // points
  bool bold;
  std::string colour, font;
};

// One text box up to its paragraphs, which kBoxEnd closes. No autofit element means none.
std::string BoxHead(int id, const char* name, long x, long y, long cx, long cy, const char* anchor, bool shrink,
                    const RowStyle& style) {
  return "<p:sp><p:nvSpPr><p:cNvPr id=\"" + std::to_string(id) + "\" name=\"" + name +
         "\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"" + std::to_string(x) + "\" y=\"" +
         std::to_string(y) + "\"/><a:ext cx=\"" + std::to_string(cx) + "\" cy=\"" + std::to_string(cy) +
         "\"/></a:xfrm><a:prstGeom prst=\"rect\"/><a:noFill/></p:spPr><p:txBody><a:bodyPr wrap=\"square\" anchor=\"" +
         anchor + (shrink ? "\"><a:normAutofit/></a:bodyPr>" : "\"/>") + "<a:lstStyle><a:lvl1pPr algn=\"" + style.align +
         "\"><a:defRPr lang=\"en-GB\" sz=\"" + std::to_string(style.size * 100) + (style.bold ? "\" b=\"1" : "") +
         "\"><a:solidFill><a:srgbClr val=\"" + style.colour + "\"/></a:solidFill><a:latin typeface=\"" + Esc(style.font) +
         "\"/></a:defRPr></a:lvl1pPr></a:lstStyle>";
}
constexpr const char* kBoxEnd = "</p:txBody></p:sp>";

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
  pkg.Reserve(2 * doc.Count() + 16, 40 * doc.Count() + 64, 128 * doc.Count() + 1024);
  using Id = PackagePieces::TextId;
  // The background is the master's; the text boxes carry their rows' properties once.
  const Id slideHead = pkg.Repeated(std::string(kDecl) + "<p:sld " + kSlideNs + "><p:cSld name=\"");
  const Id slideBody = pkg.Repeated(
      "\">" + EmptyTree() +
      BoxHead(2, "Subtitle", margin, margin, w, h, Anchor(o.vAlign), !o.baselineAlign,
              RowStyle{Align(o.hAlign), kTextSize, bold, colour, o.fontName}));
  const Id rowStart = pkg.Repeated("<a:p>");
  const Id runStart[2] = {pkg.Repeated("<a:r><a:t>"), pkg.Repeated("<a:r><a:rPr i=\"1\"/><a:t>")};
  const Id runEnd = pkg.Repeated("</a:t></a:r>");
  const Id rowEnd = pkg.Repeated("</a:p>");
  const Id boxEnd = pkg.Repeated(kBoxEnd);
  const Id commentHead = pkg.Repeated(BoxHead(3, "Comment", margin, margin, w, h, Anchor(o.vAlignComments), true,
                                              RowStyle{Align(o.hAlignComments), o.fontSizeComments, false, colour, o.fontName}));
  // The empty row before a comment keeps the presentation programs' default size.
  const Id commentBlank = pkg.Repeated("<a:p><a:endParaRPr sz=\"1800\"/></a:p>");
  const Id commentRowStart = pkg.Repeated("<a:p><a:r><a:t>");
  const Id commentRowEnd = pkg.Repeated("</a:t></a:r></a:p>");
  const Id slideTail = pkg.Repeated("</p:spTree></p:cSld></p:sld>");
  const Id slideRels = pkg.Repeated(RelsHead() + "<Relationship Id=\"rId1\" Type=\"" + kRel +
                                    "slideLayout\" Target=\"../slideLayouts/slideLayout1.xml\"/>" + kRelsEnd);

  std::string slideName = "ppt/slides/slide", relsName = "ppt/slides/_rels/slide";
  const std::size_t slideAt = slideName.size(), relsAt = relsName.size();
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    ++n;
    char digits[24];
    const std::string_view number(digits, static_cast<std::size_t>(std::to_chars(digits, digits + 24, n).ptr - digits));
    slideName.resize(slideAt);
    slideName.append(number).append(".xml");
    relsName.resize(relsAt);
    relsName.append(number).append(".xml.rels");
    pkg.BeginPart(slideName, true);
    pkg.Add(slideHead);
    std::string& own = pkg.OwnBytes();
    AppendFrameLabel(own, s.inCue);
    own += ' ';
    AppendFrameLabel(own, OutCueOf(s));
    pkg.Add(slideBody);
    // The text as paragraphs of runs, a run for each stretch between markup.
    bool italic = s.italic && !HasItalicMarkers(s.text);
    pkg.Add(rowStart);
    ScanMarkup(s.text, MarkerView(), [&](Mark mark, std::string_view piece) {
      switch (mark) {
        case Mark::None:
          pkg.Add(runStart[italic ? 1 : 0]);
          AppendXml(pkg.OwnBytes(), piece, true);
          pkg.Add(runEnd);
          break;
        case Mark::RowBreak:
          pkg.Add(rowEnd);
          pkg.Add(rowStart);
          break;
        case Mark::ItalicOn: italic = true; break;
        case Mark::ItalicOff: italic = false; break;
        case Mark::Colour:
        case Mark::UnderlineOn:
        case Mark::GroupStart: lostStyles = true; break;
        default: break;
      }
    });
    pkg.Add(rowEnd);
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
    pkg.BeginPart(relsName);
    pkg.Add(slideRels);
  }
  const std::size_t count = n;
  auto number = [&pkg](std::size_t v) {
    char digits[24];
    pkg.OwnBytes().append(digits, static_cast<std::size_t>(std::to_chars(digits, digits + 24, v).ptr - digits));
  };

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
               std::string(kDecl) + "<p:sldMaster " + kNs + "><p:cSld><p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"" +
                   back + "\"/></a:solidFill><a:effectLst/></p:bgPr></p:bg>" + EmptyTree() +
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

// One part of the package as text into `out` (its room kept from part to part); empty
// when it is missing.
void ReadPart(const ZipReader& z, const std::string& name, std::string& out) {
  if (!z.ReadTo(name, std::uint64_t(64) << 20, out)) out.clear();
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

// The text of a box's paragraphs, a row each: runs in italics between markers, breaks as
// row breaks; a comment's runs are never italic, and its first row is left out when empty
// (the blank line written before a comment).
class BoxText {
 public:
  explicit BoxText(bool comment) : comment_(comment), row_(RowBuffer()) { row_.clear(); }
  void Break() { row_ += "\r\n"; }
  void Run(bool italic, std::string_view text) {
    const bool on = !comment_ && italic;
    if (on != italic_) row_ += on ? kItalicOn : kItalicOff;
    italic_ = on;
    AppendEscaped(row_, text);
  }
  void EndParagraph() {
    // Italics close with their row; one stretch over rows is joined again below.
    if (italic_) row_ += kItalicOff;
    italic_ = false;
    if (!(comment_ && row_.empty() && firstRow_)) {
      if (!firstRow_) text_ += "\r\n";
      text_ += row_;
      firstRow_ = false;
    }
    row_.clear();
  }
  void Into(SlideText& slide) {
    for (std::size_t q = 0; (q = text_.find(">\r\n<", q)) != std::string::npos;) text_.replace(q, 4, "\r\n");
    if (comment_) slide.comment = std::move(text_);
    else if (slide.text.empty()) slide.text = std::move(text_);
  }

 private:
  // The row being read is the thread's, kept from box to box (a thread reads one box at a
  // time): no allocation a box.
  static std::string& RowBuffer() {
    thread_local std::string row;
    return row;
  }
  bool comment_;
  bool italic_ = false, firstRow_ = true;
  std::string& row_;
  std::string text_;
};

bool IsItalic(std::string_view i) { return i == "1" || i == "true"; }

// A slide read through the XML library's tree; false when it is not XML.
bool TreeSlide(std::string_view xml, SlideText& out) {
  pugi::xml_document slide;
  // Parsed in a copy of its own, up to a NUL as the library reads a string.
  std::string copy(xml.substr(0, std::min(xml.find('\0'), xml.size())));
  if (!slide.load_buffer_inplace(copy.data(), copy.size(), pugi::parse_default, pugi::encoding_utf8)) return false;
  pugi::xml_node cSld = slide.child("p:sld").child("p:cSld");
  out.name = cSld.attribute("name").value();
  for (pugi::xml_node sp : cSld.child("p:spTree").children("p:sp")) {
    BoxText box(std::string_view(sp.child("p:nvSpPr").child("p:cNvPr").attribute("name").value()) == "Comment");
    for (pugi::xml_node p : sp.child("p:txBody").children("a:p")) {
      for (pugi::xml_node r : p.children()) {
        const std::string_view tag = r.name();
        if (tag == "a:br") box.Break();
        else if (tag == "a:r" || tag == "a:fld") box.Run(IsItalic(r.child("a:rPr").attribute("i").value()), r.child_value("a:t"));
      }
      box.EndParagraph();
    }
    box.Into(out);
  }
  return true;
}

// A name against a literal, compared whole (the literal's length known here: no call).
template <std::size_t N>
bool NameIs(std::string_view name, const char (&literal)[N]) {
  return name.size() == N - 1 && std::memcmp(name.data(), literal, N - 1) == 0;
}

// What the reader of a slide did with the boxes' text, in order, with the value or text of
// the slide each step took (the cues, a run's text): a slide that differs from one read
// before only in those reads as that one did with them put in their places.
struct BoxStep {
  enum Kind : std::uint8_t { Name, Box, CommentBox, Break, Run, EndParagraph, Into, ClearComment };
  Kind kind;
  bool italic = false;
  // Name: the cues' value; Run: the run's text as it stands in the slide. Null when there
  // is none (no attribute, no text taken); after the slide is read, a hole's number.
  std::string_view taken;
  std::int32_t hole = -1;
};

// What TreeSlide takes from a slide, followed element by element as a scan meets them: the
// first of each element the tree asks for by name, every shape of the shape tree, every
// paragraph and run. Fed by either scan below.
class SlideReader {
 public:
  // The stack of open elements is the thread's, kept from slide to slide (a reader reads
  // one slide at a time): no allocation a slide.
  explicit SlideReader(SlideText& out) : out_(out), open_(Stack()), runText_(RunBuffer()) { open_.clear(); }

  // A start tag; `attribute(name)` gives the value of the tag's first attribute of that
  // name (empty when it has none), or nullopt when the scan cannot give it as the tree
  // would. False when the slide is to be read otherwise: a value the scan could not give,
  // or a shape's text before its name, an order this reader does not follow.
  template <class Attribute>
  bool Start(std::string_view name, const Attribute& attribute) {
    const Role parent = open_.empty() ? Role::Other : open_.back();
    Role role = Role::Other;
    bool acted = false;
    switch (parent) {
      case Role::Other:
        if (open_.empty() && NameIs(name, "p:sld")) role = Role::Sld;
        break;
      case Role::Sld:
        if (NameIs(name, "p:cSld") && !cSld_) {
          const std::optional<std::string_view> cues = attribute("name");
          if (!cues) return false;
          role = Role::CSld;
          cSld_ = true;
          out_.name = *cues;
          Log(BoxStep::Name, *cues);
        }
        break;
      case Role::CSld:
        if (NameIs(name, "p:spTree") && !spTree_) role = Role::SpTree, spTree_ = true;
        break;
      case Role::SpTree:
        if (NameIs(name, "p:sp")) {
          role = Role::Sp;
          nvSpPr_ = cNvPr_ = named_ = txBody_ = false;
          shapeName_.clear();
        }
        break;
      case Role::Sp:
        if (NameIs(name, "p:nvSpPr") && !nvSpPr_) {
          role = Role::NvSpPr;
          nvSpPr_ = true;
        } else if (NameIs(name, "p:txBody") && !txBody_) {
          if (!named_) return false;  // the name after the text
          role = Role::TxBody;
          txBody_ = true;
          box_.emplace(shapeName_ == "Comment");
          Log(shapeName_ == "Comment" ? BoxStep::CommentBox : BoxStep::Box);
        }
        break;
      case Role::NvSpPr:
        if (NameIs(name, "p:cNvPr") && !cNvPr_) {
          const std::optional<std::string_view> shape = attribute("name");
          if (!shape) return false;
          role = Role::CNvPr;
          cNvPr_ = true;
          shapeName_ = *shape;
        }
        break;
      case Role::TxBody:
        if (NameIs(name, "a:p")) role = Role::P;
        break;
      case Role::P:
        if (NameIs(name, "a:br")) {
          box_->Break();
          Log(BoxStep::Break);
          acted = true;
        } else if (NameIs(name, "a:r") || NameIs(name, "a:fld")) {
          role = Role::Run;
          rPr_ = t_ = tText_ = italic_ = false;
          runText_.clear();
          runTaken_ = {};
        }
        break;
      case Role::Run:
        if (NameIs(name, "a:rPr") && !rPr_) {
          const std::optional<std::string_view> i = attribute("i");
          if (!i) return false;
          role = Role::RPr;
          rPr_ = true;
          italic_ = IsItalic(*i);
        } else if (NameIs(name, "a:t") && !t_) {
          role = Role::T;
          t_ = true;
        }
        break;
      default: break;
    }
    open_.push_back(role);
    inert_ = role == Role::Other && !acted;
    return true;
  }
  // True when the element started last, and so everything inside it, changes nothing of
  // what is read: the reader would take no part of it, its end included. Which elements
  // are inert follows from the names of the tags before them alone.
  bool Inert() const { return inert_; }

  // The end of the element opened last.
  void End() {
    const Role role = open_.back();
    open_.pop_back();
    switch (role) {
      case Role::NvSpPr: named_ = true; break;
      case Role::P:
        box_->EndParagraph();
        Log(BoxStep::EndParagraph);
        break;
      case Role::Run:
        box_->Run(italic_, runText_);
        Log(BoxStep::Run, runTaken_, italic_);
        break;
      case Role::Sp:
        // A comment box without text empties the comment, as the tree reads it.
        if (box_) {
          box_->Into(out_);
          Log(BoxStep::Into);
        } else if (shapeName_ == "Comment") {
          out_.comment.clear();
          Log(BoxStep::ClearComment);
        }
        box_.reset();
        break;
      default: break;
    }
  }

  // True when a text run here is the run's text: the first text in its first a:t that is
  // not white space alone (the tree keeps no such text).
  bool WantsText() const { return !open_.empty() && open_.back() == Role::T && !tText_; }
  // The run's text, its references decoded, and as it stands in the slide.
  void Text(std::string_view decoded, std::string_view raw = {}) {
    runText_ = decoded;
    runTaken_ = raw;
    tText_ = true;
  }
  // The steps taken from here on are logged into `steps`.
  void Log(std::vector<BoxStep>& steps) { steps_ = &steps; }

 private:
  enum class Role : std::uint8_t { Other, Sld, CSld, SpTree, Sp, NvSpPr, CNvPr, TxBody, P, Run, RPr, T };
  static std::vector<Role>& Stack() {
    thread_local std::vector<Role> stack;
    return stack;
  }
  static std::string& RunBuffer() {
    thread_local std::string run;
    return run;
  }
  SlideText& out_;
  std::vector<Role>& open_;
  bool inert_ = false;
  bool cSld_ = false, spTree_ = false;
  // The shape being read.
  bool nvSpPr_ = false, cNvPr_ = false, named_ = false, txBody_ = false;
  std::string shapeName_;
  std::optional<BoxText> box_;
  // The run being read.
  bool rPr_ = false, t_ = false, tText_ = false, italic_ = false;
  std::string& runText_;  // the thread's, as the stack
  std::string_view runTaken_;
  std::vector<BoxStep>* steps_ = nullptr;
  void Log(BoxStep::Kind kind, std::string_view taken = {}, bool italic = false) {
    if (steps_) steps_->push_back({kind, italic, taken});
  }
};

bool WhiteSpaceOnly(std::string_view s) { return s.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// A slide read by the general XML scan; false when it is not of the plain form the scan
// reads, or SlideReader gives up on it: TreeSlide reads it.
bool ScanSlide(std::string_view xml, SlideText& out) {
  SlideReader reader(out);
  XmlScan scan(xml);
  for (XmlScan::Token token; (token = scan.Next()) != XmlScan::End;) {
    switch (token) {
      case XmlScan::NotPlain: return false;
      case XmlScan::Text:
        if (reader.WantsText() && !WhiteSpaceOnly(scan.rawText())) reader.Text(scan.text());
        break;
      case XmlScan::EndTag: reader.End(); break;
      default: {
        auto attribute = [&scan](std::string_view name) -> std::optional<std::string_view> {
          for (const XmlScan::Attribute& a : scan.attributes())
            if (a.name == name) return a.value;
          return std::string_view();
        };
        if (!reader.Start(scan.name(), attribute)) return false;
      }
    }
  }
  return true;
}

// What the quick scan tells bytes by: names (ASCII only), white space, and the bytes that
// end an attribute's value or need a look in it. NUL is none of them.
enum : std::uint8_t { kNameStart = 1, kNameByte = 2, kSpace = 4, kValueStop = 8 };
constexpr auto kQuickByte = [] {
  std::array<std::uint8_t, 256> t{};
  for (int c = 'a'; c <= 'z'; ++c) t[c] = t[c - 'a' + 'A'] = kNameStart | kNameByte;
  for (int c = '0'; c <= '9'; ++c) t[c] = kNameByte;
  t['_'] = t[':'] = kNameStart | kNameByte;
  t['-'] = t['.'] = kNameByte;
  for (unsigned char c : {' ', '\t', '\r', '\n'}) t[c] = kSpace;
  for (unsigned char c : {'"', '\'', '<', '\0'}) t[c] |= kValueStop;
  return t;
}();

// What the quick scan keeps of a slide it read whole, so that the next ones, most often made
// from the same pattern with other cues and text, are read in stretches: its bytes up to its
// last '>', and its tags and their attributes as places in those bytes.
struct QuickTag {
  enum Kind : std::uint8_t { Start, Empty, End };
  std::uint32_t begin, end;                 // the '<', one past the '>'
  std::uint32_t attributes, attributesEnd;  // in QuickMemory::attributes; empty for an end tag
  std::uint32_t nameSize;                   // a start tag's name follows its '<'
  std::uint32_t close;                      // a start tag's end tag, a number in the slide's tags
  Kind kind;
  bool inert;  // a start tag whose element changes nothing of what is read (SlideReader::Inert)
};
struct QuickAttribute {
  std::uint32_t name, nameSize, value, valueSize;
};
// A value or text the reader took, as places in the slide: a value ends at its quote (the
// byte at `end`), a text at the next '<'.
struct QuickHole {
  std::uint32_t begin, end;
  bool value;
};
struct QuickMemory {
  std::string bytes;
  std::uint32_t first = 0;  // where the text before the root begins: after the declaration
  std::vector<QuickTag> tags;
  std::vector<QuickAttribute> attributes;
  std::vector<BoxStep> steps;
  std::vector<QuickHole> holes;  // those of the steps, in the order of the steps and places
};

// A slide whose bytes are those of a slide read whole before (`pattern`) but in the values
// and texts the reader took from it, with each of those again one the reader takes whole (a
// value without a reference, control character or '<'; a text not white space alone,
// without a CR, its references the five named ones), reads as the pattern did with those
// put in their places: every other byte is the pattern's, so every tag, attribute and
// element is, and the reader's steps are the pattern's. False, with `out` untouched, when
// the slide is not such a one.
bool MemoSlide(const QuickMemory& pattern, std::string_view xml, SlideText& out) {
  if (pattern.bytes.empty()) return false;
  thread_local std::vector<std::string_view> taken;
  thread_local std::string decoded;
  thread_local std::vector<std::pair<std::size_t, std::size_t>> decodedAt;  // hole, start in `decoded`
  taken.clear();
  decoded.clear();
  decodedAt.clear();
  const char* c = xml.data();
  const char* const end = c + xml.size();
  std::uint32_t from = 0;
  for (const QuickHole& h : pattern.holes) {
    const std::size_t literal = h.begin - from;
    if (static_cast<std::size_t>(end - c) < literal || !SameBytes(c, pattern.bytes.data() + from, literal)) return false;
    c += literal;
    const char* stop = static_cast<const char*>(std::memchr(c, '<', static_cast<std::size_t>(end - c)));
    if (!stop) return false;
    if (h.value) {
      const char* quote = static_cast<const char*>(std::memchr(c, pattern.bytes[h.end], static_cast<std::size_t>(stop - c)));
      if (!quote) return false;
      stop = quote;
    }
    const std::string_view value(c, static_cast<std::size_t>(stop - c));
    if (h.value) {
      for (char ch : value)
        if (ch == '&' || static_cast<unsigned char>(ch) < 0x20) return false;
    } else if (WhiteSpaceOnly(value) || value.find('\r') != std::string_view::npos) {
      return false;
    } else if (value.find('&') != std::string_view::npos) {
      decodedAt.emplace_back(taken.size(), decoded.size());
      if (!DecodeNamedReferences(value, decoded)) return false;
    }
    taken.push_back(value);
    c = stop;
    from = h.end;
  }
  const std::size_t literal = pattern.bytes.size() - from;
  if (static_cast<std::size_t>(end - c) != literal || !SameBytes(c, pattern.bytes.data() + from, literal)) return false;
  for (std::size_t i = 0; i < decodedAt.size(); ++i) {
    const std::size_t next = i + 1 < decodedAt.size() ? decodedAt[i + 1].second : decoded.size();
    taken[decodedAt[i].first] = std::string_view(decoded).substr(decodedAt[i].second, next - decodedAt[i].second);
  }
  auto hole = [&](const BoxStep& s) { return s.hole < 0 ? std::string_view() : taken[static_cast<std::size_t>(s.hole)]; };
  std::optional<BoxText> box;
  for (const BoxStep& s : pattern.steps) {
    switch (s.kind) {
      case BoxStep::Name: out.name = hole(s); break;
      case BoxStep::Box: box.emplace(false); break;
      case BoxStep::CommentBox: box.emplace(true); break;
      case BoxStep::Break: box->Break(); break;
      case BoxStep::Run: box->Run(s.italic, hole(s)); break;
      case BoxStep::EndParagraph: box->EndParagraph(); break;
      case BoxStep::Into:
        box->Into(out);
        box.reset();
        break;
      case BoxStep::ClearComment: out.comment.clear(); break;
    }
  }
  return true;
}

// A slide read by a quick scan of its tags, for slides in the plain form our writer and
// presentation programs give them: each tag found by its '<', names compared whole, a tag's
// attributes checked for their form and kept as places, text looked at only where a run's
// text is wanted. What it does not read exactly as the tree would gives false and the
// general scan reads the slide: a comment, CDATA, a DOCTYPE or processing instruction (but
// the declaration at the start), a reference other than the five named ones or a CR in a
// run's text, a reference or control character in a value the reader takes, a '<' in any
// value, a NUL, a byte-order mark, a name outside ASCII, anything but white space around
// the root, and a root other than p:sld.
// Two slides read before are kept as patterns: the last one, and the last one whose tags
// differed from those of the slide after it (a one-row subtitle among two-row ones). While
// this slide's tags are a pattern's, one for one, the bytes after each tag are compared
// with the pattern's after the same tag, and the pattern's tags that end inside the equal
// stretch are taken as read, with the text between them; an element the reader takes
// nothing from is passed over whole. Only what differs (the cues, the text) is scanned.
// The slide is often a view into the package, with no terminator after it: the scan reads
// it up to its last '>' (white space may follow), which stops every step but an attribute's
// value before the end, so that only a value tests for the end at every byte. A slide
// ending otherwise, or holding a NUL, gives false at once.
bool QuickSlide(std::string_view xml, SlideText& out) {
  if (xml.empty() || std::memchr(xml.data(), 0, xml.size())) return false;
  while (!xml.empty() && (kQuickByte[static_cast<unsigned char>(xml.back())] & kSpace)) xml.remove_suffix(1);
  if (!xml.ends_with('>') || xml.size() > UINT32_MAX) return false;
  // This slide's tags and the two patterns: the thread's, kept from slide to slide.
  thread_local QuickMemory now, last, other;
  if (MemoSlide(last, xml, out) || MemoSlide(other, xml, out)) return true;
  const char* const base = xml.data();
  const char* p = base;
  const char* const end = p + xml.size();
  auto is = [&](std::uint8_t kind) { return (kQuickByte[static_cast<unsigned char>(*p)] & kind) != 0; };
  auto at = [&](const char* q) { return static_cast<std::uint32_t>(q - base); };
  if (xml.starts_with("<?xml") && xml.size() > 5 && (kQuickByte[static_cast<unsigned char>(xml[5])] & kSpace)) {
    const std::size_t close = xml.find("?>", 6);
    if (close == std::string::npos) return false;
    p += close + 2;
  }
  auto skipSpace = [&] {
    const char* from = p;
    while (is(kSpace)) ++p;
    return p != from;
  };
  auto readName = [&]() -> std::string_view {
    const char* from = p;
    if (!is(kNameStart)) return {};
    do ++p;
    while (is(kNameByte));
    return std::string_view(from, static_cast<std::size_t>(p - from));
  };
  // The names of the open elements and the numbers of their start tags; a text's references
  // decoded: the thread's too.
  thread_local std::vector<std::string_view> open;
  thread_local std::vector<std::uint32_t> opened;
  thread_local std::string decoded;
  now.tags.clear();
  now.attributes.clear();
  now.steps.clear();
  now.holes.clear();
  now.first = at(p);
  open.clear();
  opened.clear();
  SlideReader reader(out);
  reader.Log(now.steps);
  bool rootDone = false;
  // This slide's tags so far are the pattern's, one for one: the same names, so the same
  // elements open and the reader in the same place.
  bool followsLast = !last.tags.empty(), followsOther = !other.tags.empty();

  // Text between tags, as read or as taken from a pattern.
  auto text = [&](std::string_view text) {
    if (open.empty()) return WhiteSpaceOnly(text);
    if (!reader.WantsText() || WhiteSpaceOnly(text)) return true;
    if (text.find('\r') != std::string_view::npos) return false;
    if (text.find('&') == std::string_view::npos) {
      reader.Text(text, text);
      return true;
    }
    decoded.clear();
    if (!DecodeNamedReferences(text, decoded)) return false;
    reader.Text(decoded, text);
    return true;
  };
  // The tag numbered k of now.tags, read or taken from a pattern, given to the reader.
  auto apply = [&](std::uint32_t k) {
    QuickTag& t = now.tags[k];
    if (t.kind == QuickTag::End) {
      now.tags[opened.back()].close = k;
      opened.pop_back();
      open.pop_back();
      reader.End();
      rootDone = open.empty();
      return true;
    }
    const std::string_view name(base + t.begin + 1, t.nameSize);
    auto attribute = [&](std::string_view wanted) -> std::optional<std::string_view> {
      for (std::uint32_t i = t.attributes; i < t.attributesEnd; ++i) {
        const QuickAttribute& a = now.attributes[i];
        if (std::string_view(base + a.name, a.nameSize) != wanted) continue;
        const std::string_view value(base + a.value, a.valueSize);
        for (char c : value)
          if (c == '&' || static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        return value;
      }
      return std::string_view();
    };
    if (!reader.Start(name, attribute)) return false;
    t.inert = reader.Inert();
    if (t.kind == QuickTag::Empty) {
      t.close = k;
      reader.End();
      rootDone = open.empty();
    } else {
      open.push_back(name);
      opened.push_back(k);
    }
    return true;
  };
  // Whether a tag of this slide numbered k keeps its tags the pattern's.
  auto follows = [&](const QuickMemory& pattern, std::size_t k, const QuickTag& t) {
    if (k >= pattern.tags.size()) return false;
    const QuickTag& l = pattern.tags[k];
    return l.kind == t.kind &&
           (t.kind == QuickTag::End ||
            (l.nameSize == t.nameSize && SameBytes(pattern.bytes.data() + l.begin + 1, base + t.begin + 1, t.nameSize)));
  };
  // After the tags so far, the bytes that follow compared with the pattern's after its tag
  // of the same number: its tags that end inside the equal stretch are copied into this
  // slide's, moved to their places here, and given to the reader with the text before each;
  // an inert element inside the stretch is passed over whole. The scan goes on after them.
  auto stretch = [&](const QuickMemory& pattern) {
    const auto k = static_cast<std::uint32_t>(now.tags.size());
    if (k >= pattern.tags.size()) return true;
    const std::uint32_t from = k ? pattern.tags[k - 1].end : pattern.first;
    const std::size_t room = std::min<std::size_t>(static_cast<std::size_t>(end - p), pattern.bytes.size() - from);
    if (pattern.tags[k].end - from > room) return true;
    const std::size_t same = from + SamePrefix(p, pattern.bytes.data() + from, room);
    // The pattern's tags before `within` end inside the stretch (their ends rise).
    const auto within = std::upper_bound(pattern.tags.begin() + k, pattern.tags.end(), same,
                                         [](std::size_t s, const QuickTag& t) { return s < t.end; });
    const auto count = static_cast<std::uint32_t>(within - (pattern.tags.begin() + k));
    if (count == 0) return true;
    // Places move by `shift` and attribute numbers by `moved`, both modulo 2^32: the
    // results are all below it.
    const std::uint32_t shift = at(p) - from;
    const std::uint32_t a0 = pattern.tags[k].attributes, a1 = pattern.tags[k + count - 1].attributesEnd;
    const std::uint32_t moved = static_cast<std::uint32_t>(now.attributes.size()) - a0;
    now.attributes.insert(now.attributes.end(), pattern.attributes.begin() + a0, pattern.attributes.begin() + a1);
    for (auto a = now.attributes.end() - (a1 - a0); a != now.attributes.end(); ++a) {
      a->name += shift;
      a->value += shift;
    }
    now.tags.insert(now.tags.end(), pattern.tags.begin() + k, within);
    for (auto t = now.tags.begin() + k; t != now.tags.end(); ++t) {
      t->begin += shift;
      t->end += shift;
      t->attributes += moved;
      t->attributesEnd += moved;
    }
    const std::uint32_t past = k + count;
    // Taken from the last pattern, the tags must be the other's too for it to stay one.
    if (&pattern == &last)
      for (std::uint32_t j = k; j < past && followsOther; ++j) followsOther = follows(other, j, now.tags[j]);
    for (std::uint32_t j = k; j < past;) {
      const QuickTag& t = now.tags[j];
      if (base + t.begin != p && !text(std::string_view(p, static_cast<std::size_t>(base + t.begin - p)))) return false;
      if (t.inert && t.close < past) {
        // Its close too is the pattern's: the element's bytes are the pattern's.
        p = base + now.tags[t.close].end;
        j = t.close + 1;
        continue;
      }
      if (!apply(j)) return false;
      p = base + now.tags[j].end;
      ++j;
    }
    return true;
  };
  auto stretches = [&] {
    return followsLast ? stretch(last) : followsOther ? stretch(other) : true;
  };

  if (!stretches()) return false;
  while (true) {
    if (p != end && *p != '<') {
      const char* lt = static_cast<const char*>(std::memchr(p, '<', static_cast<std::size_t>(end - p)));
      const std::string_view between(p, static_cast<std::size_t>((lt ? lt : end) - p));
      p += between.size();
      if (!text(between)) return false;
    }
    if (p == end) break;
    if (rootDone) return false;
    const auto attributes = static_cast<std::uint32_t>(now.attributes.size());
    QuickTag t{at(p), 0, attributes, attributes, 0, 0, QuickTag::Start, false};
    ++p;
    if (*p == '/') {
      // The end tag's name against the element open (no name is read): eight bytes at a
      // time where the slide has room for the loads (the open name lies before them, so it
      // has too), else byte by byte.
      if (open.empty()) return false;
      const std::string_view expected = open.back();
      ++p;
      if (end - p >= static_cast<std::ptrdiff_t>(expected.size() + 8)) {
        static_assert(std::endian::native == std::endian::little);
        for (std::size_t k = 0; k < expected.size(); k += 8) {
          std::uint64_t got, want;
          std::memcpy(&got, p + k, 8);
          std::memcpy(&want, expected.data() + k, 8);
          const std::size_t left = expected.size() - k;
          const std::uint64_t mask = left >= 8 ? ~std::uint64_t(0) : (std::uint64_t(1) << (8 * left)) - 1;
          if ((got ^ want) & mask) return false;
        }
        p += expected.size();
      } else {
        for (char c : expected) {
          if (*p != c) return false;  // at the latest the last '>'
          ++p;
        }
      }
      if (is(kNameByte)) return false;  // a longer name
      skipSpace();
      if (*p != '>') return false;
      ++p;
      t.kind = QuickTag::End;
    } else {
      const std::string_view name = readName();
      if (name.empty() || (open.empty() && !NameIs(name, "p:sld"))) return false;
      t.nameSize = static_cast<std::uint32_t>(name.size());
      while (true) {
        const bool spaced = skipSpace();
        if (*p == '>') {
          ++p;
          break;
        }
        if (*p == '/') {
          if (p[1] != '>') return false;
          p += 2;
          t.kind = QuickTag::Empty;
          break;
        }
        const std::string_view attributeName = readName();
        if (!spaced || attributeName.empty()) return false;
        skipSpace();
        if (*p != '=') return false;
        ++p;
        skipSpace();
        const char quote = *p;
        if (quote != '"' && quote != '\'') return false;
        const char* value = ++p;
        // Sixteen bytes at a time, while as many are left, up to the first quote or '<';
        // then byte by byte, which passes over a quote of the other kind.
#if defined(__SSE2__)
        while (end - p >= 16) {
          const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
          const int stops = _mm_movemask_epi8(_mm_or_si128(
              _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('"')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\''))),
              _mm_cmpeq_epi8(v, _mm_set1_epi8('<'))));
          if (stops) {
            p += __builtin_ctz(static_cast<unsigned>(stops));
            break;
          }
          p += 16;
        }
#endif
        while (p != end && (!is(kValueStop) || (*p != quote && (*p == '"' || *p == '\'')))) ++p;
        if (p == end || *p != quote) return false;  // a '<', or the end
        now.attributes.push_back({at(attributeName.data()), static_cast<std::uint32_t>(attributeName.size()), at(value),
                                  static_cast<std::uint32_t>(p - value)});
        ++p;
      }
      t.attributesEnd = static_cast<std::uint32_t>(now.attributes.size());
    }
    t.end = at(p);
    followsLast = followsLast && follows(last, now.tags.size(), t);
    followsOther = followsOther && follows(other, now.tags.size(), t);
    now.tags.push_back(t);
    if (!apply(static_cast<std::uint32_t>(now.tags.size() - 1)) || !stretches()) return false;
  }
  if (!rootDone) return false;
  // The values and texts the steps took, as places.
  for (BoxStep& s : now.steps) {
    if (s.taken.data() == nullptr) continue;
    s.hole = static_cast<std::int32_t>(now.holes.size());
    now.holes.push_back({at(s.taken.data()), at(s.taken.data() + s.taken.size()), s.kind == BoxStep::Name});
  }
  // This slide becomes the last pattern; the last one stays as the other when their tags
  // differ.
  now.bytes.assign(base, xml.size());
  if (!followsLast) std::swap(other, last);
  std::swap(last, now);
  return true;
}

}  // namespace

SlideReading ReadSlideXml(std::string_view xml, SlideText& out, SlideReading from) {
  if (from == SlideReading::Quick) {
    if (QuickSlide(xml, out)) return SlideReading::Quick;
    out = SlideText();
  }
  if (from <= SlideReading::Scan) {
    if (ScanSlide(xml, out)) return SlideReading::Scan;
    out = SlideText();
  }
  if (from <= SlideReading::Tree && TreeSlide(xml, out)) return SlideReading::Tree;
  out = SlideText();
  return SlideReading::Failed;
}

namespace {

// The lists read by the XML scan: the slides are the p:sldId children of the first
// p:sldIdLst child of the root p:presentation, each by its first r:id (empty without one);
// the relationships the Relationship children of a root Relationships (none under another
// root), by their Id and Target. False when either list is not of the plain form the scan
// reads, or a value the reader takes had to be decoded: the XML library reads them then.
bool ScanLists(std::string_view presXml, std::string_view relsXml, PresentationLists& lists) {
  lists = PresentationLists();
  // The first attribute of that name of the tag; empty without one, nullopt when decoded.
  auto value = [](const XmlScan& scan, std::string_view name) -> std::optional<std::string_view> {
    for (const XmlScan::Attribute& a : scan.attributes())
      if (a.name == name) return scan.valuesDecoded() ? std::nullopt : std::optional(a.value);
    return std::string_view();
  };
  XmlScan pres(presXml);
  bool inList = false, listSeen = false;
  for (XmlScan::Token t; (t = pres.Next()) != XmlScan::End;) {
    if (t == XmlScan::NotPlain) return false;
    if (t == XmlScan::EndTag) {
      if (pres.depth() == 1) inList = false;
      continue;
    }
    if (t != XmlScan::StartTag) continue;
    if (pres.depth() == 1) {
      if (pres.name() != "p:presentation") return false;  // the library says so
    } else if (pres.depth() == 2 && !listSeen && pres.name() == "p:sldIdLst") {
      inList = listSeen = true;
    } else if (pres.depth() == 3 && inList && pres.name() == "p:sldId") {
      const std::optional<std::string_view> id = value(pres, "r:id");
      if (!id) return false;
      lists.slides.push_back(*id);
    }
  }
  XmlScan rels(relsXml);
  bool relationships = false;
  for (XmlScan::Token t; (t = rels.Next()) != XmlScan::End;) {
    if (t == XmlScan::NotPlain) return false;
    if (t != XmlScan::StartTag) continue;
    if (rels.depth() == 1) {
      relationships = rels.name() == "Relationships";
    } else if (rels.depth() == 2 && relationships && rels.name() == "Relationship") {
      const std::optional<std::string_view> id = value(rels, "Id"), target = value(rels, "Target");
      if (!id || !target) return false;
      lists.relationships.emplace_back(*id, *target);
    }
  }
  return true;
}

// The lists read by the XML library, parsed where they lie (up to a NUL); false when
// either is not XML or the presentation's root is not p:presentation.
bool TreeLists(std::string& presXml, std::string& relsXml, PresentationLists& lists) {
  lists = PresentationLists();
  pugi::xml_document pres, rels;
  auto parse = [](pugi::xml_document& doc, std::string& text) {
    return doc.load_buffer_inplace(text.data(), std::strlen(text.c_str()), pugi::parse_default, pugi::encoding_utf8);
  };
  if (!parse(pres, presXml) || !parse(rels, relsXml) || !pres.child("p:presentation")) return false;
  for (pugi::xml_node rel : rels.child("Relationships").children("Relationship"))
    lists.relationships.emplace_back(rel.attribute("Id").value(), rel.attribute("Target").value());
  for (pugi::xml_node id : pres.child("p:presentation").child("p:sldIdLst").children("p:sldId"))
    lists.slides.push_back(id.attribute("r:id").value());
  return true;
}

// Relationship id -> target, the last of an id counting. Ids of the form presentation
// programs give them, "rId" and a number without leading zeros, numbered well within the
// list's length, find theirs in an array by the number: read in the list's order, as
// slides most often are, its memory is read in order too. Other ids go through a table of
// open addressing over the list. A slot holds a relationship's number plus one.
class RelationshipTargets {
 public:
  explicit RelationshipTargets(const std::vector<std::pair<std::string_view, std::string_view>>& list) : list_(list) {
    const std::size_t most = 8 * list.size() + 64;
    std::vector<std::uint32_t> numbers;
    numbers.reserve(list.size());
    for (const auto& [id, target] : list) {
      const std::optional<std::uint32_t> n = Number(id);
      if (!n || *n >= most) break;
      numbers.push_back(*n);
    }
    if (numbers.size() == list.size()) {
      byNumber_.assign(numbers.empty() ? 0 : *std::max_element(numbers.begin(), numbers.end()) + 1, 0);
      for (std::uint32_t i = 0; i < numbers.size(); ++i) byNumber_[numbers[i]] = i + 1;  // a later one takes it
      numbered_ = true;
      return;
    }
    slots_.assign(std::bit_ceil(list.size() * 2 + 2), 0);
    for (std::uint32_t i = 0; i < list.size(); ++i) slots_[SlotOf(list[i].first)] = i + 1;
  }
  const std::string_view* Find(std::string_view id) const {
    std::uint32_t slot = 0;
    if (numbered_) {
      const std::optional<std::uint32_t> n = Number(id);
      slot = n && *n < byNumber_.size() ? byNumber_[*n] : 0;
    } else {
      slot = slots_[SlotOf(id)];
    }
    return slot ? &list_[slot - 1].second : nullptr;
  }

 private:
  static std::optional<std::uint32_t> Number(std::string_view id) {
    if (!id.starts_with("rId") || (id.size() > 4 && id[3] == '0')) return std::nullopt;
    const char* end = id.data() + id.size();
    std::uint32_t n = 0;
    const auto [ptr, ec] = std::from_chars(id.data() + 3, end, n);
    return ec == std::errc() && ptr == end ? std::optional(n) : std::nullopt;
  }
  // The slot of the id, or the empty one where it would go.
  std::size_t SlotOf(std::string_view id) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = std::hash<std::string_view>{}(id) & mask;; at = (at + 1) & mask)
      if (!slots_[at] || list_[slots_[at] - 1].first == id) return at;
  }
  const std::vector<std::pair<std::string_view, std::string_view>>& list_;
  bool numbered_ = false;
  std::vector<std::uint32_t> byNumber_, slots_;
};

}  // namespace

bool ReadPresentationLists(std::string& presXml, std::string& relsXml, PresentationLists& out, bool scan) {
  // Both lists read up to a NUL, as the library reads a string.
  return (scan && ScanLists(presXml.c_str(), relsXml.c_str(), out)) || TreeLists(presXml, relsXml, out);
}

SubtitleDocument ReadPowerPoint(std::span<const std::uint8_t> bytes, const FrameRate& rate, Warnings& warnings) {
  const std::unique_ptr<ZipReader> zip = ZipReader::Open(bytes);
  if (!zip) throw InvalidFileFormat("This is not a PowerPoint presentation");
  const ZipReader& z = *zip;
  std::string presXml, relsXml;
  ReadPart(z, "ppt/presentation.xml", presXml);
  ReadPart(z, "ppt/_rels/presentation.xml.rels", relsXml);
  PresentationLists lists;
  if (!ReadPresentationLists(presXml, relsXml, lists)) throw InvalidFileFormat("This is not a PowerPoint presentation");
  CueCollector cues(warnings);
  cues.Reserve(lists.slides.size());
  int noCues = 0;
  const RelationshipTargets targets(lists.relationships);
  std::string scratch, part;
  SlideText slide;  // its name's room kept from slide to slide
  for (std::string_view id : lists.slides) {
    const std::string_view* target = targets.Find(id);
    slide.name.clear();
    slide.text.clear();
    slide.comment.clear();
    std::string_view xml;
    if (!target) {
      part = "?";
    } else {
      // A target beside the presentation, as ours and most are, without Resolve's strings.
      const std::string_view to = *target;
      if (to.starts_with('/') || to.starts_with("../")) part = Resolve("ppt/", std::string(to));
      else part.assign("ppt/").append(to);
      // Our slides are stored: read where they lie in the package.
      xml = z.View(part, std::uint64_t(64) << 20, scratch).value_or(std::string_view());
    }
    if (!target || ReadSlideXml(xml, slide) == SlideReading::Failed) {
      warnings.push_back("A slide that could not be read was skipped: " + part);
      continue;
    }
    Subtitle s;
    std::string_view rest = slide.name;
    auto in = ReadFrameLabel(rest, rate);
    auto out = in ? ReadFrameLabel(rest, rate) : std::nullopt;
    if (in && out) {
      s.inCue = std::move(*in);
      s.outCue = std::move(*out);
    } else {
      ++noCues;
    }
    s.text = std::move(slide.text);
    s.comment = std::move(slide.comment);
    if (!cues.Add(std::move(s))) break;
  }
  if (noCues) warnings.push_back(std::to_string(noCues) + " slides have no cues in their names and were read without cues");
  return cues.Finish(rate, "The presentation holds no slides", false);
}

}  // namespace kipo
