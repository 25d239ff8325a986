#include "gui/bitmap_export_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include "core/markup.h"
#include "imaging/display_format.h"
#include "imaging/subtitle_renderer.h"
#include "platform/files.h"
#include "platform/user_error.h"

namespace kipo::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QComboBox* Combo(const std::vector<std::string>& items, const char* name) {
  auto* c = new QComboBox;
  c->setObjectName(name);
  for (const std::string& i : items) c->addItem(Q(i));
  return c;
}

QSpinBox* Spin(int lo, int hi, const char* name) {
  auto* s = new QSpinBox;
  s->setObjectName(name);
  s->setRange(lo, hi);
  return s;
}

QCheckBox* CheckBox(const char* text) {
  auto* c = new QCheckBox(text);
  c->setObjectName(text);
  return c;
}

void SetButtonColour(QPushButton* b, Rgba c) {
  b->setProperty("rgb", QColor(c.r, c.g, c.b));
  b->setStyleSheet(QString("background-color: rgb(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b));
}

Rgba ButtonColour(const QPushButton* b) {
  QColor c = b->property("rgb").value<QColor>();
  return Rgba{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()), static_cast<std::uint8_t>(c.blue()), 255};
}

}  // namespace

BitmapExportDialog::BitmapExportDialog(SettingsStore& settings, Prompter& prompter, const SubtitleDocument& doc,
                                       int selectionFirst, int selectionLast, QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter), doc_(doc), selFirst_(selectionFirst), selLast_(selectionLast) {
  setObjectName("frmDVD");
  setWindowTitle("DVD Export");
  previewTimer_ = new QTimer(this);
  previewTimer_->setSingleShot(true);
  previewTimer_->setInterval(150);
  connect(previewTimer_, &QTimer::timeout, this, [this] { RefreshPreview(); });
  Build();
  setOptions(DvdOptionTable().Load(settings_));
}

BitmapExportDialog::~BitmapExportDialog() = default;

void BitmapExportDialog::setFontFiles(std::vector<std::string> files) {
  fontFiles_ = std::move(files);
  SchedulePreview();
}

void BitmapExportDialog::Build() {
  auto* tabs = new QTabWidget;
  tabs->setObjectName("tabs");

  // Target and pictures.
  auto* targetTab = new QWidget;
  auto* tf = new QFormLayout(targetTab);
  target_ = Combo(AuthoringTargetNames(), "Target system");
  extension_ = Combo(ScriptExtensions(), "Script file extension");
  extension_->setEditable(true);
  picture_ = Combo({"8-bit BMP", "24-bit BMP", "8-bit TIFF", "24-bit TIFF", "8-bit PNG", "32-bit PNG"}, "Picture format");
  size_ = Combo(PictureSizeNames(), "Picture size");
  width_ = Spin(1, 8192, "Bitmap width");
  height_ = Spin(1, 8192, "Bitmap height");
  range_ = Combo(ExportRangeNames(), "Range");
  charset_ = Combo(RenderCharacterSetNames(), "Character set");
  auto* wh = new QHBoxLayout;
  wh->addWidget(width_);
  wh->addWidget(new QLabel("x"));
  wh->addWidget(height_);
  tf->addRow("Target system", target_);
  tf->addRow("Script file extension", extension_);
  tf->addRow("Picture format", picture_);
  tf->addRow("Picture size", size_);
  tf->addRow("Bitmap size", wh);
  tf->addRow("Range", range_);
  tf->addRow("Character set", charset_);
  ignoreEmpty_ = CheckBox("Ignore empty subtitles");
  deleteOnCancel_ = CheckBox("Delete bitmaps on cancel");
  anamorphic_ = CheckBox("Anamorphic");
  duplicateEdl_ = CheckBox("Duplicate SBS EDL");
  customHeader_ = CheckBox("Custom header");
  auto* header = new QPushButton("Header...");
  header->setObjectName("header");
  connect(header, &QPushButton::clicked, this, [this] { EditHeader(); });
  auto* hh = new QHBoxLayout;
  hh->addWidget(customHeader_);
  hh->addWidget(header);
  tf->addRow(ignoreEmpty_);
  tf->addRow(deleteOnCancel_);
  tf->addRow(anamorphic_);
  tf->addRow(duplicateEdl_);
  tf->addRow(hh);
  tabs->addTab(targetTab, "Target");

  // Font and effects.
  auto* fontTab = new QWidget;
  auto* ff = new QFormLayout(fontTab);
  font_ = new QLineEdit;
  font_->setObjectName("Font name");
  fontSize_ = Spin(4, 1000, "Font size");
  bold_ = CheckBox("Bold");
  italic_ = CheckBox("Italic");
  antialias_ = Combo(AntiAliasNames(), "Antialias type");
  outline_ = Combo({"None", "Outline", "Boxed outline"}, "Outline");
  border_ = Spin(1, 8, "Border");
  kerning_ = Spin(-50, 100, "Kerning");
  leading_ = Spin(-100, 500, "Leading");
  shadow_ = CheckBox("Drop shadow");
  crop_ = CheckBox("Crop subtitles");
  ff->addRow("Font", font_);
  ff->addRow("Size", fontSize_);
  ff->addRow(bold_);
  ff->addRow(italic_);
  ff->addRow("Antialias type", antialias_);
  ff->addRow("Outline", outline_);
  ff->addRow("Border", border_);
  ff->addRow("Kerning", kerning_);
  ff->addRow("Leading", leading_);
  ff->addRow(shadow_);
  ff->addRow(crop_);
  tabs->addTab(fontTab, "Font");

  // Position.
  auto* posTab = new QWidget;
  auto* pf = new QFormLayout(posTab);
  baseline_ = Spin(0, 8192, "Baseline");
  ceiling_ = Spin(0, 8192, "Ceiling");
  left_ = Spin(0, 8192, "Left margin");
  right_ = Spin(0, 8192, "Right margin");
  centre_ = Spin(-4096, 4096, "Centre");
  pad_ = Spin(0, 500, "Pad");
  hpad_ = Spin(0, 500, "HPad");
  singleRow_ = Spin(0, 99, "Single line row");
  rowOneCeiling_ = CheckBox("Set row 1 to ceiling");
  for (auto [label, w] : std::initializer_list<std::pair<const char*, QSpinBox*>>{
           {"Baseline", baseline_}, {"Ceiling", ceiling_}, {"Left margin", left_}, {"Right margin", right_},
           {"Centre", centre_}, {"Pad", pad_}, {"HPad", hpad_}, {"Single line row", singleRow_}})
    pf->addRow(label, w);
  pf->addRow(rowOneCeiling_);
  tabs->addTab(posTab, "Position");

  // Colours, contrast, palette indices.
  auto* colTab = new QWidget;
  auto* cg = new QGridLayout(colTab);
  const char* names[] = {"Background colour", "Text colour", "Border colour", "Antialias colour"};
  const char* cls[] = {"BG", "PA", "E1", "E2"};
  cg->addWidget(new QLabel("Colour"), 0, 1);
  cg->addWidget(new QLabel("Contrast"), 0, 2);
  cg->addWidget(new QLabel("Colour map"), 0, 3);
  for (int i = 0; i < 4; ++i) {
    colour_[i] = new QPushButton;
    colour_[i]->setObjectName(names[i]);
    colour_[i]->setFixedWidth(48);
    connect(colour_[i], &QPushButton::clicked, this, [this, i] {
      QColor c = QColorDialog::getColor(colour_[i]->property("rgb").value<QColor>(), this);
      if (!c.isValid()) return;
      SetButtonColour(colour_[i], Rgba{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                                       static_cast<std::uint8_t>(c.blue()), 255});
      SchedulePreview();
    });
    contrast_[i] = Spin(0, 15, (std::string("Contrast ") + cls[i]).c_str());
    colourMap_[i] = Spin(0, 15, (std::string("Colour map ") + cls[i]).c_str());
    cg->addWidget(new QLabel(names[i]), i + 1, 0);
    cg->addWidget(colour_[i], i + 1, 1);
    cg->addWidget(contrast_[i], i + 1, 2);
    cg->addWidget(colourMap_[i], i + 1, 3);
  }
  opacity_ = Spin(0, 100, "Opacity");
  contrastPreview_ = CheckBox("Use contrast settings in Live Preview");
  cg->addWidget(new QLabel("Opacity"), 5, 0);
  cg->addWidget(opacity_, 5, 1);
  cg->addWidget(contrastPreview_, 6, 0, 1, 4);
  cg->setRowStretch(7, 1);
  tabs->addTab(colTab, "Colours");

  // Files.
  auto* fileTab = new QWidget;
  auto* fl = new QFormLayout(fileTab);
  folder_ = new QLineEdit;
  folder_->setObjectName("Export directory");
  auto* browse = new QPushButton("...");
  browse->setObjectName("browse");
  connect(browse, &QPushButton::clicked, this, [this] { ChooseFolder(); });
  auto* fh = new QHBoxLayout;
  fh->addWidget(folder_);
  fh->addWidget(browse);
  stream_ = new QLineEdit;
  stream_->setObjectName("Bitmap stream");
  indexFile_ = new QLineEdit;
  indexFile_->setObjectName("Index file");
  previewText_ = new QLineEdit;
  previewText_->setObjectName("Preview text");
  fl->addRow("Export directory", fh);
  fl->addRow("Bitmap stream", stream_);
  fl->addRow("Index file", indexFile_);
  fl->addRow("Preview text", previewText_);
  tabs->addTab(fileTab, "Files");

  // The live preview: one subtitle on a background picture, margin lines, zoom, the list.
  auto* previewBox = new QGroupBox("Live preview");
  auto* pv = new QVBoxLayout(previewBox);
  previewLabel_ = new QLabel;
  previewLabel_->setObjectName("preview");
  previewLabel_->setAlignment(Qt::AlignCenter);
  auto* scroll = new QScrollArea;
  scroll->setWidget(previewLabel_);
  scroll->setWidgetResizable(true);
  scroll->setMinimumSize(380, 300);
  zoom_ = Combo({"25%", "50%", "75%", "100%", "200%"}, "zoom");
  zoom_->setCurrentIndex(1);
  marginLines_ = CheckBox("Margin lines");
  marginLines_->setChecked(true);
  auto* bgButton = new QPushButton("Background picture...");
  bgButton->setObjectName("background");
  connect(bgButton, &QPushButton::clicked, this, [this] { ChooseBackground(); });
  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel("Zoom"));
  controls->addWidget(zoom_);
  controls->addWidget(marginLines_);
  controls->addWidget(bgButton);
  list_ = new QListWidget;
  list_->setObjectName("subtitles");
  list_->setMaximumHeight(120);
  list_->addItem("Preview text");
  const auto& subs = doc_.Subtitles();
  for (std::size_t i = 0; i < subs.size() && i < 5000; ++i)
    list_->addItem(QString("%1  %2").arg(i + 1, 4, 10, QChar('0')).arg(Q(StripMarkup(subs[i].text)).replace("\r\n", " / ")));
  list_->setCurrentRow(selFirst_ >= 1 && selFirst_ <= static_cast<int>(subs.size()) ? selFirst_ : 0);
  pv->addWidget(scroll, 1);
  pv->addLayout(controls);
  pv->addWidget(list_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* load = buttons->addButton("Load settings...", QDialogButtonBox::ActionRole);
  load->setObjectName("load");
  auto* save = buttons->addButton("Save settings...", QDialogButtonBox::ActionRole);
  save->setObjectName("save");
  connect(load, &QPushButton::clicked, this, [this] { LoadSettingsFile(); });
  connect(save, &QPushButton::clicked, this, [this] { SaveSettingsFile(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (!Check()) return;
    DvdOptionTable().Save(settings_, options());
    StartExport();
    progress_->exec();
    accept();
  });

  auto* top = new QHBoxLayout;
  top->addWidget(tabs);
  top->addWidget(previewBox, 1);
  auto* main = new QVBoxLayout(this);
  main->addLayout(top, 1);
  main->addWidget(buttons);

  // Any change redraws the preview after a short pause.
  for (QComboBox* c : findChildren<QComboBox*>())
    connect(c, &QComboBox::currentIndexChanged, this, [this] { SchedulePreview(); });
  for (QSpinBox* s : findChildren<QSpinBox*>()) connect(s, &QSpinBox::valueChanged, this, [this] { SchedulePreview(); });
  for (QCheckBox* c : findChildren<QCheckBox*>()) connect(c, &QCheckBox::toggled, this, [this] { SchedulePreview(); });
  for (QLineEdit* e : {font_, previewText_}) connect(e, &QLineEdit::textChanged, this, [this] { SchedulePreview(); });
  connect(list_, &QListWidget::currentRowChanged, this, [this] { SchedulePreview(); });
  connect(target_, &QComboBox::currentIndexChanged, this, [this] { TargetChanged(); });
  connect(size_, &QComboBox::currentIndexChanged, this, [this](int i) {
    FrameSize f = PictureSizeFrame(i);
    if (f.width > 0) width_->setValue(f.width), height_->setValue(f.height);
  });
}

void BitmapExportDialog::TargetChanged() {
  const auto t = static_cast<AuthoringTarget>(target_->currentIndex());
  extension_->setCurrentText(Q(std::string(DefaultScriptExtension(t))));
  if (NeedsPng(t) && picture_->currentIndex() != static_cast<int>(PictureFormat::Png8))
    picture_->setCurrentIndex(static_cast<int>(PictureFormat::Png32));
}

void BitmapExportDialog::setOptions(const DvdOptions& o) {
  base_ = o;
  const QSignalBlocker block(target_);
  target_->setCurrentIndex(o.targetSystem);
  extension_->setCurrentText(Q(o.scriptExtension));
  picture_->setCurrentIndex(std::clamp(o.pictureFormat, 0, 5));
  {
    const QSignalBlocker b2(size_);
    size_->setCurrentIndex(o.pictureSize);
  }
  width_->setValue(o.bitmapWidth);
  height_->setValue(o.bitmapHeight);
  range_->setCurrentIndex(o.range);
  charset_->setCurrentIndex(o.characterSet);
  ignoreEmpty_->setChecked(o.ignoreEmpty);
  deleteOnCancel_->setChecked(o.deleteOnCancel);
  anamorphic_->setChecked(o.anamorphic);
  duplicateEdl_->setChecked(o.duplicateSbsEdl);
  customHeader_->setChecked(o.customHeader);
  headerText_ = o.headerText;
  lastHeaderFile_ = o.lastHeaderFile;
  font_->setText(Q(o.fontName));
  fontSize_->setValue(o.fontSize);
  bold_->setChecked(o.bold);
  italic_->setChecked(o.italic);
  antialias_->setCurrentIndex(o.antialiasType);
  outline_->setCurrentIndex(o.outline);
  border_->setValue(o.border);
  kerning_->setValue(o.kerning);
  leading_->setValue(o.leading);
  shadow_->setChecked(o.dropShadow);
  crop_->setChecked(o.cropSubtitles);
  baseline_->setValue(o.baseline);
  ceiling_->setValue(o.ceiling);
  left_->setValue(o.leftMargin);
  right_->setValue(o.rightMargin);
  centre_->setValue(o.centre);
  pad_->setValue(o.pad);
  hpad_->setValue(o.hpad);
  singleRow_->setValue(o.singleLineRow);
  rowOneCeiling_->setChecked(o.rowOneToCeiling);
  const Rgba colours[] = {o.backgroundColour, o.textColour, o.borderColour, o.antialiasColour};
  const int contrasts[] = {o.contrastBG, o.contrastPA, o.contrastE1, o.contrastE2};
  const int maps[] = {o.colourMapBG, o.colourMapPA, o.colourMapE1, o.colourMapE2};
  for (int i = 0; i < 4; ++i) {
    SetButtonColour(colour_[i], colours[i]);
    contrast_[i]->setValue(contrasts[i]);
    colourMap_[i]->setValue(maps[i]);
  }
  opacity_->setValue(o.opacity);
  contrastPreview_->setChecked(o.contrastInPreview);
  folder_->setText(Q(o.exportDirectory));
  stream_->setText(Q(o.bitmapStream));
  indexFile_->setText(Q(o.indexFile));
  previewText_->setText(Q(o.previewText));
  SchedulePreview();
}

DvdOptions BitmapExportDialog::options() const {
  DvdOptions o = base_;
  o.targetSystem = target_->currentIndex();
  o.scriptExtension = extension_->currentText().toStdString();
  o.pictureFormat = picture_->currentIndex();
  o.pictureSize = size_->currentIndex();
  o.bitmapWidth = width_->value();
  o.bitmapHeight = height_->value();
  int df = PictureSizeDisplayFormat(o.pictureSize);
  if (df >= 0) o.displayFormat = df;
  o.range = range_->currentIndex();
  o.characterSet = charset_->currentIndex();
  o.ignoreEmpty = ignoreEmpty_->isChecked();
  o.deleteOnCancel = deleteOnCancel_->isChecked();
  o.anamorphic = anamorphic_->isChecked();
  o.duplicateSbsEdl = duplicateEdl_->isChecked();
  o.customHeader = customHeader_->isChecked();
  o.headerText = headerText_;
  o.lastHeaderFile = lastHeaderFile_;
  o.fontName = font_->text().toStdString();
  o.fontSize = fontSize_->value();
  o.bold = bold_->isChecked();
  o.italic = italic_->isChecked();
  o.antialiasType = antialias_->currentIndex();
  o.outline = outline_->currentIndex();
  o.border = border_->value();
  o.kerning = kerning_->value();
  o.leading = leading_->value();
  o.dropShadow = shadow_->isChecked();
  o.cropSubtitles = crop_->isChecked();
  o.baseline = baseline_->value();
  o.ceiling = ceiling_->value();
  o.leftMargin = left_->value();
  o.rightMargin = right_->value();
  o.centre = centre_->value();
  o.pad = pad_->value();
  o.hpad = hpad_->value();
  o.singleLineRow = singleRow_->value();
  o.rowOneToCeiling = rowOneCeiling_->isChecked();
  o.backgroundColour = ButtonColour(colour_[0]);
  o.textColour = ButtonColour(colour_[1]);
  o.borderColour = ButtonColour(colour_[2]);
  o.antialiasColour = ButtonColour(colour_[3]);
  o.contrastBG = contrast_[0]->value(), o.contrastPA = contrast_[1]->value();
  o.contrastE1 = contrast_[2]->value(), o.contrastE2 = contrast_[3]->value();
  o.colourMapBG = colourMap_[0]->value(), o.colourMapPA = colourMap_[1]->value();
  o.colourMapE1 = colourMap_[2]->value(), o.colourMapE2 = colourMap_[3]->value();
  o.opacity = opacity_->value();
  o.contrastInPreview = contrastPreview_->isChecked();
  o.exportDirectory = folder_->text().toStdString();
  o.bitmapStream = stream_->text().toStdString();
  o.indexFile = indexFile_->text().toStdString();
  o.previewText = previewText_->text().toStdString();
  return o;
}

void BitmapExportDialog::SchedulePreview() { previewTimer_->start(); }

void BitmapExportDialog::RefreshPreview() {
  previewTimer_->stop();
  const DvdOptions o = options();
  RenderStyle style = o.Style();
  style.fontFiles = fontFiles_;
  style.background.a = 0;
  if (o.contrastInPreview) {
    // DVD contrast 0-15 as the players show it: 0 transparent, 15 opaque.
    style.text.a = static_cast<std::uint8_t>(o.contrastPA * 17);
    style.borderColour.a = static_cast<std::uint8_t>(o.contrastE1 * 17);
    style.antialiasColour.a = static_cast<std::uint8_t>(o.contrastE2 * 17);
  }
  RenderLayout layout = o.Layout();
  layout.fitToSubtitle = false;
  SubtitleRenderer renderer(style, layout);
  const int row = list_->currentRow();
  RenderResult r = row >= 1 && row <= static_cast<int>(doc_.Count()) ? renderer.Render(doc_.Subtitles()[row - 1], row)
                                                                     : renderer.RenderText(o.previewText);
  const DibSection& pic = r.picture;
  QImage frame(pic.width(), pic.height(), QImage::Format_ARGB32);
  if (!background_.isNull()) {
    QPainter p(&frame);
    p.drawImage(frame.rect(), background_);
  } else {
    frame.fill(QColor(o.backgroundColour.r, o.backgroundColour.g, o.backgroundColour.b));
  }
  QImage text(pic.rgba().data(), pic.width(), pic.height(), pic.width() * 4, QImage::Format_RGBA8888);
  {
    QPainter p(&frame);
    p.drawImage(0, 0, text);
    if (marginLines_->isChecked()) {
      p.setPen(QPen(QColor(255, 64, 64), 1, Qt::DashLine));
      p.drawLine(o.leftMargin, 0, o.leftMargin, frame.height());
      p.drawLine(frame.width() - o.rightMargin, 0, frame.width() - o.rightMargin, frame.height());
      p.setPen(QPen(QColor(64, 255, 64), 1, Qt::DashLine));
      p.drawLine(0, o.baseline, frame.width(), o.baseline);
      p.drawLine(0, o.ceiling, frame.width(), o.ceiling);
    }
  }
  static const double kZoom[] = {0.25, 0.5, 0.75, 1.0, 2.0};
  const double z = kZoom[std::clamp(zoom_->currentIndex(), 0, 4)];
  preview_ = frame.scaled(std::max(1, int(frame.width() * z)), std::max(1, int(frame.height() * z)), Qt::IgnoreAspectRatio,
                          Qt::SmoothTransformation);
  previewLabel_->setPixmap(QPixmap::fromImage(preview_));
  QStringList notes;
  for (const RenderMessage& m : r.messages) notes << Q(m.text);
  previewLabel_->setToolTip(notes.join("\n"));
}

std::pair<int, int> BitmapExportDialog::Range() const {
  const int count = static_cast<int>(doc_.Count());
  if (static_cast<ExportRange>(range_->currentIndex()) == ExportRange::Selection) return {selFirst_, selLast_};
  return {count > 0 ? 1 : 0, count};
}

bool BitmapExportDialog::Check() {
  const DvdOptions o = options();
  auto [first, last] = Range();
  DvdValidation v = ValidateDvdOptions(o, first, last);
  if (!v.ok()) {
    if (!v.question) {
      prompter_.Inform("DVD Export", v.message, Icon::Warning);
      return false;
    }
    if (prompter_.Ask({"DVD Export", v.message, Buttons::YesNo, Icon::Question}) != Answer::Yes) return false;
  }
  if (IsHighDefinition(o.target())) {
    std::string bad = CheckHdCues(doc_, first, last);
    if (!bad.empty()) {
      prompter_.Inform("DVD Export", bad, Icon::Warning);
      return false;
    }
  }
  if (o.exportDirectory.empty()) {
    prompter_.Inform("DVD Export", "Cannot read from selected drive", Icon::Warning);
    return false;
  }
  try {
    PrepareExportFolder(o.exportDirectory);
  } catch (const UserError& e) {
    prompter_.Inform(e.title(), e.text(), Icon::Warning);
    return false;
  }
  return true;
}

void BitmapExportDialog::StartExport() {
  BitmapExportRequest req;
  req.options = options();
  req.fontFiles = fontFiles_;
  req.document = doc_;
  auto [first, last] = Range();
  req.first = first;
  req.last = last;
  req.folder = req.options.exportDirectory;
  delete progress_;
  progress_ = new BitmapExportProgress(std::move(req), prompter_, this);
}

void BitmapExportDialog::LoadSettingsFile() {
  FileDialog d;
  d.title = "Load DVD Export Settings";
  d.filter = kDvdSettingsFilter;
  d.defaultExt = "dvd";
  auto choice = prompter_.OpenFile(d);
  if (!choice) return;
  try {
    setOptions(LoadDvdSettingsFile(choice->path));
    setWindowTitle(QString(kDvdWindowTitlePrefix) + Q(std::filesystem::path(choice->path).filename().string()));
  } catch (const UserError& e) {
    prompter_.Inform(e.title(), e.text(), Icon::Warning);
  }
}

void BitmapExportDialog::SaveSettingsFile() {
  FileDialog d;
  d.title = "Save DVD Export Settings";
  d.filter = kDvdSettingsFilter;
  d.defaultExt = "dvd";
  d.overwritePrompt = true;
  auto choice = prompter_.SaveFile(d);
  if (!choice) return;
  std::filesystem::path path = choice->path;
  if (!path.has_extension()) path += ".dvd";
  try {
    SaveDvdSettingsFile(path, options());
    setWindowTitle(QString(kDvdWindowTitlePrefix) + Q(path.filename().string()));
  } catch (const UserError& e) {
    prompter_.Inform(e.title(), e.text(), Icon::Critical);
  }
}

void BitmapExportDialog::EditHeader() {
  // The header window: the text written instead of the script's own header lines.
  auto text = prompter_.Input("Custom header", "Header lines (separate lines with \\n):", headerText_);
  if (!text) return;
  std::string t = *text;
  for (std::size_t p; (p = t.find("\\n")) != std::string::npos;) t.replace(p, 2, "\r\n");
  headerText_ = t;
}

void BitmapExportDialog::ChooseBackground() {
  FileDialog d;
  d.title = "Background picture";
  d.filter = "Pictures (*.bmp;*.png;*.jpg;*.tif)|*.bmp;*.png;*.jpg;*.tif";
  auto choice = prompter_.OpenFile(d);
  if (!choice) return;
  QImage img(Q(choice->path));
  if (img.isNull()) {
    prompter_.Inform("DVD Export", choice->path + " is not a picture file", Icon::Warning);
    return;
  }
  background_ = img;
  RefreshPreview();
}

void BitmapExportDialog::ChooseFolder() {
  auto folder = prompter_.ChooseFolder("Export directory");
  if (folder) folder_->setText(Q(*folder));
}

// --- Progress and log ---------------------------------------------------------------

BitmapExportProgress::BitmapExportProgress(BitmapExportRequest request, Prompter& prompter, QWidget* parent)
    : QDialog(parent), prompter_(prompter) {
  setObjectName("frmDVDExport");
  setWindowTitle("DVD Export");
  bar_ = new QProgressBar;
  bar_->setObjectName("progress");
  log_ = new QListWidget;
  log_->setObjectName("log");
  cancel_ = new QPushButton("Cancel");
  cancel_->setObjectName("cancel");
  save_ = new QPushButton("Save log...");
  save_->setObjectName("saveLog");
  print_ = new QPushButton("Print...");
  print_->setObjectName("printLog");
  close_ = new QPushButton("Close");
  close_->setObjectName("close");
  for (QPushButton* b : {save_, print_, close_}) b->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save_);
  buttons->addWidget(print_);
  buttons->addStretch(1);
  buttons->addWidget(cancel_);
  buttons->addWidget(close_);
  auto* main = new QVBoxLayout(this);
  main->addWidget(bar_);
  main->addWidget(log_, 1);
  main->addLayout(buttons);
  resize(560, 380);

  connect(cancel_, &QPushButton::clicked, this, [this] {
    cancel_->setEnabled(false);
    export_->Cancel();
  });
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);
  connect(save_, &QPushButton::clicked, this, [this] {
    FileDialog d;
    d.title = "Save DVD Export Log";
    d.filter = "DVD Export Log Files (*.log)|*.log";
    d.defaultExt = "log";
    d.overwritePrompt = true;
    auto choice = prompter_.SaveFile(d);
    if (!choice) return;
    std::string text;
    for (const std::string& l : result_.log) text += l + "\r\n";
    try {
      WriteFileAtomic(choice->path, text);
    } catch (const UserError& e) {
      prompter_.Inform(e.title(), e.text(), Icon::Critical);
    }
  });
  connect(print_, &QPushButton::clicked, this, [this] {
    // No printer service here: the log is printed to a PDF file.
    FileDialog d;
    d.title = "Print DVD Export Log";
    d.filter = "PDF Files (*.pdf)|*.pdf";
    d.defaultExt = "pdf";
    d.overwritePrompt = true;
    auto choice = prompter_.SaveFile(d);
    if (!choice) return;
    QPdfWriter pdf(Q(choice->path));
    QTextDocument doc;
    doc.setPlainText(PrintText());
    doc.print(&pdf);
  });

  export_ = std::make_unique<BitmapExport>(std::move(request));
  bar_->setRange(0, static_cast<int>(std::max<std::size_t>(1, export_->count())));
  QPointer<BitmapExportProgress> self(this);
  JobObserver obs;
  obs.post = [self](std::function<void()> f) {
    if (self) QMetaObject::invokeMethod(self.data(), std::move(f), Qt::QueuedConnection);
  };
  obs.onProgress = [this](const JobProgress& p) { bar_->setValue(static_cast<int>(p.done)); };
  obs.onFinished = [this](JobOutcome) { Done(); };
  try {
    export_->Start(SharedPool(), std::move(obs));
  } catch (const UserError& e) {
    log_->addItem(Q(e.text()));
    finished_ = true;
    cancel_->setEnabled(false);
    close_->setEnabled(true);
  }
}

BitmapExportProgress::~BitmapExportProgress() {
  if (export_ && !finished_) export_->Cancel();
}

void BitmapExportProgress::Done() {
  result_ = export_->Finish();
  for (const std::string& l : result_.log) log_->addItem(Q(l));
  finished_ = true;
  cancel_->setEnabled(false);
  for (QPushButton* b : {save_, print_, close_}) b->setEnabled(true);
  if (!result_.cancelled) prompter_.Inform(kExportCompleteTitle, kExportCompleteText);
}

QStringList BitmapExportProgress::logLines() const {
  QStringList out;
  for (int i = 0; i < log_->count(); ++i) out << log_->item(i)->text();
  return out;
}

QString BitmapExportProgress::PrintText() const {
  const QDateTime now = QDateTime::currentDateTime();
  QString text = "DVD Export Log: " + now.date().toString(Qt::ISODate) + " at " + now.time().toString("HH:mm:ss") + "\n\n";
  for (const QString& l : logLines()) text += l + "\n";
  text += "\nPrinted on " + now.date().toString(Qt::ISODate) + "\n";
  return text;
}

}  // namespace kipo::gui
