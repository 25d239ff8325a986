#pragma once
// The backups windows: the viewer that lists the backup sub-folders, the backups in one of
// them and what a backup holds, restores one as the open document and deletes a whole
// sub-folder; and the settings of autosave, backups and the backup clean on exit.
#include <QDialog>
#include <filesystem>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;

namespace kipo {
class Prompter;
class SettingsStore;
struct HouseOptions;
}  // namespace kipo

namespace kipo::gui {

class BackupsDialog : public QDialog {
  Q_OBJECT
 public:
  BackupsDialog(std::filesystem::path root, Prompter& prompter, QWidget* parent = nullptr);
  QListWidget* folders() const { return lstFolders_; }
  QListWidget* files() const { return lstFiles_; }
  QListWidget* contents() const { return lstContents_; }
  QString summary() const;
  // The backup chosen now, or empty.
  std::filesystem::path chosenFile() const;
  // Restore opens the chosen backup as the document; true closes the window.
  std::function<bool(const std::filesystem::path&)> restore;
  // Lists another folder's sub-folders.
  void ShowRoot(std::filesystem::path root);

 private:
  void ShowFolder();
  void ShowFile();
  std::filesystem::path folder() const;
  std::filesystem::path root_;
  Prompter& prompter_;
  QLabel* rootLabel_;
  QListWidget* lstFolders_;
  QListWidget* lstFiles_;
  QListWidget* lstContents_;
  QLabel* summary_;
};

class AutosaveSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  AutosaveSettingsDialog(SettingsStore& settings, Prompter& prompter, QWidget* parent = nullptr);
  // OK refuses the archive mode without a folder that exists, then stores everything.
  void accept() override;

 private:
  SettingsStore& settings_;
  Prompter& prompter_;
  QSpinBox* interval_;
  QCheckBox* backups_;
  QCheckBox* skipUntitled_;
  QCheckBox* cleanOnExit_;
  QComboBox* mode_;
  QLineEdit* archive_;
};

}  // namespace kipo::gui
