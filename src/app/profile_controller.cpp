#include "app/profile_controller.h"

#include "platform/files.h"
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

}  // namespace kipo
