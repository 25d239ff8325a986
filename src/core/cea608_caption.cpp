#include "core/cea608_caption.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <array>

#include "core/markup.h"
#include "core/rich_text.h"
#include "platform/text_util.h"

namespace kipo::cea608 {
namespace {

// Each ASCII character's byte with parity when line 21 sends it as a basic character,
// else 0 (the byte itself is never 0).
const auto kAsciiBasic = [] {
  std::array<std::uint8_t, 128> t{};
  for (char32_t c = 0; c < 128; ++c)
    if (const CharCode code = Encode(c); code.kind == CharCode::Basic) t[c] = WithParity(code.first);
  return t;
}();

// The character words of one row of markup appended to `out` (italic markers as mid-row
// codes), packed two bytes to a word; `length` gets the columns they take. `italic`
// wraps the row in italic markers, as a wholly italic subtitle is sent.
void AppendRowWords(std::string_view rowMarkup, bool italic, std::vector<Word>& out, int& length, bool& illegal,
                    bool& lostMarkup) {
  const std::size_t start = out.size();
  length = 0;
  int pending = -1;  // a basic byte (with parity) waiting for the second half of its word
  auto flush = [&] {
    if (pending >= 0) out.push_back(static_cast<Word>(pending << 8 | 0x80));
    pending = -1;
  };
  auto withParity = [&](std::uint8_t p) {
    if (pending < 0) {
      pending = p;
    } else {
      out.push_back(static_cast<Word>(pending << 8 | p));
      pending = -1;
    }
  };
  auto basic = [&](std::uint8_t b) { withParity(WithParity(b)); };
  // A two-byte code starts a word of its own. The same code twice in a row would read as
  // one doubled code, so a null word goes between them.
  auto pair = [&](Word w) {
    flush();
    if (out.size() > start && out.back() == w) out.push_back(kNull);
    out.push_back(w);
  };
  auto character = [&](char32_t c) {
    const CharCode code = Encode(c);
    switch (code.kind) {
      case CharCode::None: illegal = true; return;
      case CharCode::Basic: basic(code.first); break;
      case CharCode::Special: pair(MakeWord(code.first, code.second)); break;
      case CharCode::Extended:
        basic(static_cast<std::uint8_t>(code.fallback));
        pair(MakeWord(code.first, code.second));
        break;
    }
    ++length;
  };
  if (italic) pair(kMidRowItalics), ++length;
  ScanMarkup(rowMarkup, {}, [&](Mark m, std::string_view piece) {
    switch (m) {
      case Mark::ItalicOn: pair(kMidRowItalics), ++length; return;
      case Mark::ItalicOff: pair(kMidRowWhite), ++length; return;
      case Mark::None: break;
      case Mark::RowBreak: return;
      default: lostMarkup = true; return;
    }
    // The piece's characters; a stand-in is the markup character it holds.
    const auto* p = reinterpret_cast<const std::uint8_t*>(piece.data());
    const std::int32_t n = static_cast<std::int32_t>(piece.size());
    for (std::int32_t i = 0; i < n;) {
      if (p[i] < 0x80) {
        if (const std::uint8_t b = kAsciiBasic[p[i]]) {
          withParity(b);
          ++length;
        } else {
          character(p[i]);
        }
        ++i;
        continue;
      }
      UChar32 u;
      U8_NEXT(p, i, n, u);
      char32_t c = u < 0 ? U'\uFFFD' : static_cast<char32_t>(u);
      if (c >= 0xE000 && c < 0xE080 && IsMarkupChar(static_cast<char>(c - 0xE000))) c -= 0xE000;
      character(c);
    }
  });
  if (italic) pair(kMidRowWhite), ++length;
  flush();
}

}  // namespace

std::vector<Word> CharacterWords(std::string_view rowMarkup, int& length, bool& illegal, bool& lostMarkup) {
  std::vector<Word> out;
  AppendRowWords(rowMarkup, false, out, length, illegal, lostMarkup);
  return out;
}

int CaptionEncoder::Characters(const Subtitle& s, bool& lostMarkup) {
  rows_.clear();
  chars_.clear();
  int longest = 0;
  std::string_view text = s.text;
  for (;;) {
    const std::size_t p = text.find(kCrLf);
    Row r;
    r.first = chars_.size();
    AppendRowWords(text.substr(0, p), s.italic, chars_, r.length, r.illegal, lostMarkup);
    r.count = chars_.size() - r.first;
    longest = std::max(longest, r.length);
    rows_.push_back(r);
    if (p == std::string_view::npos) break;
    text.remove_prefix(p + kCrLf.size());
  }
  return longest;
}

void CaptionEncoder::Place(const Subtitle& s, std::size_t k, int longest, RowCode& r, bool& rowsDoNotFit) const {
  const int n = static_cast<int>(rows_.size());
  const int j = static_cast<int>(k) + 1;
  r.length = rows_[k].length;
  const char digit = k < s.rowAlignments.size() ? s.rowAlignments[k] : '0';
  int align = digit == '1' ? AlignLeft : digit == '2' ? AlignCentre : digit == '3' ? AlignRight : s.alignment;
  switch (align) {
    case AlignLeft: r.column = 0; break;
    case AlignRight: r.column = 32 - r.length; break;
    case AlignCentreLeft: r.column = (33 - longest) / 2; break;
    default: r.column = (33 - r.length) / 2; break;
  }
  r.column = std::clamp(r.column, 0, 31);
  const int wanted = how_.rollUp ? 11 - s.row : j + 11 - s.row - n;
  if (wanted < 1 || wanted > 11) rowsDoNotFit = true;
  r.captionRow = std::clamp(wanted, 1, 11);
  r.line21Row = Line21Row(r.captionRow);
}

namespace {

// The words before a row's characters: [carriage return] preamble [tab offset], each twice
// when control codes are doubled.
void AppendLead(const RowCode& r, const CaptionEncoding& how, std::vector<Word>& out) {
  auto twice = [&](Word x) {
    out.push_back(x);
    if (how.doubleCodes) out.push_back(x);
  };
  const int tab = r.column % 4;
  if (how.rollUp) twice(kCarriageReturn);
  twice(PreambleWord(r.line21Row, r.column - tab));
  if (tab) twice(TabOffset(tab));
}

}  // namespace

CaptionEncoder::Summary CaptionEncoder::Append(const Subtitle& s, std::vector<Word>& out) {
  Summary sum;
  const std::size_t before = out.size();
  const int longest = Characters(s, sum.lostMarkup);
  for (std::size_t k = 0; k < rows_.size(); ++k) {
    RowCode r;
    Place(s, k, longest, r, sum.rowsDoNotFit);
    AppendLead(r, how_, out);
    out.insert(out.end(), chars_.begin() + static_cast<std::ptrdiff_t>(rows_[k].first),
               chars_.begin() + static_cast<std::ptrdiff_t>(rows_[k].first + rows_[k].count));
    sum.illegal = sum.illegal || rows_[k].illegal;
  }
  sum.words = out.size() - before;
  return sum;
}

CaptionCode EncodeCaption(const Subtitle& s, const CaptionEncoding& how) {
  CaptionCode code;
  CaptionEncoder enc(how);
  const int longest = enc.Characters(s, code.lostMarkup);
  for (std::size_t k = 0; k < enc.rows_.size(); ++k) {
    RowCode r;
    enc.Place(s, k, longest, r, code.rowsDoNotFit);
    AppendLead(r, how, r.words);
    const CaptionEncoder::Row& row = enc.rows_[k];
    r.words.insert(r.words.end(), enc.chars_.begin() + static_cast<std::ptrdiff_t>(row.first),
                   enc.chars_.begin() + static_cast<std::ptrdiff_t>(row.first + row.count));
    if (row.illegal) code.illegalRows.push_back(static_cast<int>(k) + 1);
    code.words += r.words.size();
    code.rows.push_back(std::move(r));
  }
  return code;
}

}  // namespace kipo::cea608
