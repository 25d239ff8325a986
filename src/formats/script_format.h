#pragma once
// Registration helpers of the script formats (DVD authoring scripts, spotting lists and the
// other catalogue rows): text formats read through the import encodings and written through
// their export row's encodings, import-only readers, and the import row itself.
#include <functional>
#include <string>
#include <string_view>

#include "formats/format.h"
#include "formats/text_cue_format.h"

namespace kipo {

// A reader that may look at the settings (a format's options) as well as the text.
using ScriptReader = std::function<SubtitleDocument(std::string_view text, const FrameRate& rate,
                                                    const SettingsStore& settings, Warnings& warnings)>;

// Readers and writers that take no options, as the registration helpers want them.
using PlainReader = SubtitleDocument (*)(std::string_view, const FrameRate&, Warnings&);
using PlainWriter = std::string (*)(const SubtitleDocument&, Warnings&);
ScriptReader Reader(PlainReader read);
CueTextWriter Writer(PlainWriter write);

// A text format with a reader and a writer over its export row's encodings.
Format ScriptFormat(Format format, ScriptReader reader, CueTextWriter writer);
// A text format the program only reads (an import row without an export row).
Format ScriptReaderFormat(Format format, ScriptReader reader);

// An import dialog row whose open dialog has one filter.
ImportFormat MakeImportRow(int position, std::string name, std::string openTitle, std::string openFilter);

}  // namespace kipo
