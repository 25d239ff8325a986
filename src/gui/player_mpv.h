#pragma once
// The playback engine of the video panel: libmpv, embedded through its render API, behind
// the app's `Player` interface. mpv plays the picture and the sound; the panel's view asks
// it for pictures (OpenGL into a QOpenGLWidget's framebuffer, or its software renderer into
// a QImage where no OpenGL is available, as on the offscreen platform of the tests).
//
// mpv runs on threads of its own: its wakeup callback posts to the interface thread, where
// the events are read and positions reported, so `onPosition` always runs there.
#include <QObject>
#include <QSize>
#include <functional>
#include <optional>
#include <string>

#include "app/player_controller.h"

struct mpv_handle;
struct mpv_render_context;
struct mpv_render_param;

namespace kipo::gui {

class MpvPlayer : public QObject, public Player {
  Q_OBJECT
 public:
  // `withSound` false plays without an audio device (tests, machines without sound).
  explicit MpvPlayer(bool withSound, QObject* parent = nullptr);
  ~MpvPlayer() override;

  void Open(const std::string& path) override;
  void Close() override;
  void Play() override;
  void Pause() override;
  void Seek(double seconds) override;
  void SetSpeed(double factor) override;

  // The view's picture source: one render context at a time (created with the view's
  // parameters, freed by the view before it goes). `update` runs on the interface thread
  // whenever mpv has a new picture (false), and after each seek has landed and each change
  // of the picture's format (true): the picture is then drawn again even when mpv says it
  // has nothing new. A frame that reaches the output while the output is being set up
  // for a newly opened file can go without mpv's call, which left the last file's picture
  // on screen until the next seek.
  mpv_render_context* CreateRenderContext(mpv_render_param* params, std::function<void(bool force)> update);
  void FreeRenderContext();
  mpv_render_context* renderContext() const { return render_; }

  // Reads every waiting event now (the tests wait on it; the queued wakeups do the same).
  void Drain();
  bool loaded() const { return loaded_; }
  double time() const { return time_; }
  // The picture's size as shown: a stored 720x576 with non-square pixels is 1024x576 at
  // 16:9. Empty until the video's first picture is known.
  QSize displaySize() const;

 signals:
  void wakeup();
  void redraw();

 private:
  void Command(std::initializer_list<const char*> args);
  mpv_handle* mpv_ = nullptr;
  mpv_render_context* render_ = nullptr;
  std::function<void(bool force)> update_;
  std::optional<double> pendingSeek_;
  bool loaded_ = false;
  bool paused_ = true;
  double time_ = 0;
};

}  // namespace kipo::gui
