#include "gui/clean_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/session.h"
#include "app/text_controller.h"
#include "settings/setting_key.h"
#include "settings/settings_store.h"

namespace kipo::gui {

namespace {

inline constexpr IntSetting kReportWidth{"Options", "Clean report window width", 640, 200, 10000};
inline constexpr IntSetting kReportHeight{"Options", "Clean report window height", 420, 150, 10000};

struct StepBox {
  const char* name;  // the control's name
  const char* caption;
  bool CleanSteps::*member;
};

// In the order the clean runs them, then the automatic clean and the report.
constexpr StepBox kSteps[] = {
    {"chkColors", "Remove colours", &CleanSteps::colours},
    {"chkItalics", "Remove italics", &CleanSteps::italics},
    {"chkComments", "Remove comments", &CleanSteps::comments},
    {"chkRow", "Move raised subtitles to the bottom row", &CleanSteps::bottomRow},
    {"chkAlign", "Align centre", &CleanSteps::alignCentre},
    {"chkAutoFormat", "AutoFormat (smart quotes, ellipses and dashes)", &CleanSteps::autoFormat},
    {"chkSDH", "Remove hearing-impaired annotations (SDH)", &CleanSteps::sdh},
    {"chkEmptyRows", "Remove empty rows", &CleanSteps::emptyRows},
    {"chkPunctuation", "Apply the punctuation rules", &CleanSteps::punctuation},
};
constexpr StepBox kAfter[] = {
    {"chkAlwaysApply", "Always apply after opening or importing a file", &CleanSteps::alwaysApply},
    {"chkAlwaysApplyConfirm", "Ask before the automatic clean", &CleanSteps::alwaysApplyConfirm},
    {"chkReport", "Show the report", &CleanSteps::report},
};

QCheckBox* Box(const StepBox& s, const CleanSteps& steps) {
  auto* b = new QCheckBox(s.caption);
  b->setObjectName(s.name);
  b->setChecked(steps.*s.member);
  return b;
}

QDialogButtonBox* OkCancel(QDialog* dlg) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
  return buttons;
}

}  // namespace

CleanFileDialog::CleanFileDialog(SettingsStore& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
  setObjectName("CleanFileDialog");
  setWindowTitle("File Clean");
  const CleanSteps stored = CleanSteps::Load(settings_);
  auto* layout = new QVBoxLayout(this);
  auto* steps = new QGroupBox("Clean");
  auto* stepsLayout = new QVBoxLayout(steps);
  for (const StepBox& s : kSteps) {
    QCheckBox* b = Box(s, stored);
    boxes_.emplace_back(b, s.member);
    if (s.member != &CleanSteps::sdh) {
      stepsLayout->addWidget(b);
      continue;
    }
    auto* row = new QHBoxLayout;
    row->addWidget(b);
    auto* options = new QPushButton("Options...");
    options->setObjectName("cmdSDHOptions");
    row->addWidget(options);
    row->addStretch();
    stepsLayout->addLayout(row);
    connect(options, &QPushButton::clicked, this, [this] {
      if (editSdhOptions) editSdhOptions();
    });
  }
  layout->addWidget(steps);
  for (const StepBox& s : kAfter) {
    QCheckBox* b = Box(s, stored);
    boxes_.emplace_back(b, s.member);
    layout->addWidget(b);
  }
  layout->addWidget(OkCancel(this));
  editSdhOptions = [this] { SdhOptionsDialog(settings_, this).exec(); };
}

CleanSteps CleanFileDialog::steps() const {
  CleanSteps s = CleanSteps::Load(settings_);
  for (const auto& [box, member] : boxes_) s.*member = box->isChecked();
  return s;
}

void CleanFileDialog::accept() {
  steps().Save(settings_);
  QDialog::accept();
}

SdhOptionsDialog::SdhOptionsDialog(SettingsStore& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
  setObjectName("SdhOptionsDialog");
  setWindowTitle("Hearing-Impaired Options");
  const SdhOptions stored = SdhOptions::Load(settings_);
  auto* layout = new QVBoxLayout(this);
  auto* brackets = new QGroupBox("Delete brackets (the words between them stay)");
  auto* b = new QVBoxLayout(brackets);
  round_ = new QCheckBox("Round brackets ( )");
  square_ = new QCheckBox("Square brackets [ ]");
  curly_ = new QCheckBox("Curly brackets { }");
  const std::pair<QCheckBox*, bool> ticks[] = {{round_, stored.round}, {square_, stored.square}, {curly_, stored.curly}};
  const char* names[] = {"chkRound", "chkSquare", "chkCurly"};
  for (int i = 0; i < 3; ++i) {
    ticks[i].first->setObjectName(names[i]);
    ticks[i].first->setChecked(ticks[i].second);
    b->addWidget(ticks[i].first);
  }
  layout->addWidget(brackets);
  auto* form = new QFormLayout;
  chars_ = new QLineEdit(QString::fromStdString(stored.CharsField()));
  chars_->setObjectName("txtChars");
  interjections_ = new QLineEdit(QString::fromStdString(stored.InterjectionsField()));
  interjections_->setObjectName("txtInterjections");
  interjections_->setMinimumWidth(420);
  form->addRow("Delete these characters:", chars_);
  form->addRow("Delete these interjections:", interjections_);
  layout->addLayout(form);
  layout->addWidget(new QLabel("Separate the characters and the interjections with single spaces."));
  layout->addWidget(OkCancel(this));
}

SdhOptions SdhOptionsDialog::options() const {
  SdhOptions o;
  o.round = round_->isChecked();
  o.square = square_->isChecked();
  o.curly = curly_->isChecked();
  o.SetFields(chars_->text().toStdString(), interjections_->text().toStdString());
  return o;
}

void SdhOptionsDialog::accept() {
  options().Save(settings_);
  QDialog::accept();
}

CleanReportDialog::CleanReportDialog(TextController& text, DocumentSession& session, QWidget* parent)
    : QDialog(parent), text_(text), session_(session) {
  setObjectName("CleanReportDialog");
  const CleanReport& report = text_.cleanReport();
  setWindowTitle(QString::fromStdString(report.Title()));
  auto* layout = new QVBoxLayout(this);
  lvReport_ = new QTableWidget(static_cast<int>(report.rows.size()), 3);
  lvReport_->setObjectName("lvReport");
  lvReport_->setHorizontalHeaderLabels({"Subtitle", "Change", "Text before"});
  lvReport_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvReport_->setSelectionMode(QAbstractItemView::SingleSelection);
  lvReport_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvReport_->verticalHeader()->hide();
  lvReport_->horizontalHeader()->setStretchLastSection(true);
  for (int r = 0; r < lvReport_->rowCount(); ++r) {
    const CleanReportRow& row = report.rows[static_cast<std::size_t>(r)];
    // The former text on one line: rows joined by " | ", colour codes shown as nothing.
    QString before = QString::fromStdString(row.formerText()).replace("\r\n", " | ");
    before.remove(QRegularExpression("[\\x01-\\x08]"));
    lvReport_->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(row.number)));
    lvReport_->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(row.description)));
    lvReport_->setItem(r, 2, new QTableWidgetItem(before));
  }
  lvReport_->resizeColumnsToContents();
  layout->addWidget(lvReport_);
  auto* summary = new QLabel(QString("%1 changes in %2 subtitles").arg(report.rows.size()).arg(report.changedSubtitles));
  summary->setObjectName("summary");
  layout->addWidget(summary);
  auto* buttons = new QDialogButtonBox;
  auto* restore = buttons->addButton("&Restore", QDialogButtonBox::ActionRole);
  restore->setObjectName("cmdRestore");
  auto* undo = buttons->addButton("&Undo", QDialogButtonBox::ActionRole);
  undo->setObjectName("cmdUndo");
  auto* ok = buttons->addButton(QDialogButtonBox::Ok);
  layout->addWidget(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(lvReport_, &QTableWidget::currentCellChanged, this, [this](int row) {
    if (row >= 0) text_.ShowCleanRow(static_cast<std::size_t>(row));
  });
  connect(restore, &QPushButton::clicked, this, [this] {
    int row = lvReport_->currentRow();
    if (row >= 0 && text_.RestoreCleanRow(static_cast<std::size_t>(row))) {
      // A restored row stays listed but shows that it is back.
      for (int c = 0; c < 3; ++c) lvReport_->item(row, c)->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    }
  });
  connect(undo, &QPushButton::clicked, this, [this] {
    session_.Undo();
    accept();
  });
  restore->setEnabled(lvReport_->rowCount() > 0);
  undo->setEnabled(session_.CanUndo() && lvReport_->rowCount() > 0);
  resize(static_cast<int>(session_.settings().Get(kReportWidth)), static_cast<int>(session_.settings().Get(kReportHeight)));
}

void CleanReportDialog::done(int result) {
  SettingsStore::Batch batch(session_.settings());
  session_.settings().Set(kReportWidth, static_cast<long>(width()));
  session_.settings().Set(kReportHeight, static_cast<long>(height()));
  QDialog::done(result);
}

}  // namespace kipo::gui
