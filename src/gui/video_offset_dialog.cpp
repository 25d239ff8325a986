#include "gui/video_offset_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/player_controller.h"
#include "platform/prompter.h"
#include "platform/user_error.h"

namespace kipo::gui {

VideoOffsetDialog::VideoOffsetDialog(PlayerController& player, Prompter& prompter, QWidget* parent)
    : QDialog(parent), player_(player), prompter_(prompter) {
  setWindowTitle("Video Offset");
  setObjectName("videoOffsetDialog");
  auto* form = new QFormLayout(this);
  auto* hint = new QLabel("The offset is added to the video's own timecode (taken off with the box ticked).");
  hint->setWordWrap(true);
  form->addRow(hint);
  offset_ = new QLineEdit(QString::fromStdString(player.OffsetLabel()));
  offset_->setObjectName("offset");
  offset_->setInputMask("99:99:99:99;_");
  form->addRow("Offset:", offset_);
  back_ = new QCheckBox("Offset timecode back");
  back_->setObjectName("offsetBack");
  back_->setChecked(player.OffsetBack());
  form->addRow(back_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    try {
      player_.SetVideoOffset(offset_->text().toStdString(), back_->isChecked());
    } catch (const UserError& e) {
      prompter_.Inform(e.title(), e.text(), Icon::Warning);
      return;  // stays open for a corrected timecode
    }
    accept();
  });
}

}  // namespace kipo::gui
