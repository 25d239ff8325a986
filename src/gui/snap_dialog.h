#pragma once
// The shot-cut windows. The snap window: the range (whole file, the current subtitle, or
// from ... to), where in and out cues go against a cut and the window around each cue; OK
// runs `apply` and closes unless the numbers were refused; "Save settings" only stores the
// three cue settings and closes. The shift window: the direction and a number of frames.
#include <QDialog>
#include <array>
#include <functional>

#include "app/timing_controller.h"
#include "settings/settings_store.h"

class QComboBox;
class QRadioButton;
class QSpinBox;

namespace kipo::gui {

class SnapDialog : public QDialog {
 public:
  // `count` subtitles; the numbered range starts at subtitle `current` (a number).
  SnapDialog(SettingsStore& settings, int count, int current, QWidget* parent = nullptr);

  SnapRange range() const;
  long from() const;
  long to() const;
  SnapOptions options() const;
  std::function<SnapOutcome(const SnapDialog&)> apply;

 private:
  SettingsStore& settings_;
  std::array<QRadioButton*, 3> ranges_{};
  QSpinBox* from_;
  QSpinBox* to_;
  QComboBox* in_;
  QComboBox* out_;
  QComboBox* window_;
};

class ShiftShotCutsDialog : public QDialog {
 public:
  explicit ShiftShotCutsDialog(QWidget* parent = nullptr);
  // Frames to move (the chosen entry + 1) and whether earlier ("Up").
  int frames() const;
  bool up() const;

 private:
  QComboBox* direction_;
  QComboBox* frames_;
};

}  // namespace kipo::gui
