#pragma once
// The options windows of the catalogue's rows, reached from the export window's Options...
// button (and on OK when "Always show options" asks for them), and the windows through
// which the SAMI, Spruce and Ultech rows are exported:
//  - Avid DS Nitris (frmNitrisOptions): preset, timecode offset, character transform Y,
//    non-realtime switch, spaces around rows;
//  - Hoek en Sonépouse (frmHoekOptions): frames in cues, timecode form, rows on lines;
//  - the header windows (frmSpruceHeader, frmTheatricalHeader, frmTheatricalRTFHeader):
//    the header file spruce.dat or theatrical.dat, or the stored RTF title block;
//  - PowerPoint (frmPowerPointOptions): the slides' font, colours, alignment, comments;
//  - Windows Media Player File (frmSAMI): title, font and the caption language;
//  - the Excel and FAB input boxes ("CSV line break", "FAB shortform line start").
// Each loads its options on opening, stores them on OK and leaves them on Cancel.
#include <QDialog>
#include <functional>
#include <optional>

#include "formats/catalogue_options.h"
#include "formats/exchange/catalogue.h"
#include "platform/prompter.h"
#include "settings/settings_store.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace kipo::gui {

class NitrisOptionsDialog : public QDialog {
 public:
  explicit NitrisOptionsDialog(const NitrisOptions& o, QWidget* parent = nullptr);
  NitrisOptions options() const;

 private:
  QLineEdit* preset_;
  QLineEdit* offset_;
  QSpinBox* transformY_;
  QCheckBox* nonRealtime_;
  QCheckBox* addSpaces_;
};

class HoekOptionsDialog : public QDialog {
 public:
  explicit HoekOptionsDialog(const HoekOptions& o, QWidget* parent = nullptr);
  HoekOptions options() const;

 private:
  QCheckBox* frames_;
  QComboBox* format_;
  QCheckBox* rowsOnLines_;
};

// A header's text with a button that puts the default back; `okText` names the OK button
// ("Export..." when the window exports).
class HeaderDialog : public QDialog {
 public:
  HeaderDialog(const QString& title, const std::string& text, std::string defaultText, const QString& okText = {},
               QWidget* parent = nullptr);
  std::string text() const;
  QPlainTextEdit* editor() const { return edit_; }

 private:
  QPlainTextEdit* edit_;
};

class PowerPointOptionsDialog : public QDialog {
 public:
  explicit PowerPointOptionsDialog(const PowerPointOptions& o, QWidget* parent = nullptr);
  PowerPointOptions options() const;
  // The colour buttons ask for a colour through this (the colour chooser by default), so
  // that tests can answer.
  std::function<std::optional<long>(long current)> chooseColour;
  QPushButton* textColourButton() const { return textColour_; }

 private:
  void ShowColours();
  QComboBox* font_;
  QCheckBox* bold_;
  QPushButton* textColour_;
  QPushButton* backColour_;
  long text_ = 0, back_ = 0;
  QComboBox* hAlign_;
  QComboBox* vAlign_;
  QSpinBox* margin_;
  QCheckBox* baseline_;
  QCheckBox* comments_;
  QCheckBox* blankLine_;
  QSpinBox* commentSize_;
  QComboBox* commentHAlign_;
  QComboBox* commentVAlign_;
};

class SamiDialog : public QDialog {
 public:
  SamiDialog(const SamiOptions& o, bool exports, QWidget* parent = nullptr);
  SamiOptions options() const;

 private:
  SamiOptions loaded_;
  QLineEdit* title_;
  QComboBox* font_;
  QSpinBox* size_;
  QLineEdit* languageName_;
  QLineEdit* languageCode_;
};

// Opens the options window of an export row: the catalogue rows' windows above, the input
// boxes, the custom text, caption and Timed Text windows. True on OK (and for rows without
// a window), false on Cancel.
bool RunExportOptions(const ExportFormat& row, SettingsStore& settings, Prompter& prompter, QWidget* parent);

// The window through which a row is exported (SAMI, Spruce, Ultech): on OK it stores its
// options and calls `exportFile` (the save dialog and writing). The result is whether a
// file was written; nullopt when the row has no such window here.
std::optional<bool> RunExportWindow(const ExportFormat& row, SettingsStore& settings,
                                    const std::function<bool()>& exportFile, QWidget* parent);

}  // namespace kipo::gui
