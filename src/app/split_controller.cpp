#include "app/split_controller.h"

#include <filesystem>

#include "core/native_file.h"
#include "core/split_file.h"
#include "formats/native_formats.h"
#include "platform/files.h"
#include "platform/user_error.h"
#include "settings/keys.h"

namespace kipo {

std::string SplitController::CountLabel(std::size_t ticked) {
  return std::to_string(ticked) + " split " + (ticked == 1 ? "point" : "points") + " selected";
}

std::string SplitController::AskRootName() {
  FileDialog d;
  d.title = "Split File Root Name";
  d.filter = std::string(kAppTitle) + " Files (*.kpox)|*.kpox";
  d.defaultExt = "kpox";
  d.initialDir = s_.settings().Get(keys::kSaveFolder);
  d.overwritePrompt = true;
  std::optional<FileChoice> choice = s_.prompter().SaveFile(d);
  if (!choice || choice->path.empty()) return {};
  return SplitRootName(choice->path);
}

bool SplitController::WritePart(const SubtitleDocument& doc, const std::string& path) {
  try {
    NativeWriteResult r = WriteNative(doc, NativeVariant::Kpox, NativeWriteOptionsFrom(s_.settings()));
    WriteFileAtomic(path, r.bytes);
  } catch (const UserError& e) {
    s_.prompter().Inform(e.title(), e.text(), Icon::Critical);
    return false;
  } catch (const std::exception& e) {
    s_.prompter().Inform(kAppTitle, "Cannot write " + path + ": " + e.what(), Icon::Critical);
    return false;
  }
  written_.push_back(path);
  return true;
}

SplitOutcome SplitController::SplitFile(const std::vector<long>& splitPoints, bool confirmStartTimes) {
  written_.clear();
  s_.CommitEditArea();
  std::vector<SplitPart> parts;
  try {
    parts = SplitParts(s_.doc().Count(), splitPoints);
  } catch (const UserError& e) {
    s_.prompter().Inform(e.title(), e.text(), Icon::Warning);
    return SplitOutcome::Refused;
  }
  const std::string root = AskRootName();
  if (root.empty()) return SplitOutcome::Cancelled;
  const SubtitleDocument& doc = s_.doc();
  for (std::size_t n = 0; n < parts.size(); ++n) {
    Timecode offset = 0;
    if (confirmStartTimes) {
      const Cue& firstIn = doc.At(parts[n].first).inCue;
      auto entered = s_.prompter().Input("Set File " + std::to_string(n + 1) + " Start Time", "Start time:",
                                         DigitsToLabel(firstIn.digits()));
      if (entered) offset = StartTimeOffset(firstIn.digits(), *entered, doc.frameRate());
    }
    try {
      if (!WritePart(PartDocument(doc, parts[n], offset), PartFileName(root, static_cast<int>(n + 1))))
        return SplitOutcome::Failed;
    } catch (const UserError& e) {  // a moved cue past the last label
      s_.prompter().Inform(e.title(), e.text(), Icon::Critical);
      return SplitOutcome::Failed;
    }
  }
  s_.prompter().Inform(kAppTitle, "File has been split into " + std::to_string(parts.size()) + " parts");
  return SplitOutcome::Split;
}

bool SplitController::DualLanguage(int mode) {
  written_.clear();
  s_.CommitEditArea();
  if (mode == 0 || mode == 1) {
    SubtitleDocument& doc = s_.doc();
    bool recorded = false;
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      std::string kept = KeepLanguage(doc.At(i).text, mode == 0 ? 2 : 1);
      if (kept == doc.At(i).text) continue;
      if (!recorded) {
        s_.RecordDocument(mode == 0 ? kKeepSecondLanguage : kKeepFirstLanguage);
        s_.Record(kUndoNothing);
        recorded = true;
      }
      doc.SetText(i, std::move(kept));
    }
    if (recorded) s_.EndCommand();
    else s_.Refresh();
    return true;
  }
  if (mode != 2) return false;
  const std::string root = AskRootName();
  if (root.empty()) return false;
  const std::string lang1 = LanguageFileName(root, 1), lang2 = LanguageFileName(root, 2);
  if (!WritePart(LanguageDocument(s_.doc(), 2), lang2)) return false;
  if (!WritePart(LanguageDocument(s_.doc(), 1), lang1)) return false;
  auto full = [](const std::string& p) { return std::filesystem::absolute(p).lexically_normal().string(); };
  s_.prompter().Inform(kAppTitle,
                       "The current file has been split into two new files:\n\n" + full(lang1) + "\n\n" + full(lang2));
  return true;
}

}  // namespace kipo
