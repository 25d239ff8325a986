#include "formats/exchange/excel_csv.h"

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

std::string Field(std::string_view v) {
  if (v.find_first_of(",;\"\r\n\t") == std::string_view::npos) return std::string(v);
  std::string out = "\"";
  for (char c : v) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

ScriptMarks Marks(std::string_view lineBreak) {
  return ScriptMarks{"<i>", "</i>", "", "", lineBreak.empty() ? std::string_view(kDefaultCsvLineBreak) : lineBreak};
}

}  // namespace

std::string WriteExcelCsv(const SubtitleDocument& doc, std::string_view lineBreak, Warnings& warnings) {
  ScriptTextWriter text("Microsoft Excel CSV", Marks(lineBreak));
  std::string out = "Number,In cue,Out cue,Text\r\n";
  out.reserve(doc.Count() * 64);
  std::size_t n = 0;
  for (const Subtitle& s : doc.Subtitles()) {
    out += std::to_string(++n) + ',' + FrameLabel(s.inCue) + ',' + FrameLabel(OutCueOf(s)) + ',';
    out += Field(text.Text(s));
    out += "\r\n";
  }
  text.Finish(warnings);
  return out;
}

std::vector<std::vector<std::string>> ReadDelimited(std::string_view text, char sep) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false, wasQuoted = false, any = false;
  auto endField = [&] {
    record.push_back(std::move(field));
    field.clear();
    wasQuoted = false;
  };
  auto endRecord = [&] {
    endField();
    if (!(record.size() == 1 && record[0].empty())) records.push_back(std::move(record));
    record.clear();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    any = true;
    if (quoted) {
      if (c == '"') {
        if (i + 1 < text.size() && text[i + 1] == '"') {
          field += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else {
        field += c;
      }
    } else if (c == '"' && field.empty() && !wasQuoted) {
      quoted = wasQuoted = true;
    } else if (c == sep) {
      endField();
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      endRecord();
      any = false;
    } else {
      field += c;
    }
  }
  if (any || !field.empty() || !record.empty()) endRecord();
  return records;
}

char GuessSeparator(std::string_view text) {
  std::size_t end = text.find_first_of("\r\n");
  std::string_view first = text.substr(0, end);
  std::size_t commas = 0, semis = 0, tabs = 0;
  for (char c : first) {
    commas += c == ',';
    semis += c == ';';
    tabs += c == '\t';
  }
  if (tabs >= commas && tabs >= semis && tabs > 0) return '\t';
  return semis > commas ? ';' : ',';
}

SubtitleDocument ReadExcelCsv(std::string_view text, const FrameRate& rate, std::string_view lineBreak,
                              Warnings& warnings) {
  CueCollector cues(warnings);
  const ScriptMarks marks = Marks(lineBreak);
  const auto records = ReadDelimited(text, GuessSeparator(text));
  bool first = true;
  for (const auto& record : records) {
    std::size_t k = 0;
    std::optional<CueDigits> in, out;
    for (; k < record.size() && !in; ++k) in = FrameLabelField(record[k], rate);
    if (in && k < record.size()) out = FrameLabelField(record[k++], rate);
    if (!in || !out) {
      bool blank = true;
      for (const std::string& f : record) blank = blank && TrimView(f).empty();
      if (!first && !blank) cues.Skipped("A row without two cues was skipped", record.empty() ? "" : record[0]);
      first = false;
      continue;
    }
    first = false;
    Subtitle s;
    s.inCue = *in;
    s.outCue = *out;
    if (k < record.size()) s.text = ScriptTextToMarkup(record[k], marks);
    if (!cues.Add(std::move(s))) break;
  }
  return cues.Finish(rate, "This is not a valid CSV subtitle file", records.empty());
}

}  // namespace kipo
