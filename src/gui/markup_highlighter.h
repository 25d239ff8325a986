#pragma once
// Shows the in-text markup as formatting while keeping the markup characters in the text:
// italics between "<" and ">", colour after codes 1-7, underline between "[" and "]".
#include <QSyntaxHighlighter>

namespace kipo::gui {

class MarkupHighlighter : public QSyntaxHighlighter {
 public:
  using QSyntaxHighlighter::QSyntaxHighlighter;

 protected:
  void highlightBlock(const QString& text) override;
};

}  // namespace kipo::gui
