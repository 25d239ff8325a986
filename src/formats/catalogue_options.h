#pragma once
// The catalogue rows' options as the settings and the data folder keep them, for the
// rows' options windows: the Nitris, Hoek, PowerPoint and SAMI choices, the one-line
// answers of the Excel and FAB input boxes and the RTF list's title block, and the header
// files (spruce.dat, theatrical.dat) that the Spruce script and the spotting list start with.
#include <string>

#include "formats/exchange/avid_nitris.h"
#include "formats/exchange/hoek.h"
#include "formats/exchange/powerpoint.h"
#include "formats/exchange/sami.h"
#include "settings/option_table.h"

namespace kipo {

// An option of one text value.
struct TextOption {
  std::string value;
};

const OptionTable<NitrisOptions>& NitrisOptionTable();
const OptionTable<HoekOptions>& HoekOptionTable();
const OptionTable<PowerPointOptions>& PowerPointOptionTable();
const OptionTable<SamiOptions>& SamiOptionTable();
const OptionTable<TextOption>& CsvLineBreakTable();        // "CSV line break"
const OptionTable<TextOption>& FabLineStartTable();        // "FAB shortform line start"
const OptionTable<TextOption>& TheatricalRtfHeaderTable(); // "Theatrical RTF header"

// The header files of the data folder.
enum class HeaderFile { Spruce, Theatrical };
// The file's text; when the file is missing its default is written there first (a folder
// that cannot be written leaves the default in use for this export only).
std::string LoadHeaderFile(HeaderFile which);
// Replaces the file's text (the header windows' OK); throws UserError when it cannot be written.
void SaveHeaderFile(HeaderFile which, std::string_view text);
const std::string& DefaultHeader(HeaderFile which);

}  // namespace kipo
