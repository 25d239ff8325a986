#pragma once
// The profile window: one client's house rules as stored in a profile - the timing
// numbers, the display settings, the checks the profile forces on or ignores, and the
// punctuation rules - with Import and Export of the whole profiles file. Leaving a changed
// profile (OK, or choosing another one) asks whether to make the changes permanent.
#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "settings/profiles.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace kipo {
class ProfileController;
}

namespace kipo::gui {

class ProfileDialog : public QDialog {
  Q_OBJECT
 public:
  ProfileDialog(ProfileController& profiles, QWidget* parent = nullptr);
  // The profile as the window shows it now.
  Profile edited() const;
  const Profile& original() const { return original_; }
  // Shows another stored profile; a changed one is offered for saving first, and a
  // refusal keeps it. False when the window stayed on the current profile.
  bool Choose(const QString& name);
  void accept() override;

 private:
  void FillNames(const QString& select);
  void Show(const Profile& p);
  ProfileController& profiles_;
  Profile original_;
  QComboBox* cboProfile_;
  QLineEdit* txtDisplayFile_;
  QComboBox* cboDisplayStandard_;
  std::vector<std::pair<QSpinBox*, short HouseOptions::*>> numbers_;
  QCheckBox* force_[5];
  QCheckBox* ignore_[5];
  QCheckBox* punctuation_[14];
  bool filling_ = false;
};

}  // namespace kipo::gui
