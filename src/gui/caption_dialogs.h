#pragma once
// The options windows of the three caption files: Scenarist SCC (frmSCCOptions), Ultech
// (frmULT) and Caption Inc (frmCINOptions). Each opens with the stored options and saves
// them on OK through the format's option table.
#include <QDialog>
#include <optional>

#include "formats/caption_formats.h"
#include "formats/exchange/catalogue.h"
#include "settings/settings_store.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace kipo::gui {

class SccOptionsDialog : public QDialog {
 public:
  SccOptionsDialog(const SccExport& o, QWidget* parent = nullptr);
  SccExport options() const;
  QComboBox* captionType() const { return type_; }

 private:
  QComboBox* type_;
  QCheckBox* doubleCodes_;
  QCheckBox* ignoreBuildup_;
  QCheckBox* noWait_;
  QCheckBox* showLog_;
};

class UltechOptionsDialog : public QDialog {
 public:
  UltechOptionsDialog(const UltechOptions& o, QWidget* parent = nullptr);
  UltechOptions options() const;

 private:
  QComboBox* type_;
  QComboBox* channel_;
  QSpinBox* offset_;
  QSpinBox* tolerance_;
  QCheckBox* compensate_;
  QCheckBox* erase_;
  QCheckBox* noOutCue_;
};

class CaptionIncOptionsDialog : public QDialog {
 public:
  CaptionIncOptionsDialog(const CaptionIncOptions& o, QWidget* parent = nullptr);
  CaptionIncOptions options() const;

 private:
  QComboBox* type_;
  QComboBox* channel_;
  QSpinBox* precompensate_;
  QLineEdit* header_;
};

// Opens the options window of a caption row and stores its options on OK. Returns nullopt
// when the row is not a caption file, else whether the user pressed OK.
std::optional<bool> EditCaptionOptions(const ExportFormat& row, SettingsStore& settings, QWidget* parent);

}  // namespace kipo::gui
