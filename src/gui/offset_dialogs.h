#pragma once
// The two offset windows of the cues menu. Quick Offset moves the current subtitle to the
// video position and every later subtitle with it; the video offset window moves every cue
// of the document by a typed timecode, forward or (with "Offset timecode back") back.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "core/timecode.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace kipo {
class Prompter;
class SettingsStore;
}

namespace kipo::gui {

class QuickOffsetDialog : public QDialog {
  Q_OBJECT
 public:
  // `inCue` is the current subtitle's in cue as eight digits (empty when not set);
  // `position` the video position in frames, which the field starts with.
  QuickOffsetDialog(Prompter& prompter, const FrameRate& rate, const std::string& inCue, Timecode position,
                    QWidget* parent = nullptr);
  // The position typed, in frames; nullopt while the field is not a valid timecode.
  std::optional<Timecode> position() const;
  // What OK would add to every cue from the current subtitle on.
  std::optional<Timecode> offset() const;
  // Runs on OK with the position; false keeps the window open.
  std::function<bool(Timecode)> apply;
  void accept() override;

 private:
  void ShowOffset();
  Prompter& prompter_;
  FrameRate rate_;
  std::string inCue_;
  QLineEdit* position_;
  QLabel* offset_;
};

class VideoOffsetDialog : public QDialog {
  Q_OBJECT
 public:
  VideoOffsetDialog(SettingsStore& settings, Prompter& prompter, const FrameRate& rate, QWidget* parent = nullptr);
  // The signed offset in frames (negative with "Offset timecode back" ticked).
  std::optional<Timecode> offset() const;
  // "OK" or "Cancelled", as the window hands it to the command that opened it.
  QString outcome() const { return result() == Accepted ? "OK" : "Cancelled"; }
  void accept() override;

 private:
  SettingsStore& settings_;
  Prompter& prompter_;
  FrameRate rate_;
  QLineEdit* txtOffset_;
  QCheckBox* chkBack_;
};

// "-00:00:02:05" / "+00:01:00:00": an offset in frames as a signed label.
QString SignedOffsetLabel(Timecode frames, const FrameRate& rate);

}  // namespace kipo::gui
