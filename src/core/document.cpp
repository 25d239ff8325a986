#include "core/document.h"

#include "core/markup.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {

const char* BoxStyleName(int style) {
  static const char* kNames[] = {"None", "Unboxed outline", "Boxed outline", "Ghost boxed outline",
                                 "Stripe outline", "Ghost stripe outline"};
  return style >= 128 && style <= 133 ? kNames[style - 128] : "";
}

SubtitleDocument::SubtitleDocument(int frameRateCode, std::int32_t languageId, std::int16_t characterSet)
    : characterSet_(characterSet), languageId_(languageId) {
  if (auto r = FrameRate::FromCode(frameRateCode)) frameRate_ = *r;
}

SubtitleDocument::SubtitleDocument(const SubtitleDocument& o)
    : filePath(o.filePath),
      fileType(o.fileType),
      modified(o.modified),
      saved(o.saved),
      subtitles_(o.subtitles_),
      frameRate_(o.frameRate_),
      characterSet_(o.characterSet_),
      languageId_(o.languageId_),
      notes_(o.notes_),
      currentNumber_(o.currentNumber_),
      properties_(o.properties_) {}

SubtitleDocument& SubtitleDocument::operator=(const SubtitleDocument& o) {
  if (this == &o) return *this;
  auto listeners = std::move(changed_);
  SubtitleDocument copy(o);
  *this = std::move(copy);
  changed_ = std::move(listeners);
  Notify({DocumentChange::Reset, 0, subtitles_.size()});
  return *this;
}

SubtitleDocument& SubtitleDocument::operator=(SubtitleDocument&& o) {
  // Moving a document in (a reader's result) keeps this document's listeners.
  subtitles_ = std::move(o.subtitles_);
  frameRate_ = o.frameRate_;
  characterSet_ = o.characterSet_;
  languageId_ = o.languageId_;
  notes_ = std::move(o.notes_);
  currentNumber_ = o.currentNumber_;
  properties_ = std::move(o.properties_);
  filePath = std::move(o.filePath);
  fileType = std::move(o.fileType);
  modified = o.modified;
  saved = o.saved;
  if (changed_.empty()) changed_ = std::move(o.changed_);
  Notify({DocumentChange::Reset, 0, subtitles_.size()});
  return *this;
}

Subtitle& SubtitleDocument::Mut(std::size_t i) { return subtitles_.at(i); }

void SubtitleDocument::Notify(const DocumentChange& c) {
  changed_(c);
}

void SubtitleDocument::Changed(std::size_t first, std::size_t count) {
  modified = true;
  Notify({DocumentChange::Changed, first, count});
}

void SubtitleDocument::Insert(std::size_t index, Subtitle s) {
  if (subtitles_.size() >= kMaxSubtitles)
    throw UserError(kAppTitle, "A document can hold at most 32767 subtitles.");
  if (index > subtitles_.size()) index = subtitles_.size();
  subtitles_.insert(subtitles_.begin() + static_cast<std::ptrdiff_t>(index), std::move(s));
  modified = true;
  Notify({DocumentChange::Inserted, index, 1});
}

void SubtitleDocument::Remove(std::size_t index) { RemoveRange(index, 1); }

void SubtitleDocument::RemoveRange(std::size_t first, std::size_t count) {
  if (first >= subtitles_.size() || count == 0) return;
  count = std::min(count, subtitles_.size() - first);
  auto b = subtitles_.begin() + static_cast<std::ptrdiff_t>(first);
  subtitles_.erase(b, b + static_cast<std::ptrdiff_t>(count));
  modified = true;
  Notify({DocumentChange::Removed, first, count});
}

void SubtitleDocument::Clear() {
  subtitles_.clear();
  modified = true;
  Notify({DocumentChange::Reset, 0, 0});
}

void SubtitleDocument::Replace(std::size_t index, Subtitle s) {
  Mut(index) = std::move(s);
  Changed(index);
}

void SubtitleDocument::ReplaceAll(std::vector<Subtitle> subtitles) {
  if (subtitles.size() > kMaxSubtitles)
    throw UserError(kAppTitle, "A document can hold at most 32767 subtitles.");
  subtitles_ = std::move(subtitles);
  modified = true;
  Notify({DocumentChange::Reset, 0, subtitles_.size()});
}

void SubtitleDocument::SetText(std::size_t i, std::string text) {
  Mut(i).text = std::move(text);
  Changed(i);
}
void SubtitleDocument::SetInCue(std::size_t i, Cue cue) {
  Mut(i).inCue = std::move(cue);
  Changed(i);
}
void SubtitleDocument::SetOutCue(std::size_t i, Cue cue) {
  Mut(i).outCue = std::move(cue);
  Changed(i);
}
void SubtitleDocument::SetAlignment(std::size_t i, int alignment) {
  Subtitle& s = Mut(i);
  s.alignment = alignment;
  s.shiftX = 0;
  s.rowAlignments = kNoFlags;
  Changed(i);
}
void SubtitleDocument::SetRow(std::size_t i, std::int32_t row) {
  Subtitle& s = Mut(i);
  s.row = row;
  s.shiftY = 0;
  Changed(i);
}
void SubtitleDocument::SetItalic(std::size_t i, bool italic) {
  Mut(i).italic = italic;
  Changed(i);
}
void SubtitleDocument::SetBoxStyle(std::size_t i, int style) {
  if (style < BoxNone || style > BoxGhostStripeOutline) return;
  Mut(i).boxStyle = style;
  Changed(i);
}
void SubtitleDocument::SetShift(std::size_t i, std::int16_t x, std::int16_t y) {
  Mut(i).shiftX = x;
  Mut(i).shiftY = y;
  Changed(i);
}
void SubtitleDocument::SetRowAlignments(std::size_t i, std::string flags) {
  Mut(i).rowAlignments = std::move(flags);
  Changed(i);
}
void SubtitleDocument::SetRowColours(std::size_t i, std::string flags) {
  Mut(i).rowColours = std::move(flags);
  Changed(i);
}
void SubtitleDocument::SetComment(std::size_t i, std::string comment) {
  Mut(i).comment = std::move(comment);
  Changed(i);
}
void SubtitleDocument::SetKaraoke(std::size_t i, std::int32_t role, Timecode in, Timecode out) {
  Subtitle& s = Mut(i);
  s.karaokeRole = role;
  s.karaokeIn = in;
  s.karaokeOut = out;
  Changed(i);
}

std::size_t SubtitleDocument::RowCount(std::size_t i) const { return CountRows(At(i).text); }

bool SubtitleDocument::MoveRow(std::size_t i, bool up, int maxRowsSetting) {
  int maxRows = maxRowsSetting >= 1 ? maxRowsSetting : static_cast<int>(kMaxRows);
  Subtitle& s = Mut(i);
  if (up) {
    int top = maxRows - static_cast<int>(RowCount(i));
    if (s.row >= top) return false;
    ++s.row;
  } else {
    if (s.row <= 0) return false;
    --s.row;
  }
  s.shiftY = 0;
  Changed(i);
  return true;
}

void SubtitleDocument::Nudge(std::size_t i, int direction) {
  Subtitle& s = Mut(i);
  switch (direction) {
    case 1: --s.shiftX; break;
    case 2: ++s.shiftX; break;
    case 3: --s.shiftY; break;
    case 4: ++s.shiftY; break;
    default: return;
  }
  Changed(i);
}

bool SubtitleDocument::ConvertRowColours(std::size_t i) {
  Subtitle& s = Mut(i);
  if (s.rowColours == kNoFlags) return false;
  std::vector<std::string> rows = SplitRows(s.text);
  bool any = false;
  for (std::size_t r = 0; r < rows.size() && r < s.rowColours.size(); ++r) {
    char c = s.rowColours[r];
    if (c >= '1' && c <= '7') {
      rows[r].insert(rows[r].begin(), static_cast<char>(c - '0'));
      any = true;
    }
  }
  s.text = JoinRows(rows);
  s.rowColours = kNoFlags;
  Changed(i);
  return any;
}

int SubtitleDocument::SetFrameRate(int code) {
  if (auto r = FrameRate::FromCode(code)) frameRate_ = *r;
  Notify({DocumentChange::FrameRateChanged, 0, subtitles_.size()});
  return frameRate_.countingRate();
}

void SubtitleDocument::SetCharacterSet(std::int16_t cs) {
  characterSet_ = cs;
  modified = true;
  Notify({DocumentChange::ValuesChanged, 0, 0});
}
void SubtitleDocument::SetLanguageId(std::int32_t id) {
  languageId_ = id;
  modified = true;
  Notify({DocumentChange::ValuesChanged, 0, 0});
}
void SubtitleDocument::SetNotes(std::string notes) {
  notes_ = std::move(notes);
  modified = true;
  Notify({DocumentChange::ValuesChanged, 0, 0});
}

std::string SubtitleDocument::Property(const std::string& key, const std::string& def) const {
  auto it = properties_.find(key);
  return it == properties_.end() ? def : it->second;
}

void SubtitleDocument::SetProperty(const std::string& key, std::string value) {
  properties_[key] = std::move(value);
  modified = true;
  Notify({DocumentChange::ValuesChanged, 0, 0});
}

void SubtitleDocument::SetFile(const std::string& path) {
  filePath = path;
  std::string up = ToUpperAscii(path);
  fileType = up.size() >= 3 ? up.substr(up.size() - 3) : up;
}

}  // namespace kipo
