#pragma once
// The options window: the house rules (timing, cue policies, checks and limits) and the
// punctuation rules. OK validates, stores them in the settings and reloads the
// Workstation's working rules; a refused combination keeps the window open.
#include <QDialog>
#include <functional>
#include <vector>

#include "settings/house_options.h"
#include "text/punctuation.h"

class QTabWidget;

namespace kipo::gui {

class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  OptionsDialog(const HouseOptions& house, const PunctuationRules& rules, QWidget* parent = nullptr);
  const HouseOptions& house() const { return house_; }
  const PunctuationRules& rules() const { return rules_; }
  // Runs on OK with the edited values; returns false to keep the window open.
  std::function<bool(const HouseOptions&, const PunctuationRules&)> onAccept;

  void accept() override;

 private:
  QWidget* TimingTab();
  QWidget* ChecksTab();
  QWidget* PunctuationTab();
  HouseOptions house_;
  PunctuationRules rules_;
  // Copies the widgets' values into house_ and rules_.
  std::vector<std::function<void()>> collect_;
};

}  // namespace kipo::gui
