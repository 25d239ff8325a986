// The six Timed Text writer dialects. One construction, with the differences of each
// dialect as data where they are data (namespaces, styles, regions) and as small
// branches where they are layout (cue forms, paragraph shape, italics).
#include <unicode/uloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/markup.h"
#include "core/rich_text.h"
#include "formats/timedtext/timed_text.h"
#include "formats/timedtext/timed_text_names.h"

namespace kipo {
namespace {

constexpr std::string_view kEol = "\r\n";
constexpr const char* kOriginatingSystem = "Kipo 6.1.10";

bool RightToLeft(const SubtitleDocument& doc) { return doc.characterSet() == 177 || doc.characterSet() == 178; }

// Text content: the three characters XML reserves, with the ampersand as a numeric
// reference; characters XML 1.0 cannot hold at all (control codes) are left out and
// counted.
void AppendText(std::string& out, std::string_view text, int& dropped) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&#38;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') ++dropped;
        else out += c;
    }
  }
}

// Attribute values: also the quote that delimits them.
std::string Attr(std::string_view value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

std::string Two(long n) {
  std::string s = std::to_string(n);
  return s.size() < 2 ? "0" + s : s;
}

std::string Today() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char b[16];
  std::strftime(b, sizeof b, "%Y-%m-%d", &tm);
  return b;
}

// --- Cue forms ------------------------------------------------------------------------

// "HH:MM:SS:FF"; an empty cue gives an empty value.
std::string SmpteCue(const Cue& c) { return c.IsSet() ? c.Label() : std::string(); }

// Hundredths of a second from the frames of a label: F x k / 10, k by rate.
int HundredthsFactor(const FrameRate& rate) {
  switch (rate.countingRate()) {
    case 24: return 41;
    case 25: return 40;
    case 30: return 33;
    case 60: return 16;
    default: return 1000 / rate.countingRate();
  }
}

std::string HundredthsLabel(std::string_view digits, const FrameRate& rate) {
  const int frames = (digits[6] - '0') * 10 + (digits[7] - '0');
  long h = std::lround(frames * HundredthsFactor(rate) / 10.0);
  if (h > 99) h = 99;
  return std::string(digits.substr(0, 2)) + ":" + std::string(digits.substr(2, 2)) + ":" +
         std::string(digits.substr(4, 2)) + "." + Two(h);
}

std::string GenericCue(const Cue& c, const FrameRate& rate) {
  return c.IsSet() ? HundredthsLabel(c.digits(), rate) : std::string();
}

// The duration as the difference of the two times as written, so that begin + dur is the
// end exactly.
std::string GenericDuration(const Cue& in, const Cue& out, const FrameRate& rate) {
  if (!in.IsSet() || !out.IsSet()) return {};
  auto hundredths = [&](const std::string& d) {
    const long seconds = std::stol(d.substr(0, 2)) * 3600 + std::stol(d.substr(2, 2)) * 60 + std::stol(d.substr(4, 2));
    const int frames = (d[6] - '0') * 10 + (d[7] - '0');
    return seconds * 100 + std::min(99L, std::lround(frames * HundredthsFactor(rate) / 10.0));
  };
  const long h = std::max(0L, hundredths(out.digits()) - hundredths(in.digits()));
  return Two(h / 360000) + ":" + Two(h / 6000 % 60) + ":" + Two(h / 100 % 60) + "." + Two(h % 100);
}

// "HH:MM:SS.mmm": the frames part in milliseconds.
std::string MediaCue(const Cue& c, const FrameRate& rate) {
  if (!c.IsSet()) return {};
  const std::string& d = c.digits();
  const int frames = (d[6] - '0') * 10 + (d[7] - '0');
  return d.substr(0, 2) + ":" + d.substr(2, 2) + ":" + d.substr(4, 2) + "." + FramesToMillis(frames, rate);
}

// --- Paragraph text -------------------------------------------------------------------

// How a dialect writes the inline markup.
struct InlineForm {
  std::string italicOpen, italicClose;  // around an italic stretch
  std::string spanOpen, spanClose;      // "<span", "</span>"
  std::string br;
  bool flatSpans = false;               // EBU-TT-D: spans cannot nest; each run is one styled span
};

InlineForm FormOf(TimedTextDialect d) {
  switch (d) {
    case TimedTextDialect::Netflix:
      return {" <span tts:fontStyle=\"italic\">", "</span> ", "<span", "</span>", "<br/>"};
    case TimedTextDialect::Generic:
      return {"<span style=\"italic\"> ", " </span>", "<span", "</span>", "<br />"};
    case TimedTextDialect::EbuTt:
      return {"<tt:span tts:fontStyle=\"italic\"> ", " </tt:span>", "<tt:span", "</tt:span>", "<tt:br/>"};
    case TimedTextDialect::EbuTtD:
      return {"", "", "<tt:span", "</tt:span>", "<tt:br/>", true};
    default:
      return {"<span style=\"italic\"> ", " </span>", "<span", "</span>", "<br/>"};
  }
}

// What the text of the whole document held that a dialect had to leave out.
struct TextLosses {
  int underline = 0;
  int dropped = 0;
  bool coloursUsed[8] = {};
};

// Nested spans: italics and one colour at a time. Spans open where text needs them and
// close in the right order (an italic stretch that ends inside a colour closes the colour
// first and opens it again), so they always nest; every row closes what it opened, and
// the next row opens again what carries on.
void NestedText(std::string& out, const RichText& rich, const InlineForm& f, TextLosses& loss) {
  enum Kind { Italic, Colour };
  struct Open {
    Kind kind;
    int colour;
  };
  std::vector<Open> open;
  auto close = [&] {
    out += open.back().kind == Italic ? f.italicClose : f.spanClose;
    open.pop_back();
  };
  for (std::size_t r = 0; r < rich.rows.size(); ++r) {
    if (r) out += f.br;
    for (const Run& run : rich.rows[r]) {
      if (run.mark == Mark::UnderlineOn) ++loss.underline;
      if (run.mark != Mark::None || run.text.empty()) continue;
      const bool italic = run.style.italic;
      const int colour = static_cast<int>(run.style.colour);
      // Close from the first open span that no longer fits.
      std::size_t keep = 0;
      while (keep < open.size() && (open[keep].kind == Italic ? italic : open[keep].colour == colour)) ++keep;
      while (open.size() > keep) close();
      const bool hasItalic = std::any_of(open.begin(), open.end(), [](const Open& o) { return o.kind == Italic; });
      const bool hasColour = std::any_of(open.begin(), open.end(), [](const Open& o) { return o.kind == Colour; });
      if (italic && !hasItalic) {
        out += f.italicOpen;
        open.push_back({Italic, 0});
      }
      if (colour && !hasColour) {
        out += f.spanOpen + " tts:color=\"" + ColourAttributeName(colour) + "\">";
        open.push_back({Colour, colour});
        loss.coloursUsed[colour] = true;
      }
      AppendText(out, run.text, loss.dropped);
    }
    while (!open.empty()) close();
  }
}

// EBU-TT-D: one span per stretch of the same style; the spans sit side by side.
void FlatText(std::string& out, const RichText& rich, const InlineForm& f, TextLosses& loss) {
  std::string current;  // style attribute of the open span; empty: none open
  auto styleOf = [&](const TextStyle& s) {
    std::string st = "spanStyle";
    if (s.colour != Colour::Default) {
      st = std::string("span") + ColourStyleSuffix(static_cast<int>(s.colour));
      loss.coloursUsed[static_cast<int>(s.colour)] = true;
    }
    if (s.italic) st += " styleItalic";
    return st;
  };
  auto ensure = [&](const std::string& st) {
    if (current == st) return;
    if (!current.empty()) out += f.spanClose;
    out += f.spanOpen + " style=\"" + st + "\">";
    current = st;
  };
  for (std::size_t r = 0; r < rich.rows.size(); ++r) {
    if (r) {
      ensure(current.empty() ? std::string("spanStyle") : current);
      out += f.br;
    }
    for (const Run& run : rich.rows[r]) {
      if (run.mark == Mark::UnderlineOn) ++loss.underline;
      if (run.mark != Mark::None) continue;
      ensure(styleOf(run.style));
      AppendText(out, run.text, loss.dropped);
    }
  }
  if (current.empty()) ensure("spanStyle");
  out += f.spanClose;
}

std::string ParagraphText(const Subtitle& s, const InlineForm& f, TextLosses& loss) {
  std::string text = s.text;
  if (s.italic) {
    // A subtitle italic as a whole: each row inside the italic markers.
    std::string wrapped;
    std::size_t start = 0;
    while (true) {
      std::size_t end = text.find("\r\n", start);
      wrapped += kItalicOn;
      wrapped += text.substr(start, end == std::string::npos ? std::string::npos : end - start);
      wrapped += kItalicOff;
      if (end == std::string::npos) break;
      wrapped += "\r\n";
      start = end + 2;
    }
    text = std::move(wrapped);
  }
  RichText rich = RichText::Parse(text);
  std::string out;
  if (f.flatSpans) FlatText(out, rich, f, loss);
  else NestedText(out, rich, f, loss);
  return out;
}

// --- Head -----------------------------------------------------------------------------

struct Writer {
  const SubtitleDocument& doc;
  TimedTextDialect dialect;
  const TimedTextWriteOptions& o;
  std::vector<std::string>& warnings;
  std::string out;

  void Line(std::string_view s) {
    out += s;
    out += kEol;
  }

  std::string Lang() const { return ShortLanguageCode(doc.languageId()); }
  std::string RateAttributes() const {
    TimedTextRateParameters p = RateParameters(doc.frameRate());
    return std::string(" ttp:frameRate=\"") + p.frameRate + "\" ttp:frameRateMultiplier=\"" + p.multiplier +
           "\" ttp:dropMode=\"" + p.dropMode + "\"";
  }
  std::string Weight() const { return o.fontStyle == 0 ? "normal" : "bold"; }
  std::string Background() const { return o.boxed == 0 ? "transparent" : "black"; }
  std::string Outline() const {
    return o.outline ? " tts:textOutline=\"black " + std::to_string(o.outlineSize) + "px\"" : "";
  }
  std::string FontSize() const { return std::to_string(o.fontSize + 8) + "px"; }
  std::string Family() const { return Attr(o.fontName); }

  void Root() {
    const std::string ttml = std::string(" xmlns=\"") + kTtmlNs + "\"";
    const std::string common = std::string(" xmlns:xsi=\"") + kXsiNs + "\"" + ttml + " xmlns:tt=\"" + kTtmlNs +
                               "\" xmlns:tts=\"" + kTtmlStylingNs + "\" xmlns:ttp=\"" + kTtmlParameterNs + "\"";
    switch (dialect) {
      case TimedTextDialect::W3C:
      case TimedTextDialect::ITunes:
        Line("<tt" + common + " xml:lang=\"" + Lang() + "\" ttp:timeBase=\"smpte\"" + RateAttributes() + ">");
        break;
      case TimedTextDialect::Netflix: {
        TimedTextRateParameters p = RateParameters(doc.frameRate());
        Line("<tt xml:lang=\"" + Lang() + "\"" + ttml + " xmlns:tts=\"" + kTtmlStylingNs + "\" xmlns:ttp=\"" +
             kTtmlParameterNs + "\" xmlns:ttm=\"" + kTtmlMetadataNs + "\" ttp:profile=\"" + kNetflixProfile +
             "\" ttp:frameRate=\"" + p.frameRate + "\" ttp:frameRateMultiplier=\"" + p.multiplier +
             "\" ttp:dropMode=\"" + p.dropMode + "\" ttp:timeBase=\"smpte\">");
        break;
      }
      case TimedTextDialect::Generic:
        // The language is required on the root by every version of the vocabulary.
        Line(std::string("<tt xmlns=\"") + kDfxp2006Ns + "\" xmlns:tts=\"" + kDfxp2006StylingNs + "\" xml:lang=\"" +
             Lang() + "\">");
        break;
      case TimedTextDialect::EbuTt:
        Line("<tt:tt" + common + " xmlns:ebuttm=\"" + kEbuttMetadataNs + "\" xml:lang=\"" + Lang() +
             "\" ttp:timeBase=\"smpte\"" + RateAttributes() + ">");
        break;
      case TimedTextDialect::EbuTtD:
        // Distribution documents count media time; their schema admits no other time base.
        Line(std::string("<tt:tt xmlns:tt=\"") + kTtmlNs + "\" xmlns:ttp=\"" + kTtmlParameterNs + "\" xmlns:tts=\"" +
             kTtmlStylingNs + "\" xmlns:ttm=\"" + kTtmlMetadataNs + "\" xmlns:ebuttm=\"" + kEbuttMetadataNs +
             "\" xmlns:ebutts=\"" + kEbuttStylingNs + "\" xml:lang=\"" + Lang() +
             "\" ttp:timeBase=\"media\" ttp:cellResolution=\"32 15\">");
        break;
    }
  }

  static std::string Element(std::string_view name, std::string_view value) {
    return "<ebuttm:" + std::string(name) + ">" + Attr(value) + "</ebuttm:" + std::string(name) + ">";
  }

  void Metadata() {
    const std::string today = o.today.empty() ? Today() : o.today;
    if (dialect == TimedTextDialect::EbuTt) {
      std::string revision = doc.Property("STL.RN");
      if (revision.empty()) revision = "0";
      Line("    <tt:metadata>");
      Line("      <ebuttm:documentMetadata>");
      Line("        " + Element("documentCreationDate", today));
      Line("        " + Element("documentRevisionNumber", revision));
      Line("        " + Element("documentOriginatingSystem", kOriginatingSystem));
      Line("        " + Element("documentMaximumNumberOfDisplayableCharacterInAnyRow", std::to_string(o.maxCharsPerRow)));
      Line("        " + Element("documentCountryOfOrigin", doc.Property("STL.CO")));
      Line("      </ebuttm:documentMetadata>");
      Line("    </tt:metadata>");
    } else if (dialect == TimedTextDialect::EbuTtD) {
      // The schema fixes the order of the metadata and keeps the copyright in the head's
      // own copyright element.
      if (!o.copyright.empty()) Line("    <ttm:copyright>" + Attr(o.copyright) + "</ttm:copyright>");
      Line("    <tt:metadata>");
      Line("      <ebuttm:documentMetadata>");
      Line("        " + Element("conformsToStandard", "urn:ebu:tt:distribution:2014-01"));
      Line("        " + Element("documentEbuttVersion", "v1.0"));
      Line("        " + Element("documentOriginatingSystem", kOriginatingSystem));
      Line("        " + Element("documentTargetAspectRatio", o.aspect == 1 ? "16:9" : "4:3"));
      Line("        " + Element("documentCreationDate", today));
      Line("        " + Element("documentCountryOfOrigin", o.country));
      Line("        " + Element("documentPublisher", o.publisher));
      Line("        " + Element("documentEditorsName", o.editor));
      Line("      </ebuttm:documentMetadata>");
      Line("    </tt:metadata>");
    }
  }

  void Styles(const TextLosses& loss) {
    const std::string p = dialect == TimedTextDialect::EbuTt || dialect == TimedTextDialect::EbuTtD ? "tt:" : "";
    Line("    <" + p + "styling>");
    static const char* const kNames[] = {"styleLeft", "styleRight", "styleCenter"};
    static const char* const kAligns[] = {"left", "right", "center"};
    static const char* const kEbuDAligns[] = {"start", "end", "center"};
    switch (dialect) {
      case TimedTextDialect::W3C:
      case TimedTextDialect::Generic:
      case TimedTextDialect::EbuTt:
        for (int i = 0; i < 3; ++i) {
          std::string s = "      <" + p + "style xml:id=\"" + kNames[i] + "\" tts:textAlign=\"" + kAligns[i] +
                          "\" tts:fontFamily=\"" + Family() + "\" tts:fontWeight=\"" + Weight() +
                          "\" tts:fontStyle=\"normal\"";
          if (dialect == TimedTextDialect::EbuTt) s += " tts:backgroundColor=\"#00000000\"" + Outline();
          else if (dialect == TimedTextDialect::W3C) s += " tts:backgroundColor=\"" + Background() + "\"" + Outline();
          else s += " tts:backgroundColor=\"" + Background() + "\"";
          s += dialect == TimedTextDialect::EbuTt && i == 0 ? " tts:color=\"#FFFFFF\"" : " tts:color=\"white\"";
          s += " tts:fontSize=\"" + FontSize() + "\"";
          if (dialect == TimedTextDialect::Generic)
            s += std::string(" tts:direction=\"") + (RightToLeft(doc) ? "rtl" : "ltr") + "\"";
          Line(s + "/>");
        }
        // The paragraphs' italic spans refer to a style of this name.
        if (dialect == TimedTextDialect::EbuTt) Line("      <tt:style xml:id=\"styleItalic\" tts:fontStyle=\"italic\"/>");
        else Line("      <style xml:id=\"italic\" tts:fontStyle=\"italic\"/>");
        break;
      case TimedTextDialect::Netflix:
        Line("      <style xml:id=\"style.default\" tts:fontFamily=\"" + Family() +
             "\" tts:fontSize=\"100%\" tts:fontStyle=\"normal\" tts:fontWeight=\"" + Weight() +
             "\" tts:backgroundColor=\"" + Background() + "\" tts:color=\"white\"/>");
        break;
      case TimedTextDialect::EbuTtD: {
        const std::string dir = RightToLeft(doc) ? " tts:direction=\"rtl\" tts:unicodeBidi=\"embed\"" : "";
        for (int i = 0; i < 3; ++i)
          Line("      <tt:style xml:id=\"" + std::string(kNames[i]) + "\" tts:fontFamily=\"" + Family() +
               "\" tts:fontSize=\"100%\" tts:lineHeight=\"120%\" tts:textAlign=\"" + kEbuDAligns[i] +
               "\" tts:wrapOption=\"noWrap\" ebutts:linePadding=\"0.5c\"" + dir + "/>");
        Line("      <tt:style xml:id=\"spanStyle\" tts:color=\"#FFFFFF\" tts:backgroundColor=\"#000000\"/>");
        Line("      <tt:style xml:id=\"styleItalic\" tts:fontStyle=\"italic\"/>");
        for (int c = 1; c <= 7; ++c)
          if (loss.coloursUsed[c])
            Line("      <tt:style xml:id=\"span" + std::string(ColourStyleSuffix(c)) + "\" tts:color=\"" +
                 ColourHex(c) + "\" tts:backgroundColor=\"#000000\"/>");
        break;
      }
      case TimedTextDialect::ITunes:
        for (const char* st : {"normal", "italic"})
          Line(std::string("      <style xml:id=\"") + st +
               "\" tts:fontFamily=\"sansSerif\" tts:fontWeight=\"normal\" tts:fontStyle=\"" + st +
               "\" tts:color=\"white\" tts:fontSize=\"100%\"/>");
        break;
    }
    Line("    </" + p + "styling>");
  }

  void Regions() {
    switch (dialect) {
      case TimedTextDialect::W3C: {
        Line("    <layout>");
        const char* names[] = {"regionLeft", "regionRight", "regionCenter"};
        const char* aligns[] = {"center", "left", "right"};
        for (int i = 0; i < 3; ++i)
          Line(std::string("      <region xml:id=\"") + names[i] +
               "\" tts:backgroundColor=\"transparent\" tts:origin=\"10% 10%\" tts:extent=\"80% 80%\" tts:textAlign=\"" +
               aligns[i] + "\" tts:displayAlign=\"after\"/>");
        Line("    </layout>");
        break;
      }
      case TimedTextDialect::Netflix:
        Line("    <layout>");
        for (const char* v : {"top", "middle", "bottom"})
          for (const char* h : {"centre", "left", "right"}) {
            const std::string vs = v;
            const std::string align = std::string(h) == "centre" ? "center" : h;
            Line("      <region xml:id=\"region." + vs + "." + h + "\" tts:origin=\"10% 10%\" tts:extent=\"" +
                 (vs == "middle" ? "80% 45%" : "80% 80%") + "\" tts:textAlign=\"" + align +
                 "\" tts:displayAlign=\"" + (vs == "top" ? "before" : "after") + "\"/>");
          }
        Line("    </layout>");
        break;
      case TimedTextDialect::Generic:
        break;
      case TimedTextDialect::EbuTt:
        Line("    <tt:layout>");
        Line("      <tt:region xml:id=\"regionTop\" tts:origin=\"10% 10%\" tts:extent=\"80% 80%\" tts:displayAlign=\"before\"/>");
        Line("      <tt:region xml:id=\"regionCenter\" tts:origin=\"10% 10%\" tts:extent=\"80% 80%\" tts:displayAlign=\"center\"/>");
        Line("      <tt:region xml:id=\"regionBottom\" tts:origin=\"10% 10%\" tts:extent=\"80% 80%\" tts:displayAlign=\"after\"/>");
        Line("    </tt:layout>");
        break;
      case TimedTextDialect::EbuTtD:
        Line("    <tt:layout>");
        Line("      <tt:region xml:id=\"regionTop\" tts:origin=\"14.375% 16%\" tts:extent=\"71.25% 24%\" "
             "tts:displayAlign=\"before\" tts:writingMode=\"lrtb\" tts:overflow=\"visible\"/>");
        Line("      <tt:region xml:id=\"regionBottom\" tts:origin=\"14.375% 60%\" tts:extent=\"71.25% 24%\" "
             "tts:displayAlign=\"after\" tts:writingMode=\"lrtb\" tts:overflow=\"visible\"/>");
        Line("    </tt:layout>");
        break;
      case TimedTextDialect::ITunes:
        Line("    <layout>");
        Line("      <region xml:id=\"top\" tts:origin=\"0% 0%\" tts:extent=\"100% 15%\" tts:textAlign=\"center\" "
             "tts:displayAlign=\"before\"/>");
        Line("      <region xml:id=\"bottom\" tts:origin=\"0% 85%\" tts:extent=\"100% 15%\" tts:textAlign=\"center\" "
             "tts:displayAlign=\"after\"/>");
        Line("    </layout>");
        break;
    }
  }

  // --- Body -----------------------------------------------------------------------------

  static const char* AlignName(int alignment) {
    switch (alignment) {
      case AlignLeft: return "Left";
      case AlignRight: return "Right";
      default: return "Center";
    }
  }

  std::string Paragraph(const Subtitle& s, std::size_t n, const InlineForm& f, TextLosses& loss) {
    const FrameRate& rate = doc.frameRate();
    const std::string dir = RightToLeft(doc) ? " tts:direction=\"rtl\"" : "";
    const std::string align = AlignName(s.alignment);
    const std::string text = ParagraphText(s, f, loss);
    switch (dialect) {
      case TimedTextDialect::W3C:
        return "      <p region=\"region" + align + "\" style=\"style" + align + "\" begin=\"" + SmpteCue(s.inCue) +
               "\" end=\"" + SmpteCue(s.outCue) + "\"" + dir + ">" + text + "</p>";
      case TimedTextDialect::Netflix: {
        const char* v = s.row >= 7 ? "top" : s.row >= 4 ? "middle" : "bottom";
        const char* h = s.alignment == AlignLeft ? "left" : s.alignment == AlignRight ? "right" : "centre";
        return "      <p style=\"style.default\" region=\"region." + std::string(v) + "." + h + "\" begin=\"" +
               SmpteCue(s.inCue) + "\" end=\"" + SmpteCue(s.outCue) + "\"" + dir + ">" + text + "</p>";
      }
      case TimedTextDialect::Generic:
        // The timing vocabulary's duration attribute is "dur".
        return "      <p begin=\"" + GenericCue(s.inCue, rate) + "\" end=\"" + GenericCue(s.outCue, rate) +
               "\" dur=\"" + GenericDuration(s.inCue, s.outCue, rate) + "\" style=\"style" + align + "\"" + dir +
               ">" + text + "</p>";
      case TimedTextDialect::EbuTt: {
        const char* region = s.row > 8 ? "regionTop" : s.row < 4 ? "regionBottom" : "regionCenter";
        return "      <tt:p xml:id=\"sub_" + std::to_string(n) + "\" region=\"" + region + "\" begin=\"" +
               SmpteCue(s.inCue) + "\" end=\"" + SmpteCue(s.outCue) + "\" style=\"style" + align + "\"" + dir + ">" +
               text + "\r\n      </tt:p>";
      }
      case TimedTextDialect::EbuTtD: {
        const char* region = s.row >= 6 ? "regionTop" : "regionBottom";
        return "      <tt:p xml:id=\"sub_" + std::to_string(n) + "\" region=\"" + region + "\" begin=\"" +
               MediaCue(s.inCue, rate) + "\" end=\"" + MediaCue(s.outCue, rate) + "\" style=\"style" + align +
               "\">\r\n        " + text + "\r\n      </tt:p>";
      }
      case TimedTextDialect::ITunes: {
        const char* region = !o.forceRegion && s.row >= 5 ? "top" : "bottom";
        return std::string("      <p region=\"") + region + "\" style=\"" + (s.italic ? "italic" : "normal") +
               "\" begin=\"" + SmpteCue(s.inCue) + "\" end=\"" + SmpteCue(s.outCue) + "\"" + dir + ">" + text +
               "</p>";
      }
    }
    return {};
  }

  void Write() {
    const InlineForm form = FormOf(dialect);
    TextLosses loss;
    // The paragraphs first: the head lists the colour styles the text uses.
    std::vector<std::string> paragraphs;
    paragraphs.reserve(doc.Count());
    std::size_t noCue = 0, raised = 0, aligned = 0;
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      const Subtitle& s = doc.At(i);
      paragraphs.push_back(Paragraph(s, i + 1, form, loss));
      if (!s.inCue.IsSet() || !s.outCue.IsSet()) ++noCue;
      if (s.row > 0) ++raised;
      if (s.alignment == AlignLeft || s.alignment == AlignRight) ++aligned;
    }
    out.reserve(paragraphs.size() * 160 + 4096);
    Line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    if (dialect == TimedTextDialect::Netflix) Line("<!-- File created by Kipo subtitling system version 6.1 -->");
    Root();
    const std::string p = dialect == TimedTextDialect::EbuTt || dialect == TimedTextDialect::EbuTtD ? "tt:" : "";
    Line("  <" + p + "head>");
    Metadata();
    Styles(loss);
    Regions();
    Line("  </" + p + "head>");
    // A distribution document's division holds at least one paragraph: an empty document
    // has no body.
    const bool body = !(dialect == TimedTextDialect::EbuTtD && paragraphs.empty());
    if (body) {
      Line("  <" + p + "body>");
      if (dialect == TimedTextDialect::EbuTt) Line("    <tt:div style=\"styleCenter\">");
      else if (dialect == TimedTextDialect::ITunes) Line("    <div begin=\"00:00:00:00\">");
      else Line("    <" + p + "div>");
      for (const std::string& para : paragraphs) Line(para);
      Line("    </" + p + "div>");
      Line("  </" + p + "body>");
    }
    Line("</" + p + "tt>");

    const std::string name = DialectName(dialect);
    if (loss.underline)
      warnings.push_back(name + " files carry no underline: " + std::to_string(loss.underline) +
                         " underlined stretches written as plain text");
    if (loss.dropped)
      warnings.push_back(name + " files cannot hold control characters: " + std::to_string(loss.dropped) +
                         " left out");
    if (noCue) warnings.push_back(std::to_string(noCue) + " subtitles without an in or out cue written with empty times");
    const bool rowsLost = dialect == TimedTextDialect::W3C || dialect == TimedTextDialect::Generic ||
                          (dialect == TimedTextDialect::ITunes && o.forceRegion);
    if (rowsLost && raised)
      warnings.push_back(name + ": " + std::to_string(raised) + " subtitles above the bottom row written at the bottom");
    const int code = doc.frameRate().code;
    if (dialect == TimedTextDialect::Generic && (code == 48 || code == 59 || code == 60))
      warnings.push_back(name + ": hundredths of a second cannot tell every frame apart at " + doc.frameRate().label());
    if (dialect == TimedTextDialect::ITunes && aligned)
      warnings.push_back(name + " files centre every subtitle: " + std::to_string(aligned) +
                         " left or right aligned subtitles written centred");
  }
};

}  // namespace

TimedTextRateParameters RateParameters(const FrameRate& rate) {
  // Rates counted in whole labels per second but running 1000/1001 slower carry the
  // multiplier; 29.97 labels drop frame numbers the NTSC way.
  switch (rate.code) {
    case 15: return {"15", "1 1", "nonDrop"};
    case 23: return {"24", "999 1000", "nonDrop"};
    case 24: return {"24", "1 1", "nonDrop"};
    case 29: return {"30", "999 1000", rate.dropFrame ? "dropNTSC" : "nonDrop"};
    case 30: return {"30", "1 1", "nonDrop"};
    case 48: return {"48", "1 1", "nonDrop"};
    case 50: return {"50", "1 1", "nonDrop"};
    case 59: return {"60", "999 1000", "nonDrop"};
    case 60: return {"60", "1 1", "nonDrop"};
    default: return {"25", "1 1", "nonDrop"};
  }
}

std::string ShortLanguageCode(std::int32_t languageId) {
  char locale[64] = {};
  UErrorCode status = U_ZERO_ERROR;
  uloc_getLocaleForLCID(static_cast<std::uint32_t>(languageId), locale, sizeof locale, &status);
  if (U_FAILURE(status) || !locale[0]) return "en";
  char language[16] = {};
  status = U_ZERO_ERROR;
  uloc_getLanguage(locale, language, sizeof language, &status);
  if (U_FAILURE(status) || !language[0]) return "en";
  return language;
}

std::string WriteTimedText(const SubtitleDocument& doc, TimedTextDialect dialect, const TimedTextWriteOptions& o,
                           std::vector<std::string>& warnings) {
  Writer w{doc, dialect, o, warnings, {}};
  w.Write();
  return std::move(w.out);
}

}  // namespace kipo
