#include "formats/exchange/sami.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "formats/exchange/cue_text.h"
#include "formats/exchange/script_text.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

long CueMillis(const Cue& cue, const FrameRate& rate) {
  std::string_view d = cue.digits();
  auto num = [&](std::size_t at) { return (d[at] - '0') * 10 + (d[at + 1] - '0'); };
  return num(0) * 3600000L + num(2) * 60000L + num(4) * 1000L + std::stoi(FramesToMillis(num(6), rate));
}

CueDigits MillisCue(long ms, const FrameRate& rate) {
  ClockTime t;
  if (ms < 0) ms = 0;
  if (ms > 359999999L) ms = 359999999L;
  t.hours = static_cast<int>(ms / 3600000);
  t.minutes = static_cast<int>(ms / 60000 % 60);
  t.seconds = static_cast<int>(ms / 1000 % 60);
  t.millis = static_cast<int>(ms % 1000);
  return ClockToDigits(t, rate);
}

// Case-insensitive search for a lower-case needle.
std::size_t FindNoCase(std::string_view hay, std::string_view needle, std::size_t from = 0) {
  if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
  if (hay.size() < needle.size()) return std::string_view::npos;
  const char first = needle[0];
  const bool letter = first >= 'a' && first <= 'z';
  const std::size_t last = hay.size() - needle.size();
  for (std::size_t i = from; i <= last; ++i) {
    if (letter) {
      // A letter and its capital differ in the 0x20 bit alone.
      if ((hay[i] | 0x20) != first) continue;
    } else {
      // A needle that starts with a mark ("<sync", "</p"): its places found with memchr.
      const void* at = std::memchr(hay.data() + i, first, last + 1 - i);
      if (!at) return std::string_view::npos;
      i = static_cast<std::size_t>(static_cast<const char*>(at) - hay.data());
    }
    std::size_t k = 1;
    for (; k < needle.size(); ++k) {
      char a = hay[i + k];
      if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
      if (a != needle[k]) break;
    }
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

// A SYNC's tags found in one pass over the '<' from its start tag on: where the next SYNC
// starts, where each P starts and ends before it and where a "</SYNC" stands (what
// FindNoCase finds for "<sync", "<p", "</p" and "</sync"), as places in the text. The
// passes of all SYNCs and their start tags cover the file from the first SYNC on, so they
// also find the first "</BODY" after it (searching the whole file for it first read every
// '<' of the file once more).
struct SyncTags {
  std::size_t next = std::string_view::npos;
  std::size_t bodyEnd = std::string_view::npos;  // the first "</body" passed so far
  std::vector<std::size_t> opens, closes, syncCloses;

  void Scan(std::string_view text, std::size_t from) {
    next = std::string_view::npos;
    opens.clear();
    closes.clear();
    syncCloses.clear();
    // The names are "<", "/" and lower-case letters; a letter and its capital differ in
    // the 0x20 bit alone.
    auto lower = [&](std::size_t k) { return static_cast<char>(text[k] | 0x20); };
    auto is = [&](std::size_t i, std::string_view name) {
      if (i + name.size() > text.size()) return false;
      for (std::size_t k = 1; k < name.size(); ++k)
        if ((name[k] == '/' ? text[i + k] : lower(i + k)) != name[k]) return false;
      return true;
    };
    for (std::size_t i = text.find('<', from); i != std::string_view::npos; i = text.find('<', i + 1)) {
      if (i + 2 > text.size()) break;
      const char second = lower(i + 1);
      if (second == 's' && is(i, "<sync")) {
        next = i;
        return;
      }
      if (second == 'p') {
        opens.push_back(i);
      } else if (text[i + 1] == '/' && i + 3 <= text.size()) {
        const char third = lower(i + 2);
        if (third == 'p') closes.push_back(i);
        else if (third == 's' && is(i, "</sync")) syncCloses.push_back(i);
        else if (third == 'b' && bodyEnd == std::string_view::npos && is(i, "</body")) bodyEnd = i;
      }
    }
  }
  // A start tag [from, to) read for a "</body" (a damaged file's tag can hold one).
  void ScanTag(std::string_view text, std::size_t from, std::size_t to) {
    if (bodyEnd != std::string_view::npos || to - from < 2 || !std::memchr(text.data() + from + 1, '<', to - from - 1))
      return;
    const std::size_t at = FindNoCase(text.substr(from, to - from), "</body");
    if (at != std::string_view::npos) bodyEnd = from + at;
  }
  // The first of `places` from `from` on and before `end`; npos when there is none.
  static std::size_t First(const std::vector<std::size_t>& places, std::size_t from, std::size_t end) {
    auto it = std::lower_bound(places.begin(), places.end(), from);
    return it != places.end() && *it < end ? *it : std::string_view::npos;
  }
};

// The value of an attribute inside a tag ("Start=1000", "start = '1000'", "Class=ENCC").
// `name` is lower-case letters, and a letter or its capital differ in the 0x20 bit alone;
// the tag's name (`skip` bytes: "<sync", "<p") holds no attribute.
std::string_view Attribute(std::string_view tag, std::string_view name, std::size_t skip = 0) {
  auto find = [&](std::size_t from) {
    for (std::size_t i = from; i + name.size() <= tag.size(); ++i) {
      if ((tag[i] | 0x20) != name[0]) continue;
      std::size_t k = 1;
      while (k < name.size() && (tag[i + k] | 0x20) == name[k]) ++k;
      if (k == name.size()) return i;
    }
    return std::string_view::npos;
  };
  std::size_t p = find(std::min(skip, tag.size()));
  while (p != std::string_view::npos) {
    std::size_t q = p + name.size();
    while (q < tag.size() && tag[q] == ' ') ++q;
    if (q < tag.size() && tag[q] == '=') {
      ++q;
      while (q < tag.size() && tag[q] == ' ') ++q;
      char quote = q < tag.size() && (tag[q] == '"' || tag[q] == '\'') ? tag[q] : '\0';
      if (quote) ++q;
      std::size_t end = q;
      if (quote) {
        while (end < tag.size() && tag[end] != quote) ++end;
      } else {
        while (end < tag.size() && tag[end] != ' ' && tag[end] != '>') ++end;
      }
      return tag.substr(q, end - q);
    }
    p = find(p + 1);
  }
  return {};
}

bool IsRowSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// A caption of nothing but spaces and "&nbsp;" clears the screen: what the tag reader
// would make of it is blank.
bool IsBlankMarkup(std::string_view caption) {
  for (std::size_t i = 0; i < caption.size();) {
    if (caption[i] == ' ') ++i;
    else if (caption.substr(i, 6) == "&nbsp;") i += 6;
    else return false;
  }
  return true;
}

// The rows without the spaces around them (the HTML's layout) and without leading
// no-break spaces; rows that are empty at the start are dropped.
std::string TrimmedRows(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find("\r\n", start);
    std::string_view row = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    while (!row.empty() && IsRowSpace(row.front())) row.remove_prefix(1);
    while (!row.empty() && IsRowSpace(row.back())) row.remove_suffix(1);
    while (row.starts_with("\xC2\xA0")) row.remove_prefix(2);
    if (!out.empty()) out += "\r\n";
    out += row;
    if (end == std::string_view::npos) return out;
    start = end + 2;
  }
}

std::string HtmlEscape(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

bool IsBlankCaption(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    if (text.substr(i).starts_with("\xC2\xA0")) i += 2;
    else if (text[i] == ' ' || text[i] == '\r' || text[i] == '\n' || text[i] == '\t') ++i;
    else return false;
  }
  return true;
}

}  // namespace

std::string WriteSami(const SubtitleDocument& doc, const SamiOptions& o, Warnings& warnings) {
  const FrameRate& rate = doc.frameRate();
  std::string title = o.title;
  if (title.empty()) title = std::filesystem::path(doc.filePath).stem().string();
  std::string out;
  out.reserve(doc.Count() * 90 + 600);
  out += "<SAMI>\r\n<HEAD>\r\n<TITLE>" + HtmlEscape(title) + "</TITLE>\r\n";
  out += "<SAMIParam>\r\n  Metrics {time:ms;}\r\n  Spec {MSFT:1.0;}\r\n</SAMIParam>\r\n";
  out += "<STYLE TYPE=\"text/css\">\r\n<!--\r\n";
  out += "P { margin-left: 8pt; margin-right: 8pt; margin-bottom: 2pt; margin-top: 2pt;\r\n";
  out += "    text-align: center; font-size: " + std::to_string(o.fontSize) + "pt; font-family: " + o.fontName +
         ";\r\n    font-weight: normal; color: white; background-color: black; }\r\n";
  out += "." + o.className + " { Name: " + o.languageName + "; lang: " + o.languageCode + "; SAMIType: CC; }\r\n";
  out += "-->\r\n</STYLE>\r\n</HEAD>\r\n<BODY>\r\n";
  const std::string p = "<P Class=" + o.className + ">";
  const auto& subs = doc.Subtitles();
  for (std::size_t i = 0; i < subs.size(); ++i) {
    const Subtitle& s = subs[i];
    if (!s.inCue.IsSet()) continue;
    const long in = CueMillis(s.inCue, rate);
    out += "<SYNC Start=" + std::to_string(in) + ">" + p;
    std::string text = s.italic && !HasItalicMarkers(s.text) ? kItalicOn + s.text + kItalicOff : s.text;
    TagWriter tags({.escapeAll = true, .colours = true});
    bool first = true;
    for (const std::string& row : SplitRows(text)) {
      if (!first) out += "<br>";
      first = false;
      tags.AppendRow(out, row);
    }
    out += "</P></SYNC>\r\n";
    // The screen is cleared at the out cue unless the next caption starts there.
    const bool next = i + 1 < subs.size() && subs[i + 1].inCue.IsSet();
    const long out_ = CueMillis(OutCueOf(s), rate);
    if (s.outCue.IsSet() && (!next || CueMillis(subs[i + 1].inCue, rate) != out_))
      out += "<SYNC Start=" + std::to_string(out_) + ">" + p + "&nbsp;</P></SYNC>\r\n";
  }
  out += "</BODY>\r\n</SAMI>\r\n";
  (void)warnings;
  return out;
}

SubtitleDocument ReadSami(std::string_view text, const FrameRate& rate, Warnings& warnings) {
  text = StripBomChar(text);
  CueCollector cues(warnings);
  std::string firstClass;
  bool otherClass = false, any = false;
  Subtitle* open = nullptr;  // the caption still on screen
  std::size_t p = FindNoCase(text, "<sync");
  SyncTags tags;
  // Kept from caption to caption: a caption that must be changed before reading, and the
  // text read from its tags.
  std::string changed, read;
  std::string_view takenClass;  // the first class as the last caption taken spells it
  while (p != std::string_view::npos) {
    std::size_t tagEnd = text.find('>', p);
    if (tagEnd == std::string_view::npos) break;
    std::string_view tag = text.substr(p, tagEnd - p);
    tags.ScanTag(text, p, tagEnd);
    tags.Scan(text, tagEnd);
    std::size_t next = tags.next;
    // Up to the first "</BODY" after the first SYNC; a SYNC after it takes the rest of the
    // file.
    std::size_t end = std::min(next, tags.bodyEnd);
    std::string_view body = text.substr(tagEnd + 1, end == std::string_view::npos ? std::string_view::npos : end - tagEnd - 1);
    p = next;
    const std::string_view start = Attribute(tag, "start", 5);
    long ms = 0;
    bool number = !start.empty() && start.size() < 10;
    for (char c : start) number = number && c >= '0' && c <= '9';
    if (!number) {
      cues.Skipped("A SYNC element without a start time was skipped", tag);
      continue;
    }
    any = true;
    for (char c : start) ms = ms * 10 + (c - '0');
    const CueDigits at = MillisCue(ms, rate);
    if (open) {
      open->outCue = at;
      open = nullptr;
    }
    // The first P element of the first class; P elements of other classes (other languages)
    // are left out.
    std::string_view caption;
    // Places in the body of the first <P> and </P> from a place on: from the scan, unless
    // the body runs past the next SYNC (a SYNC after </BODY> takes the rest of the file).
    const std::size_t bodyStart = tagEnd + 1, bodyLimit = bodyStart + body.size();
    const bool scanned = next == std::string_view::npos || bodyLimit <= next;
    auto first = [&](const std::vector<std::size_t>& places, std::size_t from, std::string_view needle) {
      if (!scanned) return FindNoCase(body, needle, from);
      const std::size_t at = SyncTags::First(places, bodyStart + from, bodyLimit);
      return at == std::string_view::npos ? at : at - bodyStart;
    };
    std::size_t q = first(tags.opens, 0, "<p");
    if (q == std::string_view::npos) caption = body;
    while (q != std::string_view::npos) {
      std::size_t qEnd = body.find('>', q);
      if (qEnd == std::string_view::npos) break;
      const std::string_view cls = Attribute(body.substr(q, qEnd - q), "class", 2);
      const std::size_t after = first(tags.opens, qEnd, "<p"), close = first(tags.closes, qEnd, "</p");
      const std::size_t stop = std::min(after, close);
      if (firstClass.empty()) firstClass = ToLowerAscii(cls);
      // Captions name their class the same way throughout: the spelling last taken is
      // compared first.
      const bool ofFirstClass = (!takenClass.empty() && cls == takenClass) || EqualsIgnoreCase(cls, firstClass);
      if (ofFirstClass) {
        takenClass = cls;
        caption = body.substr(qEnd + 1, stop == std::string_view::npos ? std::string_view::npos : stop - qEnd - 1);
        // Another P in the same SYNC is another language's caption.
        otherClass = otherClass || after != std::string_view::npos;
        break;
      }
      otherClass = true;
      q = after;
    }
    // A line end in the file (CR LF, LF or CR) and a tab are one space to HTML, and so is a
    // run of them with the spaces around it (a caption wrapped and indented in the file);
    // rows end at <br>. A "</SYNC>" inside the caption is left out. Most captions have
    // neither and are read where they lie.
    const std::size_t captionAt = caption.empty() ? 0 : static_cast<std::size_t>(caption.data() - text.data());
    const bool hasSyncClose =
        !scanned || SyncTags::First(tags.syncCloses, captionAt, captionAt + caption.size()) != std::string_view::npos;
    auto has = [&](char c) { return !caption.empty() && std::memchr(caption.data(), c, caption.size()) != nullptr; };
    if (hasSyncClose || has('\r') || has('\n') || has('\t')) {
      changed.clear();
      auto isBreak = [](char c) { return c == '\r' || c == '\n' || c == '\t'; };
      for (std::size_t k = 0; k < caption.size(); ++k) {
        const char c = caption[k];
        if (!isBreak(c)) {
          changed += c;
          continue;
        }
        while (!changed.empty() && changed.back() == ' ') changed.pop_back();
        changed += ' ';
        while (k + 1 < caption.size() && (isBreak(caption[k + 1]) || caption[k + 1] == ' ')) ++k;
      }
      for (std::size_t k = FindNoCase(changed, "</sync"); k != std::string::npos; k = FindNoCase(changed, "</sync"))
        changed.erase(k, changed.find('>', k) == std::string::npos ? std::string::npos : changed.find('>', k) - k + 1);
      caption = changed;
    }
    if (IsBlankMarkup(caption)) continue;  // the screen cleared
    Subtitle s;
    s.inCue = at;
    TagReader reader;
    read.clear();
    reader.AppendLine(read, caption);
    if (IsBlankCaption(read)) continue;
    // Spaces around the rows are layout of the HTML, not text.
    s.text = TrimmedRows(read);
    if (!cues.Add(std::move(s))) break;
    open = cues.Last();
  }
  if (open)
    warnings.push_back("The last caption is not cleared by a SYNC after it and was read without an out cue");
  if (otherClass) warnings.push_back("Only the captions of the first language class were read");
  if (!any) cues.Finish(rate, "This is not a valid SAMI file");
  if (cues.Count() == 0) return cues.Finish(rate, "", true);
  return cues.Finish(rate, "This is not a valid SAMI file");
}

}  // namespace kipo
