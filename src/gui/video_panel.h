#pragma once
// The video panel of the main window: the picture with the subtitle over it, the transport
// (the Video menu's commands as buttons), the large timecode in the document's timecode
// with the video offset applied, the playback speed and the guides. It plays through
// libmpv and drives the Workstation's player controller, which drives the playhead.
#include <QWidget>
#include <memory>

#include "app/workstation.h"
#include "gui/subtitle_overlay.h"

class QAction;
class QComboBox;
class QLabel;
class QMainWindow;

namespace kipo::gui {

class MainWindow;
class MpvPlayer;

class VideoPanel : public QWidget {
  Q_OBJECT
 public:
  VideoPanel(MainWindow& window, QWidget* parent = nullptr);
  ~VideoPanel() override;

  // The engine; null when libmpv could not start (the panel then says so).
  MpvPlayer* player() const { return player_.get(); }
  const SubtitleOverlay& overlay() const { return overlay_; }
  QWidget* view() const { return view_; }
  QLabel* timecode() const { return timecode_; }
  QComboBox* speed() const { return speed_; }
  // Opens a video and says why when it cannot (the open one stays).
  bool OpenVideo(const QString& path);
  // The video offset window.
  void OffsetWindow();
  // Shows the position, the subtitle on screen and the controls' state.
  void ShowState();
  // The open video's picture as shown (pixels' shape applied); empty without a video.
  QSize shownSize() const;

 private:
  MainWindow& window_;
  Workstation& ws_;
  std::unique_ptr<MpvPlayer> player_;
  SubtitleOverlay overlay_;
  QWidget* view_ = nullptr;
  QLabel* name_ = nullptr;
  QLabel* timecode_ = nullptr;
  QLabel* offset_ = nullptr;
  QComboBox* speed_ = nullptr;
  QAction* safeArea_ = nullptr;
  QAction* margins_ = nullptr;
  Connection moved_, refreshed_, changed_;
};

// The one-line hook of the main window: the panel in a dock beside the edit area, the
// video offset window on its command, drops of video files onto the window.
VideoPanel* InstallVideoPanel(MainWindow& window);

}  // namespace kipo::gui
