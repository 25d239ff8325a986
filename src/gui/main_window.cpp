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
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "app/startup.h"
#include "gui/catalogue_dialogs.h"
#include "gui/markup_highlighter.h"
#include "gui/new_project_dialog.h"
#include "gui/options_dialog.h"
#include "gui/qt_clipboard.h"
#include "gui/qt_prompter.h"
#include "gui/reports_panel.h"
#include "gui/subtitle_list_model.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/user_error.h"
#include "settings/profiles.h"
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

// Code points before a position of a QString (the Workstation counts code points).
std::size_t CodePoints(const QString& text, int utf16Pos) {
  return CountCodePoints(text.left(utf16Pos).toStdString());
}

}  // namespace

MainWindow::MainWindow(Workstation& ws, QtPrompter& prompter, QWidget* parent)
    : QMainWindow(parent), ws_(ws), prompter_(prompter), clipboard_(std::make_unique<QtClipboard>()) {
  setObjectName("MainWindow");
  prompter_.setParent(this);
  prompter_.onStatus = [this](const std::string& s) {
    if (statusLabel_) statusLabel_->setText(Q(s));
  };
  recent_.Load(ws_.settings());
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
  setCentralWidget(split);

  BuildMenus();
  BuildStatusBar();
  ws_.onRefresh = [this] { ShowState(); };
  ws_.onWindowTitle = [this](const std::string& t) { setWindowTitle(Q(t) + "[*]"); };
  resize(1180, 760);
  ShowState();
}

MainWindow::~MainWindow() {
  ws_.onRefresh = nullptr;
  ws_.onWindowTitle = nullptr;
  prompter_.onStatus = nullptr;
}

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
    Command([&] { isIn ? ws_.EnterInCueField() : ws_.EnterOutCueField(); });
  }
  if (watched == text_ && event->type() == QEvent::KeyPress && ws_.replaceAsYouType) {
    auto* key = static_cast<QKeyEvent*>(event);
    QString typed = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ? QString("\r") : key->text();
    if (typed.size() == 1 && QString(" \r?;:.,)'!\"").contains(typed)) {
      // Let the box take the character, then replace the word before it.
      static_cast<QObject*>(text_)->event(event);
      TakeEdits();
      QString before = text_->toPlainText().left(text_->textCursor().position()).replace("\n", "\r\n");
      std::size_t caret = before.toStdString().size();
      bool replaced = false;
      Command([&] { replaced = ws_.AutoReplaceTyped(typed.toStdString(), caret); });
      if (replaced) {
        QTextCursor c = text_->textCursor();
        c.setPosition(static_cast<int>(QString::fromStdString(ws_.edit().text.substr(0, caret)).replace("\r\n", "\n").size()));
        text_->setTextCursor(c);
      }
      return true;
    }
  }
  if ((isIn || isOut) && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
      // Up moves the cue later, Down earlier; each held modifier adds five frames.
      Qt::KeyboardModifiers m = key->modifiers();
      int held = (m & Qt::ShiftModifier ? 1 : 0) + (m & Qt::ControlModifier ? 1 : 0) + (m & Qt::AltModifier ? 1 : 0);
      Command([&] { ws_.MoveCueByKey(isIn ? CueField::In : CueField::Out, key->key() == Qt::Key_Up, held); });
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::TakeEdits() {
  EditArea& e = ws_.edit();
  // The text box shows rows with line feeds; the model keeps CR LF.
  e.text = text_->toPlainText().replace("\n", "\r\n").toStdString();
  e.comment = comment_->toPlainText().replace("\n", "\r\n").toStdString();
  e.inCue = inCue_->text().toStdString();
  e.outCue = outCue_->text().toStdString();
}

void MainWindow::ShowState() {
  showing_ = true;
  const EditArea& e = ws_.edit();
  auto setCue = [](QLineEdit* f, const std::string& v) {
    if (f->text().toStdString() != v) f->setText(Q(v));
  };
  setCue(inCue_, e.inCue);
  setCue(outCue_, e.outCue);
  duration_->setText(Q(e.duration));
  last_->setText(Cues(e.lastIn, e.lastOut, e.lastDuration));
  next_->setText(Cues(e.nextIn, e.nextOut, e.nextDuration));
  QString text = Q(e.text).replace("\r\n", "\n");
  if (text_->toPlainText() != text) text_->setPlainText(text);
  QString comment = Q(e.comment).replace("\r\n", "\n");
  if (comment_->toPlainText() != comment) comment_->setPlainText(comment);
  bool has = ws_.HasCurrent();
  for (QWidget* w : {static_cast<QWidget*>(inCue_), static_cast<QWidget*>(outCue_), static_cast<QWidget*>(text_),
                     static_cast<QWidget*>(comment_)})
    w->setEnabled(has);
  if (has) {
    ShowCps(cps_[0], ws_.CurrentCps());
    ShowCps(cps_[1], ws_.LastCps());
    ShowCps(cps_[2], ws_.NextCps());
    QModelIndex idx = model_->index(static_cast<int>(ws_.current()), 0);
    if (list_->currentIndex().row() != idx.row()) {
      list_->setCurrentIndex(idx);
      list_->scrollTo(idx);
    }
  } else {
    for (QLabel* l : cps_) l->clear();
  }
  const StatusPanels& p = ws_.panels();
  if (rateLabel_) {
    rateLabel_->setText(Q(p.frameRate));
    fileLabel_->setText(Q(p.fileName));
    statusLabel_->setText(Q(p.status));
  }
  warning_->setText(Q(p.warning));
  warning_->setVisible(!p.warning.empty());
  if (rateGroup_)
    for (QAction* a : rateGroup_->actions()) a->setChecked(a->data().toInt() == ws_.doc().frameRate().code);
  if (undoAction_) {
    undoAction_->setEnabled(ws_.CanUndo());
    for (QAction* a : needsSubtitle_) a->setEnabled(has);
  }
  setWindowTitle(Q(ws_.WindowTitle()) + "[*]");  // [*] shows the modified mark
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

QAction* MainWindow::action(const QString& text) const {
  for (QAction* a : menuBar()->findChildren<QAction*>()) {
    QString plain = a->text();
    plain.remove('&');
    if (a->text() == text || plain == text) return a;
  }
  return nullptr;
}

void MainWindow::MoveTo(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= ws_.doc().Count()) return;
  Command([&] { ws_.MoveTo(static_cast<std::size_t>(row)); });
}

void MainWindow::Step(int delta) {
  Command([&] {
    if (!ws_.LeaveCurrentSubtitle()) return;
    delta < 0 ? ws_.PageUp() : ws_.PageDown();
  });
}

bool MainWindow::NewProject() {
  ProfileStore store(DataFolder());
  std::vector<std::string> names;
  for (const Profile& p : store.ReadProfileData()) names.push_back(p.name);
  std::string current = ws_.settings().Get("Options", "Profile", kDefaultProfileName);
  NewProjectDialog dlg(names, current, ws_.doc().frameRate().code, ws_.doc().languageId(), this);
  if (dlg.exec() != QDialog::Accepted) return false;
  bool done = false;
  Command([&] {
    store.ApplyProfile(dlg.profile(), ws_.house(), ws_.settings());
    done = ws_.New(dlg.frameRateCode(), dlg.languageId(), dlg.characterSet());
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
        if (ws_.QuerySaveChanges() && ws_.OpenPath(path)) RememberFile();
      });
    });
  }
  recentMenu_->setEnabled(!recent_.paths().empty());
}

void MainWindow::RunChecks() {
  Command([&] { ws_.RunAllChecks(); });
  ShowErrorList();
}

void MainWindow::ShowErrorList() {
  std::vector<ErrorRow> rows = ws_.ErrorList();
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
  from->setValue(static_cast<int>(ws_.current()) + 1);
  to->setValue(static_cast<int>(ws_.current()) + 1);
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
    Command([&] { outcome = ws_.DeleteRange(from->value(), to->value(), action); });
    // A refusal keeps the dialog open for corrected numbers.
    if (outcome != RangeOutcome::Refused) dlg.accept();
  });
  dlg.exec();
}

void MainWindow::BuildMenus() {
  auto add = [this](QMenu* menu, const QString& text, const QKeySequence& key, auto&& fn, bool needsSubtitle = false) {
    QAction* a = menu->addAction(text);
    if (!key.isEmpty()) a->setShortcut(key);
    connect(a, &QAction::triggered, this, fn);
    if (needsSubtitle) needsSubtitle_.push_back(a);
    return a;
  };

  QMenu* file = menuBar()->addMenu("&File");
  add(file, "&New...", QKeySequence::New, [this] { NewProject(); });
  add(file, "&Open...", QKeySequence::Open, [this] {
    Command([&] {
      if (ws_.Open()) RememberFile();
    });
  });
  add(file, "&Append...", QKeySequence(), [this] { Command([&] { ws_.Append(); }); });
  add(file, "&Import...", QKeySequence(), [this] {
    ImportDialog dlg(this);
    if (dlg.exec() != QDialog::Accepted || dlg.row() < 0) return;
    Command([&] {
      if (ws_.ImportDialogOk(dlg.row(), dlg.encoding())) RememberFile();
    });
  });
  add(file, "&Export...", QKeySequence(Qt::CTRL | Qt::Key_E), [this] {
    ExportDialog dlg(static_cast<int>(ws_.settings().GetInt("Export", "Last export format", 1)),
                     ws_.settings().GetInt("Export", "Always show options", 0) != 0, this);
    if (dlg.exec() != QDialog::Accepted || dlg.position() < 1) return;
    Command([&] { ws_.ExportDialogOk(dlg.position(), dlg.alwaysShowOptions()); });
  });
  recentMenu_ = file->addMenu("&Recent files");
  connect(recentMenu_, &QMenu::aboutToShow, this, [this] { FillRecentMenu(); });
  file->addSeparator();
  add(file, "&Save", QKeySequence::Save, [this] {
    Command([&] {
      if (ws_.Save()) RememberFile();
    });
  });
  add(file, "Save &As...", QKeySequence::SaveAs, [this] {
    Command([&] {
      if (ws_.SaveAs()) RememberFile();
    });
  });
  file->addSeparator();
  add(file, "E&xit", QKeySequence::Quit, [this] { close(); });

  QMenu* edit = menuBar()->addMenu("&Edit");
  undoAction_ = add(edit, "&Undo", QKeySequence::Undo, [this] { Command([&] { ws_.Undo(); }); });
  edit->addSeparator();
  auto clip = [this](auto op) {
    QPlainTextEdit* box = comment_->hasFocus() ? comment_ : text_;
    Workstation::TextBox which = box == comment_ ? Workstation::TextBox::Comment : Workstation::TextBox::Text;
    QTextCursor c = box->textCursor();
    QString all = box->toPlainText().replace("\n", "\r\n");
    // Selection positions in code points of the stored text (CR LF rows).
    int lineEndsBefore = box->toPlainText().left(c.selectionStart()).count('\n');
    int lineEndsIn = box->toPlainText().mid(c.selectionStart(), c.selectionEnd() - c.selectionStart()).count('\n');
    std::size_t start = CodePoints(all, c.selectionStart() + lineEndsBefore);
    std::size_t end = CodePoints(all, c.selectionEnd() + lineEndsBefore + lineEndsIn);
    Command([&] { op(which, start, end - start); });
  };
  add(edit, "Cu&t", QKeySequence(), [this, clip] {
    clip([this](Workstation::TextBox b, std::size_t s, std::size_t n) { ws_.Cut(*clipboard_, b, s, n); });
  }, true);
  add(edit, "&Copy", QKeySequence(), [this, clip] {
    clip([this](Workstation::TextBox b, std::size_t s, std::size_t n) { ws_.Copy(*clipboard_, b, s, n); });
  }, true);
  add(edit, "&Paste", QKeySequence(), [this, clip] {
    clip([this](Workstation::TextBox b, std::size_t s, std::size_t n) { ws_.Paste(*clipboard_, b, s, n); });
  }, true);
  edit->addSeparator();
  add(edit, "&Insert", QKeySequence(Qt::CTRL | Qt::Key_Insert), [this] { Command([&] { ws_.Insert(); }); });
  add(edit, "Insert A&fter", QKeySequence(Qt::Key_Insert), [this] { Command([&] { ws_.InsertAfter(); }); });
  add(edit, "&Delete", QKeySequence(Qt::CTRL | Qt::Key_Delete), [this] { Command([&] { ws_.Delete(); }); }, true);
  add(edit, "&Merge with next", QKeySequence(Qt::CTRL | Qt::Key_M), [this] { Command([&] { ws_.MergeWithNext(); }); }, true);
  add(edit, "Merge with p&revious", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M),
      [this] { Command([&] { ws_.MergeWithPrevious(); }); }, true);
  add(edit, "&Split at cursor", QKeySequence(Qt::CTRL | Qt::Key_Return), [this] {
    std::size_t cursor = CodePoints(text_->toPlainText().replace("\n", "\r\n"),
                                    text_->textCursor().position() +
                                        text_->toPlainText().left(text_->textCursor().position()).count('\n'));
    Command([&] { ws_.Split(cursor); });
  }, true);
  add(edit, "S&hift text", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), [this] { Command([&] { ws_.ShiftText(); }); }, true);
  edit->addSeparator();
  add(edit, "&Tidy subtitle", QKeySequence(Qt::CTRL | Qt::Key_T), [this] { Command([&] { ws_.TidyCurrentSubtitle(); }); }, true);

  QMenu* go = menuBar()->addMenu("&Navigate");
  add(go, "&Previous subtitle", QKeySequence(Qt::Key_PageUp), [this] { Step(-1); });
  add(go, "&Next subtitle", QKeySequence(Qt::Key_PageDown), [this] { Step(1); });
  add(go, "&First subtitle", QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { MoveTo(0); });
  add(go, "&Last subtitle", QKeySequence(Qt::CTRL | Qt::Key_End),
      [this] { MoveTo(static_cast<int>(ws_.doc().Count()) - 1); });

  QMenu* cues = menuBar()->addMenu("&Cues");
  add(cues, "Recalculate &out cue", QKeySequence(Qt::Key_F7), [this] { Command([&] { ws_.RecalculateOutCue(); }); }, true);
  add(cues, "Recalculate &in cue", QKeySequence(Qt::SHIFT | Qt::Key_F7), [this] { Command([&] { ws_.RecalculateInCue(); }); }, true);
  cues->addSeparator();
  add(cues, "Fix invalid &intervals", QKeySequence(), [this] { Command([&] { ws_.FixInvalidIntervals(); }); });
  add(cues, "Fill &blank out cues", QKeySequence(), [this] { Command([&] { ws_.FillBlankOutCues(); }); });
  add(cues, "S&tretch cues (x 1.001)", QKeySequence(), [this] { Command([&] { ws_.ScaleCues(1.001); }); });
  add(cues, "Shrin&k cues (x 0.999)", QKeySequence(), [this] { Command([&] { ws_.ScaleCues(0.999); }); });
  cues->addSeparator();
  add(cues, "Delete &current cues", QKeySequence(), [this] { Command([&] { ws_.DeleteCurrentCues(); }); }, true);
  add(cues, "Delete cues from &here", QKeySequence(), [this] { Command([&] { ws_.DeleteCuesFromHere(); }); }, true);
  add(cues, "Delete &all cues", QKeySequence(), [this] { Command([&] { ws_.DeleteAllCues(); }); });
  add(cues, "Delete &range...", QKeySequence(), [this] { DeleteRangeDialog(); });

  QMenu* tools = menuBar()->addMenu("&Tools");
  add(tools, "&Run all checks", QKeySequence(Qt::Key_F9), [this] { RunChecks(); });
  add(tools, "&Error list", QKeySequence(Qt::CTRL | Qt::Key_F9), [this] { ShowErrorList(); });
  add(tools, "&Save error list...", QKeySequence(), [this] { Command([&] { ws_.SaveErrorList(); }); });
  add(tools, "S&tatistics", QKeySequence(), [this] {
    std::string report;
    Command([&] { report = ws_.StatisticsReport(); });
    reports_->ShowStatistics(report);
  });
  tools->addSeparator();
  add(tools, "&Options...", QKeySequence(), [this] {
    OptionsDialog dlg(ws_.house(), PunctuationRules::Load(ws_.settings()), this);
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
      ws_.ReloadHouseOptions();
      return true;
    };
    if (dlg.exec() == QDialog::Accepted) ShowState();
  });
  add(tools, "&Clean file", QKeySequence(), [this] { Command([&] { ws_.CleanFile(); }); });
  add(tools, "&Punctuation check", QKeySequence(), [this] { Command([&] { ws_.PunctuationCheck(); }); });
  add(tools, "Replace &now (auto-replace list)", QKeySequence(), [this] { Command([&] { ws_.ReplaceNow(); }); });
  QAction* asYouType = add(tools, "Replace &while typing", QKeySequence(), [this](bool on) {
    ws_.replaceAsYouType = on;
    ws_.settings().SetBool("Options", "Replace as you type", on);
  });
  asYouType->setCheckable(true);
  asYouType->setChecked(ws_.replaceAsYouType);

  QMenu* rate = menuBar()->addMenu("F&rame rate");
  rateGroup_ = new QActionGroup(this);
  for (int code : AllFrameRateCodes()) {
    QAction* a = rate->addAction(Q(FrameRate::FromCode(code)->label()));
    a->setCheckable(true);
    a->setData(code);
    rateGroup_->addAction(a);
    connect(a, &QAction::triggered, this, [this, code] { Command([&] { ws_.SetFrameRate(code); }); });
  }

  profileMenu_ = menuBar()->addMenu("&Profile");
  connect(profileMenu_, &QMenu::aboutToShow, this, [this] {
    profileMenu_->clear();
    ProfileStore store(DataFolder());
    std::string current = ws_.settings().Get("Options", "Profile", kDefaultProfileName);
    for (const Profile& p : store.ReadProfileData()) {
      QAction* a = profileMenu_->addAction(Q(p.name));
      a->setCheckable(true);
      a->setChecked(p.name == current);
      std::string name = p.name;
      connect(a, &QAction::triggered, this, [this, name] {
        Command([&] { ProfileStore(DataFolder()).ApplyProfile(name, ws_.house(), ws_.settings()); });
      });
    }
    profileMenu_->addSeparator();
    profileMenu_->addAction("&Save rules as profile...", this, [this, current] {
      // The working house rules and punctuation rules, with the checks the current
      // profile forces and ignores, under a name the user gives.
      auto name = prompter_.Input("Save Profile", "Profile name:", current);
      if (!name || name->empty()) return;
      Command([&] {
        ProfileStore store(DataFolder());
        store.Save(ProfileFromSettings(*name, ws_.house(), ws_.settings()));
        store.ApplyProfile(*name, ws_.house(), ws_.settings());
      });
    });
    profileMenu_->addAction("&Delete profile...", this, [this, current] {
      Command([&] { ProfileStore(DataFolder()).DeleteProfile(current, prompter_); });
    });
  });

  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction("&About Kipo", this, [this] {
    QMessageBox::about(this, "About Kipo",
                       "Kipo - professional subtitle preparation.\n"
                       "Time, edit, check and deliver subtitles for broadcast, web and cinema.");
  });
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
  connect(autosave_, &QTimer::timeout, this, [this] { Command([&] { ws_.AutoSaveTick(); }); });
  autosave_->start(60 * 1000);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  TakeEdits();
  bool proceed = false;
  Command([&] {
    ws_.CommitEditArea();
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
