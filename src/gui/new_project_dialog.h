#pragma once
// The new-project window: frame rate, settings profile and subtitle language.
#include <QDialog>

class QComboBox;

namespace kipo::gui {

class NewProjectDialog : public QDialog {
  Q_OBJECT
 public:
  NewProjectDialog(const std::vector<std::string>& profiles, const std::string& currentProfile,
                   int frameRateCode, int languageId, QWidget* parent = nullptr);
  int frameRateCode() const;
  std::string profile() const;
  int languageId() const;
  short characterSet() const;

 private:
  QComboBox* rate_;
  QComboBox* profile_;
  QComboBox* language_;
};

}  // namespace kipo::gui
