#pragma once
// The WebVTT writer's options as the settings keep them.
#include "formats/exchange/webvtt.h"
#include "settings/option_table.h"

namespace kipo {

// The movie name, positioning and comments switches; the subtitle font and frame width
// come from the display settings and are read only.
const OptionTable<WebVttOptions>& WebVttOptionTable();

}  // namespace kipo
