#include "imaging/authoring_scripts.h"

#include <unicode/uloc.h>

#include <pugixml.hpp>
#include <sstream>

#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {

namespace {

std::string Pad4(int n) {
  std::string s = std::to_string(n);
  return s.size() < 4 ? std::string(4 - s.size(), '0') + s : s;
}

std::string Label(const Cue& c) { return c.IsSet() ? c.Label() : "00:00:00:00"; }

bool IsPal(const ScriptContext& c) { return c.frameHeight != 480 && c.rate.countingRate() != 30 && c.rate.countingRate() != 24; }

Rgba ClassColour(const DvdOptions& o, int cls) {
  switch (cls) {
    case 0: return o.backgroundColour;
    case 1: return o.textColour;
    case 2: return o.borderColour;
    default: return o.antialiasColour;
  }
}

std::vector<std::string> SplitTabs(std::string_view line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i)
    if (i == line.size() || line[i] == '\t') {
      out.emplace_back(line.substr(start, i - start));
      start = i + 1;
    }
  return out;
}

std::string Rgb(Rgba c) { return std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b); }

}  // namespace

std::string FrameRateDecimal(const FrameRate& r) {
  if (r.num == 24000 && r.den == 1001) return "23.976";
  if (r.num == 30000 && r.den == 1001) return "29.97";
  if (r.num == 60000 && r.den == 1001) return "59.94";
  return std::to_string(r.countingRate());
}

std::string FrameRateRational(const FrameRate& r) {
  if (r.den == 1001) return std::to_string(r.num) + "/1001";
  return std::to_string(r.countingRate()) + "/1";
}

std::string Iso639Code(std::int32_t id) {
  char locale[64] = {};
  UErrorCode err = U_ZERO_ERROR;
  uloc_getLocaleForLCID(static_cast<uint32_t>(id), locale, sizeof locale, &err);
  if (U_FAILURE(err) || !locale[0]) return "und";
  const char* iso3 = uloc_getISO3Language(locale);
  return iso3 && *iso3 ? iso3 : "und";
}

std::string WriteScenaristScript(const std::vector<BitmapEntry>& e, const ScriptContext& c) {
  const DvdOptions& o = c.options;
  std::ostringstream s;
  if (o.customHeader && !o.headerText.empty()) {
    s << o.headerText;
    if (!o.headerText.ends_with('\n')) s << "\r\n";
  } else {
    const bool pal = IsPal(c);
    std::string baseHour = e.empty() || !e.front().inCue.IsSet() ? "00" : e.front().inCue.digits().substr(0, 2);
    s << "st_format 2\r\n";
    s << "SubTitle    " << c.streamName << "\r\n";
    s << "TV_Type " << (pal ? "PAL" : "NTSC") << "\r\n";
    s << "Base_Time " << baseHour << ":00:00:00\r\n";
    s << "Pixel_Area " << (pal ? "(2, 574)" : "(2, 479)") << "\r\n";
    s << "Display_Area " << (pal ? "(0, 2, 719, 574)" : "(0, 2, 719, 479)") << "\r\n";
    s << "Color (" << o.colourMapBG << " " << o.colourMapPA << " " << o.colourMapE1 << " " << o.colourMapE2 << ")\r\n";
    s << "Contrast (" << o.contrastBG << " " << o.contrastPA << " " << o.contrastE1 << " " << o.contrastE2 << ")\r\n";
    static const char* const kNames[] = {"BG", "PA", "E1", "E2"};
    for (int i = 0; i < 4; ++i) s << kNames[i] << " (" << Rgb(ClassColour(o, i)) << " = = = )\r\n";
    s << "Directory " << c.folder << "\r\n";
  }
  s << std::string(60, '#') << "\r\n";
  s << "SP_NUMBER   START      END    FILE_NAME\r\n";
  for (const BitmapEntry& b : e)
    s << Pad4(b.number) << "        " << Label(b.inCue) << " " << Label(b.outCue) << " " << b.file << "\r\n";
  return s.str();
}

std::string WriteTwoPaletteScript(const std::vector<BitmapEntry>& e, const ScriptContext& c) {
  std::ostringstream s;
  s << "Palette1\tRed\tGreen\tBlue\tContrast\r\n"
    << "em2\t0\t0\t0\t16\r\nem1\t128\t128\t128\t16\r\npt\t255\t255\t255\t16\r\nbg\t0\t0\t255\t16\r\n";
  s << "Palette2\tRed\tGreen\tBlue\tContrast\r\n"
    << "em2\t0\t0\t0\t8\r\nem1\t80\t80\t80\t16\r\npt\t160\t160\t160\t16\r\nbg\t0\t0\t0\t1\r\n";
  s << "StreamID\t0\r\n";
  s << "Language\t" << c.languageName << "\r\n";
  s << "SP_NUMBER\tSTART\tEND\tFILE_NAME\r\n";
  for (const BitmapEntry& b : e) s << Pad4(b.number) << "\t" << Label(b.inCue) << "\t" << Label(b.outCue) << "\t" << b.file << "\r\n";
  return s.str();
}

std::string WriteSpruceScript(const std::vector<BitmapEntry>& e, const ScriptContext& c) {
  const DvdOptions& o = c.options;
  std::ostringstream s;
  const std::pair<const char*, std::string> settings[] = {
      {"$VertAlign", "Bottom"},   {"$Bold", "FALSE"},      {"$Underlined", "FALSE"},
      {"$Italic", "0"},           {"$XOffset", "0"},       {"$YOffset", "0"},
      {"$TextContrast", "15"},    {"$Outline1Contrast", "15"}, {"$Outline2Contrast", "13"},
      {"$BackgroundContrast", "0"}, {"$ForceDisplay", "FALSE"}, {"$FadeIn", "0"},
      {"$FadeOut", "0"},          {"$HorzAlign", "Center"}};
  (void)o;
  for (const auto& [k, v] : settings) s << k << " = " << v << "\r\n";
  s << "$SetFilePathToken = <<path:>>\r\n";
  for (const BitmapEntry& b : e) s << Label(b.inCue) << " , " << Label(b.outCue) << " , <<path:>>" << b.file << "\r\n";
  return s.str();
}

std::string WriteToshibaScript(const std::vector<BitmapEntry>& e, const ScriptContext& c) {
  const PictureFormat pf = c.options.picture();
  const std::string type = pf == PictureFormat::Tiff8 || pf == PictureFormat::Tiff24 ? "tif" : "bmp";
  const int colours = IsEightBit(pf) ? 8 : 24;
  std::ostringstream s;
  for (const BitmapEntry& b : e)
    s << "in=" << Label(b.inCue) << "; out=" << Label(b.outCue) << "; format=" << type << "/0; colors=" << colours
      << "; file=" << b.file << "\r\n";
  return s.str();
}

// Lines of the simpler scripts: number, cues and file name, separated by `sep`.
static std::string WriteListScript(const std::vector<BitmapEntry>& e, std::string_view head, std::string_view sep,
                                   bool withNumber) {
  std::ostringstream s;
  s << head;
  for (const BitmapEntry& b : e) {
    if (withNumber) s << Pad4(b.number) << sep;
    s << Label(b.inCue) << sep << Label(b.outCue) << sep << b.file << "\r\n";
  }
  return s.str();
}

std::string WriteBitmapStream(const std::vector<BitmapEntry>& e, const ScriptContext& c) {
  std::ostringstream s;
  if (c.frameHeight > 576) {
    s << "// Kipo Subtitling Software HD optimised bitmap stream\r\n";
    s << "// Generated on " << c.generatedOn << "\r\n";
    s << "// Offset ratio based on video size of: " << c.frameWidth << "x" << c.frameHeight << "\r\n";
  } else {
    s << "** DVD subtitle file \r\n";
    s << "** Generated by Kipo\r\n";
    s << "** Language: " << c.languageName << "\r\n";
    s << "** Subtitles: " << e.size() << "\r\n";
    s << "** In cue first subtitle: " << (e.empty() ? std::string() : Label(e.front().inCue)) << "\r\n";
    s << "** Out cue last subtitle: " << (e.empty() ? std::string() : Label(e.back().outCue)) << "\r\n";
  }
  for (const BitmapEntry& b : e)
    s << b.number << "\t" << b.file << "\t" << Label(b.inCue) << "\t" << Label(b.outCue) << "\t" << b.rect.x << "\t"
      << b.rect.y << "\t" << b.rect.width << "\t" << b.rect.height << "\r\n";
  return s.str();
}

std::vector<BitmapEntry> ReadBitmapStream(std::string_view text) {
  std::vector<BitmapEntry> out;
  for (const std::string& raw : SplitLines(text)) {
    std::string line = TrimRight(raw);
    if (line.empty() || line.starts_with("//") || line.starts_with("**") || line.starts_with(" ")) continue;
    std::vector<std::string> f = SplitTabs(line);
    if (f.size() < 8) continue;
    BitmapEntry b;
    long n = 0, x = 0, y = 0, w = 0, h = 0;
    if (!ParseInt(f[0], n) || !ParseInt(f[4], x) || !ParseInt(f[5], y) || !ParseInt(f[6], w) || !ParseInt(f[7], h)) continue;
    std::string in = StripSeparators(f[2]), outc = StripSeparators(f[3]);
    if (!IsCompleteCue(in) || !IsCompleteCue(outc)) continue;
    b.number = static_cast<int>(n);
    b.file = f[1];
    b.inCue = Cue(in);
    b.outCue = Cue(outc);
    b.rect = {static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h)};
    out.push_back(std::move(b));
  }
  if (out.empty()) throw InvalidFileFormat("The file holds no bitmap stream entries");
  return out;
}

std::string WriteCmxEdl(const std::vector<BitmapEntry>& e, const ScriptContext& c) {
  std::ostringstream s;
  s << "TITLE: " << c.title << "\r\n";
  s << "FCM: " << (c.rate.dropFrame ? "DROP FRAME" : "NON-DROP FRAME") << "\r\n\r\n";
  int event = 0;
  for (const BitmapEntry& b : e) {
    ++event;
    s << Pad4(event) << "  STL      V     C        " << Label(b.inCue) << " " << Label(b.outCue) << " " << Label(b.inCue)
      << " " << Label(b.outCue) << "\r\n";
    s << "* FROM CLIP NAME:  " << b.file << "\r\n\r\n";
  }
  return s.str();
}

std::string WriteDoStudio(const std::vector<BitmapEntry>& e, const ScriptContext& c) {
  std::ostringstream s;
  s << "$FORMAT=" << c.frameHeight << "\r\n";
  s << "$DROP=" << (c.rate.dropFrame ? "TRUE" : "FALSE") << "\r\n";
  s << "$VERSION=1.2\r\n$ULEAD=TRUE\r\n";
  s << "NO\tINTIME\tOUTTIME\tXPOS\tYPOS\tFILENAME\tFADEIN\tFADEOUT\r\n";
  for (const BitmapEntry& b : e)
    s << b.number << "\t" << Label(b.inCue) << "\t" << Label(b.outCue) << "\t" << b.rect.x << "\t" << b.rect.y << "\t"
      << b.file << "\t0\t0\r\n";
  return s.str();
}

namespace {
std::string XmlText(const pugi::xml_document& d) {
  std::ostringstream s;
  d.save(s, "  ", pugi::format_default, pugi::encoding_utf8);
  return s.str();
}
}  // namespace

std::string WriteFinalCutXml(const std::vector<BitmapEntry>& e, const ScriptContext& c) {
  pugi::xml_document d;
  auto decl = d.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  d.append_child(pugi::node_doctype).set_value("xmeml");
  auto root = d.append_child("xmeml");
  root.append_attribute("version") = "4";
  auto seq = root.append_child("sequence");
  seq.append_child("name").text() = c.title.c_str();
  const bool ntsc = c.rate.den == 1001;
  auto rate = [&](pugi::xml_node parent) {
    auto r = parent.append_child("rate");
    r.append_child("timebase").text() = c.rate.countingRate();
    r.append_child("ntsc").text() = ntsc ? "TRUE" : "FALSE";
  };
  long end = 0;
  for (const BitmapEntry& b : e) end = std::max<long>(end, b.outCue.ToFrames(c.rate));
  seq.append_child("duration").text() = end;
  rate(seq);
  auto tc = seq.append_child("timecode");
  rate(tc);
  tc.append_child("string").text() = "00:00:00:00";
  tc.append_child("frame").text() = 0;
  tc.append_child("displayformat").text() = c.rate.dropFrame ? "DF" : "NDF";
  auto media = seq.append_child("media");
  auto video = media.append_child("video");
  auto format = video.append_child("format").append_child("samplecharacteristics");
  format.append_child("width").text() = c.frameWidth;
  format.append_child("height").text() = c.frameHeight;
  auto track = video.append_child("track");
  const std::string aspect = c.frameWidth == 720 ? (c.frameHeight == 576 ? "PAL-601" : "NTSC-601") : "square";
  for (const BitmapEntry& b : e) {
    const long in = b.inCue.ToFrames(c.rate), out = b.outCue.ToFrames(c.rate);
    auto item = track.append_child("clipitem");
    item.append_attribute("id") = ("clipitem-" + std::to_string(b.number)).c_str();
    item.append_child("name").text() = b.file.c_str();
    item.append_child("duration").text() = out - in;
    rate(item);
    item.append_child("start").text() = in;
    item.append_child("end").text() = out;
    item.append_child("in").text() = 0;
    item.append_child("out").text() = out - in;
    item.append_child("stillframe").text() = "TRUE";
    auto file = item.append_child("file");
    file.append_attribute("id") = ("file-" + std::to_string(b.number)).c_str();
    file.append_child("name").text() = b.file.c_str();
    file.append_child("pathurl").text() = ("file://" + c.folder + (c.folder.ends_with('/') ? "" : "/") + b.file).c_str();
    auto fmedia = file.append_child("media").append_child("video");
    auto sc = fmedia.append_child("samplecharacteristics");
    sc.append_child("width").text() = c.frameWidth;
    sc.append_child("height").text() = c.frameHeight;
    sc.append_child("anamorphic").text() = c.options.anamorphic ? "TRUE" : "FALSE";
    sc.append_child("pixelaspectratio").text() = aspect.c_str();
    item.append_child("alphatype").text() = "straight";
  }
  return XmlText(d);
}

std::string WriteBdnXml(const std::vector<BitmapEntry>& e, const ScriptContext& c) {
  pugi::xml_document d;
  auto decl = d.append_child(pugi::node_declaration);
  decl.append_attribute("version") = "1.0";
  decl.append_attribute("encoding") = "UTF-8";
  auto bdn = d.append_child("BDN");
  bdn.append_attribute("Version") = "0.93";
  bdn.append_attribute("xmlns:xsi") = "http://www.w3.org/2001/XMLSchema-instance";
  bdn.append_attribute("xsi:noNamespaceSchemaLocation") = "BD-03-006-0092b BDN File Format.xsd";
  auto desc = bdn.append_child("Description");
  auto name = desc.append_child("Name");
  name.append_attribute("Title") = c.title.c_str();
  name.append_attribute("Content") = "";
  desc.append_child("Language").append_attribute("Code") = c.language.c_str();
  auto fmt = desc.append_child("Format");
  fmt.append_attribute("VideoFormat") = c.videoFormat.c_str();
  fmt.append_attribute("FrameRate") = FrameRateDecimal(c.rate).c_str();
  fmt.append_attribute("DropFrame") = c.rate.dropFrame ? "True" : "False";
  auto ev = desc.append_child("Events");
  ev.append_attribute("Type") = "Graphic";
  ev.append_attribute("FirstEventInTC") = e.empty() ? "00:00:00:00" : Label(e.front().inCue).c_str();
  ev.append_attribute("LastEventOutTC") = e.empty() ? "00:00:00:00" : Label(e.back().outCue).c_str();
  ev.append_attribute("NumberofEvents") = static_cast<unsigned>(e.size());
  auto events = bdn.append_child("Events");
  for (const BitmapEntry& b : e) {
    auto x = events.append_child("Event");
    x.append_attribute("Forced") = b.forced ? "True" : "False";
    x.append_attribute("InTC") = Label(b.inCue).c_str();
    x.append_attribute("OutTC") = Label(b.outCue).c_str();
    auto g = x.append_child("Graphic");
    g.append_attribute("Width") = b.rect.width;
    g.append_attribute("Height") = b.rect.height;
    g.append_attribute("X") = b.rect.x;
    g.append_attribute("Y") = b.rect.y;
    g.text() = b.file.c_str();
  }
  return XmlText(d);
}

std::string WriteAuthoringScript(AuthoringTarget t, const std::vector<BitmapEntry>& e, const ScriptContext& c) {
  switch (t) {
    case AuthoringTarget::SonicScenarist: return WriteScenaristScript(e, c);
    case AuthoringTarget::SonicCreator: return WriteTwoPaletteScript(e, c);
    case AuthoringTarget::SpruceMaestro: return WriteSpruceScript(e, c);
    case AuthoringTarget::Philips: return WriteListScript(e, "# Subpicture list\r\n", " ", true);
    case AuthoringTarget::Toshiba: return WriteToshibaScript(e, c);
    case AuthoringTarget::Panasonic: return WriteListScript(e, "", "\t", true);
    case AuthoringTarget::KipoStream: return WriteBitmapStream(e, c);
    case AuthoringTarget::Ultech: return WriteListScript(e, "", "\t", true);
    case AuthoringTarget::Pinnacle: return WriteListScript(e, "", " ", false);
    case AuthoringTarget::ScenaristBluRay: {
      ScriptContext hd = c;
      std::string s = WriteScenaristScript(e, hd);
      return s;
    }
    case AuthoringTarget::CmxEdl: return WriteCmxEdl(e, c);
    case AuthoringTarget::FinalCutXml: return WriteFinalCutXml(e, c);
    case AuthoringTarget::DoStudio: return WriteDoStudio(e, c);
    case AuthoringTarget::DtsCss: return WriteListScript(e, "", "\t", true);
    case AuthoringTarget::BdnXml: return WriteBdnXml(e, c);
    case AuthoringTarget::DlpCinema:
    case AuthoringTarget::PgsStream: return {};
  }
  return {};
}

}  // namespace kipo
