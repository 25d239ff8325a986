#include "gui/new_project_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "core/languages.h"
#include "core/timecode.h"

namespace kipo::gui {

NewProjectDialog::NewProjectDialog(const std::vector<std::string>& profiles, const std::string& currentProfile,
                                   int frameRateCode, int languageId, QWidget* parent)
    : QDialog(parent) {
  setObjectName("NewProjectDialog");
  setWindowTitle("New Project");
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel("Choose the video standard, the client profile and the subtitle language\n"
                           "of the new subtitle document.");
  layout->addWidget(intro);
  auto* form = new QFormLayout;
  rate_ = new QComboBox;
  rate_->setObjectName("frameRate");
  for (int code : NewProjectFrameRateCodes()) {
    FrameRate r = *FrameRate::FromCode(code);
    rate_->addItem(QString::fromStdString(r.longLabel()), code);
    if (code == frameRateCode) rate_->setCurrentIndex(rate_->count() - 1);
  }
  profile_ = new QComboBox;
  profile_->setObjectName("profile");
  for (const auto& p : profiles) {
    profile_->addItem(QString::fromStdString(p));
    if (p == currentProfile) profile_->setCurrentIndex(profile_->count() - 1);
  }
  language_ = new QComboBox;
  language_->setObjectName("language");
  for (const Language& l : Languages()) {
    language_->addItem(QString::fromUtf8(l.name), l.id);
    if (l.id == languageId) language_->setCurrentIndex(language_->count() - 1);
  }
  form->addRow("Frame rate:", rate_);
  form->addRow("Profile:", profile_);
  form->addRow("Language:", language_);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

int NewProjectDialog::frameRateCode() const { return rate_->currentData().toInt(); }
std::string NewProjectDialog::profile() const { return profile_->currentText().toStdString(); }
int NewProjectDialog::languageId() const { return language_->currentData().toInt(); }
short NewProjectDialog::characterSet() const {
  const Language* l = FindLanguage(languageId());
  return l ? l->charset : 0;
}

}  // namespace kipo::gui
