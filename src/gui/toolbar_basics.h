#pragma once
// The editing basics of the main window, kept beside it: the toolbar of the frequent
// commands, Find and Replace, Go To, spell checking in the text box, the style and colour
// toggles on the text box's selection, commands on several subtitles chosen in the list,
// files dropped on the window and the keyboard shortcuts the user has changed. The main
// window makes one, takes its actions into its menus and calls Install once the menus
// exist.
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/find_controller.h"
#include "app/selection_controller.h"
#include "text/spelling.h"

class QToolBar;

namespace kipo::gui {

class FindDialog;
class MainWindow;
class SpellHighlighter;

class EditingBasics : public QObject {
  Q_OBJECT
 public:
  explicit EditingBasics(MainWindow& window);
  ~EditingBasics() override;

  // The actions of the commands this part runs, by command id.
  std::map<std::string, std::function<void()>, std::less<>> Actions();
  // Builds the toolbar, applies the stored shortcuts, sets up spelling, the list's
  // selection and dropping files.
  void Install();

  // A video file dropped on the window goes here; without it videos are not accepted.
  std::function<void(const std::string& path)> onVideoDropped;
  // Asks for the offset of the chosen subtitles ("-00:00:01:00"); nullopt for Cancel.
  std::function<std::optional<QString>()> askOffset;

  QToolBar* toolBar() const { return toolBar_; }
  FindDialog* findDialog();
  SpellChecker& spelling() { return spelling_; }
  SpellHighlighter* highlighter() const { return highlighter_; }
  FindController& find() { return find_; }
  // The subtitles chosen in the list (indices, in order); the current one when none is.
  std::vector<std::size_t> ChosenSubtitles() const;
  // Opens dropped files: the first subtitle file, or hands the first video over.
  bool OpenDropped(const QList<QUrl>& urls);
  // Loads the dictionary of the document's language (or the chosen one) when it changed.
  void LoadDictionary();
  // Applies the stored shortcuts to every command's action.
  void ApplyShortcuts();
  // True for the extensions of video files.
  static bool IsVideoFile(const QString& path);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildToolBar();
  void Toggle(StyleToggle style);
  void Colour(kipo::Colour colour);
  void GoToWindow();
  void ShortcutsWindow();
  void OffsetChosen();
  // The text box's selection in code points of the stored text.
  std::pair<std::size_t, std::size_t> TextSelection() const;
  void SelectInTextBox(std::size_t start, std::size_t end);

  MainWindow& window_;
  FindController find_;
  SelectionController selection_;
  SpellChecker spelling_;
  std::string dictionaryLocale_;
  SpellHighlighter* highlighter_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  FindDialog* findDialog_ = nullptr;
  Connection refreshed_;
};

}  // namespace kipo::gui
