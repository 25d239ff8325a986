#include "formats/exchange/excel_csv.h"

#include <algorithm>
#include <array>

#include "formats/exchange/script_text.h"

namespace kipo {
namespace {

// A field as it stands, or quoted with its quotes doubled when it holds a separator.
void AppendField(std::string& out, std::string_view v) {
  if (v.find_first_of(",;\"\r\n\t") == std::string_view::npos) {
    out += v;
    return;
  }
  out += '"';
  for (std::size_t q; (q = v.find('"')) != std::string_view::npos; v.remove_prefix(q + 1)) {
    out += v.substr(0, q + 1);
    out += '"';
  }
  out += v;
  out += '"';
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
  std::string row;
  for (const Subtitle& s : doc.Subtitles()) {
    out += std::to_string(++n);
    out += ',';
    AppendFrameLabel(out, s.inCue);
    out += ',';
    AppendFrameLabel(out, OutCueOf(s));
    out += ',';
    row.clear();
    text.AppendText(row, s);
    AppendField(out, row);
    out += "\r\n";
  }
  text.Finish(warnings);
  return out;
}

std::vector<std::vector<std::string>> ReadDelimited(std::string_view text, char sep) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::vector<std::string>> records;
  std::size_t lineFeeds = 0;
  for (std::size_t p = text.find('\n'); p != std::string_view::npos; p = text.find('\n', p + 1)) ++lineFeeds;
  records.reserve(lineFeeds + 1);
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
  // The bytes that end a run of a field's characters outside quotes.
  std::array<bool, 256> stops{};
  stops[static_cast<unsigned char>(sep)] = stops['\r'] = stops['\n'] = stops['"'] = true;
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    any = true;
    if (quoted) {
      // Up to the next quote: a doubled quote is one of the field's characters, a single
      // one ends the quoted part.
      const std::size_t q = std::min(text.find('"', i), n);
      field.append(text.substr(i, q - i));
      if (q == n) break;
      if (q + 1 < n && text[q + 1] == '"') {
        field += '"';
        i = q + 2;
      } else {
        quoted = false;
        i = q + 1;
      }
      continue;
    }
    const char c = text[i];
    if (c == '"' && field.empty() && !wasQuoted) {
      quoted = wasQuoted = true;
      ++i;
    } else if (c == sep) {
      endField();
      ++i;
    } else if (c == '\r' || c == '\n') {
      i += (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
      endRecord();
      any = false;
    } else {
      // The character as it stands (a quote inside a field included) and those after it
      // up to the next stop.
      std::size_t e = i + 1;
      while (e < n && !stops[static_cast<unsigned char>(text[e])]) ++e;
      field.append(text.substr(i, e - i));
      i = e;
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
  const ScriptMarkupReader markup(marks);
  const auto records = ReadDelimited(text, GuessSeparator(text));
  cues.Reserve(records.size());
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
    if (k < record.size()) s.text = markup(record[k]);
    if (!cues.Add(std::move(s))) break;
  }
  return cues.Finish(rate, "This is not a valid CSV subtitle file", records.empty());
}

}  // namespace kipo
