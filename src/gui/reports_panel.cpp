#include "gui/reports_panel.h"

#include <QListView>
#include <QPlainTextEdit>

#include "platform/text_util.h"

namespace kipo::gui {

void ErrorListModel::setSource(const LiveErrorList* list) {
  beginResetModel();
  list_ = list;
  endResetModel();
}

void ErrorListModel::reload() {
  beginResetModel();
  endResetModel();
}

int ErrorListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !list_ ? 0 : static_cast<int>(list_->RowCount());
}

QVariant ErrorListModel::data(const QModelIndex& index, int role) const {
  if (!list_ || !index.isValid() || static_cast<std::size_t>(index.row()) >= list_->RowCount()) return {};
  if (role != Qt::DisplayRole && role != Qt::UserRole) return {};
  const ErrorRow r = list_->Row(static_cast<std::size_t>(index.row()));
  if (role == Qt::UserRole) return r.number;
  return QString::fromStdString(ZeroPad(r.number, 4) + "   " + r.text);
}

ReportsPanel::ReportsPanel(QWidget* parent) : QTabWidget(parent) {
  setObjectName("reportsPanel");
  errors_ = new QListView;
  errors_->setObjectName("errorList");
  errors_->setUniformItemSizes(true);  // nothing is measured per row
  errors_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  model_ = new ErrorListModel(this);
  errors_->setModel(model_);
  statistics_ = new QPlainTextEdit;
  statistics_->setObjectName("statistics");
  statistics_->setReadOnly(true);
  addTab(errors_, "Errors");
  addTab(statistics_, "Statistics");
  // Only a row the user chooses moves: a reload clears the current row without a move.
  connect(errors_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& i) {
    if (!reloading_ && i.isValid() && onErrorChosen) onErrorChosen(model_->data(i, Qt::UserRole).toInt());
  });
  connect(errors_, &QListView::activated, this, [this](const QModelIndex& i) {
    if (i.isValid() && onErrorChosen) onErrorChosen(model_->data(i, Qt::UserRole).toInt());
  });
}

void ReportsPanel::ShowErrors(const LiveErrorList& list) {
  model_->setSource(&list);
  Reload();
}

void ReportsPanel::Reload() {
  const int top = errors_->indexAt(QPoint(1, 1)).row();
  reloading_ = true;
  model_->reload();
  reloading_ = false;
  if (top > 0 && top < model_->rowCount()) errors_->scrollTo(model_->index(top), QAbstractItemView::PositionAtTop);
  setTabText(0, QString("Errors (%1)").arg(model_->rowCount()));
}

void ReportsPanel::ChooseRow(int row) {
  if (row < 0 || row >= model_->rowCount()) return;
  if (errors_->currentIndex().row() == row) errors_->setCurrentIndex({});
  errors_->setCurrentIndex(model_->index(row));
}

void ReportsPanel::ShowStatistics(const std::string& text) {
  statistics_->setPlainText(QString::fromStdString(ReplaceAll(text, "\r\n", "\n")));
  setCurrentIndex(1);
}

}  // namespace kipo::gui
