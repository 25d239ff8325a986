// The EBU subtitle file row of the file-type table: options come from the settings here
// and reach the format as plain structs.
#include "app/file_types.h"
#include "formats/broadcast/ebu_stl.h"
#include "settings/house_options.h"

namespace kipo {
namespace {

constexpr const char* kOptions = "Options";

StlWriteOptions WriteOptions(const SettingsStore& s) {
  StlWriteOptions o;
  o.saveComments = !s.GetCheck(kOptions, "Do not save comments", true);
  o.displayStandard = s.Get(kOptions, "EBU Display Standard", "0");
  o.doubleHeight = s.GetCheck(kOptions, "EBU double height", false);
  o.blockMarkers = s.GetCheck(kOptions, "EBU block markers", false);
  o.doubleHeightCr = s.GetInt(kOptions, "EBU Double Height CR", 0) != 0;
  o.force23 = s.GetCheck(kOptions, "EBU Force 23", false);
  o.force23ZeroBased = s.GetCheck(kOptions, "EBU Force 23 zero-based", false);
  o.screenEbu = s.GetCheck(kOptions, "Screen EBU", true);
  o.literalItalics = s.GetCheck(kOptions, "No EBU italics", false);
  o.dashesAsHyphens = s.GetCheck(kOptions, "Convert EBU EmDashes", false);
  o.subtitleZero = s.GetCheck(kOptions, "Subtitle zero", false);
  o.colours = s.GetCheck(kOptions, "Enable colours", true);
  o.maxCharsPerRow = HouseOptions::Load(s).maxRowLength;
  return o;
}

StlReadOptions ReadOptions(const SettingsStore& s) {
  StlReadOptions o;
  o.screenEbu = s.GetCheck(kOptions, "Screen EBU", true);
  o.doubleHeight = s.GetCheck(kOptions, "EBU double height", false);
  o.colours = s.GetCheck(kOptions, "Enable colours", true);
  o.editAreaWidth = HouseOptions::Load(s).maxRowLength;
  return o;
}

}  // namespace

void AddStlFileTypes(std::vector<FileType>& table) {
  table.push_back(FileType{
      "STL", "EBU Files (*.stl)",
      [](std::span<const std::uint8_t> bytes, FileContext& ctx, Warnings& warnings) {
        StlReadResult r = ReadStl(bytes, ReadOptions(ctx.settings), ctx.prompter);
        warnings.insert(warnings.end(), r.warnings.begin(), r.warnings.end());
        if (r.newEditAreaWidth) ctx.newEditAreaWidth = r.newEditAreaWidth;
        return std::move(r.doc);
      },
      [](const SubtitleDocument& doc, FileContext& ctx, Warnings& warnings) {
        return WriteStl(doc, WriteOptions(ctx.settings), ctx.prompter, warnings);
      }});
}

}  // namespace kipo
