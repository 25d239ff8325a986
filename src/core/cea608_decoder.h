#pragma once
// A model of a line-21 caption decoder (data channel 1, field 1), fed one code word per
// frame as an encoder sends them. It keeps the displayed and the non-displayed memory of
// 15 rows by 32 columns, follows the three caption styles (pop-on: load off screen, then
// flip; roll-up: a window of 2-4 rows that scrolls on carriage return; paint-on: straight
// onto the screen), and counts a control code sent twice in consecutive frames once.
//
// The SCC reader turns what the model shows into subtitles, the tests play the SCC
// writer's output through it, and the closed-caption checks ask it when a caption can be
// shown.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "core/cea608.h"

namespace kipo::cea608 {

struct Cell {
  char32_t ch = 0;       // 0: nothing written here
  bool italic = false;
  bool underline = false;
  bool midRow = false;   // the cell holds a mid-row code (shown as a space)
  bool operator==(const Cell&) const = default;
};

struct ScreenRow {
  std::array<Cell, 32> cells{};
  // The feed tag (SetTag) current when a character was last written into the row; it
  // moves with the row when a roll-up window scrolls.
  int tag = 0;
  bool used = false;
  bool operator==(const ScreenRow&) const = default;
};

struct Screen {
  std::array<ScreenRow, 15> rows{};  // rows[0] is row 1
  bool Empty() const;
  void Clear();
  // The characters of a row (1-15) from its first to its last written cell; cells never
  // written and mid-row codes read as spaces.
  std::u32string RowText(int row) const;
  bool operator==(const Screen&) const = default;
};

enum class Style : std::uint8_t { PopOn, RollUp, PaintOn };

class Decoder {
 public:
  // What one word did.
  enum Effect : unsigned { None = 0, DisplayChanged = 1, TextShown = 2, OtherChannel = 4, Ignored = 8 };

  // The word of one frame, parity included. Words with a parity error are dropped, as a
  // decoder drops them.
  unsigned Feed(Word w);
  // Words of consecutive frames, each fed as Feed does: the effects of all of them, and the
  // index of the first word that changed the display and of the first that showed text
  // (-1 when none did).
  struct Run {
    unsigned effects = None;
    std::ptrdiff_t firstChange = -1, firstShown = -1;
  };
  Run FeedAll(std::span<const Word> words);

  const Screen& displayed() const { return screens_[shown_]; }
  const Screen& nonDisplayed() const { return screens_[shown_ ^ 1]; }
  Style style() const { return style_; }
  int rollUpRows() const { return rollRows_; }
  // The row and column the next character goes to.
  int cursorRow() const { return row_; }
  int cursorColumn() const { return column_; }
  // Data of channel 2 or field 2 has been seen (and skipped).
  bool sawOtherChannel() const { return sawOther_; }
  // Rows written from now on carry this tag.
  void SetTag(int tag) { tag_ = tag; }

 private:
  // The two memories are screens_[shown_] (displayed) and the other one; end of caption
  // flips shown_ instead of exchanging 4 KB of cells.
  int Target() const { return style_ == Style::PopOn ? shown_ ^ 1 : shown_; }
  ScreenRow& Row(int screen, int row) {
    written_[screen] |= static_cast<std::uint16_t>(1u << row);
    return screens_[screen].rows[static_cast<std::size_t>(row - 1)];
  }
  bool Empty(int screen) const;
  void Clear(int screen);
  // Words that are not characters.
  unsigned FeedOne(Word w);
  // The run of character words from words[j] on (at least that one); the index after it.
  std::size_t FeedText(std::span<const Word> words, std::size_t j, Run& run);
  unsigned Put(char32_t c, bool midRow = false);
  unsigned Control(std::uint8_t hi, std::uint8_t lo);
  unsigned Misc(std::uint8_t lo);
  unsigned Scroll();
  void MoveWindow(int newBase);

  std::array<Screen, 2> screens_{};
  int shown_ = 0;
  // Per screen, a bit for each row (bit r for row r) that may hold anything; every other
  // row is as cleared, so clearing, comparing and emptiness look at these rows only.
  std::array<std::uint16_t, 2> written_{};
  Style style_ = Style::PopOn;
  int rollRows_ = 0;
  int row_ = 15, column_ = 0;
  bool italic_ = false, underline_ = false;
  bool ours_ = true;   // the data channel of the latest control code is channel 1, field 1
  bool text_ = false;  // text mode (text restart / resume text display): not captions
  bool sawOther_ = false;
  Word previous_ = 0;  // the control code of the previous frame, for doubled codes
  int tag_ = 0;
};

}  // namespace kipo::cea608
