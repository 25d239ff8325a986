#include "formats/exchange/rtf_text.h"

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/encoding.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

// Code points of a UTF-8 string (invalid bytes as U+FFFD).
std::vector<char32_t> CodePoints(std::string_view s) {
  std::vector<char32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    char32_t v = n == 1 ? c : c & (0xFF >> (n + 1));
    for (int k = 1; k < n; ++k) v = (v << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out.push_back(v);
    i += n;
  }
  return out;
}

// Destinations whose text is not document text.
bool IsSkippedDestination(std::string_view word) {
  static const std::string_view kSkip[] = {"fonttbl", "colortbl", "stylesheet", "info",     "pict",   "object",
                                           "header",  "footer",   "headerl",    "headerr",  "footerl", "footerr",
                                           "fldinst", "themedata", "datastore", "latentstyles", "listtable",
                                           "listoverridetable", "rsidtbl", "generator", "xmlnstbl", "mmathPr"};
  for (std::string_view s : kSkip)
    if (word == s) return true;
  return false;
}

// The bytes that end a run of text (a control word or symbol, a group, a line end of the
// file, which is not text) and the letters of a control word.
struct ByteSet {
  bool has[256] = {};
  constexpr bool operator[](unsigned char c) const { return has[c]; }
};
constexpr ByteSet kRtfStop = [] {
  ByteSet t;
  for (unsigned char c : {'\\', '{', '}', '\r', '\n'}) t.has[c] = true;
  return t;
}();
// Text the writer copies as it stands: printable ASCII but the three RTF specials.
constexpr ByteSet kRtfPlain = [] {
  ByteSet t;
  for (int c = 0x20; c < 0x80; ++c) t.has[c] = c != '\\' && c != '{' && c != '}';
  return t;
}();
constexpr ByteSet kRtfLetter = [] {
  ByteSet t;
  for (int c = 'a'; c <= 'z'; ++c) t.has[c] = t.has[c - 'a' + 'A'] = true;
  return t;
}();

}  // namespace

RtfWriter::RtfWriter(std::string_view fontName, int halfPoints) {
  out_ = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 " + std::string(fontName) +
         ";}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs" + std::to_string(halfPoints) + " ";
}

void RtfWriter::Text(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    // Runs of ASCII that need no escaping go over at once.
    std::size_t run = i;
    while (run < utf8.size() && kRtfPlain[static_cast<unsigned char>(utf8[run])]) ++run;
    if (run > i) {
      out_.append(utf8.data() + i, run - i);
      i = run;
      if (i == utf8.size()) break;
    }
    // Then one character (a whole UTF-8 sequence).
    const std::size_t from = i;
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const int n = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    i += n == 0 || from + static_cast<std::size_t>(n) > utf8.size() ? 1 : static_cast<std::size_t>(n);
    const char32_t c = CodePoints(utf8.substr(from, i - from))[0];
    if (c == '\\' || c == '{' || c == '}') {
      out_ += '\\';
      out_ += static_cast<char>(c);
    } else if (c == '\t') {
      out_ += "\\tab ";
    } else if (c >= 0x20 && c < 0x80) {
      out_ += static_cast<char>(c);
    } else if (c < 0x20) {
      // Control characters have no place in a paragraph.
    } else if (c < 0x10000) {
      out_ += "\\u" + std::to_string(static_cast<int>(static_cast<std::int16_t>(c))) + "?";
    } else {
      // Outside the basic plane: a surrogate pair, each half as its own escape.
      char32_t v = c - 0x10000;
      out_ += "\\u" + std::to_string(static_cast<int>(static_cast<std::int16_t>(0xD800 + (v >> 10)))) + "?";
      out_ += "\\u" + std::to_string(static_cast<int>(static_cast<std::int16_t>(0xDC00 + (v & 0x3FF)))) + "?";
    }
  }
}

void RtfWriter::Italic(bool on) { out_ += on ? "\\i " : "\\i0 "; }
void RtfWriter::Bold(bool on) { out_ += on ? "\\b " : "\\b0 "; }
void RtfWriter::Tab() { out_ += "\\tab "; }
void RtfWriter::LineBreak() { out_ += "\\line\r\n"; }
void RtfWriter::EndParagraph() { out_ += "\\par\r\n"; }

std::string RtfWriter::Finish() {
  out_ += "}\r\n";
  return std::move(out_);
}

namespace {

// What a control word does to the text, told by its length and first letter before any
// comparison of the whole word (most words of a list are \par, \tab, \i and \b).
enum class Word : std::uint8_t {
  Break,        // \par \line \row \sect \page: the line ends
  Tab,          // \tab \cell
  Italic,       // \i
  Format,       // \b \fs \f \pard: formatting that carries no text
  Destination,  // a group whose text is not document text
  Plain,        // \plain: italics off
  Unicode,      // \u
  UnicodeSkip,  // \uc
  CodePage,     // \ansicpg
  Character,    // \emdash and the other named characters
  Other,
};
Word WordOf(std::string_view w) {
  switch (w.size()) {
    case 1:
      return w[0] == 'i' ? Word::Italic : w[0] == 'b' || w[0] == 'f' ? Word::Format : w[0] == 'u' ? Word::Unicode : Word::Other;
    case 2:
      return w == "fs" ? Word::Format : w == "uc" ? Word::UnicodeSkip : Word::Other;
    case 3:
      if (w[0] == 'p') return w == "par" ? Word::Break : Word::Other;
      if (w[0] == 't') return w == "tab" ? Word::Tab : Word::Other;
      if (w == "row") return Word::Break;
      break;
    case 4:
      if (w == "line" || w == "sect" || w == "page") return Word::Break;
      if (w == "cell") return Word::Tab;
      if (w == "pard") return Word::Format;
      break;
    case 5:
      if (w == "plain") return Word::Plain;
      break;
    case 6:
      if (w == "emdash" || w == "endash" || w == "lquote" || w == "rquote" || w == "bullet") return Word::Character;
      break;
    case 7:
      if (w == "ansicpg") return Word::CodePage;
      break;
    case 9:
      if (w == "ldblquote" || w == "rdblquote") return Word::Character;
      break;
    default: break;
  }
  return IsSkippedDestination(w) ? Word::Destination : Word::Other;
}
// The UTF-8 of a named character.
std::string_view CharacterOf(std::string_view w) {
  if (w == "emdash") return "\xE2\x80\x94";
  if (w == "endash") return "\xE2\x80\x93";
  if (w == "lquote") return "\xE2\x80\x98";
  if (w == "rquote") return "\xE2\x80\x99";
  if (w == "ldblquote") return "\xE2\x80\x9C";
  if (w == "rdblquote") return "\xE2\x80\x9D";
  return "\xE2\x80\xA2";  // bullet
}

// The text of an RTF document into `out`. Where a paragraph, row or line break ends a line
// `lineEnd(out)` is called (RtfToText adds the line end, the line reader hands the line
// on); false from it stops the reading. `decodedBreak` is set when decoded text (a \'hh
// byte or a \u escape) holds a line end of its own.
template <class LineEnd>
void ScanRtf(std::string_view rtf, std::string_view ansiCodePage, std::string& out, bool& decodedBreak,
             LineEnd lineEnd) {
  std::size_t start = 0;
  while (start < rtf.size() && (rtf[start] == ' ' || rtf[start] == '\r' || rtf[start] == '\n')) ++start;
  if (rtf.substr(start, 5) != "{\\rtf") throw InvalidFileFormat("This is not a Rich Text Format document");
  struct State {
    bool skip = false;
    bool italic = false;
    int uc = 1;
  };
  std::vector<State> stack{State{}};
  std::string codePage(ansiCodePage);
  bool italicShown = false;
  int toSkip = 0;         // fallback characters still to skip after a \u escape
  char32_t highHalf = 0;  // the first half of a surrogate pair
  std::string bytes;      // \'hh bytes still to decode together
  auto flushBytes = [&] {
    if (bytes.empty()) return;
    const std::size_t from = out.size();
    try {
      out += CodePageToUtf8(std::string_view(bytes), codePage);
    } catch (const std::exception&) {
      // A code page the converter does not know: the Western one is the likeliest.
      out += CodePageToUtf8(std::string_view(bytes), "windows-1252");
    }
    if (std::string_view(out).substr(from).find_first_of("\r\n") != std::string_view::npos) decodedBreak = true;
    bytes.clear();
  };
  auto syncItalic = [&] {
    const bool want = stack.back().italic && !stack.back().skip;
    if (want != italicShown) {
      flushBytes();
      out += want ? kRtfItalicOn : kRtfItalicOff;
      italicShown = want;
    }
  };
  auto emit = [&](std::string_view s) {
    const State& st = stack.back();
    if (st.skip) return;
    if (toSkip > 0) {
      --toSkip;
      return;
    }
    if (st.italic != italicShown || !bytes.empty()) {
      syncItalic();
      flushBytes();
    }
    out += s;
  };
  // A paragraph's end; false once the line's taker wants no more.
  auto paragraphEnd = [&] {
    if (stack.back().skip) return true;
    if (toSkip > 0) {
      --toSkip;
      return true;
    }
    syncItalic();
    flushBytes();
    return lineEnd(out);
  };
  for (std::size_t i = start; i < rtf.size();) {
    char c = rtf[i];
    if (c == '{') {
      if (stack.size() > 4000) throw InvalidFileFormat("The document nests its groups too deeply");
      stack.push_back(stack.back());
      ++i;
      if (rtf.substr(i, 2) == "\\*") stack.back().skip = true;
      continue;
    }
    if (c == '}') {
      if (stack.size() > 1) stack.pop_back();
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (c != '\\') {
      if (toSkip > 0 && !stack.back().skip) {
        --toSkip;
        ++i;
        continue;
      }
      // A run of ordinary characters at once; appended here when nothing is pending.
      std::size_t run = i + 1;
      while (run < rtf.size() && !kRtfStop[static_cast<unsigned char>(rtf[run])]) ++run;
      const State& st = stack.back();
      if (!st.skip && toSkip == 0 && st.italic == italicShown && bytes.empty()) out.append(rtf.data() + i, run - i);
      else emit(rtf.substr(i, run - i));
      i = run;
      continue;
    }
    // A control symbol or word.
    ++i;
    if (i >= rtf.size()) break;
    // The words of every line of a list, ended by a space (taken with the word) or by
    // what follows a word without one: told by their bytes at once.
    if (rtf.size() - i >= 4) {
      const char* w = rtf.data() + i;
      const char after = w[3];
      const bool ended = after == ' ' || after == '\r' || after == '\n' || after == '\\' || after == '{' || after == '}';
      if (ended && w[0] == 'p' && w[1] == 'a' && w[2] == 'r') {
        i += after == ' ' ? 4 : 3;
        if (!paragraphEnd()) return;
        continue;
      }
      if (ended && w[0] == 't' && w[1] == 'a' && w[2] == 'b') {
        i += after == ' ' ? 4 : 3;
        emit("\t");
        continue;
      }
      if ((w[0] == 'i' || w[0] == 'b') && ((w[1] == ' ') || (w[1] == '0' && w[2] == ' '))) {
        if (w[0] == 'i') stack.back().italic = w[1] == ' ';
        i += w[1] == ' ' ? 2 : 3;
        continue;
      }
    }
    char s = rtf[i];
    if (s == '\\' || s == '{' || s == '}') {
      emit(std::string_view(&rtf[i], 1));
      ++i;
      continue;
    }
    if (s == '\'') {
      unsigned v = 0;
      int n = 0;
      for (; n < 2 && i + 1 + n < rtf.size(); ++n) {
        char h = rtf[i + 1 + n];
        int d = h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10 : h >= 'A' && h <= 'F' ? h - 'A' + 10 : -1;
        if (d < 0) break;
        v = v * 16 + static_cast<unsigned>(d);
      }
      i += 1 + n;
      if (stack.back().skip) continue;
      if (toSkip > 0) {
        --toSkip;
        continue;
      }
      syncItalic();
      bytes += static_cast<char>(v);
      continue;
    }
    if (s == '~') {
      emit("\xC2\xA0");
      ++i;
      continue;
    }
    if (!((s >= 'a' && s <= 'z') || (s >= 'A' && s <= 'Z'))) {
      ++i;  // other control symbols (\-, \_, \:) carry no text
      continue;
    }
    std::size_t w = i;
    while (w < rtf.size() && kRtfLetter[static_cast<unsigned char>(rtf[w])]) ++w;
    std::string_view word = rtf.substr(i, w - i);
    bool hasParam = false, negative = false;
    long param = 0;
    if (w < rtf.size() && rtf[w] == '-') {
      negative = true;
      ++w;
    }
    while (w < rtf.size() && rtf[w] >= '0' && rtf[w] <= '9' && param < 100000000) {
      param = param * 10 + (rtf[w] - '0');
      hasParam = true;
      ++w;
    }
    if (negative) param = -param;
    if (w < rtf.size() && rtf[w] == ' ') ++w;
    i = w;
    // The words of every paragraph of a list first.
    const Word kind = word == "par" ? Word::Break : word == "tab" ? Word::Tab : word == "i" ? Word::Italic : WordOf(word);
    switch (kind) {
      case Word::Break:
        if (!paragraphEnd()) return;
        break;
      case Word::Tab: emit("\t"); break;
      case Word::Italic: stack.back().italic = !hasParam || param != 0; break;
      case Word::Format: break;  // formatting that carries no text
      case Word::Destination: stack.back().skip = true; break;
      case Word::Plain: stack.back().italic = false; break;
      case Word::Unicode: {
        if (!hasParam) break;
        char32_t v = static_cast<char32_t>(param < 0 ? param + 65536 : param);
        if (v >= 0xD800 && v < 0xDC00) {
          highHalf = v;
        } else {
          if (v >= 0xDC00 && v < 0xE000 && highHalf) v = 0x10000 + ((highHalf - 0xD800) << 10) + (v - 0xDC00);
          highHalf = 0;
          std::string u;
          AppendUtf8(u, v);
          if (!stack.back().skip) {
            syncItalic();
            flushBytes();
            out += u;
            if (v == '\r' || v == '\n') decodedBreak = true;
          }
        }
        toSkip = stack.back().skip ? 0 : stack.back().uc;
        break;
      }
      case Word::UnicodeSkip:
        if (hasParam) stack.back().uc = static_cast<int>(param < 0 ? 0 : param > 10 ? 10 : param);
        break;
      case Word::CodePage:
        if (hasParam) codePage = "windows-" + std::to_string(param);
        break;
      case Word::Character: emit(CharacterOf(word)); break;
      case Word::Other: break;
    }
  }
  flushBytes();
  if (italicShown) out += kRtfItalicOff;
}

}  // namespace

std::string RtfToText(std::string_view rtf, std::string_view ansiCodePage) {
  std::string out;
  out.reserve(rtf.size());  // the text is never longer than its markup
  bool decodedBreak = false;
  ScanRtf(rtf, ansiCodePage, out, decodedBreak, [](std::string& text) {
    text += "\r\n";
    return true;
  });
  return out;
}

bool ReadRtfLines(std::string_view rtf, std::string_view ansiCodePage,
                  const std::function<bool(std::string_view)>& line) {
  std::string text;
  text.reserve(256);
  bool decodedBreak = false, first = true, stopped = false;
  auto hand = [&](std::string& t) {
    std::string_view view(t);
    // The lines RtfToText's text splits into: a byte-order mark at its start is not text.
    if (first && view.starts_with("\xEF\xBB\xBF")) view.remove_prefix(3);
    first = false;
    if (!line(view)) stopped = true;
    t.clear();
    return !stopped;
  };
  ScanRtf(rtf, ansiCodePage, text, decodedBreak, [&](std::string& t) { return !decodedBreak && hand(t); });
  if (decodedBreak) return false;
  if (!stopped && !text.empty()) hand(text);
  return true;
}

}  // namespace kipo
