#include "imaging/pgs.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace kipo {

namespace {

void Put16(std::vector<std::uint8_t>& o, unsigned v) {
  o.push_back(static_cast<std::uint8_t>(v >> 8));
  o.push_back(static_cast<std::uint8_t>(v));
}
void Put24(std::vector<std::uint8_t>& o, unsigned v) {
  o.push_back(static_cast<std::uint8_t>(v >> 16));
  Put16(o, v & 0xFFFF);
}
void Put32(std::vector<std::uint8_t>& o, std::uint32_t v) {
  Put16(o, v >> 16);
  Put16(o, v & 0xFFFF);
}

enum : std::uint8_t { kPds = 0x14, kOds = 0x15, kPcs = 0x16, kWds = 0x17, kEnd = 0x80 };

void Segment(std::vector<std::uint8_t>& out, std::uint8_t type, std::uint32_t pts, const std::vector<std::uint8_t>& body) {
  out.push_back('P');
  out.push_back('G');
  Put32(out, pts);
  Put32(out, 0);  // decoding time stamp: not used by players
  out.push_back(type);
  Put16(out, static_cast<unsigned>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
}

std::uint8_t FrameRateCode(double fps) {
  if (std::abs(fps - 23.976) < 0.01) return 0x10;
  if (std::abs(fps - 24) < 0.01) return 0x20;
  if (std::abs(fps - 25) < 0.01) return 0x30;
  if (std::abs(fps - 29.97) < 0.01) return 0x40;
  if (std::abs(fps - 50) < 0.01) return 0x60;
  if (std::abs(fps - 59.94) < 0.01) return 0x70;
  return 0x10;
}

}  // namespace

std::vector<std::uint8_t> PgsRunLength(const std::vector<std::uint8_t>& idx, int width, int height) {
  std::vector<std::uint8_t> o;
  o.reserve(idx.size() / 4 + static_cast<std::size_t>(height) * 2);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = &idx[static_cast<std::size_t>(y) * width];
    for (int x = 0; x < width;) {
      const std::uint8_t c = row[x];
      int run = 1;
      while (x + run < width && row[x + run] == c && run < 16383) ++run;
      if (c != 0 && run < 3) {
        for (int k = 0; k < run; ++k) o.push_back(c);
      } else if (c == 0) {
        o.push_back(0);
        if (run < 64) o.push_back(static_cast<std::uint8_t>(run));
        else o.push_back(static_cast<std::uint8_t>(0x40 | (run >> 8))), o.push_back(static_cast<std::uint8_t>(run));
      } else {
        o.push_back(0);
        if (run < 64) o.push_back(static_cast<std::uint8_t>(0x80 | run));
        else o.push_back(static_cast<std::uint8_t>(0xC0 | (run >> 8))), o.push_back(static_cast<std::uint8_t>(run));
        o.push_back(c);
      }
      x += run;
    }
    o.push_back(0);
    o.push_back(0);
  }
  return o;
}

std::vector<std::uint8_t> EncodePgsEvent(const DibSection& pic, const PgsEvent& e, int frameWidth, int frameHeight,
                                         int composition, double fps) {
  const int w = std::max(1, pic.width()), h = std::max(1, pic.height());
  // Palette: index 0 is transparent; the colours are reduced (fewer bits a channel) until
  // at most 255 remain.
  std::vector<std::uint8_t> idx(static_cast<std::size_t>(w) * h, 0);
  std::map<std::uint32_t, std::uint8_t> palette;
  for (int shift = 0; shift <= 6; ++shift) {
    palette.clear();
    bool fits = true;
    const std::uint32_t mask = (0xFFu << shift) & 0xFFu;
    for (std::size_t i = 0; i < idx.size() && fits && i * 4 < pic.rgba().size(); ++i) {
      const std::uint8_t* p = &pic.rgba()[i * 4];
      if (p[3] == 0) {
        idx[i] = 0;
        continue;
      }
      std::uint32_t key = (p[0] & mask) << 24 | (p[1] & mask) << 16 | (p[2] & mask) << 8 | (p[3] & mask);
      auto it = palette.find(key);
      if (it == palette.end()) {
        if (palette.size() >= 255) {
          fits = false;
          break;
        }
        it = palette.emplace(key, static_cast<std::uint8_t>(palette.size() + 1)).first;
      }
      idx[i] = it->second;
    }
    if (fits) break;
  }
  const bool hd = frameHeight > 576;
  std::vector<std::uint8_t> out, b;
  const std::uint32_t inPts = static_cast<std::uint32_t>(e.inMs * 90), outPts = static_cast<std::uint32_t>(e.outMs * 90);
  const std::uint8_t rate = FrameRateCode(fps);
  // Presentation composition: show object 0 in window 0.
  b.clear();
  Put16(b, frameWidth);
  Put16(b, frameHeight);
  b.push_back(rate);
  Put16(b, composition & 0xFFFF);
  b.push_back(0x80);  // epoch start
  b.push_back(0);     // no palette-only update
  b.push_back(0);     // palette 0
  b.push_back(1);     // one object
  Put16(b, 0);
  b.push_back(0);  // window 0
  b.push_back(0);  // not cropped
  Put16(b, e.rect.x);
  Put16(b, e.rect.y);
  Segment(out, kPcs, inPts, b);
  b.clear();
  b.push_back(1);
  b.push_back(0);
  Put16(b, e.rect.x);
  Put16(b, e.rect.y);
  Put16(b, w);
  Put16(b, h);
  Segment(out, kWds, inPts, b);
  b.clear();
  b.push_back(0);  // palette id
  b.push_back(0);  // version
  b.push_back(0), b.push_back(16), b.push_back(128), b.push_back(128), b.push_back(0);  // 0: transparent
  for (const auto& [key, i] : palette) {
    const double r = key >> 24, g = (key >> 16) & 0xFF, bl = (key >> 8) & 0xFF, a = key & 0xFF;
    double Y, Cb, Cr;
    if (hd) {
      Y = 16 + 0.1826 * r + 0.6142 * g + 0.0620 * bl;
      Cb = 128 - 0.1006 * r - 0.3386 * g + 0.4392 * bl;
      Cr = 128 + 0.4392 * r - 0.3989 * g - 0.0403 * bl;
    } else {
      Y = 16 + 0.2568 * r + 0.5041 * g + 0.0979 * bl;
      Cb = 128 - 0.1482 * r - 0.2910 * g + 0.4392 * bl;
      Cr = 128 + 0.4392 * r - 0.3678 * g - 0.0714 * bl;
    }
    auto c = [](double v) { return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
    b.push_back(i);
    b.push_back(c(Y));
    b.push_back(c(Cr));
    b.push_back(c(Cb));
    b.push_back(c(a));
  }
  Segment(out, kPds, inPts, b);
  // The object, in as many segments as its size needs.
  std::vector<std::uint8_t> rle = PgsRunLength(idx, w, h);
  const std::size_t firstRoom = 0xFFFF - 11, nextRoom = 0xFFFF - 4;
  std::size_t pos = 0;
  bool first = true;
  do {
    const std::size_t room = first ? firstRoom : nextRoom;
    const std::size_t n = std::min(room, rle.size() - pos);
    const bool last = pos + n == rle.size();
    b.clear();
    Put16(b, 0);     // object id
    b.push_back(0);  // version
    b.push_back(static_cast<std::uint8_t>((first ? 0x80 : 0) | (last ? 0x40 : 0)));
    if (first) {
      Put24(b, static_cast<unsigned>(rle.size() + 4));
      Put16(b, w);
      Put16(b, h);
    }
    b.insert(b.end(), rle.begin() + static_cast<long>(pos), rle.begin() + static_cast<long>(pos + n));
    Segment(out, kOds, inPts, b);
    pos += n;
    first = false;
  } while (pos < rle.size());
  Segment(out, kEnd, inPts, {});
  // At the out cue: a composition without objects clears the window.
  b.clear();
  Put16(b, frameWidth);
  Put16(b, frameHeight);
  b.push_back(rate);
  Put16(b, (composition + 1) & 0xFFFF);
  b.push_back(0);  // normal
  b.push_back(0);
  b.push_back(0);
  b.push_back(0);  // no objects
  Segment(out, kPcs, outPts, b);
  b.clear();
  b.push_back(1);
  b.push_back(0);
  Put16(b, e.rect.x);
  Put16(b, e.rect.y);
  Put16(b, w);
  Put16(b, h);
  Segment(out, kWds, outPts, b);
  Segment(out, kEnd, outPts, {});
  return out;
}

}  // namespace kipo
