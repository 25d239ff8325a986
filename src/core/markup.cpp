#include "core/markup.h"

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
  for (std::size_t i = 0; i < text.size();) {
    if (StartsWith(text.substr(i), kGroupStart)) {
      i += kGroupStart.size();
      continue;
    }
    if (StartsWith(text.substr(i), kGroupEnd)) {
      i += kGroupEnd.size();
      continue;
    }
    if (bold.enabled) {
      if (!bold.start.empty() && StartsWith(text.substr(i), bold.start)) {
        i += bold.start.size();
        continue;
      }
      if (!bold.end.empty() && StartsWith(text.substr(i), bold.end)) {
        i += bold.end.size();
        continue;
      }
    }
    char c = text[i];
    if (c == kItalicOn || c == kItalicOff || c == kUnderlineOn || c == kUnderlineOff || IsColourCode(c)) {
      ++i;
      continue;
    }
    s += c;
    ++i;
  }
  return s;
}

std::string StripItalics(std::string_view text) {
  std::string s;
  for (char c : text)
    if (c != kItalicOn && c != kItalicOff) s += c;
  return s;
}

std::size_t VisibleLength(std::string_view row, const BoldMarkers& bold) {
  return CountCodePoints(StripMarkup(row, bold));
}

std::size_t CountChar(std::string_view text, char c) {
  std::size_t n = 0;
  for (char x : text) n += x == c;
  return n;
}

bool HasItalicMarkers(std::string_view text) {
  return text.find(kItalicOn) != std::string_view::npos || text.find(kItalicOff) != std::string_view::npos;
}

bool IsWhollyItalic(std::string_view text) {
  bool on = false, sawVisible = false;
  for (char c : text) {
    if (c == kItalicOn) on = true;
    else if (c == kItalicOff) on = false;
    else if (c == '\r' || c == '\n' || IsColourCode(c)) continue;
    else {
      if (!on) return false;
      sawVisible = true;
    }
  }
  return sawVisible;
}

}  // namespace kipo
