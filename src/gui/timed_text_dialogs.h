#pragma once
// The options windows of the Timed Text exports, reached from the export window's
// Options... button (and on OK when "Always show options" asks for it):
//  - "Timed Text Options" (frmTimedTextOptions) for W3C, Netflix, Generic and EBU-TT: font,
//    size, weight, box and outline;
//  - "EBU-TT-D Options" (frmEBUTTD): country, aspect ratio, publisher, editor, copyright,
//    and the same appearance;
//  - "iTunes Options" (frmiTuneOptions): the region switch.
// Each loads its keys on opening, stores them on OK and leaves them on Cancel.
#include <QDialog>

#include "formats/exchange/catalogue.h"
#include "formats/timedtext/timed_text.h"
#include "settings/option_table.h"
#include "settings/settings_store.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace kipo::gui {

class TimedTextOptionsDialog : public QDialog {
 public:
  enum class Kind { Appearance, EbuTtd, ITunes };
  TimedTextOptionsDialog(Kind kind, SettingsStore& settings, QWidget* parent = nullptr);
  // The options as the controls show them.
  TimedTextWriteOptions options() const;

 private:
  void Store();
  Kind kind_;
  SettingsStore& settings_;
  const OptionTable<TimedTextWriteOptions>& table_;
  TimedTextWriteOptions loaded_;
  QComboBox* fontName_ = nullptr;
  QComboBox* fontSize_ = nullptr;
  QComboBox* fontStyle_ = nullptr;
  QCheckBox* box_ = nullptr;
  QCheckBox* outline_ = nullptr;
  QSpinBox* outlineSize_ = nullptr;
  QComboBox* country_ = nullptr;
  QComboBox* aspect_ = nullptr;
  QLineEdit* publisher_ = nullptr;
  QLineEdit* editor_ = nullptr;
  QLineEdit* copyright_ = nullptr;
  QCheckBox* forceRegion_ = nullptr;
};

// Opens the options window of an export row when it is one of the Timed Text windows:
// true on OK, false on Cancel; nullopt when the row has none of them.
std::optional<bool> RunTimedTextOptions(const ExportFormat& row, SettingsStore& settings, QWidget* parent);

}  // namespace kipo::gui
