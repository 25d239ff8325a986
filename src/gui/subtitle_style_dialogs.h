#pragma once
// The current subtitle's look beyond its text: the box style behind it and the colour of
// each of its rows. Each window shows the stored value and hands back the choice; the
// change itself (with its undo step) is the caller's.
#include <QDialog>
#include <string>
#include <vector>

class QComboBox;

namespace kipo::gui {

class BoxStyleDialog : public QDialog {
  Q_OBJECT
 public:
  explicit BoxStyleDialog(int style, QWidget* parent = nullptr);
  int style() const;  // 128-133

 private:
  QComboBox* cboStyle_;
};

class RowColoursDialog : public QDialog {
  Q_OBJECT
 public:
  // One colour choice per row of `text` (CR LF rows), from the digits of `rowColours`.
  RowColoursDialog(const std::string& text, const std::string& rowColours, QWidget* parent = nullptr);
  // The colour digit (0-7) chosen for each row.
  std::vector<int> colours() const;
  QComboBox* row(int i) const { return rows_.at(static_cast<std::size_t>(i)); }

 private:
  std::vector<QComboBox*> rows_;
};

// "Default", "Red", "Green", "Yellow", "Blue", "Magenta", "Cyan", "White" for 0-7.
const char* RowColourName(int colour);

}  // namespace kipo::gui
