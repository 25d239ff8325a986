// The program's own file types: .kpox, .kpo, the legacy .wsb, the plain-text file and the
// IBF refusal.
#include "formats/native_formats.h"

#include "core/legacy_wsb.h"
#include "formats/format_rows.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/house_options.h"
#include "settings/keys.h"

namespace kipo {

NativeWriteOptions NativeWriteOptionsFrom(const SettingsStore& settings) {
  NativeWriteOptions o;
  o.deleteSpaces = settings.Get(keys::kDeleteSpaces);
  o.maxRows = HouseOptions::Load(settings).maxRows;
  o.ansiCodePage = kAnsiCodePage;
  o.trace = [](std::string_view line) { LogError(line); };
  return o;
}

TextFileWriteOptions TextFileWriteOptionsFrom(const SettingsStore& settings) {
  TextFileWriteOptions o;
  o.encoding = TextFileEncodingFromName(settings.Get(keys::kTextFileEncoding)).value_or(TextFileEncoding::Utf8);
  o.unstructured = settings.Get(keys::kUnstructured);
  o.ansiCodePage = kAnsiCodePage;
  return o;
}

bool BackupsEnabled(const SettingsStore& settings) { return settings.Get(keys::kEnableBackups); }

AutoSaveOptions AutoSaveOptionsFrom(const SettingsStore& settings) {
  AutoSaveOptions o;
  o.interval = HouseOptions::Load(settings).autosaveMinutes;
  o.backups = BackupsEnabled(settings);
  o.skipUntitled = settings.Get(keys::kDoNotBackupUntitled);
  o.write = NativeWriteOptionsFrom(settings);
  o.write.trace = nullptr;  // autosave is not a save the trace follows
  return o;
}

namespace {

Format NativeFormat(std::string id, FileTypeRow type, NativeVariant variant) {
  Format f;
  f.id = std::move(id);
  f.name = type.name;
  f.extensions = {ToLowerAscii(type.extension)};
  f.fileType = std::move(type);
  f.traits.keepsColours = true;
  f.traits.keepsUnderline = true;
  f.traits.keepsComments = true;
  f.read = [variant](std::span<const std::uint8_t> bytes, FormatContext&) {
    NativeReadOptions o;
    o.ansiCodePage = kAnsiCodePage;
    ReadResult r;
    o.warnings = &r.warnings;
    r.document = ReadNative(bytes, variant, o);
    return r;
  };
  f.write = [variant](const SubtitleDocument& doc, FormatContext& ctx) {
    NativeWriteResult r = WriteNative(doc, variant, NativeWriteOptionsFrom(ctx.settings));
    WriteResult out{std::move(r.bytes), std::move(r.tooManyRows)};
    out.warnings.insert(out.warnings.end(), r.warnings.begin(), r.warnings.end());
    return out;
  };
  // The error log follows every save of the program's own files.
  const std::string step = variant == NativeVariant::Kpo ? "MakeKipoFile()" : "MakeKipoXFile()";
  f.hooks.save = [variant, step](const SubtitleDocument& doc, const std::filesystem::path& path, FormatContext& ctx) {
    LogError("Prior to " + step);
    NativeWriteResult r = WriteNative(doc, variant, NativeWriteOptionsFrom(ctx.settings));
    WriteFileAtomic(path, r.bytes);
    LogError(step + " OK");
    return std::move(r.warnings);
  };
  return f;
}

}  // namespace

Format MakeKpoxFormat() {
  return NativeFormat("kpox", FileTypeRow{"KPOX", "Kipo 6.1 Files (*.kpox)", 1, "*.kpox", 0, 1}, NativeVariant::Kpox);
}

Format MakeKpoFormat() {
  Format f = NativeFormat("kpo", FileTypeRow{"KPO", "Kipo Files (*.kpo)", 2, "*.kpo", 1, 2}, NativeVariant::Kpo);
  f.convert = MakeConvertTarget(21, "", "Kipo KPO", "", "KPO", "kpo", "", "Kipo KPO");
  return f;
}

Format MakeWsbFormat() {
  Format f;
  f.id = "wsb";
  f.name = "Kipo 3.5";
  f.extensions = {"wsb"};
  f.fileType = FileTypeRow{"WSB", "Kipo 3.5 Files (*.wsb)", 0, "", 2, 3};
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext&) {
    return ReadResult{ReadWsb(bytes, WsbOptions{kAnsiCodePage}), {}};
  };
  f.write = [](const SubtitleDocument& doc, FormatContext&) {
    WriteResult r;
    r.warnings = WsbFormatWarnings(doc);
    r.bytes = WriteWsb(doc, WsbOptions{kAnsiCodePage}, r.warnings);
    return r;
  };
  f.hooks.formatWarnings = [](const SubtitleDocument& doc) { return WsbFormatWarnings(doc); };
  // With backups on, the file just saved is kept as .BAK beside it as well.
  f.hooks.afterSave = [](const std::filesystem::path& path, FormatContext& ctx) {
    if (!BackupsEnabled(ctx.settings)) return;
    std::error_code ec;
    std::filesystem::path bak = std::filesystem::path(path).replace_extension(".BAK");
    std::filesystem::copy_file(path, bak, std::filesystem::copy_options::overwrite_existing, ec);
  };
  f.traits.keepsComments = true;
  return f;
}

Format MakePlainTextFormat() {
  Format f;
  f.id = "txt";
  f.name = "Text";
  f.extensions = {"txt"};
  f.fileType = FileTypeRow{"TXT", "Text Files (*.txt)", 6, "*.TXT", 6, 7};
  f.traits.textFile = true;
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext&) {
    TextFileReadOptions o;
    o.ansiCodePage = kAnsiCodePage;
    return ReadResult{ReadTextFile(bytes, o), {}};
  };
  f.write = [](const SubtitleDocument& doc, FormatContext& ctx) {
    WriteResult r;
    r.bytes = WriteTextFile(doc, TextFileWriteOptionsFrom(ctx.settings), r.warnings);
    return r;
  };
  return f;
}

// IBF files are recognised but not read: the reader refuses every file in its own words.
Format MakeIbfFormat() {
  Format f;
  f.id = "ibf";
  f.name = "IBF";
  f.extensions = {"ibf"};
  f.fileType = FileTypeRow{"IBF", "IBF Files (*.ibf)", 0, "", 0, 0};
  f.read = [](std::span<const std::uint8_t>, FormatContext&) -> ReadResult {
    throw InvalidFileFormat("This is not a valid IBF file");
  };
  return f;
}

}  // namespace kipo
