#pragma once
// The Keyboard Shortcuts window: every command of the menus with its keys; a row's keys
// are changed in the key field and set, cleared or reset. Keys that another command has
// are refused with the name of that command. OK stores the changes in the settings
// ("Shortcuts") and applies them to the menus.
#include <QDialog>
#include <map>
#include <string>

#include "settings/settings_store.h"

class QKeySequenceEdit;
class QLabel;
class QTableWidget;

namespace kipo::gui {

class ShortcutsDialog : public QDialog {
  Q_OBJECT
 public:
  ShortcutsDialog(const SettingsStore& settings, QWidget* parent = nullptr);
  QTableWidget* table() const { return table_; }
  QKeySequenceEdit* keyField() const { return keys_; }
  QLabel* message() const { return message_; }
  // Gives the chosen row these keys ("" clears them); false (with the reason shown) when
  // another command has them.
  bool SetKeys(int row, const QString& portableKeys);
  // Every command's keys as chosen, by command id (portable text).
  const std::map<std::string, std::string>& keys() const { return keys_by_id_; }
  // Stores the keys that differ from the table's and forgets the others.
  void Save(SettingsStore& settings) const;

 private:
  void Fill();

  QTableWidget* table_ = nullptr;
  QKeySequenceEdit* keys_ = nullptr;
  QLabel* message_ = nullptr;
  std::map<std::string, std::string> keys_by_id_;
  std::vector<std::string> ids_;  // by row
};

}  // namespace kipo::gui
