#include "formats/exchange/final_cut_pro.h"

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "core/markup.h"
#include "formats/exchange/script_text.h"
#include "platform/encoding.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

void Rate(pugi::xml_node parent, const FrameRate& rate) {
  pugi::xml_node r = parent.append_child("rate");
  r.append_child("timebase").text().set(rate.countingRate());
  r.append_child("ntsc").text().set(rate.den == 1001 ? "TRUE" : "FALSE");
}

void Parameter(pugi::xml_node effect, const char* id, const char* name, const std::string& value,
               const char* min = nullptr, const char* max = nullptr) {
  pugi::xml_node p = effect.append_child("parameter");
  p.append_child("parameterid").text().set(id);
  p.append_child("name").text().set(name);
  if (min) p.append_child("valuemin").text().set(min);
  if (max) p.append_child("valuemax").text().set(max);
  p.append_child("value").text().set(value.c_str());
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
  pugi::xml_document x;
  x.append_child(pugi::node_doctype).set_value("xmeml");
  pugi::xml_node root = x.append_child("xmeml");
  root.append_attribute("version") = "5";
  pugi::xml_node seq = root.append_child("sequence");
  seq.append_attribute("id") = "subtitles";
  std::string title = std::filesystem::path(doc.filePath).stem().string();
  seq.append_child("name").text().set(title.empty() ? "Subtitles" : title.c_str());
  long last = 0;
  for (const Subtitle& s : doc.Subtitles()) last = std::max<long>(last, static_cast<long>(OutCueOf(s).ToFrames(rate)));
  seq.append_child("duration").text().set(last);
  Rate(seq, rate);
  pugi::xml_node tc = seq.append_child("timecode");
  Rate(tc, rate);
  tc.append_child("string").text().set(rate.dropFrame ? "00;00;00;00" : "00:00:00:00");
  tc.append_child("frame").text().set(0);
  tc.append_child("displayformat").text().set(rate.dropFrame ? "DF" : "NDF");
  pugi::xml_node video = seq.append_child("media").append_child("video");
  pugi::xml_node sc = video.append_child("format").append_child("samplecharacteristics");
  sc.append_child("width").text().set(o.frameWidth);
  sc.append_child("height").text().set(o.frameHeight);
  pugi::xml_node track = video.append_child("track");
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    if (!s.inCue.IsSet()) continue;
    const long in = static_cast<long>(s.inCue.ToFrames(rate));
    const long out = std::max(in, static_cast<long>(OutCueOf(s).ToFrames(rate)));
    const bool italic = s.italic || IsWhollyItalic(s.text);
    Subtitle bare = s;
    bare.italic = false;
    if (italic) bare.text = StripItalics(s.text);
    else if (HasItalicMarkers(s.text)) partItalics = true;
    if (!italic) bare.text = StripItalics(s.text);
    std::string text;
    for (const std::string& row : plain.Rows(bare)) text += (text.empty() ? "" : "\r") + row;
    pugi::xml_node item = track.append_child("generatoritem");
    item.append_attribute("id") = ("Text " + std::to_string(++n)).c_str();
    item.append_child("name").text().set("Text");
    item.append_child("duration").text().set(out - in);
    Rate(item, rate);
    item.append_child("in").text().set(0);
    item.append_child("out").text().set(out - in);
    item.append_child("start").text().set(in);
    item.append_child("end").text().set(out);
    item.append_child("enabled").text().set("TRUE");
    item.append_child("anamorphic").text().set("FALSE");
    item.append_child("alphatype").text().set("black");
    pugi::xml_node effect = item.append_child("effect");
    effect.append_child("name").text().set("Text");
    effect.append_child("effectid").text().set("Text");
    effect.append_child("effectcategory").text().set("Text");
    effect.append_child("effecttype").text().set("generator");
    effect.append_child("mediatype").text().set("video");
    Parameter(effect, "str", "Text", text);
    Parameter(effect, "fontname", "Font", o.fontName);
    Parameter(effect, "fontsize", "Size", std::to_string(o.fontSize), "0", "1000");
    Parameter(effect, "fontstyle", "Style", italic ? "3" : "1", "1", "4");
    Parameter(effect, "fontalign", "Alignment", s.alignment == AlignLeft ? "1" : s.alignment == AlignRight ? "3" : "2",
              "1", "3");
    Parameter(effect, "origin", "Origin", "0 0.3");
  }
  std::ostringstream os;
  x.save(os, "  ", pugi::format_default, pugi::encoding_utf8);
  if (partItalics) warnings.push_back("Italics over part of a subtitle cannot be written in Final Cut Pro XML files and were left out");
  plain.Finish(warnings);
  // Characters outside ASCII as character references: the file is the same in whichever
  // encoding the export writes it, and stays valid UTF-8 as it declares.
  std::string s;
  const std::u32string all = Utf8ToUtf32(os.str());
  s.reserve(all.size() + all.size() / 20);
  for (char32_t c : all) {
    if (c == '\n') s += "\r\n";
    else if (c < 0x80) s += static_cast<char>(c);
    else s += "&#" + std::to_string(static_cast<unsigned long>(c)) + ";";
  }
  return s;
}

SubtitleDocument ReadFinalCutPro(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  pugi::xml_document x;
  pugi::xml_parse_result ok = x.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  pugi::xml_node root = x.child("xmeml");
  if (!ok || !root) throw InvalidFileFormat("This is not a Final Cut Pro XML file");
  std::vector<Item> items;
  int otherRate = 0;
  for (pugi::xpath_node n : root.select_nodes("//generatoritem[effect/effectid='Text' or effect/name='Text']")) {
    pugi::xml_node g = n.node();
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
