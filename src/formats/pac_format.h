#pragma once
// The PAC save options as the settings give them (the main window's save with its safety
// copy uses them too).
#include "formats/broadcast/pac.h"
#include "settings/settings_store.h"

namespace kipo {

PacWriteOptions PacWriteOptionsFromSettings(const SettingsStore& settings);

}  // namespace kipo
