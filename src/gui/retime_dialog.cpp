#include "gui/retime_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kipo::gui {
namespace {

// The factor fields in the table's order.
constexpr double TelecineFactors::*kFields[9] = {
    &TelecineFactors::palToNdf,      &TelecineFactors::palToDf,    &TelecineFactors::palTo24,
    &TelecineFactors::fps24ToPal,    &TelecineFactors::ndfToPal,   &TelecineFactors::dfToPal,
    &TelecineFactors::palTo23976,    &TelecineFactors::fps23976ToPal, &TelecineFactors::fps23976To24};

}  // namespace

RetimeDialog::RetimeDialog(SettingsStore& settings, int startHour, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  setObjectName("RetimeDialog");
  setWindowTitle("Cue Conversion");
  const ConversionChoices last = LoadConversionChoices(settings);
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget;
  tabs_->setObjectName("tabs");

  auto* convert = new QWidget;
  auto* form = new QFormLayout(convert);
  method_ = new QComboBox;
  method_->setObjectName("method");
  for (const std::string& m : ConversionMethodLabels()) method_->addItem(QString::fromStdString(m));
  method_->setCurrentIndex(static_cast<int>(last.method));
  conversion_ = new QComboBox;
  conversion_->setObjectName("conversion");
  for (const std::string& c : ConversionLabels()) conversion_->addItem(QString::fromStdString(c));
  conversion_->setCurrentIndex(static_cast<int>(last.conversion));
  startHour_ = new QLineEdit(QString("%1:00:00:00").arg(startHour, 2, 10, QChar('0')));
  startHour_->setObjectName("startHour");
  startHour_->setInputMask("99:99:99:99");
  auto* note = new QLabel;
  note->setObjectName("note");
  auto explain = [this, note] {
    bool has = MethodConverts(method(), conversion());
    note->setText(has ? QString() : "This method has no rule for this conversion: nothing would change.");
  };
  connect(method_, &QComboBox::currentIndexChanged, this, explain);
  connect(conversion_, &QComboBox::currentIndexChanged, this, explain);
  explain();
  form->addRow("Method:", method_);
  form->addRow("Conversion:", conversion_);
  form->addRow("Start hour:", startHour_);
  form->addRow(note);
  tabs_->addTab(convert, "Conversion");

  auto* telecine = new QWidget;
  auto* factorForm = new QFormLayout(telecine);
  const auto& rows = TelecineFactorTable().rows();
  for (std::size_t i = 0; i < factors_.size(); ++i) {
    factors_[i] = new QLineEdit;
    factors_[i]->setObjectName(QString::fromUtf8(rows[i].name.data(), static_cast<int>(rows[i].name.size())));
    factorForm->addRow(QString::fromUtf8(rows[i].name.data(), static_cast<int>(rows[i].name.size())) + ":",
                       factors_[i]);
  }
  ShowFactors(LoadTelecineFactors(settings));
  auto* defaults = new QPushButton("Default");
  defaults->setObjectName("default");
  connect(defaults, &QPushButton::clicked, this, [this] { ShowFactors(TelecineFactors{}); });
  auto* save = new QPushButton("Save");
  save->setObjectName("save");
  connect(save, &QPushButton::clicked, this, [this] { SaveTelecineFactors(settings_, factors()); });
  auto* row = new QHBoxLayout;
  row->addWidget(defaults);
  row->addWidget(save);
  factorForm->addRow(row);
  tabs_->addTab(telecine, "Telecine");
  tabs_->setCurrentIndex(last.tab);
  layout->addWidget(tabs_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    settings_.Set(kConversionTab, tabs_->currentIndex());
    if (!apply || apply(*this)) accept();
  });
  layout->addWidget(buttons);
}

void RetimeDialog::ShowFactors(const TelecineFactors& f) {
  for (std::size_t i = 0; i < factors_.size(); ++i) factors_[i]->setText(QString::number(f.*kFields[i], 'g', 12));
}

ConversionMethod RetimeDialog::method() const { return static_cast<ConversionMethod>(method_->currentIndex()); }
Conversion RetimeDialog::conversion() const { return static_cast<Conversion>(conversion_->currentIndex()); }
int RetimeDialog::startHour() const { return startHour_->text().left(2).toInt(); }

TelecineFactors RetimeDialog::factors() const {
  TelecineFactors f = LoadTelecineFactors(settings_);
  for (std::size_t i = 0; i < factors_.size(); ++i) {
    bool ok = false;
    double v = factors_[i]->text().trimmed().toDouble(&ok);
    if (ok && v > 0) f.*kFields[i] = v;
  }
  return f;
}

}  // namespace kipo::gui
