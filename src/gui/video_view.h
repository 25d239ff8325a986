#pragma once
// The picture of the video panel: mpv's frames with the subtitle overlay on top. On a
// real display mpv draws with OpenGL into a QOpenGLWidget; where no OpenGL context can be
// made (the offscreen platform of the tests and CI, a remote session without GL) its
// software renderer draws into a QImage that a plain widget paints.
#include <QImage>
#include <QWidget>
#include <functional>

namespace kipo::gui {

class MpvPlayer;
class SubtitleOverlay;

// Whether this session can draw with OpenGL ("KIPO_VIDEO_SOFTWARE=1" forces the software
// renderer).
bool CanUseOpenGl();

// The rectangle a picture of `video` pixels takes in `area`, its shape kept.
QRectF PictureRect(const QRectF& area, QSize video);

// Makes the view for this session. `videoSize` gives the open video's size (empty: none);
// the view repaints when mpv has a new picture, and `Repaint` after overlay changes.
QWidget* MakeVideoView(MpvPlayer& player, const SubtitleOverlay& overlay, std::function<QSize()> videoSize,
                       QWidget* parent);

}  // namespace kipo::gui
