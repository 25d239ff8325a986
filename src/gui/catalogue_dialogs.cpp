#include "gui/catalogue_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/text_exporters.h"
#include "formats/registry.h"

namespace kipo::gui {

namespace {

QDialogButtonBox* OkCancel(QDialog* d) {
  auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
  return b;
}

}  // namespace

ExportDialog::ExportDialog(int lastPosition, bool alwaysShowOptions, QWidget* parent) : QDialog(parent) {
  setObjectName("ExportDialog");
  setWindowTitle("Export");
  auto* layout = new QVBoxLayout(this);
  list_ = new QListWidget;
  for (const ExportFormat& f : ExportCatalogue()) {
    auto* item = new QListWidgetItem(QString::fromStdString(f.category + " - " + f.name));
    item->setData(Qt::UserRole, f.position);
    // Formats without a writer in this build stay listed; choosing one says so. Rows
    // exported through a window of their own are available through it.
    if (!f.available && !f.ownWindow) item->setForeground(Qt::gray);
    list_->addItem(item);
    if (f.position == lastPosition) list_->setCurrentItem(item);
  }
  if (!list_->currentItem() && list_->count() > 0) list_->setCurrentRow(0);
  always_ = new QCheckBox("Always show options");
  always_->setChecked(alwaysShowOptions);
  auto* options = new QPushButton("Options...");
  options->setObjectName("cmdOptions");
  connect(options, &QPushButton::clicked, this, [this] {
    if (showOptions && position() > 0) showOptions(position());
  });
  // Two sample subtitles as the selected format lays them out.
  preview_ = new QPlainTextEdit;
  preview_->setObjectName("txtPreview");
  preview_->setReadOnly(true);
  preview_->setLineWrapMode(QPlainTextEdit::NoWrap);
  preview_->setFont(QFont("Tahoma"));
  preview_->setMaximumHeight(150);
  auto showPreview = [this] {
    const ExportFormat* f = ExportFormatAt(position());
    preview_->setPlainText(QString::fromStdString(f ? ExportPreview(*f) : std::string(kNoPreview)));
  };
  connect(list_, &QListWidget::currentRowChanged, this, showPreview);
  showPreview();
  layout->addWidget(list_);
  layout->addWidget(preview_);
  layout->addWidget(always_);
  layout->addWidget(options);
  layout->addWidget(OkCancel(this));
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  resize(420, 640);
}

int ExportDialog::position() const {
  return list_->currentItem() ? list_->currentItem()->data(Qt::UserRole).toInt() : 0;
}
bool ExportDialog::alwaysShowOptions() const { return always_->isChecked(); }

ImportDialog::ImportDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("ImportDialog");
  setWindowTitle("Import");
  auto* layout = new QVBoxLayout(this);
  list_ = new QListWidget;
  for (const ImportFormat& f : ImportCatalogue()) list_->addItem(QString::fromStdString(f.name));
  list_->setCurrentRow(0);
  encoding_ = new QComboBox;
  for (const std::string& e : ImportEncodingNames()) encoding_->addItem(QString::fromStdString(e));
  auto* form = new QFormLayout;
  form->addRow("Text encoding:", encoding_);
  layout->addWidget(list_);
  layout->addLayout(form);
  layout->addWidget(OkCancel(this));
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  resize(420, 520);
}

int ImportDialog::row() const { return list_->currentRow(); }
int ImportDialog::encoding() const { return encoding_->currentIndex(); }

}  // namespace kipo::gui
