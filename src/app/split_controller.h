#pragma once
// Splitting the open document into files: parts cut at chosen subtitles (each optionally
// moved to a new start time) and the languages of a bilingual document. Writing parts
// never changes the open document, its file name or its modified state; keeping one
// language changes it as one undo step.
#include <string>
#include <vector>

#include "app/session.h"

namespace kipo {

// Captions of the dual-language commands.
inline constexpr const char* kKeepSecondLanguage = "Keep second language";
inline constexpr const char* kKeepFirstLanguage = "Keep first language";
inline constexpr const char* kWriteLanguageFiles = "Write language files";

enum class SplitOutcome {
  Split,      // every part written
  Refused,    // no or too many split points: the message was shown, the window stays
  Cancelled,  // the root name was not chosen: nothing written
  Failed,     // a part could not be written: the parts before it stay on disk
};

class SplitController {
 public:
  explicit SplitController(DocumentSession& session) : s_(session) {}

  // The split window's OK: `splitPoints` are subtitle numbers; with `confirmStartTimes`
  // each part's start time is asked for ("Set File n Start Time").
  SplitOutcome SplitFile(const std::vector<long>& splitPoints, bool confirmStartTimes);
  // 0 keeps the second language in the open document, 1 the first; 2 writes both language
  // files. False when nothing was done (cancelled, or a file could not be written).
  bool DualLanguage(int mode);
  // The split window's count label: "2 split points selected".
  static std::string CountLabel(std::size_t ticked);
  // The files written by the last SplitFile or DualLanguage, in the order written.
  const std::vector<std::string>& written() const { return written_; }

 private:
  // The root name from the save dialog ("Split File Root Name"); empty when cancelled.
  std::string AskRootName();
  // Writes a document as a .kpox file; shows the message and returns false when it cannot.
  bool WritePart(const SubtitleDocument& doc, const std::string& path);

  DocumentSession& s_;
  std::vector<std::string> written_;
};

}  // namespace kipo
