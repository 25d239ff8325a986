#pragma once
// The main window: the subtitle list, the edit area, the reports, the status panels and
// the menus, all over one Workstation. The window holds no subtitle rules of its own: the
// menus are built from the command table, every command runs on a controller, and the
// window only shows the session's state.
#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/workstation.h"
#include "core/text_undo.h"
#include "settings/recent_files.h"

class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QTableView;
class QTimer;

namespace kipo {
struct WindowState;
}

namespace kipo::gui {

class SubtitleListModel;
class QtPrompter;
class QtClipboard;
class ReportsPanel;
class EditingBasics;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  MainWindow(Workstation& ws, QtPrompter& prompter, QWidget* parent = nullptr);
  ~MainWindow() override;

  Workstation& workstation() { return ws_; }
  QTableView* list() const { return list_; }
  QPlainTextEdit* textBox() const { return text_; }
  QPlainTextEdit* commentBox() const { return comment_; }
  // Find, go to, spelling, toggles, the toolbar, dropped files and shortcuts.
  EditingBasics& basics() { return *basics_; }
  // Runs a command as the menus do: the typed edits first, a UserError in a message box,
  // the new state shown afterwards.
  void RunCommand(const std::function<void()>& f);
  // Puts the document's file on the recent-files list.
  void RememberFile();
  QLineEdit* inCueField() const { return inCue_; }
  QLineEdit* outCueField() const { return outCue_; }
  QLineEdit* durationField() const { return duration_; }
  ReportsPanel* reports() const { return reports_; }
  // The action of a command of the table (app/commands.h) by its id ("file.save"); null
  // for an unknown id.
  QAction* command(std::string_view id) const;
  // Shows the Workstation's current state in every widget.
  void ShowState();
  // Runs the new-project window and starts a new document from its choices.
  bool NewProject();
  // Applies a stored window placement.
  void Restore(const WindowState& state);
  WindowState Placement() const;
  // Starts the autosave timer (one tick a minute).
  void StartAutoSave();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildEditArea();
  void BuildMenus();
  std::map<std::string, std::function<void()>, std::less<>> WindowActions();
  void FillProfileMenu();
  void OptionsWindow();
  void BuildStatusBar();
  void MoveTo(int row);
  void TakeEdits();
  void RunChecks();
  void ShowErrorList();
  // What typing changes at once: the duration, characters per second and row lengths.
  void ShowLiveFigures();
  void DeleteRangeDialog();
  void FillRecentMenu();
  // Runs a Workstation command: the edits typed so far first, a UserError in a message
  // box, the new state shown afterwards.
  template <typename F>
  void Command(F&& f);

  Workstation& ws_;
  QtPrompter& prompter_;
  std::unique_ptr<QtClipboard> clipboard_;
  EditingBasics* basics_ = nullptr;
  RecentFiles recent_;
  SubtitleListModel* model_ = nullptr;
  QTableView* list_ = nullptr;
  QLineEdit* inCue_ = nullptr;
  QLineEdit* outCue_ = nullptr;
  QLineEdit* duration_ = nullptr;
  QLabel* last_ = nullptr;
  QLabel* next_ = nullptr;
  QLabel* cps_[3] = {nullptr, nullptr, nullptr};  // current, last, next
  QPlainTextEdit* text_ = nullptr;
  QPlainTextEdit* comment_ = nullptr;
  ReportsPanel* reports_ = nullptr;
  QLabel* rateLabel_ = nullptr;
  QLabel* fileLabel_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  QLabel* warning_ = nullptr;
  QLabel* rowLengths_ = nullptr;
  std::uint64_t shownRevision_ = ~std::uint64_t{0};
  QActionGroup* rateGroup_ = nullptr;
  QMenu* profileMenu_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  std::vector<QAction*> profileItems_;
  std::map<std::string, QAction*, std::less<>> commands_;
  Connection refreshed_;
  Connection titleShown_;
  Connection statusShown_;
  QTimer* autosave_ = nullptr;
  // True while the boxes are being filled from the document (and until the window first
  // shows it): their change signals are then not the user typing.
  bool showing_ = true;
  // The edit area's fields as last shown, in the widgets' own form.
  struct Shown {
    std::string text, comment, inCue, outCue, duration;
  } shown_;
  std::size_t shownCurrent_ = ~std::size_t{0};
  // A text box's own undo, its grouping timer and the state before the next change.
  struct BoxUndo {
    std::unique_ptr<TextUndo> undo;
    QTimer* timer = nullptr;
    TextState before;
    bool applying = false;
  };
  BoxUndo textUndo_, commentUndo_;
  // Ctrl+Z / Ctrl+Y (Ctrl+Shift+Z) in a text box: its own undo first, then the document's.
  void UndoInBox(QPlainTextEdit* box, bool redo);
};

}  // namespace kipo::gui
