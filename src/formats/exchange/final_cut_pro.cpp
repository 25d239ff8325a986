#include "formats/exchange/final_cut_pro.h"

#include <pugixml.hpp>
#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#include <climits>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/markup.h"
#include "formats/exchange/script_text.h"
#include "platform/encoding.h"
#include "platform/large_pages.h"
#include "platform/same_bytes.h"
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

// A whole number's digits written at `at` (two at a time from a table, from the last
// digit back, then copied as one block of 20 bytes): `at` needs 20 bytes of room. The
// position after the digits.
char* AppendDigits(char* at, long value) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char digits[40];
  char* const last = digits + 20;
  char* d = last;
  auto v = static_cast<unsigned long>(value < 0 ? -(value + 1) + 1UL : value);  // no overflow at LONG_MIN
  while (v >= 100) {
    const unsigned long pair = v % 100;
    v /= 100;
    d -= 2;
    std::memcpy(d, kPairs + 2 * pair, 2);
  }
  if (v >= 10) {
    d -= 2;
    std::memcpy(d, kPairs + 2 * v, 2);
  } else {
    *--d = static_cast<char>('0' + v);
  }
  if (value < 0) *--d = '-';
  std::memcpy(at, d, 20);
  return at + (last - d);
}

// A text that goes into the file as it stands but for its italic markers and row breaks:
// printable ASCII without the bytes that may start other markup ('[', ']', '/') or need
// escaping ('&'), rows parted by CR LF. Such a text has no underline or colour to leave
// out and no stand-in or control character to change: nearly every subtitle.
enum : std::uint8_t { kOther, kPlainByte, kItalicByte, kCrByte };
constexpr auto kTextByte = [] {
  std::array<std::uint8_t, 256> t{};
  for (int c = 0x20; c < 0x7F; ++c) t[c] = kPlainByte;
  for (unsigned char c : {'[', ']', '/', '&'}) t[c] = kOther;
  t[static_cast<unsigned char>(kItalicOn)] = t[static_cast<unsigned char>(kItalicOff)] = kItalicByte;
  t['\r'] = kCrByte;
  return t;
}();
// What a plain text held: italic markers, and whether its every visible character is
// italic (as IsWhollyItalic tells).
struct PlainText {
  bool markers = false, wholly = false;
};
// A text copied to `at` without its italic markers and with each CR LF as a CR, checked on
// the way that it is plain: the position after it, or nullptr for any other text. Sixteen
// bytes are copied at once where none of them is special; `at` needs 16 bytes of room past
// the text's size.
char* CopyPlainText(char* at, std::string_view text, PlainText& t) {
  bool on = false, seen = false, upright = false;
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
#if defined(__SSE2__)
    if (i + 16 <= n) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      // Signed compare: below the space, and bytes of 0x80 and over (negative).
      const __m128i low = _mm_cmplt_epi8(v, _mm_set1_epi8(0x20));
      const __m128i marks = _mm_or_si128(
          _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F)), _mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(2)), _mm_set1_epi8('>'))),
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('[')), _mm_cmpeq_epi8(v, _mm_set1_epi8(']'))),
                       _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('/')), _mm_cmpeq_epi8(v, _mm_set1_epi8('&')))));
      if (!_mm_movemask_epi8(_mm_or_si128(low, marks))) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v);
        at += 16;
        i += 16;
        seen = true;
        upright = upright || !on;
        continue;
      }
    }
#endif
    // One byte, up to the next sixteen.
    const std::size_t stop = std::min(n, i + 16);
    for (; i < stop; ++i) {
      const char c = text[i];
      switch (kTextByte[static_cast<unsigned char>(c)]) {
        case kPlainByte:
          *at++ = c;
          seen = true;
          upright = upright || !on;
          break;
        case kItalicByte:
          on = c == kItalicOn;
          t.markers = true;
          break;
        case kCrByte:
          if (i + 1 == n || text[i + 1] != '\n') return nullptr;
          *at++ = '\r';
          ++i;  // the LF
          break;
        default: return nullptr;
      }
    }
  }
  t.wholly = seen && !upright;
  return at;
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
  std::string text;  // the text as the tree gives it
  // Or, read by the scan, the value as it stands in the file when it holds no reference:
  // its line ends (CR LF, CR or LF) are read as the tree's LF would be.
  std::string_view value;
  bool inFile = false;
  bool italic = false;
  std::string_view Text() const { return inFile ? value : std::string_view(text); }
};

}  // namespace

namespace {

void Append(std::string& out, const char* p, std::size_t n) { out.append(p, n); }
void Append(std::vector<std::uint8_t>& out, const char* p, std::size_t n) {
  const auto* b = reinterpret_cast<const std::uint8_t*>(p);
  out.insert(out.end(), b, b + n);
}

// The file into `out` (a string, or the file's bytes: the file is ASCII).
template <class Out>
void WriteFile(const SubtitleDocument& doc, const FinalCutProOptions& o, Warnings& warnings, Out& out) {
  const FrameRate& rate = doc.frameRate();
  ScriptTextWriter plain("Final Cut Pro XML", {});
  bool partItalics = false;
  const std::string timebase = std::to_string(rate.countingRate());
  const std::string_view ntsc = rate.den == 1001 ? "TRUE" : "FALSE";
  // About two kilobytes of markup per text item.
  out.reserve(out.size() + 1024 + doc.Subtitles().size() * 2200);
  PreferLargePages(out.data(), out.capacity());
  std::string markup;  // the file's head and its end, laid out by an XmlOut
  XmlOut x(markup);
  markup += "<?xml version=\"1.0\"?>\r\n<!DOCTYPE xmeml>\r\n";
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
  Append(out, markup.data(), markup.size());
  const std::vector<std::string> pieces = ItemPieces(x.Depth(), timebase, ntsc, o);
  // Each item is laid out in a buffer kept from item to item, through a pointer, and
  // appended to the file at once: the pieces before the text, the values between them, and
  // after the text one block holding the style and alignment digits at known places.
  const std::string tail = pieces[6] + '1' + pieces[7] + '2' + pieces[8];
  const std::size_t styleAt = pieces[6].size(), alignAt = styleAt + 1 + pieces[7].size();
  std::size_t head = 0;
  for (std::size_t i = 0; i < 6; ++i) head += pieces[i].size();
  std::string buffer;
  std::size_t n = 0;
  // `text(at)` writes the item's text, at most `size` bytes, and gives the position after
  // it, or nullptr to give the item up (nothing of it is written then); `italic()` is asked
  // after it.
  auto item = [&](const Subtitle& s, long in, long end, std::size_t size, auto text, auto italic) {
    const std::size_t room = head + 5 * 20 + size + 16 + tail.size();
    if (buffer.size() < room) buffer.resize(room);
    char* const first = buffer.data();
    char* at = first;
    auto piece = [&at, &pieces](std::size_t i) {
      std::memcpy(at, pieces[i].data(), pieces[i].size());
      at += pieces[i].size();
    };
    piece(0);
    at = AppendDigits(at, static_cast<long>(n + 1));
    piece(1);
    at = AppendDigits(at, end - in);
    piece(2);
    at = AppendDigits(at, end - in);
    piece(3);
    at = AppendDigits(at, in);
    piece(4);
    at = AppendDigits(at, end);
    piece(5);
    at = text(at);
    if (!at) return false;
    std::memcpy(at, tail.data(), tail.size());
    at[styleAt] = italic() ? '3' : '1';
    at[alignAt] = s.alignment == AlignLeft ? '1' : s.alignment == AlignRight ? '3' : '2';
    at += tail.size();
    Append(out, first, static_cast<std::size_t>(at - first));
    ++n;
    return true;
  };
  std::string text, escaped;
  XmlOut escape(escaped);
  Subtitle bare;  // assigned item by item: its strings keep their room
  for (const Subtitle& s : doc.Subtitles()) {
    if (!s.inCue.IsSet()) continue;
    const long in = static_cast<long>(s.inCue.ToFrames(rate));
    const long end = std::max(in, static_cast<long>(OutCueOf(s).ToFrames(rate)));
    // Rows of plain characters, italics marked or not (nearly every subtitle): the text as
    // it stands without its italic markers, each row break written as a CR.
    PlainText t;
    if (item(
            s, in, end, s.text.size(), [&](char* at) { return CopyPlainText(at, s.text, t); },
            [&] { return s.italic || t.wholly; })) {
      if (!s.italic && !t.wholly && t.markers) partItalics = true;
      continue;
    }
    const bool italic = s.italic || IsWhollyItalic(s.text);
    bare = s;
    bare.italic = false;
    if (!italic && HasItalicMarkers(s.text)) partItalics = true;
    bare.text = StripItalics(s.text);
    text.clear();
    plain.ForEachRow(bare, [&text](std::string_view row) {
      if (!text.empty()) text += '\r';
      text += row;
    });
    escaped.clear();
    escape.Escaped(text);
    item(
        s, in, end, escaped.size(),
        [&escaped](char* at) {
          std::memcpy(at, escaped.data(), escaped.size());
          return at + escaped.size();
        },
        [italic] { return italic; });
  }
  markup.clear();
  x.Close("track");
  x.Close("video");
  x.Close("media");
  x.Close("sequence");
  x.Close("xmeml");
  Append(out, markup.data(), markup.size());
  if (partItalics) warnings.push_back("Italics over part of a subtitle cannot be written in Final Cut Pro XML files and were left out");
  plain.Finish(warnings);
}

}  // namespace

std::string WriteFinalCutPro(const SubtitleDocument& doc, const FinalCutProOptions& o, Warnings& warnings) {
  std::string out;
  WriteFile(doc, o, warnings, out);
  return out;
}

std::vector<std::uint8_t> WriteFinalCutProBytes(const SubtitleDocument& doc, const FinalCutProOptions& o,
                                                Warnings& warnings, bool utf8Bom) {
  std::vector<std::uint8_t> out;
  if (utf8Bom) out = {0xEF, 0xBB, 0xBF};
  WriteFile(doc, o, warnings, out);
  return out;
}

namespace {

// What reading takes from a file: its text items in file order, how many items had no
// place on the timeline and how many are timed at another rate.
struct FoundItems {
  std::vector<Item> items;
  int unplaced = 0, otherRate = 0;
};

FoundItems ItemsOfTree(std::string_view text, const FrameRate& rate) {
  pugi::xml_document x;
  pugi::xml_parse_result ok = x.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  pugi::xml_node root = x.child("xmeml");
  if (!ok || !root) throw InvalidFileFormat("This is not a Final Cut Pro XML file");
  FoundItems found;
  for (pugi::xml_node g : TextGenerators(root)) {
    Item item;
    item.start = g.child("start").text().as_llong(-1);
    item.end = g.child("end").text().as_llong(-1);
    const int timebase = g.child("rate").child("timebase").text().as_int(0);
    if (timebase && timebase != rate.countingRate()) ++found.otherRate;
    if (item.start < 0 || item.end < item.start) {
      ++found.unplaced;
      continue;
    }
    for (pugi::xml_node p : g.child("effect").children("parameter")) {
      const std::string id = p.child_value("parameterid");
      if (id == "str") item.text = p.child_value("value");
      else if (id == "fontstyle") item.italic = p.child("value").text().as_int(1) >= 3;
    }
    found.items.push_back(std::move(item));
  }
  return found;
}

// --- Reading by a scan of the bytes ---------------------------------------------------
//
// The editing system's files carry two kilobytes of markup per text item, so a tree of the
// whole file costs far more than the few values read from it. The scan reads the file
// once, checking as it goes that it is a well-formed document of the plain form exporters
// write (elements with quoted attributes, text, comments, the XML declaration and a
// DOCTYPE without an internal subset) and taking the values of the elements reading needs,
// as the tree would give them. Anything else (CDATA, other processing instructions or
// entities, markup inside a value, a number in another form, a broken file) makes it give
// up: the tree then reads the file, and names what is wrong with a broken one.

// What a byte is to the scan.
enum : std::uint8_t { kSpaceByte = 1, kNameStart = 2, kNameByte = 4, kValueStop = 8 };
constexpr auto kByteClass = [] {
  std::array<std::uint8_t, 256> t{};
  for (char c : {' ', '\t', '\r', '\n'}) t[static_cast<unsigned char>(c)] = kSpaceByte;
  for (int c = 0; c < 256; ++c) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
    if (letter) t[c] |= kNameStart | kNameByte;
    if ((c >= '0' && c <= '9') || c == '-' || c == '.') t[c] |= kNameByte;
  }
  for (char c : {'\r', '&'}) t[static_cast<unsigned char>(c)] |= kValueStop;
  return t;
}();
bool IsXmlSpace(char c) { return kByteClass[static_cast<unsigned char>(c)] & kSpaceByte; }
bool IsNameStart(char c) { return kByteClass[static_cast<unsigned char>(c)] & kNameStart; }
bool IsNameChar(char c) { return kByteClass[static_cast<unsigned char>(c)] & kNameByte; }
bool AllSpace(std::string_view s) {
  for (char c : s)
    if (!IsXmlSpace(c)) return false;
  return true;
}
// True when a value is its own text: no line end to change and no reference to replace.
bool PlainValue(std::string_view raw) {
  for (char c : raw)
    if (kByteClass[static_cast<unsigned char>(c)] & kValueStop) return false;
  return true;
}

// A value's text as the XML library makes it: CR LF and lone CR become LF, the five
// predefined entities and character references are replaced. False for any other "&".
bool DecodeValue(std::string_view raw, std::string& out) {
  out.clear();
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size();) {
    std::size_t run = i;
#if defined(__SSE2__)
    // Sixteen bytes at a time up to the next CR or '&'.
    for (; run + 16 <= raw.size(); run += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(raw.data() + run));
      const int stops = _mm_movemask_epi8(
          _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('&'))));
      if (stops) {
        run += static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(stops)));
        break;
      }
    }
#endif
    while (run < raw.size() && !(kByteClass[static_cast<unsigned char>(raw[run])] & kValueStop)) ++run;
    out.append(raw, i, run - i);
    if (run == raw.size()) break;
    i = run;
    if (raw[i] == '\r') {
      out += '\n';
      i += i + 1 < raw.size() && raw[i + 1] == '\n' ? 2 : 1;
      continue;
    }
    const std::size_t semi = raw.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10) return false;
    const std::string_view name = raw.substr(i + 1, semi - i - 1);
    i = semi + 1;
    if (name == "lt") out += '<';
    else if (name == "gt") out += '>';
    else if (name == "amp") out += '&';
    else if (name == "quot") out += '"';
    else if (name == "apos") out += '\'';
    else {
      if (name.size() < 2 || name[0] != '#') return false;
      const bool hex = name[1] == 'x';
      std::uint32_t cp = 0;
      const auto [end, ec] = std::from_chars(name.data() + (hex ? 2 : 1), name.data() + name.size(), cp, hex ? 16 : 10);
      if (ec != std::errc() || end != name.data() + name.size() || cp == 0 || cp > 0x10FFFF ||
          (cp >= 0xD800 && cp <= 0xDFFF))
        return false;
      char bytes[4];
      std::int32_t length = 0;
      U8_APPEND_UNSAFE(bytes, length, cp);
      out.append(bytes, static_cast<std::size_t>(length));
    }
  }
  return true;
}

// A whole number as the XML library reads one (spaces around it, a minus sign), clamped to
// [low, high]; false for any other form.
bool ValueNumber(std::string_view raw, long long low, long long high, long long& out) {
  // Digits alone, as files hold their numbers.
  if (!raw.empty() && raw.size() <= 18) {
    long long v = 0;
    std::size_t i = 0;
    for (; i < raw.size(); ++i) {
      const auto digit = static_cast<unsigned>(static_cast<unsigned char>(raw[i]) - '0');
      if (digit > 9) break;
      v = v * 10 + digit;
    }
    if (i == raw.size()) {
      out = std::clamp(v, low, high);
      return true;
    }
  }
  while (!raw.empty() && IsXmlSpace(raw.front())) raw.remove_prefix(1);
  while (!raw.empty() && IsXmlSpace(raw.back())) raw.remove_suffix(1);
  const bool negative = !raw.empty() && raw.front() == '-';
  if (negative) raw.remove_prefix(1);
  if (raw.empty() || raw.size() > 18) return false;
  long long v = 0;
  for (char c : raw) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  out = std::clamp(negative ? -v : v, low, high);
  return true;
}

class ItemScan {
 public:
  ItemScan(std::string_view text, int countingRate) : text_(text), countingRate_(countingRate) {}

  // The items, or nullopt when the file is not in the form the scan reads.
  std::optional<FoundItems> Run() {
    const char* p = text_.data();
    const char* const end = p + text_.size();
    if (std::memchr(p, '\0', text_.size())) return std::nullopt;
    if (text_.starts_with("\xEF\xBB\xBF")) p += 3;
    if (std::string_view(p, static_cast<std::size_t>(end - p)).starts_with("<?xml")) {
      const std::size_t close = std::string_view(p, static_cast<std::size_t>(end - p)).find("?>");
      if (close == std::string_view::npos) return std::nullopt;
      p += close + 2;
    }
    open_.clear();
    // Room for the items of a file as editors write it (about two kilobytes an item).
    found_.items.reserve(std::min<std::size_t>(text_.size() / 2048 + 1, std::size_t{1} << 16));
    bool rootSeen = false;
    while (true) {
      // Inside an item that has gone as the last one so far, the bytes that are the same as
      // the last item's are passed over at once, and their tags read as they were there.
      if (gen_ && cursor_ < foretold_ && !Stretch(p, end)) return std::nullopt;
      const char* lt = FindByte(p, end, '<');
      const bool inItem = gen_.has_value();
      if (capture_ != Slot::None) {
        if (captured_.data()) return std::nullopt;  // text, then more after a comment
        captured_ = std::string_view(p, static_cast<std::size_t>(lt - p));
      } else if (!inItem && open_.empty() && !AllSpace(std::string_view(p, static_cast<std::size_t>(lt - p)))) {
        return std::nullopt;
      }
      if (lt == end) break;
      if (inItem && cursor_ < foretold_) {
        // The tag the previous item had here, byte for byte: read as it was read there.
        const Tag& t = last_.data()[cursor_];
        if (static_cast<std::size_t>(end - lt) >= t.size && SameBytes(lt, t.at, t.size)) {
          // What reading the tag did there depends on the tags before it alone, which were
          // the same: only its effect on the values is carried out.
          // The elements open inside the item are not kept meanwhile (open_ ends with the
          // item's own): they are the last item's, and are put back if this one goes
          // otherwise.
          NoteShift(cursor_, lt - t.at);
          ++cursor_;
          p = lt + t.size;
          if (!Replay(t)) return std::nullopt;
          if (!gen_) {  // the item's own end tag
            open_.pop_back();
            ItemDone();
          }
          continue;
        }
        // This item goes its own way from here: its tags so far were the last item's, and
        // the reading stands where it stood after the last of them.
        if (cursor_ > 0) SetShape(last_[cursor_ - 1].after);
        for (std::size_t i = 0; i < cursor_; ++i) {
          const Tag& r = last_[i];
          if (r.end) open_.pop_back();
          else if (!r.empty) open_.push_back(std::string_view(r.at + 1, r.name));
        }
        current_.assign(last_.begin(), last_.begin() + static_cast<std::ptrdiff_t>(cursor_));
        // Kept as this item's own tags, where they lie in it: its values may be longer or
        // shorter than the last item's, so each run of tags has its own distance.
        for (std::size_t s = 0; s < shifts_.size(); ++s) {
          const std::size_t to = s + 1 < shifts_.size() ? shifts_[s + 1].first : cursor_;
          for (std::size_t i = shifts_[s].first; i < to; ++i) current_[i].at += shifts_[s].second;
        }
        cursor_ = foretold_;
        diverged_ = true;
      }
      p = lt + 1;
      if (p == end) return std::nullopt;
      if (*p == '/') {
        // An end tag closes the element open last: its name compared at once.
        if (open_.empty()) return std::nullopt;
        const std::string_view open = open_.back();
        const char* q = p + 1;
        const std::size_t size = open.size();
        if (static_cast<std::size_t>(end - q) <= size || !SameBytes(q, open.data(), size) || IsNameChar(q[size]))
          return std::nullopt;
        q += size;
        while (q < end && IsXmlSpace(*q)) ++q;
        if (q == end || *q != '>') return std::nullopt;
        p = q + 1;
        open_.pop_back();
        const Ending ending = EndingNow();
        if (ending != Ending::None && !Close(ending)) return std::nullopt;
        if (inItem && diverged_) {
          Tag t;
          t.at = lt, t.size = static_cast<std::size_t>(p - lt), t.end = true;
          t.ending = ending;
          t.after = ShapeNow();
          t.acts = ending != Ending::None;
          current_.push_back(t);
        }
        if (inItem && !gen_) ItemDone();
        continue;
      }
      if (*p == '!') {
        if (capture_ != Slot::None) return std::nullopt;
        const std::string_view rest(p, static_cast<std::size_t>(end - p));
        if (rest.starts_with("!--")) {
          const std::size_t close = rest.find("-->", 3);
          if (close == std::string_view::npos) return std::nullopt;
          p += close + 3;
          recording_ = false;  // an item with a comment is no pattern for the next
          continue;
        }
        if (rest.starts_with("!DOCTYPE") && open_.empty() && !rootSeen) {
          const std::size_t close = rest.find('>');
          if (close == std::string_view::npos || rest.substr(0, close).find_first_of("[<") != std::string_view::npos)
            return std::nullopt;
          p += close + 1;
          continue;
        }
        return std::nullopt;
      }
      // A start tag: its name, then attributes (name="value" or name='value').
      if (!IsNameStart(*p)) return std::nullopt;
      const char* q = NameEndAt(p, end);
      const std::string_view name(p, static_cast<std::size_t>(q - p));
      bool empty = false;
      if (q < end && *q == '>') {
        // No attributes: nearly every tag of the file.
      } else {
        while (true) {
          const char* spaced = q;
          while (q < end && IsXmlSpace(*q)) ++q;
          if (q == end) return std::nullopt;
          if (*q == '>') break;
          if (*q == '/') {
            if (q + 1 == end || q[1] != '>') return std::nullopt;
            empty = true;
            ++q;
            break;
          }
          if (q == spaced || !IsNameStart(*q)) return std::nullopt;
          q = NameEndAt(q, end);
          while (q < end && IsXmlSpace(*q)) ++q;
          if (q == end || *q != '=') return std::nullopt;
          ++q;
          while (q < end && IsXmlSpace(*q)) ++q;
          if (q == end || (*q != '"' && *q != '\'')) return std::nullopt;
          const char quote = *q++;
          while (q < end && *q != quote && *q != '<') ++q;
          if (q == end || *q != quote) return std::nullopt;
          ++q;
        }
      }
      p = q + 1;
      const Name kind = NameOf(name);
      if (open_.empty()) {
        if (rootSeen || kind != Name::Xmeml) return std::nullopt;
        rootSeen = true;
      }
      newParameter_ = false;
      if (!Opened(kind)) return std::nullopt;
      if (!inItem && gen_) {  // an item starts: its tags are kept, and the last item's foretold
        current_.clear();
        shifts_.clear();
        recording_ = true;
        diverged_ = last_.empty();
        cursor_ = 0;
        openEnd_ = p;
      }
      Tag t;
      t.at = lt, t.size = static_cast<std::size_t>(p - lt), t.name = name.size(), t.kind = kind, t.empty = empty;
      t.opened = capture_;
      t.newParameter = newParameter_;
      if (empty) {
        t.ending = EndingNow();
        if (!Close(t.ending)) return std::nullopt;
      } else {
        open_.push_back(name);
      }
      if (inItem && diverged_) {
        t.after = ShapeNow();
        t.acts = t.opened != Slot::None || t.newParameter || t.ending != Ending::None;
        current_.push_back(t);
      }
      if (inItem && !gen_) ItemDone();
    }
    if (!open_.empty() || !rootSeen) return std::nullopt;
    return std::move(found_);
  }

 private:
  // A generator item's tags as they stood in the file, kept for the next item: editors write
  // every item with the same tags in the same order, so a tag that is byte for byte the one
  // the last item had at its place is read as that one was (its name, kind and whether it
  // closes itself), without reading its name again. Only the values between them differ.
  enum class Name : std::uint8_t;
  enum class Slot : std::uint8_t;
  enum class Holder : std::uint8_t;
  // How an end tag ends what is being read: nothing, a value, a parameter or the item.
  enum class Ending : std::uint8_t { None, Value, Parameter, Item };
  // Where the reading stands, the values aside: which elements of the item were met and
  // what the element open at each level is to it.
  struct Shape {
    std::array<Holder, 4> holders{};
    Slot capture{};
    bool start = false, end = false, rate = false, effect = false, timebase = false, id = false, value = false;
  };
  struct Tag {
    const char* at = nullptr;  // its '<' in the file
    std::size_t size = 0;      // as far as its '>'
    std::size_t name = 0;      // the length of a start tag's name
    Name kind{};
    bool end = false, empty = false;
    Slot opened{};               // the value a start tag opens
    bool newParameter = false;   // a start tag opens a parameter of the first effect
    Ending ending = Ending::None;  // what an end tag (or an empty element) ends
    bool acts = false;           // it opens or ends a value, a parameter or the item
    Shape after;                 // where the reading stood after the tag
  };
  // What a tag read as the last item's tag does to the values.
  bool Replay(const Tag& t) {
    if (!t.end) {
      capture_ = t.opened;
      captured_ = {};
      if (t.newParameter) param_.idText = param_.valueText = {};
    }
    if (t.ending != Ending::None) {
      if (!Close(t.ending)) return false;
      capture_ = t.after.capture;
    }
    return true;
  }
  // The tags of the last item from cursor_ on, as far as the bytes at p are the same as
  // the bytes after its tag before them: the texts between those tags are the same too,
  // so each is read as it was there, and only the tags that open or end a value are
  // looked at. p is left after the last of them. False when the scan cannot read the file.
  bool Stretch(const char*& p, const char* end) {
    const Tag* const tags = last_.data();
    const char* const* const ends = ends_.data();
    const char* const q = cursor_ ? ends[cursor_ - 1] : lastOpenEnd_;
    const auto room = static_cast<std::size_t>(std::min(ends[foretold_ - 1] - q, end - p));
    const char* const same = q + SamePrefix(p, q, room);
    const std::size_t to = static_cast<std::size_t>(std::upper_bound(ends + cursor_, ends + foretold_, same) - ends);
    if (to == cursor_) return true;
    const std::ptrdiff_t shift = p - q;
    NoteShift(cursor_, shift);
    for (std::size_t i = acting_[cursor_]; i < to; i = acting_[i + 1]) {
      const Tag& t = tags[i];
      if (capture_ != Slot::None) {  // the text between this end tag and the tag before
        const char* const from = i ? ends[i - 1] : lastOpenEnd_;
        captured_ = std::string_view(from + shift, static_cast<std::size_t>(t.at - from));
      }
      if (!Replay(t)) return false;
    }
    cursor_ = to;
    p = ends[to - 1] + shift;
    if (!gen_) {  // the item's own end tag, always the last
      open_.pop_back();
      ItemDone();
    }
    return true;
  }
  // Tags from `first` on lie `shift` bytes after the last item's.
  void NoteShift(std::size_t first, std::ptrdiff_t shift) {
    if (shifts_.empty() || shifts_.back().second != shift) shifts_.emplace_back(first, shift);
  }
  // An item is read: its tags become the pattern of the next (an item that went as the last
  // one did leaves the pattern as it is).
  void ItemDone() {
    if (!recording_) {
      last_.clear();
    } else if (diverged_) {
      last_.swap(current_);
      lastOpenEnd_ = openEnd_;
      // Where each tag ends, and from each tag the next one that acts on the values.
      const std::size_t n = last_.size();
      ends_.resize(n);
      acting_.resize(n + 1);
      acting_[n] = n;
      for (std::size_t i = n; i-- > 0;) {
        ends_[i] = last_[i].at + last_[i].size;
        acting_[i] = last_[i].acts ? i : acting_[i + 1];
      }
    }
    foretold_ = last_.size();
    current_.clear();
    cursor_ = 0;
  }
  std::vector<Tag> last_, current_;
  std::size_t foretold_ = 0;  // last_.size(), asked at every tag
  std::size_t cursor_ = 0;
  // Where this item's start tag and the last item's end: their tags are read from there.
  const char* openEnd_ = nullptr;
  const char* lastOpenEnd_ = nullptr;
  // Where this item's tags lie from the last item's: from each run's first tag on, the
  // distance (a value longer or shorter than the last item's moves the tags after it).
  std::vector<std::pair<std::size_t, std::ptrdiff_t>> shifts_;
  // Of the last item's tags: where each ends, and the first from each on that acts.
  std::vector<const char*> ends_;
  std::vector<std::size_t> acting_;
  bool recording_ = false, diverged_ = false;

  // The element names the scan acts on; any other is Other.
  enum class Name : std::uint8_t {
    Other, Xmeml, GeneratorItem, Start, End, Rate, Effect, Timebase, EffectId, ElementName, Parameter, ParameterId, Value
  };
  static Name NameOf(std::string_view name) {
    const char* p = name.data();
    switch (name.size()) {
      case 3: return std::memcmp(p, "end", 3) == 0 ? Name::End : Name::Other;
      case 4:
        if (std::memcmp(p, "rate", 4) == 0) return Name::Rate;
        return std::memcmp(p, "name", 4) == 0 ? Name::ElementName : Name::Other;
      case 5:
        if (std::memcmp(p, "start", 5) == 0) return Name::Start;
        if (std::memcmp(p, "value", 5) == 0) return Name::Value;
        return std::memcmp(p, "xmeml", 5) == 0 ? Name::Xmeml : Name::Other;
      case 6: return std::memcmp(p, "effect", 6) == 0 ? Name::Effect : Name::Other;
      case 8:
        if (std::memcmp(p, "timebase", 8) == 0) return Name::Timebase;
        return std::memcmp(p, "effectid", 8) == 0 ? Name::EffectId : Name::Other;
      case 9: return std::memcmp(p, "parameter", 9) == 0 ? Name::Parameter : Name::Other;
      case 11: return std::memcmp(p, "parameterid", 11) == 0 ? Name::ParameterId : Name::Other;
      case 13: return std::memcmp(p, "generatoritem", 13) == 0 ? Name::GeneratorItem : Name::Other;
      default: return Name::Other;
    }
  }
  // The first `byte` at or after p, or end: sixteen bytes looked at a time.
  static const char* FindByte(const char* p, const char* end, char byte) {
#if defined(__SSE2__)
    const __m128i b = _mm_set1_epi8(byte);
    for (; end - p >= 16; p += 16) {
      const int bits = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), b));
      if (bits) return p + __builtin_ctz(static_cast<unsigned>(bits));
    }
#endif
    while (p < end && *p != byte) ++p;
    return p;
  }
  // The end of the name starting at p: sixteen bytes looked at a time for a byte that is
  // not a name byte (a letter, digit, '_', ':', '.' or '-').
  static const char* NameEndAt(const char* p, const char* end) {
#if defined(__SSE2__)
    for (; end - p >= 16; p += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      // Letters of either case are 'a'-'z' with the 0x20 bit set; bytes of 0x80 and over are
      // negative to the signed compares and in no range.
      const __m128i lower = _mm_or_si128(v, _mm_set1_epi8(0x20));
      const __m128i letter =
          _mm_and_si128(_mm_cmpgt_epi8(lower, _mm_set1_epi8('a' - 1)), _mm_cmplt_epi8(lower, _mm_set1_epi8('z' + 1)));
      const __m128i digit =
          _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(v, _mm_set1_epi8('9' + 1)));
      const __m128i marks =
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('_')), _mm_cmpeq_epi8(v, _mm_set1_epi8(':'))),
                       _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('.')), _mm_cmpeq_epi8(v, _mm_set1_epi8('-'))));
      const int name = _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(letter, digit), marks));
      if (name != 0xFFFF) return p + __builtin_ctz(static_cast<unsigned>(~name));
    }
#endif
    while (p < end && IsNameChar(*p)) ++p;
    return p;
  }

  // The values the scan takes: what the element being read is to them.
  enum class Slot : std::uint8_t { None, Start, End, Timebase, Kind, ParameterId, Value };
  // The elements between a generator item and a value.
  enum class Holder : std::uint8_t { Other, FirstRate, FirstEffect, Effect, Parameter };

  struct Generator {
    std::size_t depth = 0;
    bool start = false, end = false, rate = false, effect = false, timebase = false, isText = false;
    std::string_view startText, endText, timebaseText;  // null data: no text
    Item item;
  };
  struct Parameter {
    bool id = false, value = false;
    std::string_view idText, valueText;
  };

  // A start tag at depth open_.size(); false when the scan cannot read the file.
  bool Opened(Name name) {
    if (capture_ != Slot::None) return false;  // markup inside a value
    const std::size_t depth = open_.size();
    if (name == Name::GeneratorItem) {
      if (gen_) return false;  // an item inside an item
      gen_ = Generator{};  // not emplace(): clang sees the nested type as not yet default-constructible
      gen_->depth = depth;
      return true;
    }
    if (!gen_ || depth <= gen_->depth || depth > gen_->depth + 3) return true;
    const std::size_t level = depth - gen_->depth;
    holders_[level] = Holder::Other;
    Slot slot = Slot::None;
    if (level == 1) {
      if (name == Name::Start && !gen_->start) gen_->start = true, slot = Slot::Start;
      else if (name == Name::End && !gen_->end) gen_->end = true, slot = Slot::End;
      else if (name == Name::Rate && !gen_->rate) gen_->rate = true, holders_[1] = Holder::FirstRate;
      else if (name == Name::Effect) holders_[1] = gen_->effect ? Holder::Effect : Holder::FirstEffect, gen_->effect = true;
    } else if (level == 2) {
      const Holder up = holders_[1];
      if (up == Holder::FirstRate && name == Name::Timebase && !gen_->timebase) gen_->timebase = true, slot = Slot::Timebase;
      else if ((up == Holder::FirstEffect || up == Holder::Effect) && (name == Name::EffectId || name == Name::ElementName))
        slot = Slot::Kind;
      else if (up == Holder::FirstEffect && name == Name::Parameter)
        holders_[2] = Holder::Parameter, param_ = {}, newParameter_ = true;
    } else if (holders_[2] == Holder::Parameter) {
      if (name == Name::ParameterId && !param_.id) param_.id = true, slot = Slot::ParameterId;
      else if (name == Name::Value && !param_.value) param_.value = true, slot = Slot::Value;
    }
    capture_ = slot;
    captured_ = {};
    return true;
  }

  // What an end tag ends (the element is off open_ already).
  Ending EndingNow() const {
    if (!gen_) return Ending::None;
    if (capture_ != Slot::None) return Ending::Value;
    const std::size_t depth = open_.size();
    if (depth == gen_->depth + 2 && holders_[2] == Holder::Parameter) return Ending::Parameter;
    return depth == gen_->depth ? Ending::Item : Ending::None;
  }
  Shape ShapeNow() const {
    Shape s;
    s.holders = holders_;
    s.capture = capture_;
    if (gen_) {
      s.start = gen_->start, s.end = gen_->end, s.rate = gen_->rate, s.effect = gen_->effect;
      s.timebase = gen_->timebase;
    }
    s.id = param_.id, s.value = param_.value;
    return s;
  }
  void SetShape(const Shape& s) {
    holders_ = s.holders;
    capture_ = s.capture;
    if (gen_) {
      gen_->start = s.start, gen_->end = s.end, gen_->rate = s.rate, gen_->effect = s.effect;
      gen_->timebase = s.timebase;
    }
    param_.id = s.id, param_.value = s.value;
  }

  // An end tag: what it ends taken in. False when the scan cannot read the file.
  bool Close(Ending ending) {
    if (ending == Ending::Value) return CloseValue();
    if (ending == Ending::None) return true;
    return ending == Ending::Parameter ? CloseParameter() : CloseItem();
  }
  // A value's text, as the tree has it: none when it is only white space (a value nearly
  // always starts with what it holds).
  bool CloseValue() {
    const bool some = captured_.data() && !captured_.empty() && (!IsXmlSpace(captured_[0]) || !AllSpace(captured_));
    const std::string_view text = some ? captured_ : std::string_view();
    const Slot slot = capture_;
    capture_ = Slot::None;
    switch (slot) {
      case Slot::Start: gen_->startText = text; break;
      case Slot::End: gen_->endText = text; break;
      case Slot::Timebase: gen_->timebaseText = text; break;
      case Slot::Kind: return text == "Text" ? (gen_->isText = true) : Kind(text);
      case Slot::ParameterId: param_.idText = text; break;
      case Slot::Value: param_.valueText = text; break;
      case Slot::None: break;
    }
    return true;
  }
  // An effect's name or id other than "Text" as it stands: it may still be "Text" written
  // with references.
  [[gnu::noinline]] bool Kind(std::string_view text) {
    if (PlainValue(text)) return true;
    if (!DecodeValue(text, decoded_)) return false;
    gen_->isText = gen_->isText || decoded_ == "Text";
    return true;
  }
  // Once a parameter, once an item: kept out of line, so that the values' ends, read at
  // most tags that act, stay light.
  [[gnu::noinline]] bool CloseParameter() {
    holders_[2] = Holder::Other;
    // An id is read as it stands unless it holds a reference (a line end in it would make
    // it no id the scan looks for either way).
    std::string_view id = param_.idText;
    if (id != "str" && id != "fontstyle" && id.find('&') != std::string_view::npos) {
      if (!DecodeValue(id, decoded_)) return false;
      id = decoded_;
    }
    if (id == "str") {
      Item& item = gen_->item;
      item.inFile = param_.valueText.find('&') == std::string_view::npos;
      if (item.inFile) item.value = param_.valueText;
      else if (!DecodeValue(param_.valueText, item.text)) return false;
    } else if (id == "fontstyle") {
      long long style = 1;
      if (param_.valueText.data() && !ValueNumber(param_.valueText, INT_MIN, INT_MAX, style)) return false;
      gen_->item.italic = style >= 3;
    }
    return true;
  }
  // The generator item is complete.
  [[gnu::noinline]] bool CloseItem() {
    Generator g = std::move(*gen_);
    gen_.reset();
    if (!g.isText) return true;
    long long start = -1, end = -1, timebase = 0;
    if (g.startText.data() && !ValueNumber(g.startText, LLONG_MIN, LLONG_MAX, start)) return false;
    if (g.endText.data() && !ValueNumber(g.endText, LLONG_MIN, LLONG_MAX, end)) return false;
    if (g.timebaseText.data() && !ValueNumber(g.timebaseText, INT_MIN, INT_MAX, timebase)) return false;
    if (timebase && timebase != countingRate_) ++found_.otherRate;
    if (start < 0 || end < start) {
      ++found_.unplaced;
      return true;
    }
    g.item.start = static_cast<long>(start);
    g.item.end = static_cast<long>(end);
    found_.items.push_back(std::move(g.item));
    return true;
  }

  std::string_view text_;
  int countingRate_;
  std::vector<std::string_view> open_;  // the names of the elements open, outermost first
  std::optional<Generator> gen_;
  std::array<Holder, 4> holders_{};
  Parameter param_;
  Slot capture_ = Slot::None;
  bool newParameter_ = false;  // the last start tag opened a parameter
  std::string_view captured_;
  std::string decoded_;
  FoundItems found_;
};

SubtitleDocument ItemsToDocument(FoundItems found, const FrameRate& rate, Warnings& warnings) {
  for (int i = 0; i < found.unplaced; ++i) warnings.push_back("A text item without a place on the timeline was skipped");
  if (found.otherRate) warnings.push_back("Some items are timed at another frame rate; their frames were read as they stand");
  std::vector<Item>& items = found.items;
  auto earlier = [](const Item& a, const Item& b) { return a.start < b.start; };
  if (!std::is_sorted(items.begin(), items.end(), earlier)) std::stable_sort(items.begin(), items.end(), earlier);
  CueCollector cues(warnings);
  cues.Reserve(items.size());
  const ScriptMarkupReader markup({});  // made once: it builds its table of marks
  const long last = static_cast<long>(LabelToFrames("99595900", rate)) + rate.countingRate() - 1;
  for (const Item& item : items) {
    if (item.end > last) {
      warnings.push_back("A text item beyond 100 hours was skipped");
      continue;
    }
    Subtitle s;
    s.inCue = FramesToDigits(static_cast<Timecode>(item.start), rate);
    s.outCue = FramesToDigits(static_cast<Timecode>(item.end), rate);
    s.text = markup(item.Text());
    if (item.italic && !s.text.empty()) {
      s.text.insert(s.text.begin(), kItalicOn);
      s.text += kItalicOff;
    }
    if (!cues.Add(std::move(s))) break;
  }
  return cues.Finish(rate, "The Final Cut Pro XML file holds no text items");
}

}  // namespace

SubtitleDocument ReadFinalCutPro(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  std::optional<FoundItems> scanned = ItemScan(text, rate.countingRate()).Run();
  return ItemsToDocument(scanned ? std::move(*scanned) : ItemsOfTree(text, rate), rate, warnings);
}

SubtitleDocument ReadFinalCutProTree(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  return ItemsToDocument(ItemsOfTree(text, rate), rate, warnings);
}

bool FinalCutProScanReads(std::string_view text, const FrameRate& rate) {
  return ItemScan(text, rate.countingRate()).Run().has_value();
}

}  // namespace kipo
