#pragma once
// The recut window: the range, the four ways to move it with their fields, and the three
// check boxes. It opens with the last offset type and the stored "Do not override default
// interval" box; OK runs `apply` and closes only when the recut was done (a refusal's
// message has been shown and the window stays for a correction).
#include <QDialog>
#include <array>
#include <functional>

#include "settings/settings_store.h"
#include "timing/recut.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace kipo::gui {

class RecutDialog : public QDialog {
 public:
  // `count` subtitles in the document; the range starts at subtitle `current` (a number).
  RecutDialog(const SettingsStore& settings, int count, int current, QWidget* parent = nullptr);

  RecutType type() const;
  long first() const;
  long last() const;
  RecutOptions options() const;
  std::function<bool(const RecutDialog&)> apply;

 private:
  QSpinBox* from_;
  QSpinBox* to_;
  std::array<QRadioButton*, 4> types_{};
  QLineEdit* offset_;
  QCheckBox* add_;
  QLineEdit* newIn_;
  QSpinBox* anchor1_;
  QSpinBox* anchor2_;
  QLineEdit* anchor1In_;
  QLineEdit* anchor2In_;
  QCheckBox* outOnly_;
  QCheckBox* keepInterval_;
};

}  // namespace kipo::gui
