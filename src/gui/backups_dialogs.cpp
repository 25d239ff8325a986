#include "gui/backups_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/backups.h"
#include "platform/prompter.h"
#include "platform/user_error.h"
#include "settings/house_options.h"
#include "settings/keys.h"
#include "settings/settings_store.h"

namespace kipo::gui {

namespace fs = std::filesystem;

namespace {

QString Path(const fs::path& p) { return QString::fromStdString(p.string()); }

QPushButton* Button(QDialogButtonBox* box, const char* text, const char* name) {
  auto* b = box->addButton(text, QDialogButtonBox::ActionRole);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

BackupsDialog::BackupsDialog(fs::path root, Prompter& prompter, QWidget* parent)
    : QDialog(parent), root_(std::move(root)), prompter_(prompter) {
  setObjectName("BackupsDialog");
  setWindowTitle("Backups");
  auto* layout = new QVBoxLayout(this);
  auto* prompt = new QLabel(kViewBackupsPrompt);
  prompt->setWordWrap(true);
  layout->addWidget(prompt);
  rootLabel_ = new QLabel;
  rootLabel_->setObjectName("root");
  layout->addWidget(rootLabel_);
  auto* lists = new QGridLayout;
  lstFolders_ = new QListWidget;
  lstFolders_->setObjectName("lstFolders");
  lstFiles_ = new QListWidget;
  lstFiles_->setObjectName("lstFiles");
  lists->addWidget(new QLabel("Sub-folders:"), 0, 0);
  lists->addWidget(new QLabel("Backups:"), 0, 1);
  lists->addWidget(lstFolders_, 1, 0);
  lists->addWidget(lstFiles_, 1, 1);
  layout->addLayout(lists);
  lstContents_ = new QListWidget;
  lstContents_->setObjectName("lstContents");
  QFont mono("Monospace");
  mono.setStyleHint(QFont::TypeWriter);
  lstContents_->setFont(mono);
  layout->addWidget(lstContents_, 1);
  summary_ = new QLabel;
  summary_->setObjectName("summary");
  layout->addWidget(summary_);
  auto* buttons = new QDialogButtonBox;
  QPushButton* other = Button(buttons, "&Other folder...", "cmdOtherFolder");
  QPushButton* restoreButton = Button(buttons, "&Restore", "cmdRestore");
  QPushButton* remove = Button(buttons, "&Delete folder", "cmdDelete");
  buttons->addButton(QDialogButtonBox::Close);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(lstFolders_, &QListWidget::currentRowChanged, this, [this] { ShowFolder(); });
  connect(lstFiles_, &QListWidget::currentRowChanged, this, [this] { ShowFile(); });
  connect(other, &QPushButton::clicked, this, [this] {
    if (auto chosen = prompter_.ChooseFolder(kOtherFolderPrompt)) ShowRoot(*chosen);
  });
  connect(restoreButton, &QPushButton::clicked, this, [this] {
    fs::path file = chosenFile();
    if (!file.empty() && restore && restore(file)) accept();
  });
  connect(remove, &QPushButton::clicked, this, [this] {
    fs::path f = folder();
    if (f.empty()) return;
    if (DeleteBackupFolder(f, prompter_)) ShowRoot(root_);
  });
  ShowRoot(root_);
  resize(760, 560);
}

void BackupsDialog::ShowRoot(fs::path root) {
  root_ = std::move(root);
  rootLabel_->setText(Path(root_));
  lstFolders_->clear();
  for (const std::string& name : ListBackupFolders(root_)) lstFolders_->addItem(QString::fromStdString(name));
  // The newest folder is not known by name; the first is chosen so the lists are never blank.
  if (lstFolders_->count() > 0) lstFolders_->setCurrentRow(0);
  else ShowFolder();
}

fs::path BackupsDialog::folder() const {
  QListWidgetItem* item = lstFolders_->currentItem();
  return item ? root_ / item->text().toStdString() : fs::path();
}

fs::path BackupsDialog::chosenFile() const {
  QListWidgetItem* item = lstFiles_->currentItem();
  fs::path f = folder();
  return item && !f.empty() ? f / item->text().toStdString() : fs::path();
}

QString BackupsDialog::summary() const { return summary_->text(); }

void BackupsDialog::ShowFolder() {
  lstFiles_->clear();
  fs::path f = folder();
  if (!f.empty())
    for (const std::string& name : ListBackupFiles(f)) lstFiles_->addItem(QString::fromStdString(name));
  // The latest backup is the last name (the names sort by date and time).
  if (lstFiles_->count() > 0) lstFiles_->setCurrentRow(lstFiles_->count() - 1);
  else ShowFile();
}

void BackupsDialog::ShowFile() {
  lstContents_->clear();
  summary_->clear();
  fs::path file = chosenFile();
  if (file.empty()) return;
  try {
    BackupListing listing = DescribeBackup(file);
    for (const std::string& line : listing.lines) lstContents_->addItem(QString::fromStdString(line));
    summary_->setText(QString::fromStdString(listing.summary));
  } catch (const UserError& e) {
    prompter_.Inform(e.title(), e.text(), Icon::Critical);
  }
}

namespace {

inline constexpr const char* kModes[] = {"Move them to the trash", "Move them to a folder", "Delete them"};

}  // namespace

AutosaveSettingsDialog::AutosaveSettingsDialog(SettingsStore& settings, Prompter& prompter, QWidget* parent)
    : QDialog(parent), settings_(settings), prompter_(prompter) {
  setObjectName("AutosaveSettingsDialog");
  setWindowTitle("Autosave and Backups");
  const HouseOptions house = HouseOptions::Load(settings_);
  auto* layout = new QVBoxLayout(this);
  auto* autosave = new QGroupBox("Autosave");
  auto* form = new QFormLayout(autosave);
  interval_ = new QSpinBox;
  interval_->setObjectName("interval");
  interval_->setRange(0, 999);
  interval_->setSuffix(" minutes");
  interval_->setSpecialValueText("Off");
  interval_->setValue(house.autosaveMinutes);
  form->addRow("Save the open document every:", interval_);
  backups_ = new QCheckBox("Enable backups (a dated copy of every autosave)");
  backups_->setObjectName("chkBackups");
  backups_->setChecked(settings_.Get(keys::kEnableBackups));
  form->addRow(backups_);
  skipUntitled_ = new QCheckBox("Do not back up untitled files");
  skipUntitled_->setObjectName("chkSkipUntitled");
  skipUntitled_->setChecked(settings_.Get(keys::kDoNotBackupUntitled));
  form->addRow(skipUntitled_);
  layout->addWidget(autosave);

  auto* clean = new QGroupBox("On exit");
  auto* cleanForm = new QFormLayout(clean);
  cleanOnExit_ = new QCheckBox("Clean the backups folder on exit");
  cleanOnExit_->setObjectName("chkCleanOnExit");
  cleanOnExit_->setChecked(house.cleanBackupsOnExit);
  cleanForm->addRow(cleanOnExit_);
  mode_ = new QComboBox;
  mode_->setObjectName("cboMode");
  for (const char* m : kModes) mode_->addItem(m);
  mode_->setCurrentIndex(std::clamp<int>(house.backupCleanMode, 0, 2));
  cleanForm->addRow("Backups:", mode_);
  auto* folderRow = new QHBoxLayout;
  archive_ = new QLineEdit(QString::fromStdString(house.backupArchiveFolder));
  archive_->setObjectName("txtArchive");
  auto* browse = new QPushButton("...");
  browse->setObjectName("cmdBrowse");
  browse->setAutoDefault(false);
  folderRow->addWidget(archive_);
  folderRow->addWidget(browse);
  cleanForm->addRow("Move backup folders to: ", folderRow);
  layout->addWidget(clean);
  connect(browse, &QPushButton::clicked, this, [this] {
    if (auto chosen = prompter_.ChooseFolder("Move backup folders to: ")) archive_->setText(QString::fromStdString(*chosen));
  });
  auto enable = [this] {
    skipUntitled_->setEnabled(backups_->isChecked());
    mode_->setEnabled(cleanOnExit_->isChecked());
    archive_->setEnabled(cleanOnExit_->isChecked() && mode_->currentIndex() == 1);
  };
  connect(backups_, &QCheckBox::toggled, this, enable);
  connect(cleanOnExit_, &QCheckBox::toggled, this, enable);
  connect(mode_, &QComboBox::currentIndexChanged, this, enable);
  enable();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &AutosaveSettingsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void AutosaveSettingsDialog::accept() {
  const std::string archive = archive_->text().trimmed().toStdString();
  if (cleanOnExit_->isChecked() && mode_->currentIndex() == 1) {
    std::error_code ec;
    if (archive.empty() || !fs::is_directory(archive, ec)) {
      prompter_.Inform("", "The folder to move backup folders to does not exist.", Icon::Warning);
      return;
    }
  }
  HouseOptions house = HouseOptions::Load(settings_);
  house.autosaveMinutes = static_cast<short>(interval_->value());
  house.cleanBackupsOnExit = cleanOnExit_->isChecked();
  house.backupCleanMode = static_cast<short>(mode_->currentIndex());
  house.backupArchiveFolder = archive;
  SettingsStore::Batch batch(settings_);
  house.Save(settings_);
  settings_.Set(keys::kEnableBackups, backups_->isChecked());
  settings_.Set(keys::kDoNotBackupUntitled, skipUntitled_->isChecked());
  QDialog::accept();
}

}  // namespace kipo::gui
