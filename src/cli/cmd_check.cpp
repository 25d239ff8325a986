// kipo check: the error list of a subtitle file, with an exit status a delivery script
// can gate on.
#include <ctime>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/file_types.h"
#include "imaging/display_measure.h"
#include "cli/caption_report.h"
#include "cli/check_report.h"
#include "platform/files.h"
#include "platform/user_error.h"
#include "settings/profiles.h"
#include "timing/error_list.h"

namespace kipo::cli {

std::optional<SubtitleDocument> ReadForReport(Context& ctx, const std::string& command, const std::string& path) {
  FileContext fc{ctx.prompter, ctx.settings};
  try {
    return ReadDocumentFile(path, fc).doc;
  } catch (const UserError& e) {
    ctx.err << "kipo " << command << ": " << e.title() << ": " << e.text() << "\n";
    return std::nullopt;
  }
}

int ReportCheck(Context& ctx, const SubtitleDocument& doc, const HouseOptions& house, const CheckReportOptions& o) {
  CheckSettings settings = CheckSettings::Load(house, ctx.settings);
  // The safe area is measured as the display sets the rows: its font, its picture.
  std::unique_ptr<RowMeasure> display;
  if (settings.Enabled(CheckGroup::SafeArea)) {
    display = MakeDisplayMeasure(DisplayGeometry::Load(ctx.settings));
    settings.display = display.get();
  }
  std::vector<ErrorRow> rows = BuildErrorList(doc, settings);
  if (!o.saveList.empty()) SaveErrorList(o.saveList, rows, doc, std::time(nullptr));
  if (o.json) {
    nlohmann::ordered_json j;
    j["file"] = doc.filePath;
    j["errors"] = rows.size();
    j["faults"] = nlohmann::json::array();
    for (const ErrorRow& r : rows) j["faults"].push_back({{"subtitle", r.number}, {"fault", r.text}});
    ctx.out << j.dump(2) << "\n";
  } else {
    ctx.out << ErrorListText(rows, "\n");
  }
  return rows.empty() ? kExitOk : kExitFindings;
}

namespace {

struct Options {
  std::string file, profile, saveList;
  bool json = false;
  bool captions = false;
};

Registrar reg(40, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("check", "Check a subtitle file against the house rules");
  sub->footer(
      "Prints the error list: a header line, then one line per fault (subtitle number,\n"
      "TAB, fault). Exit status: 0 clean, 1 faults found, 2 the file cannot be read.\n"
      "The house rules are the ones in the settings (section \"House options\"), or those of\n"
      "the profile named by --profile (your settings are left as they are).\n"
      "Examples:\n"
      "  kipo check film.kpox\n"
      "  kipo check film.kpox --save-list film-errors.txt\n"
      "  kipo check film.kpox --json > report.json\n"
      "  kipo check film.kpox --profile \"Broadcaster A\"\n"
      "  kipo check film.kpox || echo \"film.kpox needs work\"\n"
      "  kipo check --captions film.scc");
  sub->add_option("file", o->file, "Subtitle file")->required();
  sub->add_option("--profile", o->profile, "Check with a named profile's rules");
  sub->add_flag("--json", o->json, "Print the result as JSON");
  sub->add_option("--save-list", o->saveList, "Also save the error list to this text file");
  sub->add_flag("--captions", o->captions,
                "Show when each line-21 caption appears and disappears, and what cannot go out as captions");
  return [o](Context& ctx) {
    HouseOptions house = HouseOptions::Load(ctx.settings);
    if (!o->profile.empty()) {
      // The profile's rules hold for this check only: the apply writes into a scratch
      // store, so the user's own settings keep their working profile.
      SettingsStore scratch;
      if (!ProfileStore(DataFolder()).ApplyProfile(o->profile, house, scratch)) {
        ctx.err << "kipo check: no profile named \"" << o->profile << "\" (see kipo profiles list)\n";
        return kExitError;
      }
    }
    auto doc = ReadForReport(ctx, "check", o->file);
    if (!doc) return kExitError;
    if (o->captions) return ReportCaptions(ctx, *doc, o->file);
    return ReportCheck(ctx, *doc, house, {o->json, o->saveList});
  };
});

}  // namespace
}  // namespace kipo::cli
