#pragma once
// One subtitle as line-21 code words, shared by every caption writer and by the
// closed-caption checks: where each row goes (caption rows 1-11 on the line-21 rows,
// columns by alignment, indent plus tab offset) and each character's code.
//
// Rows: caption row 11 is the bottom row; a subtitle's `row` raises it. Pop-on rows stack
// upwards from 11 - row; roll-up rows all go to the base row 11 - row. Columns: centred
// rows start at floor((33 - length) / 2), left rows at 0, right rows end at column 31 and
// centre-left rows all start where the longest row would be centred. Italic markers are
// mid-row codes and take a column each, so they count in a row's length.
#include <string>
#include <vector>

#include "core/cea608.h"
#include "core/document.h"

namespace kipo::cea608 {

struct RowCode {
  int captionRow = 11;  // 1-11
  int line21Row = 15;   // 1-15
  int column = 0;       // 0-31
  int length = 0;       // columns the row takes
  std::vector<Word> words;  // [carriage return] preamble [tab offset] characters
};

struct CaptionCode {
  std::vector<RowCode> rows;
  std::size_t words = 0;  // all rows together
  // 1-based rows holding a character line 21 has no code for (left out of the words).
  std::vector<int> illegalRows;
  // A row that would sit above caption row 1 (moved down to row 1).
  bool rowsDoNotFit = false;
  // Markup that line 21 cannot show (colours, underline, bold) was left out.
  bool lostMarkup = false;
};

struct CaptionEncoding {
  bool rollUp = false;
  bool doubleCodes = false;  // preamble, tab offset and carriage return sent twice
};

CaptionCode EncodeCaption(const Subtitle& s, const CaptionEncoding& how);

// The same words for a writer that sends subtitle after subtitle: Append adds a
// subtitle's words to `out` in the order they are sent (each row's carriage return,
// preamble, tab offset and characters), keeping its working tables from one subtitle to
// the next.
class CaptionEncoder {
 public:
  struct Summary {
    std::size_t words = 0;  // appended
    bool illegal = false;   // a character left out
    bool rowsDoNotFit = false;
    bool lostMarkup = false;
  };
  explicit CaptionEncoder(const CaptionEncoding& how) : how_(how) {}
  Summary Append(const Subtitle& s, std::vector<Word>& out);

 private:
  friend CaptionCode EncodeCaption(const Subtitle& s, const CaptionEncoding& how);
  struct Row {
    std::size_t first = 0, count = 0;  // its character words in chars_
    int length = 0;
    bool illegal = false;
  };
  // Fills rows_ and chars_; the caption's longest row.
  int Characters(const Subtitle& s, bool& lostMarkup);
  // Where row k of n goes and the words before its characters.
  void Place(const Subtitle& s, std::size_t k, int longest, RowCode& r, bool& rowsDoNotFit) const;

  CaptionEncoding how_;
  std::vector<Row> rows_;
  std::vector<Word> chars_;
};

// The words of the characters of one row of markup (italic markers as mid-row codes),
// packed two bytes to a word; `length` gets the columns they take.
std::vector<Word> CharacterWords(std::string_view rowMarkup, int& length, bool& illegal, bool& lostMarkup);

}  // namespace kipo::cea608
