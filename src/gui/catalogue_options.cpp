#include "gui/catalogue_options.h"

#include <algorithm>

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "formats/caption_formats.h"
#include "formats/custom_text_format.h"
#include "gui/caption_dialogs.h"
#include "gui/custom_text_dialog.h"
#include "gui/timed_text_dialogs.h"

namespace kipo::gui {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

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
  s->setValue(std::clamp(value, min, max));
  s->setSuffix(suffix);
  return s;
}

// A font list of the installed families that keeps a stored name the machine lacks.
QComboBox* FontCombo(const std::string& current) {
  auto* c = new QComboBox;
  c->setEditable(true);
  c->addItems(QFontDatabase::families());
  c->setCurrentText(Q(current));
  return c;
}

// The window's form with OK and Cancel under it (Escape is Cancel).
QFormLayout* Frame(QDialog* d, const QString& title, const QString& okText = {}) {
  d->setWindowTitle(title);
  auto* outer = new QVBoxLayout(d);
  auto* form = new QFormLayout;
  outer->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  if (!okText.isEmpty()) buttons->button(QDialogButtonBox::Ok)->setText(okText);
  QObject::connect(buttons, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
  outer->addWidget(buttons);
  return form;
}

const QStringList kHorizontal = {"Left", "Centre", "Right"};
const QStringList kVertical = {"Top", "Middle", "Bottom"};

// Windows colour numbers keep red in the low byte.
QColor ColourOf(long v) { return QColor(static_cast<int>(v & 0xFF), static_cast<int>(v >> 8 & 0xFF), static_cast<int>(v >> 16 & 0xFF)); }
long NumberOf(const QColor& c) { return c.red() | c.green() << 8 | static_cast<long>(c.blue()) << 16; }

// Runs an options window over a format's option table: loaded on opening, stored on OK.
template <class Dialog, class Options>
bool Edit(const OptionTable<Options>& table, SettingsStore& settings, QWidget* parent) {
  Dialog d(table.Load(settings), parent);
  if (d.exec() != QDialog::Accepted) return false;
  table.Save(settings, d.options());
  return true;
}

// The one-line input boxes of the spreadsheet and FAB rows: an empty answer keeps the old value.
bool InputBox(const OptionTable<TextOption>& table, const std::string& title, const std::string& prompt,
              SettingsStore& settings, Prompter& prompter) {
  TextOption o = table.Load(settings);
  std::optional<std::string> answer = prompter.Input(title, prompt, o.value);
  if (!answer) return false;
  if (!answer->empty()) {
    o.value = *answer;
    table.Save(settings, o);
  }
  return true;
}

// A header file's window: OK writes the file.
bool EditHeaderFile(HeaderFile which, const QString& title, const QString& okText, QWidget* parent) {
  HeaderDialog d(title, LoadHeaderFile(which), DefaultHeader(which), okText, parent);
  if (d.exec() != QDialog::Accepted) return false;
  SaveHeaderFile(which, d.text());
  return true;
}

}  // namespace

NitrisOptionsDialog::NitrisOptionsDialog(const NitrisOptions& o, QWidget* parent) : QDialog(parent) {
  QFormLayout* form = Frame(this, "Avid DS Nitris Options");
  preset_ = new QLineEdit(Q(o.preset));
  offset_ = new QLineEdit(Q(o.timecodeOffset));
  offset_->setInputMask("99:99:99:99");
  transformY_ = Spin(-9999, 9999, o.characterTransformY);
  nonRealtime_ = Check("Force non realtime", o.forceNonRealtime);
  addSpaces_ = Check("Add a space before and after every row", o.addSpaces);
  form->addRow("Preset", preset_);
  form->addRow("Timecode offset", offset_);
  form->addRow("Character transform Y", transformY_);
  form->addRow(nonRealtime_);
  form->addRow(addSpaces_);
}

NitrisOptions NitrisOptionsDialog::options() const {
  NitrisOptions o;
  o.preset = preset_->text().toStdString();
  // An offset typed only in part counts its missing digits as zeros.
  QString offset = offset_->text();
  offset.replace(' ', '0');
  o.timecodeOffset = offset.toStdString();
  o.characterTransformY = transformY_->value();
  o.forceNonRealtime = nonRealtime_->isChecked();
  o.addSpaces = addSpaces_->isChecked();
  return o;
}

HoekOptionsDialog::HoekOptionsDialog(const HoekOptions& o, QWidget* parent) : QDialog(parent) {
  QFormLayout* form = Frame(this, "Hoek en Son\u00e9pouse Options");
  frames_ = Check("Frames in the cues", o.frames);
  format_ = Combo({"HH:MM:SS:FF", "HH:MM:SS.FF"}, o.timecodeFormat);
  rowsOnLines_ = Check("Each row on its own line", o.rowsOnLines);
  form->addRow(frames_);
  form->addRow("Timecode format", format_);
  form->addRow(rowsOnLines_);
  // Without frames the cues have no frame separator to choose.
  auto frames = [this](bool on) { format_->setEnabled(on); };
  connect(frames_, &QCheckBox::toggled, this, frames);
  frames(o.frames);
}

HoekOptions HoekOptionsDialog::options() const {
  HoekOptions o;
  o.frames = frames_->isChecked();
  o.timecodeFormat = format_->currentIndex();
  o.rowsOnLines = rowsOnLines_->isChecked();
  return o;
}

HeaderDialog::HeaderDialog(const QString& title, const std::string& text, std::string defaultText,
                           const QString& okText, QWidget* parent)
    : QDialog(parent) {
  QFormLayout* form = Frame(this, title, okText);
  edit_ = new QPlainTextEdit(Q(text));
  edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* restore = new QPushButton("Default");
  connect(restore, &QPushButton::clicked, this, [this, d = std::move(defaultText)] { edit_->setPlainText(Q(d)); });
  form->addRow(edit_);
  form->addRow(restore);
  resize(520, 360);
}

std::string HeaderDialog::text() const {
  std::string t = edit_->toPlainText().toStdString();
  std::string out;
  for (char c : t) {
    if (c == '\n') out += "\r\n";
    else out += c;
  }
  return out;
}

PowerPointOptionsDialog::PowerPointOptionsDialog(const PowerPointOptions& o, QWidget* parent)
    : QDialog(parent), text_(o.textColor), back_(o.backColor) {
  QFormLayout* form = Frame(this, "PowerPoint Options");
  font_ = FontCombo(o.fontName);
  bold_ = Check("Bold", o.fontWeight >= 700);
  textColour_ = new QPushButton;
  backColour_ = new QPushButton;
  hAlign_ = Combo(kHorizontal, o.hAlign);
  vAlign_ = Combo(kVertical, o.vAlign);
  margin_ = Spin(0, 500, o.margin, " pt");
  baseline_ = Check("Keep the text at its size (baseline align)", o.baselineAlign);
  comments_ = Check("Comments", o.comments);
  blankLine_ = Check("Blank line before the comment", o.blankLine);
  commentSize_ = Spin(1, 400, o.fontSizeComments, " pt");
  commentHAlign_ = Combo(kHorizontal, o.hAlignComments);
  commentVAlign_ = Combo(kVertical, o.vAlignComments);
  chooseColour = [this](long current) -> std::optional<long> {
    const QColor c = QColorDialog::getColor(ColourOf(current), this);
    if (!c.isValid()) return std::nullopt;
    return NumberOf(c);
  };
  connect(textColour_, &QPushButton::clicked, this, [this] {
    if (auto c = chooseColour(text_)) text_ = *c;
    ShowColours();
  });
  connect(backColour_, &QPushButton::clicked, this, [this] {
    if (auto c = chooseColour(back_)) back_ = *c;
    ShowColours();
  });
  ShowColours();
  form->addRow("Font name", font_);
  form->addRow(bold_);
  form->addRow("Text color", textColour_);
  form->addRow("Back color", backColour_);
  form->addRow("Horizontal alignment", hAlign_);
  form->addRow("Vertical alignment", vAlign_);
  form->addRow("Margin", margin_);
  form->addRow(baseline_);
  form->addRow(comments_);
  form->addRow(blankLine_);
  form->addRow("Comment font size", commentSize_);
  form->addRow("Comment horizontal alignment", commentHAlign_);
  form->addRow("Comment vertical alignment", commentVAlign_);
  // The comment's settings matter only with comments on.
  auto comments = [this](bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{blankLine_, commentSize_, commentHAlign_, commentVAlign_})
      w->setEnabled(on);
  };
  connect(comments_, &QCheckBox::toggled, this, comments);
  comments(o.comments);
}

void PowerPointOptionsDialog::ShowColours() {
  for (auto [button, value] : {std::pair{textColour_, text_}, std::pair{backColour_, back_}}) {
    const QColor c = ColourOf(value);
    button->setText(c.name());
    button->setStyleSheet(QString("background-color: %1; color: %2").arg(c.name(), c.lightness() > 128 ? "black" : "white"));
  }
}

PowerPointOptions PowerPointOptionsDialog::options() const {
  PowerPointOptions o;
  o.fontName = font_->currentText().toStdString();
  o.fontWeight = bold_->isChecked() ? 700 : 400;
  o.textColor = text_;
  o.backColor = back_;
  o.hAlign = hAlign_->currentIndex();
  o.vAlign = vAlign_->currentIndex();
  o.margin = margin_->value();
  o.baselineAlign = baseline_->isChecked();
  o.comments = comments_->isChecked();
  o.blankLine = blankLine_->isChecked();
  o.fontSizeComments = commentSize_->value();
  o.hAlignComments = commentHAlign_->currentIndex();
  o.vAlignComments = commentVAlign_->currentIndex();
  return o;
}

SamiDialog::SamiDialog(const SamiOptions& o, bool exports, QWidget* parent) : QDialog(parent), loaded_(o) {
  QFormLayout* form = Frame(this, "Windows Media Player File", exports ? "Export..." : QString());
  title_ = new QLineEdit(Q(o.title));
  title_->setPlaceholderText("The file's name");
  font_ = FontCombo(o.fontName);
  size_ = Spin(1, 200, o.fontSize, " pt");
  languageName_ = new QLineEdit(Q(o.languageName));
  languageCode_ = new QLineEdit(Q(o.languageCode));
  form->addRow("Title", title_);
  form->addRow("Font name", font_);
  form->addRow("Font size", size_);
  form->addRow("Language name", languageName_);
  form->addRow("Language code", languageCode_);
}

SamiOptions SamiDialog::options() const {
  SamiOptions o = loaded_;
  o.title = title_->text().toStdString();
  o.fontName = font_->currentText().toStdString();
  o.fontSize = size_->value();
  o.languageName = languageName_->text().toStdString();
  o.languageCode = languageCode_->text().toStdString();
  return o;
}

bool RunExportOptions(const ExportFormat& row, SettingsStore& settings, Prompter& prompter, QWidget* parent) {
  const std::string& w = row.optionsDialog;
  if (row.name == kCustomTextName) {
    CustomTextDialog d(settings, prompter, parent);
    return d.exec() == QDialog::Accepted;
  }
  if (w == "frmNitrisOptions") return Edit<NitrisOptionsDialog>(NitrisOptionTable(), settings, parent);
  if (w == "frmHoekOptions") return Edit<HoekOptionsDialog>(HoekOptionTable(), settings, parent);
  if (w == "frmPowerPointOptions") return Edit<PowerPointOptionsDialog>(PowerPointOptionTable(), settings, parent);
  if (w == "frmSpruceHeader") return EditHeaderFile(HeaderFile::Spruce, "Spruce Header", {}, parent);
  if (w == "frmTheatricalHeader") return EditHeaderFile(HeaderFile::Theatrical, "Theatrical Header", {}, parent);
  if (w == "frmTheatricalRTFHeader") {
    TextOption o = TheatricalRtfHeaderTable().Load(settings);
    HeaderDialog d("Theatrical RTF Header", o.value, TheatricalRtfHeaderTable().Load(SettingsStore()).value, {}, parent);
    if (d.exec() != QDialog::Accepted) return false;
    o.value = d.text();
    TheatricalRtfHeaderTable().Save(settings, o);
    return true;
  }
  if (w == "frmSAMI") {
    SamiDialog d(SamiOptionTable().Load(settings), false, parent);
    if (d.exec() != QDialog::Accepted) return false;
    SamiOptionTable().Save(settings, d.options());
    return true;
  }
  if (row.name == "Microsoft Excel")
    return InputBox(CsvLineBreakTable(), "Microsoft Excel CSV file", "Enter line break character:", settings, prompter);
  if (row.name == "FAB shortform")
    return InputBox(FabLineStartTable(), "FAB Shortform", "Enter line start character:", settings, prompter);
  if (std::optional<bool> shown = EditCaptionOptions(row, settings, parent)) return *shown;
  return RunTimedTextOptions(row, settings, parent).value_or(true);
}

std::optional<bool> RunExportWindow(const ExportFormat& row, SettingsStore& settings,
                                    const std::function<bool()>& exportFile, QWidget* parent) {
  if (row.exporter == "frmSAMI") {
    SamiDialog d(SamiOptionTable().Load(settings), true, parent);
    if (d.exec() != QDialog::Accepted) return false;
    SamiOptionTable().Save(settings, d.options());
    return exportFile();
  }
  if (row.exporter == "frmSpruceOptions") {
    if (!EditHeaderFile(HeaderFile::Spruce, "Spruce Maestro", "Export...", parent)) return false;
    return exportFile();
  }
  if (row.exporter == "frmULT") {
    UltechOptionsDialog d(UltechOptionTable().Load(settings), parent);
    if (d.exec() != QDialog::Accepted) return false;
    UltechOptionTable().Save(settings, d.options());
    return exportFile();
  }
  return std::nullopt;
}

}  // namespace kipo::gui
