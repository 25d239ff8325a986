#include "formats/broadcast/byte_charset.h"

#include <algorithm>
#include <cstdio>

#include "platform/encoding.h"

namespace kipo {
namespace {

std::uint16_t PairKey(std::uint8_t a, std::uint8_t b) { return static_cast<std::uint16_t>(a << 8 | b); }

std::u32string Nfc(const std::u32string& s) { return Utf8ToUtf32(ComposeNfc(Utf32ToUtf8(s))); }

// Letters of the tables that accents go with (Latin, Greek, Cyrillic).
bool Letter(char32_t c) { return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || (c >= 0xC0 && c < 0x530); }

// Text whose code points all lie below the combining marks (U+0300) is already composed:
// nothing there decomposes without composing back.
bool BelowMarks(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    if (b < 0x80) continue;
    if (b >= 0xCC) return false;  // a lead byte of U+0300 and above
  }
  return true;
}

}  // namespace

ByteCharset::ByteCharset(const ByteCharsetTable& table) : keepMarks_(table.keepMarks) {
  if (table.asciiBase)
    for (int b = 0x20; b < 0x7F; ++b) single_[b] = std::u32string(1, static_cast<char32_t>(b));
  for (const ByteChar& e : table.chars) single_[e.byte] = std::u32string(1, e.ch);
  for (const ByteChar& e : table.readOnly) single_[e.byte] = std::u32string(1, e.ch);
  for (const BytePair& e : table.multi) single_[e.first] = e.text;
  for (const AccentByte& a : table.accents) accent_[a.byte] = a;
  for (const AccentByte& a : table.readOnlyAccents) accent_[a.byte] = a;
  for (const BytePair& p : table.pairs) {
    pairs_[PairKey(p.first, p.second)] = p.text;
    pairLead_[p.first] = true;
    if (p.text.size() == 1) pairOut_.emplace(p.text[0], std::string{char(p.first), char(p.second)});
  }

  // The writer's choice among bytes that read alike: explicit entries first, then the
  // ASCII range (a plain space is 0x20, not one of the alternative space bytes).
  for (const ByteChar& e : table.writeOnly) singleOut_.emplace(e.ch, e.byte);
  for (const ByteChar& e : table.chars) singleOut_.emplace(e.ch, e.byte);
  std::array<bool, 256> readOnly{};
  for (const ByteChar& e : table.readOnly) readOnly[e.byte] = true;
  for (int b = 0x20; b < 0x80; ++b)
    if (!readOnly[b] && single_[b].size() == 1 && !accent_[b].mark)
      singleOut_.emplace(single_[b][0], static_cast<std::uint8_t>(b));
  for (const AccentByte& a : table.accents) accentOut_.emplace(a.mark, a.byte);
  for (const auto& [mark, byte] : accentOut_) asciiMarks_ = asciiMarks_ || mark < 0x80;
  for (char32_t c = 0; c < 0x80; ++c) {
    asciiOk_[c] = EncodeChar(c, asciiOut_[c]);
    asciiSame_[c] = asciiOk_[c] && asciiOut_[c] == std::string(1, static_cast<char>(c));
  }
  for (int b = 0; b < 0x80; ++b)
    plain_[b] = !accent_[b].mark && !pairLead_[b] && single_[b].size() == 1 && single_[b][0] == static_cast<char32_t>(b);
  // Accented letters, the common case of accent bytes, composed here once instead of
  // through the normaliser for every letter read and written.
  if (!keepMarks_) {
    for (int a = 0; a < 256; ++a) {
      if (!accent_[a].mark) continue;
      for (int b = 0; b < 256; ++b) {
        if (single_[b].size() != 1 || accent_[b].mark || !Letter(single_[b][0])) continue;
        const std::u32string c = Nfc(single_[b] + accent_[a].mark);
        const char32_t composed = c.size() == 1 ? c[0] : 0;
        composed_.emplace(PairKey(static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b)), composed);
        std::string bytes;
        if (composed && !composedOut_.count(composed) && EncodeChar(composed, bytes)) composedOut_.emplace(composed, bytes);
      }
    }
  }
}

std::string ByteCharset::Decode(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>* unknown) const {
  // A row of bytes that read as the ASCII characters they are is its own UTF-8.
  if (std::all_of(bytes.begin(), bytes.end(), [this](std::uint8_t b) { return plain_[b]; }))
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::u32string out;
  out.reserve(bytes.size());
  bool needsNfc = false;
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    const std::uint8_t b = bytes[i];
    if (i + 1 < n && pairLead_[b]) {
      auto p = pairs_.find(PairKey(b, bytes[i + 1]));
      if (p != pairs_.end()) {
        out += p->second;
        i += 2;
        continue;
      }
    }
    if (accent_[b].mark) {
      std::size_t j = i;
      std::u32string marks;
      while (j < n && accent_[bytes[j]].mark) marks += accent_[bytes[j++]].mark;
      const bool hasBase = j < n && single_[bytes[j]].size() == 1;
      if (hasBase && j == i + 1 && !keepMarks_) {
        if (auto c = composed_.find(PairKey(b, bytes[j])); c != composed_.end()) {
          // One accent and its letter: composed when the table was made.
          if (c->second) {
            out += c->second;
          } else {
            out += accent_[b].spacing;
            out += single_[bytes[j]];
          }
          i = j + 1;
          continue;
        }
      }
      if (hasBase) {
        std::u32string s = single_[bytes[j]] + marks;
        if (keepMarks_) {
          out += s;
          needsNfc = true;
        } else {
          std::u32string c = Nfc(s);
          if (c.size() == 1) {
            out += c;
          } else {
            // No composed letter: the accents read as themselves, then the letter.
            for (std::size_t k = i; k < j; ++k) out += accent_[bytes[k]].spacing;
            out += single_[bytes[j]];
          }
        }
        i = j + 1;
      } else {
        for (std::size_t k = i; k < j; ++k) out += keepMarks_ ? accent_[bytes[k]].mark : accent_[bytes[k]].spacing;
        i = j;
      }
      continue;
    }
    if (!single_[b].empty()) {
      out += single_[b];
    } else if (unknown && std::find(unknown->begin(), unknown->end(), b) == unknown->end()) {
      unknown->push_back(b);
    }
    ++i;
  }
  return needsNfc ? ComposeNfc(Utf32ToUtf8(out)) : Utf32ToUtf8(out);
}

bool ByteCharset::EncodeChar(char32_t c, std::string& out) const {
  if (auto p = pairOut_.find(c); p != pairOut_.end()) {
    out += p->second;
    return true;
  }
  if (auto s = singleOut_.find(c); s != singleOut_.end()) {
    out += static_cast<char>(s->second);
    return true;
  }
  if (c < 0xC0) return false;  // nothing below U+00C0 decomposes canonically
  if (auto k = composedOut_.find(c); k != composedOut_.end()) {
    out += k->second;
    return true;
  }
  std::u32string d = Utf8ToUtf32(DecomposeNfd(Utf32ToUtf8(std::u32string(1, c))));
  if (d.size() < 2) return false;
  auto base = singleOut_.find(d[0]);
  if (base == singleOut_.end()) return false;
  std::string prefix;
  for (std::size_t k = 1; k < d.size(); ++k) {
    auto a = accentOut_.find(d[k]);
    if (a == accentOut_.end()) return false;
    prefix += static_cast<char>(a->second);
  }
  out += prefix;
  out += static_cast<char>(base->second);
  return true;
}

bool ByteCharset::CanEncode(char32_t c) const {
  std::string scratch;
  return EncodeChar(c, scratch);
}

void ByteCharset::Encode(std::string_view utf8, std::string& out, std::vector<char32_t>* unmappable) const {
  // ASCII text has nothing to compose and no marks to move: each character from the table
  // made once.
  if (!asciiMarks_ && std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    // Runs of characters written as the byte they are go out at once.
    std::size_t from = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
      const auto c = static_cast<unsigned char>(utf8[i]);
      if (asciiSame_[c]) continue;
      out.append(utf8.substr(from, i - from));
      if (asciiOk_[c]) out += asciiOut_[c];
      else if (unmappable) NoteUnmappable(*unmappable, c);
      from = i + 1;
    }
    out.append(utf8.substr(from));
    return;
  }
  const std::u32string text =
      Utf8ToUtf32(BelowMarks(utf8) && IsValidUtf8(utf8) ? std::string(utf8) : ComposeNfc(utf8));
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t c = text[i];
    if (keepMarks_) {
      // Marks follow their letter in the text but precede it in the file.
      std::size_t j = i + 1;
      std::string marks;
      while (j < text.size() && accentOut_.count(text[j])) marks += static_cast<char>(accentOut_.at(text[j++]));
      if (!marks.empty()) {
        std::string letter;
        if (EncodeChar(c, letter)) {
          out += marks;
          out += letter;
        } else if (unmappable) {
          NoteUnmappable(*unmappable, c);
        }
        i = j - 1;
        continue;
      }
    }
    if (!EncodeChar(c, out) && unmappable) NoteUnmappable(*unmappable, c);
  }
}

void NoteUnmappable(std::vector<char32_t>& list, char32_t c) {
  if (std::find(list.begin(), list.end(), c) == list.end()) list.push_back(c);
}

std::string DescribeChar(char32_t c) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
  std::string s = code;
  if (c >= 0x20 && c != 0x7F) {
    s += " \"";
    AppendUtf8(s, c);
    s += "\"";
  }
  return s;
}

}  // namespace kipo
