#include "gui/reports_panel.h"

#include <QListWidget>
#include <QPlainTextEdit>

#include "platform/text_util.h"

namespace kipo::gui {

ReportsPanel::ReportsPanel(QWidget* parent) : QTabWidget(parent) {
  setObjectName("reportsPanel");
  errors_ = new QListWidget;
  errors_->setObjectName("errorList");
  statistics_ = new QPlainTextEdit;
  statistics_->setObjectName("statistics");
  statistics_->setReadOnly(true);
  addTab(errors_, "Errors");
  addTab(statistics_, "Statistics");
  connect(errors_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0 || !onErrorChosen) return;
    onErrorChosen(errors_->item(row)->data(Qt::UserRole).toInt());
  });
}

void ReportsPanel::ShowErrors(const std::vector<ErrorRow>& rows) {
  QSignalBlocker block(errors_);
  errors_->clear();
  for (const ErrorRow& r : rows) {
    auto* item = new QListWidgetItem(QString::fromStdString(ZeroPad(r.number, 4) + "   " + r.text));
    item->setData(Qt::UserRole, r.number);
    errors_->addItem(item);
  }
  setTabText(0, QString("Errors (%1)").arg(rows.size()));
  setCurrentIndex(0);
}

void ReportsPanel::ShowStatistics(const std::string& text) {
  statistics_->setPlainText(QString::fromStdString(ReplaceAll(text, "\r\n", "\n")));
  setCurrentIndex(1);
}

}  // namespace kipo::gui
