#pragma once
// The digital cinema window: every "DLP" setting with a live preview of the current
// subtitle on a picture of the screen's shape, the Z offset of each subtitle, and Export XML.
// File choices go through the Prompter, so the window runs the same under tests.
#include <QDialog>
#include <QImage>
#include <functional>
#include <map>
#include <string>

#include "core/document.h"
#include "formats/cinema/dlp_options.h"
#include "formats/cinema/z_offsets.h"
#include "platform/prompter.h"
#include "settings/settings_store.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace kipo::gui {

class DlpOptionsDialog : public QDialog {
 public:
  // `current` is the 0-based subtitle the preview starts on.
  DlpOptionsDialog(SettingsStore& settings, const SubtitleDocument& doc, std::size_t current, Prompter& prompter,
                   QWidget* parent = nullptr);

  // The options as the controls show them.
  DlpOptions options() const;
  void SetOptions(const DlpOptions& o);
  const ZOffsets& zOffsets() const { return z_; }
  std::size_t current() const { return current_; }
  // A picture of the screen (a video frame) to draw the preview on; a null image clears it.
  void SetBackground(const QImage& frame);
  // The preview as last drawn.
  const QImage& preview() const { return preview_; }
  // Called with "File exported successfully" after an export (the main window's status line).
  std::function<void(const std::string&)> onStatus;
  // Gives the current video frame for "Grab video frame"; unset leaves the command off.
  std::function<QImage()> grabVideoFrame;
  bool exported() const { return exported_; }
  QAction* command(const QString& name) const;

  // The menu commands.
  bool ExportXml();
  void LoadSettings();
  void SaveSettings();
  void DefaultSettings();
  void LoadZOffsets();
  void SaveZOffsets();
  void LoadZRanges();
  void GenerateFontUuid();
  void Step(int delta);        // previous / next subtitle
  void ChangeZ(double delta);  // the current subtitle's depth
  void ZeroZ();

 private:
  void Build();
  void Refresh();
  void ShowError(const std::exception& e);
  SettingsStore& settings_;
  const SubtitleDocument& doc_;
  Prompter& prompter_;
  std::size_t current_ = 0;
  ZOffsets z_;
  QImage background_, preview_;
  bool exported_ = false;
  bool loading_ = false;
  std::map<QString, QAction*> actions_;

  QComboBox *version_, *weight_, *effect_, *alignment_, *direction_, *screen_, *rate_, *edition_;
  QLineEdit *title_, *fontName_, *fontUri_, *fontUuid_, *textColour_, *effectColour_, *spacing_, *aspect_;
  QSpinBox *reel_, *size_, *leading_, *alphaText_, *alphaEffect_, *fadeUp_, *fadeDown_;
  QSpinBox *marginLeft_, *marginRight_, *marginTop_, *marginBottom_;
  QCheckBox *bottomUp_, *subs3d_, *inherit_, *round_, *trimText_, *trimItalics_, *trimSpaces_, *closeAfter_,
      *basicFont_, *closeFont_, *showMargins_, *images_;
  QLabel *picture_, *zLabel_, *numberLabel_;
  DlpOptions hidden_;  // settings without a control of their own (colour map, custom colours)
};

}  // namespace kipo::gui
