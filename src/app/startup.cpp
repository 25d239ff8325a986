#include "app/startup.h"

#include <array>

#include "app/file_types.h"
#include "app/native_settings.h"
#include "app/open_any.h"
#include "app/trash.h"
#include "core/autosave.h"
#include "core/backups.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/house_options.h"
#include "settings/keys.h"
#include "settings/option_table.h"

namespace kipo {
namespace {

// Absent only before the very first start.
constexpr FlagSetting kFirstTime{keys::kGeneral, "First time", true, FlagForm::TrueFalse};

// The window placement, stored at shutdown and restored with "Remember window size".
const OptionTable<WindowState>& WindowTable() {
  static const auto t = OptionTable<WindowState>()
                            .Bind(&WindowState::state, IntSetting{keys::kGeneral, "Window state", 0, 0, 2})
                            .Bind(&WindowState::top, IntSetting{keys::kGeneral, "Window top", 0})
                            .Bind(&WindowState::left, IntSetting{keys::kGeneral, "Window left", 0})
                            .Bind(&WindowState::width, IntSetting{keys::kGeneral, "Window width", 0})
                            .Bind(&WindowState::height, IntSetting{keys::kGeneral, "Window height", 0});
  return t;
}

std::filesystem::path FreeName(const std::filesystem::path& folder, const std::string& name) {
  std::error_code ec;
  std::filesystem::path p = folder / name;
  for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(p, ec)); ++n)
    p = folder / (name + " (" + std::to_string(n) + ")");
  return p;
}

}  // namespace

ScreenCheck CheckScreenSize(int width, int height) {
  ScreenCheck c;
  c.ok = width >= 1024 && height >= 600;
  c.compact = c.ok && width == 1024;
  return c;
}

void OpenStartUpDocument(Workstation& ws, const std::string& commandLine) {
  std::error_code ec;
  if (!commandLine.empty() && std::filesystem::is_regular_file(commandLine, ec)) {
    // Kipo's own types open as the document's file; any other type it reads is imported.
    // A reader that refuses the file has said so; the program goes on with an empty document.
    OpenAnyFile(ws, commandLine);
    return;
  }
  NativeReadOptions options;
  options.ansiCodePage = kAnsiCodePage;
  if (auto doc = RecoverAutoSave(ws.prompter(), options, [&](const std::string& s) { ws.session().SetStatus(s); })) {
    ws.session().ReplaceDocument(std::move(*doc));
    ws.doc().modified = true;
  }
}

StartUpOutcome StartUp(Workstation& ws, const std::string& commandLine, const StartUpHooks& hooks) {
  StartUpOutcome out;
  SettingsStore& settings = ws.settings();
  auto step = [&](std::string_view line) {
    LogActivity(line);
    if (hooks.onStep) hooks.onStep(line);
  };

  EnsureFolder(DataFolder());
  EnsureFolder(BackupsFolder());
  // An oversized activity log goes before anything else is written to it.
  TrimActivityLog();
  if (!settings.Has(kFirstTime)) {
    SettingsStore::Batch batch(settings);
    HouseOptions{}.Save(settings);
    settings.Set(kFirstTime, true);
  }
  step("AppPath created");
  step("Checking log size");
  step("Restoring toolbar");
  step("Toolbar created");
  step("Check system font size");
  step("Check screen resolution");
  if (hooks.screenSize) {
    auto [w, h] = hooks.screenSize();
    ScreenCheck c = CheckScreenSize(w, h);
    if (!c.ok) {
      ws.prompter().Inform(kAppTitle, kScreenTooSmall, Icon::Critical);
      out.refused = true;
      return out;
    }
    out.compactVideoPanel = c.compact;
  }
  step("Process kipo.ini file");
  step("Build menus");
  step("Menu icons built");
  step("Load user options");
  ws.session().ReloadHouseOptions();
  step("Enumerate system fonts");
  step("Fill font size combo");
  step("Set max edit width");
  if (!settings.Get(keys::kDoNotShowSplash)) {
    out.showSplash = true;
    step("Load splash");
  }
  step("Get profiles");
  step("FillLanguageCombo");
  step("Get display settings ");
  step("Load control form");
  step("Load opts");

  OpenStartUpDocument(ws, commandLine);
  // A recovered or empty document too: the stored "Subtitle zero" must describe this one.
  ws.timing().DetectSubtitleZero();

  if (settings.Get(keys::kRememberWindowSize)) out.window = WindowTable().Load(settings);
  out.showNewProjectWindow = settings.Get(keys::kDisplayNewProjectWindow);
  step("Application has loaded successfully");
  return out;
}

std::vector<std::string> CleanBackups(int mode, const std::filesystem::path& backups,
                                      const std::filesystem::path& archive) {
  std::vector<std::string> failures;
  std::error_code ec;
  if (mode < 0 || mode > 2 || !std::filesystem::is_directory(backups, ec)) return failures;
  if (mode == 1 && (archive.empty() || !std::filesystem::is_directory(archive, ec))) return failures;
  std::vector<std::filesystem::path> items;
  for (const auto& e : std::filesystem::directory_iterator(backups, ec)) items.push_back(e.path());
  for (const auto& item : items) {
    std::error_code itemEc;
    switch (mode) {
      case 0: MoveToTrash(item); break;
      case 1:
        if (auto why = MoveBackup(item, FreeName(archive, item.filename().string()))) failures.push_back(*why);
        break;
      case 2: std::filesystem::remove_all(item, itemEc); break;
    }
  }
  return failures;
}

bool QueryShutdown(Workstation& ws, const WindowState& window) {
  if (!ws.files().QuerySaveChanges()) return false;
  SettingsStore& settings = ws.settings();
  ws.session().ReloadHouseOptions();
  const HouseOptions& house = ws.session().house();
  if (BackupsEnabled(settings) && house.cleanBackupsOnExit) {
    auto failures = CleanBackups(house.backupCleanMode, BackupsFolder(), house.backupArchiveFolder);
    // The backups that stayed behind are still in the backups folder; the user is told once.
    for (const std::string& f : failures) LogError("CleanBackups: " + f);
    if (!failures.empty())
      ws.prompter().Inform(kAppTitle,
                           "Some backups could not be moved to " + house.backupArchiveFolder +
                               " and are still in the backups folder:\n" + failures.front(),
                           Icon::Warning);
  }
  ws.session().SetStatus("Kipo is shutting down...");
  WindowTable().Save(settings, window);
  std::error_code ec;
  std::filesystem::remove(AutoSaveFile(), ec);
  return true;
}

}  // namespace kipo
