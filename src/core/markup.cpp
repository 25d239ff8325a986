#include "core/markup.h"

#include "core/rich_text.h"

#include "platform/encoding.h"
#include "platform/text_util.h"
#include "settings/keys.h"
#include "settings/settings_store.h"

namespace kipo {

BoldMarkers BoldMarkers::Load(const SettingsStore& store) {
  BoldMarkers b;
  b.enabled = store.Get(keys::kEnableBoldText);
  b.start = store.Get(keys::kStartBoldText);
  b.end = store.Get(keys::kEndBoldText);
  return b;
}

std::size_t CountRows(std::string_view text) {
  std::size_t n = 1;
  for (std::size_t p = text.find(kCrLf); p != std::string_view::npos; p = text.find(kCrLf, p + 2)) ++n;
  return n;
}

std::string StripMarkup(std::string_view text, const BoldMarkers& bold) {
  std::string s;
  s.reserve(text.size());
  ScanMarkup(text, bold, [&](Mark m, std::string_view piece) {
    if (m == Mark::None) s += piece;
    else if (m == Mark::RowBreak) s += kCrLf;
  });
  return s;
}

std::string ColoursAsSpaces(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  bool cell = false;  // a colour code stood after a character that is not a space
  for (char c : text) {
    if (IsColourCode(c)) {
      cell = cell || (!s.empty() && s.back() != ' ' && s.back() != '\n');
      continue;
    }
    if (cell && c != ' ' && c != '\r') s += ' ';
    cell = false;
    s += c;
  }
  return s;
}

std::string StripItalics(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  ScanMarkup(text, {}, [&](Mark m, std::string_view piece) {
    if (m != Mark::ItalicOn && m != Mark::ItalicOff) s += piece;
  });
  return s;
}

std::size_t VisibleLength(std::string_view row, const BoldMarkers& bold) { return VisibleChars(row, bold); }

std::size_t CountChar(std::string_view text, char c) {
  std::size_t n = 0;
  for (char x : text) n += x == c;
  return n;
}

// Markup bytes are ASCII and stand-ins never hold an ASCII byte, so a byte search finds
// exactly the markers.
bool HasItalicMarkers(std::string_view text) {
  return text.find(kItalicOn) != std::string_view::npos || text.find(kItalicOff) != std::string_view::npos;
}

bool IsWhollyItalic(std::string_view text) {
  bool on = false, sawVisible = false, plain = false;
  ScanMarkup(text, {}, [&](Mark m, std::string_view piece) {
    if (m == Mark::ItalicOn) on = true;
    else if (m == Mark::ItalicOff) on = false;
    else if (m == Mark::None && piece.find_first_not_of("\r\n") == std::string_view::npos) return true;
    else if (m == Mark::None || m == Mark::UnderlineOn || m == Mark::UnderlineOff || m == Mark::GroupStart ||
             m == Mark::GroupEnd) {
      // Characters, and the underline and group marks, are shown by this rule.
      if (!on) plain = true;
      sawVisible = true;
    }
    return !plain;
  });
  return sawVisible && !plain;
}

}  // namespace kipo
