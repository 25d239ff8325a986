#include "gui/timed_text_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include "formats/timed_text_format.h"

namespace kipo::gui {
namespace {

constexpr int kSmallestSize = 8;  // the size setting counts pixels from here

const OptionTable<TimedTextWriteOptions>& TableOf(TimedTextOptionsDialog::Kind kind) {
  switch (kind) {
    case TimedTextOptionsDialog::Kind::EbuTtd: return EbuTtdOptionTable();
    case TimedTextOptionsDialog::Kind::ITunes: return ITunesOptionTable();
    default: return TimedTextOptionTable();
  }
}

QComboBox* Combo(const char* name, const QStringList& items, bool editable = false) {
  auto* c = new QComboBox;
  c->setObjectName(name);
  c->addItems(items);
  c->setEditable(editable);
  return c;
}

}  // namespace

TimedTextOptionsDialog::TimedTextOptionsDialog(Kind kind, SettingsStore& settings, QWidget* parent)
    : QDialog(parent), kind_(kind), settings_(settings), table_(TableOf(kind)), loaded_(table_.Load(settings)) {
  auto* layout = new QVBoxLayout(this);
  if (kind == Kind::ITunes) {
    setObjectName("frmiTuneOptions");
    setWindowTitle("iTunes Options");
    forceRegion_ = new QCheckBox("Force all subtitles into the bottom region");
    forceRegion_->setObjectName("chkForceRegion");
    forceRegion_->setChecked(loaded_.forceRegion);
    layout->addWidget(forceRegion_);
  } else {
    setObjectName(kind == Kind::EbuTtd ? "frmEBUTTD" : "frmTimedTextOptions");
    setWindowTitle(kind == Kind::EbuTtd ? "EBU-TT-D Options" : "Timed Text Options");
    if (kind == Kind::EbuTtd) {
      auto* meta = new QGroupBox("Document");
      auto* form = new QFormLayout(meta);
      country_ = Combo("cboCountry", {"GBR", "AUS", "AUT", "BEL", "CAN", "CHE", "DEU", "DNK", "ESP", "FIN", "FRA",
                                      "IRL", "ITA", "NLD", "NOR", "NZL", "POL", "PRT", "SWE", "USA"},
                       true);
      country_->setCurrentText(QString::fromStdString(loaded_.country));
      aspect_ = Combo("cboAspectRatio", {"4:3", "16:9"});
      aspect_->setCurrentIndex(loaded_.aspect == 1 ? 1 : 0);
      publisher_ = new QLineEdit(QString::fromStdString(loaded_.publisher));
      publisher_->setObjectName("txtPublisher");
      editor_ = new QLineEdit(QString::fromStdString(loaded_.editor));
      editor_->setObjectName("txtEditor");
      copyright_ = new QLineEdit(QString::fromStdString(loaded_.copyright));
      copyright_->setObjectName("txtCopyright");
      form->addRow("Country of origin:", country_);
      form->addRow("Aspect ratio:", aspect_);
      form->addRow("Publisher:", publisher_);
      form->addRow("Editor:", editor_);
      form->addRow("Copyright:", copyright_);
      layout->addWidget(meta);
    }
    auto* look = new QGroupBox("Appearance");
    auto* form = new QFormLayout(look);
    fontName_ = Combo("cboFontName", QFontDatabase::families(), true);
    fontName_->setCurrentText(QString::fromStdString(loaded_.fontName));
    QStringList sizes;
    for (int px = kSmallestSize; px <= 72; ++px) sizes << QString::number(px);
    fontSize_ = Combo("cboFontSize", sizes);
    fontSize_->setCurrentIndex(std::clamp(loaded_.fontSize, 0, fontSize_->count() - 1));
    fontStyle_ = Combo("cboFontStyle", {"Normal", "Bold"});
    fontStyle_->setCurrentIndex(loaded_.fontStyle == 0 ? 0 : 1);
    box_ = new QCheckBox("Black box behind the text");
    box_->setObjectName("chkBox");
    box_->setChecked(loaded_.boxed != 0);
    outline_ = new QCheckBox("Outline");
    outline_->setObjectName("chkOutline");
    outline_->setChecked(loaded_.outline);
    outlineSize_ = new QSpinBox;
    outlineSize_->setObjectName("numOutline");
    outlineSize_->setRange(0, 100);
    outlineSize_->setSuffix(" px");
    outlineSize_->setValue(loaded_.outlineSize);
    outlineSize_->setEnabled(loaded_.outline);
    connect(outline_, &QCheckBox::toggled, outlineSize_, &QSpinBox::setEnabled);
    form->addRow("Font:", fontName_);
    form->addRow("Size (pixels):", fontSize_);
    form->addRow("Weight:", fontStyle_);
    form->addRow(box_);
    form->addRow(outline_, outlineSize_);
    layout->addWidget(look);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    Store();
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

TimedTextWriteOptions TimedTextOptionsDialog::options() const {
  TimedTextWriteOptions o = loaded_;
  if (forceRegion_) o.forceRegion = forceRegion_->isChecked();
  if (fontName_) {
    o.fontName = fontName_->currentText().trimmed().toStdString();
    if (o.fontName.empty()) o.fontName = "Arial";
    o.fontSize = fontSize_->currentIndex();
    o.fontStyle = fontStyle_->currentIndex();
    o.boxed = box_->isChecked() ? 1 : 0;
    o.outline = outline_->isChecked();
    o.outlineSize = outlineSize_->value();
  }
  if (country_) {
    o.country = country_->currentText().trimmed().toStdString();
    o.aspect = aspect_->currentIndex();
    o.publisher = publisher_->text().toStdString();
    o.editor = editor_->text().toStdString();
    o.copyright = copyright_->text().toStdString();
  }
  return o;
}

void TimedTextOptionsDialog::Store() { table_.Save(settings_, options()); }

std::optional<bool> RunTimedTextOptions(const ExportFormat& row, SettingsStore& settings, QWidget* parent) {
  TimedTextOptionsDialog::Kind kind;
  if (row.optionsDialog == "frmTimedTextOptions") kind = TimedTextOptionsDialog::Kind::Appearance;
  else if (row.optionsDialog == "frmEBUTTD") kind = TimedTextOptionsDialog::Kind::EbuTtd;
  else if (row.optionsDialog == "frmiTuneOptions") kind = TimedTextOptionsDialog::Kind::ITunes;
  else return std::nullopt;
  TimedTextOptionsDialog dlg(kind, settings, parent);
  return dlg.exec() == QDialog::Accepted;
}

}  // namespace kipo::gui
