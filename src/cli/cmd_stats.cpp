// kipo stats: the statistics report of a subtitle file.
#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/check_report.h"
#include "platform/text_util.h"
#include "timing/statistics.h"

namespace kipo::cli {

int ReportStatistics(Context& ctx, const SubtitleDocument& doc, const HouseOptions& house, bool json) {
  TimingParameters p = TimingParameters::From(house, doc.frameRate());
  ReadingOptions reading = ReadingOptions::Load(ctx.settings);
  if (!json) {
    ctx.out << BuildStatistics(doc, p, reading, "\n");
    return kExitOk;
  }
  nlohmann::ordered_json j;
  j["file"] = doc.filePath;
  nlohmann::ordered_json items;
  for (const auto& [label, value] : StatisticsItems(ComputeStatistics(doc, p, reading), doc, p)) {
    if (label == "Errors") continue;  // a heading
    long n = 0;
    // Counts become numbers; durations, averages and figures with a note stay text.
    if (!value.empty() && value.find_first_not_of("0123456789") == std::string::npos &&
        ParseInt(value, n))
      items[label] = n;
    else
      items[label] = value;
  }
  j["statistics"] = items;
  ctx.out << j.dump(2) << "\n";
  return kExitOk;
}

namespace {

struct Options {
  std::string file;
  bool json = false;
};

Registrar reg(41, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("stats", "Print the statistics of a subtitle file");
  sub->footer(
      "Counts, averages, durations against the reading speed and layout counts.\n"
      "Examples:\n"
      "  kipo stats film.kpox\n"
      "  kipo stats film.kpox --json");
  sub->add_option("file", o->file, "Subtitle file")->required();
  sub->add_flag("--json", o->json, "Print the statistics as JSON");
  return [o](Context& ctx) {
    auto doc = ReadForReport(ctx, "stats", o->file);
    if (!doc) return kExitError;
    return ReportStatistics(ctx, *doc, HouseOptions::Load(ctx.settings), o->json);
  };
});

}  // namespace
}  // namespace kipo::cli
