#include "text/profanity.h"

#include <algorithm>

#include "platform/prompter.h"

namespace kipo {

ProfanityResult FindProfanity(SubtitleDocument& doc, std::size_t start, const WordList& list, Prompter& prompter,
                              const ProfanityHooks& hooks) {
  for (std::size_t i = start; i < doc.Count(); ++i) {
    for (const WordPair& pair : list) {
      if (pair.find.empty()) continue;
      std::size_t from = 0;  // search on after the last occurrence offered
      while (true) {
        const std::string& text = doc.At(i).text;
        std::vector<TextRange> found = FindWholeWords(text, pair.find);
        auto it = std::find_if(found.begin(), found.end(), [from](const TextRange& f) { return f.first >= from; });
        if (it == found.end()) break;
        TextRange r = *it;
        ProfanityHit hit{i, r, pair};
        if (hooks.show) hooks.show(hit);
        Answer a = prompter.Ask({"", "Replace " + pair.find + " with " + pair.replacement + "?", Buttons::YesNoCancel,
                                 Icon::Question});
        if (a == Answer::Cancel) return ProfanityResult::Cancelled;
        if (a == Answer::Yes) {
          if (hooks.beforeReplace) hooks.beforeReplace(hit);
          std::string next = text;
          next.replace(r.first, r.length, pair.replacement);
          doc.SetText(i, std::move(next));
          from = r.first + pair.replacement.size();
        } else {
          from = r.first + r.length;
        }
      }
    }
  }
  prompter.Inform("", "End of file reached");
  return ProfanityResult::EndOfFile;
}

}  // namespace kipo
