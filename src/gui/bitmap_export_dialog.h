#pragma once
// The bitmap export windows: the settings window with its live preview, and the progress
// window that renders, writes the script and shows the log (which can be saved, or printed
// to a PDF file).
#include <QDialog>
#include <QImage>
#include <memory>

#include "core/document.h"
#include "imaging/bitmap_export.h"
#include "imaging/dvd_settings.h"
#include "platform/prompter.h"
#include "settings/settings_store.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace kipo::gui {

class BitmapExportDialog : public QDialog {
 public:
  // `doc` is the open document (read only while the window is open); `selection` the
  // selected subtitle numbers, first and last.
  BitmapExportDialog(SettingsStore& settings, Prompter& prompter, const SubtitleDocument& doc, int selectionFirst,
                     int selectionLast, QWidget* parent = nullptr);
  ~BitmapExportDialog() override;

  // The settings as the controls show them.
  DvdOptions options() const;
  void setOptions(const DvdOptions& o);
  // Font files handed to every renderer (tests: the reference font); empty: the machine's.
  void setFontFiles(std::vector<std::string> files);
  // The preview as last drawn (the subtitle on the background, margin lines, zoomed).
  const QImage& previewImage() const { return preview_; }
  // Renders the preview now instead of after the short pause that follows a change.
  void RefreshPreview();
  // The checks of OK; true when the export may start (questions go to the prompter).
  bool Check();
  // The export's first and last subtitle numbers for the chosen range.
  std::pair<int, int> Range() const;
  // Runs the export in the progress window (OK does this after Check).
  void StartExport();
  // The progress window of the last export (tests).
  QDialog* progressWindow() const { return progress_; }

 private:
  void Build();
  void TargetChanged();
  void SchedulePreview();
  void LoadSettingsFile();
  void SaveSettingsFile();
  void EditHeader();
  void ChooseBackground();
  void ChooseFolder();

  SettingsStore& settings_;
  Prompter& prompter_;
  const SubtitleDocument& doc_;
  int selFirst_, selLast_;
  std::vector<std::string> fontFiles_;
  std::string headerText_, lastHeaderFile_;
  DvdOptions base_;
  QImage background_, preview_;
  QDialog* progress_ = nullptr;
  QTimer* previewTimer_;

  QComboBox *target_, *extension_, *picture_, *size_, *antialias_, *outline_, *charset_, *range_, *zoom_;
  QSpinBox *width_, *height_, *fontSize_, *border_, *baseline_, *ceiling_, *left_, *right_, *centre_, *leading_,
      *kerning_, *pad_, *hpad_, *singleRow_, *opacity_;
  QSpinBox *contrast_[4], *colourMap_[4];
  QPushButton* colour_[4];
  QCheckBox *bold_, *italic_, *rowOneCeiling_, *ignoreEmpty_, *deleteOnCancel_, *contrastPreview_, *shadow_,
      *anamorphic_, *customHeader_, *duplicateEdl_, *crop_, *marginLines_;
  QLineEdit *font_, *folder_, *stream_, *indexFile_, *previewText_;
  QListWidget* list_;
  QLabel* previewLabel_;
};

// The progress and log window: starts the export on the worker pool at once; Cancel stops
// it (deleting the pictures with "Delete bitmaps on cancel"); the log can be saved
// ("DVD Export Log Files (*.log)|*.log") or printed to a PDF file.
class BitmapExportProgress : public QDialog {
 public:
  BitmapExportProgress(BitmapExportRequest request, Prompter& prompter, QWidget* parent = nullptr);
  ~BitmapExportProgress() override;
  bool finished() const { return finished_; }
  const BitmapExportResult& result() const { return result_; }
  QStringList logLines() const;
  // The log as printed: the heading "DVD Export Log: <date> at <time>", the lines, and
  // "Printed on <date>".
  QString PrintText() const;

 private:
  void Done();
  std::unique_ptr<BitmapExport> export_;
  Prompter& prompter_;
  BitmapExportResult result_;
  bool finished_ = false;
  QProgressBar* bar_;
  QListWidget* log_;
  QPushButton *cancel_, *save_, *print_, *close_;
};

}  // namespace kipo::gui
