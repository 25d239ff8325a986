#include "gui/subtitle_style_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QRegularExpression>
#include <algorithm>

#include "core/document.h"

namespace kipo::gui {

namespace {

QDialogButtonBox* OkCancel(QDialog* dlg) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dlg, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dlg, &QDialog::reject);
  return buttons;
}

std::vector<std::string> Rows(const std::string& text) {
  std::vector<std::string> rows;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find("\r\n", start);
    rows.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return rows;
}

}  // namespace

const char* RowColourName(int colour) {
  static const char* kNames[] = {"Default", "Red", "Green", "Yellow", "Blue", "Magenta", "Cyan", "White"};
  return colour >= 0 && colour <= 7 ? kNames[colour] : "";
}

BoxStyleDialog::BoxStyleDialog(int style, QWidget* parent) : QDialog(parent) {
  setObjectName("BoxStyleDialog");
  setWindowTitle("Box Style");
  auto* form = new QFormLayout(this);
  cboStyle_ = new QComboBox;
  cboStyle_->setObjectName("cboStyle");
  for (int s = BoxNone; s <= BoxGhostStripeOutline; ++s) cboStyle_->addItem(BoxStyleName(s), s);
  cboStyle_->setCurrentIndex(std::clamp(style, static_cast<int>(BoxNone), static_cast<int>(BoxGhostStripeOutline)) - BoxNone);
  form->addRow("Box style:", cboStyle_);
  form->addRow(OkCancel(this));
}

int BoxStyleDialog::style() const { return cboStyle_->currentData().toInt(); }

RowColoursDialog::RowColoursDialog(const std::string& text, const std::string& rowColours, QWidget* parent)
    : QDialog(parent) {
  setObjectName("RowColoursDialog");
  setWindowTitle("Row Colours");
  auto* form = new QFormLayout(this);
  const std::vector<std::string> rows = Rows(text);
  for (std::size_t i = 0; i < rows.size() && i < 11; ++i) {
    auto* combo = new QComboBox;
    combo->setObjectName(QString("cboRow%1").arg(i + 1));
    for (int c = 0; c <= 7; ++c) combo->addItem(RowColourName(c));
    const char digit = i < rowColours.size() ? rowColours[i] : '0';
    combo->setCurrentIndex(digit >= '0' && digit <= '7' ? digit - '0' : 0);
    // The row's own text, colour codes and markup left as they are, so it can be told apart.
    QString shown = QString::fromStdString(rows[i]).remove(QRegularExpression("[\\x01-\\x08]"));
    form->addRow(QString("Row %1: %2").arg(i + 1).arg(shown.left(40)), combo);
    rows_.push_back(combo);
  }
  form->addRow(OkCancel(this));
}

std::vector<int> RowColoursDialog::colours() const {
  std::vector<int> out;
  for (QComboBox* c : rows_) out.push_back(c->currentIndex());
  return out;
}

}  // namespace kipo::gui
