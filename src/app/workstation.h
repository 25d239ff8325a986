#pragma once
// The workstation: one document session and the controllers that work on it, without any
// window. The desktop app is a thin view over it; the command line and the tests drive the
// same controllers headlessly.
//
//   session()   the document, undo history, current subtitle, edit area, panels
//   files()     New, Open, Append, Save, Save As, autosave
//   timing()    cue rules, cue keys, checks and reports, bulk cue operations
//   editing()   insert, delete, merge, split, page keys, clipboard
//   text()      tidy, auto-replace, clean, punctuation check, profanity
//   exports()   the export and import windows' flow, batch export
//   profiles()  the profile list, apply, save the working rules, delete
//   split()     splitting into part files and language files, keeping one language
//   playhead()  where the programme is: the video panel moves it, the timeline follows
//   player()    the open video, its transport and offset, cues set from the picture
#include <filesystem>

#include "app/editing_controller.h"
#include "app/export_controller.h"
#include "app/file_controller.h"
#include "app/playhead.h"
#include "app/player_controller.h"
#include "app/profile_controller.h"
#include "app/session.h"
#include "app/split_controller.h"
#include "app/text_controller.h"
#include "app/timing_controller.h"

namespace kipo {

class Workstation {
 public:
  // `profileFolder` holds profiles.dat; empty means the user's data folder.
  Workstation(SettingsStore& settings, Prompter& prompter, std::filesystem::path profileFolder = {});
  Workstation(const Workstation&) = delete;
  Workstation& operator=(const Workstation&) = delete;

  DocumentSession& session() { return session_; }
  const DocumentSession& session() const { return session_; }
  FileController& files() { return files_; }
  TimingController& timing() { return timing_; }
  const TimingController& timing() const { return timing_; }
  EditingController& editing() { return editing_; }
  TextController& text() { return text_; }
  const TextController& text() const { return text_; }
  ExportController& exports() { return exports_; }
  ProfileController& profiles() { return profiles_; }
  SplitController& split() { return split_; }
  Playhead& playhead() { return playhead_; }
  PlayerController& player() { return player_; }
  const PlayerController& player() const { return player_; }

  // Shortcuts to the session's three most used parts.
  SubtitleDocument& doc() { return session_.doc(); }
  const SubtitleDocument& doc() const { return session_.doc(); }
  SettingsStore& settings() const { return session_.settings(); }
  Prompter& prompter() const { return session_.prompter(); }

 private:
  DocumentSession session_;
  TextController text_;
  TimingController timing_;
  EditingController editing_;
  FileController files_;
  ExportController exports_;
  ProfileController profiles_;
  SplitController split_;
  Playhead playhead_;
  PlayerController player_{session_, timing_, editing_, playhead_};
};

}  // namespace kipo
