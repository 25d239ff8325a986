#pragma once
// The custom text layout's options as the settings keep them: the options window, the
// export and `kipo export --option` all go through this table.
#include "formats/exchange/custom_text.h"
#include "settings/option_table.h"
#include "settings/setting_key.h"

namespace kipo {

inline constexpr std::string_view kCustomTextName = "Custom text format";
inline constexpr IntSetting kCustomTextEncoding{"Options", "Custom text format encoding", 0, 0, 2};

const OptionTable<CustomTextOptions>& CustomTextOptionTable();
inline CustomTextOptions LoadCustomTextOptions(const SettingsStore& s) { return CustomTextOptionTable().Load(s); }
inline void SaveCustomTextOptions(SettingsStore& s, const CustomTextOptions& o) { CustomTextOptionTable().Save(s, o); }

// The file's bytes in the layout's own encoding (not the save dialog's filter); "Remove
// BOM" takes the mark off UTF-16 files. Characters the code page cannot hold are named in
// `warnings`.
Bytes CustomTextBytes(const SubtitleDocument& doc, const SettingsStore& settings, std::vector<std::string>& warnings);

}  // namespace kipo
