// The program's own file types: .kpox, .kpo, the legacy .wsb, the plain-text file and
// the IBF refusal.
#include "app/file_types.h"
#include "app/native_settings.h"
#include "core/legacy_wsb.h"
#include "platform/log.h"
#include "platform/user_error.h"
#include "settings/house_options.h"

namespace kipo {

NativeWriteOptions NativeWriteOptionsFrom(const SettingsStore& settings) {
  NativeWriteOptions o;
  o.deleteSpaces = settings.GetBool("Punctuation", "Delete spaces", false);
  o.maxRows = HouseOptions::Load(settings).maxRows;
  o.ansiCodePage = kAnsiCodePage;
  o.trace = [](std::string_view line) { LogError(line); };
  return o;
}

TextFileWriteOptions TextFileWriteOptionsFrom(const SettingsStore& settings) {
  TextFileWriteOptions o;
  o.encoding = TextFileEncodingFromName(settings.Get("Options", "Text file encoding", "Unicode (UTF-8)"))
                   .value_or(TextFileEncoding::Utf8);
  o.unstructured = settings.GetCheck("Options", "Unstructured", false);
  o.ansiCodePage = kAnsiCodePage;
  return o;
}

bool BackupsEnabled(const SettingsStore& settings) { return settings.GetBool("Options", "Enable backups", false); }

AutoSaveOptions AutoSaveOptionsFrom(const SettingsStore& settings) {
  AutoSaveOptions o;
  o.interval = HouseOptions::Load(settings).autosaveMinutes;
  o.backups = BackupsEnabled(settings);
  o.skipUntitled = settings.GetBool("Options", "Do not backup untitled files", false);
  o.write = NativeWriteOptionsFrom(settings);
  o.write.trace = nullptr;  // autosave is not a save the trace follows
  return o;
}

namespace {

FileType NativeType(std::string ext, std::string name, NativeVariant variant) {
  FileType t;
  t.extension = std::move(ext);
  t.name = std::move(name);
  t.read = [variant](std::span<const std::uint8_t> bytes, FileContext&, Warnings& warnings) {
    NativeReadOptions o;
    o.ansiCodePage = kAnsiCodePage;
    o.warnings = &warnings;
    return ReadNative(bytes, variant, o);
  };
  t.write = [variant](const SubtitleDocument& doc, FileContext& ctx, Warnings& warnings) {
    NativeWriteResult r = WriteNative(doc, variant, NativeWriteOptionsFrom(ctx.settings));
    warnings.insert(warnings.end(), r.tooManyRows.begin(), r.tooManyRows.end());
    warnings.insert(warnings.end(), r.warnings.begin(), r.warnings.end());
    return std::move(r.bytes);
  };
  return t;
}

}  // namespace

void AddNativeFileTypes(std::vector<FileType>& table) {
  table.push_back(NativeType("KPOX", "Kipo 6.1 Files (*.kpox)", NativeVariant::Kpox));
  table.push_back(NativeType("KPO", "Kipo Files (*.kpo)", NativeVariant::Kpo));

  FileType wsb;
  wsb.extension = "WSB";
  wsb.name = "Kipo 3.5 Files (*.wsb)";
  wsb.read = [](std::span<const std::uint8_t> bytes, FileContext&, Warnings&) {
    return ReadWsb(bytes, WsbOptions{kAnsiCodePage});
  };
  wsb.write = [](const SubtitleDocument& doc, FileContext&, Warnings& warnings) {
    Warnings formatWarnings = WsbFormatWarnings(doc);
    warnings.insert(warnings.end(), formatWarnings.begin(), formatWarnings.end());
    return WriteWsb(doc, WsbOptions{kAnsiCodePage}, warnings);
  };
  table.push_back(std::move(wsb));

  FileType txt;
  txt.extension = "TXT";
  txt.name = "Text Files (*.txt)";
  txt.read = [](std::span<const std::uint8_t> bytes, FileContext&, Warnings&) {
    TextFileReadOptions o;
    o.ansiCodePage = kAnsiCodePage;
    return ReadTextFile(bytes, o);
  };
  txt.write = [](const SubtitleDocument& doc, FileContext& ctx, Warnings& warnings) {
    return WriteTextFile(doc, TextFileWriteOptionsFrom(ctx.settings), warnings);
  };
  table.push_back(std::move(txt));

  // IBF files are recognised but not read: the reader refuses every file in its own words.
  FileType ibf;
  ibf.extension = "IBF";
  ibf.name = "IBF Files (*.ibf)";
  ibf.read = [](std::span<const std::uint8_t>, FileContext&, Warnings&) -> SubtitleDocument {
    throw InvalidFileFormat("This is not a valid IBF file");
  };
  table.push_back(std::move(ibf));
}

}  // namespace kipo
