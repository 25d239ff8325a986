#include "gui/video_view.h"

#include <mpv/render.h>
#include <mpv/render_gl.h>

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPainter>
#include <QResizeEvent>
#include <cstdlib>
#include <cstring>

#include "gui/player_mpv.h"
#include "gui/subtitle_overlay.h"

namespace kipo::gui {

bool CanUseOpenGl() {
  static const bool can = [] {
    if (const char* forced = std::getenv("KIPO_VIDEO_SOFTWARE"); forced && std::strcmp(forced, "1") == 0) return false;
    const QString platform = QGuiApplication::platformName();
    if (platform == "offscreen" || platform == "minimal" || platform == "vnc") return false;
    QOpenGLContext context;
    if (!context.create()) return false;
    QOffscreenSurface surface;
    surface.create();
    return context.makeCurrent(&surface);
  }();
  return can;
}

QRectF PictureRect(const QRectF& area, QSize video) {
  if (video.isEmpty() || area.isEmpty()) return area;
  QSizeF fitted = QSizeF(video).scaled(area.size(), Qt::KeepAspectRatio);
  return QRectF(area.left() + (area.width() - fitted.width()) / 2, area.top() + (area.height() - fitted.height()) / 2,
                fitted.width(), fitted.height());
}

namespace {

// mpv's software renderer: a picture the size of the widget (mpv keeps the shape and
// adds the bars), painted with the overlay.
class SoftwareVideoView : public QWidget {
 public:
  SoftwareVideoView(MpvPlayer& player, const SubtitleOverlay& overlay, std::function<QSize()> videoSize, QWidget* parent)
      : QWidget(parent), player_(player), overlay_(overlay), videoSize_(std::move(videoSize)) {
    setObjectName("videoPicture");
    setAttribute(Qt::WA_OpaquePaintEvent);
    mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_SW)},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    player_.CreateRenderContext(params, [this](bool force) { Render(force); });
  }
  ~SoftwareVideoView() override { player_.FreeRenderContext(); }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QWidget::resizeEvent(e);
    Render(true);
  }
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (!videoSize_().isEmpty() && !frame_.isNull()) p.drawImage(QPointF(0, 0), frame_);
    if (!videoSize_().isEmpty()) overlay_.Paint(p, PictureRect(QRectF(rect()), videoSize_()));
  }

 private:
  void Render(bool always) {
    mpv_render_context* rc = player_.renderContext();
    if (!rc) return;
    const std::uint64_t flags = mpv_render_context_update(rc);
    if ((flags & MPV_RENDER_UPDATE_FRAME) || always) {
      const QSize size = this->size();
      if (size.isEmpty()) return;
      if (frame_.size() != size) frame_ = QImage(size, QImage::Format_RGBX8888);
      int wh[2] = {size.width(), size.height()};
      std::size_t stride = static_cast<std::size_t>(frame_.bytesPerLine());
      char format[] = "rgb0";
      mpv_render_param params[] = {{MPV_RENDER_PARAM_SW_SIZE, wh},
                                   {MPV_RENDER_PARAM_SW_FORMAT, format},
                                   {MPV_RENDER_PARAM_SW_STRIDE, &stride},
                                   {MPV_RENDER_PARAM_SW_POINTER, frame_.bits()},
                                   {MPV_RENDER_PARAM_INVALID, nullptr}};
      if (mpv_render_context_render(rc, params) < 0) frame_.fill(Qt::black);
    }
    update();
  }

  MpvPlayer& player_;
  const SubtitleOverlay& overlay_;
  std::function<QSize()> videoSize_;
  QImage frame_;
};

void* GlProcedure(void*, const char* name) {
  QOpenGLContext* c = QOpenGLContext::currentContext();
  return c ? reinterpret_cast<void*>(c->getProcAddress(name)) : nullptr;
}

// mpv's OpenGL renderer into the widget's framebuffer, the overlay painted after it.
class GlVideoView : public QOpenGLWidget {
 public:
  GlVideoView(MpvPlayer& player, const SubtitleOverlay& overlay, std::function<QSize()> videoSize, QWidget* parent)
      : QOpenGLWidget(parent), player_(player), overlay_(overlay), videoSize_(std::move(videoSize)) {
    setObjectName("videoPicture");
  }
  ~GlVideoView() override {
    makeCurrent();
    player_.FreeRenderContext();
    doneCurrent();
  }

 protected:
  void initializeGL() override {
    mpv_opengl_init_params gl{GlProcedure, nullptr};
    mpv_render_param params[] = {{MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
                                 {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
                                 {MPV_RENDER_PARAM_INVALID, nullptr}};
    player_.CreateRenderContext(params, [this](bool) { update(); });
  }
  void paintGL() override {
    const qreal dpr = devicePixelRatioF();
    if (mpv_render_context* rc = player_.renderContext(); rc && !videoSize_().isEmpty()) {
      mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()), static_cast<int>(width() * dpr),
                         static_cast<int>(height() * dpr), 0};
      int flip = 1;
      mpv_render_param params[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
                                   {MPV_RENDER_PARAM_FLIP_Y, &flip},
                                   {MPV_RENDER_PARAM_INVALID, nullptr}};
      mpv_render_context_render(rc, params);
    } else {
      QPainter(this).fillRect(rect(), Qt::black);
    }
    if (!videoSize_().isEmpty()) {
      QPainter p(this);
      overlay_.Paint(p, PictureRect(QRectF(rect()), videoSize_()));
    }
  }

 private:
  MpvPlayer& player_;
  const SubtitleOverlay& overlay_;
  std::function<QSize()> videoSize_;
};

}  // namespace

QWidget* MakeVideoView(MpvPlayer& player, const SubtitleOverlay& overlay, std::function<QSize()> videoSize,
                       QWidget* parent) {
  if (CanUseOpenGl()) return new GlVideoView(player, overlay, std::move(videoSize), parent);
  return new SoftwareVideoView(player, overlay, std::move(videoSize), parent);
}

}  // namespace kipo::gui
