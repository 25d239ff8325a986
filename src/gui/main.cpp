// kipo-studio: the desktop workstation. The whole command line after the program name is
// one path: the subtitle file to open (--help and --version alone are answered instead).
#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <QScreen>
#include <QStringList>

#include "app/startup.h"
#include "app/workstation.h"
#include "gui/main_window.h"
#include "gui/qt_prompter.h"
#include "settings/settings_store.h"

namespace {

constexpr const char* kHelp =
    "Usage: kipo-studio [FILE]\n"
    "       kipo-studio --help | --version\n"
    "\n"
    "Kipo's desktop workstation for timing, editing, checking and delivering subtitles.\n"
    "\n"
    "FILE is opened at start: Kipo's own types (.kpox, .kpo, .wsb, .txt, .pac, .stl, .890)\n"
    "open as the document; any other subtitle file Kipo reads (.srt, .vtt, .sbv, .xml,\n"
    ".scc, ...) is imported. Everything after the program name is one path, spaces\n"
    "included. Without FILE an autosave file left by a crash is offered for recovery.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n"
    "\n"
    "The command line tool `kipo` does the same work without a window (kipo --help).\n";

}  // namespace

int main(int argc, char** argv) {
  // Help and version are answered before the window system is needed, so they work
  // without a display.
  if (argc == 2) {
    const std::string_view arg = argv[1];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version" || arg == "-v") {
      std::printf("kipo-studio %s\n", KIPO_VERSION);
      return 0;
    }
    if (arg.starts_with("--") && !std::filesystem::exists(argv[1])) {
      std::fprintf(stderr, "kipo-studio: unknown option %s (see kipo-studio --help)\n", argv[1]);
      return 2;
    }
  }
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
