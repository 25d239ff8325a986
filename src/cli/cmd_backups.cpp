// kipo backups: the autosave backups below the backups folder.
#include <ostream>

#include "app/file_types.h"
#include "cli/cli.h"
#include "core/backups.h"
#include "core/native_file.h"
#include "platform/files.h"
#include "platform/user_error.h"

namespace kipo::cli {
namespace {

namespace fs = std::filesystem;

struct Options {
  std::string root;  // empty: the user's backups folder
  std::string folder, file, to;
  bool force = false;
};

fs::path Root(const Options& o) { return o.root.empty() ? BackupsFolder() : fs::path(o.root); }

// A backup sub-folder is named by its plain name, never by a path that leaves the root.
fs::path SubFolder(const Options& o) {
  if (o.folder.empty() || o.folder == "." || o.folder == ".." || o.folder.find('/') != std::string::npos)
    throw UserError(kAppTitle, "Give the name of a backup sub-folder (see kipo backups list).");
  fs::path p = Root(o) / o.folder;
  if (!fs::is_directory(p)) throw UserError(kAppTitle, "There is no backup sub-folder " + p.string());
  return p;
}

fs::path BackupFile(const Options& o) {
  fs::path folder = SubFolder(o);
  auto files = ListBackupFiles(folder);
  if (files.empty()) throw UserError(kAppTitle, "The folder " + folder.string() + " holds no backups");
  std::string name = o.file.empty() || o.file == "latest" ? files.back() : o.file;
  if (std::find(files.begin(), files.end(), name) == files.end())
    throw UserError(kAppTitle, "There is no backup " + name + " in " + folder.string());
  return folder / name;
}

int List(Context& ctx, const Options& o) {
  const std::vector<std::string> folders = ListBackupFolders(Root(o));
  if (folders.empty()) ctx.out << "There are no backups in " << Root(o).string() << "\n";
  for (const std::string& f : folders) {
    auto files = ListBackupFiles(Root(o) / f);
    ctx.out << f << "\t" << files.size() << " backup" << (files.size() == 1 ? "" : "s");
    if (!files.empty()) ctx.out << "\tlatest " << files.back();
    ctx.out << "\n";
  }
  return kExitOk;
}

int Show(Context& ctx, const Options& o) {
  if (o.file.empty()) {
    for (const std::string& f : ListBackupFiles(SubFolder(o))) ctx.out << f << "\n";
    return kExitOk;
  }
  BackupListing l = DescribeBackup(BackupFile(o));
  for (const std::string& line : l.lines) ctx.out << line << "\n";
  ctx.out << l.summary << "\n";
  return kExitOk;
}

int Restore(Context& ctx, const Options& o) {
  fs::path from = BackupFile(o);
  if (fs::exists(o.to) && !o.force)
    throw UserError(kAppTitle, o.to + " already exists; add --force to replace it");
  SubtitleDocument doc = ReadNative(ReadFileBytes(from), NativeVariant::Kpox);
  FileContext fc{ctx.prompter, ctx.settings};
  for (const std::string& w : WriteDocumentFile(doc, o.to, fc)) ctx.err << "kipo backups: warning: " << w << "\n";
  ctx.out << "Restored " << from.string() << " to " << o.to << " (" << doc.Count() << " subtitles)\n";
  return kExitOk;
}

int Delete(Context& ctx, const Options& o) {
  fs::path folder = SubFolder(o);
  if (!DeleteBackupFolder(folder, ctx.prompter)) return fs::exists(folder) ? kExitError : kExitOk;
  ctx.out << "Deleted " << folder.string() << "\n";
  return kExitOk;
}

Registrar reg(60, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("backups", "List, show, restore or delete autosave backups");
  sub->require_subcommand(1);
  sub->add_option("--root", o->root, "Backups folder to use instead of the user's");
  sub->footer(
      "Examples:\n"
      "  kipo backups list\n"
      "  kipo backups show film                       # the backups of film.kpox\n"
      "  kipo backups show film 2024_03_01@14_05_09.kpox\n"
      "  kipo backups restore film --to film-restored.kpox   # the newest backup\n"
      "  kipo backups restore film 2024_03_01@14_05_09.kpox --to film-0301.kpox\n"
      "  kipo --yes backups delete Untitled_01_03_2024");
  auto* list = sub->add_subcommand("list", "The backup sub-folders and how many backups each holds");
  auto* show = sub->add_subcommand("show", "A sub-folder's backups, or one backup's subtitles");
  show->add_option("folder", o->folder, "Backup sub-folder")->required();
  show->add_option("file", o->file, "Backup file name, or 'latest'");
  auto* restore = sub->add_subcommand("restore", "Write a backup out as a document");
  restore->add_option("folder", o->folder, "Backup sub-folder")->required();
  restore->add_option("file", o->file, "Backup file name, or 'latest' (the default)");
  restore->add_option("--to", o->to, "Document to write (its extension selects the type)")->required();
  restore->add_flag("--force", o->force, "Replace the document when it exists");
  auto* del = sub->add_subcommand("delete", "Delete a whole backup sub-folder (asks first)");
  del->add_option("folder", o->folder, "Backup sub-folder")->required();
  return [o, list, show, restore, del](Context& ctx) {
    if (list->parsed()) return List(ctx, *o);
    if (show->parsed()) return Show(ctx, *o);
    if (restore->parsed()) return Restore(ctx, *o);
    if (del->parsed()) return Delete(ctx, *o);
    return kExitError;
  };
});

}  // namespace
}  // namespace kipo::cli
