#include "gui/video_panel.h"

#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "gui/main_window.h"
#include "gui/player_mpv.h"
#include "gui/toolbar_basics.h"
#include "gui/video_offset_dialog.h"
#include "gui/video_view.h"
#include "platform/user_error.h"
#include "settings/setting_key.h"

namespace kipo::gui {
namespace {

inline constexpr std::string_view kVideoPanel = "Video panel";
inline constexpr FlagSetting kSafeAreaGuides{kVideoPanel, "Safe area guides", false, FlagForm::OneZero};
inline constexpr FlagSetting kMarginGuides{kVideoPanel, "Margin guides", false, FlagForm::OneZero};

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

VideoPanel::VideoPanel(MainWindow& window, QWidget* parent)
    : QWidget(parent), window_(window), ws_(window.workstation()) {
  setObjectName("videoPanel");
  overlay_.LoadSettings(ws_.settings());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  name_ = new QLabel("No video: File > Open video..., or drop a video file here");
  name_->setObjectName("videoName");
  name_->setWordWrap(true);
  layout->addWidget(name_);
  try {
    // Sound on a real display; the tests and headless runs play without an audio device.
    const bool sound = std::getenv("KIPO_TEST") == nullptr && CanUseOpenGl();
    player_ = std::make_unique<MpvPlayer>(sound);
  } catch (const UserError& e) {
    name_->setText(Q(e.text()));
  }
  auto videoSize = [this] { return shownSize(); };
  if (player_) {
    view_ = MakeVideoView(*player_, overlay_, videoSize, this);
    ws_.player().SetPlayer(player_.get());
  } else {
    view_ = new QWidget(this);
  }
  view_->setMinimumSize(320, 180);
  view_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  layout->addWidget(view_, 1);

  timecode_ = new QLabel;
  timecode_->setObjectName("videoTimecode");
  QFont big("Monospace");
  big.setStyleHint(QFont::TypeWriter);
  big.setPointSize(26);
  big.setBold(true);
  timecode_->setFont(big);
  timecode_->setAlignment(Qt::AlignCenter);
  offset_ = new QLabel;
  offset_->setObjectName("videoOffset");
  auto* tcRow = new QHBoxLayout;
  tcRow->addWidget(timecode_, 1);
  tcRow->addWidget(offset_);
  layout->addLayout(tcRow);

  // The transport: the Video menu's own actions, so keys, availability and state agree.
  auto* bar = new QToolBar;
  bar->setObjectName("videoTransport");
  bar->setIconSize(QSize(18, 18));
  struct Button {
    const char* id;
    QStyle::StandardPixmap icon;
  };
  const Button buttons[] = {
      {"video.back5", QStyle::SP_MediaSeekBackward}, {"video.frameBack", QStyle::SP_MediaSkipBackward},
      {"video.playPause", QStyle::SP_MediaPlay},     {"video.frameForward", QStyle::SP_MediaSkipForward},
      {"video.forward5", QStyle::SP_MediaSeekForward}, {"video.playSubtitle", QStyle::SP_MediaVolume},
      {"video.loop", QStyle::SP_BrowserReload},
  };
  for (const Button& b : buttons) {
    if (QAction* a = window_.command(b.id)) {
      a->setIcon(style()->standardIcon(b.icon));
      bar->addAction(a);
    }
  }
  layout->addWidget(bar);
  // The cue buttons on a row of their own, so the panel stays narrow beside the list.
  auto* cueBar = new QToolBar;
  cueBar->setObjectName("videoCueButtons");
  for (const char* id : {"video.goToIn", "video.goToOut", "video.setIn", "video.setOut"})
    if (QAction* a = window_.command(id)) cueBar->addAction(a);
  layout->addWidget(cueBar);

  auto* options = new QHBoxLayout;
  speed_ = new QComboBox;
  speed_->setObjectName("videoSpeed");
  for (double s : PlaybackSpeeds()) speed_->addItem(QString::number(s) + QString::fromUtf8("\xC3\x97"), s);
  connect(speed_, &QComboBox::activated, this, [this](int i) {
    ws_.player().SetSpeed(speed_->itemData(i).toDouble());
    ShowState();
  });
  options->addWidget(new QLabel("Speed:"));
  options->addWidget(speed_);
  options->addStretch();
  auto* guides = new QToolBar;
  safeArea_ = guides->addAction("Safe area");
  safeArea_->setObjectName("videoSafeArea");
  margins_ = guides->addAction("Margins");
  margins_->setObjectName("videoMargins");
  for (QAction* a : {safeArea_, margins_}) {
    a->setCheckable(true);
    connect(a, &QAction::toggled, this, [this] {
      ws_.settings().Set(kSafeAreaGuides, safeArea_->isChecked());
      ws_.settings().Set(kMarginGuides, margins_->isChecked());
      overlay_.SetGuides(safeArea_->isChecked(), margins_->isChecked());
      view_->update();
    });
  }
  safeArea_->setChecked(ws_.settings().Get(kSafeAreaGuides));
  margins_->setChecked(ws_.settings().Get(kMarginGuides));
  overlay_.SetGuides(safeArea_->isChecked(), margins_->isChecked());
  options->addWidget(guides);
  layout->addLayout(options);

  moved_ = ws_.playhead().moved.Connect([this](Timecode) { ShowState(); });
  refreshed_ = ws_.session().OnRefresh([this] { ShowState(); });
  changed_ = ws_.player().videoChanged.Connect([this] { ShowState(); });
  ShowState();
}

VideoPanel::~VideoPanel() {
  // The view holds mpv's render context: it goes before the engine.
  delete view_;
  view_ = nullptr;
  ws_.player().SetPlayer(nullptr);
  player_.reset();
}

bool VideoPanel::OpenVideo(const QString& path) {
  try {
    ws_.session().CommitEditArea();
    ws_.player().OpenVideo(path.toStdString());
  } catch (const UserError& e) {
    ws_.prompter().Inform(e.title(), e.text(), Icon::Warning);
    return false;
  }
  ShowState();
  return true;
}

void VideoPanel::OffsetWindow() {
  VideoOffsetDialog dlg(ws_.player(), ws_.prompter(), &window_);
  dlg.exec();
  window_.ShowState();
}

void VideoPanel::ShowState() {
  PlayerController& p = ws_.player();
  const VideoFile* v = p.video();
  if (v) name_->setText(QFileInfo(Q(v->path())).fileName() + QString("  %1x%2, %3 frames").arg(v->width()).arg(v->height()).arg(v->frameCount()));
  else if (player_) name_->setText("No video: File > Open video..., or drop a video file here");
  timecode_->setText(Q(p.PositionLabel()));
  const Timecode off = p.videoOffset();
  offset_->setText(off == 0 ? QString() : QString("Offset %1%2").arg(off < 0 ? "-" : "+").arg(Q(p.OffsetLabel())));
  const int speedIndex = speed_->findData(p.speed());
  if (speedIndex >= 0 && speedIndex != speed_->currentIndex()) speed_->setCurrentIndex(speedIndex);
  if (QAction* play = window_.command("video.playPause"))
    play->setIcon(style()->standardIcon(p.playing() ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));

  // The subtitle on screen at this position; the current one as it is being typed.
  std::optional<Subtitle> shown;
  int number = 0;
  if (v) {
    if (std::optional<std::size_t> at = p.SubtitleAt(p.Position())) {
      Subtitle s = ws_.doc().At(*at);
      if (*at == ws_.session().current()) s.text = ws_.session().edit().text;
      shown = std::move(s);
      number = static_cast<int>(*at) + 1;
    }
  }
  if (v) {
    const QSize shape = shownSize();
    overlay_.SetPictureShape(shape.width(), shape.height());
  }
  overlay_.Show(shown, number);
  if (view_) view_->update();
}

QSize VideoPanel::shownSize() const {
  const VideoFile* v = ws_.player().video();
  if (!v) return {};
  // The player knows the pixels' shape (an anamorphic 720x576 shows 16:9); the file's
  // stored size until it does.
  if (player_)
    if (QSize shown = player_->displaySize(); !shown.isEmpty()) return shown;
  return QSize(v->width(), v->height());
}

VideoPanel* InstallVideoPanel(MainWindow& window) {
  auto* dock = new QDockWidget("Video", &window);
  dock->setObjectName("videoDock");
  dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  auto* panel = new VideoPanel(window, dock);
  dock->setWidget(panel);
  window.addDockWidget(Qt::RightDockWidgetArea, dock);
  // Video files dropped anywhere on the window open in the panel.
  window.basics().onVideoDropped = [panel](const std::string& path) { panel->OpenVideo(QString::fromStdString(path)); };
  if (QAction* offset = window.command("video.offset"))
    QObject::connect(offset, &QAction::triggered, panel, [panel] { panel->OffsetWindow(); });
  return panel;
}

}  // namespace kipo::gui
