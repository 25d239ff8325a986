#pragma once
// Draws the timeline: a ruler of timecodes, the audio waveform, the shot cuts, the
// subtitles as blocks with their numbers and text, and the play head. Only what is in view
// is drawn: the blocks are found by halving over the ordered blocks, blocks narrower than a
// few pixels are merged into runs, and the waveform comes from images of 256 columns kept
// per zoom level until the analysis, the height or the colours change.
#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdint>
#include <unordered_map>

class QPainter;

namespace kipo {
class TimelineController;
}

namespace kipo::gui {

// A colour stored as 0xBBGGRR.
QColor StoredColour(long bgr);

class TimelinePainter {
 public:
  // The strips of a timeline `size` tall: ruler on top, the blocks' band at the bottom,
  // the waveform under both.
  struct Layout {
    QRect ruler, wave, band;
  };
  static Layout LayoutFor(const QRect& area, bool subtitles);

  void Paint(QPainter& p, const QRect& area, const TimelineController& c);
  // Waveform tiles made since the last Forget (tests and the benchmark see the cache work).
  int tilesMade() const { return made_; }
  void Forget();

 private:
  void PaintRuler(QPainter& p, const QRect& r, const TimelineController& c);
  void PaintWave(QPainter& p, const QRect& r, const TimelineController& c);
  void PaintBlocks(QPainter& p, const QRect& r, const TimelineController& c);
  const QImage& Tile(std::int64_t index, const QRect& r, const TimelineController& c);

  struct CacheKey {
    std::uint64_t table = 0;
    int level = -1, height = 0;
    long colour = -1;
    bool stereo = false;
    bool operator==(const CacheKey&) const = default;
  };
  CacheKey key_;
  std::unordered_map<std::int64_t, QImage> tiles_;
  int made_ = 0;
};

}  // namespace kipo::gui
