#pragma once
// The timeline below the video: waveform, shot cuts, subtitle blocks and the play head over
// one TimelineController. The mouse wheel scrolls (with Ctrl it zooms about the mouse), a
// click moves the picture and chooses the subtitle under it, and dragging a block or one
// of its edges retimes it under the cue rules, snapping unless Shift is held. The analysis
// of an opened video reports its progress in the status bar given.
#include <QWidget>
#include <memory>

#include "app/timeline_controller.h"
#include "gui/timeline_painter.h"

class QLabel;
class QProgressBar;
class QStatusBar;
class QTimer;

namespace kipo::gui {

class TimelineWidget : public QWidget {
  Q_OBJECT
 public:
  explicit TimelineWidget(Workstation& ws, QStatusBar* status = nullptr, QWidget* parent = nullptr);
  ~TimelineWidget() override;

  TimelineController& controller() { return *controller_; }
  TimelinePainter& painter() { return painter_; }
  QSize sizeHint() const override { return {800, 130}; }
  QSize minimumSizeHint() const override { return {200, 60}; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  void ShowProgress(const JobProgress& p);
  bool InBand(double y) const;

  std::unique_ptr<TimelineController> controller_;
  TimelinePainter painter_;
  Connection changed_, progress_;
  QLabel* statusText_ = nullptr;
  QProgressBar* statusBar_ = nullptr;
  bool scrubbing_ = false;
  bool dragging_ = false;
};

}  // namespace kipo::gui
