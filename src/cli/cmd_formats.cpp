// kipo formats: the export catalogue and the file types, with what each can read and write;
// with --json also every format of the registry by id.
#include <nlohmann/json.hpp>
#include <cstdio>
#include <ostream>

#include "app/file_types.h"
#include "app/text_exporters.h"
#include "cli/cli.h"
#include "formats/registry.h"
#include "platform/text_util.h"

namespace kipo::cli {
namespace {

bool CanRead(const ExportFormat& f) {
  const Format* format = FormatOf(f);
  return format && format->CanRead();
}

std::string EncodingList(const ExportFormat& f) {
  std::string s;
  for (TextEncoding e : f.Encodings()) s += (s.empty() ? "" : ",") + std::string(TextEncodingName(e));
  return s;
}

int RunFormats(Context& ctx, bool json) {
  if (json) {
    nlohmann::json j;
    j["export"] = nlohmann::json::array();
    for (const ExportFormat& f : ExportCatalogue()) {
      nlohmann::json e;
      e["position"] = f.position;
      e["id"] = f.formatId;
      e["name"] = f.name;
      e["category"] = f.category;
      e["type"] = f.type;
      e["extension"] = f.defaultExt;
      e["filter"] = f.filter;
      e["encodings"] = nlohmann::json::array();
      for (TextEncoding enc : f.Encodings()) e["encodings"].push_back(TextEncodingName(enc));
      e["optionsDialog"] = f.optionsDialog;
      e["options"] = ExportOptionKeys(f.name);
      e["write"] = HasExporter(f.name);
      e["read"] = CanRead(f);
      j["export"].push_back(e);
    }
    j["import"] = nlohmann::json::array();
    for (const ImportFormat& f : ImportCatalogue())
      j["import"].push_back({{"name", f.name},
                             {"fileType", f.fileType},
                             {"available", !f.fileType.empty() && FindFileType(f.fileType) != nullptr}});
    j["fileTypes"] = nlohmann::json::array();
    for (const FileType& t : FileTypes())
      j["fileTypes"].push_back({{"extension", t.extension},
                                {"name", t.name},
                                {"id", t.format->id},
                                {"read", bool(t.read)},
                                {"write", bool(t.write)}});
    j["formats"] = nlohmann::json::array();
    for (const Format& f : Formats())
      j["formats"].push_back(
          {{"id", f.id}, {"name", f.name}, {"extensions", f.extensions}, {"read", f.CanRead()}, {"write", f.CanWrite()}});
    ctx.out << j.dump(2) << "\n";
    return kExitOk;
  }
  ctx.out << "Export formats (R = kipo can read it, W = kipo can write it):\n";
  for (const ExportFormat& f : ExportCatalogue()) {
    char line[256];
    std::snprintf(line, sizeof line, "%3d %c%c %-40s %-27s %-9s %s\n", f.position, CanRead(f) ? 'R' : '-',
                  HasExporter(f.name) ? 'W' : '-', f.name.c_str(), f.category.c_str(), f.type.c_str(),
                  HasExporter(f.name) ? ("." + f.defaultExt + " " + EncodingList(f)).c_str() : "");
    ctx.out << line;
  }
  ctx.out << "\nFile types of kipo convert (by extension):\n";
  for (const FileType& t : FileTypes())
    ctx.out << "  ." << ToLowerAscii(t.extension) << "  " << (t.read ? "R" : "-") << (t.write ? "W" : "-") << "  "
            << t.name << "\n";
  return kExitOk;
}

Registrar reg(30, [](CLI::App& app) -> Handler {
  auto json = std::make_shared<bool>(false);
  auto* sub = app.add_subcommand("formats", "List the export formats and the file types kipo reads and writes");
  sub->add_flag("--json", *json, "Print the lists as JSON");
  sub->footer("Examples:\n  kipo formats\n  kipo formats --json | jq '.export[] | select(.write)'");
  return [json](Context& ctx) { return RunFormats(ctx, *json); };
});

}  // namespace
}  // namespace kipo::cli
