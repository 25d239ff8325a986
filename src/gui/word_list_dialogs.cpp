#include "gui/word_list_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/workstation.h"
#include "platform/user_error.h"
#include "text/punctuation.h"

namespace kipo::gui {

namespace {

QPushButton* Button(QDialogButtonBox* box, const char* text, const char* name) {
  auto* b = box->addButton(text, QDialogButtonBox::ActionRole);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

WordListDialog::WordListDialog(Kind kind, Workstation& ws, QWidget* parent) : QDialog(parent), kind_(kind), ws_(ws) {
  const bool autoReplace = kind == Kind::AutoReplace;
  setObjectName(autoReplace ? "AutoReplaceDialog" : "ProfanityListDialog");
  setWindowTitle(autoReplace ? "AutoReplace" : "Profanity List");
  if (autoReplace) {
    list_ = ws_.text().autoReplaceList();
  } else {
    try {
      list_ = LoadProfanityList();
    } catch (const UserError& e) {
      ws_.prompter().Inform(e.title(), e.text(), Icon::Critical);
    }
  }
  auto* layout = new QVBoxLayout(this);
  auto* fields = new QFormLayout;
  txtReplace_ = new QLineEdit;
  txtReplace_->setObjectName("txtReplace");
  txtWith_ = new QLineEdit;
  txtWith_->setObjectName("txtWith");
  fields->addRow("Replace:", txtReplace_);
  fields->addRow("With:", txtWith_);
  layout->addLayout(fields);
  auto* edit = new QDialogButtonBox;
  QPushButton* add = Button(edit, "&Add", "cmdAdd");
  QPushButton* del = Button(edit, "&Delete", "cmdDelete");
  layout->addWidget(edit);
  lvEntries_ = new QTableWidget(0, 2);
  lvEntries_->setObjectName("lvEntries");
  lvEntries_->setHorizontalHeaderLabels({"Replace", "With"});
  lvEntries_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvEntries_->setSelectionMode(QAbstractItemView::SingleSelection);
  lvEntries_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvEntries_->verticalHeader()->hide();
  lvEntries_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  layout->addWidget(lvEntries_);
  connect(add, &QPushButton::clicked, this, [this] { Add(); });
  connect(del, &QPushButton::clicked, this, [this] { Delete(); });
  // Choosing an entry puts it into the fields, ready to be changed and added again.
  connect(lvEntries_, &QTableWidget::currentCellChanged, this, [this](int row) {
    if (row < 0 || row >= static_cast<int>(list_.size())) return;
    txtReplace_->setText(QString::fromStdString(list_[static_cast<std::size_t>(row)].find));
    txtWith_->setText(QString::fromStdString(list_[static_cast<std::size_t>(row)].replacement));
  });

  auto* actions = new QDialogButtonBox;
  if (autoReplace) {
    AddTypographic(layout);
    chkReplaceAsYouType_ = new QCheckBox("Replace as you type");
    chkReplaceAsYouType_->setObjectName("chkReplaceAsYouType");
    chkReplaceAsYouType_->setChecked(ws_.text().replaceAsYouType());
    layout->addWidget(chkReplaceAsYouType_);
    QPushButton* now = Button(actions, "Replace &Now", "cmdReplaceNow");
    connect(now, &QPushButton::clicked, this, [this] { ws_.text().ReplaceNow(); });
  } else {
    QPushButton* find = Button(actions, "&Find", "cmdFind");
    QPushButton* open = Button(actions, "&Open...", "cmdOpen");
    QPushButton* save = Button(actions, "&Save...", "cmdSave");
    connect(find, &QPushButton::clicked, this, [this] {
      try {
        ws_.text().FindProfanity(list_);
      } catch (const UserError& e) {
        ws_.prompter().Inform(e.title(), e.text(), Icon::Critical);
      }
    });
    connect(open, &QPushButton::clicked, this, [this] {
      if (auto read = ws_.text().OpenWordListFile("Open Profanity List")) {
        list_ = std::move(*read);
        ShowList();
      }
    });
    connect(save, &QPushButton::clicked, this, [this] { ws_.text().SaveWordListFileAs("Save Profanity List", list_); });
  }
  layout->addWidget(actions);
  auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(ok, &QDialogButtonBox::accepted, this, &WordListDialog::accept);
  connect(ok, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(ok);
  ShowList();
  resize(460, 520);
}

void WordListDialog::AddTypographic(QVBoxLayout* layout) {
  // Saved the moment they are ticked, as Replace Now reads them from the settings.
  struct Switch {
    const char* name;
    const char* caption;
    bool TypographicOptions::*member;
  };
  static const Switch kSwitches[] = {
      {"chkEllipses", "Replace the ellipsis character with three dots", &TypographicOptions::ellipses},
      {"chkQuotes", "Replace curly quotes with straight quotes", &TypographicOptions::quotes},
      {"chkDashes", "Replace en and em dashes with hyphens", &TypographicOptions::dashes},
  };
  auto* group = new QGroupBox("Typographic replacements");
  auto* box = new QVBoxLayout(group);
  const TypographicOptions stored = TypographicOptions::Load(ws_.settings());
  for (const Switch& s : kSwitches) {
    auto* tick = new QCheckBox(s.caption);
    tick->setObjectName(s.name);
    tick->setChecked(stored.*s.member);
    connect(tick, &QCheckBox::toggled, this, [this, m = s.member](bool on) {
      TypographicOptions o = TypographicOptions::Load(ws_.settings());
      o.*m = on;
      o.Save(ws_.settings());
    });
    box->addWidget(tick);
  }
  layout->addWidget(group);
}

void WordListDialog::ShowList(int select) {
  lvEntries_->setRowCount(static_cast<int>(list_.size()));
  for (std::size_t i = 0; i < list_.size(); ++i) {
    lvEntries_->setItem(static_cast<int>(i), 0, new QTableWidgetItem(QString::fromStdString(list_[i].find)));
    lvEntries_->setItem(static_cast<int>(i), 1, new QTableWidgetItem(QString::fromStdString(list_[i].replacement)));
  }
  if (select >= 0 && select < lvEntries_->rowCount()) {
    QSignalBlocker quiet(lvEntries_);
    lvEntries_->setCurrentCell(select, 0);
    lvEntries_->scrollToItem(lvEntries_->item(select, 0));
  }
}

bool WordListDialog::Add() {
  const std::string find = txtReplace_->text().toStdString();
  if (find.empty()) {
    txtReplace_->setFocus();
    return false;
  }
  AddResult r = AddWordPair(list_, find, txtWith_->text().toStdString(), ws_.prompter());
  if (r == AddResult::Kept) {
    // No: the focus goes back into the fields for another try.
    txtReplace_->setFocus();
    txtReplace_->selectAll();
    return false;
  }
  int at = static_cast<int>(list_.size()) - 1;
  for (std::size_t i = 0; i < list_.size(); ++i)
    if (list_[i].find == find) at = static_cast<int>(i);
  ShowList(at);
  txtReplace_->clear();
  txtWith_->clear();
  txtReplace_->setFocus();
  return true;
}

void WordListDialog::Delete() {
  int row = lvEntries_->currentRow();
  if (row < 0 || row >= static_cast<int>(list_.size())) return;
  list_.erase(list_.begin() + row);
  ShowList(std::min(row, static_cast<int>(list_.size()) - 1));
}

void WordListDialog::accept() {
  try {
    if (kind_ == Kind::AutoReplace)
      ws_.text().SaveAutoReplaceList(list_, chkReplaceAsYouType_->isChecked());
    else
      SaveProfanityList(list_);
  } catch (const UserError& e) {
    // Not stored: the window stays open with the list as edited.
    ws_.prompter().Inform(e.title(), e.text(), Icon::Critical);
    return;
  }
  QDialog::accept();
}

}  // namespace kipo::gui
