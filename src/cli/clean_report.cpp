#include "cli/clean_report.h"

#include <ostream>

#include "app/file_types.h"
#include "core/markup.h"
#include "core/rich_text.h"
#include "platform/text_util.h"

namespace kipo::cli {

const char* ColourName(char code) {
  static const char* const kNames[] = {"default", "red", "green", "yellow", "blue", "magenta", "cyan", "white"};
  return code >= 0 && code <= 7 ? kNames[static_cast<int>(code)] : "";
}

std::string OneLineText(const std::string& text, std::string_view rowSeparator) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out += rowSeparator;
      ++i;
    } else if (IsColourCode(c)) {
      out += std::string("{") + ColourName(c) + "}";
    } else if (char literal = StandInAt(std::string_view(text).substr(i)); literal != '\0') {
      // A markup character read from a file as a plain one shows as itself.
      out += literal;
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

int CleanFileCommand(Context& ctx, const std::string& file, const std::string& output, const CleanSettings& settings,
                     CleanKind kind) {
  // Contradictory stored rules are refused before anything is read, as the rules window
  // refuses them.
  if (settings.steps.punctuation) ValidatePunctuationRules(settings.rules);
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
