#include "gui/snap_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "settings/keys.h"

namespace kipo::gui {
namespace {

QComboBox* List(const char* name, const QStringList& items, long index) {
  auto* c = new QComboBox;
  c->setObjectName(name);
  c->addItems(items);
  c->setCurrentIndex(static_cast<int>(std::clamp<long>(index, 0, items.size() - 1)));
  return c;
}

QSpinBox* Number(const char* name, int count, int value) {
  auto* s = new QSpinBox;
  s->setObjectName(name);
  s->setRange(1, std::max(count, 1));
  s->setValue(std::clamp(value, 1, std::max(count, 1)));
  return s;
}

}  // namespace

SnapDialog::SnapDialog(SettingsStore& settings, int count, int current, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setObjectName("SnapDialog");
  setWindowTitle("Snap to shot cuts");
  auto* layout = new QVBoxLayout(this);

  auto* rangeBox = new QGroupBox("Range");
  auto* r = new QVBoxLayout(rangeBox);
  const char* captions[3] = {"Whole file", "Current subtitle", "From subtitle"};
  for (int i = 0; i < 3; ++i) {
    ranges_[i] = new QRadioButton(captions[i]);
    ranges_[i]->setObjectName(QString("range%1").arg(i));
  }
  r->addWidget(ranges_[0]);
  r->addWidget(ranges_[1]);
  from_ = Number("from", count, current);
  to_ = Number("to", count, count);
  auto* numbered = new QHBoxLayout;
  numbered->addWidget(ranges_[2]);
  numbered->addWidget(from_);
  numbered->addWidget(new QLabel("to subtitle"));
  numbered->addWidget(to_);
  r->addLayout(numbered);
  for (QSpinBox* s : {from_, to_}) {
    connect(ranges_[2], &QRadioButton::toggled, s, &QWidget::setEnabled);
    s->setEnabled(false);
  }
  ranges_[static_cast<std::size_t>(settings.Get(keys::kSnapShotCutRange))]->setChecked(true);
  layout->addWidget(rangeBox);

  const SnapOptions o = SnapOptions::Load(settings);
  auto* cues = new QFormLayout;
  in_ = List("shotCutIn", {"On the shot cut", "One frame after a shot cut", "Two frames after a shot cut"}, o.inOffset);
  out_ = List("shotCutOut",
              {"One frame before a shot cut", "Two frames before a shot cut", "Default interval before a shot cut"},
              o.outChoice);
  QStringList frames;
  for (long f = keys::kShotCutThreshold.min; f <= keys::kShotCutThreshold.max; ++f)
    frames << QString("%1 frame%2").arg(f).arg(f == 1 ? "" : "s");
  window_ = List("threshold", frames, o.window - keys::kShotCutThreshold.min);
  cues->addRow("In cue:", in_);
  cues->addRow("Out cue:", out_);
  cues->addRow("Snap within:", window_);
  layout->addLayout(cues);
  auto* hint = new QLabel("You can also use Alt+Numpad 5");
  hint->setObjectName("hint");
  layout->addWidget(hint);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QPushButton* save = buttons->addButton("Save settings", QDialogButtonBox::ActionRole);
  save->setObjectName("saveSettings");
  connect(save, &QPushButton::clicked, this, [this] {
    options().Save(settings_);
    reject();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (apply && apply(*this) == SnapOutcome::Refused) {
      to_->setFocus();
      to_->selectAll();
      return;
    }
    accept();
  });
  layout->addWidget(buttons);
}

SnapRange SnapDialog::range() const {
  for (int i = 0; i < 3; ++i)
    if (ranges_[static_cast<std::size_t>(i)]->isChecked()) return static_cast<SnapRange>(i);
  return SnapRange::WholeFile;
}
long SnapDialog::from() const { return from_->value(); }
long SnapDialog::to() const { return to_->value(); }

SnapOptions SnapDialog::options() const {
  return {in_->currentIndex(), out_->currentIndex(),
          window_->currentIndex() + static_cast<int>(keys::kShotCutThreshold.min)};
}

ShiftShotCutsDialog::ShiftShotCutsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("ShiftShotCutsDialog");
  setWindowTitle("Shift shot cuts");
  auto* layout = new QFormLayout(this);
  direction_ = List("direction", {"Up", "Down"}, 0);
  QStringList n;
  for (int f = 1; f <= 25; ++f) n << QString::number(f);
  frames_ = List("frames", n, 0);
  layout->addRow("Direction:", direction_);
  layout->addRow("Frames:", frames_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addRow(buttons);
}

int ShiftShotCutsDialog::frames() const { return frames_->currentIndex() + 1; }
bool ShiftShotCutsDialog::up() const { return direction_->currentIndex() == 0; }

}  // namespace kipo::gui
