#pragma once
// Profiles as the main window offers them: the list with the profile in use, applying one
// to the working rules, saving the working rules under a name and deleting the profile in
// use. The window only shows the list and forwards the choices.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "settings/profiles.h"

namespace kipo {

class ProfileController {
 public:
  // `dataFolder` holds profiles.dat; empty means the user's data folder.
  explicit ProfileController(DocumentSession& session, std::filesystem::path dataFolder = {});

  // The stored profiles in file order (created with "Default" when missing).
  std::vector<std::string> Names();
  // The profile in use ("Options" / "Profile").
  std::string Current() const;
  // Copies a profile into the working rules and makes it the one in use; false when there
  // is no profile of that name.
  bool Apply(const std::string& name);
  // Stores the working house rules and punctuation rules, with the checks the current
  // profile forces and ignores, as a profile of this name, and applies it.
  bool SaveWorkingRules(const std::string& name);
  // The same after asking for the name ("Save Profile", proposing the profile in use);
  // false when the question is cancelled or left empty.
  bool SaveWorkingRulesAs();
  // Deletes the profile in use after the profile store's question; true when deleted.
  bool DeleteCurrent();

  // --- the profile window
  std::optional<Profile> Find(const std::string& name) const;
  // The window's OK over `edited` (the profile as it was opened is `original`). Nothing
  // changed: true, nothing asked. Otherwise the profile is checked first (a check forced
  // and ignored, a display-settings file that cannot be found, fields too long for the
  // record: the message, false, the window stays) and then the user is asked whether to
  // make the changes permanent; Yes stores the profile (the name is the record's key
  // and is not edited here) and applies it when it is the one in use. No closes without storing
  // (true); only a refusal returns false.
  bool SaveEdited(const Profile& original, const Profile& edited);
  // Copies profiles.dat into a folder the user picks / replaces it with a chosen
  // "profiles.dat"; the profile store's questions and messages.
  bool ExportProfiles();
  bool ImportProfiles();
  // Where the display-settings files of the profiles are looked for (the data folder).
  std::filesystem::path displaySettingsFolder() const { return folder(); }

 private:
  std::filesystem::path folder() const;
  DocumentSession& s_;
  std::filesystem::path dataFolder_;
};

}  // namespace kipo
