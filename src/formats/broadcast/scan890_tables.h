#pragma once
// The character tables of Scantitling 890 text.
#include "formats/broadcast/byte_charset.h"

namespace kipo {

const ByteCharset& Scan890LatinCharset();
const ByteCharset& Scan890CyrillicCharset();
const ByteCharset& Scan890ArabicCharset();

}  // namespace kipo
