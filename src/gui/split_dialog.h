#pragma once
// The split window: every subtitle with its number, in cue, text and comment, a tick box
// on each subtitle that can begin a part (all but the first and the last), the count of
// ticked points below, and the check box that asks for each part's start time. OK runs
// `apply` and closes only when the split went ahead (a refusal's message has been shown
// and the window stays for a correction).
#include <QDialog>
#include <functional>
#include <vector>

#include "core/document.h"

class QCheckBox;
class QLabel;
class QTableView;

namespace kipo::gui {

class SplitPointModel;

class SplitDialog : public QDialog {
 public:
  explicit SplitDialog(const SubtitleDocument& doc, QWidget* parent = nullptr);

  // Ticked subtitle numbers in order.
  std::vector<long> splitPoints() const;
  bool confirmStartTimes() const;
  // Ticks or clears a subtitle (by number); false for one that cannot be a split point.
  bool setTicked(long number, bool ticked);
  std::function<bool(const SplitDialog&)> apply;

 private:
  void UpdateCount();
  SplitPointModel* model_;
  QTableView* list_;
  QLabel* count_;
  QCheckBox* confirm_;
};

}  // namespace kipo::gui
