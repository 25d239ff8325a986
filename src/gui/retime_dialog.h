#pragma once
// The cue conversion window: a tab with the method, the conversion and the start hour, and
// a tab with the nine telecine factors (Default puts them back, Save stores them). It opens
// with the last method, conversion and tab; OK runs `apply` and closes when it converted.
#include <QDialog>
#include <array>
#include <functional>

#include "settings/settings_store.h"
#include "timing/cue_conversion.h"

class QComboBox;
class QLineEdit;
class QTabWidget;

namespace kipo::gui {

class RetimeDialog : public QDialog {
 public:
  // `startHour` is the proposed start hour (the first subtitle's).
  RetimeDialog(SettingsStore& settings, int startHour, QWidget* parent = nullptr);

  ConversionMethod method() const;
  Conversion conversion() const;
  int startHour() const;
  // The factors as typed; a field that does not read as a positive number keeps the stored one.
  TelecineFactors factors() const;
  // Runs the conversion; true closes the window.
  std::function<bool(const RetimeDialog&)> apply;

 private:
  void ShowFactors(const TelecineFactors& f);
  SettingsStore& settings_;
  QTabWidget* tabs_;
  QComboBox* method_;
  QComboBox* conversion_;
  QLineEdit* startHour_;
  std::array<QLineEdit*, 9> factors_{};
};

}  // namespace kipo::gui
