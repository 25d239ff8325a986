#pragma once
// The reports area: the error list (selecting a row makes its subtitle current) and the
// statistics report. The error list is a virtual view over the live list the workstation
// keeps, so it follows every edit, renumbering and new document, and tens of thousands of
// rows cost nothing to show.
#include <QAbstractListModel>
#include <QTabWidget>
#include <functional>
#include <string>

#include "timing/live_errors.h"

class QListView;
class QPlainTextEdit;

namespace kipo::gui {

class ErrorListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit ErrorListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}
  void setSource(const LiveErrorList* list);
  // The list changed: rows are read again.
  void reload();
  int rowCount(const QModelIndex& parent = {}) const override;
  // Display: the number as four digits and the fault; Qt::UserRole: the subtitle number.
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const LiveErrorList* list_ = nullptr;
};

class ReportsPanel : public QTabWidget {
  Q_OBJECT
 public:
  explicit ReportsPanel(QWidget* parent = nullptr);
  // Shows a live list; Reload after it changed.
  void ShowErrors(const LiveErrorList& list);
  void Reload();
  // Brings the error tab to the front.
  void RaiseErrors() { setCurrentIndex(0); }
  void ShowStatistics(const std::string& text);
  QListView* errors() const { return errors_; }
  ErrorListModel* errorModel() const { return model_; }
  // Chooses a row as a click would (tests and the keyboard).
  void ChooseRow(int row);
  // Called with the subtitle number of the chosen error row.
  std::function<void(int)> onErrorChosen;

 private:
  QListView* errors_;
  ErrorListModel* model_;
  QPlainTextEdit* statistics_;
  bool reloading_ = false;
};

}  // namespace kipo::gui
