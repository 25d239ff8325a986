#pragma once
// The file clean windows: the clean options (which steps run, the automatic clean after
// opening), the hearing-impaired options (brackets, marker characters, interjections) and
// the report of a clean or punctuation check, from which single changes are restored and
// the whole run undone.
#include <QDialog>
#include <functional>

#include "text/clean.h"

class QCheckBox;
class QLineEdit;
class QTableWidget;

namespace kipo {
class DocumentSession;
class SettingsStore;
class TextController;
}  // namespace kipo

namespace kipo::gui {

class CleanFileDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CleanFileDialog(SettingsStore& settings, QWidget* parent = nullptr);
  // The steps as ticked now.
  CleanSteps steps() const;
  // OK stores the steps (and the hearing-impaired options when their window was
  // confirmed); the caller then cleans.
  void accept() override;
  // The "Options..." button beside the hearing-impaired step; tests replace it.
  std::function<void()> editSdhOptions;

 private:
  SettingsStore& settings_;
  std::vector<std::pair<QCheckBox*, bool CleanSteps::*>> boxes_;
};

class SdhOptionsDialog : public QDialog {
  Q_OBJECT
 public:
  explicit SdhOptionsDialog(SettingsStore& settings, QWidget* parent = nullptr);
  // The options as the fields hold them now.
  SdhOptions options() const;
  void accept() override;

 private:
  SettingsStore& settings_;
  QCheckBox* round_;
  QCheckBox* square_;
  QCheckBox* curly_;
  QLineEdit* chars_;
  QLineEdit* interjections_;
};

// The report of the last clean (TextController::cleanReport). Choosing a row makes its
// subtitle current; Restore gives it back what the row's change took; Undo takes back the
// whole run and closes the window. Its size is kept in the settings.
class CleanReportDialog : public QDialog {
  Q_OBJECT
 public:
  CleanReportDialog(TextController& text, DocumentSession& session, QWidget* parent = nullptr);
  QTableWidget* rows() const { return lvReport_; }
  void done(int result) override;

 private:
  TextController& text_;
  DocumentSession& session_;
  QTableWidget* lvReport_;
};

}  // namespace kipo::gui
