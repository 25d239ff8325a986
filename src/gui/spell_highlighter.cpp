#include "gui/spell_highlighter.h"

#include <QTextBlock>
#include <QTextCursor>

namespace kipo::gui {

int Utf16Position(const std::string& utf8, std::size_t byte) {
  return static_cast<int>(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(std::min(byte, utf8.size()))).size());
}

std::size_t Utf8Offset(const QString& text, int position) { return text.left(position).toUtf8().size(); }

SpellHighlighter::SpellHighlighter(QTextDocument* document, const SpellChecker& checker)
    : MarkupHighlighter(document), checker_(checker) {}

void SpellHighlighter::setChecking(bool on) {
  if (on == checking_) return;
  checking_ = on;
  rehighlight();
}

void SpellHighlighter::highlightBlock(const QString& text) {
  MarkupHighlighter::highlightBlock(text);
  if (!checking_ || text.isEmpty()) return;
  const std::string utf8 = text.toStdString();
  for (const WordSpan& w : checker_.Misspelled(utf8)) {
    const int from = Utf16Position(utf8, w.start), to = Utf16Position(utf8, w.start + w.length);
    // Each character keeps the markup's formatting and gains the underline.
    for (int i = from; i < to; ++i) {
      QTextCharFormat f = format(i);
      f.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
      f.setUnderlineColor(QColor(220, 0, 0));
      setFormat(i, 1, f);
    }
  }
}

QMenu* SpellMenu(QPlainTextEdit* box, SpellChecker& checker, QPoint at, const std::function<void()>& changed) {
  QMenu* menu = new QMenu(box);
  menu->setObjectName("spellMenu");
  QTextCursor cursor = box->cursorForPosition(at);
  const QTextBlock block = cursor.block();
  const QString row = block.text();
  const std::string utf8 = row.toStdString();
  const std::size_t byte = Utf8Offset(row, cursor.positionInBlock());
  std::optional<WordSpan> word = checker.WordAt(utf8, byte);
  if (word && !checker.IsCorrect(std::string_view(utf8).substr(word->start, word->length))) {
    const QString text = QString::fromStdString(utf8.substr(word->start, word->length));
    const int from = block.position() + Utf16Position(utf8, word->start);
    const int to = block.position() + Utf16Position(utf8, word->start + word->length);
    const std::vector<std::string> suggestions = checker.Suggest(text.toStdString());
    if (suggestions.empty()) menu->addAction("(no suggestions)")->setEnabled(false);
    for (const std::string& s : suggestions) {
      QAction* a = menu->addAction(QString::fromStdString(s));
      a->setObjectName("spellSuggestion");
      QObject::connect(a, &QAction::triggered, box, [box, from, to, s] {
        QTextCursor c(box->document());
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        c.insertText(QString::fromStdString(s));
        box->setTextCursor(c);
      });
    }
    menu->addSeparator();
    QAction* add = menu->addAction("Add to dictionary");
    add->setObjectName("spellAdd");
    QObject::connect(add, &QAction::triggered, box, [&checker, text, changed] {
      checker.AddToPersonal(text.toStdString());
      if (changed) changed();
    });
    QAction* ignore = menu->addAction("Ignore");
    ignore->setObjectName("spellIgnore");
    QObject::connect(ignore, &QAction::triggered, box, [&checker, text, changed] {
      checker.Ignore(text.toStdString());
      if (changed) changed();
    });
    menu->addSeparator();
  }
  // The box's own commands (undo, cut, copy, paste, select all) follow.
  QMenu* standard = box->createStandardContextMenu(at);
  for (QAction* a : standard->actions()) {
    a->setParent(menu);
    menu->addAction(a);
  }
  standard->deleteLater();
  return menu;
}

}  // namespace kipo::gui
