// kipo-studio: the desktop workstation.
#include <QApplication>
#include <QScreen>

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
  kipo::gui::MainWindow window(ws, prompter);
  window.show();
  return app.exec();
}
