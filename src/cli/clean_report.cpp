#include "cli/clean_report.h"

#include <ostream>

#include "app/file_types.h"
#include "platform/text_util.h"

namespace kipo::cli {

std::string OneLineText(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += '|';
      ++i;
    } else if (c >= 1 && c <= 7) {
      out += "{" + std::to_string(static_cast<int>(c)) + "}";
    } else {
      out += c;
    }
  }
  return out;
}

int CleanFileCommand(Context& ctx, const std::string& file, const std::string& output, const CleanSettings& settings,
                     CleanKind kind) {
  FileContext files{ctx.prompter, ctx.settings};
  LoadedDocument loaded = ReadDocumentFile(file, files);
  CleanReport report = CleanDocument(loaded.doc, settings, kind);
  ctx.out << report.Title() << "\n";
  for (const CleanReportRow& row : report.rows)
    ctx.out << row.number << "\t" << row.description << "\t" << OneLineText(row.formerText()) << "\n";
  ctx.err << report.rows.size() << " change(s) in " << report.changedSubtitles << " of " << loaded.doc.Count()
          << " subtitle(s)\n";
  const std::string target = output.empty() ? file : output;
  if (report.changedSubtitles > 0 || target != file) {
    for (const std::string& w : WriteDocumentFile(loaded.doc, target, files)) ctx.err << "warning: " << w << "\n";
  }
  return kExitOk;
}

}  // namespace kipo::cli
