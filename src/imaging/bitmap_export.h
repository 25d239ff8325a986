#pragma once
// A bitmap export: every subtitle of the range rendered and saved as a picture on the
// worker pool, then the target's script written from the pictures in subtitle order, with
// the log of what happened. The files are the same whatever the number of threads.
//
//   BitmapExport run(request);            // request holds a copy of the document
//   run.Start(SharedPool(), observer);    // progress and completion through the observer
//   ...                                   // run.Cancel() from the window's Cancel button
//   BitmapExportResult r = run.Finish();  // waits, writes the script, gives the log
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/document.h"
#include "imaging/authoring_scripts.h"
#include "imaging/dvd_settings.h"
#include "platform/jobs.h"

namespace kipo {

struct BitmapExportRequest {
  DvdOptions options;
  std::vector<std::string> fontFiles;  // empty: the machine's fonts
  SubtitleDocument document;
  int first = 1, last = 0;  // subtitle numbers, inclusive; last 0 means the last subtitle
  std::filesystem::path folder;
  std::string generatedOn;  // date text for the script headers; empty: now
};

struct BitmapExportResult {
  std::vector<std::string> log;
  int warnings = 0;
  bool cancelled = false;
  std::filesystem::path script;  // empty when the target has none
  std::vector<BitmapEntry> entries;
  std::size_t picturesWritten = 0;
};

// "Bitmap Export Complete" / "Bitmap export complete".
inline constexpr const char* kExportCompleteTitle = "Bitmap Export Complete";
inline constexpr const char* kExportCompleteText = "Bitmap export complete";

// The picture file of a subtitle: the stream prefix, the number in four digits at least,
// the extension ("sub0007.bmp").
std::string BitmapFileName(std::string_view prefix, int number, PictureFormat f);
// The last log line: "<name>: Export complete - zero warnings" / " - 1 warning" / " - n warnings".
std::string CompletionLine(std::string_view name, int warnings);
// Makes sure the export folder is there. Throws UserError "Cannot read from selected
// drive" when its drive is not there, ("New Folder Error", "Unable to create directory!")
// when it cannot be made.
void PrepareExportFolder(const std::filesystem::path& folder);

class BitmapExport {
 public:
  explicit BitmapExport(BitmapExportRequest request);
  ~BitmapExport();
  BitmapExport(const BitmapExport&) = delete;
  BitmapExport& operator=(const BitmapExport&) = delete;

  // Checks the folder (throws UserError) and starts rendering.
  void Start(WorkerPool& pool, JobObserver observer = {});
  void Cancel();
  // Waits for the pictures, writes the script (unless cancelled) and gives the log.
  BitmapExportResult Finish();
  // Start and Finish in one call.
  static BitmapExportResult Run(BitmapExportRequest request, WorkerPool& pool, JobObserver observer = {});

  std::size_t count() const;

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace kipo
