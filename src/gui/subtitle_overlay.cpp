#include "gui/subtitle_overlay.h"

#include <QPainter>
#include <QPen>
#include <cmath>

#include "imaging/dvd_settings.h"
#include "settings/settings_store.h"

namespace kipo::gui {

SubtitleOverlay::SubtitleOverlay() = default;
SubtitleOverlay::~SubtitleOverlay() = default;

void SubtitleOverlay::LoadSettings(const SettingsStore& settings) {
  const DvdOptions o = DvdOptionTable().Load(settings);
  RenderStyle style = o.Style();
  style.colourPlane = true;
  RenderLayout layout = o.Layout();
  // The whole raster, with only the ink drawn: a picture the size of the subtitle.
  layout.fitToSubtitle = false;
  layout.cropToInk = true;
  style_ = style;
  setLayout_ = layout;
  Shape();
}

void SubtitleOverlay::SetPictureShape(int width, int height) {
  if (width == pictureWidth_ && height == pictureHeight_) return;
  pictureWidth_ = width;
  pictureHeight_ = height;
  Shape();
}

void SubtitleOverlay::Shape() {
  layout_ = setLayout_;
  if (pictureWidth_ > 0 && pictureHeight_ > 0 && layout_.height > 0) {
    const double aspect = static_cast<double>(pictureWidth_) / pictureHeight_;
    const int width = static_cast<int>(std::lround(layout_.height * aspect));
    // Within a percent the raster is drawn as it is.
    if (std::abs(width - layout_.width) * 100 > layout_.width) layout_.width = width;
  }
  renderers_.clear();
  std::optional<Subtitle> again = std::exchange(shown_, std::nullopt);
  Show(again, lastNumber_);
}

const SubtitleRenderer& SubtitleOverlay::RendererFor(int boxStyle) {
  // The subtitle's own box style decides between an outline and a box behind the rows;
  // without one the export settings decide.
  int key = boxStyle;
  if (key < BoxUnboxedOutline || key > BoxGhostStripeOutline) key = BoxNone;
  auto& r = renderers_[key];
  if (!r) {
    RenderStyle s = style_;
    switch (key) {
      case BoxUnboxedOutline: s.boxed = false; s.border = std::max(s.border, 1); break;
      case BoxBoxedOutline:
      case BoxStripeOutline: s.boxed = true; s.border = std::max(s.border, 4); s.borderColour.a = 255; break;
      case BoxGhostBoxedOutline:
      case BoxGhostStripeOutline: s.boxed = true; s.border = std::max(s.border, 4); s.borderColour.a = 128; break;
      default: break;
    }
    r = std::make_unique<SubtitleRenderer>(s, layout_);
  }
  return *r;
}

void SubtitleOverlay::Show(const std::optional<Subtitle>& subtitle, int number) {
  if (subtitle == shown_) return;
  shown_ = subtitle;
  lastNumber_ = number;
  picture_ = QImage();
  ink_ = QRect();
  if (!subtitle) return;
  RenderResult r = RendererFor(subtitle->boxStyle).Render(*subtitle, number);
  if (r.empty || !r.picture.hasColour() || r.picture.width() == 0) return;
  const DibSection& pic = r.picture;
  // Straight alpha from the renderer; QPainter composes it as it is.
  picture_ = QImage(pic.rgba().data(), pic.width(), pic.height(), pic.width() * 4, QImage::Format_RGBA8888).copy();
  ink_ = QRect(r.ink.x, r.ink.y, pic.width(), pic.height());
}

void SubtitleOverlay::Paint(QPainter& p, const QRectF& picture) const {
  if (layout_.width <= 0 || layout_.height <= 0) return;
  const double sx = picture.width() / layout_.width, sy = picture.height() / layout_.height;
  auto onPicture = [&](double x, double y, double w, double h) {
    return QRectF(picture.left() + x * sx, picture.top() + y * sy, w * sx, h * sy);
  };
  if (!picture_.isNull()) {
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(onPicture(ink_.x(), ink_.y(), ink_.width(), ink_.height()), picture_);
    p.restore();
  }
  if (safeArea_) {
    // Action safe (90%) and title safe (80%) of the picture.
    p.save();
    p.setPen(QPen(QColor(255, 255, 0, 200), 1, Qt::DashLine));
    for (double share : {0.9, 0.8}) {
      const double mx = picture.width() * (1 - share) / 2, my = picture.height() * (1 - share) / 2;
      p.drawRect(picture.adjusted(mx, my, -mx, -my));
    }
    p.restore();
  }
  if (margins_) {
    // The renderer's frame: left and right margins, the ceiling and the baseline.
    p.save();
    p.setPen(QPen(QColor(0, 255, 255, 200), 1, Qt::DotLine));
    const double left = picture.left() + layout_.leftMargin * sx;
    const double right = picture.right() - layout_.rightMargin * sx;
    const double ceiling = picture.top() + layout_.ceiling * sy;
    const double baseline = picture.top() + layout_.baseline * sy;
    p.drawLine(QPointF(left, picture.top()), QPointF(left, picture.bottom()));
    p.drawLine(QPointF(right, picture.top()), QPointF(right, picture.bottom()));
    p.drawLine(QPointF(picture.left(), ceiling), QPointF(picture.right(), ceiling));
    p.drawLine(QPointF(picture.left(), baseline), QPointF(picture.right(), baseline));
    p.restore();
  }
}

}  // namespace kipo::gui
