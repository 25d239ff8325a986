#pragma once
// The PAC and RAC readers' options: "Enable colours" and, when the user wants the
// question, the language of the file from the prompter (Cancel throws Cancelled).
#include "formats/broadcast/pac.h"
#include "formats/format.h"

namespace kipo {

PacReadOptions PacReadOptionsFromUser(FormatContext& ctx);

}  // namespace kipo
