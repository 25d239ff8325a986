#include "gui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

#include "core/languages.h"
#include "gui/markup_highlighter.h"
#include "gui/new_project_dialog.h"
#include "gui/qt_prompter.h"
#include "gui/subtitle_list_model.h"
#include "platform/files.h"
#include "platform/user_error.h"
#include "settings/profiles.h"

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

}  // namespace

MainWindow::MainWindow(Workstation& ws, QtPrompter& prompter, QWidget* parent)
    : QMainWindow(parent), ws_(ws), prompter_(prompter) {
  setObjectName("MainWindow");
  prompter_.setParent(this);
  prompter_.onStatus = [this](const std::string& s) {
    if (statusLabel_) statusLabel_->setText(Q(s));
  };
  model_ = new SubtitleListModel(ws_.doc(), this);
  list_ = new QTableView;
  list_->setObjectName("subtitleList");
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->verticalHeader()->hide();
  // Fixed row heights keep the list virtual: nothing is measured per row.
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->setAlternatingRowColors(true);
  for (int c = 0; c < SubtitleListModel::Text; ++c) list_->setColumnWidth(c, c == 0 ? 60 : 100);
  connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& cur) {
            if (!showing_ && cur.isValid()) GoTo(cur.row());
          });

  auto* editArea = new QWidget;
  BuildEditArea();
  auto* editLayout = new QVBoxLayout(editArea);
  auto* cues = new QHBoxLayout;
  auto* cueForm = new QFormLayout;
  cueForm->addRow("In cue:", inCue_);
  cueForm->addRow("Out cue:", outCue_);
  cueForm->addRow("Duration:", duration_);
  cues->addLayout(cueForm);
  auto* neighbours = new QVBoxLayout;
  neighbours->addWidget(last_);
  neighbours->addWidget(next_);
  neighbours->addStretch();
  cues->addLayout(neighbours);
  cues->addStretch();
  editLayout->addLayout(cues);
  auto* texts = new QHBoxLayout;
  texts->addWidget(text_, 3);
  texts->addWidget(comment_, 1);
  editLayout->addLayout(texts);
  editLayout->addWidget(warning_);

  auto* split = new QSplitter(Qt::Vertical);
  split->addWidget(editArea);
  split->addWidget(list_);
  split->setStretchFactor(1, 1);
  setCentralWidget(split);

  BuildMenus();
  BuildStatusBar();
  ws_.onRefresh = [this] { ShowState(); };
  resize(1100, 720);
  ShowState();
}

MainWindow::~MainWindow() {
  ws_.onRefresh = nullptr;
  prompter_.onStatus = nullptr;
}

void MainWindow::BuildEditArea() {
  inCue_ = CueField("inCue");
  outCue_ = CueField("outCue");
  duration_ = new QLabel;
  duration_->setObjectName("duration");
  last_ = new QLabel;
  last_->setObjectName("lastCues");
  next_ = new QLabel;
  next_->setObjectName("nextCues");
  for (QLabel* l : {last_, next_}) l->setStyleSheet("color: #555;");
  text_ = new QPlainTextEdit;
  text_->setObjectName("subtitleText");
  text_->setPlaceholderText("Subtitle text");
  QFont big = text_->font();
  big.setPointSize(big.pointSize() + 4);
  text_->setFont(big);
  text_->setMaximumHeight(140);
  new MarkupHighlighter(text_->document());
  comment_ = new QPlainTextEdit;
  comment_->setObjectName("comment");
  comment_->setPlaceholderText("Comments");
  comment_->setMaximumHeight(140);
  warning_ = new QLabel;
  warning_->setObjectName("warningPanel");
  warning_->setStyleSheet("background-color: rgb(255,149,149); color: white; padding: 3px;");
  warning_->hide();
  auto take = [this] {
    if (!showing_) TakeEdits();
  };
  connect(text_, &QPlainTextEdit::textChanged, this, take);
  connect(comment_, &QPlainTextEdit::textChanged, this, take);
  connect(inCue_, &QLineEdit::textEdited, this, take);
  connect(outCue_, &QLineEdit::textEdited, this, take);
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
  last_->setText(Q("Last:  " + (e.lastIn.empty() ? std::string("--:--:--:--") : e.lastIn) + "  " +
                   (e.lastOut.empty() ? std::string("--:--:--:--") : e.lastOut) + "  " + e.lastDuration));
  next_->setText(Q("Next:  " + (e.nextIn.empty() ? std::string("--:--:--:--") : e.nextIn) + "  " +
                   (e.nextOut.empty() ? std::string("--:--:--:--") : e.nextOut) + "  " + e.nextDuration));
  QString text = Q(e.text).replace("\r\n", "\n");
  if (text_->toPlainText() != text) text_->setPlainText(text);
  QString comment = Q(e.comment).replace("\r\n", "\n");
  if (comment_->toPlainText() != comment) comment_->setPlainText(comment);
  bool has = ws_.HasCurrent();
  for (QWidget* w : {static_cast<QWidget*>(inCue_), static_cast<QWidget*>(outCue_),
                     static_cast<QWidget*>(text_), static_cast<QWidget*>(comment_)})
    w->setEnabled(has);
  if (has) {
    QModelIndex idx = model_->index(static_cast<int>(ws_.current()), 0);
    if (list_->currentIndex().row() != idx.row()) {
      list_->setCurrentIndex(idx);
      list_->scrollTo(idx);
    }
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
  setWindowTitle(Q(ws_.WindowTitle()) + "[*]");  // [*] shows the modified mark
  setWindowModified(ws_.doc().modified);
  showing_ = false;
}

template <typename F>
void MainWindow::Command(F&& f) {
  try {
    f();
  } catch (const UserError& e) {
    prompter_.Inform(e.title(), e.text(), Icon::Critical);
  }
  ShowState();
}

void MainWindow::GoTo(int row) {
  Command([&] { ws_.GoTo(static_cast<std::size_t>(std::max(row, 0))); });
}

void MainWindow::Step(int delta) {
  if (ws_.doc().Count() == 0) return;
  long target = static_cast<long>(ws_.current()) + delta;
  target = std::clamp(target, 0L, static_cast<long>(ws_.doc().Count()) - 1);
  GoTo(static_cast<int>(target));
}

bool MainWindow::NewProject() {
  ProfileStore store(DataFolder());
  std::vector<std::string> names;
  for (const Profile& p : store.ReadProfileData()) names.push_back(p.name);
  std::string current = ws_.settings().Get("Options", "Profile", kDefaultProfileName);
  NewProjectDialog dlg(names, current, ws_.doc().frameRate().code, ws_.doc().languageId(), this);
  if (dlg.exec() != QDialog::Accepted) return false;
  Command([&] {
    store.ApplyProfile(dlg.profile(), ws_.house(), ws_.settings());
    ws_.NewDocument(dlg.frameRateCode(), dlg.languageId(), dlg.characterSet());
  });
  return true;
}

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  QAction* newAct = file->addAction("&New...", this, [this] { NewProject(); });
  newAct->setShortcut(QKeySequence::New);
  file->addSeparator();
  QAction* exitAct = file->addAction("E&xit", this, &QWidget::close);
  exitAct->setShortcut(QKeySequence::Quit);

  QMenu* go = menuBar()->addMenu("&Navigate");
  go->addAction("&Previous subtitle", QKeySequence(Qt::Key_PageUp), this, [this] { Step(-1); });
  go->addAction("&Next subtitle", QKeySequence(Qt::Key_PageDown), this, [this] { Step(1); });
  go->addAction("&First subtitle", QKeySequence(Qt::CTRL | Qt::Key_Home), this, [this] { GoTo(0); });
  go->addAction("&Last subtitle", QKeySequence(Qt::CTRL | Qt::Key_End), this,
                [this] { GoTo(static_cast<int>(ws_.doc().Count()) - 1); });

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

void MainWindow::closeEvent(QCloseEvent* event) {
  TakeEdits();
  ws_.CommitEditArea();
  event->accept();
}

}  // namespace kipo::gui
