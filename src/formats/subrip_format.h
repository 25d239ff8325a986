#pragma once
// The SubRip writer's options as the settings keep them (the export options window edits
// them through this table).
#include "formats/exchange/subrip.h"
#include "settings/option_table.h"

namespace kipo {

const OptionTable<SubRipOptions>& SubRipOptionTable();

}  // namespace kipo
