// kipo stats: the statistics report of a subtitle file.
#include <cmath>
#include <ctime>
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/check_report.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "timing/error_list.h"
#include "timing/statistics.h"

namespace kipo::cli {

namespace {

// A ratio shown with `decimals` places, as a number.
double Rounded(double v, int decimals) {
  const double scale = std::pow(10.0, decimals);
  return std::round(v * scale) / scale;
}

}  // namespace

int ReportStatistics(Context& ctx, const SubtitleDocument& doc, const HouseOptions& house, bool json,
                     const std::string& reportFile) {
  TimingParameters p = TimingParameters::From(house, doc.frameRate());
  ReadingOptions reading = ReadingOptions::Load(ctx.settings);
  if (!reportFile.empty()) {
    // The printed report as a file of its own: this machine has no printer to hand it to.
    try {
      WriteFileAtomic(reportFile, StatisticsReportText(doc, p, reading, ReportFileName(doc),
                                                       LongDateText(std::time(nullptr))));
    } catch (const UserError& e) {
      ctx.err << "kipo stats: " << e.title() << ": " << e.text() << "\n";
      return kExitError;
    }
  }
  if (!json) {
    ctx.out << BuildStatistics(doc, p, reading, "\n");
    return kExitOk;
  }
  const Statistics s = ComputeStatistics(doc, p, reading);
  const FrameRate& rate = doc.frameRate();
  auto ratio = [](double a, double b, int decimals) { return b == 0 ? 0.0 : Rounded(a / b, decimals); };
  auto seconds = [&](Timecode frames) { return Rounded(FramesToSeconds(frames, rate), 3); };
  const double subs = static_cast<double>(s.subtitles);
  const Timecode averageDuration = s.subtitles ? s.totalDuration / s.subtitles : 0;
  const Timecode idealAverage = s.subtitles ? s.idealTotalDuration / s.subtitles : 0;

  // Every figure is a number: counts as integers, averages as shown in the report,
  // durations in seconds (their timecode labels follow under "labels"), the subtitle
  // holding an extreme by its number (0 when there is none).
  nlohmann::ordered_json items;
  items["Subtitles"] = s.subtitles;
  items["Rows"] = s.rows;
  items["Words"] = s.words;
  items["Characters"] = s.characters;
  items["Average rows per subtitle"] = ratio(s.rows, subs, 1);
  items["Average words per subtitle"] = ratio(s.words, subs, 1);
  items["Average words per row"] = ratio(s.words, s.rows, 1);
  items["Average characters per subtitle"] = ratio(s.characters, subs, 0);
  items["Average characters per row"] = ratio(s.characters, s.rows, 0);
  items["Maximum row length"] = s.maxRowLength;
  items["Maximum row length subtitle"] = s.maxRowSubtitle;
  items["Total subtitle duration"] = seconds(s.totalDuration);
  items["Ideal total subtitle duration"] = seconds(s.idealTotalDuration);
  items["Average subtitle duration"] = seconds(averageDuration);
  items["Ideal average subtitle duration"] = seconds(idealAverage);
  items["Minimum subtitle duration"] = seconds(s.minDuration);
  items["Minimum subtitle duration subtitle"] = s.minDurationSubtitle;
  items["Maximum subtitle duration"] = seconds(s.maxDuration);
  items["Maximum subtitle duration subtitle"] = s.maxDurationSubtitle;
  items["Required reading speed"] = Rounded(s.requiredReadingSpeed, 1);
  items["Empty subtitles"] = s.emptySubtitles;
  items["Empty or invalid cues"] = s.emptyOrInvalidCues;
  items["Left aligned subtitles"] = s.left;
  items["Centre aligned subtitles"] = s.centre;
  items["Right aligned subtitles"] = s.right;
  items["Centre left aligned subtitles"] = s.centreLeft;
  items["Mixed aligned subtitles"] = s.mixed;
  items["Raised subtitles"] = s.raised;
  items["Outlined subtitles"] = s.outlined;
  items["Italicised subtitles"] = s.italicised;
  items["Commented subtitles"] = s.commented;

  nlohmann::ordered_json labels;
  for (const auto& [label, frames] : {std::pair{"Total subtitle duration", s.totalDuration},
                                      {"Ideal total subtitle duration", s.idealTotalDuration},
                                      {"Average subtitle duration", averageDuration},
                                      {"Ideal average subtitle duration", idealAverage},
                                      {"Minimum subtitle duration", s.minDuration},
                                      {"Maximum subtitle duration", s.maxDuration}})
    labels[label] = FramesToLabel(frames, rate);

  nlohmann::ordered_json j;
  j["file"] = doc.filePath;
  j["statistics"] = items;
  j["labels"] = labels;
  ctx.out << j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
  return kExitOk;
}

namespace {

struct Options {
  std::string file, report;
  bool json = false;
};

Registrar reg(41, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("stats", "Print the statistics of a subtitle file");
  sub->footer(
      "Counts, averages, durations against the reading speed and layout counts.\n"
      "Examples:\n"
      "  kipo stats film.kpox\n"
      "  kipo stats film.kpox --json\n"
      "  kipo stats film.kpox --report film-report.txt   # the printed report");
  sub->add_option("file", o->file, "Subtitle file")->required();
  sub->add_flag("--json", o->json, "Print the statistics as JSON");
  sub->add_option("--report", o->report, "Also write the printed report (\"Report for ...\") to this text file");
  return [o](Context& ctx) {
    auto doc = ReadForReport(ctx, "stats", o->file);
    if (!doc) return kExitError;
    return ReportStatistics(ctx, *doc, HouseOptions::Load(ctx.settings), o->json, o->report);
  };
});

}  // namespace
}  // namespace kipo::cli
