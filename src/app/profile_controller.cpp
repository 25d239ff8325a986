#include "app/profile_controller.h"

#include "platform/files.h"
#include "platform/user_error.h"
#include "settings/keys.h"
#include "settings/profiles.h"

namespace kipo {

ProfileController::ProfileController(DocumentSession& session, std::filesystem::path dataFolder)
    : s_(session), dataFolder_(std::move(dataFolder)) {}

std::filesystem::path ProfileController::folder() const { return dataFolder_.empty() ? DataFolder() : dataFolder_; }

std::vector<std::string> ProfileController::Names() {
  std::vector<std::string> names;
  for (const Profile& p : ProfileStore(folder()).ReadProfileData()) names.push_back(p.name);
  return names;
}

std::string ProfileController::Current() const { return s_.settings().Get(keys::kProfile); }

bool ProfileController::Apply(const std::string& name) {
  bool applied = ProfileStore(folder()).ApplyProfile(name, s_.house(), s_.settings());
  if (applied) s_.Refresh();
  return applied;
}

bool ProfileController::SaveWorkingRules(const std::string& name) {
  ProfileStore store(folder());
  store.Save(ProfileFromSettings(name, s_.house(), s_.settings()));
  bool applied = store.ApplyProfile(name, s_.house(), s_.settings());
  s_.Refresh();
  return applied;
}

bool ProfileController::SaveWorkingRulesAs() {
  auto name = s_.prompter().Input("Save Profile", "Profile name:", Current());
  if (!name || name->empty()) return false;
  return SaveWorkingRules(*name);
}

bool ProfileController::DeleteCurrent() {
  bool deleted = ProfileStore(folder()).DeleteProfile(Current(), s_.prompter());
  if (deleted) s_.Refresh();
  return deleted;
}

std::optional<Profile> ProfileController::Find(const std::string& name) const { return ProfileStore(folder()).Find(name); }

bool ProfileController::SaveEdited(const Profile& original, const Profile& edited) {
  if (edited == original) return true;
  Prompter& ask = s_.prompter();
  if (auto why = ValidateProfile(edited)) {
    ask.Inform("", *why, Icon::Warning);
    return false;
  }
  if (edited.name.empty()) {
    ask.Inform("", "No profile selected!", Icon::Warning);
    return false;
  }
  if (!edited.displayFile.empty()) {
    std::error_code ec;
    std::filesystem::path file = edited.displayFile;
    if (file.is_relative()) file = folder() / file;
    if (!std::filesystem::is_regular_file(file, ec)) {
      ask.Inform("", "Display settings file does not exist or cannot be accessed", Icon::Warning);
      return false;
    }
  }
  if (!ask.AskYesNo("", "You have altered one or more settings in your " + original.name +
                            " profile.\nDo you want to make these changes permanent and save them to the profile now?"))
    return true;
  ProfileStore store(folder());
  try {
    store.Save(edited);
  } catch (const UserError& e) {
    ask.Inform(e.title(), e.text(), Icon::Critical);
    return false;
  }
  const std::string current = Current();
  if (current == edited.name) store.ApplyProfile(edited.name, s_.house(), s_.settings());
  s_.Refresh();
  return true;
}

bool ProfileController::ExportProfiles() { return ProfileStore(folder()).ExportProfiles(s_.prompter()); }

bool ProfileController::ImportProfiles() {
  bool imported = ProfileStore(folder()).ImportProfiles(s_.prompter());
  if (imported) s_.Refresh();
  return imported;
}

}  // namespace kipo
