#include "gui/caption_dialogs.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kipo::gui {
namespace {

QComboBox* Combo(const QStringList& items, int index) {
  auto* c = new QComboBox;
  c->addItems(items);
  c->setCurrentIndex(std::clamp(index, 0, static_cast<int>(items.size()) - 1));
  return c;
}

QCheckBox* Check(const QString& text, bool on) {
  auto* c = new QCheckBox(text);
  c->setChecked(on);
  return c;
}

QSpinBox* Spin(int min, int max, int value, const QString& suffix = {}) {
  auto* s = new QSpinBox;
  s->setRange(min, max);
  s->setValue(value);
  s->setSuffix(suffix);
  return s;
}

// The form with OK and Cancel under it.
QFormLayout* Frame(QDialog* d, const QString& title) {
  d->setWindowTitle(title);
  auto* outer = new QVBoxLayout(d);
  auto* form = new QFormLayout;
  outer->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
  outer->addWidget(buttons);
  return form;
}

}  // namespace

SccOptionsDialog::SccOptionsDialog(const SccExport& o, QWidget* parent) : QDialog(parent) {
  QFormLayout* form = Frame(this, "Scenarist Closed Caption Options");
  type_ = Combo({"Pop-on", "Roll-up 2", "Roll-up 3", "Roll-up 4"}, o.captionType);
  doubleCodes_ = Check("Double control codes", o.doubleControlCodes);
  ignoreBuildup_ = Check("Ignore buildup", o.ignoreBuildup != 0);
  noWait_ = Check("No two frame wait", o.noTwoFrameWait);
  showLog_ = Check("Show log of moved in cues", o.showLog);
  form->addRow("Caption type", type_);
  for (QCheckBox* c : {doubleCodes_, ignoreBuildup_, noWait_, showLog_}) form->addRow(c);
  // Roll-up captions are sent at their in cues: no build-up to allow for.
  auto rollUp = [this](int index) {
    if (index > 0) ignoreBuildup_->setChecked(true);
    ignoreBuildup_->setEnabled(index == 0);
  };
  connect(type_, &QComboBox::currentIndexChanged, this, rollUp);
  rollUp(type_->currentIndex());
}

SccExport SccOptionsDialog::options() const {
  SccExport o;
  o.captionType = type_->currentIndex();
  o.doubleControlCodes = doubleCodes_->isChecked();
  o.ignoreBuildup = ignoreBuildup_->isChecked() ? 1 : 0;
  o.noTwoFrameWait = noWait_->isChecked();
  o.showLog = showLog_->isChecked();
  return o;
}

UltechOptionsDialog::UltechOptionsDialog(const UltechOptions& o, QWidget* parent) : QDialog(parent) {
  QFormLayout* form = Frame(this, "Ultech");
  type_ = Combo({"Pop-on", "Roll-up", "Paint-on"}, o.captionType);
  channel_ = Combo({"Channel one", "Channel two"}, o.dataChannel - 1);
  offset_ = Spin(-9999, 9999, o.cueOffset, " frames");
  tolerance_ = Spin(0, 999, o.delayTolerance, " frames");
  compensate_ = Check("Compensate for TX delay", o.compensate);
  erase_ = Check("Erase displayed memory", o.eraseDisplayed);
  noOutCue_ = Check("Do not add out cue caption", o.noOutCue);
  form->addRow("Caption type", type_);
  form->addRow("Data channel", channel_);
  form->addRow("Cue offset", offset_);
  form->addRow("Delay tolerance", tolerance_);
  for (QCheckBox* c : {compensate_, erase_, noOutCue_}) form->addRow(c);
}

UltechOptions UltechOptionsDialog::options() const {
  UltechOptions o;
  o.captionType = type_->currentIndex();
  o.dataChannel = channel_->currentIndex() + 1;
  o.cueOffset = offset_->value();
  o.delayTolerance = tolerance_->value();
  o.compensate = compensate_->isChecked();
  o.eraseDisplayed = erase_->isChecked();
  o.noOutCue = noOutCue_->isChecked();
  return o;
}

CaptionIncOptionsDialog::CaptionIncOptionsDialog(const CaptionIncOptions& o, QWidget* parent) : QDialog(parent) {
  QFormLayout* form = Frame(this, "Caption Inc Options");
  type_ = Combo({"Pop-on", "Roll-up 2", "Roll-up 3", "Roll-up 4"}, o.captionType);
  channel_ = Combo({"Channel 1", "Channel 2"}, o.dataChannel - 1);
  precompensate_ = Spin(0, 999, o.precompensate);
  auto suffix = [this](int v) { precompensate_->setSuffix(v == 1 ? "  frame" : "  frames"); };
  connect(precompensate_, &QSpinBox::valueChanged, this, suffix);
  suffix(o.precompensate);
  header_ = new QLineEdit(QString::fromStdString(o.headerInfo));
  form->addRow("Caption type", type_);
  form->addRow("Data channel", channel_);
  form->addRow("Precompensate", precompensate_);
  form->addRow("Header info", header_);
}

CaptionIncOptions CaptionIncOptionsDialog::options() const {
  CaptionIncOptions o;
  o.captionType = type_->currentIndex();
  o.dataChannel = channel_->currentIndex() + 1;
  o.precompensate = precompensate_->value();
  o.headerInfo = header_->text().toStdString();
  return o;
}

std::optional<bool> EditCaptionOptions(const ExportFormat& row, SettingsStore& settings, QWidget* parent) {
  if (row.type == "SCC") {
    SccOptionsDialog d(SccOptionTable().Load(settings), parent);
    if (d.exec() != QDialog::Accepted) return false;
    SccOptionTable().Save(settings, d.options());
    return true;
  }
  if (row.type == "ULT") {
    UltechOptionsDialog d(UltechOptionTable().Load(settings), parent);
    if (d.exec() != QDialog::Accepted) return false;
    UltechOptionTable().Save(settings, d.options());
    return true;
  }
  if (row.type == "CIN") {
    CaptionIncOptionsDialog d(CaptionIncOptionTable().Load(settings), parent);
    if (d.exec() != QDialog::Accepted) return false;
    CaptionIncOptionTable().Save(settings, d.options());
    return true;
  }
  return std::nullopt;
}

}  // namespace kipo::gui
