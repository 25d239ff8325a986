#pragma once
// The profanity find-and-replace: goes through the document from a subtitle onwards and
// offers each occurrence of a listed word for replacement.
#include <functional>

#include "core/document.h"
#include "text/word_list.h"

namespace kipo {

class Prompter;

struct ProfanityHit {
  std::size_t index;   // 0-based subtitle index
  TextRange range;     // the occurrence in the subtitle's text (bytes)
  const WordPair& pair;
};

struct ProfanityHooks {
  // Called before each question: the desktop app shows the subtitle with the word selected.
  std::function<void(const ProfanityHit&)> show;
  // Called before a replacement changes the document (the undo step goes here).
  std::function<void(const ProfanityHit&)> beforeReplace;
};

enum class ProfanityResult { EndOfFile, Cancelled };

// From subtitle `start` to the end, each listed word in list order, each occurrence as a
// whole word in any letter case: asks "Replace <word> with <replacement>?" (Yes, No,
// Cancel). Yes replaces that occurrence, No goes on after it, Cancel stops. Reaching the
// end shows "End of file reached". The occurrences are those in the subtitle's text as the
// find reaches it: text put in by a replacement is not searched again, by its own word or
// a later one, so the questions never outnumber what the subtitle held. Each subtitle is
// read once for the whole list.
ProfanityResult FindProfanity(SubtitleDocument& doc, std::size_t start, const WordList& list, Prompter& prompter,
                              const ProfanityHooks& hooks = {});

}  // namespace kipo
