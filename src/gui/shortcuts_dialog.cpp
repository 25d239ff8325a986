#include "gui/shortcuts_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/commands.h"
#include "app/shortcut_keys.h"

namespace kipo::gui {
namespace {

// The menu text without its mnemonic mark and dots: "Save &As..." -> "Save As".
QString Plain(std::string_view text) {
  QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  t.replace("&&", "\x01").remove('&').replace("\x01", "&");
  if (t.endsWith("...")) t.chop(3);
  return t;
}

QString MenuTitle(std::string_view menuId) {
  for (const MenuInfo& m : Menus())
    if (m.id == menuId) return Plain(m.title);
  return {};
}

}  // namespace

ShortcutsDialog::ShortcutsDialog(const SettingsStore& settings, QWidget* parent) : QDialog(parent) {
  setObjectName("shortcutsDialog");
  setWindowTitle("Keyboard Shortcuts");
  auto* layout = new QVBoxLayout(this);
  table_ = new QTableWidget(0, 3);
  table_->setObjectName("shortcutTable");
  table_->setHorizontalHeaderLabels({"Menu", "Command", "Keys"});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  for (const CommandInfo& c : Commands()) {
    if (c.submenu) continue;
    ids_.emplace_back(c.id);
    keys_by_id_[std::string(c.id)] = ShortcutFor(settings, c.id);
  }
  Fill();
  table_->resizeColumnsToContents();
  layout->addWidget(table_);

  auto* edit = new QHBoxLayout;
  keys_ = new QKeySequenceEdit;
  keys_->setObjectName("shortcutKeys");
  auto* set = new QPushButton("&Set");
  set->setObjectName("setShortcut");
  auto* clear = new QPushButton("C&lear");
  clear->setObjectName("clearShortcut");
  auto* reset = new QPushButton("&Reset all");
  reset->setObjectName("resetShortcuts");
  edit->addWidget(new QLabel("&Keys:"));
  edit->addWidget(keys_, 1);
  edit->addWidget(set);
  edit->addWidget(clear);
  edit->addWidget(reset);
  layout->addLayout(edit);
  message_ = new QLabel;
  message_->setObjectName("shortcutMessage");
  layout->addWidget(message_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) {
    if (row >= 0) keys_->setKeySequence(QKeySequence::fromString(QString::fromStdString(keys_by_id_[ids_[static_cast<std::size_t>(row)]]), QKeySequence::PortableText));
  });
  connect(set, &QPushButton::clicked, this,
          [this] { SetKeys(table_->currentRow(), keys_->keySequence().toString(QKeySequence::PortableText)); });
  connect(clear, &QPushButton::clicked, this, [this] { SetKeys(table_->currentRow(), {}); });
  connect(reset, &QPushButton::clicked, this, [this] {
    for (const CommandInfo& c : Commands())
      if (!c.submenu) keys_by_id_[std::string(c.id)] = std::string(c.keys);
    Fill();
    message_->setText("Every command has its first keys again.");
  });
  resize(620, 520);
}

void ShortcutsDialog::Fill() {
  table_->setRowCount(static_cast<int>(ids_.size()));
  for (std::size_t i = 0; i < ids_.size(); ++i) {
    const CommandInfo* c = FindCommand(ids_[i]);
    const int row = static_cast<int>(i);
    table_->setItem(row, 0, new QTableWidgetItem(MenuTitle(c->menu)));
    table_->setItem(row, 1, new QTableWidgetItem(Plain(c->text)));
    const QKeySequence keys = QKeySequence::fromString(QString::fromStdString(keys_by_id_[ids_[i]]), QKeySequence::PortableText);
    table_->setItem(row, 2, new QTableWidgetItem(keys.toString(QKeySequence::NativeText)));
  }
}

bool ShortcutsDialog::SetKeys(int row, const QString& portableKeys) {
  if (row < 0 || row >= static_cast<int>(ids_.size())) return false;
  const std::string id = ids_[static_cast<std::size_t>(row)];
  const std::string keys = portableKeys.toStdString();
  const std::string want = NormalizeKeys(keys);
  if (!want.empty()) {
    for (const auto& [other, k] : keys_by_id_) {
      if (other == id || NormalizeKeys(k) != want) continue;
      message_->setText(QString("%1 is already the shortcut of \"%2\".")
                            .arg(portableKeys, Plain(FindCommand(other)->text)));
      return false;
    }
  }
  keys_by_id_[id] = keys;
  Fill();
  table_->setCurrentCell(row, 2);
  message_->clear();
  return true;
}

void ShortcutsDialog::Save(SettingsStore& settings) const {
  SettingsStore::Batch batch(settings);
  for (const auto& [id, keys] : keys_by_id_) SetShortcut(settings, id, keys);
}

}  // namespace kipo::gui
