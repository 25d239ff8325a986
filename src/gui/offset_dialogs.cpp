#include "gui/offset_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <cstdlib>

#include "platform/prompter.h"
#include "settings/setting_key.h"
#include "settings/settings_store.h"

namespace kipo::gui {

namespace {

// Check-box state, stored as 1 and 0.
inline constexpr FlagSetting kOffsetTimecodeBack{"Options", "Offset timecode back", false, FlagForm::OneZero};
inline constexpr const char* kInvalidTimecode = "Please enter a valid timecode (HH:MM:SS:FF).";

QLineEdit* TimecodeField(const char* name) {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  e->setInputMask("99:99:99:99;_");
  QFont f("Monospace");
  f.setStyleHint(QFont::TypeWriter);
  e->setFont(f);
  return e;
}

// Frames of a typed label; nothing unless it is a complete timecode valid at the rate.
std::optional<Timecode> TypedFrames(const QLineEdit* field, const FrameRate& rate) {
  std::string text = field->text().toStdString();
  if (!IsCompleteCue(StripSeparators(text)) || !IsValidCue(text, rate)) return std::nullopt;
  return LabelToFrames(text, rate);
}

}  // namespace

QString SignedOffsetLabel(Timecode frames, const FrameRate& rate) {
  return QString(frames < 0 ? "-" : "+") + QString::fromStdString(FramesToLabel(std::abs(frames), rate));
}

QuickOffsetDialog::QuickOffsetDialog(Prompter& prompter, const FrameRate& rate, const std::string& inCue,
                                     Timecode position, QWidget* parent)
    : QDialog(parent), prompter_(prompter), rate_(rate), inCue_(inCue) {
  setObjectName("QuickOffsetDialog");
  setWindowTitle("Quick Offset");
  auto* form = new QFormLayout(this);
  auto* in = new QLabel(QString::fromStdString(DigitsToLabel(inCue)));
  in->setObjectName("inCue");
  form->addRow("Current subtitle in cue:", in);
  position_ = TimecodeField("position");
  position_->setText(QString::fromStdString(FramesToLabel(position, rate)));
  form->addRow("Video position:", position_);
  offset_ = new QLabel;
  offset_->setObjectName("offset");
  form->addRow("Offset:", offset_);
  auto* note = new QLabel("The current subtitle will start at the video position;\nevery later subtitle keeps its distance.");
  form->addRow(note);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QuickOffsetDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
  connect(position_, &QLineEdit::textChanged, this, [this] { ShowOffset(); });
  ShowOffset();
}

std::optional<Timecode> QuickOffsetDialog::position() const { return TypedFrames(position_, rate_); }

std::optional<Timecode> QuickOffsetDialog::offset() const {
  auto p = position();
  if (!p || !IsCompleteCue(inCue_)) return std::nullopt;
  return *p - LabelToFrames(inCue_, rate_);
}

void QuickOffsetDialog::ShowOffset() {
  auto o = offset();
  offset_->setText(o ? SignedOffsetLabel(*o, rate_) : QString("--:--:--:--"));
}

void QuickOffsetDialog::accept() {
  auto p = position();
  if (!p) {
    prompter_.Inform("", kInvalidTimecode, Icon::Warning);
    return;
  }
  if (apply && !apply(*p)) return;
  QDialog::accept();
}

VideoOffsetDialog::VideoOffsetDialog(SettingsStore& settings, Prompter& prompter, const FrameRate& rate,
                                     QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter), rate_(rate) {
  setObjectName("VideoOffsetDialog");
  setWindowTitle("Video Offset");
  auto* form = new QFormLayout(this);
  txtOffset_ = TimecodeField("txtOffset");
  txtOffset_->setText("00:00:00:00");
  form->addRow("Offset:", txtOffset_);
  chkBack_ = new QCheckBox("Offset timecode back");
  chkBack_->setObjectName("chkBack");
  chkBack_->setChecked(settings_.Get(kOffsetTimecodeBack));
  form->addRow(chkBack_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &VideoOffsetDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

std::optional<Timecode> VideoOffsetDialog::offset() const {
  auto frames = TypedFrames(txtOffset_, rate_);
  if (!frames) return std::nullopt;
  return chkBack_->isChecked() ? -*frames : *frames;
}

void VideoOffsetDialog::accept() {
  if (!offset()) {
    prompter_.Inform("", kInvalidTimecode, Icon::Warning);
    return;
  }
  settings_.Set(kOffsetTimecodeBack, chkBack_->isChecked());
  QDialog::accept();
}

}  // namespace kipo::gui
