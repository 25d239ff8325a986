#pragma once
// Profiles as the main window offers them: the list with the profile in use, applying one
// to the working rules, saving the working rules under a name and deleting the profile in
// use. The window only shows the list and forwards the choices.
#include <filesystem>
#include <string>
#include <vector>

#include "app/session.h"

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

 private:
  std::filesystem::path folder() const;
  DocumentSession& s_;
  std::filesystem::path dataFolder_;
};

}  // namespace kipo
