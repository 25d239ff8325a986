#include "gui/goto_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace kipo::gui {

bool GoToDialog::IsTimecode(const QString& text) {
  const QString t = text.trimmed();
  return t.contains(':') || t.contains(';') || t.contains('.') || t.size() == 8;
}

GoToDialog::GoToDialog(int current, int count, QWidget* parent) : QDialog(parent) {
  setObjectName("goToDialog");
  setWindowTitle("Go To");
  auto* form = new QFormLayout(this);
  field_ = new QLineEdit(QString::number(current));
  field_->setObjectName("goToText");
  field_->selectAll();
  form->addRow("Subtitle &number or timecode:", field_);
  auto* hint = new QLabel(QString("1 to %1, or HH:MM:SS:FF").arg(count));
  hint->setObjectName("goToHint");
  form->addRow(hint);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (!go || go(field_->text().trimmed())) accept();
  });
}

}  // namespace kipo::gui
