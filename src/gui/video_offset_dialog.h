#pragma once
// The video offset window: an offset timecode and the "Offset timecode back" box. OK sets
// the document's video offset (a refused timecode keeps the window open with the reason);
// the window answers "OK" or "Cancelled".
#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace kipo {
class PlayerController;
class Prompter;
}

namespace kipo::gui {

class VideoOffsetDialog : public QDialog {
  Q_OBJECT
 public:
  VideoOffsetDialog(PlayerController& player, Prompter& prompter, QWidget* parent = nullptr);
  QLineEdit* offsetField() const { return offset_; }
  QCheckBox* backBox() const { return back_; }
  // "OK" or "Cancelled", as the command that opened the window is told.
  QString answer() const { return result() == QDialog::Accepted ? "OK" : "Cancelled"; }

 private:
  PlayerController& player_;
  Prompter& prompter_;
  QLineEdit* offset_ = nullptr;
  QCheckBox* back_ = nullptr;
};

}  // namespace kipo::gui
