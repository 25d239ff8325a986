#pragma once
// The subtitle over the picture, drawn as the delivered pictures will draw it: the same
// renderer as the bitmap export (rows on the baseline grid, alignment, italics, colours,
// border or box) with the "DVD" settings' raster, font and colours, scaled onto the video.
// The safe areas and the renderer's margins can be drawn as guides.
#include <QImage>
#include <QRectF>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/document.h"
#include "imaging/subtitle_renderer.h"

class QPainter;

namespace kipo {
class SettingsStore;
}

namespace kipo::gui {

class SubtitleOverlay {
 public:
  SubtitleOverlay();
  ~SubtitleOverlay();

  // Reads the raster, font, colours and margins from the bitmap export's settings.
  void LoadSettings(const SettingsStore& settings);
  // The shape of the picture the subtitle is drawn over (the video's frame size). The
  // raster keeps its height and takes the picture's shape, so the letters keep theirs on a
  // 16:9 picture instead of being stretched with a 720x576 raster; 0 x 0: the raster as set.
  void SetPictureShape(int width, int height);
  // The subtitle to draw (nullopt: none). Renders only when it differs from the last one.
  void Show(const std::optional<Subtitle>& subtitle, int number);
  void SetGuides(bool safeArea, bool margins) {
    safeArea_ = safeArea;
    margins_ = margins;
  }
  bool safeArea() const { return safeArea_; }
  bool margins() const { return margins_; }

  // Draws the subtitle and the guides over the picture's rectangle.
  void Paint(QPainter& painter, const QRectF& picture) const;

  // The rendered subtitle on the raster (transparent where nothing is drawn); null when
  // there is none. `ink` is where it sits on the raster.
  const QImage& picture() const { return picture_; }
  QRect ink() const { return ink_; }
  const RenderLayout& layout() const { return layout_; }
  const std::optional<Subtitle>& shown() const { return shown_; }

 private:
  const SubtitleRenderer& RendererFor(int boxStyle);
  void Shape();  // the layout for the picture's shape; renders the shown subtitle again
  RenderStyle style_;
  RenderLayout layout_;
  RenderLayout setLayout_;  // the layout of the settings, before it takes the picture's shape
  int pictureWidth_ = 0, pictureHeight_ = 0;
  std::map<int, std::unique_ptr<SubtitleRenderer>> renderers_;  // by box style
  std::optional<Subtitle> shown_;
  int lastNumber_ = 0;
  QImage picture_;
  QRect ink_;
  bool safeArea_ = false, margins_ = false;
};

}  // namespace kipo::gui
