#include "imaging/bitmap_export.h"

#include <chrono>
#include <ctime>
#include <mutex>

#include "core/languages.h"
#include "imaging/display_format.h"
#include "imaging/pgs.h"
#include "platform/files.h"
#include "platform/user_error.h"

namespace kipo {

std::string BitmapFileName(std::string_view prefix, int number, PictureFormat f) {
  std::string n = std::to_string(number);
  if (n.size() < 4) n.insert(0, 4 - n.size(), '0');
  return std::string(prefix) + n + std::string(PictureExtension(f));
}

std::string CompletionLine(std::string_view name, int warnings) {
  std::string s(name);
  if (warnings == 0) return s + ": Export complete - zero warnings";
  return s + ": Export complete - " + std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings");
}

void PrepareExportFolder(const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path abs = fs::absolute(folder, ec);
  if (ec || !fs::is_directory(abs.root_path(), ec)) throw UserError(kAppTitle, "Cannot read from selected drive");
  if (fs::is_directory(abs, ec)) return;
  fs::create_directories(abs, ec);
  if (ec || !fs::is_directory(abs, ec)) throw UserError("New Folder Error", "Unable to create directory!");
}

namespace {

// Renderers are costly to make (each has its own font map): workers borrow one and give
// it back.
class RendererPool {
 public:
  RendererPool(RenderStyle st, RenderLayout lay) : style_(std::move(st)), layout_(lay) {}
  std::unique_ptr<SubtitleRenderer> Take() {
    {
      std::lock_guard lock(m_);
      if (!free_.empty()) {
        auto r = std::move(free_.back());
        free_.pop_back();
        return r;
      }
    }
    return std::make_unique<SubtitleRenderer>(style_, layout_);
  }
  void Give(std::unique_ptr<SubtitleRenderer> r) {
    std::lock_guard lock(m_);
    free_.push_back(std::move(r));
  }

 private:
  RenderStyle style_;
  RenderLayout layout_;
  std::mutex m_;
  std::vector<std::unique_ptr<SubtitleRenderer>> free_;
};

struct ItemResult {
  bool listed = false;  // has a script line
  BitmapEntry entry;
  std::vector<std::string> log;
  int warnings = 0;
  bool wrote = false;
  std::vector<std::uint8_t> pgs;  // the display sets, for the PGS stream
};

std::string NowText() {
  std::time_t t = std::time(nullptr);
  char buf[64];
  std::strftime(buf, sizeof buf, "%d/%m/%Y %H:%M:%S", std::localtime(&t));
  return buf;
}

}  // namespace

struct BitmapExport::State {
  BitmapExportRequest req;
  AuthoringTarget target;
  PictureFormat format;
  std::string prefix;
  int first = 1, last = 0;
  std::unique_ptr<RendererPool> renderers;
  Batch<ItemResult> batch;
  bool started = false;
  RenderLayout layout;

  ItemResult Item(std::size_t i, std::stop_token stop) {
    ItemResult r;
    const int number = first + static_cast<int>(i);
    const Subtitle& s = req.document.Subtitles()[number - 1];
    const DvdOptions& o = req.options;
    r.entry.number = number;
    r.entry.inCue = s.inCue;
    r.entry.outCue = s.outCue;
    r.entry.file = BitmapFileName(prefix, number, format);
    const std::filesystem::path path = req.folder / r.entry.file;
    if (static_cast<ExportRange>(o.range) == ExportRange::ScriptOnly && target != AuthoringTarget::PgsStream) {
      // The pictures are there already: the script takes their sizes from the files.
      int w = 0, h = 0;
      if (PictureSize(path, w, h)) {
        r.entry.rect = {0, 0, w, h};
        r.listed = true;
      } else {
        r.log.push_back("Subtitle " + std::to_string(number) + ": picture " + r.entry.file + " was not found");
        ++r.warnings;
      }
      return r;
    }
    if (stop.stop_requested()) return r;
    std::unique_ptr<SubtitleRenderer> renderer = renderers->Take();
    RenderResult out = renderer->Render(s, number);
    renderers->Give(std::move(renderer));
    for (const RenderMessage& m : out.messages) {
      r.log.push_back(m.text);
      ++r.warnings;
    }
    if (out.empty) {
      if (o.ignoreEmpty) {
        r.log.push_back("Subtitle " + std::to_string(number) + " is empty and was not rendered");
        return r;
      }
      r.log.push_back("Subtitle " + std::to_string(number) + " is empty but was rendered");
    }
    // High-definition targets take the subtitle's own rectangle; DVD targets the frame.
    DibSection pic;
    if (NeedsPng(target) && !layout.fitToSubtitle) {
      r.entry.rect = out.ink.empty() ? PixelRect{0, 0, out.picture.width(), out.picture.height()} : out.ink;
      pic = std::move(out.picture);
    } else {
      r.entry.rect = {0, 0, out.picture.width(), out.picture.height()};
      pic = std::move(out.picture);
    }
    r.listed = true;
    if (target == AuthoringTarget::PgsStream) {
      const FrameRate& rate = req.document.frameRate();
      PgsEvent e;
      e.inMs = FramesToMilliseconds(s.inCue.ToFrames(rate), rate);
      e.outMs = FramesToMilliseconds(s.outCue.ToFrames(rate), rate);
      e.rect = r.entry.rect;
      r.pgs = EncodePgsEvent(pic, e, layout.width, layout.height, static_cast<int>(i) * 2, rate.fps());
      return r;
    }
    SavePicture(path, pic, format, o.Palette());
    r.wrote = true;
    return r;
  }
};

BitmapExport::BitmapExport(BitmapExportRequest request) : s_(std::make_unique<State>()) {
  s_->req = std::move(request);
  State& s = *s_;
  s.target = s.req.options.target();
  s.format = s.req.options.picture();
  if (s.target == AuthoringTarget::PgsStream) s.format = PictureFormat::Png32;
  s.prefix = s.req.options.bitmapStream.empty() ? "sub" : s.req.options.bitmapStream;
  const int count = static_cast<int>(s.req.document.Count());
  s.first = std::max(1, s.req.first);
  s.last = s.req.last <= 0 ? count : std::min(s.req.last, count);
  RenderStyle style = s.req.options.Style();
  style.fontFiles = s.req.fontFiles;
  // 32-bit pictures keep a transparent background; the others are drawn on it.
  if (!(s.format == PictureFormat::Png32 || s.format == PictureFormat::Tga32)) style.background.a = 255;
  style.colourPlane = !IsEightBit(s.format);
  s.layout = s.req.options.Layout();
  if (s.target == AuthoringTarget::Ultech) s.layout.width = 720, s.layout.height = 512;
  RenderLayout drawn = s.layout;
  drawn.cropToInk = NeedsPng(s.target) && !s.layout.fitToSubtitle;
  s.renderers = std::make_unique<RendererPool>(style, drawn);
}

BitmapExport::~BitmapExport() = default;

std::size_t BitmapExport::count() const { return s_->last >= s_->first ? static_cast<std::size_t>(s_->last - s_->first + 1) : 0; }

void BitmapExport::Start(WorkerPool& pool, JobObserver observer) {
  PrepareExportFolder(s_->req.folder);
  State* s = s_.get();
  if (!observer.describe)
    observer.describe = [s](std::size_t i) { return "Subtitle " + std::to_string(s->first + static_cast<int>(i)); };
  s_->batch = RunEach(pool, count(), [s](std::size_t i, std::stop_token stop) { return s->Item(i, stop); }, std::move(observer));
  s_->started = true;
}

void BitmapExport::Cancel() { s_->batch.Cancel(); }

BitmapExportResult BitmapExport::Finish() {
  State& s = *s_;
  BitmapExportResult res;
  const auto& items = s.batch.Wait();
  std::vector<std::uint8_t> pgs;
  for (const JobItem<ItemResult>& it : items) {
    if (it.skipped()) {
      res.cancelled = true;
      continue;
    }
    if (it.error) {
      try {
        std::rethrow_exception(it.error);
      } catch (const UserError& e) {
        res.log.push_back(e.text());
      } catch (const std::exception& e) {
        res.log.push_back(e.what());
      }
      ++res.warnings;
      continue;
    }
    const ItemResult& r = *it.value;
    res.log.insert(res.log.end(), r.log.begin(), r.log.end());
    res.warnings += r.warnings;
    res.picturesWritten += r.wrote;
    if (r.listed) res.entries.push_back(r.entry);
    pgs.insert(pgs.end(), r.pgs.begin(), r.pgs.end());
  }
  const DvdOptions& o = s.req.options;
  if (res.cancelled) {
    if (o.deleteOnCancel) {
      std::error_code ec;
      for (const JobItem<ItemResult>& it : items)
        if (it.value && it.value->wrote) std::filesystem::remove(s.req.folder / it.value->entry.file, ec);
    }
    res.log.push_back("Export cancelled");
    return res;
  }
  if (s.target == AuthoringTarget::Ultech)
    res.log.push_back("The pictures for the Ultech inserter are saved as BMP; convert them to UYC with the inserter's own tools");
  if (s.target == AuthoringTarget::DlpCinema)
    res.log.push_back("The digital cinema XML is written by the digital cinema export; the PNG pictures are ready");

  ScriptContext c;
  c.options = o;
  c.rate = s.req.document.frameRate();
  c.folder = std::filesystem::absolute(s.req.folder).string();
  c.streamName = s.prefix;
  c.title = s.req.document.filePath.empty() ? s.prefix : std::filesystem::path(s.req.document.filePath).stem().string();
  c.language = Iso639Code(s.req.document.languageId());
  const Language* lang = FindLanguage(s.req.document.languageId());
  c.languageName = lang ? lang->name : "";
  c.generatedOn = s.req.generatedOn.empty() ? NowText() : s.req.generatedOn;
  c.frameWidth = s.layout.width;
  c.frameHeight = s.layout.height;
  c.videoFormat = c.frameHeight == 720 ? "720p" : c.frameHeight <= 480 ? "480i" : c.frameHeight <= 576 ? "576i" : "1080p";

  std::string ext = o.scriptExtension.empty() ? std::string(DefaultScriptExtension(s.target)) : o.scriptExtension;
  if (s.target == AuthoringTarget::PgsStream) ext = "sup";
  std::string scriptName = o.indexFile.empty() ? s.prefix + "." + ext : o.indexFile;
  std::string lastName = scriptName;
  try {
    if (s.target == AuthoringTarget::PgsStream) {
      res.script = s.req.folder / scriptName;
      WriteFileAtomic(res.script, pgs);
    } else {
      std::string script = WriteAuthoringScript(s.target, res.entries, c);
      if (!script.empty()) {
        res.script = s.req.folder / scriptName;
        WriteFileAtomic(res.script, script);
      }
      if (s.target == AuthoringTarget::KipoStream && o.duplicateSbsEdl) {
        std::filesystem::path edl = s.req.folder / (std::filesystem::path(scriptName).stem().string() + ".edl");
        WriteFileAtomic(edl, WriteCmxEdl(res.entries, c));
      }
    }
  } catch (const UserError& e) {
    res.log.push_back(e.text());
    ++res.warnings;
  }
  if (res.script.empty()) lastName = s.prefix;
  FlushFolder(s.req.folder);
  res.log.push_back(CompletionLine(lastName, res.warnings));
  return res;
}

BitmapExportResult BitmapExport::Run(BitmapExportRequest request, WorkerPool& pool, JobObserver observer) {
  BitmapExport e(std::move(request));
  e.Start(pool, std::move(observer));
  return e.Finish();
}

}  // namespace kipo
