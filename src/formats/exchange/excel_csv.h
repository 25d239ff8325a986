#pragma once
// Spreadsheet files (.csv) as a spreadsheet program opens and saves them: a heading row,
// then one row per subtitle with its number, in cue, out cue and text. The rows of a
// subtitle's text are joined by the line-break mark the user chose ("<P>" by default);
// italics are "<i>" and "</i>". Fields holding the separator, quotes or line ends are
// quoted with doubled quotes inside.
//
// Files saved by a spreadsheet may use ';' or a tab as the separator (locales whose decimal
// mark is a comma), hold extra columns or leave the number out: the reader takes the first
// two cue columns of each row and the column after them as the text.
#include <string>
#include <string_view>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

inline constexpr const char* kDefaultCsvLineBreak = "<P>";

std::string WriteExcelCsv(const SubtitleDocument& doc, std::string_view lineBreak, Warnings& warnings);
SubtitleDocument ReadExcelCsv(std::string_view text, const FrameRate& rate, std::string_view lineBreak,
                              Warnings& warnings);

// The records of a delimited file: quoted fields may hold the separator, doubled quotes
// and line ends.
std::vector<std::vector<std::string>> ReadDelimited(std::string_view text, char sep);
// The separator a delimited file most likely uses (',', ';' or tab), judged by its first line.
char GuessSeparator(std::string_view text);

}  // namespace kipo
