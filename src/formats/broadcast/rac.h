#pragma once
// RAC files (.rac), read only: a count and fixed 147-byte record slots holding PAC record
// fields and PAC-coded text.
#include <span>

#include "formats/broadcast/pac.h"

namespace kipo {

// Builds a new document; the language options are those of the PAC reader.
SubtitleDocument ReadRac(std::span<const std::uint8_t> bytes, const PacReadOptions& options, Warnings& warnings);

}  // namespace kipo
