// Writing EBU subtitle files.
#include <algorithm>
#include <cstdlib>
#include <ctime>

#include "formats/broadcast/ebu_stl.h"
#include "formats/broadcast/stl_language.h"
#include "formats/broadcast/stl_layout.h"
#include "formats/broadcast/stl_text.h"
#include "platform/encoding.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

constexpr const char* kFrameRateMessage =
    "EBU files only support frame rates of 25 and 30 fps. Your file has been saved with the "
    "default frame rate of 25 fps.";

std::string Today() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[16];
  std::strftime(buf, sizeof buf, "%y%m%d", &tm);
  return buf;
}

// A cue as four bytes (hours, minutes, seconds, frames). A cue that is not set is
// written with minutes 0xFF, which readers take as "no cue".
std::array<std::uint8_t, 4> CueBytes(const CueDigits& cue) {
  bool complete = cue.size() == 8 && std::all_of(cue.begin(), cue.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!complete) return {0, 0xFF, 0, 0};
  std::array<std::uint8_t, 4> b{};
  for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>((cue[2 * i] - '0') * 10 + (cue[2 * i + 1] - '0'));
  return b;
}

std::string DiskFormat(const SubtitleDocument& doc, Prompter& prompter) {
  switch (doc.frameRate().countingRate()) {
    case 25: return "STL25.01";
    case 30: return "STL30.01";  // 30 and 29.97
    case 24: return "STL24.01";  // 24 and 23.976
    default:
      // Cues are written unchanged: the labels stay what the subtitler typed.
      prompter.Inform("", kFrameRateMessage);
      return "STL25.01";
  }
}

// The language code a file was read with is kept while the document's language is still
// the one it read as (for the non-Latin tables the reader takes the table's language);
// a changed language writes the code of the new one.
std::string LanguageCode(const SubtitleDocument& doc, StlTable table) {
  static const char* kTableLanguage[] = {"", "56", "7E", "70", "6C"};
  std::string kept = ToUpperAscii(Trim(doc.Property("STL.LC")));
  std::int32_t id = doc.languageId();
  bool unchanged = table == StlTable::Latin
                       ? LanguageIdForEbuCode(kept) == id
                       : LanguageIdForEbuCode(kTableLanguage[static_cast<int>(table)]) == id;
  if (kept.size() == 2 && !EbuLanguageName(kept).empty() && unchanged) return kept;
  return EbuLanguageCode(id);
}

std::string ProgrammeStart(const SubtitleDocument& doc) {
  std::string digits;
  for (char c : doc.Property("STL.TCP"))
    if (c >= '0' && c <= '9') digits.push_back(c);
  return digits.size() == 8 ? digits : "00000000";
}

std::string RevisionNumber(const SubtitleDocument& doc) {
  std::string rn = Trim(doc.Property("STL.RN"));
  if (rn.empty()) return " 1";
  return rn.size() == 1 ? " " + rn : rn;  // a single digit stands right-aligned
}

std::string ListCharacters(const std::vector<char32_t>& cs) {
  std::string s;
  for (char32_t c : cs) {
    if (!s.empty()) s += " ";
    AppendUtf8(s, c);
  }
  return s;
}

std::string SubtitleLabel(std::size_t index) { return "Subtitle " + ZeroPad(static_cast<long>(index + 1), 4); }

void AppendBlock(StlTti t, std::span<const std::uint8_t> text, ByteWriter& out) {
  std::fill(t.tf.begin(), t.tf.end(), stl::kUnused);
  std::copy(text.begin(), text.end(), t.tf.begin());
  AppendStlTti(t, out);
}

}  // namespace

int StlVerticalPosition(int n, int row, const StlWriteOptions& o) {
  if (o.force23 && o.force23ZeroBased) {
    static constexpr int kRows[] = {0, 1, 3, 7, 9, 11, 13, 15, 17, 19, 21, 23};
    int x = std::abs(row - 11) - n + 1;
    int vp = (x >= 1 && x <= 11) ? kRows[x] : 0;
    return vp < 1 || vp == 2 ? 1 : vp;
  }
  // Teletext: two teletext rows per text line, the lowest line on row 22. Row 0 is the
  // page header, so a subtitle at the top starts on row 1.
  if (o.doubleHeight || o.screenEbu || o.force23) {
    const int vp = 24 - 2 * n - 2 * row;
    return vp == 0 ? 1 : vp;
  }
  return 12 - n - row;
}

StlWriter::StlWriter(const SubtitleDocument& header, StlWriteOptions options)
    : header_(header), o_(std::move(options)), table_(StlTableForCharset(header.characterSet())) {}

void StlWriter::Add(const Subtitle& s, ByteWriter& out, std::vector<std::string>& warnings) {
  const StlWriteOptions& o = o_;
  const StlTable table = table_;
  const std::size_t i = count_++;
  if (i == 0 && CueBytes(s.inCue)[1] != 0xFF) firstIn_ = s.inCue.digits();
  StlTti t;
  t.sn = static_cast<std::uint16_t>(o.subtitleZero ? i : i + 1);
  t.tci = CueBytes(s.inCue);
  t.tco = CueBytes(s.outCue);
  int lines = 1;
  for (std::size_t p = s.text.find(kCrLf); p != std::string::npos; p = s.text.find(kCrLf, p + 2)) ++lines;
  int vp = StlVerticalPosition(lines, s.row, o);
  // Teletext has no subtitle rows above row 1 (row 0 is the page header).
  const int lowest = o.doubleHeight || o.screenEbu || o.force23 ? 1 : 0;
  if (vp < lowest || vp > 255) {
    vp = std::clamp(vp, lowest, 255);
    warnings.push_back(SubtitleLabel(i) + ": row " + std::to_string(s.row) +
                       " is outside the screen; vertical position " + std::to_string(vp) + " written");
  }
  t.vp = static_cast<std::uint8_t>(vp);
  switch (s.alignment) {
    case AlignLeft: t.jc = o.screenEbu ? 0 : 1; break;
    case AlignRight: t.jc = 3; break;
    case AlignCentreLeft: t.jc = 0; break;
    default: t.jc = 2; break;
  }

  std::vector<char32_t> unmappable;
  if (!Trim(s.comment).empty()) {
    if (!o.saveComments) {
      ++commentsLeftOut_;
    } else {
      std::string c = EncodeStlPlain(s.comment, table, unmappable);
      if (c.size() > kStlTextSize) {
        c.resize(kStlTextSize);
        // Never end on a diacritic whose letter was cut off.
        if (table == StlTable::Latin && (std::uint8_t)c.back() >= 0xC1 && (std::uint8_t)c.back() <= 0xCF) c.pop_back();
        warnings.push_back(SubtitleLabel(i) + ": comment cut to 112 characters");
      }
      StlTti ct = t;
      ct.ebn = kEbnComment;
      ct.cf = 1;
      AppendBlock(ct, std::span(reinterpret_cast<const std::uint8_t*>(c.data()), c.size()), out);
      ++blocks_;
    }
  }

  StlTextLayout l;
  l.table = table;
  l.boxing = (s.boxStyle >= BoxUnboxedOutline && s.boxStyle <= BoxGhostStripeOutline) || o.screenEbu;
  l.blockMarkers = o.blockMarkers;
  l.doubleHeight = o.doubleHeight;
  l.doubleHeightCr = o.doubleHeightCr;
  l.screenEbu = o.screenEbu;
  l.indent = o.screenEbu && t.jc == 0;
  l.italic = s.italic;
  l.colours = o.colours;
  l.literalItalics = o.literalItalics;
  l.dashesAsHyphens = o.dashesAsHyphens;
  l.rowColours = s.rowColours;
  std::string text = EncodeStlText(s.text, l, unmappable);
  constexpr std::size_t kMaxText = kStlTextSize * (kEbnMaxExtension + 2);
  if (text.size() > kMaxText) {
    text.resize(kMaxText);
    warnings.push_back(SubtitleLabel(i) + ": text longer than 240 blocks cut");
  }
  if (!unmappable.empty())
    warnings.push_back(SubtitleLabel(i) + ": characters the EBU character table cannot carry were left out: " +
                       ListCharacters(unmappable));

  // Text longer than one block continues in extension blocks numbered from 0; the last
  // block is always 0xFF.
  auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  std::size_t blocks = std::max<std::size_t>(1, (bytes.size() + kStlTextSize - 1) / kStlTextSize);
  for (std::size_t b = 0; b < blocks; ++b) {
    std::size_t from = b * kStlTextSize;
    std::size_t n = std::min(kStlTextSize, bytes.size() - std::min(from, bytes.size()));
    t.ebn = b + 1 == blocks ? kEbnLast : static_cast<std::uint8_t>(b);
    AppendBlock(t, bytes.subspan(std::min(from, bytes.size()), n), out);
  }
  blocks_ += blocks;
}

Bytes StlWriter::Header(Prompter& prompter, std::vector<std::string>& warnings) {
  const SubtitleDocument& doc = header_;
  if (commentsLeftOut_ > 0)
    warnings.push_back("Comments of " + std::to_string(commentsLeftOut_) +
                       " subtitles were not saved (\"Do not save comments\" is on)");
  StlGsi g;
  g.cpn = "850";
  g.dfc = DiskFormat(doc, prompter);
  g.dsc = o_.displayStandard.empty() ? "0" : o_.displayStandard.substr(0, 1);
  g.cct = StlTableCode(table_);
  g.lc = LanguageCode(doc, table_);
  g.opt = doc.Property("STL.OPT");
  g.oet = doc.Property("STL.OET");
  g.tpt = doc.Property("STL.TPT");
  g.tet = doc.Property("STL.TET");
  g.tn = doc.Property("STL.TN");
  g.tcd = doc.Property("STL.TCD");
  g.slr = doc.Property("STL.SLR");
  g.cd = g.rd = o_.today.empty() ? Today() : o_.today;
  g.rn = RevisionNumber(doc);
  g.tns = std::to_string(count_);
  g.tng = "1";
  g.mnc = std::to_string(std::clamp(o_.maxCharsPerRow, 0, 99));
  g.mnr = (!o_.screenEbu && (o_.doubleHeight || o_.force23)) ? "23" : "11";
  g.tcs = "1";
  g.tcp = ProgrammeStart(doc);
  g.tcf = firstIn_;
  g.tnd = "1";
  g.dsn = "1";
  g.co = Trim(doc.Property("STL.CO")).empty() ? "GBR" : doc.Property("STL.CO");
  g.pub = doc.Property("STL.PUB");
  g.en = doc.Property("STL.EN");
  g.ecd = doc.Property("STL.ECD");
  g.uda = doc.Property("STL.UDA");
  // The true number of TTI blocks, comments and extension blocks included.
  g.tnb = std::to_string(blocks_);
  std::vector<char32_t> headerMisses;
  Bytes gsi = BuildStlGsi(g, &headerMisses);
  if (!headerMisses.empty())
    warnings.push_back("Header: characters code page 850 cannot carry were written as \"?\": " +
                       ListCharacters(headerMisses));
  return gsi;
}

Bytes WriteStl(const SubtitleDocument& doc, const StlWriteOptions& o, Prompter& prompter,
               std::vector<std::string>& warnings) {
  const std::size_t count = doc.Count();
  StlWriter writer(doc, o);
  ByteWriter out(kStlGsiSize + kStlTtiSize * (count + 1));
  out.fill(kStlGsiSize, ' ');  // the header is written once the block count is known
  for (std::size_t i = 0; i < count; ++i) {
    prompter.Progress("Saving", static_cast<long>(i + 1), static_cast<long>(count));
    writer.Add(doc.At(i), out, warnings);
  }
  Bytes bytes = out.take();
  const Bytes gsi = writer.Header(prompter, warnings);
  std::copy(gsi.begin(), gsi.end(), bytes.begin());
  return bytes;
}

}  // namespace kipo
