// The Windows media player's SAMI captions (.smi), exported through the SAMI window.
#include "formats/exchange/sami.h"
#include "formats/catalogue_options.h"
#include "formats/format_rows.h"
#include "formats/script_format.h"
#include "settings/setting_key.h"

namespace kipo {
namespace {

// The SAMI window's choices.
constexpr TextSetting kSamiTitle{"SAMI", "Title", ""};
constexpr TextSetting kSamiFont{"SAMI", "Font name", "Arial"};
constexpr IntSetting kSamiFontSize{"SAMI", "Font size", 24, 1, 200};
constexpr TextSetting kSamiLanguageName{"SAMI", "Language name", "English"};
constexpr TextSetting kSamiLanguageCode{"SAMI", "Language code", "en-US"};

}  // namespace

const OptionTable<SamiOptions>& SamiOptionTable() {
  static const OptionTable<SamiOptions> table = [] {
    OptionTable<SamiOptions> t;
    t.Bind(&SamiOptions::title, kSamiTitle);
    t.Bind(&SamiOptions::fontName, kSamiFont);
    t.Bind(&SamiOptions::fontSize, kSamiFontSize);
    t.Bind(&SamiOptions::languageName, kSamiLanguageName);
    t.Bind(&SamiOptions::languageCode, kSamiLanguageCode);
    return t;
  }();
  return table;
}

Format MakeSamiFormat() {
  Format f;
  f.id = "sami";
  f.name = "Windows Media Player File";
  f.extensions = {"smi", "sami"};
  f.fileType = FileTypeRow{"SMI", "Windows Media Player File", 0, "", 0, 0};
  f.exportRow = MakeExportRow(11, "Windows Media Player File", "Web", "SAMI/SMI", "frmSAMI",
                              "SAMI files (*.smi)|*.smi|SAMI UTF-8 files (*.smi)|*.smi|SAMI Unicode files (*.smi)|*.smi",
                              "Export Windows Media Player File", "frmSAMI", "PW");
  f.importRow = MakeImportRow(30, "Windows Media Player File", "Import Windows Media Player File",
                              "Windows Media Player File (*.smi;*.sami)|*.smi;*.sami");
  f.options = FormatOptions::Of(SamiOptionTable());
  return ScriptFormat(
      std::move(f),
      [](std::string_view text, const FrameRate& rate, const SettingsStore&, Warnings& w) {
        return ReadSami(text, rate, w);
      },
      [](const SubtitleDocument& doc, const SettingsStore& s, Warnings& w) {
        return WriteSami(doc, SamiOptionTable().Load(s), w);
      });
}

}  // namespace kipo
