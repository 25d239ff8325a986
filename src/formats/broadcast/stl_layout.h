#pragma once
// The two block layouts of an EBU subtitle file: the 1024-byte General Subtitle
// Information block (GSI) and the 128-byte Text and Timing Information blocks (TTI) that
// follow it. This layer only moves fields in and out of bytes; what they mean for a
// document is the business of ebu_stl.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/binary_io.h"

namespace kipo {

inline constexpr std::size_t kStlGsiSize = 1024;
inline constexpr std::size_t kStlTtiSize = 128;
inline constexpr std::size_t kStlTextSize = 112;  // the text field of one TTI block

inline constexpr std::uint8_t kEbnLast = 0xFF;     // last (or only) text block of a subtitle
inline constexpr std::uint8_t kEbnComment = 0xFE;  // user data: a comment
// 0xF0-0xFD are reserved; 0x00-0xEF number the text blocks that precede the last one.
inline constexpr std::uint8_t kEbnMaxExtension = 0xEF;

// The GSI fields as text, decoded from the code page the block names (CPN). Each field
// holds the bytes of its width, spaces included; `Trimmed` gives the value without them.
struct StlGsi {
  std::string cpn, dfc, dsc, cct, lc, opt, oet, tpt, tet, tn, tcd, slr, cd, rd, rn, tnb, tns,
      tng, mnc, mnr, tcs, tcp, tcf, tnd, dsn, co, pub, en, ecd, spare, uda;
};

struct StlGsiField {
  const char* name;  // "OPT"
  std::size_t offset;
  std::size_t width;
  std::string StlGsi::*member;
};
// Every field in file order.
std::span<const StlGsiField> StlGsiFields();
const StlGsiField* FindStlGsiField(std::string_view name);

// The ICU name of a GSI code page number ("850" -> "ibm-850"); an unknown number gives 850.
std::string StlGsiCodePage(std::string_view cpn);

// Reads the first 1024 bytes (the caller checks there are that many).
StlGsi ParseStlGsi(std::span<const std::uint8_t> block);
// Writes the block in code page 850 with each field left-set in its width. Characters the
// code page lacks become "?" and are listed in `unmappable`.
Bytes BuildStlGsi(const StlGsi& gsi, std::vector<char32_t>* unmappable = nullptr);

struct StlTti {
  std::uint8_t sgn = 0;
  std::uint16_t sn = 0;
  std::uint8_t ebn = kEbnLast;
  std::uint8_t cs = 0;
  std::array<std::uint8_t, 4> tci{};  // hours, minutes, seconds, frames
  std::array<std::uint8_t, 4> tco{};
  std::uint8_t vp = 0;
  std::uint8_t jc = 0;
  std::uint8_t cf = 0;
  std::array<std::uint8_t, kStlTextSize> tf{};
};

StlTti ParseStlTti(std::span<const std::uint8_t> block);
void AppendStlTti(const StlTti& tti, ByteWriter& out);

// A whole file split into its blocks. Bytes after the last whole block are counted in
// `trailingBytes` and otherwise ignored. Throws ReadError when the GSI is incomplete.
struct StlBlocks {
  StlGsi gsi;
  std::vector<StlTti> blocks;
  std::size_t trailingBytes = 0;
};
StlBlocks SplitStlFile(std::span<const std::uint8_t> bytes);

}  // namespace kipo
