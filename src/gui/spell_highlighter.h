#pragma once
// Spell checking in the subtitle text box: words the dictionary does not know get the
// wavy underline while typing, on top of the markup formatting, and the box's context
// menu offers the word's suggestions, "Add to dictionary" and "Ignore".
#include <QMenu>
#include <QPlainTextEdit>
#include <functional>

#include "gui/markup_highlighter.h"
#include "text/spelling.h"

namespace kipo::gui {

// The markup highlighter with misspelled words underlined. Each row is checked on its
// own (the block's text), so typing re-checks only the row being typed.
class SpellHighlighter : public MarkupHighlighter {
 public:
  SpellHighlighter(QTextDocument* document, const SpellChecker& checker);
  void setChecking(bool on);
  bool checking() const { return checking_; }

 protected:
  void highlightBlock(const QString& text) override;

 private:
  const SpellChecker& checker_;
  bool checking_ = true;
};

// The context menu of a text box at a point of it: for a misspelled word its suggestions
// (each replaces the word), "Add to dictionary" and "Ignore", then the box's own
// commands. `changed` runs after the personal list or the ignored words change.
QMenu* SpellMenu(QPlainTextEdit* box, SpellChecker& checker, QPoint at, const std::function<void()>& changed);

// UTF-16 position in a row of the byte offset in its UTF-8 text, and back.
int Utf16Position(const std::string& utf8, std::size_t byte);
std::size_t Utf8Offset(const QString& text, int position);

}  // namespace kipo::gui
