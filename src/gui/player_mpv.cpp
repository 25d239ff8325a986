#include "gui/player_mpv.h"

#include <mpv/client.h>
#include <mpv/render.h>

#include <clocale>
#include <cstdio>

#include "platform/user_error.h"

namespace kipo::gui {

MpvPlayer::MpvPlayer(bool withSound, QObject* parent) : QObject(parent) {
  // mpv reads and writes numbers in the C locale only and refuses to start otherwise.
  std::setlocale(LC_NUMERIC, "C");
  mpv_ = mpv_create();
  if (!mpv_) throw UserError("Video", "The video player could not be started.");
  auto set = [this](const char* name, const char* value) { mpv_set_option_string(mpv_, name, value); };
  set("vo", "libmpv");                 // pictures only through the render API
  set("ao", withSound ? "pulse,pipewire,alsa,null" : "null");
  set("pause", "yes");
  set("idle", "yes");
  set("keep-open", "always");          // the last frame stays at the end, paused
  set("hr-seek", "yes");               // every seek lands on its frame, not a keyframe
  set("hr-seek-framedrop", "no");
  // Transport and program streams are sought by their bytes and can land after the frame
  // asked for, whose keyframe then lies behind: start decoding a second earlier.
  set("hr-seek-demuxer-offset", "1.0");
  set("rebase-start-time", "no");      // times on the file's own clock, as our frame table
  set("sub-auto", "no");               // the subtitles are ours, drawn over the picture
  set("sid", "no");
  set("osd-level", "0");
  set("input-default-bindings", "no");
  set("input-vo-keyboard", "no");
  set("terminal", "no");
  set("msg-level", "all=error");
  set("hwdec", "no");
  set("audio-pitch-correction", "yes");
  if (mpv_initialize(mpv_) < 0) {
    mpv_terminate_destroy(mpv_);
    throw UserError("Video", "The video player could not be started.");
  }
  mpv_observe_property(mpv_, 0, "time-pos", MPV_FORMAT_DOUBLE);
  mpv_observe_property(mpv_, 0, "pause", MPV_FORMAT_FLAG);
  mpv_observe_property(mpv_, 0, "eof-reached", MPV_FORMAT_FLAG);
  connect(this, &MpvPlayer::wakeup, this, &MpvPlayer::Drain, Qt::QueuedConnection);
  connect(this, &MpvPlayer::redraw, this, [this] {
        if (update_) update_(false);
      }, Qt::QueuedConnection);
  mpv_set_wakeup_callback(
      mpv_, [](void* self) { emit static_cast<MpvPlayer*>(self)->wakeup(); }, this);
}

MpvPlayer::~MpvPlayer() {
  FreeRenderContext();
  mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
  mpv_terminate_destroy(mpv_);
}

void MpvPlayer::Command(std::initializer_list<const char*> args) {
  std::vector<const char*> argv(args);
  argv.push_back(nullptr);
  mpv_command(mpv_, argv.data());
}

void MpvPlayer::Open(const std::string& path) {
  loaded_ = false;
  pendingSeek_.reset();
  time_ = 0;
  paused_ = true;
  mpv_set_property_string(mpv_, "pause", "yes");
  Command({"loadfile", path.c_str(), "replace"});
}

void MpvPlayer::Close() {
  loaded_ = false;
  pendingSeek_.reset();
  Command({"stop"});
}

void MpvPlayer::Play() {
  int no = 0;
  mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &no);
}

void MpvPlayer::Pause() {
  int yes = 1;
  mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &yes);
}

void MpvPlayer::Seek(double seconds) {
  if (!loaded_) {
    pendingSeek_ = seconds;  // sought once the file is there
    return;
  }
  char at[40];
  std::snprintf(at, sizeof at, "%.6f", seconds);
  Command({"seek", at, "absolute+exact"});
}

void MpvPlayer::SetSpeed(double factor) { mpv_set_property(mpv_, "speed", MPV_FORMAT_DOUBLE, &factor); }

mpv_render_context* MpvPlayer::CreateRenderContext(mpv_render_param* params, std::function<void(bool force)> update) {
  FreeRenderContext();
  if (mpv_render_context_create(&render_, mpv_, params) < 0) {
    render_ = nullptr;
    return nullptr;
  }
  update_ = std::move(update);
  mpv_render_context_set_update_callback(
      render_, [](void* self) { emit static_cast<MpvPlayer*>(self)->redraw(); }, this);
  return render_;
}

void MpvPlayer::FreeRenderContext() {
  if (!render_) return;
  mpv_render_context_set_update_callback(render_, nullptr, nullptr);
  mpv_render_context_free(render_);
  render_ = nullptr;
  update_ = nullptr;
}

void MpvPlayer::Drain() {
  bool moved = false;
  for (;;) {
    mpv_event* e = mpv_wait_event(mpv_, 0);
    if (e->event_id == MPV_EVENT_NONE) break;
    switch (e->event_id) {
      case MPV_EVENT_FILE_LOADED:
        loaded_ = true;
        if (pendingSeek_) {
          double at = *std::exchange(pendingSeek_, std::nullopt);
          Seek(at);
        }
        break;
      case MPV_EVENT_END_FILE: loaded_ = false; break;
      case MPV_EVENT_PLAYBACK_RESTART:  // a seek has landed
        moved = true;
        if (update_) update_(true);
        break;
      case MPV_EVENT_VIDEO_RECONFIG:
        if (update_) update_(true);
        break;
      case MPV_EVENT_PROPERTY_CHANGE: {
        auto* p = static_cast<mpv_event_property*>(e->data);
        const std::string name = p->name;
        if (name == "time-pos" && p->format == MPV_FORMAT_DOUBLE) {
          time_ = *static_cast<double*>(p->data);
          moved = true;
        } else if (name == "pause" && p->format == MPV_FORMAT_FLAG) {
          paused_ = *static_cast<int*>(p->data) != 0;
          moved = true;
        } else if (name == "eof-reached" && p->format == MPV_FORMAT_FLAG && *static_cast<int*>(p->data)) {
          if (onEnded) onEnded();
        }
        break;
      }
      default: break;
    }
  }
  if (moved && loaded_ && onPosition) onPosition(time_, !paused_);
}

QSize MpvPlayer::displaySize() const {
  if (!mpv_ || !loaded_) return {};
  std::int64_t w = 0, h = 0;
  if (mpv_get_property(mpv_, "dwidth", MPV_FORMAT_INT64, &w) < 0 ||
      mpv_get_property(mpv_, "dheight", MPV_FORMAT_INT64, &h) < 0 || w <= 0 || h <= 0)
    return {};
  return QSize(static_cast<int>(w), static_cast<int>(h));
}

}  // namespace kipo::gui
