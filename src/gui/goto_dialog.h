#pragma once
// The Go To window: a subtitle number or a timecode in one field. Digits alone are a
// number; a timecode has its separators (or all eight digits).
#include <QDialog>
#include <functional>

class QLineEdit;

namespace kipo::gui {

class GoToDialog : public QDialog {
  Q_OBJECT
 public:
  GoToDialog(int current, int count, QWidget* parent = nullptr);
  QLineEdit* field() const { return field_; }
  // Called on OK with the typed text; true closes the window, false keeps it open for a
  // corrected entry.
  std::function<bool(const QString&)> go;
  // Whether the text is a timecode rather than a subtitle number.
  static bool IsTimecode(const QString& text);

 private:
  QLineEdit* field_ = nullptr;
};

}  // namespace kipo::gui
