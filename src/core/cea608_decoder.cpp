#include "core/cea608_decoder.h"

#include <algorithm>

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

unsigned Decoder::Put(char32_t c, bool midRow) {
  if (!ours_ || text_) return OtherChannel;
  Screen& screen = Target();
  ScreenRow& r = screen.rows[static_cast<std::size_t>(row_ - 1)];
  r.cells[static_cast<std::size_t>(column_)] = Cell{c, italic_, underline_, midRow};
  r.used = true;
  r.tag = tag_;
  if (column_ < 31) ++column_;
  if (&screen != &displayed_) return None;
  return DisplayChanged | (c != U' ' && !midRow ? unsigned{TextShown} : 0u);
}

void Decoder::MoveWindow(int newBase) {
  // The rows of a roll-up window follow the base row to its new place.
  if (newBase == row_ || rollRows_ == 0) return;
  Screen moved;
  for (int k = 0; k < rollRows_; ++k) {
    const int from = row_ - k, to = newBase - k;
    if (from >= 1 && to >= 1) moved.rows[static_cast<std::size_t>(to - 1)] = displayed_.rows[static_cast<std::size_t>(from - 1)];
  }
  displayed_ = moved;
}

unsigned Decoder::Scroll() {
  // The window moves up one row; the row above it is gone, the base row starts empty.
  const int top = std::max(1, row_ - rollRows_ + 1);
  bool changed = false;
  for (int r = 1; r <= 15; ++r) {
    if (r >= top && r <= row_) continue;
    changed = changed || displayed_.rows[static_cast<std::size_t>(r - 1)].used;
    displayed_.rows[static_cast<std::size_t>(r - 1)] = ScreenRow{};
  }
  for (int r = top; r < row_; ++r) {
    ScreenRow& dst = displayed_.rows[static_cast<std::size_t>(r - 1)];
    const ScreenRow& src = displayed_.rows[static_cast<std::size_t>(r)];
    changed = changed || dst.used || src.used;
    dst = src;
  }
  ScreenRow& base = displayed_.rows[static_cast<std::size_t>(row_ - 1)];
  changed = changed || base.used;
  base = ScreenRow{};
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
      Screen& s = Target();
      ScreenRow& r = s.rows[static_cast<std::size_t>(row_ - 1)];
      r.cells[static_cast<std::size_t>(column_)] = Cell{};
      r.used = std::any_of(r.cells.begin(), r.cells.end(), [](const Cell& c) { return c.ch != 0; });
      return &s == &displayed_ ? DisplayChanged : None;
    }
    case 0x24: {  // delete to end of row
      Screen& s = Target();
      ScreenRow& r = s.rows[static_cast<std::size_t>(row_ - 1)];
      for (int c = column_; c < 32; ++c) r.cells[static_cast<std::size_t>(c)] = Cell{};
      r.used = std::any_of(r.cells.begin(), r.cells.end(), [](const Cell& c) { return c.ch != 0; });
      return &s == &displayed_ ? DisplayChanged : None;
    }
    case 0x25:
    case 0x26:
    case 0x27: {  // roll-up 2, 3, 4 rows
      unsigned e = None;
      if (style_ != Style::RollUp) {
        // Coming from pop-on or paint-on both memories are erased.
        if (!displayed_.Empty()) e = DisplayChanged;
        displayed_.Clear();
        loading_.Clear();
        row_ = 15;
      }
      style_ = Style::RollUp;
      rollRows_ = lo - 0x23;
      column_ = 0;
      return e;
    }
    case 0x29:  // resume direct captioning
      if (style_ == Style::RollUp) {
        const bool shown = !displayed_.Empty();
        displayed_.Clear();
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
      const bool shown = !displayed_.Empty();
      displayed_.Clear();
      return shown ? DisplayChanged : None;
    }
    case 0x2D:  // carriage return
      if (style_ == Style::RollUp) return Scroll();
      return None;
    case 0x2E:  // erase non-displayed memory
      loading_.Clear();
      return None;
    case 0x2F: {  // end of caption: flip the memories
      std::swap(displayed_, loading_);
      style_ = Style::PopOn;
      const bool changed = !(displayed_ == loading_);
      return (changed ? unsigned{DisplayChanged} : 0u) | (!displayed_.Empty() ? unsigned{TextShown} : 0u);
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
      const bool before = !displayed_.Empty();
      MoveWindow(p->row);
      if (before || !displayed_.Empty()) e = DisplayChanged;
    }
    row_ = p->row;
    column_ = p->indent;
    italic_ = p->italic;
    underline_ = p->underline;
    return e;
  }
  return None;  // background and other optional attributes
}

unsigned Decoder::Feed(Word w) {
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
  if (hi < 0x20) return None;  // padding
  unsigned e = Put(BasicChar(hi));
  if (lo >= 0x20) e |= Put(BasicChar(lo));
  return e;
}

}  // namespace kipo::cea608
