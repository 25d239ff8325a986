#include "app/workstation.h"

namespace kipo {

Workstation::Workstation(SettingsStore& settings, Prompter& prompter, std::filesystem::path profileFolder)
    : session_(settings, prompter),
      text_(session_),
      timing_(session_),
      editing_(session_),
      files_(session_, text_),
      exports_(session_, files_, text_),
      profiles_(session_, std::move(profileFolder)),
      split_(session_) {
  // Every opened or imported document is looked at for a subtitle zero.
  text_.SetLoadedHook([this] { timing_.DetectSubtitleZero(); });
}

}  // namespace kipo
