#include "app/session.h"

#include <algorithm>

#include "platform/text_util.h"
#include "platform/user_error.h"
#include "settings/keys.h"

namespace kipo {

DocumentSession::DocumentSession(SettingsStore& settings, Prompter& prompter)
    : settings_(settings), prompter_(prompter), house_(HouseOptions::Load(settings)) {
  panels_.frameRate = doc_.frameRate().label();
  panels_.fileName = "[Untitled]";
}

void DocumentSession::ReloadHouseOptions() { house_ = HouseOptions::Load(settings_); }

void DocumentSession::SetMaxRowLength(int characters) {
  house_.maxRowLength = static_cast<short>(std::clamp(characters, 1, 32767));
  settings_.Set(keys::kMaxRowLength, house_.maxRowLength);
}

void DocumentSession::Refresh() {
  panels_.frameRate = doc_.frameRate().label();
  panels_.fileName = doc_.filePath.empty() ? "[Untitled]" : doc_.filePath;
  refreshed_();
}

void DocumentSession::SetStatus(const std::string& text) {
  panels_.status = text;
  prompter_.Status(text);
}

std::string DocumentSession::WindowTitle() const {
  return std::string(kAppTitle) + " - " + (doc_.filePath.empty() ? "[Untitled]" : ToUpperAscii(doc_.filePath));
}

void DocumentSession::LoadEditArea() {
  edit_ = EditArea{};
  const FrameRate& r = doc_.frameRate();
  auto fill = [&](std::size_t i, std::string& in, std::string& out, std::string& dur) {
    const Subtitle& s = doc_.At(i);
    in = s.inCue.empty() ? "" : DigitsToLabel(s.inCue);
    out = s.outCue.empty() ? "" : DigitsToLabel(s.outCue);
    dur = DurationLabel(s.inCue, s.outCue, r).value_or("");
  };
  if (!HasCurrent()) return;
  toolbar_.alignment = doc_.At(current_).alignment;
  toolbar_.italic = doc_.At(current_).italic;
  fill(current_, edit_.inCue, edit_.outCue, edit_.duration);
  edit_.text = doc_.At(current_).text;
  edit_.comment = doc_.At(current_).comment;
  if (current_ > 0) fill(current_ - 1, edit_.lastIn, edit_.lastOut, edit_.lastDuration);
  if (current_ + 1 < doc_.Count()) fill(current_ + 1, edit_.nextIn, edit_.nextOut, edit_.nextDuration);
}

bool DocumentSession::CommitEditArea() {
  if (!HasCurrent()) return false;
  const Subtitle& s = doc_.At(current_);
  bool changed = false;
  if (s.text != edit_.text) {
    doc_.SetText(current_, edit_.text);
    changed = true;
  }
  if (s.comment != edit_.comment) {
    doc_.SetComment(current_, edit_.comment);
    changed = true;
  }
  auto cue = [](const std::string& typed) {
    std::string d = StripSeparators(typed);
    return IsCompleteCue(d) ? d : std::string();
  };
  // An incomplete cue field counts as not set.
  if (std::string in = cue(edit_.inCue); in != s.inCue) {
    doc_.SetInCue(current_, in);
    changed = true;
  }
  if (std::string out = cue(edit_.outCue); out != doc_.At(current_).outCue) {
    doc_.SetOutCue(current_, out);
    changed = true;
  }
  return changed;
}

void DocumentSession::GoTo(std::size_t index) {
  CommitEditArea();
  if (doc_.Count() == 0) {
    current_ = 0;
  } else {
    current_ = std::min(index, doc_.Count() - 1);
    doc_.SetCurrentNumber(static_cast<std::int16_t>(current_ + 1));
  }
  LoadEditArea();
  ResetUndo();  // moving through the list starts a new visit
  Refresh();
}

void DocumentSession::SetCurrent(std::size_t index) {
  if (doc_.Count() == 0) {
    current_ = 0;
    return;
  }
  current_ = std::min(index, doc_.Count() - 1);
  doc_.SetCurrentNumber(static_cast<std::int16_t>(current_ + 1));
}

void DocumentSession::ReplaceDocument(SubtitleDocument doc) {
  doc_ = std::move(doc);
  current_ = 0;
  if (settings_.Get(keys::kRememberLastLocation) && doc_.currentNumber() >= 1 &&
      static_cast<std::size_t>(doc_.currentNumber()) <= doc_.Count())
    current_ = static_cast<std::size_t>(doc_.currentNumber() - 1);
  undo_.SetInitialState(InitialStep(static_cast<std::int16_t>(current_ + 1)));
  LoadEditArea();
  Refresh();
}

void DocumentSession::NewDocument(int frameRateCode, std::int32_t languageId, std::int16_t characterSet) {
  ReplaceDocument(SubtitleDocument(frameRateCode, languageId, characterSet));
}

int DocumentSession::SetFrameRate(int code) {
  const int before = doc_.frameRate().code;
  int r = doc_.SetFrameRate(code);
  if (doc_.frameRate().code != before) doc_.modified = true;
  LoadEditArea();
  Refresh();
  return r;
}

}  // namespace kipo
