#include "gui/workstation_windows.h"

#include "app/layout_commands.h"
#include "app/workstation.h"
#include "gui/backups_dialogs.h"
#include "gui/clean_dialogs.h"
#include "gui/profile_dialog.h"
#include "gui/subtitle_style_dialogs.h"
#include "gui/word_list_dialogs.h"
#include "platform/files.h"

namespace kipo::gui {

void ShowCleanReport(const WindowHost& h) {
  const CleanReport& report = h.ws.text().cleanReport();
  if (report.rows.empty() || !CleanSteps::Load(h.ws.settings()).report) return;
  CleanReportDialog dlg(h.ws.text(), h.ws.session(), h.parent);
  dlg.exec();
  h.command([] {});
}

void AddWorkstationWindows(WindowActionMap& actions, const WindowHost& host) {
  // Each action holds its own copy of the host.
  const WindowHost h = host;
  actions["tools.clean"] = [h] {
    CleanFileDialog dlg(h.ws.settings(), h.parent);
    if (dlg.exec() != QDialog::Accepted) return;
    h.command([&] { h.ws.text().CleanFile(); });
    ShowCleanReport(h);
  };
  actions["tools.punctuation"] = [h] {
    h.command([&] { h.ws.text().PunctuationCheck(); });
    ShowCleanReport(h);
  };
  actions["tools.autoReplace"] = [h] {
    h.command([&] { WordListDialog(WordListDialog::Kind::AutoReplace, h.ws, h.parent).exec(); });
  };
  actions["tools.profanity"] = [h] {
    h.command([&] { WordListDialog(WordListDialog::Kind::Profanity, h.ws, h.parent).exec(); });
  };
  actions["tools.backups"] = [h] {
    BackupsDialog dlg(BackupsFolder(), h.prompter, h.parent);
    dlg.restore = [&](const std::filesystem::path& file) {
      bool done = false;
      h.command([&] { done = h.ws.files().QuerySaveChanges() && h.ws.files().OpenPath(file.string()); });
      return done;
    };
    dlg.exec();
  };
  actions["tools.autosave"] = [h] {
    AutosaveSettingsDialog dlg(h.ws.settings(), h.prompter, h.parent);
    if (dlg.exec() == QDialog::Accepted) h.command([&] { h.ws.session().ReloadHouseOptions(); });
  };
  actions["profile.edit"] = [h] {
    h.command([&] { ProfileDialog(h.ws.profiles(), h.parent).exec(); });
  };
  actions["subtitle.boxStyle"] = [h] {
    Workstation& ws = h.ws;
    if (!ws.session().HasCurrent()) return;
    BoxStyleDialog dlg(ws.doc().At(ws.session().current()).boxStyle, h.parent);
    if (dlg.exec() == QDialog::Accepted) h.command([&] { SetCurrentBoxStyle(ws, dlg.style()); });
  };
  actions["subtitle.rowColours"] = [h] {
    Workstation& ws = h.ws;
    h.command([] {});  // the dialog lists the rows as typed
    if (!ws.session().HasCurrent()) return;
    h.command([&] { ws.session().CommitEditArea(); });
    const Subtitle& s = ws.doc().At(ws.session().current());
    RowColoursDialog dlg(s.text, s.rowColours, h.parent);
    if (dlg.exec() == QDialog::Accepted) h.command([&] { SetCurrentRowColours(ws, dlg.colours()); });
  };
}

}  // namespace kipo::gui
