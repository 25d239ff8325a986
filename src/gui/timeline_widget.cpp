#include "gui/timeline_widget.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>

#include "app/workstation.h"

namespace kipo::gui {

TimelineWidget::TimelineWidget(Workstation& ws, QStatusBar* status, QWidget* parent)
    : QWidget(parent), controller_(std::make_unique<TimelineController>(ws)) {
  setObjectName("timeline");
  setFocusPolicy(Qt::ClickFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  controller_->SetWidth(width());
  // The analysis reports on a worker thread; its findings are applied on this one.
  QPointer<TimelineWidget> self(this);
  controller_->SetPost([self](std::function<void()> f) {
    if (self) QMetaObject::invokeMethod(self.data(), std::move(f), Qt::QueuedConnection);
  });
  changed_ = controller_->changed.Connect([this] { update(); });
  if (status) {
    statusText_ = new QLabel;
    statusText_->setObjectName("analysisStatus");
    statusBar_ = new QProgressBar;
    statusBar_->setObjectName("analysisProgress");
    statusBar_->setMaximumWidth(160);
    statusBar_->setMaximumHeight(14);
    statusBar_->setTextVisible(false);
    statusBar_->hide();
    status->addPermanentWidget(statusText_);
    status->addPermanentWidget(statusBar_);
  }
  progress_ = controller_->analysisProgress.Connect([this](const JobProgress& p) { ShowProgress(p); });
}

TimelineWidget::~TimelineWidget() = default;

void TimelineWidget::ShowProgress(const JobProgress& p) {
  if (!statusText_) return;
  if (p.total > 0) {
    statusText_->setText(QString::fromStdString(p.text.empty() ? std::string("Analysing video...") : p.text));
    statusBar_->setRange(0, 1000);
    statusBar_->setValue(static_cast<int>(p.done * 1000 / p.total));
    statusBar_->show();
    return;
  }
  statusBar_->hide();
  const std::string& error = controller_->analysisError();
  statusText_->setText(error.empty() ? QString() : QString::fromStdString("Video analysis: " + error));
  if (!error.empty()) {
    QPointer<QLabel> label(statusText_);
    QTimer::singleShot(10000, statusText_, [label] {
      if (label) label->clear();
    });
  }
}

bool TimelineWidget::InBand(double y) const {
  const auto l = TimelinePainter::LayoutFor(rect(), controller_->options().showSubtitles);
  return !l.band.isEmpty() && y >= l.band.top() - 2 && y <= l.band.bottom() + 2;
}

void TimelineWidget::paintEvent(QPaintEvent*) {
  QPainter p(this);
  painter_.Paint(p, rect(), *controller_);
}

void TimelineWidget::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  controller_->SetWidth(width());
}

void TimelineWidget::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
  const double x = e->position().x();
  const TimelineHit hit = InBand(e->position().y()) ? controller_->HitTest(x) : TimelineHit{};
  if (hit.part == TimelineHit::None) {
    controller_->SeekTo(x);
    scrubbing_ = true;
    return;
  }
  dragging_ = controller_->BeginDrag(hit, x);
  if (!dragging_ && controller_->Choose(hit)) controller_->SeekTo(x);
}

void TimelineWidget::mouseMoveEvent(QMouseEvent* e) {
  const double x = e->position().x();
  if (dragging_) {
    controller_->DragTo(x, !(e->modifiers() & Qt::ShiftModifier));
    return;
  }
  if (scrubbing_) {
    controller_->SeekTo(x);
    return;
  }
  // The pointer says what a press would take hold of.
  const TimelineHit hit = InBand(e->position().y()) && !controller_->options().locked ? controller_->HitTest(x)
                                                                                       : TimelineHit{};
  switch (hit.part) {
    case TimelineHit::InEdge:
    case TimelineHit::OutEdge: setCursor(Qt::SizeHorCursor); break;
    case TimelineHit::Block: setCursor(Qt::OpenHandCursor); break;
    default: unsetCursor(); break;
  }
}

void TimelineWidget::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(e);
  const double x = e->position().x();
  if (dragging_) {
    dragging_ = false;
    const auto& d = controller_->drag();
    if (d && !d->moved) {
      // A click on a block: the subtitle is chosen and the picture goes there.
      controller_->CancelDrag();
      controller_->SeekTo(x);
    } else {
      controller_->EndDrag();
    }
  }
  scrubbing_ = false;
}

void TimelineWidget::wheelEvent(QWheelEvent* e) {
  const QPoint delta = e->angleDelta();
  const int steps = (std::abs(delta.y()) >= std::abs(delta.x()) ? delta.y() : delta.x()) / 120;
  if (e->modifiers() & Qt::ControlModifier) {
    if (steps != 0) controller_->ZoomAt(e->position().x(), steps);
  } else {
    // A notch scrolls a tenth of the width, later for a turn towards the user.
    const int raw = std::abs(delta.y()) >= std::abs(delta.x()) ? -delta.y() : -delta.x();
    controller_->ScrollBy(raw / 120.0 * width() / 10.0);
  }
  e->accept();
}

void TimelineWidget::keyPressEvent(QKeyEvent* e) {
  const bool page = e->modifiers() & Qt::ShiftModifier;
  switch (e->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: controller_->ZoomAt(width() / 2.0, 1); break;
    case Qt::Key_Minus: controller_->ZoomAt(width() / 2.0, -1); break;
    case Qt::Key_Left: controller_->ScrollBy(-(page ? width() * 0.9 : width() / 10.0)); break;
    case Qt::Key_Right: controller_->ScrollBy(page ? width() * 0.9 : width() / 10.0); break;
    case Qt::Key_Home: controller_->ScrollTo(controller_->Extent().first); break;
    case Qt::Key_End: controller_->ScrollTo(controller_->Extent().second); break;
    case Qt::Key_Escape:
      if (dragging_) {
        dragging_ = false;
        controller_->CancelDrag();
        break;
      }
      [[fallthrough]];
    default: QWidget::keyPressEvent(e); return;
  }
  e->accept();
}

void TimelineWidget::contextMenuEvent(QContextMenuEvent* e) {
  QMenu menu(this);
  const TimelineOptions& o = controller_->options();
  auto toggle = [&](const char* text, bool on, const FlagSetting& key) {
    QAction* a = menu.addAction(text);
    a->setCheckable(true);
    a->setChecked(on);
    connect(a, &QAction::toggled, this, [this, &key](bool checked) { controller_->SetOption(key, checked); });
  };
  toggle("&Lock subtitles", o.locked, kLockTimelineSubtitles);
  menu.addSeparator();
  toggle("Show &subtitles", o.showSubtitles, kShowTimelineSubtitles);
  toggle("Show &numbers", o.showNumber, kTimelineSubtitleShowNumber);
  toggle("Show &text", o.showText, kTimelineSubtitleShowText);
  toggle("Show shot &cuts", o.showShotCuts, keys::kShowTimelineShotCuts);
  toggle("S&tereo waveform", o.stereo, kDisplayStereoWaveform);
  menu.addSeparator();
  menu.addAction("Zoom &in", this, [this] { controller_->ZoomAt(width() / 2.0, 1); });
  menu.addAction("Zoom &out", this, [this] { controller_->ZoomAt(width() / 2.0, -1); });
  menu.exec(e->globalPos());
}

}  // namespace kipo::gui
