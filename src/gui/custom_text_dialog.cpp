#include "gui/custom_text_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/timecode.h"
#include "formats/custom_text_format.h"
#include "platform/files.h"
#include "platform/user_error.h"

namespace kipo::gui {
namespace {

const char* kTemplateFilter = "Custom text format template files (*.ctf)|*.ctf";

QString Q(const std::string& s) { return QString::fromStdString(s); }

QComboBox* Combo(const char* name, const std::vector<std::string>& items, bool editable) {
  auto* c = new QComboBox;
  c->setObjectName(name);
  for (const std::string& i : items) c->addItem(Q(i));
  c->setEditable(editable);
  return c;
}

QCheckBox* Check(const char* name, const char* caption) {
  auto* c = new QCheckBox(caption);
  c->setObjectName(name);
  return c;
}

void SetSeparator(QComboBox* c, const std::string& value) { c->setCurrentText(Q(value)); }

// Two short subtitles, the second italic with a comment, as the preview shows them.
SubtitleDocument PreviewSample() {
  SubtitleDocument d;
  Subtitle a;
  a.inCue = "00102309";
  a.outCue = "00102614";
  a.text = "Sample two line\r\nsubtitle <text>";
  a.row = 2;
  Subtitle b;
  b.inCue = "00102700";
  b.outCue = "00103012";
  b.text = "Second subtitle";
  b.italic = true;
  b.comment = "A comment";
  d.Append(a);
  d.Append(b);
  return d;
}

}  // namespace

CustomTextDialog::CustomTextDialog(SettingsStore& settings, Prompter& prompter, QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter) {
  setObjectName("frmSimpleTextOptions");
  setWindowTitle("Custom Text Format Options");
  const auto& seps = SeparatorChoices();
  number_ = Check("chkNumber", "Subtitle number");
  numberFormat_ = Combo("cboNumberFormat", {"1, 2, 3", "0001, 0002, 0003"}, false);
  numberSep_ = Combo("cboFieldSpacingNumberToCue", seps, true);
  cues_ = Check("chkCues", "In and out cues");
  tcFormat_ = Combo("cboTCFormat", TimecodeFormatLabels(), false);
  interSep_ = Combo("cboFieldSpacingInterCue", seps, true);
  durationSep_ = Combo("cboFieldSpacingCueToDuration", seps, true);
  duration_ = Check("chkDuration", "Duration");
  position_ = Check("chkPosition", "Position (row)");
  textSep_ = Combo("cboFieldSpacingToSubtitle", seps, true);
  rowSep_ = Combo("cboRowFlag", seps, true);
  startItalic_ = new QLineEdit;
  startItalic_->setObjectName("txtStartItalic");
  endItalic_ = new QLineEdit;
  endItalic_->setObjectName("txtEndItalic");
  blank_ = Check("chkBlank", "Blank line between subtitles");
  comments_ = Check("chkIncludeComments", "Include comments");
  encoding_ = Combo("cboEncoding", CustomTextEncodingNames(), false);
  preview_ = new QPlainTextEdit;
  preview_->setObjectName("txtPreview");
  preview_->setReadOnly(true);
  preview_->setLineWrapMode(QPlainTextEdit::NoWrap);
  preview_->setFont(QFont("Monospace"));

  auto* grid = new QGridLayout;
  int r = 0;
  auto row = [&](QWidget* a, const char* label, QWidget* b) {
    grid->addWidget(a, r, 0);
    if (label) {
      grid->addWidget(new QLabel(label), r, 1);
      grid->addWidget(b, r, 2);
    }
    ++r;
  };
  row(number_, "Number format:", numberFormat_);
  row(new QWidget, "Separator after the number:", numberSep_);
  row(cues_, "Timecode form:", tcFormat_);
  row(new QWidget, "Between in and out cue:", interSep_);
  row(new QWidget, "After the out cue:", durationSep_);
  row(duration_, nullptr, nullptr);
  row(position_, nullptr, nullptr);
  row(new QWidget, "Before the text:", textSep_);
  row(new QWidget, "Between text rows:", rowSep_);
  row(new QWidget, "Start italic:", startItalic_);
  row(new QWidget, "End italic:", endItalic_);
  row(blank_, nullptr, nullptr);
  row(comments_, nullptr, nullptr);
  row(new QWidget, "Encoding:", encoding_);

  auto* load = new QPushButton("Load...");
  load->setObjectName("btnLoadFormat");
  auto* save = new QPushButton("Save...");
  save->setObjectName("btnSaveFormat");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->addButton(load, QDialogButtonBox::ActionRole);
  buttons->addButton(save, QDialogButtonBox::ActionRole);

  auto* top = new QHBoxLayout;
  top->addLayout(grid);
  top->addWidget(preview_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(buttons);

  setOptions(LoadCustomTextOptions(settings_));
  for (QCheckBox* c : {number_, cues_, duration_, position_, blank_, comments_})
    connect(c, &QCheckBox::toggled, this, [this] { UpdatePreview(); });
  for (QComboBox* c : {numberFormat_, numberSep_, interSep_, tcFormat_, durationSep_, textSep_, rowSep_})
    connect(c, &QComboBox::currentTextChanged, this, [this] { UpdatePreview(); });
  for (QLineEdit* e : {startItalic_, endItalic_}) connect(e, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
  connect(load, &QPushButton::clicked, this, [this] { LoadTemplate(); });
  connect(save, &QPushButton::clicked, this, [this] { SaveTemplate(); });
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    SaveCustomTextOptions(settings_, options());
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  UpdatePreview();
  resize(900, 480);
}

CustomTextOptions CustomTextDialog::options() const {
  CustomTextOptions o;
  o.number = number_->isChecked();
  o.numberFormat = numberFormat_->currentIndex();
  o.numberSeparator = numberSep_->currentText().toStdString();
  o.cues = cues_->isChecked();
  o.tcFormat = tcFormat_->currentIndex();
  o.interCueSeparator = interSep_->currentText().toStdString();
  o.durationSeparator = durationSep_->currentText().toStdString();
  o.duration = duration_->isChecked();
  o.position = position_->isChecked();
  o.textSeparator = textSep_->currentText().toStdString();
  o.rowSeparator = rowSep_->currentText().toStdString();
  o.startItalic = startItalic_->text().toStdString();
  o.endItalic = endItalic_->text().toStdString();
  o.blankLine = blank_->isChecked();
  o.comments = comments_->isChecked();
  o.encoding = encoding_->currentIndex();
  return o;
}

void CustomTextDialog::setOptions(const CustomTextOptions& o) {
  number_->setChecked(o.number);
  numberFormat_->setCurrentIndex(std::clamp(o.numberFormat, 0, 1));
  SetSeparator(numberSep_, o.numberSeparator);
  cues_->setChecked(o.cues);
  tcFormat_->setCurrentIndex(std::clamp(o.tcFormat, 0, 7));
  SetSeparator(interSep_, o.interCueSeparator);
  SetSeparator(durationSep_, o.durationSeparator);
  duration_->setChecked(o.duration);
  position_->setChecked(o.position);
  SetSeparator(textSep_, o.textSeparator);
  SetSeparator(rowSep_, o.rowSeparator);
  startItalic_->setText(Q(o.startItalic));
  endItalic_->setText(Q(o.endItalic));
  blank_->setChecked(o.blankLine);
  comments_->setChecked(o.comments);
  encoding_->setCurrentIndex(std::clamp(o.encoding, 0, 2));
  UpdatePreview();
}

void CustomTextDialog::UpdatePreview() {
  if (!preview_) return;
  QString text = Q(WriteCustomText(PreviewSample(), options()));
  text.replace("\r\n", "\n").replace("\t", "\u2192   ");
  preview_->setPlainText(text);
}

bool CustomTextDialog::LoadTemplate() {
  FileDialog d;
  d.title = "Open Custom Text Format Template";
  d.filter = kTemplateFilter;
  d.defaultExt = "ctf";
  d.pathMustExist = true;
  auto choice = prompter_.OpenFile(d);
  if (!choice || choice->path.empty()) return false;
  try {
    setOptions(ReadCustomTemplate(ReadFileBytes(choice->path, 1 << 20)));
  } catch (const UserError& e) {
    prompter_.Inform(e.title(), e.text(), Icon::Critical);
    return false;
  } catch (const std::exception& e) {
    prompter_.Inform(kAppTitle, e.what(), Icon::Critical);
    return false;
  }
  return true;
}

bool CustomTextDialog::SaveTemplate() {
  FileDialog d;
  d.title = "Save Custom Text Format Template";
  d.filter = kTemplateFilter;
  d.defaultExt = "ctf";
  d.overwritePrompt = true;
  auto choice = prompter_.SaveFile(d);
  if (!choice || choice->path.empty()) return false;
  std::string path = choice->path;
  if (!std::filesystem::path(path).has_extension()) path += ".ctf";
  try {
    WriteFileAtomic(path, WriteCustomTemplate(options()));
  } catch (const std::exception& e) {
    prompter_.Inform(kAppTitle, e.what(), Icon::Critical);
    return false;
  }
  return true;
}

}  // namespace kipo::gui
