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
#include <QRegularExpressionValidator>
#include <chrono>
#include <QScreen>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
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
#include "gui/workstation_windows.h"
#include "gui/video_panel.h"
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

// The figure's colour on the window's own background: the rules' grey is the theme's quiet
// text colour, and their red is lightened on a dark background so that it stays readable.
void ShowCps(QLabel* label, const CpsLabel& cps) {
  label->setText(Q(cps.text));
  QPalette p = QApplication::palette(label);
  if (!cps.colour) {
    label->setPalette(p);
    return;
  }
  QColor c(cps.colour->r, cps.colour->g, cps.colour->b);
  const QColor background = p.color(QPalette::Window);
  if (c.red() == c.green() && c.green() == c.blue()) c = p.color(QPalette::PlaceholderText);
  else if (ContrastRatio(c, background) < 4.5) c = background.lightness() < 128 ? c.lighter(160) : c.darker(130);
  p.setColor(QPalette::WindowText, c);
  label->setPalette(p);
}

// The text of a box as the model keeps it: rows joined by CR LF and every character as
// typed (the plain-text form would turn non-breaking spaces into plain ones).
std::string BoxText(const QPlainTextEdit* box) {
  QString raw = box->document()->toRawText();
  raw.replace(QChar::ParagraphSeparator, "\r\n").replace(QChar::LineSeparator, "\r\n");
  return raw.toStdString();
}

}  // namespace

// The menu items' availability and ticks.
static void ShowCommandStates(MainWindow& w) {
  for (const CommandInfo& c : Commands()) {
    if (QAction* a = w.command(c.id)) {
      a->setEnabled(IsAvailable(c, w.workstation()));
      if (c.checked) a->setChecked(c.checked(w.workstation()));
    }
  }
}

namespace {

// A text box's content and selection as its undo keeps them (positions in the box).
TextState StateOf(const QPlainTextEdit* box) {
  const QTextCursor c = box->textCursor();
  return {BoxText(box), static_cast<std::size_t>(c.selectionStart()),
          static_cast<std::size_t>(c.selectionEnd() - c.selectionStart())};
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
  auto* textColumn = new QVBoxLayout;
  textColumn->addWidget(text_);
  textColumn->addWidget(rowLengths_);
  texts->addLayout(textColumn, 3);
  texts->addWidget(comment_, 1);
  editLayout->addLayout(texts);
  editLayout->addWidget(warning_);

  reports_ = new ReportsPanel;
  reports_->onErrorChosen = [this](int number) { MoveTo(number - 1); };
  // The error list and the marked rows follow the document from the start.
  reports_->ShowErrors(ws_.timing().LiveErrors());
  model_->setFaults(&ws_.timing().LiveErrors());
  auto* lower = new QSplitter(Qt::Horizontal);
  lower->addWidget(list_);
  lower->addWidget(reports_);
  lower->setStretchFactor(0, 3);
  lower->setStretchFactor(1, 1);
  auto* split = new QSplitter(Qt::Vertical);
  split->addWidget(editArea);
  split->addWidget(lower);
  split->setStretchFactor(1, 1);
  setCentralWidget(split);

  basics_ = new EditingBasics(*this);
  BuildMenus();
  // Redo answers to both of the usual keys.
  if (QAction* redo = command("edit.redo"))
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
  basics_->Install();
  // After Insert the new subtitle's text box is where the user types next.
  for (const char* id : {"edit.insert", "edit.insertAfter"})
    connect(command(id), &QAction::triggered, this, [this] { text_->setFocus(); });
  BuildStatusBar();
  InstallTimeline(*this, ws_);
  InstallVideoPanel(*this);
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
  // The duration box: seconds and frames ("02:10"); typing one moves the out cue. It has
  // no input mask, so a subtitle without cues shows it blank.
  duration_ = new QLineEdit;
  duration_->setObjectName("duration");
  duration_->setMaximumWidth(70);
  duration_->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,4}:?[0-9]{0,2}"), duration_));
  last_ = new QLabel;
  last_->setObjectName("lastCues");
  next_ = new QLabel;
  next_->setObjectName("nextCues");
  // The neighbours' cues are secondary: the theme's own quiet text colour, readable in a
  // dark theme as in a light one.
  for (QLabel* l : {last_, next_}) l->setForegroundRole(QPalette::PlaceholderText);
  rowLengths_ = new QLabel;
  rowLengths_->setObjectName("rowLengths");
  rowLengths_->setTextFormat(Qt::RichText);
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
  // White on the panel's pink reads at about 2:1; the text takes whichever of black and
  // white reads better on it (black: about 10:1).
  const QColor panel(kWarningPanelBackground.r, kWarningPanelBackground.g, kWarningPanelBackground.b);
  warning_->setStyleSheet(QString("background-color: %1; color: %2; padding: 3px;")
                              .arg(panel.name(), ReadableTextOn(panel).name()));
  warning_->setWordWrap(true);
  warning_->hide();
  // Typing updates the figures that depend on it at once: characters per second, row
  // lengths, the duration.
  auto take = [this] {
    if (showing_) return;
    TakeEdits();
    ShowLiveFigures();
  };
  auto takeCue = [this] {
    if (showing_) return;
    TakeEdits();
    ws_.timing().CuesTyped();
    ShowLiveFigures();
  };
  connect(text_, &QPlainTextEdit::textChanged, this, take);
  connect(comment_, &QPlainTextEdit::textChanged, this, take);
  connect(inCue_, &QLineEdit::textEdited, this, takeCue);
  connect(outCue_, &QLineEdit::textEdited, this, takeCue);
  connect(duration_, &QLineEdit::textEdited, this, [this] {
    if (showing_) return;
    TakeEdits();
    // A complete duration has moved the out cue.
    const std::string& out = ws_.session().edit().outCue;
    if (outCue_->text().toStdString() != out) {
      showing_ = true;
      outCue_->setText(Q(out));
      shown_.outCue = outCue_->text().toStdString();
      showing_ = false;
    }
    ShowLiveFigures();
  });
  // The text boxes' own undo: typing grouped by pauses, taken back and put back with the
  // usual keys; once a box has nothing left, the keys reach the document's history.
  for (QPlainTextEdit* box : {text_, comment_}) {
    box->setUndoRedoEnabled(false);
    BoxUndo& u = box == text_ ? textUndo_ : commentUndo_;
    u.undo = std::make_unique<TextUndo>(box == text_ ? "TextBox" : "CommentBox", std::chrono::milliseconds(800));
    u.timer = new QTimer(this);
    u.timer->setObjectName(QString::fromStdString(u.undo->TimerName()));
    u.timer->setSingleShot(true);
    u.timer->setInterval(800);
    connect(u.timer, &QTimer::timeout, this, [&u] { u.undo->Tick(TextUndo::Clock::now()); });
    connect(box, &QPlainTextEdit::textChanged, this, [this, box, &u] {
      if (showing_) {
        u.undo->Clear();
      } else if (!u.applying) {
        u.undo->Changed(u.before, TextUndo::Clock::now());
        u.timer->start();
      }
      u.before = StateOf(box);
    });
    connect(box, &QPlainTextEdit::cursorPositionChanged, this, [box, &u] {
      const TextState now = StateOf(box);
      if (now.text == u.before.text) u.before = now;
    });
    box->installEventFilter(this);
  }
}

void MainWindow::UndoInBox(QPlainTextEdit* box, bool redo) {
  BoxUndo& u = box == text_ ? textUndo_ : commentUndo_;
  auto apply = [&](const TextState& s) {
    u.applying = true;
    box->setPlainText(Q(s.text).replace("\r\n", "\n"));
    QTextCursor c = box->textCursor();
    const int end = static_cast<int>(box->toPlainText().size());
    c.setPosition(std::min(static_cast<int>(s.selStart), end));
    c.setPosition(std::min(static_cast<int>(s.selStart + s.selLength), end), QTextCursor::KeepAnchor);
    box->setTextCursor(c);
    u.applying = false;
  };
  if (redo ? u.undo->Redo(StateOf(box), apply) : u.undo->Undo(StateOf(box), apply)) return;
  // Nothing left in the box: the document's history.
  if (QAction* a = command(redo ? "edit.redo" : "edit.undo"); a && a->isEnabled()) a->trigger();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  bool isIn = watched == inCue_, isOut = watched == outCue_;
  if ((watched == text_ || watched == comment_) &&
      (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers m = key->modifiers() & ~Qt::KeypadModifier;
    const bool undo = key->key() == Qt::Key_Z && m == Qt::ControlModifier;
    const bool redo = (key->key() == Qt::Key_Y && m == Qt::ControlModifier) ||
                      (key->key() == Qt::Key_Z && m == (Qt::ControlModifier | Qt::ShiftModifier));
    if (undo || redo) {
      event->accept();
      if (event->type() == QEvent::KeyPress) UndoInBox(static_cast<QPlainTextEdit*>(watched), redo);
      return true;
    }
  }
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
  // Each box's first change of a run of typing is recorded for Undo.
  (void)e;
  auto take = [this](EditField field, std::string now, std::string& shown) {
    if (now == shown) return;
    shown = now;
    ws_.session().Typed(field, std::move(now));
  };
  take(EditField::Text, BoxText(text_), shown_.text);
  take(EditField::Comment, BoxText(comment_), shown_.comment);
  take(EditField::InCue, inCue_->text().toStdString(), shown_.inCue);
  take(EditField::OutCue, outCue_->text().toStdString(), shown_.outCue);
  take(EditField::Duration, duration_->text().toStdString(), shown_.duration);
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
  last_->setText(Cues(e.lastIn, e.lastOut, e.lastDuration));
  next_->setText(Cues(e.nextIn, e.nextOut, e.nextDuration));
  // Another subtitle shown: the boxes' own undo starts afresh.
  if (ws_.session().current() != shownCurrent_ || !ws_.session().HasCurrent()) {
    shownCurrent_ = ws_.session().current();
    for (BoxUndo* u : {&textUndo_, &commentUndo_}) u->undo->Clear();
  }
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
  for (QWidget* w : {static_cast<QWidget*>(inCue_), static_cast<QWidget*>(outCue_), static_cast<QWidget*>(duration_), static_cast<QWidget*>(text_),
                     static_cast<QWidget*>(comment_)})
    w->setEnabled(has);
  ShowLiveFigures();
  if (has) {
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
  // The warning just raised, or else the current subtitle's own faults.
  const std::string warning = p.warning.empty() ? ws_.timing().CurrentSubtitleState() : p.warning;
  warning_->setText(Q(warning));
  warning_->setVisible(!warning.empty());
  if (const LiveErrorList& live = ws_.timing().LiveErrors(); live.revision() != shownRevision_) {
    shownRevision_ = live.revision();
    reports_->Reload();
    model_->faultsChanged();
  }
  if (rateGroup_)
    for (QAction* a : rateGroup_->actions()) a->setChecked(a->data().toInt() == ws_.doc().frameRate().code);
  ShowCommandStates(*this);
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
  ShowState();  // the list is live: bring it up to date and to the front
  reports_->RaiseErrors();
}

void MainWindow::ShowLiveFigures() {
  // Typing may have recorded a step: Undo becomes available at once.
  ShowCommandStates(*this);
  const bool has = ws_.session().HasCurrent();
  if (duration_->text().toStdString() != ws_.session().edit().duration) {
    const bool was = showing_;
    showing_ = true;
    duration_->setText(Q(ws_.session().edit().duration));
    showing_ = was;
  }
  shown_.duration = duration_->text().toStdString();
  if (!has) {
    cps_[0]->clear();
    rowLengths_->clear();
    text_->setExtraSelections({});
    return;
  }
  ShowCps(cps_[0], ws_.timing().CurrentCps());
  // One counter per row; a row over the house maximum is marked in the counter and in the
  // text box.
  const std::vector<std::size_t> lengths = ws_.timing().CurrentRowLengths();
  const std::size_t limit = static_cast<std::size_t>(std::max<int>(1, ws_.session().house().maxRowLength));
  const QColor mark = FaultBackground();
  QStringList parts;
  QList<QTextEdit::ExtraSelection> marks;
  for (std::size_t i = 0; i < lengths.size(); ++i) {
    if (lengths[i] <= limit) {
      parts << QString::number(lengths[i]);
      continue;
    }
    parts << QString("<span style='background-color:%1; color:%2; font-weight:bold'>&nbsp;%3&nbsp;</span>")
                 .arg(mark.name(), ReadableTextOn(mark).name())
                 .arg(lengths[i]);
    QTextEdit::ExtraSelection sel;
    sel.cursor = QTextCursor(text_->document()->findBlockByNumber(static_cast<int>(i)));
    sel.format.setBackground(mark);
    sel.format.setForeground(ReadableTextOn(mark));
    sel.format.setProperty(QTextFormat::FullWidthSelection, true);
    marks << sel;
  }
  rowLengths_->setText(QString("Row lengths: %1 (max %2)").arg(parts.join(" | ")).arg(limit));
  text_->setExtraSelections(marks);
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
  if (s.width > 0 && s.height > 0) {
    // A placement stored on a larger or another screen is brought onto the screen it
    // overlaps most (or the primary one), no larger than that screen's free area.
    QRect wanted(s.left, s.top, s.width, s.height);
    QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
      const QRect free = screen->availableGeometry();
      wanted.setWidth(std::min(wanted.width(), free.width()));
      wanted.setHeight(std::min(wanted.height(), free.height()));
      wanted.moveLeft(std::clamp(wanted.left(), free.left(), free.right() + 1 - wanted.width()));
      wanted.moveTop(std::clamp(wanted.top(), free.top(), free.bottom() + 1 - wanted.height()));
    }
    setGeometry(wanted);
  }
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
