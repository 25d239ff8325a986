// kipo profiles: the client profiles of the data folder.
#include <ostream>

#include "cli/cli.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "settings/profiles.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string name;
  std::string path;
  std::vector<std::string> force, ignore;
};

// "Too many rows" or "too-many-rows" -> the check's index; -1 when unknown.
int CheckIndex(std::string name) {
  for (char& c : name)
    if (c == '-') c = ' ';
  for (int i = 0; i < 5; ++i)
    if (EqualsIgnoreCase(name, ProfileCheckNames()[i])) return i;
  return -1;
}

void PrintProfile(std::ostream& out, const Profile& p) {
  const HouseOptions& r = p.rules;
  out << p.name << "\n"
      << "  reading speed " << r.readingSpeed << " cps, duration " << r.minDuration << "-" << r.maxDuration
      << " frames, interval " << r.defaultInterval << " frames, " << r.maxRows << " rows of " << r.maxRowLength
      << " characters\n";
  std::string forced, ignored;
  for (int i = 0; i < 5; ++i) {
    if (p.forced[i]) forced += std::string(forced.empty() ? "" : ", ") + ProfileCheckNames()[i];
    if (p.ignored[i]) ignored += std::string(ignored.empty() ? "" : ", ") + ProfileCheckNames()[i];
  }
  if (!forced.empty()) out << "  forced: " << forced << "\n";
  if (!ignored.empty()) out << "  ignored: " << ignored << "\n";
}

Registrar reg(81, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("profiles", "List, apply, delete, export or import client profiles");
  sub->require_subcommand(1);
  sub->footer(
      "Examples:\n"
      "  kipo profiles list\n"
      "  kipo profiles save \"Broadcaster A\" --force \"Too many rows\"  # the working rules as a profile\n"
      "  kipo profiles apply \"Broadcaster A\"     # its rules become the working house rules\n"
      "  kipo --yes profiles delete \"Broadcaster A\"\n"
      "  kipo profiles export /media/usb          # copies profiles.dat there\n"
      "  kipo profiles import /media/usb/profiles.dat");
  auto* list = sub->add_subcommand("list", "List the profiles and their main rules");
  auto* apply = sub->add_subcommand("apply", "Make a profile's rules the working house rules");
  apply->add_option("name", o->name)->required();
  auto* save = sub->add_subcommand("save", "Save the working house rules and punctuation rules as a profile");
  save->add_option("name", o->name)->required();
  save->add_option("--force", o->force, "A check the profile forces on (repeatable)");
  save->add_option("--ignore", o->ignore, "A check the profile ignores (repeatable)");
  save->footer("Checks: \"Too many rows\", \"Default interval\", \"Duration too short/long\", "
               "\"Empty subtitles\", \"Raised subtitles\".");
  auto* del = sub->add_subcommand("delete", "Delete a profile (asks first; --yes answers)");
  del->add_option("name", o->name)->required();
  auto* exp = sub->add_subcommand("export", "Copy profiles.dat into a folder");
  exp->add_option("folder", o->path)->required();
  auto* imp = sub->add_subcommand("import", "Replace your profiles with a profiles.dat file");
  imp->add_option("file", o->path)->required();
  return [=](Context& ctx) {
    ProfileStore store(DataFolder());
    if (list->parsed()) {
      for (const Profile& p : store.ReadProfileData()) PrintProfile(ctx.out, p);
      return kExitOk;
    }
    if (apply->parsed()) {
      store.ReadProfileData();
      HouseOptions house = HouseOptions::Load(ctx.settings);
      if (!store.ApplyProfile(o->name, house, ctx.settings)) {
        ctx.err << "kipo: no profile named \"" << o->name << "\"\n";
        return kExitError;
      }
      ctx.out << "Applied profile " << o->name << "\n";
      return kExitOk;
    }
    if (save->parsed()) {
      store.ReadProfileData();
      Profile p = ProfileFromSettings(o->name, HouseOptions::Load(ctx.settings), ctx.settings);
      p.forced = {};
      p.ignored = {};
      for (auto [names, flags] : {std::pair{&o->force, &p.forced}, std::pair{&o->ignore, &p.ignored}}) {
        for (const std::string& n : *names) {
          int i = CheckIndex(n);
          if (i < 0) {
            ctx.err << "kipo: no check named \"" << n << "\" (see kipo profiles save --help)\n";
            return kExitError;
          }
          (*flags)[static_cast<std::size_t>(i)] = true;
        }
      }
      store.Save(p);  // refuses a check both forced and ignored, with the system's message
      ctx.out << "Saved profile " << o->name << "\n";
      return kExitOk;
    }
    if (del->parsed()) return store.DeleteProfile(o->name, ctx.prompter) ? kExitOk : kExitError;
    if (exp->parsed()) return store.ExportProfiles(ctx.prompter, std::filesystem::path(o->path)) ? kExitOk : kExitError;
    if (imp->parsed()) {
      if (std::filesystem::path(o->path).filename() != "profiles.dat") {
        ctx.err << "kipo: only a file named profiles.dat can be imported\n";
        return kExitError;
      }
      return store.ImportProfiles(ctx.prompter, std::filesystem::path(o->path)) ? kExitOk : kExitError;
    }
    return kExitError;
  };
});

}  // namespace
}  // namespace kipo::cli
