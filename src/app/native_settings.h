#pragma once
// The plain option structs of the native formats and of autosave, filled from the
// settings store where the formats themselves never look (formats/native_formats.h).
#include "formats/native_formats.h"
