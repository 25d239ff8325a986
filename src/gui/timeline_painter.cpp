#include "gui/timeline_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/timeline_controller.h"
#include "app/workstation.h"
#include "core/markup.h"

namespace kipo::gui {

namespace {

constexpr int kTileWidth = 256;
constexpr int kMaxTiles = 512;  // about 50 MB at 100 pixels high; dropped together when full

const QColor kBackground(30, 33, 38);
const QColor kVideoBackground(38, 42, 48);
const QColor kRulerBackground(48, 52, 58);
const QColor kRulerText(200, 204, 210);
const QColor kBlockFill(60, 110, 170, 170);
const QColor kBlockEdge(125, 175, 235);
const QColor kCurrentFill(205, 135, 45, 200);
const QColor kCurrentEdge(255, 195, 95);
const QColor kBlockText(240, 240, 240);
const QColor kPlayhead(255, 255, 255);
const QColor kSnap(255, 230, 0);

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The tick step of the ruler in frames: the smallest of the usual steps that leaves room
// for a label.
Timecode TickStep(double framesPerPixel, int perSecond, int minPixels) {
  const Timecode s = std::max(1, perSecond);
  std::vector<Timecode> steps;
  for (Timecode st : {1, 2, 5, 10})
    if (st < s) steps.push_back(st);
  for (Timecode m : {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200}) steps.push_back(m * s);
  for (Timecode st : steps)
    if (st / framesPerPixel >= minPixels) return st;
  return steps.back();
}

}  // namespace

QColor StoredColour(long bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

TimelinePainter::Layout TimelinePainter::LayoutFor(const QRect& area, bool subtitles) {
  Layout l;
  const int ruler = std::min(18, area.height() / 4);
  l.ruler = QRect(area.left(), area.top(), area.width(), ruler);
  l.wave = QRect(area.left(), area.top() + ruler, area.width(), area.height() - ruler);
  if (subtitles) {
    const int band = std::clamp(l.wave.height() * 2 / 5, std::min(l.wave.height(), 22), 64);
    l.band = QRect(area.left(), area.bottom() - band - 2, area.width(), band);
  }
  return l;
}

void TimelinePainter::Forget() {
  tiles_.clear();
  key_ = {};
  made_ = 0;
}

void TimelinePainter::Paint(QPainter& p, const QRect& area, const TimelineController& c) {
  p.save();
  p.setClipRect(area);
  p.fillRect(area, kBackground);
  const Layout l = LayoutFor(area, c.options().showSubtitles);
  // The stretch the video covers is lighter.
  const auto& times = c.FrameTimes();
  if (!times.empty()) {
    const double x0 = std::max(0.0, c.FrameToX(times.front()));
    const double x1 = std::min<double>(area.width(), c.FrameToX(times.back() + 1));
    if (x1 > x0) p.fillRect(QRectF(area.left() + x0, l.wave.top(), x1 - x0, l.wave.height()), kVideoBackground);
  }
  PaintWave(p, l.wave, c);
  if (c.options().showShotCuts) {
    const auto& cuts = c.Cuts();
    p.setPen(QPen(StoredColour(c.options().shotCutColor), 1));
    auto it = std::lower_bound(cuts.begin(), cuts.end(), static_cast<Timecode>(std::floor(c.left())));
    int lastX = -1;
    for (; it != cuts.end() && *it < c.right(); ++it) {
      const int x = area.left() + static_cast<int>(std::lround(c.FrameToX(*it)));
      if (x == lastX) continue;  // cuts closer than a pixel share one line
      p.drawLine(x, l.wave.top(), x, l.wave.bottom());
      lastX = x;
    }
  }
  if (c.options().showSubtitles) PaintBlocks(p, l.band, c);
  PaintRuler(p, l.ruler, c);
  if (const auto& d = c.drag(); d && d->snappedTo) {
    const int x = area.left() + static_cast<int>(std::lround(c.FrameToX(*d->snappedTo)));
    p.setPen(QPen(kSnap, 1, Qt::DashLine));
    p.drawLine(x, l.wave.top(), x, l.wave.bottom());
  }
  // The play head, with a mark in the ruler.
  const double px = c.FrameToX(c.PlayheadTime());
  if (px >= -4 && px <= area.width() + 4) {
    const int x = area.left() + static_cast<int>(std::lround(px));
    p.setPen(QPen(kPlayhead, 1));
    p.drawLine(x, l.ruler.top(), x, area.bottom());
    QPainterPath head;
    head.moveTo(x - 5, l.ruler.top());
    head.lineTo(x + 5, l.ruler.top());
    head.lineTo(x, l.ruler.top() + 6);
    head.closeSubpath();
    p.fillPath(head, kPlayhead);
  }
  p.restore();
}

void TimelinePainter::PaintRuler(QPainter& p, const QRect& r, const TimelineController& c) {
  if (r.height() <= 0) return;
  p.fillRect(r, kRulerBackground);
  const FrameRate rate = c.rate();
  const int perSecond = rate.countingRate();
  QFont f = p.font();
  f.setPointSize(7);
  p.setFont(f);
  const Timecode step = TickStep(c.framesPerPixel(), perSecond, 96);
  const Timecode minor = step % 5 == 0 ? step / 5 : step % 2 == 0 ? step / 2 : step;
  const double fpp = c.framesPerPixel();
  Timecode t = static_cast<Timecode>(std::floor(c.left() / minor)) * minor;
  p.setPen(kRulerText);
  for (; t < c.right(); t += minor) {
    if (t < 0) continue;
    const int x = r.left() + static_cast<int>(std::lround((t - c.left()) / fpp));
    const bool major = t % step == 0;
    p.drawLine(x, r.bottom() - (major ? 6 : 3), x, r.bottom());
    if (!major) continue;
    std::string label = FramesToLabel(t, rate);
    // Whole seconds drop the frames.
    if (step % perSecond == 0 && label.size() > 3) label.resize(label.size() - 3);
    p.drawText(x + 3, r.top(), 120, r.height() - 2, Qt::AlignLeft | Qt::AlignVCenter, Q(label));
  }
}

const QImage& TimelinePainter::Tile(std::int64_t index, const QRect& r, const TimelineController& c) {
  auto found = tiles_.find(index);
  if (found != tiles_.end()) return found->second;
  if (tiles_.size() >= kMaxTiles) tiles_.clear();
  QImage img(kTileWidth, r.height(), QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  ++made_;
  const FrameTable& table = c.Table();
  const auto& times = c.FrameTimes();
  const WaveformPeaks& peaks = table.peaks;
  const std::size_t frames = std::min(peaks.frames(), times.size());
  if (frames > 0 && peaks.channels > 0) {
    const bool stereo = c.options().stereo && peaks.channels >= 2;
    const int lanes = stereo ? 2 : 1;
    const int laneHeight = r.height() / lanes;
    const QRgb colour = StoredColour(c.options().waveformColor).rgb();
    const QRgb axis = qRgba(90, 96, 104, 255);
    const double fpp = c.framesPerPixel();
    const std::int64_t base = index * kTileWidth;
    // The first frame that can fall in the tile; from there a cursor walks on.
    const double tileStart = static_cast<double>(base) * fpp;
    std::size_t cursor = static_cast<std::size_t>(
        std::lower_bound(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(frames),
                         static_cast<Timecode>(std::floor(tileStart))) -
        times.begin());
    for (int lane = 0; lane < lanes; ++lane) {
      const int mid = lane * laneHeight + laneHeight / 2;
      auto* row = reinterpret_cast<QRgb*>(img.scanLine(std::min(mid, img.height() - 1)));
      for (int x = 0; x < kTileWidth; ++x) row[x] = axis;
    }
    for (int x = 0; x < kTileWidth; ++x) {
      const double a = static_cast<double>(base + x) * fpp;
      const Timecode lo = static_cast<Timecode>(std::floor(a));
      const Timecode hi = std::max<Timecode>(lo + 1, static_cast<Timecode>(std::ceil(a + fpp)));
      while (cursor < frames && times[cursor] < lo) ++cursor;
      if (cursor >= frames || times[cursor] >= hi) continue;
      for (int lane = 0; lane < lanes; ++lane) {
        int mn = 32767, mx = -32768;
        for (std::size_t f = cursor; f < frames && times[f] < hi; ++f) {
          const int first = stereo ? lane : 0, last = stereo ? lane : std::min(peaks.channels, 16) - 1;
          for (int ch = first; ch <= last; ++ch) {
            mn = std::min<int>(mn, peaks.Min(f, ch));
            mx = std::max<int>(mx, peaks.Max(f, ch));
          }
        }
        if (mn > mx) continue;
        const double half = laneHeight / 2.0 - 1;
        const int mid = lane * laneHeight + laneHeight / 2;
        int top = mid - static_cast<int>(std::lround(mx / 32768.0 * half));
        int bottom = mid - static_cast<int>(std::lround(mn / 32768.0 * half));
        if (bottom <= top) continue;  // silence: the axis shows through
        top = std::clamp(top, 0, img.height() - 1);
        bottom = std::clamp(bottom, top, img.height() - 1);
        for (int y = top; y <= bottom; ++y) reinterpret_cast<QRgb*>(img.scanLine(y))[x] = colour;
      }
    }
  }
  return tiles_.emplace(index, std::move(img)).first->second;
}

void TimelinePainter::PaintWave(QPainter& p, const QRect& r, const TimelineController& c) {
  if (r.height() <= 2) return;
  const CacheKey key{c.tableVersion(), c.zoomLevel(), r.height(), c.options().waveformColor, c.options().stereo};
  if (!(key == key_)) {
    tiles_.clear();
    key_ = key;
  }
  if (c.Table().peaks.channels == 0) return;
  // Tiles sit on whole pixels from frame 0 at this zoom level.
  const double originX = c.left() / c.framesPerPixel();
  const std::int64_t first = static_cast<std::int64_t>(std::floor(originX / kTileWidth));
  const std::int64_t last = static_cast<std::int64_t>(std::floor((originX + r.width()) / kTileWidth));
  const int shift = static_cast<int>(std::lround(originX));
  for (std::int64_t t = std::max<std::int64_t>(first, 0); t <= last; ++t)
    p.drawImage(QPoint(r.left() + static_cast<int>(t * kTileWidth - shift), r.top()), Tile(t, r, c));
}

void TimelinePainter::PaintBlocks(QPainter& p, const QRect& band, const TimelineController& c) {
  if (band.height() <= 0) return;
  const TimelineOptions& o = c.options();
  const auto& blocks = c.Blocks();
  const auto& drag = c.drag();
  const std::size_t current = c.currentSubtitle();
  const double from = c.left(), to = c.right();
  const auto [first, last] = c.VisibleBlocks(from, to);
  const int w = band.width();
  // Blocks under three pixels wide are gathered per column and drawn as runs.
  std::vector<std::uint8_t> narrow;
  QFont font = p.font();
  font.setPointSize(o.textSize);
  p.setFont(font);
  const QFontMetrics fm(font);
  const bool twoLines = band.height() >= 2 * fm.height() + 4;

  auto paintBlock = [&](double xin, double xout, std::size_t index, bool isCurrent, bool openEnd) {
    QRectF rect(band.left() + xin, band.top(), std::max(2.0, xout - xin), band.height());
    p.setPen(QPen(isCurrent ? kCurrentEdge : kBlockEdge, 1));
    p.setBrush(isCurrent ? kCurrentFill : kBlockFill);
    if (openEnd) rect.setWidth(2);
    p.drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    const double inner = rect.width() - 6;
    if (inner < fm.horizontalAdvance(QStringLiteral("8")) || (!o.showNumber && !o.showText)) return;
    p.setPen(kBlockText);
    const QRectF text = rect.adjusted(3, 2, -3, -2);
    QString number = o.showNumber ? QString::number(index + 1) : QString();
    QString words;
    if (o.showText && inner > 24) {
      std::string plain = StripMarkup(c.document().At(index).text);
      std::string joined;
      for (std::size_t i = 0; i < plain.size(); ++i) {
        if (plain[i] == '\r') continue;
        if (plain[i] == '\n') joined += o.separator;
        else joined += plain[i];
      }
      words = Q(joined);
    }
    if (twoLines) {
      if (!number.isEmpty()) p.drawText(text, Qt::AlignLeft | Qt::AlignTop, fm.elidedText(number, Qt::ElideRight, int(inner)));
      if (!words.isEmpty())
        p.drawText(text.adjusted(0, fm.height(), 0, 0), Qt::AlignLeft | Qt::AlignTop,
                   fm.elidedText(words, Qt::ElideRight, static_cast<int>(inner)));
    } else {
      const QString line = number.isEmpty() ? words : words.isEmpty() ? number : number + "  " + words;
      p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, fm.elidedText(line, Qt::ElideRight, static_cast<int>(inner)));
    }
  };

  for (std::size_t i = first; i < last; ++i) {
    TimelineBlock b = blocks[i];
    if (b.out <= from) continue;
    const bool isCurrent = b.index == current;
    if (drag && b.index == drag->grab.index) continue;  // drawn where it is being dragged
    if (drag && drag->now.lastOut && b.index + 1 == drag->grab.index) b.out = *drag->now.lastOut;
    if (drag && drag->now.nextIn && b.index == drag->grab.index + 1) b.in = *drag->now.nextIn;
    const double xin = c.FrameToX(b.in), xout = c.FrameToX(b.out);
    if (xout - xin < 3 && !isCurrent) {
      if (narrow.empty()) narrow.assign(static_cast<std::size_t>(w) + 1, 0);
      const int a = std::clamp(static_cast<int>(std::floor(xin)), 0, w);
      const int e = std::clamp(static_cast<int>(std::ceil(xout)), a + 1, w + 1);
      std::fill(narrow.begin() + a, narrow.begin() + std::min(e, w + 1), 1);
      continue;
    }
    paintBlock(xin, xout, b.index, isCurrent, b.openEnd);
  }
  if (!narrow.empty()) {
    for (int x = 0; x < w;) {
      if (!narrow[x]) {
        ++x;
        continue;
      }
      int e = x;
      while (e < w && narrow[e]) ++e;
      p.fillRect(QRect(band.left() + x, band.top(), e - x, band.height()), kBlockEdge);
      x = e;
    }
  }
  if (drag) {
    // Where it was, then where it is going.
    const double x0 = c.FrameToX(*drag->start.in), x1 = c.FrameToX(*drag->start.out);
    p.setPen(QPen(kCurrentEdge, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(band.left() + x0, band.top(), std::max(2.0, x1 - x0), band.height()).adjusted(0.5, 0.5, -0.5, -0.5));
    paintBlock(c.FrameToX(drag->now.in), c.FrameToX(drag->now.out), drag->grab.index, true, false);
    if (!drag->now.warning.empty()) {
      p.setPen(QColor(255, 149, 149));
      p.drawText(QRect(band.left() + 4, band.top() - fm.height() - 4, band.width() - 8, fm.height() + 2),
                 Qt::AlignLeft | Qt::AlignVCenter, Q(drag->now.warning));
    }
  }
}

}  // namespace kipo::gui
