// EBU subtitle files (STL): the GSI block and one TTI block per text piece.
#include "formats/broadcast/ebu_stl.h"
#include "formats/broadcast/stl_layout.h"
#include "formats/format_rows.h"
#include "settings/house_options.h"
#include "settings/keys.h"

namespace kipo {
namespace {

using keys::kOptions;
constexpr FlagSetting kNoComments{kOptions, "Do not save comments", true, FlagForm::OneZero};
constexpr FlagSetting kDoubleHeight{kOptions, "EBU double height", false, FlagForm::OneZero};
constexpr FlagSetting kBlockMarkers{kOptions, "EBU block markers", false, FlagForm::OneZero};
constexpr IntSetting kDoubleHeightCr{kOptions, "EBU Double Height CR", 0};
constexpr FlagSetting kForce23{kOptions, "EBU Force 23", false, FlagForm::OneZero};
constexpr FlagSetting kForce23ZeroBased{kOptions, "EBU Force 23 zero-based", false, FlagForm::OneZero};
constexpr FlagSetting kScreenEbu{kOptions, "Screen EBU", true, FlagForm::OneZero};
constexpr FlagSetting kNoItalics{kOptions, "No EBU italics", false, FlagForm::OneZero};
constexpr FlagSetting kEmDashes{kOptions, "Convert EBU EmDashes", false, FlagForm::OneZero};

const OptionTable<StlWriteOptions>& WriteTable() {
  static const auto table =
      OptionTable<StlWriteOptions>()
          .Custom(kNoComments.section, kNoComments.name,
                  [](const SettingsStore& s, StlWriteOptions& o) { o.saveComments = !s.Get(kNoComments); },
                  [](SettingsStore& s, const StlWriteOptions& o) { s.Set(kNoComments, !o.saveComments); })
          .Bind(&StlWriteOptions::displayStandard, keys::kEbuDisplayStandard)
          .Bind(&StlWriteOptions::doubleHeight, kDoubleHeight)
          .Bind(&StlWriteOptions::blockMarkers, kBlockMarkers)
          .Custom(kDoubleHeightCr.section, kDoubleHeightCr.name,
                  [](const SettingsStore& s, StlWriteOptions& o) { o.doubleHeightCr = s.Get(kDoubleHeightCr) != 0; },
                  [](SettingsStore& s, const StlWriteOptions& o) { s.Set(kDoubleHeightCr, o.doubleHeightCr ? 1 : 0); })
          .Bind(&StlWriteOptions::force23, kForce23)
          .Bind(&StlWriteOptions::force23ZeroBased, kForce23ZeroBased)
          .Bind(&StlWriteOptions::screenEbu, kScreenEbu)
          .Bind(&StlWriteOptions::literalItalics, kNoItalics)
          .Bind(&StlWriteOptions::dashesAsHyphens, kEmDashes)
          .Bind(&StlWriteOptions::subtitleZero, keys::kSubtitleZero)
          .Bind(&StlWriteOptions::colours, keys::kEnableColours);
  return table;
}

const OptionTable<StlReadOptions>& ReadTable() {
  static const auto table = OptionTable<StlReadOptions>()
                                .Bind(&StlReadOptions::screenEbu, kScreenEbu)
                                .Bind(&StlReadOptions::doubleHeight, kDoubleHeight)
                                .Bind(&StlReadOptions::colours, keys::kEnableColours);
  return table;
}

StlReadOptions ReadOptions(const SettingsStore& settings) {
  StlReadOptions o = ReadTable().Load(settings);
  o.editAreaWidth = HouseOptions::Load(settings).maxRowLength;
  return o;
}

StlWriteOptions WriteOptions(const SettingsStore& settings) {
  StlWriteOptions o = WriteTable().Load(settings);
  o.maxCharsPerRow = HouseOptions::Load(settings).maxRowLength;
  return o;
}

// The blocks go to the file in pieces of about 128 KiB behind room for the header block,
// which is written over that room once the totals are known.
class StlStreamWriter : public SubtitleStreamWriter {
 public:
  static constexpr std::size_t kPiece = 128 * 1024;

  StlStreamWriter(const SubtitleDocument& header, StlWriteOptions o, Prompter& prompter, AtomicFileWriter& file)
      : writer_(header, std::move(o)), prompter_(prompter), file_(file), blocks_(kPiece + kStlTtiSize * 256) {
    blocks_.fill(kStlGsiSize, ' ');
  }

  void Add(const Subtitle& s) override {
    writer_.Add(s, blocks_, warnings_);
    if (blocks_.size() >= kPiece) Flush();
  }

  Warnings Finish() override {
    Flush();
    const Bytes gsi = writer_.Header(prompter_, warnings_);
    file_.WriteAt(0, gsi);
    return std::move(warnings_);
  }

 private:
  void Flush() {
    file_.Write(blocks_.data());
    blocks_ = ByteWriter(kPiece + kStlTtiSize * 256);
  }

  StlWriter writer_;
  Prompter& prompter_;
  AtomicFileWriter& file_;
  ByteWriter blocks_;
  Warnings warnings_;
};

}  // namespace

Format MakeEbuStlFormat() {
  Format f;
  f.id = "ebu-stl";
  f.name = "EBU STL";
  f.extensions = {"stl"};
  f.fileType = FileTypeRow{"STL", "EBU Files (*.stl)", 5, "*.STL", 4, 6};
  f.convert = MakeConvertTarget(5, "EBU STL", "EBU STL", "", "STL", "stl", "", "EBU STL");
  f.traits.keepsColours = true;
  f.traits.keepsComments = true;
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    StlReadResult r = ReadStl(bytes, ReadOptions(ctx.settings), ctx.prompter);
    if (r.newEditAreaWidth) ctx.newEditAreaWidth = r.newEditAreaWidth;
    return ReadResult{std::move(r.doc), std::move(r.warnings)};
  };
  f.write = [](const SubtitleDocument& doc, FormatContext& ctx) {
    WriteResult r;
    r.bytes = WriteStl(doc, WriteOptions(ctx.settings), ctx.prompter, r.warnings);
    return r;
  };
  f.stream.read = [](Bytes& bytes, FormatContext& ctx, SubtitleDocument& header, const SubtitleSink& sink) {
    Warnings warnings;
    std::optional<int> width = ReadStlCues(bytes, ReadOptions(ctx.settings), ctx.prompter, header, sink, warnings);
    if (width) ctx.newEditAreaWidth = width;
    return warnings;
  };
  f.stream.write = [](const SubtitleDocument& header, FormatContext& ctx, AtomicFileWriter& file) {
    return std::unique_ptr<SubtitleStreamWriter>(
        std::make_unique<StlStreamWriter>(header, WriteOptions(ctx.settings), ctx.prompter, file));
  };
  return f;
}

}  // namespace kipo
