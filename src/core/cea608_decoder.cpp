#include "core/cea608_decoder.h"

#include <algorithm>
#include <bit>

namespace kipo::cea608 {

bool Screen::Empty() const {
  for (const ScreenRow& r : rows)
    if (r.used) return false;
  return true;
}

void Screen::Clear() {
  for (ScreenRow& r : rows) r = ScreenRow{};
}

std::u32string Screen::RowText(int row) const {
  std::u32string s;
  if (row < 1 || row > 15) return s;
  const ScreenRow& r = rows[static_cast<std::size_t>(row - 1)];
  if (!r.used) return s;
  int first = 0, last = 31;
  while (first < 32 && r.cells[static_cast<std::size_t>(first)].ch == 0) ++first;
  while (last >= first && r.cells[static_cast<std::size_t>(last)].ch == 0) --last;
  for (int c = first; c <= last; ++c) {
    const Cell& cell = r.cells[static_cast<std::size_t>(c)];
    s += cell.ch == 0 || cell.midRow ? U' ' : cell.ch;
  }
  return s;
}

namespace {

constexpr std::uint16_t Bit(int row) { return static_cast<std::uint16_t>(1u << row); }

const auto kBasicChars = [] {
  std::array<char32_t, 128> t{};
  for (int b = 0; b < 128; ++b) t[static_cast<std::size_t>(b)] = BasicChar(static_cast<std::uint8_t>(b));
  return t;
}();

// Calls f(row) for each row (1-15) whose bit is set.
template <class F>
void ForEachRow(std::uint16_t rows, F&& f) {
  for (unsigned bits = rows; bits; bits &= bits - 1) f(std::countr_zero(bits));
}

// Rows compared as the defaulted operator== does, the cheap fields first.
bool SameRow(const ScreenRow& a, const ScreenRow& b) { return a.used == b.used && a.tag == b.tag && a.cells == b.cells; }

bool AnyWritten(const ScreenRow& r) {
  return std::any_of(r.cells.begin(), r.cells.end(), [](const Cell& c) { return c.ch != 0; });
}

}  // namespace

bool Decoder::Empty(int screen) const {
  bool empty = true;
  ForEachRow(written_[screen], [&](int r) { empty = empty && !screens_[screen].rows[static_cast<std::size_t>(r - 1)].used; });
  return empty;
}

void Decoder::Clear(int screen) {
  ForEachRow(written_[screen], [&](int r) { screens_[screen].rows[static_cast<std::size_t>(r - 1)] = ScreenRow{}; });
  written_[screen] = 0;
}

unsigned Decoder::Put(char32_t c, bool midRow) {
  if (!ours_ || text_) return OtherChannel;
  const int screen = Target();
  ScreenRow& r = Row(screen, row_);
  r.cells[static_cast<std::size_t>(column_)] = Cell{c, italic_, underline_, midRow};
  r.used = true;
  r.tag = tag_;
  if (column_ < 31) ++column_;
  if (screen != shown_) return None;
  return DisplayChanged | (c != U' ' && !midRow ? unsigned{TextShown} : 0u);
}

void Decoder::MoveWindow(int newBase) {
  // The rows of a roll-up window follow the base row to its new place; the rest of the
  // screen is cleared.
  if (newBase == row_ || rollRows_ == 0) return;
  std::array<ScreenRow, 4> window{};
  std::array<bool, 4> held{};
  const int n = std::min(rollRows_, 4);
  for (int k = 0; k < n; ++k) {
    const int from = row_ - k, to = newBase - k;
    if (from >= 1 && to >= 1 && (written_[shown_] & Bit(from))) {
      window[static_cast<std::size_t>(k)] = screens_[shown_].rows[static_cast<std::size_t>(from - 1)];
      held[static_cast<std::size_t>(k)] = true;
    }
  }
  Clear(shown_);
  for (int k = 0; k < n; ++k)
    if (held[static_cast<std::size_t>(k)]) Row(shown_, newBase - k) = window[static_cast<std::size_t>(k)];
}

unsigned Decoder::Scroll() {
  // The window moves up one row; the row above it is gone, the base row starts empty.
  Screen& s = screens_[shown_];
  std::uint16_t& written = written_[shown_];
  auto row = [&](int r) -> ScreenRow& { return s.rows[static_cast<std::size_t>(r - 1)]; };
  auto erase = [&](int r) {
    if (!(written & Bit(r))) return false;
    const bool was = row(r).used;
    row(r) = ScreenRow{};
    written = static_cast<std::uint16_t>(written & ~Bit(r));
    return was;
  };
  const int top = std::max(1, row_ - rollRows_ + 1);
  bool changed = false;
  for (int r = 1; r <= 15; ++r)
    if (r < top || r > row_) changed = erase(r) || changed;
  for (int r = top; r < row_; ++r) {
    if (!(written & Bit(r + 1))) {
      changed = erase(r) || changed;
      continue;
    }
    changed = changed || row(r).used || row(r + 1).used;
    row(r) = row(r + 1);
    written |= Bit(r);
  }
  changed = erase(row_) || changed;
  column_ = 0;
  return changed ? DisplayChanged : None;
}

unsigned Decoder::Misc(std::uint8_t lo) {
  switch (lo) {
    case 0x20:  // resume caption loading
      style_ = Style::PopOn;
      return None;
    case 0x21: {  // backspace
      if (column_ == 0) return None;
      --column_;
      const int screen = Target();
      ScreenRow& r = Row(screen, row_);
      r.cells[static_cast<std::size_t>(column_)] = Cell{};
      r.used = AnyWritten(r);
      return screen == shown_ ? DisplayChanged : None;
    }
    case 0x24: {  // delete to end of row
      const int screen = Target();
      ScreenRow& r = Row(screen, row_);
      for (int c = column_; c < 32; ++c) r.cells[static_cast<std::size_t>(c)] = Cell{};
      r.used = AnyWritten(r);
      return screen == shown_ ? DisplayChanged : None;
    }
    case 0x25:
    case 0x26:
    case 0x27: {  // roll-up 2, 3, 4 rows
      unsigned e = None;
      if (style_ != Style::RollUp) {
        // Coming from pop-on or paint-on both memories are erased.
        if (!Empty(shown_)) e = DisplayChanged;
        Clear(0);
        Clear(1);
        row_ = 15;
      }
      style_ = Style::RollUp;
      rollRows_ = lo - 0x23;
      column_ = 0;
      return e;
    }
    case 0x29:  // resume direct captioning
      if (style_ == Style::RollUp) {
        const bool shown = !Empty(shown_);
        Clear(shown_);
        style_ = Style::PaintOn;
        return shown ? DisplayChanged : None;
      }
      style_ = Style::PaintOn;
      return None;
    case 0x2A:
    case 0x2B:  // text restart, resume text display: the text service, not captions
      text_ = true;
      return OtherChannel;
    case 0x2C: {  // erase displayed memory
      const bool shown = !Empty(shown_);
      Clear(shown_);
      return shown ? DisplayChanged : None;
    }
    case 0x2D:  // carriage return
      if (style_ == Style::RollUp) return Scroll();
      return None;
    case 0x2E:  // erase non-displayed memory
      Clear(shown_ ^ 1);
      return None;
    case 0x2F: {  // end of caption: flip the memories
      shown_ ^= 1;
      style_ = Style::PopOn;
      // Rows neither memory has written are empty in both.
      bool changed = false;
      ForEachRow(written_[0] | written_[1], [&](int r) {
        const std::size_t k = static_cast<std::size_t>(r - 1);
        changed = changed || !SameRow(screens_[0].rows[k], screens_[1].rows[k]);
      });
      return (changed ? unsigned{DisplayChanged} : 0u) | (!Empty(shown_) ? unsigned{TextShown} : 0u);
    }
    default:  // alarm codes, flash on: nothing on screen
      return None;
  }
}

unsigned Decoder::Control(std::uint8_t hi, std::uint8_t lo) {
  // The data channel of a control code: channel 2 sets bit 3 of the first byte; the
  // miscellaneous codes of field 2 start with 0x15 (0x1D on channel 2).
  const bool channel2 = hi & 0x08;
  const std::uint8_t h = (hi & 0x07) | 0x10;
  const bool field2 = h == 0x15 && lo >= 0x20 && lo <= 0x2F;
  ours_ = !channel2 && !field2;
  if (!ours_) {
    sawOther_ = true;
    return OtherChannel;
  }
  if (h == 0x14 && lo >= 0x20 && lo <= 0x2F) {
    if (lo != 0x2A && lo != 0x2B) text_ = false;
    return Misc(lo);
  }
  if (h == 0x17 && lo >= 0x21 && lo <= 0x23) {  // tab offset
    if (text_) return OtherChannel;
    column_ = std::min(31, column_ + (lo - 0x20));
    return None;
  }
  if (text_) return OtherChannel;
  if (h == 0x11 && lo >= 0x30 && lo <= 0x3F) return Put(SpecialChar(lo));
  if ((h == 0x12 || h == 0x13) && lo >= 0x20 && lo <= 0x3F) {
    // An extended character takes the place of the character sent before it.
    if (column_ > 0) --column_;
    return Put(ExtendedChar(h, lo));
  }
  if (auto m = DecodeMidRow(h, lo)) {
    italic_ = m->italic;
    underline_ = m->underline;
    return Put(U' ', true);
  }
  if (auto p = DecodePreamble(h, lo)) {
    unsigned e = None;
    if (style_ == Style::RollUp) {
      const bool before = !Empty(shown_);
      MoveWindow(p->row);
      if (before || !Empty(shown_)) e = DisplayChanged;
    }
    row_ = p->row;
    column_ = p->indent;
    italic_ = p->italic;
    underline_ = p->underline;
    return e;
  }
  return None;  // background and other optional attributes
}

namespace {

// A word of one or two basic characters with good parity.
bool IsTextWord(Word w) {
  const auto b1 = static_cast<std::uint8_t>(w >> 8), b2 = static_cast<std::uint8_t>(w);
  return HasOddParity(b1) && HasOddParity(b2) && (b1 & 0x7F) >= 0x20;
}

void Note(Decoder::Run& run, unsigned e, std::size_t at) {
  if (e == Decoder::None) return;
  run.effects |= e;
  if ((e & Decoder::DisplayChanged) && run.firstChange < 0) run.firstChange = static_cast<std::ptrdiff_t>(at);
  if ((e & Decoder::TextShown) && run.firstShown < 0) run.firstShown = static_cast<std::ptrdiff_t>(at);
}

}  // namespace

std::size_t Decoder::FeedText(std::span<const Word> words, std::size_t j, Run& run) {
  // Most of a caption's words are characters for the same row: the row, its column and
  // the style are looked up once for a run of them, each word written as Put writes it.
  previous_ = 0;
  if (!ours_ || text_) {
    Note(run, OtherChannel, j);
    return j + 1;
  }
  const int screen = Target();
  ScreenRow& r = Row(screen, row_);
  const bool onScreen = screen == shown_;
  const bool italic = italic_, underline = underline_;
  int column = column_;
  std::size_t k = j;
  for (; k < words.size() && IsTextWord(words[k]); ++k) {
    const std::uint8_t hi = words[k] >> 8 & 0x7F, lo = words[k] & 0x7F;
    const char32_t c1 = kBasicChars[hi];
    r.cells[static_cast<std::size_t>(column)] = Cell{c1, italic, underline, false};
    column += column < 31;
    bool text = c1 != U' ';
    if (lo >= 0x20) {
      const char32_t c2 = kBasicChars[lo];
      r.cells[static_cast<std::size_t>(column)] = Cell{c2, italic, underline, false};
      column += column < 31;
      text = text || c2 != U' ';
    }
    if (onScreen) Note(run, DisplayChanged | (text ? unsigned{TextShown} : 0u), k);
  }
  column_ = column;
  r.used = true;
  r.tag = tag_;
  return k;
}

inline unsigned Decoder::FeedOne(Word w) {
  const std::uint8_t b1 = static_cast<std::uint8_t>(w >> 8), b2 = static_cast<std::uint8_t>(w);
  if (!HasOddParity(b1) || !HasOddParity(b2)) {
    previous_ = 0;
    return Ignored;
  }
  const std::uint8_t hi = b1 & 0x7F, lo = b2 & 0x7F;
  if (hi >= 0x10 && hi <= 0x1F) {
    if (w == previous_) {  // the second of a doubled control code
      previous_ = 0;
      return Ignored;
    }
    previous_ = w;
    return Control(hi, lo);
  }
  previous_ = 0;
  return None;  // padding
}

unsigned Decoder::Feed(Word w) {
  if (!IsTextWord(w)) return FeedOne(w);
  Run run;
  FeedText(std::span(&w, 1), 0, run);
  return run.effects;
}

Decoder::Run Decoder::FeedAll(std::span<const Word> words) {
  Run run;
  for (std::size_t j = 0; j < words.size();) {
    if (IsTextWord(words[j])) {
      j = FeedText(words, j, run);
      continue;
    }
    Note(run, FeedOne(words[j]), j);
    ++j;
  }
  return run;
}

}  // namespace kipo::cea608
