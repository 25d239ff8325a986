#include "gui/split_dialog.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "app/split_controller.h"
#include "core/markup.h"
#include "platform/text_util.h"

namespace kipo::gui {

// The document's subtitles as rows with a tick box in the number column; a virtual model,
// so a document of 32,767 subtitles opens at once.
class SplitPointModel : public QAbstractTableModel {
 public:
  explicit SplitPointModel(const SubtitleDocument& doc, QObject* parent)
      : QAbstractTableModel(parent), doc_(doc), ticked_(doc.Count(), false) {}
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(doc_.Count());
  }
  int columnCount(const QModelIndex& = {}) const override { return 4; }
  bool Tickable(int row) const { return row > 0 && row + 1 < static_cast<int>(doc_.Count()); }
  QVariant data(const QModelIndex& index, int role) const override {
    const auto row = static_cast<std::size_t>(index.row());
    if (!index.isValid() || row >= doc_.Count()) return {};
    const Subtitle& s = doc_.At(row);
    if (role == Qt::CheckStateRole && index.column() == 0 && Tickable(index.row()))
      return ticked_[row] ? Qt::Checked : Qt::Unchecked;
    if (role != Qt::DisplayRole) return {};
    switch (index.column()) {
      case 0: return static_cast<int>(row + 1);
      case 1: return QString::fromStdString(DigitsToLabel(s.inCue.digits()));
      case 2: return QString::fromStdString(ReplaceAll(StripMarkup(s.text), "\r\n", " | "));
      default: return QString::fromStdString(s.comment);
    }
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    static const char* kHeaders[] = {"No.", "In cue", "Text", "Comment"};
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 4) return kHeaders[section];
    return {};
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == 0 && Tickable(index.row())) f |= Qt::ItemIsUserCheckable;
    return f;
  }
  bool setData(const QModelIndex& index, const QVariant& value, int role) override {
    if (role != Qt::CheckStateRole || index.column() != 0 || !Tickable(index.row())) return false;
    const bool on = value.toInt() == Qt::Checked;
    if (ticked_[static_cast<std::size_t>(index.row())] == on) return true;
    ticked_[static_cast<std::size_t>(index.row())] = on;
    count_ += on ? 1 : -1;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
  }
  std::vector<long> Ticked() const {
    std::vector<long> out;
    for (std::size_t i = 0; i < ticked_.size(); ++i)
      if (ticked_[i]) out.push_back(static_cast<long>(i + 1));
    return out;
  }
  std::size_t count() const { return count_; }

 private:
  const SubtitleDocument& doc_;
  std::vector<bool> ticked_;
  std::size_t count_ = 0;
};

SplitDialog::SplitDialog(const SubtitleDocument& doc, QWidget* parent) : QDialog(parent) {
  setObjectName("SplitDialog");
  setWindowTitle("Split File");
  auto* layout = new QVBoxLayout(this);
  model_ = new SplitPointModel(doc, this);
  list_ = new QTableView;
  list_->setObjectName("list");
  list_->setModel(model_);
  list_->verticalHeader()->hide();
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->setColumnWidth(0, 70);
  list_->setColumnWidth(1, 100);
  list_->setColumnWidth(2, 320);
  layout->addWidget(list_);
  count_ = new QLabel;
  count_->setObjectName("count");
  layout->addWidget(count_);
  confirm_ = new QCheckBox("Confirm the start time of each file");
  confirm_->setObjectName("confirmStartTimes");
  layout->addWidget(confirm_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (!apply || apply(*this)) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(model_, &QAbstractItemModel::dataChanged, this, [this] { UpdateCount(); });
  UpdateCount();
  resize(640, 420);
}

std::vector<long> SplitDialog::splitPoints() const { return model_->Ticked(); }
bool SplitDialog::confirmStartTimes() const { return confirm_->isChecked(); }

bool SplitDialog::setTicked(long number, bool ticked) {
  return model_->setData(model_->index(static_cast<int>(number - 1), 0), ticked ? Qt::Checked : Qt::Unchecked,
                         Qt::CheckStateRole);
}

void SplitDialog::UpdateCount() { count_->setText(QString::fromStdString(SplitController::CountLabel(model_->count()))); }

}  // namespace kipo::gui
