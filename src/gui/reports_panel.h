#pragma once
// The reports area: the error list (selecting a row makes its subtitle current) and the
// statistics report.
#include <QTabWidget>
#include <functional>
#include <vector>

#include "timing/error_list.h"

class QListWidget;
class QPlainTextEdit;

namespace kipo::gui {

class ReportsPanel : public QTabWidget {
  Q_OBJECT
 public:
  explicit ReportsPanel(QWidget* parent = nullptr);
  void ShowErrors(const std::vector<ErrorRow>& rows);
  void ShowStatistics(const std::string& text);
  QListWidget* errors() const { return errors_; }
  // Called with the subtitle number of the chosen error row.
  std::function<void(int)> onErrorChosen;

 private:
  QListWidget* errors_;
  QPlainTextEdit* statistics_;
};

}  // namespace kipo::gui
