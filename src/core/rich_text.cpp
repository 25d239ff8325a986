#include "core/rich_text.h"

#include <algorithm>
#include <array>

#include "platform/text_util.h"

namespace kipo {

std::string LiteralStandIn(char c) {
  // U+E000 + c in UTF-8: EE 80|81 80+low six bits.
  const auto code = static_cast<unsigned char>(c);
  std::string s(3, '\0');
  s[0] = static_cast<char>(0xEE);
  s[1] = static_cast<char>(code >= 0x40 ? 0x81 : 0x80);
  s[2] = static_cast<char>(0x80 | (code & 0x3F));
  return s;
}

void AppendEscaped(std::string& out, std::string_view plain) {
  static const auto kMarkup = [] {
    std::array<bool, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = IsMarkupChar(static_cast<char>(c));
    return t;
  }();
  std::size_t from = 0;
  for (std::size_t i = 0; i < plain.size(); ++i) {
    if (!kMarkup[static_cast<unsigned char>(plain[i])]) continue;
    out.append(plain.substr(from, i - from));
    AppendStandIn(out, plain[i]);
    from = i + 1;
  }
  out.append(plain.substr(from));
}

std::string EscapeLiterals(std::string_view plain) {
  std::string out;
  out.reserve(plain.size());
  AppendEscaped(out, plain);
  return out;
}

void AppendUnescaped(std::string& out, std::string_view text) {
  std::size_t from = 0;
  for (std::size_t i = text.find('\xEE'); i != std::string_view::npos; i = text.find('\xEE', i)) {
    if (char c = StandInAt(text.substr(i))) {
      out.append(text.substr(from, i - from));
      out += c;
      i += 3;
      from = i;
    } else {
      ++i;
    }
  }
  out.append(text.substr(from));
}

std::string UnescapeLiterals(std::string_view text) {
  // Most pieces hold no stand-in: copied as they are.
  if (text.find('\xEE') == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  AppendUnescaped(out, text);
  return out;
}

std::size_t VisibleChars(std::string_view text, MarkerView bold) {
  std::size_t n = 0;
  ScanMarkup(text, bold, [&](Mark m, std::string_view piece) {
    if (m == Mark::None) n += CountVisible(piece);
    else if (m == Mark::RowBreak) n += 2;
  });
  return n;
}

RichText RichText::Parse(std::string_view text, const BoldMarkers& bold) {
  RichText r;
  // Room for every row and a few runs in each, so that the tables are not copied as they
  // grow run by run.
  r.rows.reserve(1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));
  r.rows.emplace_back().reserve(4);
  TextStyle style;
  ScanMarkup(text, bold, [&](Mark m, std::string_view piece) {
    switch (m) {
      case Mark::None: r.rows.back().push_back({Mark::None, UnescapeLiterals(piece), style}); return;
      case Mark::RowBreak: r.rows.emplace_back().reserve(4); return;
      case Mark::ItalicOn: style.italic = true; break;
      case Mark::ItalicOff: style.italic = false; break;
      case Mark::UnderlineOn: style.underline = true; break;
      case Mark::UnderlineOff: style.underline = false; break;
      case Mark::Colour: style.colour = static_cast<Colour>(piece[0]); break;
      case Mark::BoldOn: style.bold = true; break;
      case Mark::BoldOff: style.bold = false; break;
      case Mark::GroupStart: style.group = true; break;
      case Mark::GroupEnd: style.group = false; break;
    }
    r.rows.back().push_back({m, {}, style});
  });
  return r;
}

std::string RichText::ToMarkup(const BoldMarkers& bold) const {
  std::string out;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (k) out += kCrLf;
    for (const Run& run : rows[k]) {
      switch (run.mark) {
        case Mark::None: AppendEscaped(out, run.text); break;
        case Mark::RowBreak: out += kCrLf; break;
        case Mark::ItalicOn: out += kItalicOn; break;
        case Mark::ItalicOff: out += kItalicOff; break;
        case Mark::UnderlineOn: out += kUnderlineOn; break;
        case Mark::UnderlineOff: out += kUnderlineOff; break;
        case Mark::Colour: out += static_cast<char>(run.style.colour); break;
        case Mark::BoldOn: out += bold.start; break;
        case Mark::BoldOff: out += bold.end; break;
        case Mark::GroupStart: out += kGroupStart; break;
        case Mark::GroupEnd: out += kGroupEnd; break;
      }
    }
  }
  return out;
}

std::string RichText::PlainText() const {
  std::string out;
  for (std::size_t k = 0; k < rows.size(); ++k) {
    if (k) out += kCrLf;
    for (const Run& run : rows[k]) out += run.text;
  }
  return out;
}

}  // namespace kipo
