// The two video targets hand FFmpeg a file: the first byte picks the container's
// extension (the demuxer is probed, but the name is a hint it takes), the rest is the file.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace kipo::fuzz {

inline std::optional<std::string> WriteVideoInput(const std::uint8_t* data, std::size_t size, const char* stem) {
  if (size < 1) return std::nullopt;
  static const char* kExtensions[] = {".mp4", ".mkv", ".mpg", ".ts", ".avi", ".mov", ".webm", ".m2v"};
  const std::string path = std::string("/tmp/") + stem + "-" + std::to_string(::getpid()) + kExtensions[data[0] % 8];
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return std::nullopt;
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);
  return path;
}

}  // namespace kipo::fuzz
