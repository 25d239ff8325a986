#include "formats/exchange/final_cut_pro.h"

#include <pugixml.hpp>
#include <unicode/utf8.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>

#include "core/markup.h"
#include "formats/exchange/script_text.h"
#include "platform/encoding.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

// The file is written straight into one string, laid out as an XML writer with two-space
// indentation lays it out (CR LF line ends, elements holding only text on one line).
// Characters outside ASCII are character references: the file is the same in whichever
// encoding the export writes it, and stays valid UTF-8 as it declares.
class XmlOut {
 public:
  explicit XmlOut(std::string& out, std::size_t depth = 0) : out_(out), depth_(depth) {}
  std::size_t Depth() const { return depth_; }

  void Open(std::string_view name, std::string_view attributes = {}) {
    Indent();
    out_ += '<';
    out_ += name;
    out_ += attributes;
    out_ += ">\r\n";
    ++depth_;
  }
  void Close(std::string_view name) {
    --depth_;
    Indent();
    out_ += "</";
    out_ += name;
    out_ += ">\r\n";
  }
  // An element holding text, escaped.
  void Text(std::string_view name, std::string_view text) {
    Start(name);
    Escaped(text);
    End(name);
  }
  // An element holding text that needs no escaping (names, numbers).
  void Plain(std::string_view name, std::string_view text) {
    Start(name);
    out_ += text;
    End(name);
  }
  void Number(std::string_view name, long value) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, value);
    Plain(name, std::string_view(digits, static_cast<std::size_t>(r.ptr - digits)));
  }

  // Markup characters as entities, control characters as two-digit references, line
  // feeds as CR LF, other characters outside ASCII as character references.
  void Escaped(std::string_view text);

 private:
  void Indent() { out_.append(2 * depth_, ' '); }
  void Start(std::string_view name) {
    Indent();
    out_ += '<';
    out_ += name;
    out_ += '>';
  }
  void End(std::string_view name) {
    out_ += "</";
    out_ += name;
    out_ += ">\r\n";
  }
  std::string& out_;
  std::size_t depth_ = 0;
};

void XmlOut::Escaped(std::string_view text) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  const auto n = static_cast<std::int32_t>(text.size());
  for (std::int32_t i = 0; i < n;) {
    const std::int32_t from = i;
    while (i < n && p[i] >= 0x20 && p[i] < 0x80 && p[i] != '&' && p[i] != '<' && p[i] != '>') ++i;
    out_.append(text.data() + from, static_cast<std::size_t>(i - from));
    if (i == n) break;
    const std::uint8_t c = p[i];
    if (c == '&') out_ += "&amp;", ++i;
    else if (c == '<') out_ += "&lt;", ++i;
    else if (c == '>') out_ += "&gt;", ++i;
    else if (c == '\n') out_ += "\r\n", ++i;
    else if (c == '\t' || c == '\r') out_ += static_cast<char>(c), ++i;
    else if (c < 0x20) {
      const char ref[5] = {'&', '#', static_cast<char>('0' + c / 10), static_cast<char>('0' + c % 10), ';'};
      out_.append(ref, 5);
      ++i;
    } else {
      UChar32 cp;
      U8_NEXT(p, i, n, cp);
      out_ += "&#";
      char digits[12];
      const auto r = std::to_chars(digits, digits + sizeof digits, cp < 0 ? 0xFFFD : cp);
      out_.append(digits, r.ptr);
      out_ += ';';
    }
  }
}

void Rate(XmlOut& x, std::string_view timebase, std::string_view ntsc) {
  x.Open("rate");
  x.Plain("timebase", timebase);
  x.Plain("ntsc", ntsc);
  x.Close("rate");
}

void Parameter(XmlOut& x, std::string_view id, std::string_view name, std::string_view value,
               std::string_view min = {}, std::string_view max = {}, bool escape = true) {
  x.Open("parameter");
  x.Plain("parameterid", id);
  x.Plain("name", name);
  if (!min.empty()) x.Plain("valuemin", min);
  if (!max.empty()) x.Plain("valuemax", max);
  if (escape) x.Text("value", value);
  else x.Plain("value", value);
  x.Close("parameter");
}

void AppendNumber(std::string& out, long value) {
  char digits[24];
  const auto r = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, r.ptr);
}

// A text item laid out once, with a hole for each value that changes from item to item
// (its number, duration twice, start, end, text, style and alignment): the pieces between
// the holes are then written as they stand.
constexpr char kHole = '\x01';

std::vector<std::string> ItemPieces(std::size_t depth, std::string_view timebase, std::string_view ntsc,
                                    const FinalCutProOptions& o) {
  std::string t;
  XmlOut x(t, depth);
  const std::string_view hole(&kHole, 1);
  x.Open("generatoritem", " id=\"Text \x01\"");
  x.Plain("name", "Text");
  x.Plain("duration", hole);
  Rate(x, timebase, ntsc);
  x.Plain("in", "0");
  x.Plain("out", hole);
  x.Plain("start", hole);
  x.Plain("end", hole);
  x.Plain("enabled", "TRUE");
  x.Plain("anamorphic", "FALSE");
  x.Plain("alphatype", "black");
  x.Open("effect");
  x.Plain("name", "Text");
  x.Plain("effectid", "Text");
  x.Plain("effectcategory", "Text");
  x.Plain("effecttype", "generator");
  x.Plain("mediatype", "video");
  Parameter(x, "str", "Text", hole, {}, {}, false);
  Parameter(x, "fontname", "Font", o.fontName);  // escaped: a control character in it is no hole
  Parameter(x, "fontsize", "Size", std::to_string(o.fontSize), "0", "1000");
  Parameter(x, "fontstyle", "Style", hole, "1", "4", false);
  Parameter(x, "fontalign", "Alignment", hole, "1", "3", false);
  Parameter(x, "origin", "Origin", "0 0.3");
  x.Close("effect");
  x.Close("generatoritem");
  std::vector<std::string> pieces(1);
  for (char c : t) {
    if (c == kHole) pieces.emplace_back();
    else pieces.back() += c;
  }
  return pieces;
}

// The text of an element and everything in it, as XPath compares it.
std::string StringValue(const pugi::xml_node& n) {
  pugi::xml_node first = n.first_child();
  if (first && !first.next_sibling() && (first.type() == pugi::node_pcdata || first.type() == pugi::node_cdata))
    return first.value();
  std::string all;
  for (pugi::xml_node d = n.first_child(); d;) {
    if (d.type() == pugi::node_pcdata || d.type() == pugi::node_cdata) all += d.value();
    if (d.first_child()) {
      d = d.first_child();
      continue;
    }
    while (d && !d.next_sibling() && d != n) d = d.parent();
    if (!d || d == n) break;
    d = d.next_sibling();
  }
  return all;
}

bool HasChildWithText(const pugi::xml_node& n, const char* name, std::string_view text) {
  for (pugi::xml_node c : n.children(name))
    if (StringValue(c) == text) return true;
  return false;
}

// The generator items of a Text effect anywhere below the root, in document order (what
// //generatoritem[effect/effectid='Text' or effect/name='Text'] selects), found in one
// walk of the tree by pugixml's own traversal.
std::vector<pugi::xml_node> TextGenerators(pugi::xml_node root) {
  struct Finder : pugi::xml_tree_walker {
    std::vector<pugi::xml_node> found;
    bool for_each(pugi::xml_node& d) override {
      const char* name = d.name();
      if (name[0] != 'g' || std::strcmp(name, "generatoritem") || d.type() != pugi::node_element) return true;
      for (pugi::xml_node e : d.children("effect"))
        if (HasChildWithText(e, "effectid", "Text") || HasChildWithText(e, "name", "Text")) {
          found.push_back(d);
          break;
        }
      return true;
    }
  } finder;
  root.traverse(finder);
  return std::move(finder.found);
}

struct Item {
  long start = 0, end = 0;
  std::string text;
  bool italic = false;
};

}  // namespace

std::string WriteFinalCutPro(const SubtitleDocument& doc, const FinalCutProOptions& o, Warnings& warnings) {
  const FrameRate& rate = doc.frameRate();
  ScriptTextWriter plain("Final Cut Pro XML", {});
  bool partItalics = false;
  const std::string timebase = std::to_string(rate.countingRate());
  const std::string_view ntsc = rate.den == 1001 ? "TRUE" : "FALSE";
  std::string out;
  // About two kilobytes of markup per text item.
  out.reserve(1024 + doc.Subtitles().size() * 2200);
  XmlOut x(out);
  out += "<?xml version=\"1.0\"?>\r\n<!DOCTYPE xmeml>\r\n";
  x.Open("xmeml", " version=\"5\"");
  x.Open("sequence", " id=\"subtitles\"");
  std::string title = std::filesystem::path(doc.filePath).stem().string();
  x.Text("name", title.empty() ? "Subtitles" : title);
  long last = 0;
  for (const Subtitle& s : doc.Subtitles()) last = std::max<long>(last, static_cast<long>(OutCueOf(s).ToFrames(rate)));
  x.Number("duration", last);
  Rate(x, timebase, ntsc);
  x.Open("timecode");
  Rate(x, timebase, ntsc);
  x.Plain("string", rate.dropFrame ? "00;00;00;00" : "00:00:00:00");
  x.Plain("frame", "0");
  x.Plain("displayformat", rate.dropFrame ? "DF" : "NDF");
  x.Close("timecode");
  x.Open("media");
  x.Open("video");
  x.Open("format");
  x.Open("samplecharacteristics");
  x.Number("width", o.frameWidth);
  x.Number("height", o.frameHeight);
  x.Close("samplecharacteristics");
  x.Close("format");
  x.Open("track");
  const std::vector<std::string> pieces = ItemPieces(x.Depth(), timebase, ntsc, o);
  std::size_t n = 0;
  std::string text;
  for (const Subtitle& s : doc.Subtitles()) {
    if (!s.inCue.IsSet()) continue;
    const long in = static_cast<long>(s.inCue.ToFrames(rate));
    const long end = std::max(in, static_cast<long>(OutCueOf(s).ToFrames(rate)));
    const bool italic = s.italic || IsWhollyItalic(s.text);
    Subtitle bare = s;
    bare.italic = false;
    if (!italic && HasItalicMarkers(s.text)) partItalics = true;
    bare.text = StripItalics(s.text);
    text.clear();
    for (const std::string& row : plain.Rows(bare)) {
      if (!text.empty()) text += '\r';
      text += row;
    }
    out += pieces[0];
    AppendNumber(out, static_cast<long>(++n));
    out += pieces[1];
    AppendNumber(out, end - in);
    out += pieces[2];
    AppendNumber(out, end - in);
    out += pieces[3];
    AppendNumber(out, in);
    out += pieces[4];
    AppendNumber(out, end);
    out += pieces[5];
    x.Escaped(text);
    out += pieces[6];
    out += italic ? '3' : '1';
    out += pieces[7];
    out += s.alignment == AlignLeft ? '1' : s.alignment == AlignRight ? '3' : '2';
    out += pieces[8];
  }
  x.Close("track");
  x.Close("video");
  x.Close("media");
  x.Close("sequence");
  x.Close("xmeml");
  if (partItalics) warnings.push_back("Italics over part of a subtitle cannot be written in Final Cut Pro XML files and were left out");
  plain.Finish(warnings);
  return out;
}

SubtitleDocument ReadFinalCutPro(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  pugi::xml_document x;
  pugi::xml_parse_result ok = x.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  pugi::xml_node root = x.child("xmeml");
  if (!ok || !root) throw InvalidFileFormat("This is not a Final Cut Pro XML file");
  std::vector<Item> items;
  int otherRate = 0;
  for (pugi::xml_node g : TextGenerators(root)) {
    Item item;
    item.start = g.child("start").text().as_llong(-1);
    item.end = g.child("end").text().as_llong(-1);
    const int timebase = g.child("rate").child("timebase").text().as_int(0);
    if (timebase && timebase != rate.countingRate()) ++otherRate;
    if (item.start < 0 || item.end < item.start) {
      warnings.push_back("A text item without a place on the timeline was skipped");
      continue;
    }
    for (pugi::xml_node p : g.child("effect").children("parameter")) {
      const std::string id = p.child_value("parameterid");
      if (id == "str") item.text = p.child_value("value");
      else if (id == "fontstyle") item.italic = p.child("value").text().as_int(1) >= 3;
    }
    items.push_back(std::move(item));
  }
  if (otherRate) warnings.push_back("Some items are timed at another frame rate; their frames were read as they stand");
  std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.start < b.start; });
  CueCollector cues(warnings);
  const long last = static_cast<long>(LabelToFrames("99595900", rate)) + rate.countingRate() - 1;
  for (const Item& item : items) {
    if (item.end > last) {
      warnings.push_back("A text item beyond 100 hours was skipped");
      continue;
    }
    Subtitle s;
    s.inCue = FramesToDigits(static_cast<Timecode>(item.start), rate);
    s.outCue = FramesToDigits(static_cast<Timecode>(item.end), rate);
    std::string body = ScriptTextToMarkup(item.text, {});
    s.text = item.italic && !body.empty() ? kItalicOn + body + kItalicOff : body;
    if (!cues.Add(std::move(s))) break;
  }
  return cues.Finish(rate, "The Final Cut Pro XML file holds no text items");
}

}  // namespace kipo
