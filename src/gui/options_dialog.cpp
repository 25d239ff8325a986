#include "gui/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <span>

namespace kipo::gui {

namespace {

struct ShortField {
  const char* caption;
  short HouseOptions::*member;
  int min, max;
  const char* unit;
};

struct PolicyField {
  const char* caption;
  CueRulePolicy HouseOptions::*member;
};

struct SwitchField {
  const char* caption;
  CheckSwitch HouseOptions::*member;
};

struct BoolField {
  const char* caption;
  bool HouseOptions::*member;
};

// Adds a spin box per number and a tick box per switch, each copied back on OK.
void AddNumbers(QFormLayout* form, std::span<const ShortField> fields, HouseOptions& house,
                std::vector<std::function<void()>>& collect) {
  for (const ShortField& f : fields) {
    auto* spin = new QSpinBox;
    spin->setRange(f.min, f.max);
    spin->setSuffix(f.unit);
    spin->setValue(house.*f.member);
    form->addRow(f.caption, spin);
    collect.push_back([&house, spin, m = f.member] { house.*m = static_cast<short>(spin->value()); });
  }
}

void AddSwitches(QFormLayout* form, std::span<const BoolField> fields, HouseOptions& house,
                 std::vector<std::function<void()>>& collect) {
  for (const BoolField& f : fields) {
    auto* box = new QCheckBox(f.caption);
    box->setChecked(house.*f.member);
    form->addRow(box);
    collect.push_back([&house, box, m = f.member] { house.*m = box->isChecked(); });
  }
}

}  // namespace

OptionsDialog::OptionsDialog(const HouseOptions& house, const PunctuationRules& rules, QWidget* parent)
    : QDialog(parent), house_(house), rules_(rules) {
  setObjectName("OptionsDialog");
  setWindowTitle("Options");
  auto* layout = new QVBoxLayout(this);
  auto* tabs = new QTabWidget;
  tabs->addTab(TimingTab(), "Timing");
  tabs->addTab(ChecksTab(), "Checks");
  tabs->addTab(PunctuationTab(), "Punctuation");
  layout->addWidget(tabs);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

QWidget* OptionsDialog::TimingTab() {
  static const ShortField kNumbers[] = {
      {"Reading speed:", &HouseOptions::readingSpeed, 1, 100, " characters per second"},
      {"Minimum duration:", &HouseOptions::minDuration, 0, 32767, " frames"},
      {"Maximum duration:", &HouseOptions::maxDuration, 0, 32767, " frames"},
      {"Default interval:", &HouseOptions::defaultInterval, 0, 32767, " frames"},
      {"Default duration:", &HouseOptions::defaultDuration, 0, 32767, " frames"},
  };
  static const PolicyField kPolicies[] = {
      {"Duration < Minimum Duration", &HouseOptions::durationTooShortPolicy},
      {"Duration > Maximum Duration", &HouseOptions::durationTooLongPolicy},
      {"In Cue < Last Out + Default Interval", &HouseOptions::lastIntervalPolicy},
      {"Out Cue > Next In - Default Interval", &HouseOptions::nextIntervalPolicy},
  };
  static const BoolField kSwitches[] = {
      {"Calculate in cue on entering an empty field", &HouseOptions::calcInCue},
      {"Calculate out cue on entering an empty field", &HouseOptions::calcOutCue},
      {"Lock cues (keep neighbours apart when moving a cue)", &HouseOptions::lockCues},
  };
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  AddNumbers(form, kNumbers, house_, collect_);
  for (const PolicyField& f : kPolicies) {
    auto* combo = new QComboBox;
    combo->addItems({"Prevent", "Warn", "Allow"});
    combo->setCurrentIndex(static_cast<int>(house_.*f.member) - 1);
    form->addRow(QString(f.caption) + ":", combo);
    collect_.push_back([this, combo, m = f.member] { house_.*m = static_cast<CueRulePolicy>(combo->currentIndex() + 1); });
  }
  AddSwitches(form, kSwitches, house_, collect_);
  return page;
}

QWidget* OptionsDialog::ChecksTab() {
  static const SwitchField kChecks[] = {
      {"Too many rows", &HouseOptions::tooManyRows},
      {"Too many characters in line", &HouseOptions::tooManyChars},
      {"Safe area override", &HouseOptions::safeAreaOverride},
      {"Inconsistent cues", &HouseOptions::inconsistentCues},
      {"Cues not set", &HouseOptions::cuesNotSet},
      {"Reading speed", &HouseOptions::readingSpeedCheck},
      {"Invalid interval", &HouseOptions::invalidInterval},
      {"Duration too short or too long", &HouseOptions::duration},
      {"Empty subtitles", &HouseOptions::emptySubtitles},
      {"Raised subtitles", &HouseOptions::raisedSubtitles},
  };
  static const ShortField kLimits[] = {
      {"Maximum rows:", &HouseOptions::maxRows, 1, 11, ""},
      {"Maximum characters in a row:", &HouseOptions::maxRowLength, 1, 999, ""},
      {"Invalid interval threshold:", &HouseOptions::invalidIntervalThreshold, 0, 999, " frames"},
      {"Ignore reading speed below:", &HouseOptions::ignoreReadingBelow, 0, 999, " characters"},
      {"Reading speed tolerance:", &HouseOptions::readingTolerance, 0, 100, " %"},
  };
  static const BoolField kSwitches[] = {
      {"Allow blank lines", &HouseOptions::allowBlankLines},
      {"Warn on too many lines", &HouseOptions::warnTooManyRows},
      {"Start checks at next subtitle", &HouseOptions::startChecksAtNextSubtitle},
      {"Enable closed caption checks", &HouseOptions::closedCaptionChecks},
  };
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* group = new QGroupBox("On Run All Checks Include:");
  auto* checks = new QVBoxLayout(group);
  for (const SwitchField& f : kChecks) {
    auto* box = new QCheckBox(f.caption);
    box->setChecked((house_.*f.member).enabled);
    // A check the applied profile forces or ignores says so.
    if ((house_.*f.member).forced) box->setText(box->text() + " (forced by the profile)");
    if ((house_.*f.member).ignored) box->setText(box->text() + " (ignored by the profile)");
    checks->addWidget(box);
    collect_.push_back([this, box, m = f.member] { (house_.*m).enabled = box->isChecked(); });
  }
  layout->addWidget(group);
  auto* form = new QFormLayout;
  AddNumbers(form, kLimits, house_, collect_);
  AddSwitches(form, kSwitches, house_, collect_);
  layout->addLayout(form);
  return page;
}

QWidget* OptionsDialog::PunctuationTab() {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  for (const PunctuationRuleField& r : PunctuationRuleFields()) {
    auto* box = new QCheckBox(r.key);
    box->setObjectName(r.key);
    box->setChecked(rules_.*r.member);
    layout->addWidget(box);
    collect_.push_back([this, box, m = r.member] { rules_.*m = box->isChecked(); });
  }
  layout->addStretch();
  return page;
}

void OptionsDialog::accept() {
  for (auto& c : collect_) c();
  if (onAccept && !onAccept(house_, rules_)) return;
  QDialog::accept();
}

}  // namespace kipo::gui
