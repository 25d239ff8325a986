#include "gui/dlp_options_dialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "formats/cinema/dcinema_picture.h"
#include "formats/cinema/dcinema_writer.h"
#include "formats/cinema/uuid.h"
#include "formats/exchange/catalogue.h"
#include "platform/user_error.h"

namespace kipo::gui {
namespace {

constexpr int kPreviewWidth = 640;
constexpr const char* kDlpFilter = "DLP Options Files (*.dlp)|*.dlp";
constexpr const char* kOffsetFilter = "DLP Offset Files (*.txt)|*.txt";

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

QComboBox* Combo(const QStringList& items, const char* name) {
  auto* c = new QComboBox;
  c->addItems(items);
  c->setObjectName(name);
  return c;
}
QSpinBox* Spin(int lo, int hi, const char* name) {
  auto* s = new QSpinBox;
  s->setRange(lo, hi);
  s->setObjectName(name);
  return s;
}
QLineEdit* Edit(const char* name) {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  return e;
}
QCheckBox* Check(const QString& text, const char* name) {
  auto* c = new QCheckBox(text);
  c->setObjectName(name);
  return c;
}
QStringList List(const std::vector<std::string>& v) {
  QStringList l;
  for (const std::string& s : v) l << Q(s);
  return l;
}

}  // namespace

DlpOptionsDialog::DlpOptionsDialog(SettingsStore& settings, const SubtitleDocument& doc, std::size_t current,
                                   Prompter& prompter, QWidget* parent)
    : QDialog(parent), settings_(settings), doc_(doc), prompter_(prompter),
      current_(doc.Count() ? std::min(current, doc.Count() - 1) : 0) {
  setWindowTitle("DLP Cinema");
  setObjectName("frmDLPOptions");
  Build();
  SetOptions(LoadDlpOptions(settings_));
  if (!hidden_.zOffsetsFile.empty()) {
    try {
      z_ = LoadZOffsetsFile(hidden_.zOffsetsFile);
    } catch (const std::exception&) {
      z_.clear();  // a moved offsets file: the window starts without depths
    }
  }
  Refresh();
}

QAction* DlpOptionsDialog::command(const QString& name) const {
  auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

void DlpOptionsDialog::Build() {
  auto* menus = new QMenuBar(this);
  auto add = [&](QMenu* m, const char* name, const QString& text, std::function<void()> f,
                 QList<QKeySequence> keys = {}) {
    QAction* a = m->addAction(text);
    a->setObjectName(name);
    a->setShortcuts(keys);
    connect(a, &QAction::triggered, this, [f = std::move(f)] { f(); });
    actions_[name] = a;
    addAction(a);
    return a;
  };
  QMenu* file = menus->addMenu("&File");
  add(file, "mnuFileExportXML", "Export XML", [this] { ExportXml(); });
  file->addSeparator();
  add(file, "mnuLoadSettings", "Load Settings", [this] { LoadSettings(); });
  add(file, "mnuSaveSettings", "Save Settings", [this] { SaveSettings(); });
  add(file, "mnuDefaultSettings", "Default Settings", [this] { DefaultSettings(); });
  file->addSeparator();
  add(file, "mnuLoadZOffsets", "Load Z offsets", [this] { LoadZOffsets(); });
  add(file, "mnuSaveZOffsets", "Save Z offsets", [this] { SaveZOffsets(); });
  add(file, "mnuLoadZRanges", "Load Z ranges", [this] { LoadZRanges(); });
  add(file, "mnuGenerateFontUUID", "Generate font UUID", [this] { GenerateFontUuid(); });
  QMenu* view = menus->addMenu("&View");
  add(view, "mnuPrevious", "&Previous Subtitle", [this] { Step(-1); }, {QKeySequence(Qt::Key_PageUp)});
  add(view, "mnuNext", "&Next Subtitle", [this] { Step(1); }, {QKeySequence(Qt::Key_PageDown)});
  add(view, "mnuChangeZ", "&Change Z Position", [this] { ChangeZ(0.25); },
      {QKeySequence(Qt::CTRL | Qt::Key_Right)});
  add(view, "mnuChangeZBack", "&Change Z Position (nearer)", [this] { ChangeZ(-0.25); },
      {QKeySequence(Qt::CTRL | Qt::Key_Left)});
  add(view, "mnuZeroZ", "&Zero Z Position", [this] { ZeroZ(); },
      {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  QAction* grab = add(view, "mnuGrabVideoFrame", "Grab video frame", [this] {
    if (grabVideoFrame) SetBackground(grabVideoFrame());
  });
  grab->setEnabled(false);

  version_ = Combo(List(DcVersionNames()), "dcVersion");
  weight_ = Combo({"Normal", "Bold"}, "fontWeight");
  effect_ = Combo(List(DlpEffectNames()), "effect");
  alignment_ = Combo({"Subtitle's own", "Centre", "Left", "Right", "Centred block"}, "alignment");
  direction_ = Combo({"Horizontal", "Vertical"}, "direction");
  screen_ = Combo(List(DlpScreenSizes()), "screenSize");
  rate_ = Combo({}, "dcdmFrameRate");
  for (int r : DcdmFrameRates()) rate_->addItem(QString::number(r));
  edition_ = Combo({}, "smpteNamespace");
  for (int e : SmpteEditions()) edition_->addItem(QString::number(e));
  title_ = Edit("movieTitle");
  fontName_ = Edit("fontName");
  fontUri_ = Edit("fontUri");
  fontUuid_ = Edit("txtFontUUID");
  textColour_ = Edit("textColour");
  effectColour_ = Edit("effectColour");
  spacing_ = Edit("spacing");
  aspect_ = Edit("aspectAdjust");
  reel_ = Spin(1, 999, "reelNumber");
  size_ = Spin(1, 500, "fontSize");
  leading_ = Spin(1, 400, "leading");
  alphaText_ = Spin(0, 255, "alphaText");
  alphaEffect_ = Spin(0, 255, "alphaEffect");
  fadeUp_ = Spin(0, 60000, "fadeUp");
  fadeDown_ = Spin(0, 60000, "fadeDown");
  marginLeft_ = Spin(0, 49, "marginLeft");
  marginRight_ = Spin(0, 49, "marginRight");
  marginTop_ = Spin(0, 49, "marginTop");
  marginBottom_ = Spin(0, 49, "marginBottom");
  bottomUp_ = Check("Bottom up", "bottomUp");
  subs3d_ = Check("3D subs", "subs3d");
  inherit_ = Check("Inherit", "inherit");
  round_ = Check("Round", "round");
  trimText_ = Check("Trim text", "trimText");
  trimItalics_ = Check("Trim italics", "trimItalics");
  trimSpaces_ = Check("Trim spaces", "trimSpaces");
  closeAfter_ = Check("Close after export", "closeAfterExport");
  basicFont_ = Check("Basic Font", "basicFont");
  closeFont_ = Check("Close font", "closeFont");
  images_ = Check("Images (a PNG per subtitle)", "images");
  showMargins_ = Check("Show margins", "chkShowMargins");
  showMargins_->setChecked(true);

  auto* tabs = new QTabWidget;
  auto page = [&](const QString& name, std::initializer_list<std::pair<QString, QWidget*>> rows) {
    auto* w = new QWidget;
    auto* form = new QFormLayout(w);
    for (const auto& [label, widget] : rows) {
      if (label.isEmpty()) form->addRow(widget);
      else form->addRow(label, widget);
    }
    tabs->addTab(w, name);
  };
  page("File", {{"DC Version", version_}, {"Movie title", title_}, {"Reel number", reel_},
                {"DCDM frame rate", rate_}, {"SMPTE namespace", edition_}, {"Fade up (ms)", fadeUp_},
                {"Fade down (ms)", fadeDown_}, {"", subs3d_}, {"", images_}, {"", closeAfter_}});
  page("Font", {{"Font name", fontName_}, {"Font URI", fontUri_}, {"Font UUID", fontUuid_}, {"Font size", size_},
                {"Font weight", weight_}, {"Leading (%)", leading_}, {"Spacing (em)", spacing_},
                {"Aspect adjust", aspect_}, {"", basicFont_}, {"", closeFont_}, {"", inherit_}});
  page("Colour", {{"Text colour", textColour_}, {"Alpha blend text", alphaText_}, {"Effect", effect_},
                  {"Effect colour", effectColour_}, {"Alpha blend effect", alphaEffect_}});
  page("Position", {{"Alignment", alignment_}, {"Direction", direction_}, {"Screen size", screen_},
                    {"Margin left (%)", marginLeft_}, {"Margin right (%)", marginRight_},
                    {"Margin top (%)", marginTop_}, {"Margin bottom (%)", marginBottom_}, {"", bottomUp_},
                    {"", round_}, {"", trimText_}, {"", trimItalics_}, {"", trimSpaces_}});
  tabs->setObjectName("tabs");

  picture_ = new QLabel;
  picture_->setObjectName("picPreview");
  picture_->setMinimumSize(kPreviewWidth, kPreviewWidth * 1080 / 1998);
  picture_->setAlignment(Qt::AlignCenter);
  zLabel_ = new QLabel;
  zLabel_->setObjectName("zOffset");
  numberLabel_ = new QLabel;
  numberLabel_->setObjectName("subtitleNumber");

  auto* buttons = new QDialogButtonBox;
  QPushButton* exportButton = buttons->addButton("Export XML", QDialogButtonBox::AcceptRole);
  exportButton->setObjectName("export");
  buttons->addButton(QDialogButtonBox::Close);
  connect(exportButton, &QPushButton::clicked, this, [this] { ExportXml(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // OK-like buttons must not close the window on their own: Export decides.
  disconnect(buttons, &QDialogButtonBox::accepted, nullptr, nullptr);

  auto* right = new QVBoxLayout;
  right->addWidget(picture_, 1);
  auto* info = new QHBoxLayout;
  info->addWidget(numberLabel_);
  info->addStretch();
  info->addWidget(zLabel_);
  info->addWidget(showMargins_);
  right->addLayout(info);
  auto* body = new QHBoxLayout;
  body->addWidget(tabs);
  body->addLayout(right, 1);
  auto* all = new QVBoxLayout(this);
  all->setMenuBar(menus);
  all->addLayout(body);
  all->addWidget(buttons);

  // Every change redraws the preview.
  for (QComboBox* c : {version_, weight_, effect_, alignment_, direction_, screen_, rate_, edition_})
    connect(c, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });
  for (QLineEdit* e : {title_, fontName_, fontUri_, fontUuid_, textColour_, effectColour_, spacing_, aspect_})
    connect(e, &QLineEdit::textChanged, this, [this] { Refresh(); });
  for (QSpinBox* s : {reel_, size_, leading_, alphaText_, alphaEffect_, fadeUp_, fadeDown_, marginLeft_, marginRight_,
                      marginTop_, marginBottom_})
    connect(s, &QSpinBox::valueChanged, this, [this] { Refresh(); });
  for (QCheckBox* c : {bottomUp_, subs3d_, inherit_, round_, trimText_, trimItalics_, trimSpaces_, closeAfter_,
                       basicFont_, closeFont_, showMargins_, images_})
    connect(c, &QCheckBox::toggled, this, [this] { Refresh(); });
}

DlpOptions DlpOptionsDialog::options() const {
  DlpOptions o = hidden_;
  o.version = static_cast<DcVersion>(std::max(0, version_->currentIndex()));
  o.movieTitle = S(title_->text());
  o.reelNumber = reel_->value();
  o.fontName = S(fontName_->text());
  o.fontUri = S(fontUri_->text());
  const std::string uuid = Trim(S(fontUuid_->text()));
  o.fontUuid = IsUuid(uuid) ? ToLowerAscii(uuid) : std::string();
  o.basicFont = basicFont_->isChecked();
  o.closeFont = closeFont_->isChecked();
  o.fontSize = size_->value();
  o.fontWeight = S(weight_->currentText());
  o.leading = leading_->value();
  if (!spacing_->text().trimmed().isEmpty()) o.spacing = S(spacing_->text().trimmed());
  if (!aspect_->text().trimmed().isEmpty()) o.aspectAdjust = S(aspect_->text().trimmed());
  o.alignment = alignment_->currentIndex();
  o.direction = direction_->currentIndex();
  o.bottomUp = bottomUp_->isChecked();
  o.marginLeft = marginLeft_->value();
  o.marginRight = marginRight_->value();
  o.marginTop = marginTop_->value();
  o.marginBottom = marginBottom_->value();
  if (ParseRgb(S(textColour_->text()))) o.textColour = S(textColour_->text().toUpper().remove('#'));
  o.effect = S(effect_->currentText());
  if (ParseRgb(S(effectColour_->text()))) o.effectColour = S(effectColour_->text().toUpper().remove('#'));
  o.alphaText = alphaText_->value();
  o.alphaEffect = alphaEffect_->value();
  o.fadeUp = fadeUp_->value();
  o.fadeDown = fadeDown_->value();
  o.screenSize = S(screen_->currentText());
  o.dcdmFrameRate = rate_->currentText().toInt();
  o.smpteEdition = edition_->currentText().toInt();
  o.subs3d = subs3d_->isChecked();
  o.inherit = inherit_->isChecked();
  o.round = round_->isChecked();
  o.trimText = trimText_->isChecked();
  o.trimItalics = trimItalics_->isChecked();
  o.trimSpaces = trimSpaces_->isChecked();
  o.closeAfterExport = closeAfter_->isChecked();
  o.images = images_->isChecked();
  return o;
}

void DlpOptionsDialog::SetOptions(const DlpOptions& o) {
  loading_ = true;
  hidden_ = o;
  version_->setCurrentIndex(static_cast<int>(o.version));
  title_->setText(Q(o.movieTitle));
  reel_->setValue(o.reelNumber);
  fontName_->setText(Q(o.fontName));
  fontUri_->setText(Q(o.fontUri));
  fontUuid_->setText(Q(o.fontUuid));
  basicFont_->setChecked(o.basicFont);
  closeFont_->setChecked(o.closeFont);
  size_->setValue(o.fontSize);
  weight_->setCurrentText(Q(o.fontWeight));
  leading_->setValue(o.leading);
  spacing_->setText(Q(o.spacing));
  aspect_->setText(Q(o.aspectAdjust));
  alignment_->setCurrentIndex(o.alignment);
  direction_->setCurrentIndex(o.direction);
  bottomUp_->setChecked(o.bottomUp);
  marginLeft_->setValue(o.marginLeft);
  marginRight_->setValue(o.marginRight);
  marginTop_->setValue(o.marginTop);
  marginBottom_->setValue(o.marginBottom);
  textColour_->setText(Q(o.textColour));
  effect_->setCurrentText(Q(o.effect));
  effectColour_->setText(Q(o.effectColour));
  alphaText_->setValue(o.alphaText);
  alphaEffect_->setValue(o.alphaEffect);
  fadeUp_->setValue(o.fadeUp);
  fadeDown_->setValue(o.fadeDown);
  if (screen_->findText(Q(o.screenSize)) < 0) screen_->addItem(Q(o.screenSize));
  screen_->setCurrentText(Q(o.screenSize));
  rate_->setCurrentText(QString::number(o.dcdmFrameRate));
  edition_->setCurrentText(QString::number(o.smpteEdition));
  subs3d_->setChecked(o.subs3d);
  inherit_->setChecked(o.inherit);
  round_->setChecked(o.round);
  trimText_->setChecked(o.trimText);
  trimItalics_->setChecked(o.trimItalics);
  trimSpaces_->setChecked(o.trimSpaces);
  closeAfter_->setChecked(o.closeAfterExport);
  images_->setChecked(o.images);
  loading_ = false;
  Refresh();
}

void DlpOptionsDialog::SetBackground(const QImage& frame) {
  background_ = frame;
  Refresh();
}

void DlpOptionsDialog::Refresh() {
  if (loading_) return;
  if (auto* grab = command("mnuGrabVideoFrame")) grab->setEnabled(static_cast<bool>(grabVideoFrame));
  const DlpOptions o = options();
  const RenderLayout lay = DcinemaRenderLayout(o, kPreviewWidth);
  QImage pic(lay.width, lay.height, QImage::Format_RGBA8888);
  pic.fill(QColor(24, 24, 24));
  QPainter p(&pic);
  if (!background_.isNull()) p.drawImage(pic.rect(), background_);
  if (doc_.Count() > 0) {
    try {
      const RenderResult r = RenderDcinemaSubtitle(doc_.At(current_), o, BoldMarkers::Load(settings_), kPreviewWidth);
      QImage text(r.picture.rgba().data(), r.picture.width(), r.picture.height(), r.picture.width() * 4,
                  QImage::Format_RGBA8888);
      p.drawImage(0, 0, text);
    } catch (const std::exception&) {
      // A font the machine lacks still leaves the margins to look at.
    }
  }
  if (showMargins_->isChecked()) {
    p.setPen(QPen(QColor(0, 200, 255), 1, Qt::DashLine));
    p.drawRect(QRect(QPoint(lay.leftMargin, lay.ceiling), QPoint(lay.width - lay.rightMargin - 1, lay.baseline)));
  }
  p.end();
  preview_ = pic;
  picture_->setPixmap(QPixmap::fromImage(pic));
  const int number = static_cast<int>(current_) + 1;
  numberLabel_->setText(doc_.Count() ? QString("Subtitle %1 of %2").arg(number).arg(doc_.Count()) : "No subtitles");
  auto z = z_.find(number);
  zLabel_->setText(Q(ZOffsetLabel(z == z_.end() ? 0 : z->second)));
}

void DlpOptionsDialog::ShowError(const std::exception& e) {
  if (const auto* u = dynamic_cast<const UserError*>(&e)) prompter_.Inform(u->title(), u->text(), Icon::Critical);
  else prompter_.Inform(kAppTitle, e.what(), Icon::Critical);
}

bool DlpOptionsDialog::ExportXml() {
  FileDialog d;
  d.title = "Export DLP Cinema XML File";
  d.filter = "DLP Cinema XML Files (*.xml)|*.xml";
  d.defaultExt = "xml";
  d.overwritePrompt = true;
  d.pathMustExist = true;
  d.fileName = doc_.filePath.empty() ? "" : std::filesystem::path(doc_.filePath).stem().string();
  auto choice = prompter_.SaveFile(d);
  if (!choice || choice->path.empty()) return false;
  std::filesystem::path path = choice->path;
  if (!path.has_extension()) path += ".xml";
  DcinemaSetup setup;
  setup.options = options();
  setup.bold = BoldMarkers::Load(settings_);
  setup.zOffsets = &z_;
  try {
    Warnings w;
    ExportDcinema(doc_, setup, path, w);
    SaveDlpOptions(settings_, setup.options);
    for (const std::string& line : w) prompter_.Inform(kAppTitle, line, Icon::Warning);
  } catch (const std::exception& e) {
    ShowError(e);
    return false;
  }
  exported_ = true;
  if (onStatus) onStatus(kExportedOk);
  if (setup.options.closeAfterExport) accept();
  return true;
}

void DlpOptionsDialog::LoadSettings() {
  FileDialog d;
  d.title = "Load DLP Settings";
  d.filter = kDlpFilter;
  d.defaultExt = "dlp";
  auto choice = prompter_.OpenFile(d);
  if (!choice || choice->path.empty()) return;
  try {
    SetOptions(LoadDlpOptionsFile(choice->path));
  } catch (const std::exception& e) {
    ShowError(e);
  }
}

void DlpOptionsDialog::SaveSettings() {
  const DlpOptions o = options();
  SaveDlpOptions(settings_, o);
  FileDialog d;
  d.title = "Save DLP Settings";
  d.filter = kDlpFilter;
  d.defaultExt = "dlp";
  d.overwritePrompt = true;
  auto choice = prompter_.SaveFile(d);
  if (!choice || choice->path.empty()) return;
  std::filesystem::path path = choice->path;
  if (!path.has_extension()) path += ".dlp";
  try {
    SaveDlpOptionsFile(path, o);
  } catch (const std::exception& e) {
    ShowError(e);
  }
}

void DlpOptionsDialog::DefaultSettings() { SetOptions(DlpOptions{}); }

void DlpOptionsDialog::LoadZOffsets() {
  FileDialog d;
  d.title = "Load Z Offsets";
  d.filter = kOffsetFilter;
  d.defaultExt = "txt";
  auto choice = prompter_.OpenFile(d);
  if (!choice || choice->path.empty()) return;
  try {
    z_ = LoadZOffsetsFile(choice->path);
    hidden_.zOffsetsFile = choice->path;
  } catch (const std::exception& e) {
    ShowError(e);
  }
  Refresh();
}

void DlpOptionsDialog::SaveZOffsets() {
  FileDialog d;
  d.title = "Save Z Offsets";
  d.filter = kOffsetFilter;
  d.defaultExt = "txt";
  d.overwritePrompt = true;
  auto choice = prompter_.SaveFile(d);
  if (!choice || choice->path.empty()) return;
  std::filesystem::path path = choice->path;
  if (!path.has_extension()) path += ".txt";
  try {
    SaveZOffsetsFile(path, z_);
    hidden_.zOffsetsFile = path.string();
  } catch (const std::exception& e) {
    ShowError(e);
  }
}

void DlpOptionsDialog::LoadZRanges() {
  FileDialog d;
  d.title = "Load Z Ranges";
  d.filter = kOffsetFilter;
  d.defaultExt = "txt";
  auto choice = prompter_.OpenFile(d);
  if (!choice || choice->path.empty()) return;
  try {
    LoadZRangesFile(choice->path, z_);
  } catch (const std::exception& e) {
    ShowError(e);
  }
  Refresh();
}

void DlpOptionsDialog::GenerateFontUuid() { fontUuid_->setText(Q(NewUuid())); }

void DlpOptionsDialog::Step(int delta) {
  if (doc_.Count() == 0) return;
  const long next = static_cast<long>(current_) + delta;
  current_ = static_cast<std::size_t>(std::clamp(next, 0L, static_cast<long>(doc_.Count()) - 1));
  Refresh();
}

void DlpOptionsDialog::ChangeZ(double delta) {
  if (doc_.Count() == 0) return;
  double& z = z_[static_cast<int>(current_) + 1];
  z = std::clamp(z + delta, -100.0, 100.0);
  Refresh();
}

void DlpOptionsDialog::ZeroZ() {
  z_.erase(static_cast<int>(current_) + 1);
  Refresh();
}

}  // namespace kipo::gui
