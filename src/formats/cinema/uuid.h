#pragma once
// Random identifiers for subtitle reels and fonts: RFC 4122 version 4 UUIDs.
#include <string>
#include <string_view>

namespace kipo {

// "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx" in lower case, from the system's random source.
std::string NewUuid();
// True for the 8-4-4-4-12 hexadecimal form (any case, any version).
bool IsUuid(std::string_view text);

}  // namespace kipo
