#pragma once
// The main window: the subtitle list, the edit area, the status panels and the menus, all
// over one app::Workstation. The window holds no subtitle rules of its own: every command
// is a Workstation command, and the window only shows its state.
#include <QMainWindow>

#include "app/workstation.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
class QActionGroup;
class QMenu;

namespace kipo::gui {

class SubtitleListModel;
class QtPrompter;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  MainWindow(Workstation& ws, QtPrompter& prompter, QWidget* parent = nullptr);
  ~MainWindow() override;

  Workstation& workstation() { return ws_; }
  QTableView* list() const { return list_; }
  QPlainTextEdit* textBox() const { return text_; }
  QLineEdit* inCueField() const { return inCue_; }
  QLineEdit* outCueField() const { return outCue_; }
  // Shows the Workstation's current state in every widget.
  void ShowState();
  // Runs the new-project window and starts a new document from its choices.
  bool NewProject();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildEditArea();
  void BuildMenus();
  void BuildStatusBar();
  void GoTo(int row);
  void Step(int delta);
  void TakeEdits();
  // Runs a Workstation command, showing a UserError in a message box.
  template <typename F>
  void Command(F&& f);

  Workstation& ws_;
  QtPrompter& prompter_;
  SubtitleListModel* model_ = nullptr;
  QTableView* list_ = nullptr;
  QLineEdit* inCue_ = nullptr;
  QLineEdit* outCue_ = nullptr;
  QLabel* duration_ = nullptr;
  QLabel* last_ = nullptr;
  QLabel* next_ = nullptr;
  QPlainTextEdit* text_ = nullptr;
  QPlainTextEdit* comment_ = nullptr;
  QLabel* rateLabel_ = nullptr;
  QLabel* fileLabel_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  QLabel* warning_ = nullptr;
  QActionGroup* rateGroup_ = nullptr;
  QMenu* profileMenu_ = nullptr;
  bool showing_ = false;
};

}  // namespace kipo::gui
