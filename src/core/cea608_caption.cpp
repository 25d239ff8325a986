#include "core/cea608_caption.h"

#include <algorithm>

#include "core/markup.h"
#include "core/rich_text.h"
#include "platform/encoding.h"
#include "platform/text_util.h"

namespace kipo::cea608 {

std::vector<Word> CharacterWords(std::string_view rowMarkup, int& length, bool& illegal, bool& lostMarkup) {
  std::vector<Word> out;
  length = 0;
  int pending = -1;  // a basic byte (with parity) waiting for the second half of its word
  auto flush = [&] {
    if (pending >= 0) out.push_back(static_cast<Word>(pending << 8 | 0x80));
    pending = -1;
  };
  auto basic = [&](std::uint8_t b) {
    const std::uint8_t p = WithParity(b);
    if (pending < 0) {
      pending = p;
    } else {
      out.push_back(static_cast<Word>(pending << 8 | p));
      pending = -1;
    }
  };
  // A two-byte code starts a word of its own. The same code twice in a row would read as
  // one doubled code, so a null word goes between them.
  auto pair = [&](Word w) {
    flush();
    if (!out.empty() && out.back() == w) out.push_back(kNull);
    out.push_back(w);
  };
  ScanMarkup(rowMarkup, {}, [&](Mark m, std::string_view piece) {
    switch (m) {
      case Mark::ItalicOn: pair(kMidRowItalics), ++length; return;
      case Mark::ItalicOff: pair(kMidRowWhite), ++length; return;
      case Mark::None: break;
      case Mark::RowBreak: return;
      default: lostMarkup = true; return;
    }
    for (char32_t c : Utf8ToUtf32(UnescapeLiterals(piece))) {
      const CharCode code = Encode(c);
      switch (code.kind) {
        case CharCode::None: illegal = true; continue;
        case CharCode::Basic: basic(code.first); break;
        case CharCode::Special: pair(MakeWord(code.first, code.second)); break;
        case CharCode::Extended:
          basic(static_cast<std::uint8_t>(code.fallback));
          pair(MakeWord(code.first, code.second));
          break;
      }
      ++length;
    }
  });
  flush();
  return out;
}

CaptionCode EncodeCaption(const Subtitle& s, const CaptionEncoding& how) {
  CaptionCode code;
  std::vector<std::string_view> rows;
  std::string_view text = s.text;
  for (;;) {
    const std::size_t p = text.find(kCrLf);
    rows.push_back(text.substr(0, p));
    if (p == std::string_view::npos) break;
    text.remove_prefix(p + kCrLf.size());
  }
  const int n = static_cast<int>(rows.size());
  std::vector<std::vector<Word>> chars(rows.size());
  std::vector<int> lengths(rows.size());
  int longest = 0;
  for (std::size_t j = 0; j < rows.size(); ++j) {
    std::string markup = s.italic ? std::string(1, kItalicOn) + std::string(rows[j]) + kItalicOff : std::string(rows[j]);
    bool illegal = false;
    chars[j] = CharacterWords(markup, lengths[j], illegal, code.lostMarkup);
    if (illegal) code.illegalRows.push_back(static_cast<int>(j) + 1);
    longest = std::max(longest, lengths[j]);
  }
  auto twice = [&](std::vector<Word>& w, Word x) {
    w.push_back(x);
    if (how.doubleCodes) w.push_back(x);
  };
  for (int j = 1; j <= n; ++j) {
    RowCode r;
    const std::size_t k = static_cast<std::size_t>(j - 1);
    r.length = lengths[k];
    const char digit = k < s.rowAlignments.size() ? s.rowAlignments[k] : '0';
    int align = digit == '1' ? AlignLeft : digit == '2' ? AlignCentre : digit == '3' ? AlignRight : s.alignment;
    switch (align) {
      case AlignLeft: r.column = 0; break;
      case AlignRight: r.column = 32 - r.length; break;
      case AlignCentreLeft: r.column = (33 - longest) / 2; break;
      default: r.column = (33 - r.length) / 2; break;
    }
    r.column = std::clamp(r.column, 0, 31);
    const int wanted = how.rollUp ? 11 - s.row : j + 11 - s.row - n;
    if (wanted < 1 || wanted > 11) code.rowsDoNotFit = true;
    r.captionRow = std::clamp(wanted, 1, 11);
    r.line21Row = Line21Row(r.captionRow);
    const int tab = r.column % 4;
    if (how.rollUp) twice(r.words, kCarriageReturn);
    twice(r.words, PreambleWord(r.line21Row, r.column - tab));
    if (tab) twice(r.words, TabOffset(tab));
    r.words.insert(r.words.end(), chars[k].begin(), chars[k].end());
    code.words += r.words.size();
    code.rows.push_back(std::move(r));
  }
  return code;
}

}  // namespace kipo::cea608
