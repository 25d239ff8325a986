#pragma once
// The shape shared by the cue-list text formats (SubRip, WebVTT, YouTube SBV, MicroDVD):
// text decoded with the import encodings on reading, and on writing the export row's
// encodings, the document's ANSI code page and "Remove BOM".
#include <functional>
#include <string>
#include <string_view>

#include "formats/exchange/cue_text.h"
#include "formats/format.h"

namespace kipo {

using CueTextReader = SubtitleDocument (*)(std::string_view text, const FrameRate& rate, Warnings& warnings);
using CueTextWriter = std::function<std::string(const SubtitleDocument&, const SettingsStore&, Warnings&)>;

// A text format with a reader and a writer; `format` brings its id, names and rows.
Format TextCueFormat(Format format, CueTextReader reader, CueTextWriter writer);

// Gives the format its stream hooks: the reader's pass over the decoded text, and its
// writer one subtitle at a time, the text encoded and written to the file in pieces of
// about 128 KiB (the same bytes and warnings as the document writer's).
using CueWriterFactory =
    std::function<std::unique_ptr<CueListWriter>(const SubtitleDocument& header, const SettingsStore& settings)>;
void StreamTextCues(Format& format, CuePass pass, CueWriterFactory writer);

// The bytes of a cue-list text format in an encoding (the export dialog's filter): the
// document's ANSI code page, the characters it cannot hold named, "Remove BOM" applied.
WriteResult EncodeCueText(const Format& format, const SubtitleDocument& doc, const SettingsStore& settings,
                          TextEncoding encoding);

// The encoding a write asks for (the context's code page, else the stored filter), or the
// row's first one, with a warning, when the row has no filter for it.
TextEncoding WriteEncoding(const ExportFormat& row, const IntSetting* filterIndex, const FormatContext& ctx,
                           Warnings& warnings);

// The frame rate of the context (25 fps when it names none).
FrameRate RateOf(const FormatContext& ctx);

// The encoding a text format starts with: its stored filter index, else the first filter.
TextEncoding DefaultTextEncoding(const Format& format, const SettingsStore& settings);

}  // namespace kipo
