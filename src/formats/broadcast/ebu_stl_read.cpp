// Reading EBU subtitle files.
#include <algorithm>

#include "core/markup.h"
#include "formats/broadcast/ebu_stl.h"
#include "formats/broadcast/long_lines.h"
#include "formats/broadcast/stl_language.h"
#include "formats/broadcast/stl_layout.h"
#include "formats/broadcast/stl_text.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr const char* kNotStl = "This is not a valid EBU STL file";

constexpr const char* kSignatureQuestion =
    "This does not appear to be a valid EBU STL file\n\n"
    "If the file is a Spruce Maestro DVD STL file, click No and open the file from the File, Import menu\n"
    "Clicking Yes to open as an EBU STL file may crash Kipo";

std::string TooShort(std::size_t size) {
  if (size == 0) return std::string(kNotStl) + ": the file is empty";
  return std::string(kNotStl) + ": it holds " + std::to_string(size) + " bytes, fewer than the " +
         std::to_string(kStlGsiSize) + " of the header block";
}

CueDigits CueFromBytes(const std::array<std::uint8_t, 4>& b) {
  if (b[1] == 0xFF) return {};
  CueDigits cue(8, '0');
  for (std::size_t k = 0; k < 4; ++k) {
    const int v = std::min<int>(b[k], 99);
    cue[2 * k] = static_cast<char>('0' + v / 10);
    cue[2 * k + 1] = static_cast<char>('0' + v % 10);
  }
  return cue;
}

int AlignmentFromJustification(std::uint8_t jc) {
  switch (jc) {
    case 0:
    case 1: return AlignLeft;
    case 3: return AlignRight;
    default: return AlignCentre;
  }
}

int FrameRateCode(std::string_view dfc) {
  std::string d = Trim(dfc);
  if (d == "STL30.01") return 30;
  if (d == "STL24.01") return 24;  // 24 and 23.976 fps material
  if (d == "STL50.01") return 50;
  return 25;
}

// A subtitle being gathered from its blocks.
struct Pending {
  std::vector<std::uint8_t> text;
  std::string comment;
  bool any = false;
};

}  // namespace

int StlRowFromVerticalPosition(int vp, int lines, bool teletext) {
  int row = teletext ? 11 - std::clamp(vp, 1, 22) / 2 - (lines - 1) : 11 - std::min(vp, 11) - (lines - 1);
  return std::max(row, 0);
}

bool ConfirmStlSignature(std::span<const std::uint8_t> bytes, Prompter& prompter) {
  std::string sig(bytes.begin(), bytes.begin() + std::min<std::size_t>(6, bytes.size()));
  if (sig.size() == 6 && sig.substr(3) == "STL") return true;
  return prompter.AskYesNo("", kSignatureQuestion);
}

void ReadStlHeader(std::span<const std::uint8_t> bytes, SubtitleDocument& doc) {
  if (bytes.size() < kStlGsiSize) throw InvalidFileFormat(TooShort(bytes.size()));
  StlGsi g = ParseStlGsi(bytes.first(kStlGsiSize));
  doc.SetFrameRate(FrameRateCode(g.dfc));
  for (const char* name : kStlHeaderFields) {
    std::string value = g.*FindStlGsiField(name)->member;
    bool asRead = std::string_view(name) == "TCP" || std::string_view(name) == "SLR" ||
                  std::string_view(name) == "UDA";
    // Fields kept as read lose only the padding the writer puts back.
    doc.SetProperty(std::string("STL.") + name, asRead ? TrimRight(value) : Trim(value));
  }
  StlTable table = StlTableFromCode(g.cct);
  doc.SetCharacterSet(CharsetForStlTable(table));
  // Files in the non-Latin tables are taken to be in the table's main language.
  static const char* kTableLanguage[] = {"", "56", "7E", "70", "6C"};
  std::string code = table == StlTable::Latin ? g.lc : kTableLanguage[static_cast<int>(table)];
  doc.SetLanguageId(LanguageIdForEbuCode(code));
}

StlReadResult ReadStl(std::span<const std::uint8_t> bytes, const StlReadOptions& o, Prompter& prompter) {
  StlReadResult result;
  std::vector<Subtitle> subs;
  if (bytes.size() > kStlGsiSize) subs.reserve(std::min((bytes.size() - kStlGsiSize) / kStlTtiSize, kMaxSubtitles));
  result.newEditAreaWidth = ReadStlCues(
      bytes, o, prompter, result.doc, [&subs](Subtitle&& s) { subs.push_back(std::move(s)); }, result.warnings);
  result.doc.ReplaceAll(std::move(subs));
  result.doc.modified = false;
  return result;
}

std::optional<int> ReadStlCues(std::span<const std::uint8_t> bytes, const StlReadOptions& o, Prompter& prompter,
                               SubtitleDocument& doc, const SubtitleSink& sink, std::vector<std::string>& warnings) {
  // Too short to hold a header: nothing to ask about.
  if (bytes.size() < kStlGsiSize) throw InvalidFileFormat(TooShort(bytes.size()));
  if (!ConfirmStlSignature(bytes, prompter)) throw Cancelled();
  ReadStlHeader(bytes, doc);
  const StlGsi gsi = ParseStlGsi(bytes.first(kStlGsiSize));
  StlTable table = StlTableFromCode(gsi.cct);
  std::string dsc = Trim(gsi.dsc);
  bool teletext = o.doubleHeight || o.screenEbu || dsc == "1" || dsc == "2";

  std::size_t taken = 0, longest = 0;
  Pending p;
  bool full = false;
  auto finish = [&](const StlTti& t) {
    if (taken >= kMaxSubtitles) {
      full = true;
      return;
    }
    Subtitle s;
    s.inCue = CueFromBytes(t.tci);
    s.outCue = CueFromBytes(t.tco);
    s.alignment = AlignmentFromJustification(t.jc);
    StlTextDecoding d{table, o.colours, t.jc == 0 || o.screenEbu};
    std::vector<std::string> rows = DecodeStlRows(p.text, d);
    s.text = JoinRows(rows);
    s.row = StlRowFromVerticalPosition(t.vp, std::max<int>(1, static_cast<int>(rows.size())), teletext);
    s.comment = p.comment;
    s.boxStyle = BoxNone;
    longest = LongestRow(s.text, longest);
    ++taken;
    sink(std::move(s));
    // Cleared rather than replaced: the text buffer keeps its room for the next subtitle.
    p.text.clear();
    p.comment.clear();
    p.any = false;
  };
  // The blocks are read where they lie, one at a time.
  const std::size_t blocks = (bytes.size() - kStlGsiSize) / kStlTtiSize;
  const std::size_t trailingBytes = (bytes.size() - kStlGsiSize) % kStlTtiSize;
  StlTti t, last;  // the block read, and the last text block before the closing one
  bool haveLast = false;
  for (std::size_t k = 0; k < blocks && !full; ++k) {
    t = ParseStlTti(bytes.subspan(kStlGsiSize + k * kStlTtiSize, kStlTtiSize));
    if (t.cf == 1 || t.ebn == kEbnComment) {
      std::string c = DecodeStlPlain(t.tf, table);
      if (!c.empty()) p.comment += (p.comment.empty() ? "" : " ") + c;
      p.any = true;
    } else if (t.ebn == kEbnLast) {
      p.text.insert(p.text.end(), t.tf.begin(), t.tf.end());
      finish(t);
    } else if (t.ebn <= kEbnMaxExtension) {
      p.text.insert(p.text.end(), t.tf.begin(), t.tf.end());
      p.any = true;
      last = t;
      haveLast = true;
    }
    // Blocks with the reserved numbers 0xF0-0xFD carry nothing for the subtitles.
  }
  if (p.any && !full) {
    // The file's last block is `t`.
    finish(haveLast ? last : t);
    warnings.push_back("The last subtitle of the file has no closing block; it was read as it stands");
  }
  if (full)
    warnings.push_back("The file holds more than " + std::to_string(kMaxSubtitles) +
                       " subtitles; the rest were not read");
  if (trailingBytes > 0)
    warnings.push_back("The file ends with " + std::to_string(trailingBytes) +
                       " bytes that do not make a whole block; they were ignored");
  return AskToWidenEditArea(longest, o.editAreaWidth, prompter);
}

}  // namespace kipo
