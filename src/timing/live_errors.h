#pragma once
// The error list kept up to date with the document. A subtitle's faults depend on its own
// fields and on its neighbours' cues (an inconsistent in cue reads the previous out cue,
// an invalid interval the next in cue), so a change re-checks the subtitles it touched and
// the one on either side; inserted and removed subtitles shift the rest without checking
// them again. Rows are numbered when they are read, so a renumbering never leaves a row
// pointing at the wrong subtitle.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/document.h"
#include "timing/error_list.h"
#include "timing/subtitle_checks.h"

namespace kipo {

class LiveErrorList {
 public:
  // Checks every subtitle with these settings.
  void Rebuild(const SubtitleDocument& doc, const CheckSettings& s);
  // Follows one change the document announced (after the fact).
  void Apply(const SubtitleDocument& doc, const DocumentChange& change);
  // Rebuilds when the settings differ from the ones the list was built with.
  void Sync(const SubtitleDocument& doc, const CheckSettings& s);

  // Rows of the list in document order, each subtitle's faults in catalogue order.
  std::size_t RowCount() const { return rowCount_; }
  ErrorRow Row(std::size_t row) const;
  std::vector<ErrorRow> Rows() const;
  // The faults of one subtitle (empty when clean or out of range).
  const std::vector<Finding>& FaultsOf(std::size_t index) const;
  // The first row of a subtitle or of the first faulty subtitle after it; RowCount() when
  // there is none.
  std::size_t FirstRowAtOrAfter(std::size_t index) const;
  // How many subtitles the last Rebuild, Apply or Sync checked.
  std::size_t lastChecked() const { return lastChecked_; }
  const CheckSettings& settings() const { return settings_; }
  // Grows with every change of the rows, so a view knows when to read them again.
  std::uint64_t revision() const { return revision_; }

 private:
  void Check(const SubtitleDocument& doc, std::size_t first, std::size_t last);
  void Index() const;

  CheckSettings settings_;
  bool built_ = false;
  std::vector<CueFrames> cues_;                // per subtitle, read once
  std::vector<std::vector<Finding>> faults_;   // per subtitle, list faults only
  std::size_t rowCount_ = 0;
  std::size_t lastChecked_ = 0;
  std::uint64_t revision_ = 0;
  // Row -> (subtitle, fault) index, built when rows are first read after a change.
  mutable std::vector<std::pair<std::uint16_t, std::uint16_t>> rows_;
  mutable bool indexed_ = false;
};

}  // namespace kipo
