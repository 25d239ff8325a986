#include "gui/profile_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/profile_controller.h"
#include "settings/keys.h"

namespace kipo::gui {

namespace {

struct Number {
  const char* name;
  const char* caption;
  short HouseOptions::*member;
  int min, max;
  const char* unit;
};

constexpr Number kNumbers[] = {
    {"readingSpeed", "Reading speed:", &HouseOptions::readingSpeed, 1, 100, " characters per second"},
    {"minDuration", "Minimum duration:", &HouseOptions::minDuration, 0, 32767, " frames"},
    {"maxDuration", "Maximum duration:", &HouseOptions::maxDuration, 0, 32767, " frames"},
    {"defaultInterval", "Default interval:", &HouseOptions::defaultInterval, 0, 32767, " frames"},
    {"defaultDuration", "Default duration:", &HouseOptions::defaultDuration, 0, 32767, " frames"},
    {"maxRows", "Maximum rows:", &HouseOptions::maxRows, 1, 11, ""},
    {"maxRowLength", "Maximum characters in a row:", &HouseOptions::maxRowLength, 1, 999, ""},
};

// The working check each profile check forces or ignores, in ProfileCheck order.
CheckSwitch HouseOptions::*const kChecks[5] = {&HouseOptions::tooManyRows, &HouseOptions::invalidInterval,
                                               &HouseOptions::duration, &HouseOptions::emptySubtitles,
                                               &HouseOptions::raisedSubtitles};

}  // namespace

ProfileDialog::ProfileDialog(ProfileController& profiles, QWidget* parent) : QDialog(parent), profiles_(profiles) {
  setObjectName("ProfileDialog");
  setWindowTitle("Profile Settings");
  auto* layout = new QVBoxLayout(this);
  auto* top = new QFormLayout;
  cboProfile_ = new QComboBox;
  cboProfile_->setObjectName("cboProfile");
  top->addRow("Profile:", cboProfile_);
  txtDisplayFile_ = new QLineEdit;
  txtDisplayFile_->setObjectName("txtDisplayFile");
  top->addRow("Display settings file:", txtDisplayFile_);
  cboDisplayStandard_ = new QComboBox;
  cboDisplayStandard_->setObjectName("cboDisplayStandard");
  cboDisplayStandard_->addItems({"Open subtitling", "Level-1 teletext", "Level-2 teletext"});
  top->addRow("EBU display standard:", cboDisplayStandard_);
  layout->addLayout(top);

  auto* columns = new QHBoxLayout;
  auto* timing = new QGroupBox("Timing and limits");
  auto* timingForm = new QFormLayout(timing);
  for (const Number& n : kNumbers) {
    auto* spin = new QSpinBox;
    spin->setObjectName(n.name);
    spin->setRange(n.min, n.max);
    spin->setSuffix(n.unit);
    timingForm->addRow(n.caption, spin);
    numbers_.emplace_back(spin, n.member);
  }
  columns->addWidget(timing);

  auto* checks = new QGroupBox("Checks");
  auto* grid = new QGridLayout(checks);
  grid->addWidget(new QLabel("Force"), 0, 1);
  grid->addWidget(new QLabel("Ignore"), 0, 2);
  for (int i = 0; i < 5; ++i) {
    grid->addWidget(new QLabel(ProfileCheckNames()[static_cast<std::size_t>(i)]), i + 1, 0);
    force_[i] = new QCheckBox;
    force_[i]->setObjectName(QString("chkForce%1").arg(i));
    ignore_[i] = new QCheckBox;
    ignore_[i]->setObjectName(QString("chkIgnore%1").arg(i));
    grid->addWidget(force_[i], i + 1, 1);
    grid->addWidget(ignore_[i], i + 1, 2);
  }
  grid->setRowStretch(6, 1);
  columns->addWidget(checks);
  layout->addLayout(columns);

  auto* punctuation = new QGroupBox("Punctuation");
  auto* pgrid = new QGridLayout(punctuation);
  for (std::size_t i = 0; i < keys::kPunctuationRules.size(); ++i) {
    punctuation_[i] = new QCheckBox(QString::fromUtf8(keys::kPunctuationRules[i].name.data(),
                                                      static_cast<int>(keys::kPunctuationRules[i].name.size())));
    punctuation_[i]->setObjectName(QString("chkPunctuation%1").arg(i));
    pgrid->addWidget(punctuation_[i], static_cast<int>(i / 2), static_cast<int>(i % 2));
  }
  layout->addWidget(punctuation);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* import = buttons->addButton("&Import...", QDialogButtonBox::ActionRole);
  import->setObjectName("cmdImport");
  auto* exportButton = buttons->addButton("&Export...", QDialogButtonBox::ActionRole);
  exportButton->setObjectName("cmdExport");
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &ProfileDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(exportButton, &QPushButton::clicked, this, [this] { profiles_.ExportProfiles(); });
  connect(import, &QPushButton::clicked, this, [this] {
    if (profiles_.ImportProfiles()) FillNames(cboProfile_->currentText());
  });
  connect(cboProfile_, &QComboBox::currentTextChanged, this, [this](const QString& name) {
    if (!filling_) Choose(name);
  });
  FillNames(QString::fromStdString(profiles_.Current()));
}

void ProfileDialog::FillNames(const QString& select) {
  filling_ = true;
  cboProfile_->clear();
  for (const std::string& n : profiles_.Names()) cboProfile_->addItem(QString::fromStdString(n));
  int at = cboProfile_->findText(select);
  cboProfile_->setCurrentIndex(at >= 0 ? at : 0);
  filling_ = false;
  original_ = profiles_.Find(cboProfile_->currentText().toStdString()).value_or(Profile{});
  Show(original_);
}

void ProfileDialog::Show(const Profile& p) {
  txtDisplayFile_->setText(QString::fromStdString(p.displayFile));
  cboDisplayStandard_->setCurrentIndex(std::clamp<int>(p.displayStandard, 0, 2));
  for (auto& [spin, member] : numbers_) spin->setValue(p.rules.*member);
  for (int i = 0; i < 5; ++i) {
    force_[i]->setChecked(p.forced[static_cast<std::size_t>(i)]);
    ignore_[i]->setChecked(p.ignored[static_cast<std::size_t>(i)]);
  }
  for (std::size_t i = 0; i < p.punctuation.size(); ++i) punctuation_[i]->setChecked(p.punctuation[i]);
}

Profile ProfileDialog::edited() const {
  Profile p = original_;
  p.displayFile = txtDisplayFile_->text().toStdString();
  p.displayStandard = static_cast<short>(cboDisplayStandard_->currentIndex());
  for (const auto& [spin, member] : numbers_) p.rules.*member = static_cast<short>(spin->value());
  for (std::size_t i = 0; i < 5; ++i) {
    p.forced[i] = force_[i]->isChecked();
    p.ignored[i] = ignore_[i]->isChecked();
    (p.rules.*kChecks[i]).forced = p.forced[i];
    (p.rules.*kChecks[i]).ignored = p.ignored[i];
  }
  for (std::size_t i = 0; i < p.punctuation.size(); ++i) p.punctuation[i] = punctuation_[i]->isChecked();
  return p;
}

bool ProfileDialog::Choose(const QString& name) {
  if (name.toStdString() == original_.name) return true;
  if (!profiles_.SaveEdited(original_, edited())) {
    // Refused: back to the profile being edited, its changes kept.
    filling_ = true;
    cboProfile_->setCurrentText(QString::fromStdString(original_.name));
    filling_ = false;
    return false;
  }
  original_ = profiles_.Find(name.toStdString()).value_or(Profile{});
  Show(original_);
  return true;
}

void ProfileDialog::accept() {
  if (!profiles_.SaveEdited(original_, edited())) return;
  QDialog::accept();
}

}  // namespace kipo::gui
