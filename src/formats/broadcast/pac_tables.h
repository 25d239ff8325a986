#pragma once
// The single-byte character tables of the Screen PAC language families.
#include "formats/broadcast/byte_charset.h"

namespace kipo {

const ByteCharset& PacLatinCharset();
const ByteCharset& PacGreekCharset();
const ByteCharset& PacCyrillicCharset();
const ByteCharset& PacHebrewCharset();
const ByteCharset& PacArabicCharset();

}  // namespace kipo
