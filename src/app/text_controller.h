#pragma once
// The text commands: tidy, auto-replace (the list, replacement while typing, Replace Now),
// the file clean and the punctuation check with their report, and the profanity find.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/session.h"
#include "text/clean.h"
#include "text/profanity.h"
#include "text/word_list.h"

namespace kipo {

class TextController {
 public:
  explicit TextController(DocumentSession& session) : s_(session) {}

  // Reads "autoreplace.dat" (converting a legacy "arf.dat" once) and the switch for
  // replacement while typing; at start-up, before the window builds its menus.
  void LoadAutoReplaceList();
  const WordList& autoReplaceList() const { return autoReplace_; }
  void SetAutoReplaceList(WordList list) { autoReplace_ = std::move(list); }
  // The auto-replace window's OK: the list becomes the one in use and is written to
  // "autoreplace.dat" (pairs with both texts empty are left out); the switch for
  // replacement while typing is stored with it.
  void SaveAutoReplaceList(WordList list, bool replaceAsYouType);

  // The profanity window's Open and Save of a list file ("Profanity list (*.dat)"): the
  // list read, or nothing when the dialog is cancelled; a file that cannot be read or
  // written is reported and changes nothing.
  std::optional<WordList> OpenWordListFile(const std::string& title);
  bool SaveWordListFileAs(const std::string& title, const WordList& list);
  // The switch for replacement while typing (the dialog's tick box, kept with the
  // program's options).
  bool replaceAsYouType() const { return replaceAsYouType_; }
  void SetReplaceAsYouType(bool on);

  // The spacing rules and typographic replacements applied to the edit area's text.
  void TidyCurrentSubtitle();
  // The user has just typed `typed` into the edit area's text, ending at byte `caret`.
  // With replacement while typing on and a trigger character typed, the word before it
  // is looked up (case-sensitive) and replaced after an "AutoReplace" undo step; the
  // caret stays after the typed character. True when it replaced.
  bool AutoReplaceTyped(std::string_view typed, std::size_t& caret);
  // Replace Now: the typographic replacements over every subtitle, one undo step, then
  // "Formatting complete.".
  void ReplaceNow();

  // The file clean and the punctuation check with the stored settings: one undo step
  // ("Undo File Clean" / "Undo Punctuation Check"), the report kept in cleanReport().
  const CleanReport& CleanFile();
  const CleanReport& PunctuationCheck();
  const CleanReport& CleanFile(const CleanSettings& settings, CleanKind kind);
  const CleanReport& cleanReport() const { return cleanReport_; }
  // The report window: a row's subtitle becomes current and gets back what the row's
  // change took away. False for a row number out of range.
  bool ShowCleanRow(std::size_t row);
  bool RestoreCleanRow(std::size_t row);
  // Called by Open and the imports once a document is loaded: first what the workstation
  // runs on every loaded document (SetLoadedHook: the subtitle-zero detection), then the
  // automatic clean.
  bool AutoCleanAfterOpen();
  void SetLoadedHook(std::function<void()> hook) { loaded_ = std::move(hook); }

  // The profanity find from the current subtitle; each occurrence is shown with
  // textSelection() set on the edit area's text.
  ProfanityResult FindProfanity(const WordList& list);
  TextRange textSelection() const { return textSelection_; }

 private:
  DocumentSession& s_;
  WordList autoReplace_;
  bool replaceAsYouType_ = false;
  CleanReport cleanReport_;
  TextRange textSelection_{0, 0};
  std::function<void()> loaded_;
};

}  // namespace kipo
