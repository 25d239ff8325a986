#pragma once
// The custom text layout's options window: the building blocks to write, their
// separators, the timecode form, the italics markers and the encoding, with a live
// preview. Load and Save read and write a layout template (.ctf); OK stores every choice
// in the settings, Cancel stores nothing.
#include <QDialog>

#include "formats/exchange/custom_text.h"
#include "platform/prompter.h"
#include "settings/settings_store.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace kipo::gui {

class CustomTextDialog : public QDialog {
 public:
  CustomTextDialog(SettingsStore& settings, Prompter& prompter, QWidget* parent = nullptr);

  CustomTextOptions options() const;
  void setOptions(const CustomTextOptions& o);
  // The load and save buttons' work: false when cancelled or the file could not be used
  // (its message has been shown).
  bool LoadTemplate();
  bool SaveTemplate();

 private:
  void UpdatePreview();
  SettingsStore& settings_;
  Prompter& prompter_;
  QCheckBox *number_, *cues_, *duration_, *position_, *blank_, *comments_;
  QComboBox *numberFormat_, *numberSep_, *interSep_, *tcFormat_, *durationSep_, *textSep_, *rowSep_, *encoding_;
  QLineEdit *startItalic_, *endItalic_;
  QPlainTextEdit* preview_ = nullptr;
};

}  // namespace kipo::gui
