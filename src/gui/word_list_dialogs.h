#pragma once
// The two word-pair list windows: the auto-replace list (with the typographic switches,
// replacement while typing and Replace Now) and the profanity list (with Find and the list
// file's Open and Save). Both edit a copy of the list: Add (asking before it overwrites a
// listed word), Delete, and OK that stores it; Cancel leaves the stored list as it was.
#include <QDialog>

#include "text/word_list.h"

class QCheckBox;
class QLineEdit;
class QTableWidget;
class QVBoxLayout;

namespace kipo {
class SettingsStore;
class Workstation;
}  // namespace kipo

namespace kipo::gui {

class WordListDialog : public QDialog {
  Q_OBJECT
 public:
  enum class Kind { AutoReplace, Profanity };
  // The auto-replace window starts from the list in use, the profanity window from
  // "profanity.dat" (a list that cannot be read is reported and starts empty).
  WordListDialog(Kind kind, Workstation& ws, QWidget* parent = nullptr);
  Kind kind() const { return kind_; }
  const WordList& list() const { return list_; }
  QTableWidget* entries() const { return lvEntries_; }
  // Add with the two fields' texts; false when nothing was added or replaced.
  bool Add();
  // Deletes the chosen row.
  void Delete();
  void accept() override;

 private:
  void ShowList(int select = -1);
  void AddTypographic(QVBoxLayout* layout);
  Kind kind_;
  Workstation& ws_;
  WordList list_;
  QTableWidget* lvEntries_;
  QLineEdit* txtReplace_;
  QLineEdit* txtWith_;
  QCheckBox* chkReplaceAsYouType_ = nullptr;
};

}  // namespace kipo::gui
