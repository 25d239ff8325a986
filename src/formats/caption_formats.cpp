// Line-21 caption files: Scenarist SCC (written and read), Ultech and Caption Inc.
#include "formats/caption_formats.h"
#include "formats/format_rows.h"
#include "platform/files.h"
#include "platform/user_error.h"
#include "settings/keys.h"

namespace kipo {
namespace {

using keys::kExport;
constexpr IntSetting kSccCaptionType{kExport, "SCC caption type", 0, 0, 3};
constexpr FlagSetting kSccDoubleCodes{kExport, "SCC double control codes", false, FlagForm::TrueFalse};
constexpr IntSetting kSccIgnoreBuildup{kExport, "SCC ignore buildup", 0, 0, 1};
constexpr FlagSetting kSccNoTwoFrameWait{kExport, "SCC no two frame wait", false, FlagForm::TrueFalse};
constexpr TextSetting kSccShowLog{kExport, "SCC show log", "0"};

const OptionTable<SccExport>& SccTable() {
  static const auto table =
      OptionTable<SccExport>()
          .Bind(&SccExport::captionType, kSccCaptionType)
          .Bind(&SccExport::doubleControlCodes, kSccDoubleCodes)
          .Bind(&SccExport::ignoreBuildup, kSccIgnoreBuildup)
          .Bind(&SccExport::noTwoFrameWait, kSccNoTwoFrameWait)
          .Custom(
              kSccShowLog.section, kSccShowLog.name,
              [](const SettingsStore& s, SccExport& o) { o.showLog = s.Get(kSccShowLog) == "1"; },
              [](SettingsStore& s, const SccExport& o) { s.Set(kSccShowLog, o.showLog ? "1" : "0"); },
              [](SettingsStore& s, std::string_view v) {
                s.Set(kSccShowLog, v);
                return true;
              });
  return table;
}

// The list of moved captions beside the other logs, replaced by every export; with "SCC
// show log" the user may open it when two or more captions moved.
void ReportMoves(const SccWriteResult& r, const SccExport& o, Prompter& prompter) {
  std::string text;
  for (const std::string& l : r.log) text += l + "\r\n";
  const std::filesystem::path log = DataFolder() / "scc.log";
  try {
    EnsureFolder(DataFolder());
    WriteFileAtomic(log, text);
  } catch (const std::exception&) {
    return;  // the log is a convenience; the export itself has succeeded
  }
  if (!o.showLog || r.moved < 2) return;
  Message m{kAppTitle,
            std::to_string(r.moved) +
                " subtitle in cues were offset in this file.\nWould you like to view a list of these subtitles?",
            Buttons::YesNo, Icon::Question};
  if (prompter.Ask(m) == Answer::Yes) OpenInTextEditor(log);
}

// "Ultech CC": the window that exports Ultech files.
constexpr std::string_view kUltech = "Ultech CC";
constexpr IntSetting kUltechCaptionType{kUltech, "Caption type", 0, 0, 2};
constexpr IntSetting kUltechDataChannel{kUltech, "Data channel", 1, 1, 2};
constexpr FlagSetting kUltechCompensate{kUltech, "Compensate for TX delay", false, FlagForm::OneZero};
constexpr FlagSetting kUltechErase{kUltech, "Erase displayed memory", false, FlagForm::OneZero};
constexpr FlagSetting kUltechNoOutCue{kUltech, "Do not add out cue caption", false, FlagForm::OneZero};

const OptionTable<UltechOptions>& UltechTable() {
  static const auto table = OptionTable<UltechOptions>()
                                .Bind(&UltechOptions::captionType, kUltechCaptionType)
                                .Bind(&UltechOptions::dataChannel, kUltechDataChannel)
                                .Bind(&UltechOptions::cueOffset, keys::kUltechCueOffset)
                                .Bind(&UltechOptions::compensate, kUltechCompensate)
                                .Bind(&UltechOptions::eraseDisplayed, kUltechErase)
                                .Bind(&UltechOptions::noOutCue, kUltechNoOutCue)
                                .Bind(&UltechOptions::delayTolerance, keys::kCcDelayTolerance);
  return table;
}

// "CC": the Caption Inc options window.
constexpr std::string_view kCc = "CC";
constexpr IntSetting kCinCaptionType{kCc, "Caption type", 0, 0, 3};
constexpr IntSetting kCinDataChannel{kCc, "Data channel", 1, 1, 2};
constexpr IntSetting kCinPrecompensate{kCc, "Precompensate", 0, 0, 999};
constexpr TextSetting kCinHeaderInfo{kCc, "Header info", ""};

const OptionTable<CaptionIncOptions>& CaptionIncTable() {
  static const auto table = OptionTable<CaptionIncOptions>()
                                .Bind(&CaptionIncOptions::captionType, kCinCaptionType)
                                .Bind(&CaptionIncOptions::dataChannel, kCinDataChannel)
                                .Bind(&CaptionIncOptions::precompensate, kCinPrecompensate)
                                .Bind(&CaptionIncOptions::headerInfo, kCinHeaderInfo);
  return table;
}

}  // namespace

const OptionTable<SccExport>& SccOptionTable() { return SccTable(); }
const OptionTable<UltechOptions>& UltechOptionTable() { return UltechTable(); }
const OptionTable<CaptionIncOptions>& CaptionIncOptionTable() { return CaptionIncTable(); }

Format MakeUltechFormat() {
  Format f;
  f.id = "ultech";
  f.name = "Ultech";
  f.extensions = {"ult"};
  f.exportRow = MakeExportRow(39, "Ultech", "Closed caption", "ULT", "frmULT", "Ultech CC Files (*.ult)|*.ult",
                              "Export Ultech CC File", "", "W");
  f.exportRow->rowLimit = 32;
  f.write = [](const SubtitleDocument& doc, FormatContext& ctx) {
    WriteResult r;
    r.bytes = WriteUltech(doc, UltechTable().Load(ctx.settings), r.warnings);
    return r;
  };
  f.options = FormatOptions::Of(UltechTable());
  return f;
}

Format MakeCaptionIncFormat() {
  Format f;
  f.id = "caption-inc";
  f.name = "Caption Inc";
  f.extensions = {"cin"};
  f.exportRow = MakeExportRow(22, "Caption Inc", "Closed caption", "CIN", "ExportCaptionIncFile",
                              "Caption Inc Files (*.cin)|*.cin", "Export Caption Inc File", "frmCINOptions", "O");
  f.exportRow->rowLimit = 32;
  f.write = [](const SubtitleDocument& doc, FormatContext& ctx) {
    WriteResult r;
    r.bytes = WriteCaptionInc(doc, CaptionIncTable().Load(ctx.settings), r.warnings);
    return r;
  };
  f.fileType = FileTypeRow{"CIN", "Caption Inc file", 0, "", 0, 0};
  ImportFormat in;
  in.position = 2;
  in.name = "Caption Inc CIN file";
  in.openTitle = "Import Caption Inc CIN File";
  in.openFilter = "Caption Inc Files (*.cin)|*.cin";
  in.fileName = "*.cin";
  f.importRow = std::move(in);
  f.traits.cuesAsShown = true;
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    CaptionIncReadResult r = ReadCaptionInc(bytes, ctx.frameRateCode);
    return ReadResult{std::move(r.doc), std::move(r.warnings)};
  };
  f.options = FormatOptions::Of(CaptionIncTable());
  return f;
}

Format MakeSccFormat() {
  Format f;
  f.id = "scenarist-closed-caption";
  f.name = "Scenarist Closed Caption";
  f.extensions = {"scc"};
  f.fileType = FileTypeRow{"SCC", "Scenarist Closed Caption file", 0, "", 0, 0};
  f.exportRow = MakeExportRow(42, "Scenarist Closed Caption", "Closed caption", "SCC", "ExportScenaristClosedCaptionFile",
                              "Scenarist Closed Caption Files (*.scc)|*.scc", "Export Scenarist Closed Caption File",
                              "frmSCCOptions", "");
  // A caption row holds 32 characters; the export asks before going on with longer rows.
  f.exportRow->rowLimit = 32;
  ImportFormat in;
  in.position = 17;
  in.name = "Sonic Scenarist closed caption file";
  in.openTitle = "Import Sonic Scenarist Closed Captioon File";
  in.openFilter = "Sonic Scenarist Closed Captioon Files (*.scc)|*.scc";
  in.fileName = "*.scc";
  f.importRow = std::move(in);
  f.traits.keepsTenHours = true;
  f.traits.cuesAsShown = true;
  f.read = [](std::span<const std::uint8_t> bytes, FormatContext& ctx) {
    SccReadResult r = ReadScc(bytes, ctx.frameRateCode);
    return ReadResult{std::move(r.doc), std::move(r.warnings)};
  };
  f.write = [](const SubtitleDocument& doc, FormatContext& ctx) {
    const SccExport o = SccTable().Load(ctx.settings);
    SccWriteResult r = WriteScc(doc, o.Writer());
    ReportMoves(r, o, ctx.prompter);
    WriteResult out;
    const auto* text = reinterpret_cast<const std::uint8_t*>(r.text.data());
    out.bytes.assign(text, text + r.text.size());
    out.warnings = std::move(r.warnings);
    return out;
  };
  f.options = FormatOptions::Of(SccTable());
  return f;
}

}  // namespace kipo
