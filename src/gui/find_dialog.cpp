#include "gui/find_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/session.h"

namespace kipo::gui {

FindDialog::FindDialog(FindController& find, QWidget* parent) : QDialog(parent), controller_(find) {
  setObjectName("findDialog");
  setWindowTitle(kFindTitle);
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  find_ = new QLineEdit;
  find_->setObjectName("findText");
  replace_ = new QLineEdit;
  replace_->setObjectName("replaceText");
  form->addRow("Fi&nd what:", find_);
  form->addRow("Re&place with:", replace_);
  layout->addLayout(form);
  auto box = [](const char* text, const char* name, bool on) {
    auto* c = new QCheckBox(text);
    c->setObjectName(name);
    c->setChecked(on);
    return c;
  };
  // The window opens as it was last left.
  const FindOptions last = controller_.RememberedOptions();
  find_->setText(QString::fromStdString(last.pattern));
  replace_->setText(QString::fromStdString(controller_.RememberedReplacement()));
  matchCase_ = box("Match &case", "matchCase", last.matchCase);
  wholeWords_ = box("&Whole words", "wholeWords", last.wholeWords);
  regex_ = box("Regular e&xpression", "regularExpression", last.regex);
  inText_ = box("Search &texts", "searchTexts", last.inText);
  inComments_ = box("Search c&omments", "searchComments", last.inComments);
  auto* options = new QHBoxLayout;
  for (QCheckBox* c : {matchCase_, wholeWords_, regex_}) options->addWidget(c);
  layout->addLayout(options);
  auto* where = new QHBoxLayout;
  for (QCheckBox* c : {inText_, inComments_}) where->addWidget(c);
  layout->addLayout(where);
  message_ = new QLabel;
  message_->setObjectName("findMessage");
  layout->addWidget(message_);

  auto* buttons = new QDialogButtonBox;
  auto button = [&](const char* text, const char* name) {
    auto* b = buttons->addButton(text, QDialogButtonBox::ActionRole);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
  };
  QPushButton* next = button("&Find next", "findNext");
  next->setDefault(true);
  QPushButton* previous = button("Find pre&vious", "findPrevious");
  QPushButton* replace = button("&Replace", "replace");
  QPushButton* all = button("Replace &all", "replaceAll");
  QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
  layout->addWidget(buttons);
  connect(next, &QPushButton::clicked, this, [this] { FindNext(true); });
  connect(previous, &QPushButton::clicked, this, [this] { FindNext(false); });
  connect(replace, &QPushButton::clicked, this, [this] { ReplaceOne(); });
  connect(all, &QPushButton::clicked, this, [this] { ReplaceAll(); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  // Replacing needs something to find.
  auto enable = [=, this] {
    const bool has = !find_->text().isEmpty();
    for (QPushButton* b : {next, previous, replace, all}) b->setEnabled(has);
  };
  connect(find_, &QLineEdit::textChanged, this, enable);
  enable();
}

FindOptions FindDialog::options() const {
  FindOptions o;
  o.pattern = find_->text().toStdString();
  o.matchCase = matchCase_->isChecked();
  o.wholeWords = wholeWords_->isChecked();
  o.regex = regex_->isChecked();
  o.inText = inText_->isChecked();
  o.inComments = inComments_->isChecked();
  return o;
}

FindOptions FindDialog::Searched() {
  // Each search is kept for the next time the window opens.
  FindOptions o = options();
  controller_.Remember(o, replacement().toStdString());
  return o;
}

QString FindDialog::replacement() const { return replace_->text(); }

void FindDialog::setPattern(const QString& text) {
  if (!text.isEmpty()) find_->setText(text);
  find_->selectAll();
  find_->setFocus();
}

void FindDialog::Shown(const std::optional<FindMatch>& m) {
  if (m) {
    message_->clear();
    if (showMatch) showMatch(*m);
  } else {
    message_->setText(QString("Cannot find \"%1\"").arg(find_->text()));
  }
}

void FindDialog::FindNext(bool forward) {
  std::optional<FindMatch> m;
  bool ran = false;
  run([&] {
    m = controller_.FindNext(Searched(), forward);
    ran = true;  // not after a refused pattern: its message has been shown
  });
  if (ran) Shown(m);
}

void FindDialog::ReplaceOne() {
  std::optional<FindMatch> m;
  bool ran = false;
  run([&] {
    m = controller_.Replace(Searched(), replacement().toStdString());
    ran = true;
  });
  if (ran) Shown(m);
}

void FindDialog::ReplaceAll() {
  int n = -1;
  run([&] { n = controller_.ReplaceAll(Searched(), replacement().toStdString()); });
  if (n < 0) return;
  message_->setText(n == 0 ? QString("Cannot find \"%1\"").arg(find_->text())
                           : QString(n == 1 ? "%1 replacement made" : "%1 replacements made").arg(n));
}

}  // namespace kipo::gui
