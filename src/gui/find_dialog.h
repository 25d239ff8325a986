#pragma once
// The Find and Replace window: the text to find and its replacement, match case, whole
// words, regular expression, where to search (texts, comments), and Find next, Find
// previous, Replace and Replace all. It stays open beside the main window; every button
// runs on the FindController through the window's command runner, and a hit is selected
// in the text box or the comment box.
#include <QDialog>
#include <functional>
#include <optional>

#include "app/find_controller.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kipo::gui {

class FindDialog : public QDialog {
  Q_OBJECT
 public:
  FindDialog(FindController& find, QWidget* parent = nullptr);

  // Runs a command the way the main window does (edits taken first, errors shown, the
  // state shown afterwards). Tests and the window set it.
  std::function<void(const std::function<void()>&)> run;
  // Shows a hit (selects it in its box).
  std::function<void(const FindMatch&)> showMatch;

  FindOptions options() const;
  QString replacement() const;
  void setPattern(const QString& text);
  QLineEdit* findField() const { return find_; }
  QLineEdit* replaceField() const { return replace_; }
  QLabel* message() const { return message_; }

  void FindNext(bool forward = true);
  void ReplaceOne();
  void ReplaceAll();

 private:
  // The window's choices, remembered for the next time it opens.
  FindOptions Searched();
  void Shown(const std::optional<FindMatch>& m);

  FindController& controller_;
  QLineEdit* find_ = nullptr;
  QLineEdit* replace_ = nullptr;
  QCheckBox* matchCase_ = nullptr;
  QCheckBox* wholeWords_ = nullptr;
  QCheckBox* regex_ = nullptr;
  QCheckBox* inText_ = nullptr;
  QCheckBox* inComments_ = nullptr;
  QLabel* message_ = nullptr;
};

}  // namespace kipo::gui
