#pragma once
// The PAC save options as the settings give them, for the main window's PAC save with its
// safety copy (SavePacFile).
#include "app/file_types.h"
#include "formats/pac_format.h"
