// The six Timed Text writer dialects. One construction, with the differences of each
// dialect as data where they are data (namespaces, styles, regions) and as small
// branches where they are layout (cue forms, paragraph shape, italics).
#include <unicode/uloc.h>

#include <algorithm>
#include <array>
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
// counted. Stand-ins of markup characters are the characters they hold.
void AppendText(std::string& out, std::string_view text, int& dropped) {
  std::size_t plain = 0;  // start of the stretch not yet copied
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    std::size_t len = 1;
    const unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u != 0x7F && c != '&' && c != '<' && c != '>' && u != 0xEE) continue;
    if (u == 0xEE) {
      const char held = StandInAt(text.substr(i));
      if (!held) continue;
      c = held;
      len = 3;
    }
    out.append(text.data() + plain, i - plain);
    switch (c) {
      case '&': out += "&#38;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default:
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) ++dropped;
        else out += c;
    }
    i += len - 1;
    plain = i + 1;
  }
  out.append(text.data() + plain, text.size() - plain);
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
        if ((static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) || c == '\t') out += c;
    }
  }
  return out;
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
  const char b[11] = {digits[0], digits[1], ':', digits[2], digits[3], ':', digits[4], digits[5], '.',
                      static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10)};
  return std::string(b, 11);
}

std::string GenericCue(const Cue& c, const FrameRate& rate) {
  return c.IsSet() ? HundredthsLabel(c.digits(), rate) : std::string();
}

// The duration as the difference of the two times as written, so that begin + dur is the
// end exactly.
std::string GenericDuration(const Cue& in, const Cue& out, const FrameRate& rate) {
  if (!in.IsSet() || !out.IsSet()) return {};
  auto pair = [](const std::string& d, std::size_t at) { return (d[at] - '0') * 10L + (d[at + 1] - '0'); };
  auto hundredths = [&](const std::string& d) {
    const long seconds = pair(d, 0) * 3600 + pair(d, 2) * 60 + pair(d, 4);
    const int frames = (d[6] - '0') * 10 + (d[7] - '0');
    return seconds * 100 + std::min(99L, std::lround(frames * HundredthsFactor(rate) / 10.0));
  };
  const long h = std::max(0L, hundredths(out.digits()) - hundredths(in.digits()));
  auto two = [](long v) { return std::array<char, 2>{static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)}; };
  const auto hh = two(h / 360000), mm = two(h / 6000 % 60), ss = two(h / 100 % 60), cc = two(h % 100);
  const char b[11] = {hh[0], hh[1], ':', mm[0], mm[1], ':', ss[0], ss[1], '.', cc[0], cc[1]};
  return std::string(b, 11);
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
  bool inlineStyles = false;            // Flash: flat spans styled by their own attributes
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
    case TimedTextDialect::Flash:
      return {"", "", "<span", "</span>", "<br/>", true, true};
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

// The text of a subtitle as pieces of one style each: calls f(piece, italic, colour) for
// every stretch of characters and row(r) at each row break; underline is counted. A
// subtitle italic as a whole has each row inside the italic markers.
template <class Piece, class RowBreak>
void WalkText(const Subtitle& s, TextLosses& loss, Piece&& piece, RowBreak&& rowBreak) {
  std::string wrapped;
  std::string_view text = s.text;
  if (s.italic) {
    std::size_t start = 0;
    while (true) {
      std::size_t end = text.find("\r\n", start);
      wrapped += kItalicOn;
      wrapped += text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
      wrapped += kItalicOff;
      if (end == std::string_view::npos) break;
      wrapped += "\r\n";
      start = end + 2;
    }
    text = wrapped;
  }
  bool italic = false;
  int colour = 0;
  ScanMarkup(text, MarkerView{}, [&](Mark m, std::string_view bytes) {
    switch (m) {
      case Mark::None: piece(bytes, italic, colour); break;
      case Mark::RowBreak: rowBreak(); break;
      case Mark::ItalicOn: italic = true; break;
      case Mark::ItalicOff: italic = false; break;
      case Mark::Colour: colour = bytes[0]; break;
      case Mark::UnderlineOn: ++loss.underline; break;
      default: break;
    }
  });
}

// Nested spans: italics and one colour at a time. Spans open where text needs them and
// close in the right order (an italic stretch that ends inside a colour closes the colour
// first and opens it again), so they always nest; every row closes what it opened, and
// the next row opens again what carries on.
void NestedText(std::string& out, const Subtitle& s, const InlineForm& f, TextLosses& loss) {
  // Open spans from the outside in: 'i' italic, or a colour code.
  char open[2];
  int depth = 0;
  auto closeTo = [&](int keep) {
    while (depth > keep) out += open[--depth] == 'i' ? f.italicClose : f.spanClose;
  };
  WalkText(
      s, loss,
      [&](std::string_view text, bool italic, int colour) {
        int keep = 0;
        while (keep < depth && (open[keep] == 'i' ? italic : open[keep] == colour)) ++keep;
        closeTo(keep);
        const bool hasItalic = (depth > 0 && open[0] == 'i') || (depth > 1 && open[1] == 'i');
        const bool hasColour = (depth > 0 && open[0] != 'i') || (depth > 1 && open[1] != 'i');
        if (italic && !hasItalic) {
          out += f.italicOpen;
          open[depth++] = 'i';
        }
        if (colour && !hasColour) {
          out += f.spanOpen;
          out += " tts:color=\"";
          out += ColourAttributeName(colour);
          out += "\">";
          open[depth++] = static_cast<char>(colour);
          loss.coloursUsed[colour] = true;
        }
        AppendText(out, text, loss.dropped);
      },
      [&] {
        closeTo(0);
        out += f.br;
      });
  closeTo(0);
}

// EBU-TT-D: one span per stretch of the same style; the spans sit side by side.
void FlatText(std::string& out, const Subtitle& s, const InlineForm& f, TextLosses& loss) {
  int current = -1;  // style of the open span: colour (0 default) + 8 when italic; -1 none
  auto ensure = [&](int style) {
    if (current == style) return;
    if (current >= 0) out += f.spanClose;
    out += f.spanOpen;
    out += " style=\"";
    out += (style & 7) ? "span" : "spanStyle";
    if (style & 7) out += ColourStyleSuffix(style & 7);
    if (style & 8) out += " styleItalic";
    out += "\">";
    current = style;
  };
  WalkText(
      s, loss,
      [&](std::string_view text, bool italic, int colour) {
        if (colour) loss.coloursUsed[colour] = true;
        ensure(colour + (italic ? 8 : 0));
        AppendText(out, text, loss.dropped);
      },
      [&] {
        ensure(current < 0 ? 0 : current);
        out += f.br;
      });
  ensure(current < 0 ? 0 : current);
  out += f.spanClose;
}

// Flash players take no nested spans and no style references inside a paragraph: plain
// text stays outside spans, each styled stretch is one span with its own attributes.
void InlineStyledText(std::string& out, const Subtitle& s, const InlineForm& f, TextLosses& loss) {
  int current = 0;  // colour (0 default) + 8 when italic
  auto ensure = [&](int style) {
    if (current == style) return;
    if (current) out += f.spanClose;
    current = style;
    if (!style) return;
    out += f.spanOpen;
    if (style & 8) out += " tts:fontStyle=\"italic\"";
    if (style & 7) {
      out += " tts:color=\"";
      out += ColourAttributeName(style & 7);
      out += '"';
    }
    out += '>';
  };
  WalkText(
      s, loss,
      [&](std::string_view text, bool italic, int colour) {
        ensure(colour + (italic ? 8 : 0));
        AppendText(out, text, loss.dropped);
      },
      [&] {
        const int keep = current;
        ensure(0);
        out += f.br;
        ensure(keep);
      });
  ensure(0);
}

void ParagraphText(std::string& out, const Subtitle& s, const InlineForm& f, TextLosses& loss) {
  if (f.inlineStyles) InlineStyledText(out, s, f, loss);
  else if (f.flatSpans) FlatText(out, s, f, loss);
  else NestedText(out, s, f, loss);
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
      case TimedTextDialect::Flash:
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
      case TimedTextDialect::Flash:
        break;
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
      case TimedTextDialect::Flash:
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

  // Appends pieces without building temporaries (the body of a full document is
  // written in one pass).
  template <class... T>
  static void Put(std::string& b, const T&... parts) {
    (b.append(parts), ...);
  }

  // One paragraph line (with its end) appended to `b`.
  void Paragraph(std::string& b, const Subtitle& s, std::size_t n, const InlineForm& f, TextLosses& loss) {
    const FrameRate& rate = doc.frameRate();
    const std::string_view dir = RightToLeft(doc) ? " tts:direction=\"rtl\"" : "";
    const std::string_view align = AlignName(s.alignment);
    auto smpte = [&](const Cue& c) {
      if (c.IsSet()) {
        const std::string& d = c.digits();
        const char label[11] = {d[0], d[1], ':', d[2], d[3], ':', d[4], d[5], ':', d[6], d[7]};
        b.append(label, 11);
      }
    };
    auto smpteTimes = [&] {
      b += " begin=\"";
      smpte(s.inCue);
      b += "\" end=\"";
      smpte(s.outCue);
      b += '"';
    };
    switch (dialect) {
      case TimedTextDialect::W3C:
        Put(b, "      <p region=\"region", align, "\" style=\"style", align, "\"");
        smpteTimes();
        Put(b, dir, ">");
        ParagraphText(b, s, f, loss);
        b += "</p>";
        break;
      case TimedTextDialect::Netflix: {
        const std::string_view v = s.row >= 7 ? "top" : s.row >= 4 ? "middle" : "bottom";
        const std::string_view h = s.alignment == AlignLeft ? "left" : s.alignment == AlignRight ? "right" : "centre";
        Put(b, "      <p style=\"style.default\" region=\"region.", v, ".", h, "\"");
        smpteTimes();
        Put(b, dir, ">");
        ParagraphText(b, s, f, loss);
        b += "</p>";
        break;
      }
      case TimedTextDialect::Generic:
        // The timing vocabulary's duration attribute is "dur".
        Put(b, "      <p begin=\"", GenericCue(s.inCue, rate), "\" end=\"", GenericCue(s.outCue, rate), "\" dur=\"",
            GenericDuration(s.inCue, s.outCue, rate), "\" style=\"style", align, "\"", dir, ">");
        ParagraphText(b, s, f, loss);
        b += "</p>";
        break;
      case TimedTextDialect::EbuTt: {
        const std::string_view region = s.row > 8 ? "regionTop" : s.row < 4 ? "regionBottom" : "regionCenter";
        Put(b, "      <tt:p xml:id=\"sub_", std::to_string(n), "\" region=\"", region, "\"");
        smpteTimes();
        Put(b, " style=\"style", align, "\"", dir, ">");
        ParagraphText(b, s, f, loss);
        b += "\r\n      </tt:p>";
        break;
      }
      case TimedTextDialect::EbuTtD: {
        const std::string_view region = s.row >= 6 ? "regionTop" : "regionBottom";
        Put(b, "      <tt:p xml:id=\"sub_", std::to_string(n), "\" region=\"", region, "\" begin=\"",
            MediaCue(s.inCue, rate), "\" end=\"", MediaCue(s.outCue, rate), "\" style=\"style", align,
            "\">\r\n        ");
        ParagraphText(b, s, f, loss);
        b += "\r\n      </tt:p>";
        break;
      }
      case TimedTextDialect::Flash: {
        // Clock times in milliseconds: the players take no frames.
        const std::string_view textAlign = s.alignment == AlignLeft ? "left" : s.alignment == AlignRight ? "right" : "center";
        Put(b, "      <p begin=\"", MediaCue(s.inCue, rate), "\" end=\"", MediaCue(s.outCue, rate),
            "\" tts:textAlign=\"", textAlign, "\"", dir, ">");
        ParagraphText(b, s, f, loss);
        b += "</p>";
        break;
      }
      case TimedTextDialect::ITunes: {
        const std::string_view region = !o.forceRegion && s.row >= 5 ? "top" : "bottom";
        Put(b, "      <p region=\"", region, "\" style=\"", std::string_view(s.italic ? "italic" : "normal"), "\"");
        smpteTimes();
        Put(b, dir, ">");
        ParagraphText(b, s, f, loss);
        b += "</p>";
        break;
      }
    }
    b += kEol;
  }

  void Write() {
    const InlineForm form = FormOf(dialect);
    TextLosses loss;
    // The paragraphs first: the head lists the colour styles the text uses.
    std::string body;
    body.reserve(doc.Count() * 200);
    std::size_t noCue = 0, raised = 0, aligned = 0;
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      const Subtitle& s = doc.At(i);
      Paragraph(body, s, i + 1, form, loss);
      if (!s.inCue.IsSet() || !s.outCue.IsSet()) ++noCue;
      if (s.row > 0) ++raised;
      if (s.alignment == AlignLeft || s.alignment == AlignRight) ++aligned;
    }
    out.reserve(body.size() + 8192);
    Line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
    if (dialect == TimedTextDialect::Netflix) Line("<!-- File created by Kipo subtitling system version 6.1 -->");
    Root();
    const std::string p = dialect == TimedTextDialect::EbuTt || dialect == TimedTextDialect::EbuTtD ? "tt:" : "";
    // Flash files style every paragraph where it stands and need no head.
    if (dialect != TimedTextDialect::Flash) {
      Line("  <" + p + "head>");
      Metadata();
      Styles(loss);
      Regions();
      Line("  </" + p + "head>");
    }
    // A distribution document's division holds at least one paragraph: an empty document
    // has no body.
    if (!(dialect == TimedTextDialect::EbuTtD && doc.Count() == 0)) {
      Line("  <" + p + "body>");
      if (dialect == TimedTextDialect::EbuTt) Line("    <tt:div style=\"styleCenter\">");
      else if (dialect == TimedTextDialect::ITunes) Line("    <div begin=\"00:00:00:00\">");
      else Line("    <" + p + "div>");
      out += body;
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
                          dialect == TimedTextDialect::Flash ||
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
