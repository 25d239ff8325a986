#include "cli/caption_report.h"

#include <filesystem>
#include <ostream>

#include "core/cea608_caption.h"
#include "formats/caption_formats.h"
#include "platform/text_util.h"
#include "settings/keys.h"

namespace kipo::cli {
namespace {

std::string OneLine(std::string text) { return ReplaceAll(std::move(text), "\r\n", " / "); }

}  // namespace

int ReportCaptions(Context& ctx, const SubtitleDocument& doc, const std::string& path) {
  const bool scc = ToLowerAscii(std::filesystem::path(path).extension().string()) == ".scc";
  const FrameRate& rate = doc.frameRate();
  std::vector<std::string> faults;
  const SubtitleDocument* shown = &doc;
  SccReadResult played;
  if (!scc) {
    // Written as the export writes it, then played through the decoder.
    const SccWriteResult written = WriteScc(doc, SccOptionTable().Load(ctx.settings).Writer());
    played = ReadScc(Bytes(written.text.begin(), written.text.end()), rate.code);
    shown = &played.doc;
    for (const std::string& l : written.log) faults.push_back(l);
    const long tolerance = ctx.settings.Get(keys::kCcDelayTolerance);
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      const std::string n = ZeroPad(static_cast<long>(i + 1), 4);
      const cea608::CaptionCode code = cea608::EncodeCaption(doc.At(i), {});
      for (int row : code.illegalRows) faults.push_back(n + ": line " + std::to_string(row) + " holds a character captions cannot show");
      for (std::size_t r = 0; r < code.rows.size(); ++r)
        if (code.rows[r].length > 32)
          faults.push_back(n + ": line " + std::to_string(r + 1) + " is longer than 32 columns");
      if (code.rowsDoNotFit) faults.push_back(n + ": its rows do not fit on the caption rows");
      if (i < shown->Count()) {
        const FrameCount late = shown->At(i).inCue.ToFrames(rate) - doc.At(i).inCue.ToFrames(rate);
        if (late > tolerance) faults.push_back(n + ": shown " + std::to_string(late) + " frames after its in cue");
      }
    }
    if (shown->Count() != doc.Count())
      faults.push_back(std::to_string(doc.Count()) + " subtitles give " + std::to_string(shown->Count()) + " captions");
  }
  ctx.out << "Caption\tAppears\tDisappears\tText\n";
  for (std::size_t i = 0; i < shown->Count(); ++i) {
    const Subtitle& s = shown->At(i);
    ctx.out << ZeroPad(static_cast<long>(i + 1), 4) << '\t' << s.inCue.Label() << '\t' << s.outCue.Label() << '\t'
            << OneLine(s.text) << "\n";
  }
  for (const std::string& f : faults) ctx.out << "fault: " << f << "\n";
  return faults.empty() ? kExitOk : kExitFindings;
}

}  // namespace kipo::cli
