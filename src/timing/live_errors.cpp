#include "timing/live_errors.h"

#include <algorithm>

namespace kipo {
namespace {

const std::vector<Finding> kClean;

}  // namespace

void LiveErrorList::Rebuild(const SubtitleDocument& doc, const CheckSettings& s) {
  settings_ = s;
  built_ = true;
  cues_ = ReadAllCueFrames(doc);
  faults_.assign(doc.Count(), {});
  rowCount_ = 0;
  Check(doc, 0, doc.Count());
  lastChecked_ = doc.Count();
}

void LiveErrorList::Sync(const SubtitleDocument& doc, const CheckSettings& s) {
  lastChecked_ = 0;
  if (!built_ || !(s == settings_) || faults_.size() != doc.Count()) Rebuild(doc, s);
}

void LiveErrorList::Check(const SubtitleDocument& doc, std::size_t first, std::size_t last) {
  last = std::min(last, doc.Count());
  std::vector<Finding> found;
  for (std::size_t i = first; i < last; ++i) {
    found.clear();
    CollectFaults(doc, i, settings_, CheckMode::ErrorList, cues_, found);
    std::erase_if(found, [](const Finding& f) { return !*Info(f.fault).listText; });
    rowCount_ -= faults_[i].size();
    rowCount_ += found.size();
    if (found.empty()) faults_[i].clear();
    else faults_[i] = found;
  }
  lastChecked_ += last > first ? last - first : 0;
  indexed_ = false;
  ++revision_;
}

void LiveErrorList::Apply(const SubtitleDocument& doc, const DocumentChange& c) {
  if (!built_) return;
  lastChecked_ = 0;
  const FrameRate& rate = doc.frameRate();
  auto around = [&](std::size_t first, std::size_t afterLast) {
    Check(doc, first == 0 ? 0 : first - 1, afterLast + 1);
  };
  switch (c.kind) {
    case DocumentChange::Inserted:
      if (c.first > faults_.size()) break;
      faults_.insert(faults_.begin() + static_cast<std::ptrdiff_t>(c.first), c.count, {});
      cues_.insert(cues_.begin() + static_cast<std::ptrdiff_t>(c.first), c.count, {});
      for (std::size_t i = c.first; i < c.first + c.count && i < doc.Count(); ++i) cues_[i] = ReadCueFrames(doc.At(i), rate);
      if (faults_.size() == doc.Count()) around(c.first, c.first + c.count);
      break;
    case DocumentChange::Removed: {
      if (c.first > faults_.size()) break;
      const std::size_t n = std::min(c.count, faults_.size() - c.first);
      for (std::size_t i = c.first; i < c.first + n; ++i) rowCount_ -= faults_[i].size();
      faults_.erase(faults_.begin() + static_cast<std::ptrdiff_t>(c.first),
                    faults_.begin() + static_cast<std::ptrdiff_t>(c.first + n));
      cues_.erase(cues_.begin() + static_cast<std::ptrdiff_t>(c.first), cues_.begin() + static_cast<std::ptrdiff_t>(c.first + n));
      indexed_ = false;
      ++revision_;
      if (faults_.size() == doc.Count()) around(c.first, c.first);
      break;
    }
    case DocumentChange::Changed:
      if (faults_.size() != doc.Count()) break;
      for (std::size_t i = c.first; i < c.first + c.count && i < doc.Count(); ++i) cues_[i] = ReadCueFrames(doc.At(i), rate);
      around(c.first, c.first + c.count);
      break;
    case DocumentChange::ValuesChanged: return;
    case DocumentChange::Reset:
    case DocumentChange::FrameRateChanged: Rebuild(doc, settings_); return;
  }
  // A change the list could not follow step by step (it missed one) starts it afresh.
  if (faults_.size() != doc.Count()) Rebuild(doc, settings_);
}

void LiveErrorList::Index() const {
  if (indexed_) return;
  rows_.clear();
  rows_.reserve(rowCount_);
  for (std::size_t i = 0; i < faults_.size(); ++i)
    for (std::size_t k = 0; k < faults_[i].size(); ++k)
      rows_.emplace_back(static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(k));
  indexed_ = true;
}

ErrorRow LiveErrorList::Row(std::size_t row) const {
  Index();
  if (row >= rows_.size()) return {};
  const auto [i, k] = rows_[row];
  const Finding& f = faults_[i][k];
  return {static_cast<int>(i) + 1, f.fault, ListText(f)};
}

std::vector<ErrorRow> LiveErrorList::Rows() const {
  std::vector<ErrorRow> rows;
  rows.reserve(rowCount_);
  for (std::size_t i = 0; i < faults_.size(); ++i)
    for (const Finding& f : faults_[i]) rows.push_back({static_cast<int>(i) + 1, f.fault, ListText(f)});
  return rows;
}

const std::vector<Finding>& LiveErrorList::FaultsOf(std::size_t index) const {
  return index < faults_.size() ? faults_[index] : kClean;
}

std::size_t LiveErrorList::FirstRowAtOrAfter(std::size_t index) const {
  Index();
  auto it = std::lower_bound(rows_.begin(), rows_.end(), index,
                             [](const auto& r, std::size_t i) { return r.first < i; });
  return static_cast<std::size_t>(it - rows_.begin());
}

}  // namespace kipo
