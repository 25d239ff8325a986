#include "formats/broadcast/pac_charset.h"

#include <algorithm>
#include <array>

#include "core/rich_text.h"
#include "formats/broadcast/pac_tables.h"
#include "platform/encoding.h"

namespace kipo {
namespace {

// A row in a double-byte code page starts with 0x1F "W16."; a row in UTF-8 starts with
// 0x1F and the UTF-8 byte-order mark and ends with "." (a "." inside is 0xFF).
constexpr std::uint8_t kW16Marker[] = {0x1F, 'W', '1', '6', '.'};
constexpr std::uint8_t kUtf8Marker[] = {0x1F, 0xEF, 0xBB, 0xBF};
constexpr std::uint8_t kRowBreak = 0xFE;
constexpr std::uint8_t kDroppedByte = 0xF3;

const ByteCharset& TableFor(PacScript s) {
  switch (s) {
    case PacScript::Greek: return PacGreekCharset();
    case PacScript::Cyrillic: return PacCyrillicCharset();
    case PacScript::Hebrew: return PacHebrewCharset();
    case PacScript::Arabic: return PacArabicCharset();
    default: return PacLatinCharset();
  }
}

const char* CodePageFor(PacScript s) {
  switch (s) {
    case PacScript::ChineseSimplified: return "windows-936";
    case PacScript::ChineseTraditional: return "windows-950";
    case PacScript::Korean: return "windows-949";
    case PacScript::Japanese: return "windows-932";
    default: return "windows-1252";
  }
}

bool StartsWith(std::span<const std::uint8_t> b, std::size_t at, std::span<const std::uint8_t> marker) {
  return b.size() - at >= marker.size() && std::equal(marker.begin(), marker.end(), b.begin() + at);
}

}  // namespace

PacScript PacScriptForCharset(int cs) {
  switch (cs) {
    case 161: return PacScript::Greek;
    case 177: return PacScript::Hebrew;
    case 178: return PacScript::Arabic;
    case 204: return PacScript::Cyrillic;
    case 128: return PacScript::Japanese;
    case 129: return PacScript::Korean;
    case 134: return PacScript::ChineseSimplified;
    case 136: return PacScript::ChineseTraditional;
    default: return PacScript::Latin;
  }
}

const char* PacScriptName(PacScript s) {
  switch (s) {
    case PacScript::Latin: return "Latin";
    case PacScript::Greek: return "Greek";
    case PacScript::Cyrillic: return "Cyrillic";
    case PacScript::Hebrew: return "Hebrew";
    case PacScript::Arabic: return "Arabic";
    case PacScript::ChineseSimplified: return "Chinese Simplified";
    case PacScript::ChineseTraditional: return "Chinese Traditional";
    case PacScript::Korean: return "Korean";
    case PacScript::Japanese: return "Japanese";
  }
  return "Latin";
}

bool IsDoubleByte(PacScript s) {
  return s == PacScript::ChineseSimplified || s == PacScript::ChineseTraditional || s == PacScript::Korean ||
         s == PacScript::Japanese;
}

namespace {

// Appends decoded text to a row: "<" and ">" are the italics markers of PAC text; a
// bracket is a character.
void AppendDecoded(std::string& row, std::string_view text) {
  std::size_t from = 0;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] != kUnderlineOn && text[k] != kUnderlineOff) continue;
    row.append(text.substr(from, k - from));
    AppendStandIn(row, text[k]);
    from = k + 1;
  }
  row.append(text.substr(from));
}

// Bytes that end a run of table text: row breaks, colours, the dropped byte and 0x1F,
// which may start a double-byte or UTF-8 row.
constexpr auto kRunEnd = [] {
  std::array<bool, 256> t{};
  for (int b = 0x01; b <= 0x07; ++b) t[static_cast<std::size_t>(b)] = true;
  t[kRowBreak] = t[kDroppedByte] = t[0x1F] = true;
  return t;
}();

}  // namespace

PacDecodedText DecodePacText(std::span<const std::uint8_t> bytes, PacScript script, const PacTextOptions& options,
                             std::vector<std::uint8_t>* unknown) {
  const ByteCharset& table = TableFor(script);
  PacDecodedText out;
  out.rows.emplace_back();
  out.rowCodes.push_back(-1);
  // A run of table text, decoded as one piece; dropped bytes inside it are left out
  // without ending it (an accent before one still goes with the letter after it).
  std::vector<std::uint8_t> run;
  auto decodeRun = [&](std::span<const std::uint8_t> piece) {
    if (!piece.empty()) AppendDecoded(out.rows.back(), table.Decode(piece, unknown));
  };
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    const std::uint8_t b = bytes[i];
    if (b == kRowBreak) {
      out.rows.emplace_back();
      out.rowCodes.push_back(i + 1 < n ? bytes[i + 1] : kPacCentre);
      i = std::min(n, i + 3);
    } else if (b >= 0x01 && b <= 0x07) {
      if (options.colours) out.rows.back() += static_cast<char>(b);
      ++i;
    } else if (b == kDroppedByte) {
      ++i;
    } else if (StartsWith(bytes, i, kW16Marker)) {
      // Double-byte text up to the next row break; a lead byte pairs with any byte from
      // 0x40, so 0xFE counts as a row break only before an alignment code.
      std::size_t j = i + sizeof kW16Marker;
      const std::size_t start = j;
      while (j < n) {
        if (bytes[j] >= 0x81 && j + 1 < n && bytes[j + 1] >= 0x40) j += 2;
        else if (bytes[j] == kRowBreak) break;
        else ++j;
      }
      out.rows.back() += CodePageToUtf8(bytes.subspan(start, j - start), CodePageFor(script));
      i = j;
    } else if (StartsWith(bytes, i, kUtf8Marker)) {
      std::size_t j = i + sizeof kUtf8Marker;
      std::string utf8;
      for (; j < n && bytes[j] != '.'; ++j) utf8 += bytes[j] == 0xFF ? '.' : static_cast<char>(bytes[j]);
      if (j < n) ++j;  // the closing "."
      out.rows.back() += IsValidUtf8(utf8) ? utf8 : CodePageToUtf8(utf8, "windows-1252");
      i = j;
    } else {
      // The run goes on to the next byte that ends it (a 0x1F that starts no marker
      // belongs to it) or to a dropped byte, which joins the pieces around it.
      std::size_t j = i + 1;
      bool dropped = false;
      for (; j < n; ++j) {
        const std::uint8_t c = bytes[j];
        if (!kRunEnd[c]) continue;
        if (c == kDroppedByte) {
          dropped = true;
          continue;
        }
        if (c == 0x1F && !StartsWith(bytes, j, kW16Marker) && !StartsWith(bytes, j, kUtf8Marker)) continue;
        break;
      }
      if (!dropped) {
        decodeRun(bytes.subspan(i, j - i));
      } else {
        run.clear();
        for (std::size_t k = i; k < j; ++k)
          if (bytes[k] != kDroppedByte) run.push_back(bytes[k]);
        decodeRun(run);
      }
      i = j;
    }
  }
  return out;
}

std::string EncodePacText(const std::vector<std::string>& rows, const std::vector<std::uint8_t>& rowCodes,
                          PacScript script, const PacTextOptions& options, PacEncodeReport& report) {
  const ByteCharset& table = TableFor(script);
  std::string out;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (r > 0) {
      out += static_cast<char>(kRowBreak);
      out += static_cast<char>(r < rowCodes.size() ? rowCodes[r] : kPacCentre);
      out += '\x03';
    }
    std::string row;
    ScanMarkup(rows[r], {}, [&](Mark m, std::string_view piece) {
      if (m == Mark::Colour && !options.colours) {
        report.coloursDropped = true;
      } else if (m != Mark::None) {
        row += piece;  // italics markers are PAC's own; underline and group marks are written as characters
      } else if (piece.find('\xEE') == std::string_view::npos) {
        row += piece;  // no stand-in
      } else {
        for (std::size_t i = 0; i < piece.size(); ++i) {
          const char lit = StandInAt(piece.substr(i));
          if (!lit) {
            row += piece[i];
            continue;
          }
          i += 2;
          // PAC reads "<", ">" and the colour bytes as markup: as characters they cannot be written.
          if (lit == kUnderlineOn || lit == kUnderlineOff) row += lit;
          else NoteUnmappable(report.unmappable, static_cast<char32_t>(static_cast<unsigned char>(lit)));
        }
      }
    });
    if (IsDoubleByte(script)) {
      const std::u32string cps = Utf8ToUtf32(row);
      const bool plain = std::all_of(cps.begin(), cps.end(), [&](char32_t c) {
        return (c < 8 && c > 0) || (c < 0x80 && table.CanEncode(c));
      });
      if (!plain) {
        out.append(reinterpret_cast<const char*>(kW16Marker), sizeof kW16Marker);
        std::vector<char32_t> missing;
        out += Utf8ToCodePage(row, CodePageFor(script), &missing);
        for (char32_t c : missing) NoteUnmappable(report.unmappable, c);
        continue;
      }
    }
    std::size_t start = 0;
    for (std::size_t k = 0; k <= row.size(); ++k) {
      if (k == row.size() || (row[k] >= 1 && row[k] <= 7)) {
        table.Encode(std::string_view(row).substr(start, k - start), out, &report.unmappable);
        if (k < row.size()) out += row[k];
        start = k + 1;
      }
    }
  }
  return out;
}

}  // namespace kipo
