#pragma once
// The Timed Text writers' options as the settings keep them: the appearance keys of the
// W3C, Netflix, Generic and EBU-TT options window, the EBU-TT-D window's metadata keys
// (with the appearance keys) and the iTunes window's region switch.
#include "formats/timedtext/timed_text.h"
#include "settings/option_table.h"

namespace kipo {

const OptionTable<TimedTextWriteOptions>& TimedTextOptionTable();
const OptionTable<TimedTextWriteOptions>& EbuTtdOptionTable();
const OptionTable<TimedTextWriteOptions>& ITunesOptionTable();

}  // namespace kipo
