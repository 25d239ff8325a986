#include "timing/error_list.h"

#include "core/markup.h"
#include "core/native_file.h"
#include "core/native_save.h"
#include "platform/files.h"
#include "platform/text_util.h"

namespace kipo {

std::vector<ErrorRow> BuildErrorList(const SubtitleDocument& doc, const CheckSettings& s) {
  std::vector<ErrorRow> rows;
  std::vector<Finding> found;
  const std::vector<CueFrames> cues = ReadAllCueFrames(doc);
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    found.clear();
    CollectFaults(doc, i, s, CheckMode::ErrorList, cues, found);
    for (const Finding& f : found)
      if (*Info(f.fault).listText) rows.push_back({static_cast<int>(i + 1), f.fault, ListText(f)});
  }
  return rows;
}

std::string ErrorListText(const std::vector<ErrorRow>& rows, std::string_view eol) {
  std::string t = "File contains " + std::to_string(rows.size()) + (rows.size() == 1 ? " error" : " errors");
  t += eol;
  for (const ErrorRow& r : rows) {
    t += ZeroPad(r.number, 4);
    t += '\t';
    t += r.text;
    t += eol;
  }
  return t;
}

namespace {

// Text starting at column 10 (1-based) after a left part, as a fixed-column printout sets it.
std::string Column10(const std::string& left, const std::string& right) {
  std::string s = left;
  if (s.size() < 9) s.resize(9, ' ');
  return s + right;
}

}  // namespace

std::string ErrorListFileText(const std::vector<ErrorRow>& rows, const std::string& fileName,
                              const std::string& date) {
  std::string t = "Error list for " + fileName + " created on " + date + "\r\n";
  t += "\r\n";
  t += Column10("Subtitle:", "Error:") + "\r\n";
  for (const ErrorRow& r : rows) t += Column10(ZeroPad(r.number, 4), r.text) + "\r\n";
  return t;
}

std::string LongDateText(std::time_t when) {
  std::tm tm{};
  localtime_r(&when, &tm);
  char buf[64];
  std::size_t n = std::strftime(buf, sizeof buf, "%A, %d %B %Y", &tm);
  return std::string(buf, n);
}

std::string ReportFileName(const SubtitleDocument& doc) {
  if (doc.filePath.empty()) return "[Untitled]";
  return std::filesystem::path(doc.filePath).filename().string();
}

void SaveErrorList(const std::filesystem::path& path, const std::vector<ErrorRow>& rows,
                   const SubtitleDocument& doc, std::time_t when) {
  WriteFileAtomic(path, ErrorListFileText(rows, ReportFileName(doc), LongDateText(when)));
}

FileDialog ErrorListDialog() {
  FileDialog d;
  d.title = "Save Error List";
  d.filter = "Text Files (*.txt)|*.txt";
  d.defaultExt = "txt";
  d.overwritePrompt = true;
  return d;
}

int WarnTooManyRows(const SubtitleDocument& doc, const HouseOptions& house, Prompter& prompter,
                    const std::function<bool(const std::filesystem::path&)>& open) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    std::size_t n = CountRows(doc.At(i).text);
    if (n > static_cast<std::size_t>(std::max<short>(house.maxRows, 0))) lines.push_back(TooManyRowsLine(i + 1, n));
  }
  WriteWarningList(lines);
  if (!lines.empty() && house.warnTooManyRows &&
      prompter.Ask({"", TooManyRowsQuestion(house.maxRows), Buttons::YesNo, Icon::Warning}) == Answer::Yes) {
    if (open) open(WarningListPath());
    else OpenInTextEditor(WarningListPath());
  }
  return static_cast<int>(lines.size());
}

}  // namespace kipo
