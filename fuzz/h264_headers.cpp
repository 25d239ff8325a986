// The H.264 header reader and the planner behind it must take any bytes: a damaged stream
// gives unknown pictures (and a plan that keeps every reference picture), never a crash, a
// read past the end or a hang. The first byte splits the input into the stream's setup
// (avcC or start codes) and packets of up to 255 bytes, each in turn; the pictures go to
// the planner in groups of three.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "video/h264_headers.h"
#include "video/h264_references.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t setup = std::min<std::size_t>(data[0], size - 1);
  std::span<const std::uint8_t> rest(data + 1, size - 1);
  kipo::h264::HeaderParser parser(rest.first(setup));
  rest = rest.subspan(setup);
  std::vector<kipo::h264::PlannedGroup> groups;
  while (!rest.empty()) {
    const std::size_t n = std::min<std::size_t>(rest[0], rest.size() - 1);
    const kipo::h264::Picture p = parser.Parse(rest.subspan(1, n));
    rest = rest.subspan(1 + n);
    if (groups.empty() || groups.back().pictures.size() == 3) groups.emplace_back();
    groups.back().pictures.push_back(p);
    groups.back().whole = (groups.size() % 4) == 0;
  }
  kipo::h264::SkipPlanner planner;
  planner.Reset();
  planner.Plan(groups, kipo::h264::SkipPlanner::Next::Idr);
  return 0;
}
