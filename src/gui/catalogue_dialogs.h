#pragma once
// The export and import windows: a list of the catalogue's formats with their choices and,
// in the export window, the selected format's preview sample.
#include <QDialog>
#include <functional>

class QListWidget;
class QCheckBox;
class QComboBox;
class QPlainTextEdit;

namespace kipo::gui {

class ExportDialog : public QDialog {
  Q_OBJECT
 public:
  // `lastPosition` is the stored "Last export format" (1-based).
  ExportDialog(int lastPosition, bool alwaysShowOptions, QWidget* parent = nullptr);
  int position() const;  // 1-based catalogue position
  bool alwaysShowOptions() const;
  QListWidget* list() const { return list_; }
  QPlainTextEdit* preview() const { return preview_; }
  // Options...: opens the options window of the format at a catalogue position.
  std::function<void(int position)> showOptions;

 private:
  QListWidget* list_;
  QPlainTextEdit* preview_;
  QCheckBox* always_;
};

class ImportDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ImportDialog(QWidget* parent = nullptr);
  int row() const;       // 0-based row of the import list
  int encoding() const;  // 0 system default, 1 UTF-16, 2 UTF-8

 private:
  QListWidget* list_;
  QComboBox* encoding_;
};

}  // namespace kipo::gui
