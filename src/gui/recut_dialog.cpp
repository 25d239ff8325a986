#include "gui/recut_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kipo::gui {
namespace {

QLineEdit* CueField(const char* name) {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  e->setInputMask("99:99:99:99");
  return e;
}

QSpinBox* Number(const char* name, int count, int value) {
  auto* s = new QSpinBox;
  s->setObjectName(name);
  s->setRange(1, std::max(count, 1));
  s->setValue(std::clamp(value, 1, std::max(count, 1)));
  return s;
}

}  // namespace

RecutDialog::RecutDialog(const SettingsStore& settings, int count, int current, QWidget* parent) : QDialog(parent) {
  setObjectName("RecutDialog");
  setWindowTitle("Recut");
  auto* layout = new QVBoxLayout(this);
  auto* range = new QFormLayout;
  from_ = Number("from", count, current);
  to_ = Number("to", count, count);
  range->addRow("From subtitle:", from_);
  range->addRow("To subtitle:", to_);
  layout->addLayout(range);

  offset_ = CueField("offset");
  offset_->setText("00:00:00:00");
  add_ = new QCheckBox(kAddOffsetCaption);
  add_->setObjectName("addOffset");
  add_->setChecked(true);
  newIn_ = CueField("newIn");
  anchor1_ = Number("anchor1", count, current);
  anchor2_ = Number("anchor2", count, count);
  anchor1In_ = CueField("anchor1NewIn");
  anchor2In_ = CueField("anchor2NewIn");

  const auto& captions = RecutTypeCaptions();
  QWidget* fields[4] = {nullptr, nullptr, nullptr, nullptr};
  auto* manual = new QWidget;
  auto* m = new QHBoxLayout(manual);
  m->addWidget(offset_);
  m->addWidget(add_);
  fields[0] = manual;
  fields[1] = newIn_;
  auto* anchors = new QWidget;
  auto* a = new QFormLayout(anchors);
  auto* one = new QHBoxLayout;
  one->addWidget(anchor1_);
  one->addWidget(anchor1In_);
  auto* two = new QHBoxLayout;
  two->addWidget(anchor2_);
  two->addWidget(anchor2In_);
  a->addRow("Subtitle one:", one);
  a->addRow("Subtitle two:", two);
  fields[3] = anchors;
  for (int i = 0; i < 4; ++i) {
    types_[i] = new QRadioButton(QString::fromStdString(captions[static_cast<std::size_t>(i)]));
    types_[i]->setObjectName(QString("type%1").arg(i));
    layout->addWidget(types_[i]);
    if (fields[i]) {
      layout->addWidget(fields[i]);
      connect(types_[i], &QRadioButton::toggled, fields[i], &QWidget::setEnabled);
      fields[i]->setEnabled(false);
    }
  }
  types_[static_cast<std::size_t>(settings.Get(kOffsetType))]->setChecked(true);

  outOnly_ = new QCheckBox(kOutCuesOnlyCaption);
  outOnly_->setObjectName("outOnly");
  keepInterval_ = new QCheckBox(kKeepIntervalCaption);
  keepInterval_->setObjectName("keepInterval");
  keepInterval_->setChecked(settings.Get(kOffsetMaintainInterval));
  layout->addWidget(outOnly_);
  layout->addWidget(keepInterval_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (!apply || apply(*this)) {
      accept();
    } else if (type() == RecutType::Manual) {
      offset_->setFocus();
      offset_->selectAll();
    }
  });
  layout->addWidget(buttons);
}

RecutType RecutDialog::type() const {
  for (int i = 0; i < 4; ++i)
    if (types_[static_cast<std::size_t>(i)]->isChecked()) return static_cast<RecutType>(i);
  return RecutType::Manual;
}
long RecutDialog::first() const { return from_->value(); }
long RecutDialog::last() const { return to_->value(); }

RecutOptions RecutDialog::options() const {
  RecutOptions o;
  o.offset = offset_->text().toStdString();
  o.addOffset = add_->isChecked();
  o.newInCue = newIn_->text().toStdString();
  o.anchor1 = anchor1_->value();
  o.anchor2 = anchor2_->value();
  o.anchor1NewIn = anchor1In_->text().toStdString();
  o.anchor2NewIn = anchor2In_->text().toStdString();
  o.outCuesOnly = outOnly_->isChecked();
  o.keepInterval = keepInterval_->isChecked();
  return o;
}

}  // namespace kipo::gui
