#include "cli/cue_edits.h"

#include <ostream>

#include "app/file_types.h"
#include "platform/text_util.h"

namespace kipo::cli {

SubtitleDocument OpenForEditing(Context& ctx, const std::string& path) {
  FileContext fc{ctx.prompter, ctx.settings};
  LoadedDocument loaded = ReadDocumentFile(path, fc);
  for (const std::string& w : loaded.warnings) ctx.err << "warning: " << w << "\n";
  return std::move(loaded.doc);
}

void SaveEdited(Context& ctx, const SubtitleDocument& doc, const std::string& input, const std::string& output) {
  FileContext fc{ctx.prompter, ctx.settings};
  const std::string& target = output.empty() ? input : output;
  const Warnings warnings = WriteDocumentFile(doc, target, fc);
  for (const std::string& w : warnings) ctx.err << "warning: " << w << "\n";
  LogWarnings(ctx, "save", warnings);
  ctx.out << "Saved " << target << "\n";
}

int PrintCueChanges(std::ostream& out, const SubtitleDocument& before, const SubtitleDocument& after) {
  int lines = 0;
  auto label = [](const CueDigits& c) { return c.empty() ? std::string("(not set)") : DigitsToLabel(c); };
  auto line = [&](std::size_t i, const char* which, const CueDigits& a, const CueDigits& b) {
    if (a == b) return;
    out << ZeroPad(static_cast<long>(i + 1), 4) << "  " << which << "  " << label(a) << " -> " << label(b) << "\n";
    ++lines;
  };
  for (std::size_t i = 0; i < before.Count() && i < after.Count(); ++i) {
    line(i, "in ", before.At(i).inCue, after.At(i).inCue);
    line(i, "out", before.At(i).outCue, after.At(i).outCue);
  }
  return lines;
}

void ReportCueChangesAndSave(Context& ctx, const SubtitleDocument& before, const SubtitleDocument& after,
                             const std::string& input, const std::string& output) {
  int changed = PrintCueChanges(ctx.out, before, after);
  if (changed == 0)
    ctx.out << "No cues changed\n";
  else
    ctx.out << changed << (changed == 1 ? " cue changed\n" : " cues changed\n");
  if (changed > 0 || !output.empty()) SaveEdited(ctx, after, input, output);
}

}  // namespace kipo::cli
