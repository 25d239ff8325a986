#include "gui/toolbar_basics.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTableView>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "app/commands.h"
#include "app/open_any.h"
#include "app/shortcut_keys.h"
#include "gui/find_dialog.h"
#include "gui/goto_dialog.h"
#include "gui/main_window.h"
#include "gui/shortcuts_dialog.h"
#include "gui/spell_highlighter.h"
#include "platform/encoding.h"
#include "platform/user_error.h"

namespace kipo::gui {
namespace {

// Code points of the stored text (CR LF rows) before a position of the text box (LF rows).
std::size_t StoredPosition(const QString& box, int position) {
  const QString left = box.left(position);
  return static_cast<std::size_t>(left.toUcs4().size() + left.count('\n'));
}

// The text box position of a code-point position in the stored text.
int BoxPosition(const std::string& stored, std::size_t codePoints) {
  const QString s = QString::fromStdString(stored);
  std::size_t cp = 0;
  int crs = 0;
  for (int i = 0; i < s.size(); ++i) {
    if (cp == codePoints) return i - crs;
    if (s[i] == '\r') ++crs;
    if (!s[i].isHighSurrogate()) ++cp;
  }
  return static_cast<int>(s.size()) - crs;
}

struct ColourCommand {
  const char* id;
  kipo::Colour colour;
};
constexpr ColourCommand kColours[] = {
    {"format.red", kipo::Colour::Red},         {"format.green", kipo::Colour::Green}, {"format.yellow", kipo::Colour::Yellow},
    {"format.blue", kipo::Colour::Blue},       {"format.magenta", kipo::Colour::Magenta},
    {"format.cyan", kipo::Colour::Cyan},       {"format.white", kipo::Colour::White},
    {"format.noColour", kipo::Colour::Default},
};

}  // namespace

EditingBasics::EditingBasics(MainWindow& window)
    : QObject(&window), window_(window), find_(window.workstation()), selection_(window.workstation()) {
  spelling_.UsePersonalList(PersonalWordsFile());
  askOffset = [this]() -> std::optional<QString> {
    bool ok = false;
    QString t = QInputDialog::getText(&window_, "Offset Selected Subtitles",
                                      "Move the chosen subtitles by (HH:MM:SS:FF, a minus sign for earlier):",
                                      QLineEdit::Normal, "00:00:00:00", &ok);
    return ok ? std::optional<QString>(t) : std::nullopt;
  };
}

EditingBasics::~EditingBasics() = default;

std::map<std::string, std::function<void()>, std::less<>> EditingBasics::Actions() {
  std::map<std::string, std::function<void()>, std::less<>> a{
      {"file.open", [this] { window_.RunCommand([this] { OpenAnyFileDialog(window_.workstation()); }); }},
      {"edit.find",
       [this] {
         FindDialog* dlg = findDialog();
         dlg->setPattern(window_.textBox()->textCursor().selectedText());
         dlg->show();
         dlg->raise();
         dlg->activateWindow();
       }},
      {"edit.findNext",
       [this] {
         if (findDialog()->options().pattern.empty()) {
           window_.command("edit.find")->trigger();
           return;
         }
         findDialog()->FindNext(true);
       }},
      {"edit.deleteSelected",
       [this] { window_.RunCommand([this] { selection_.DeleteSubtitles(ChosenSubtitles()); }); }},
      {"format.italic", [this] { Toggle(StyleToggle::Italic); }},
      {"format.bold", [this] { Toggle(StyleToggle::Bold); }},
      {"format.underline", [this] { Toggle(StyleToggle::Underline); }},
      {"format.italicSelected",
       [this] { window_.RunCommand([this] { selection_.ToggleItalics(ChosenSubtitles()); }); }},
      {"go.goTo", [this] { GoToWindow(); }},
      {"cues.offsetSelected", [this] { OffsetChosen(); }},
      {"tools.spellWhileTyping",
       [this] {
         SettingsStore& s = window_.workstation().settings();
         s.Set(kCheckSpellingWhileTyping, !s.Get(kCheckSpellingWhileTyping));
         if (highlighter_) highlighter_->setChecking(s.Get(kCheckSpellingWhileTyping));
         window_.ShowState();
       }},
      {"tools.shortcuts", [this] { ShortcutsWindow(); }},
  };
  for (const ColourCommand& c : kColours) a.emplace(c.id, [this, colour = c.colour] { Colour(colour); });
  return a;
}

void EditingBasics::Install() {
  Workstation& ws = window_.workstation();
  QPlainTextEdit* text = window_.textBox();
  // The spell highlighter draws the markup as well: it takes the place of the plain one.
  for (auto* h : text->document()->findChildren<MarkupHighlighter*>(Qt::FindDirectChildrenOnly)) {
    h->setDocument(nullptr);
    h->deleteLater();
  }
  LoadDictionary();
  highlighter_ = new SpellHighlighter(text->document(), spelling_);
  highlighter_->setChecking(ws.settings().Get(kCheckSpellingWhileTyping));
  text->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(text, &QWidget::customContextMenuRequested, this, [this, text](const QPoint& at) {
    QMenu* menu = SpellMenu(text, spelling_, at, [this] { highlighter_->rehighlight(); });
    menu->exec(text->mapToGlobal(at));
    menu->deleteLater();
  });
  // A language chosen for the document brings its dictionary.
  // A rehighlight tells the box its text changed, and the window then takes the box's text
  // as typed: it waits until the window has shown the new state.
  refreshed_ = ws.session().OnRefresh([this] {
    const std::string before = spelling_.dictionary();
    LoadDictionary();
    if (spelling_.dictionary() != before)
      QTimer::singleShot(0, this, [this] {
        if (highlighter_) highlighter_->rehighlight();
      });
  });

  // Several subtitles can be chosen in the list for delete, offset and italics.
  QTableView* list = window_.list();
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setContextMenuPolicy(Qt::ActionsContextMenu);
  for (const char* id : {"edit.deleteSelected", "cues.offsetSelected", "format.italicSelected"})
    if (QAction* a = window_.command(id)) list->addAction(a);

  // Files dropped anywhere on the window.
  window_.setAcceptDrops(true);
  for (QWidget* w : {static_cast<QWidget*>(&window_), static_cast<QWidget*>(text), static_cast<QWidget*>(list),
                     list->viewport()})
    w->installEventFilter(this);

  BuildToolBar();
  ApplyShortcuts();
}

void EditingBasics::BuildToolBar() {
  toolBar_ = new QToolBar("Main toolbar", &window_);
  toolBar_->setObjectName("mainToolBar");
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  toolBar_->setIconSize(QSize(16, 16));
  QStyle* style = window_.style();
  struct Item {
    const char* id;
    QStyle::StandardPixmap icon;  // SP_CustomBase: text only
    bool separatorBefore;
  };
  constexpr auto T = QStyle::SP_CustomBase;
  const Item items[] = {
      {"file.new", QStyle::SP_FileIcon, false},         {"file.open", QStyle::SP_DialogOpenButton, false},
      {"file.save", QStyle::SP_DialogSaveButton, false}, {"edit.undo", QStyle::SP_ArrowBack, true},
      {"edit.find", T, true},                            {"go.goTo", T, false},
      {"edit.insertAfter", T, true},                     {"edit.delete", T, false},
      {"edit.split", T, false},                          {"edit.mergeNext", T, false},
      {"format.italic", T, true},                        {"format.bold", T, false},
      {"format.underline", T, false},                    {"tools.runChecks", T, true},
  };
  for (const Item& it : items) {
    QAction* a = window_.command(it.id);
    if (!a) continue;
    if (it.separatorBefore) toolBar_->addSeparator();
    if (it.icon != T && a->icon().isNull()) a->setIcon(style->standardIcon(it.icon));
    toolBar_->addAction(a);
    if (QWidget* b = toolBar_->widgetForAction(a)) b->setObjectName(QString("tool_") + it.id);
  }
  // The style buttons show their style; the colours share one button with a menu.
  auto styled = [&](const char* id, auto set) {
    if (QWidget* b = toolBar_->widgetForAction(window_.command(id))) {
      QFont f = b->font();
      set(f);
      b->setFont(f);
    }
  };
  styled("format.italic", [](QFont& f) { f.setItalic(true); });
  styled("format.bold", [](QFont& f) { f.setBold(true); });
  styled("format.underline", [](QFont& f) { f.setUnderline(true); });
  auto* colours = new QToolButton;
  colours->setObjectName("tool_colours");
  colours->setText("Colour");
  colours->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(colours);
  for (const ColourCommand& c : kColours)
    if (QAction* a = window_.command(c.id)) menu->addAction(a);
  colours->setMenu(menu);
  toolBar_->insertWidget(window_.command("tools.runChecks"), colours);
  toolBar_->insertSeparator(window_.command("tools.runChecks"));
  window_.addToolBar(Qt::TopToolBarArea, toolBar_);
}

void EditingBasics::ApplyShortcuts() {
  const SettingsStore& s = window_.workstation().settings();
  for (const CommandInfo& c : Commands()) {
    QAction* a = window_.command(c.id);
    if (!a) continue;
    a->setShortcut(QKeySequence::fromString(QString::fromStdString(ShortcutFor(s, c.id)), QKeySequence::PortableText));
  }
}

FindDialog* EditingBasics::findDialog() {
  if (!findDialog_) {
    findDialog_ = new FindDialog(find_, &window_);
    findDialog_->run = [this](const std::function<void()>& f) { window_.RunCommand(f); };
    findDialog_->showMatch = [this](const FindMatch& m) {
      QPlainTextEdit* box = m.field == FindField::Text ? window_.textBox() : window_.commentBox();
      const EditArea& e = window_.workstation().session().edit();
      const std::string& stored = m.field == FindField::Text ? e.text : e.comment;
      // Byte offsets of the stored text to the box's positions.
      const std::size_t from = CountCodePoints(std::string_view(stored).substr(0, m.start));
      const std::size_t to = CountCodePoints(std::string_view(stored).substr(0, m.start + m.length));
      QTextCursor c = box->textCursor();
      c.setPosition(BoxPosition(stored, from));
      c.setPosition(BoxPosition(stored, to), QTextCursor::KeepAnchor);
      box->setTextCursor(c);
    };
  }
  return findDialog_;
}

std::pair<std::size_t, std::size_t> EditingBasics::TextSelection() const {
  QPlainTextEdit* box = window_.textBox();
  const QTextCursor c = box->textCursor();
  const QString all = box->toPlainText();
  return {StoredPosition(all, c.selectionStart()), StoredPosition(all, c.selectionEnd())};
}

void EditingBasics::SelectInTextBox(std::size_t start, std::size_t end) {
  const std::string& stored = window_.workstation().session().edit().text;
  QPlainTextEdit* box = window_.textBox();
  QTextCursor c = box->textCursor();
  c.setPosition(BoxPosition(stored, start));
  c.setPosition(BoxPosition(stored, end), QTextCursor::KeepAnchor);
  box->setTextCursor(c);
}

void EditingBasics::Toggle(StyleToggle style) {
  auto [start, end] = TextSelection();
  std::optional<StyledText> r;
  window_.RunCommand([&] { r = selection_.Toggle(style, start, end); });
  if (r && r->start != r->end) SelectInTextBox(r->start, r->end);
}

void EditingBasics::Colour(kipo::Colour colour) {
  auto [start, end] = TextSelection();
  std::optional<StyledText> r;
  window_.RunCommand([&] { r = selection_.Colourise(colour, start, end); });
  if (r && r->start != r->end) SelectInTextBox(r->start, r->end);
}

std::vector<std::size_t> EditingBasics::ChosenSubtitles() const {
  std::vector<std::size_t> out;
  for (const QModelIndex& i : window_.list()->selectionModel()->selectedRows()) out.push_back(static_cast<std::size_t>(i.row()));
  std::sort(out.begin(), out.end());
  const DocumentSession& s = window_.workstation().session();
  if (out.empty() && s.HasCurrent()) out.push_back(s.current());
  return out;
}

void EditingBasics::OffsetChosen() {
  std::optional<QString> typed = askOffset ? askOffset() : std::nullopt;
  if (!typed) return;
  QString t = typed->trimmed();
  const bool earlier = t.startsWith('-');
  if (earlier || t.startsWith('+')) t.remove(0, 1);
  window_.RunCommand([&] {
    Workstation& ws = window_.workstation();
    Timecode frames = FindController::ParseTimecode(t.toStdString(), ws.doc().frameRate());
    selection_.OffsetSubtitles(ChosenSubtitles(), earlier ? -frames : frames);
  });
}

void EditingBasics::GoToWindow() {
  Workstation& ws = window_.workstation();
  GoToDialog dlg(static_cast<int>(ws.session().current()) + 1, static_cast<int>(ws.doc().Count()), &window_);
  dlg.go = [this](const QString& typed) {
    bool moved = false;
    window_.RunCommand([&] {
      moved = GoToDialog::IsTimecode(typed) ? find_.GoToTimecode(typed.toStdString())
                                            : find_.GoToNumber(typed.toLong());
    });
    return moved;
  };
  dlg.exec();
}

void EditingBasics::ShortcutsWindow() {
  ShortcutsDialog dlg(window_.workstation().settings(), &window_);
  if (dlg.exec() != QDialog::Accepted) return;
  dlg.Save(window_.workstation().settings());
  ApplyShortcuts();
}

void EditingBasics::LoadDictionary() {
  Workstation& ws = window_.workstation();
  std::string locale = ws.settings().Get(kSpellingDictionary);
  if (locale.empty()) locale = LocaleForLanguageId(ws.doc().languageId());
  if (locale == dictionaryLocale_) return;
  dictionaryLocale_ = locale;
  spelling_.Load(locale);
}

bool EditingBasics::IsVideoFile(const QString& path) {
  static const QStringList kVideo = {"mp4", "m4v", "mov", "mkv", "avi", "mxf", "mpg", "mpeg", "m2ts", "mts",
                                     "ts",  "wmv", "webm", "vob", "flv", "3gp", "dv", "ogv"};
  return kVideo.contains(QFileInfo(path).suffix().toLower());
}

bool EditingBasics::OpenDropped(const QList<QUrl>& urls) {
  for (const QUrl& u : urls) {
    if (!u.isLocalFile()) continue;
    const QString path = u.toLocalFile();
    if (IsVideoFile(path)) {
      if (!onVideoDropped) continue;
      onVideoDropped(path.toStdString());
      return true;
    }
    bool opened = false;
    window_.RunCommand([&] { opened = OpenAnyFile(window_.workstation(), path.toStdString()); });
    return opened;
  }
  return false;
}

bool EditingBasics::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type t = event->type();
  if (t == QEvent::DragEnter || t == QEvent::DragMove || t == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* mime = drop->mimeData();
    bool files = false;
    if (mime && mime->hasUrls())
      for (const QUrl& u : mime->urls())
        files = files || (u.isLocalFile() && (!IsVideoFile(u.toLocalFile()) || onVideoDropped));
    if (!files) return QObject::eventFilter(watched, event);  // text dragged within the box stays the box's
    drop->acceptProposedAction();
    if (t == QEvent::Drop) OpenDropped(mime->urls());
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace kipo::gui
