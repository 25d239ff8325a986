#include "gui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <map>

#include "app/commands.h"
#include "app/layout_commands.h"
#include "app/startup.h"
#include "gui/bitmap_export_dialog.h"
#include "gui/caption_dialogs.h"
#include "gui/catalogue_dialogs.h"
#include "gui/catalogue_options.h"
#include "gui/dlp_options_dialog.h"
#include "gui/markup_highlighter.h"
#include "gui/new_project_dialog.h"
#include "formats/custom_text_format.h"
#include "gui/custom_text_dialog.h"
#include "gui/recut_dialog.h"
#include "gui/workstation_windows.h"
#include "gui/snap_dialog.h"
#include "gui/split_dialog.h"
#include "gui/retime_dialog.h"
#include "gui/options_dialog.h"
#include "gui/qt_clipboard.h"
#include "gui/qt_prompter.h"
#include "gui/reports_panel.h"
#include "gui/subtitle_list_model.h"
#include "gui/timed_text_dialogs.h"
#include "gui/toolbar_basics.h"
#include "gui/timeline_widget.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/user_error.h"
#include "settings/keys.h"
#include "timing/cue_rules.h"

namespace kipo::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QLineEdit* CueField(const char* name) {
  auto* e = new QLineEdit;
  e->setObjectName(name);
  // HH:MM:SS:FF typed as digits; an incomplete field counts as not set.
  e->setInputMask("99:99:99:99;_");
  e->setMaximumWidth(110);
  QFont f("Monospace");
  f.setStyleHint(QFont::TypeWriter);
  e->setFont(f);
  return e;
}

QString Cues(const std::string& in, const std::string& out, const std::string& dur) {
  auto or_dash = [](const std::string& s) { return s.empty() ? std::string("--:--:--:--") : s; };
  return Q(or_dash(in) + "  " + or_dash(out) + "  " + dur);
}

void ShowCps(QLabel* label, const CpsLabel& cps) {
  label->setText(Q(cps.text));
  label->setStyleSheet(cps.colour ? QString("color: rgb(%1,%2,%3);").arg(cps.colour->r).arg(cps.colour->g).arg(cps.colour->b)
                                  : QString());
}

// The text of a box as the model keeps it: rows joined by CR LF and every character as
// typed (the plain-text form would turn non-breaking spaces into plain ones).
std::string BoxText(const QPlainTextEdit* box) {
  QString raw = box->document()->toRawText();
  raw.replace(QChar::ParagraphSeparator, "\r\n").replace(QChar::LineSeparator, "\r\n");
  return raw.toStdString();
}

// Code points before a position of a QString (the Workstation counts code points).
std::size_t CodePoints(const QString& text, int utf16Pos) {
  return CountCodePoints(text.left(utf16Pos).toStdString());
}

}  // namespace

MainWindow::MainWindow(Workstation& ws, QtPrompter& prompter, QWidget* parent)
    : QMainWindow(parent), ws_(ws), prompter_(prompter), clipboard_(std::make_unique<QtClipboard>()) {
  setObjectName("MainWindow");
  prompter_.setParent(this);
  statusShown_ = prompter_.OnStatus([this](const std::string& s) {
    if (statusLabel_) statusLabel_->setText(Q(s));
  });
  recent_.Load(ws_.settings());
  // Export rows with a window of their own: the bitmap export window for DVD and Blu-ray,
  // the digital cinema window for DLP Cinema.
  ws_.exports().SetOwnWindow([this](const ExportFormat& f) -> std::optional<bool> {
    if (f.name == "DVD/Blu-ray bitmap stream") {
      const int current = static_cast<int>(ws_.session().current()) + 1;
      BitmapExportDialog dlg(ws_.settings(), prompter_, ws_.doc(), current, current, this);
      return dlg.exec() == QDialog::Accepted;
    }
    if (f.name == "Texas Instruments DLP Cinema") {
      DlpOptionsDialog dlg(ws_.settings(), ws_.doc(), ws_.session().current(), prompter_, this);
      dlg.onStatus = [this](const std::string& s) { ws_.session().SetStatus(s); };
      dlg.exec();
      return dlg.exported();
    }
    return RunExportWindow(f, ws_.settings(), [this, &f] { return ws_.exports().ExportWithSaveDialog(f); }, this);
  });
  // The formats' options windows, opened on OK when "Always show options" asks for them;
  // other rows export with their stored options.
  ws_.exports().SetOptionsDialog(
      [this](const ExportFormat& f) { return RunExportOptions(f, ws_.settings(), prompter_, this); });
  model_ = new SubtitleListModel(ws_.doc(), this);
  list_ = new QTableView;
  list_->setObjectName("subtitleList");
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->verticalHeader()->hide();
  // Fixed row heights keep the list virtual: nothing is measured per row.
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->setAlternatingRowColors(true);
  for (int c = 0; c < SubtitleListModel::Text; ++c) list_->setColumnWidth(c, c == 0 ? 60 : 100);
  connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& cur) {
    if (!showing_ && cur.isValid()) MoveTo(cur.row());
  });

  BuildEditArea();
  auto* editArea = new QWidget;
  auto* editLayout = new QVBoxLayout(editArea);
  auto* cues = new QHBoxLayout;
  auto* cueForm = new QFormLayout;
  cueForm->addRow("In cue:", inCue_);
  cueForm->addRow("Out cue:", outCue_);
  auto* durRow = new QHBoxLayout;
  durRow->addWidget(duration_);
  durRow->addSpacing(16);
  durRow->addWidget(cps_[0]);
  durRow->addStretch();
  cueForm->addRow("Duration:", durRow);
  cues->addLayout(cueForm);
  auto* neighbours = new QFormLayout;
  auto* lastRow = new QHBoxLayout;
  lastRow->addWidget(last_);
  lastRow->addWidget(cps_[1]);
  auto* nextRow = new QHBoxLayout;
  nextRow->addWidget(next_);
  nextRow->addWidget(cps_[2]);
  neighbours->addRow("Last:", lastRow);
  neighbours->addRow("Next:", nextRow);
  cues->addSpacing(30);
  cues->addLayout(neighbours);
  cues->addStretch();
  editLayout->addLayout(cues);
  auto* texts = new QHBoxLayout;
  texts->addWidget(text_, 3);
  texts->addWidget(comment_, 1);
  editLayout->addLayout(texts);
  editLayout->addWidget(warning_);

  reports_ = new ReportsPanel;
  reports_->onErrorChosen = [this](int number) { MoveTo(number - 1); };
  auto* lower = new QSplitter(Qt::Horizontal);
  lower->addWidget(list_);
  lower->addWidget(reports_);
  lower->setStretchFactor(0, 3);
  lower->setStretchFactor(1, 1);
  auto* split = new QSplitter(Qt::Vertical);
  split->addWidget(editArea);
  split->addWidget(lower);
  split->setStretchFactor(1, 1);
  split->insertWidget(1, new TimelineWidget(ws_, statusBar()));  // waveform, shot cuts and blocks
  setCentralWidget(split);

  basics_ = new EditingBasics(*this);
  BuildMenus();
  basics_->Install();
  // After Insert the new subtitle's text box is where the user types next.
  for (const char* id : {"edit.insert", "edit.insertAfter"})
    connect(command(id), &QAction::triggered, this, [this] { text_->setFocus(); });
  BuildStatusBar();
  refreshed_ = ws_.session().OnRefresh([this] { ShowState(); });
  titleShown_ = ws_.session().OnWindowTitle([this](const std::string& t) { setWindowTitle(Q(t) + "[*]"); });
  resize(1180, 760);
  ShowState();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildEditArea() {
  inCue_ = CueField("inCue");
  outCue_ = CueField("outCue");
  inCue_->installEventFilter(this);
  outCue_->installEventFilter(this);
  duration_ = new QLabel;
  duration_->setObjectName("duration");
  last_ = new QLabel;
  last_->setObjectName("lastCues");
  next_ = new QLabel;
  next_->setObjectName("nextCues");
  for (QLabel* l : {last_, next_}) l->setStyleSheet("color: #555;");
  const char* cpsNames[] = {"currentCps", "lastCps", "nextCps"};
  for (int i = 0; i < 3; ++i) {
    cps_[i] = new QLabel;
    cps_[i]->setObjectName(cpsNames[i]);
  }
  text_ = new QPlainTextEdit;
  text_->setObjectName("subtitleText");
  text_->setPlaceholderText("Subtitle text");
  QFont big = text_->font();
  big.setPointSize(big.pointSize() + 4);
  text_->setFont(big);
  text_->setMaximumHeight(140);
  new MarkupHighlighter(text_->document());
  text_->installEventFilter(this);
  comment_ = new QPlainTextEdit;
  comment_->setObjectName("comment");
  comment_->setPlaceholderText("Comments");
  comment_->setMaximumHeight(140);
  warning_ = new QLabel;
  warning_->setObjectName("warningPanel");
  warning_->setStyleSheet(QString("background-color: rgb(%1,%2,%3); color: rgb(%4,%5,%6); padding: 3px;")
                              .arg(kWarningPanelBackground.r)
                              .arg(kWarningPanelBackground.g)
                              .arg(kWarningPanelBackground.b)
                              .arg(kWarningPanelText.r)
                              .arg(kWarningPanelText.g)
                              .arg(kWarningPanelText.b));
  warning_->hide();
  auto take = [this] {
    if (!showing_) TakeEdits();
  };
  connect(text_, &QPlainTextEdit::textChanged, this, take);
  connect(comment_, &QPlainTextEdit::textChanged, this, take);
  connect(inCue_, &QLineEdit::textEdited, this, take);
  connect(outCue_, &QLineEdit::textEdited, this, take);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  bool isIn = watched == inCue_, isOut = watched == outCue_;
  if ((isIn || isOut) && event->type() == QEvent::FocusIn && !showing_) {
    // Entering an empty cue field fills it automatically when the house rules say so.
    Command([&] { isIn ? ws_.timing().EnterInCueField() : ws_.timing().EnterOutCueField(); });
  }
  if (watched == text_ && event->type() == QEvent::KeyPress && ws_.text().replaceAsYouType()) {
    auto* key = static_cast<QKeyEvent*>(event);
    QString typed = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ? QString("\r") : key->text();
    if (typed.size() == 1 && QString(" \r?;:.,)'!\"").contains(typed)) {
      // Let the box take the character, then replace the word before it.
      static_cast<QObject*>(text_)->event(event);
      TakeEdits();
      QString before = text_->toPlainText().left(text_->textCursor().position()).replace("\n", "\r\n");
      std::size_t caret = before.toStdString().size();
      bool replaced = false;
      Command([&] { replaced = ws_.text().AutoReplaceTyped(typed.toStdString(), caret); });
      if (replaced) {
        QTextCursor c = text_->textCursor();
        c.setPosition(static_cast<int>(QString::fromStdString(ws_.session().edit().text.substr(0, caret)).replace("\r\n", "\n").size()));
        text_->setTextCursor(c);
      }
      return true;
    }
  }
  if ((isIn || isOut) && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
      // Up moves the cue later, Down earlier; the held modifiers set the step.
      Qt::KeyboardModifiers m = key->modifiers();
      int held = CueKeyModifiers(m & Qt::ShiftModifier, m & Qt::ControlModifier, m & Qt::AltModifier);
      Command([&] { ws_.timing().MoveCueByKey(isIn ? CueField::In : CueField::Out, key->key() == Qt::Key_Up, held); });
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::TakeEdits() {
  EditArea& e = ws_.session().edit();
  // Only what the user changed since the state was shown is taken: a box that merely
  // shows a value (a lone line break, an unusual character) never writes it back in the
  // box's own form, so looking at a subtitle does not change it.
  auto take = [](std::string now, std::string& shown, std::string& field) {
    if (now == shown) return;
    field = now;
    shown = std::move(now);
  };
  take(BoxText(text_), shown_.text, e.text);
  take(BoxText(comment_), shown_.comment, e.comment);
  take(inCue_->text().toStdString(), shown_.inCue, e.inCue);
  take(outCue_->text().toStdString(), shown_.outCue, e.outCue);
}

void MainWindow::ShowState() {
  showing_ = true;
  const EditArea& e = ws_.session().edit();
  auto setCue = [](QLineEdit* f, const std::string& v) {
    if (f->text().toStdString() != v) f->setText(Q(v));
  };
  setCue(inCue_, e.inCue);
  setCue(outCue_, e.outCue);
  shown_.inCue = inCue_->text().toStdString();
  shown_.outCue = outCue_->text().toStdString();
  duration_->setText(Q(e.duration));
  last_->setText(Cues(e.lastIn, e.lastOut, e.lastDuration));
  next_->setText(Cues(e.nextIn, e.nextOut, e.nextDuration));
  if (BoxText(text_) != e.text) text_->setPlainText(Q(e.text).replace("\r\n", "\n"));
  shown_.text = BoxText(text_);
  if (BoxText(comment_) != e.comment) comment_->setPlainText(Q(e.comment).replace("\r\n", "\n"));
  shown_.comment = BoxText(comment_);
  // The italic mode shows in the text box itself: a new subtitle takes what is seen here.
  if (QFont f = text_->font(); f.italic() != ws_.session().toolbar().italic) {
    f.setItalic(ws_.session().toolbar().italic);
    text_->setFont(f);
  }
  bool has = ws_.session().HasCurrent();
  for (QWidget* w : {static_cast<QWidget*>(inCue_), static_cast<QWidget*>(outCue_), static_cast<QWidget*>(text_),
                     static_cast<QWidget*>(comment_)})
    w->setEnabled(has);
  if (has) {
    ShowCps(cps_[0], ws_.timing().CurrentCps());
    ShowCps(cps_[1], ws_.timing().LastCps());
    ShowCps(cps_[2], ws_.timing().NextCps());
    QModelIndex idx = model_->index(static_cast<int>(ws_.session().current()), 0);
    if (list_->currentIndex().row() != idx.row()) {
      list_->setCurrentIndex(idx);
      list_->scrollTo(idx);
    }
  } else {
    for (QLabel* l : cps_) l->clear();
  }
  const StatusPanels& p = ws_.session().panels();
  if (rateLabel_) {
    rateLabel_->setText(Q(p.frameRate));
    fileLabel_->setText(Q(p.fileName));
    statusLabel_->setText(Q(p.status));
  }
  warning_->setText(Q(p.warning));
  warning_->setVisible(!p.warning.empty());
  if (rateGroup_)
    for (QAction* a : rateGroup_->actions()) a->setChecked(a->data().toInt() == ws_.doc().frameRate().code);
  for (const CommandInfo& c : Commands()) {
    if (QAction* a = command(c.id)) {
      a->setEnabled(IsAvailable(c, ws_));
      if (c.checked) a->setChecked(c.checked(ws_));
    }
  }
  setWindowTitle(Q(ws_.session().WindowTitle()) + "[*]");  // [*] shows the modified mark
  setWindowModified(ws_.doc().modified);
  showing_ = false;
}

template <typename F>
void MainWindow::Command(F&& f) {
  if (!showing_) TakeEdits();
  try {
    f();
  } catch (const UserError& e) {
    // An empty text is a question the user cancelled: nothing to show.
    if (!e.text().empty()) prompter_.Inform(e.title(), e.text(), Icon::Critical);
  }
  ShowState();
}

void MainWindow::RunCommand(const std::function<void()>& f) { Command(f); }

QAction* MainWindow::command(std::string_view id) const {
  auto it = commands_.find(std::string(id));
  return it == commands_.end() ? nullptr : it->second;
}

void MainWindow::MoveTo(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= ws_.doc().Count()) return;
  Command([&] { ws_.timing().MoveTo(static_cast<std::size_t>(row)); });
}

bool MainWindow::NewProject() {
  ProfileController& profiles = ws_.profiles();
  NewProjectDialog dlg(profiles.Names(), profiles.Current(), ws_.doc().frameRate().code, ws_.doc().languageId(), this);
  if (dlg.exec() != QDialog::Accepted) return false;
  bool done = false;
  Command([&] {
    profiles.Apply(dlg.profile());
    done = ws_.files().New(dlg.frameRateCode(), dlg.languageId(), dlg.characterSet());
  });
  return done;
}

void MainWindow::RememberFile() {
  if (ws_.doc().filePath.empty()) return;
  recent_.Add(ws_.doc().filePath);
  recent_.Save(ws_.settings());
}

void MainWindow::FillRecentMenu() {
  recentMenu_->clear();
  int n = 1;
  for (const std::string& path : recent_.paths()) {
    QAction* a = recentMenu_->addAction(QString("&%1 %2").arg(n++).arg(Q(path)));
    connect(a, &QAction::triggered, this, [this, path] {
      Command([&] {
        if (ws_.files().QuerySaveChanges() && ws_.files().OpenPath(path)) RememberFile();
      });
    });
  }
  recentMenu_->setEnabled(!recent_.paths().empty());
}

void MainWindow::RunChecks() {
  Command([&] { ws_.timing().RunAllChecks(); });
  ShowErrorList();
}

void MainWindow::ShowErrorList() {
  std::vector<ErrorRow> rows = ws_.timing().ErrorList();
  std::set<std::size_t> faulty;
  for (const ErrorRow& r : rows) faulty.insert(static_cast<std::size_t>(r.number - 1));
  model_->setFaulty(std::move(faulty));
  reports_->ShowErrors(rows);
}

void MainWindow::DeleteRangeDialog() {
  QDialog dlg(this);
  dlg.setWindowTitle("Delete Range");
  auto* form = new QFormLayout(&dlg);
  auto* from = new QSpinBox;
  auto* to = new QSpinBox;
  for (QSpinBox* s : {from, to}) s->setRange(1, 32767);
  from->setValue(static_cast<int>(ws_.session().current()) + 1);
  to->setValue(static_cast<int>(ws_.session().current()) + 1);
  form->addRow("From subtitle:", from);
  form->addRow("To subtitle:", to);
  QRadioButton* options[3];
  const RangeAction actions[3] = {RangeAction::WholeSubtitles, RangeAction::TextOnly, RangeAction::CuesOnly};
  for (int i = 0; i < 3; ++i) {
    options[i] = new QRadioButton(RangeActionCaption(actions[i]));
    form->addRow(options[i]);
  }
  options[0]->setChecked(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
  connect(buttons, &QDialogButtonBox::accepted, &dlg, [&] {
    RangeAction action = actions[options[1]->isChecked() ? 1 : options[2]->isChecked() ? 2 : 0];
    RangeOutcome outcome = RangeOutcome::Refused;
    Command([&] { outcome = ws_.timing().DeleteRange(from->value(), to->value(), action); });
    // A refusal keeps the dialog open for corrected numbers.
    if (outcome != RangeOutcome::Refused) dlg.accept();
  });
  dlg.exec();
}

// The actions of the commands that need the window: a dialog, the selection in a text box
// or the cursor. Every other command runs from the table.
std::map<std::string, std::function<void()>, std::less<>> MainWindow::WindowActions() {
  auto clip = [this](auto op) {
    QPlainTextEdit* box = comment_->hasFocus() ? comment_ : text_;
    auto which = box == comment_ ? EditingController::TextBox::Comment : EditingController::TextBox::Text;
    QTextCursor c = box->textCursor();
    QString all = box->toPlainText().replace("\n", "\r\n");
    // Selection positions in code points of the stored text (CR LF rows).
    int lineEndsBefore = box->toPlainText().left(c.selectionStart()).count('\n');
    int lineEndsIn = box->toPlainText().mid(c.selectionStart(), c.selectionEnd() - c.selectionStart()).count('\n');
    std::size_t start = CodePoints(all, c.selectionStart() + lineEndsBefore);
    std::size_t end = CodePoints(all, c.selectionEnd() + lineEndsBefore + lineEndsIn);
    Command([&] { op(ws_.editing(), which, start, end - start); });
  };
  using Box = EditingController::TextBox;
  std::map<std::string, std::function<void()>, std::less<>> actions{
      {"file.new", [this] { NewProject(); }},
      {"file.import",
       [this] {
         ImportDialog dlg(this);
         if (dlg.exec() != QDialog::Accepted || dlg.row() < 0) return;
         Command([&] {
           if (ws_.exports().ImportDialogOk(dlg.row(), dlg.encoding())) RememberFile();
         });
       }},
      {"file.export",
       [this] {
         ExportDialog dlg(static_cast<int>(ws_.settings().Get(keys::kLastExportFormat)),
                          ws_.settings().Get(keys::kAlwaysShowOptions) != 0, this);
         dlg.showOptions = [this](int position) {
           if (const ExportFormat* f = ExportFormatAt(position)) RunExportOptions(*f, ws_.settings(), prompter_, this);
         };
         if (dlg.exec() != QDialog::Accepted || dlg.position() < 1) return;
         Command([&] { ws_.exports().ExportDialogOk(dlg.position(), dlg.alwaysShowOptions()); });
       }},
      {"file.exit", [this] { close(); }},
      {"edit.cut", [this, clip] { clip([this](EditingController& e, Box b, std::size_t s, std::size_t n) { e.Cut(*clipboard_, b, s, n); }); }},
      {"edit.copy", [this, clip] { clip([this](EditingController& e, Box b, std::size_t s, std::size_t n) { e.Copy(*clipboard_, b, s, n); }); }},
      {"edit.paste", [this, clip] { clip([this](EditingController& e, Box b, std::size_t s, std::size_t n) { e.Paste(*clipboard_, b, s, n); }); }},
      {"edit.split",
       [this] {
         const QString plain = text_->toPlainText();
         const int pos = text_->textCursor().position();
         std::size_t cursor = CodePoints(QString(plain).replace("\n", "\r\n"), pos + plain.left(pos).count('\n'));
         Command([&] { ws_.editing().Split(cursor); });
       }},
      {"file.split",
       [this] {
         SplitDialog dlg(ws_.doc(), this);
         dlg.apply = [this](const SplitDialog& d) {
           SplitOutcome r = SplitOutcome::Refused;
           Command([&] { r = ws_.split().SplitFile(d.splitPoints(), d.confirmStartTimes()); });
           return r != SplitOutcome::Refused;
         };
         dlg.exec();
       }},
      {"cues.deleteRange", [this] { DeleteRangeDialog(); }},
      {"cues.convert",
       [this] {
         RetimeDialog dlg(ws_.settings(), DefaultStartHour(ws_.doc()), this);
         dlg.apply = [this](const RetimeDialog& d) {
           bool done = false;
           Command([&] { done = ws_.timing().ConvertCues(d.method(), d.conversion(), d.startHour()); });
           return done;
         };
         dlg.exec();
       }},
      {"cues.recut",
       [this] {
         RecutDialog dlg(ws_.settings(), static_cast<int>(ws_.doc().Count()),
                         static_cast<int>(ws_.session().current()) + 1, this);
         dlg.apply = [this](const RecutDialog& d) {
           bool done = false;
           Command([&] { done = ws_.timing().Recut(d.type(), d.first(), d.last(), d.options()).result != RecutResult::Refused; });
           return done;
         };
         dlg.exec();
       }},
      {"cues.snapShotCuts",
       [this] {
         SnapDialog dlg(ws_.settings(), static_cast<int>(ws_.doc().Count()),
                        static_cast<int>(ws_.session().current()) + 1, this);
         dlg.apply = [this](const SnapDialog& d) {
           SnapOutcome r = SnapOutcome::NoCuts;
           Command([&] { r = ws_.timing().SnapShotCuts(d.range(), d.from(), d.to(), d.options()); });
           return r;
         };
         dlg.exec();
       }},
      {"cues.shiftShotCuts",
       [this] {
         ShiftShotCutsDialog dlg(this);
         if (dlg.exec() == QDialog::Accepted) Command([&] { ws_.timing().ShiftShotCuts(dlg.frames(), dlg.up()); });
       }},
      {"tools.runChecks", [this] { RunChecks(); }},
      {"tools.errorList", [this] { ShowErrorList(); }},
      {"tools.statistics",
       [this] {
         std::string report;
         Command([&] { report = ws_.timing().StatisticsReport(); });
         reports_->ShowStatistics(report);
       }},
      {"tools.options", [this] { OptionsWindow(); }},
      {"help.about",
       [this] {
         QMessageBox::about(this, "About Kipo",
                            "Kipo - professional subtitle preparation.\n"
                            "Time, edit, check and deliver subtitles for broadcast, web and cinema.");
       }},
  };
  AddWorkstationWindows(actions, {ws_, prompter_, this, [this](const std::function<void()>& f) { Command(f); }});
  return actions;
}

void MainWindow::BuildMenus() {
  std::map<std::string, QMenu*, std::less<>> menus;
  for (const MenuInfo& m : Menus()) menus[std::string(m.id)] = menuBar()->addMenu(Q(std::string(m.title)));
  auto windowActions = WindowActions();
  windowActions.merge(basics_->Actions());
  for (const CommandInfo& c : Commands()) {
    QMenu* menu = menus.at(std::string(c.menu));
    if (c.separatorBefore) menu->addSeparator();
    if (c.submenu) {
      recentMenu_ = menu->addMenu(Q(std::string(c.text)));
      connect(recentMenu_, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
      continue;
    }
    QAction* a = menu->addAction(Q(std::string(c.text)));
    a->setObjectName(Q(std::string(c.id)));
    if (!c.keys.empty()) a->setShortcut(QKeySequence::fromString(Q(std::string(c.keys)), QKeySequence::PortableText));
    a->setCheckable(c.checked != nullptr);
    commands_[std::string(c.id)] = a;
    if (auto w = windowActions.find(c.id); w != windowActions.end()) {
      connect(a, &QAction::triggered, this, w->second);
    } else if (c.run) {
      connect(a, &QAction::triggered, this, [this, &c] {
        Command([&] {
          if (c.run(ws_) && c.remembersFile) RememberFile();
        });
      });
    }
  }

  QMenu* rate = menus.at("rate");
  rateGroup_ = new QActionGroup(this);
  for (int code : AllFrameRateCodes()) {
    QAction* a = rate->addAction(Q(FrameRate::FromCode(code)->label()));
    a->setCheckable(true);
    a->setData(code);
    rateGroup_->addAction(a);
    connect(a, &QAction::triggered, this, [this, code] { Command([&] { RelabelFrameRate(ws_, code); }); });
  }

  // The stored profiles are listed above the profile commands each time the menu opens.
  profileMenu_ = menus.at("profile");
  connect(profileMenu_, &QMenu::aboutToShow, this, [this] { FillProfileMenu(); });
}

void MainWindow::FillProfileMenu() {
  for (QAction* a : profileItems_) {
    profileMenu_->removeAction(a);
    a->deleteLater();
  }
  profileItems_.clear();
  QAction* before = profileMenu_->actions().isEmpty() ? nullptr : profileMenu_->actions().first();
  const std::string current = ws_.profiles().Current();
  for (const std::string& name : ws_.profiles().Names()) {
    auto* a = new QAction(Q(name), profileMenu_);
    a->setCheckable(true);
    a->setChecked(name == current);
    connect(a, &QAction::triggered, this, [this, name] { Command([&] { ws_.profiles().Apply(name); }); });
    profileMenu_->insertAction(before, a);
    profileItems_.push_back(a);
  }
}

void MainWindow::OptionsWindow() {
  OptionsDialog dlg(ws_.session().house(), PunctuationRules::Load(ws_.settings()), this);
  dlg.onAccept = [this](const HouseOptions& house, const PunctuationRules& rules) {
    try {
      // Contradictory punctuation rules are refused before anything is stored.
      ValidatePunctuationRules(rules);
    } catch (const UserError& e) {
      prompter_.Inform(e.title(), e.text(), Icon::Warning);
      return false;
    }
    SettingsStore::Batch batch(ws_.settings());
    house.Save(ws_.settings());
    rules.Save(ws_.settings());
    ws_.session().ReloadHouseOptions();
    return true;
  };
  if (dlg.exec() == QDialog::Accepted) ShowState();
}

void MainWindow::BuildStatusBar() {
  rateLabel_ = new QLabel;
  rateLabel_->setObjectName("frameRatePanel");
  fileLabel_ = new QLabel;
  fileLabel_->setObjectName("fileNamePanel");
  statusLabel_ = new QLabel;
  statusLabel_->setObjectName("statusPanel");
  statusBar()->addWidget(rateLabel_);
  statusBar()->addWidget(fileLabel_, 1);
  statusBar()->addPermanentWidget(statusLabel_);
}

void MainWindow::Restore(const WindowState& s) {
  if (s.width > 0 && s.height > 0) setGeometry(s.left, s.top, s.width, s.height);
  if (s.state == 2) setWindowState(Qt::WindowMaximized);
}

WindowState MainWindow::Placement() const {
  WindowState s;
  QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
  s.top = g.top();
  s.left = g.left();
  s.width = g.width();
  s.height = g.height();
  s.state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
  return s;
}

void MainWindow::StartAutoSave() {
  if (autosave_) return;
  autosave_ = new QTimer(this);
  connect(autosave_, &QTimer::timeout, this, [this] { Command([&] { ws_.files().AutoSaveTick(); }); });
  autosave_->start(60 * 1000);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  TakeEdits();
  bool proceed = false;
  Command([&] {
    ws_.session().CommitEditArea();
    proceed = QueryShutdown(ws_, Placement());
  });
  if (!proceed) {
    event->ignore();
    return;
  }
  recent_.Save(ws_.settings());
  event->accept();
}

}  // namespace kipo::gui
