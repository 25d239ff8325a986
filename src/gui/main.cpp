// kipo-studio: the desktop workstation. The whole command line after the program name is
// one path: the subtitle file to open.
#include <QApplication>
#include <QScreen>
#include <QStringList>

#include "app/startup.h"
#include "app/workstation.h"
#include "gui/main_window.h"
#include "gui/qt_prompter.h"
#include "settings/settings_store.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kipo");
  kipo::SettingsStore settings(kipo::SettingsStore::DefaultPath());
  kipo::gui::QtPrompter prompter;
  kipo::Workstation ws(settings, prompter);
  // The auto-replace list and its switch are read before the window builds its menus.
  ws.text().LoadAutoReplaceList();
  kipo::gui::MainWindow window(ws, prompter);

  QStringList args = QApplication::arguments();
  args.removeFirst();
  kipo::StartUpHooks hooks;
  hooks.screenSize = [] {
    QSize s = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1920, 1080);
    return std::pair<int, int>(s.width(), s.height());
  };
  kipo::StartUpOutcome outcome = kipo::StartUp(ws, args.join(' ').toStdString(), hooks);
  if (outcome.refused) return 1;
  if (outcome.window) window.Restore(*outcome.window);
  window.ShowState();
  window.show();
  window.StartAutoSave();
  if (outcome.showNewProjectWindow && ws.doc().filePath.empty() && ws.doc().Count() == 0) window.NewProject();
  return app.exec();
}
