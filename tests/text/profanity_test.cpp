#include "text/profanity.h"

#include <gtest/gtest.h>

#include "platform/binary_io.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

SubtitleDocument Doc(const std::vector<std::string>& texts) {
  SubtitleDocument doc;
  for (const std::string& t : texts) {
    Subtitle s;
    s.text = t;
    doc.Append(std::move(s));
  }
  return doc;
}

std::vector<std::string> Texts(const SubtitleDocument& doc) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < doc.Count(); ++i) out.push_back(doc.At(i).text);
  return out;
}

// Each row: the list, the subtitles, the answers; then the texts afterwards and, for every
// question, the selected text as the subtitle stood when it was asked.
struct FindCase {
  const char* name;
  WordList list;
  std::vector<std::string> texts;
  std::vector<Answer> answers;
  std::vector<std::string> after;
  std::vector<std::string> selected;
};

TEST(Profanity, FindAndReplace) {
  const Answer Y = Answer::Yes, N = Answer::No;
  const std::vector<FindCase> cases = {
      {"whole words in any case, No moves on", {{"damn", "darn"}},
       {"Damn! damnation, DAMN.", "nothing"}, {Y, N}, {"darn! damnation, DAMN.", "nothing"}, {"Damn", "DAMN"}},
      {"list order within a subtitle, subtitles in order", {{"b", "B2"}, {"a", "A1"}},
       {"a b a", "b"}, {Y, Y, Y, Y}, {"A1 B2 A1", "B2"}, {"b", "a", "a", "b"}},
      {"ranges follow earlier replacements of another length", {{"\u00E9t\u00E9", "summer"}, {"hot", "warm"}},
       {"\u00C9T\u00C9 was hot, \u00E9t\u00E9 hot"}, {Y, N, Y, Y}, {"summer was warm, \u00E9t\u00E9 warm"},
       {"\u00C9T\u00C9", "\u00E9t\u00E9", "hot", "hot"}},
      {"a replacement holding its word is not searched again", {{"no", "no no"}},
       {"no, no"}, {Y, Y}, {"no no, no no"}, {"no", "no"}},
      {"nor is it searched by later words", {{"damn", "darn"}, {"darn", "drat"}},
       {"damn darn"}, {Y, Y}, {"darn drat"}, {"damn", "darn"}},
      {"a word inside a replaced one is not offered", {{"oh my", "wow"}, {"my", "our"}},
       {"oh my, my"}, {Y, Y}, {"wow, our"}, {"oh my", "my"}},
      {"non-letter words match anywhere, overlaps skipped", {{"##", "#"}},
       {"###x##"}, {N, N}, {"###x##"}, {"##", "##"}},
      {"words sharing a tail", {{"she", "SHE"}, {"he", "HE"}, {"hers", "HERS"}},
       {"she he hers ushers"}, {Y, Y, Y}, {"SHE HE HERS ushers"}, {"she", "he", "hers"}},
      {"empty find texts and repeated words", {{"", "x"}, {"hi", "yo"}, {"hi", "hey"}},
       {"hi hi"}, {N, Y, Y}, {"hey yo"}, {"hi", "hi", "hi"}},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(c.name);
    SubtitleDocument doc = Doc(c.texts);
    test::RecordingPrompter prompter;
    prompter.answers.assign(c.answers.begin(), c.answers.end());
    std::vector<std::string> selected;
    ProfanityHooks hooks;
    hooks.show = [&](const ProfanityHit& hit) {
      selected.push_back(doc.At(hit.index).text.substr(hit.range.first, hit.range.length));
    };
    EXPECT_EQ(FindProfanity(doc, 0, c.list, prompter, hooks), ProfanityResult::EndOfFile);
    EXPECT_EQ(Texts(doc), c.after);
    EXPECT_EQ(selected, c.selected);
    EXPECT_EQ(prompter.Texts().back(), "End of file reached");
  }
}

// Found by the fuzz target: a list whose replacements multiply the word they replace
// ("\0" -> six of them, several times over) grew the text on every Yes.
TEST(Profanity, ReplacementsThatMultiplyTheirWordStayBounded) {
  const std::string hex =
      "310913000a00090000000000000a41000013000a000900000040000a3b310913000a00090000000000000a41000013000a000900000040"
      "552424";
  Bytes bytes;
  for (std::size_t i = 0; i < hex.size(); i += 2) bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  WordList list = ParseWordList(bytes);
  std::string text(bytes.begin(), bytes.end());
  SubtitleDocument doc = Doc({text.substr(0, 64)});

  class YesPrompter : public SilentPrompter {
   public:
    int questions = 0;
    Answer Ask(const Message& m) override {
      if (m.buttons != Buttons::YesNoCancel) return Answer::Ok;
      ++questions;
      return Answer::Yes;
    }
  } prompter;
  EXPECT_EQ(FindProfanity(doc, 0, list, prompter), ProfanityResult::EndOfFile);
  // Each character of the subtitle is offered at most once, so it grows at most by the
  // longest replacement per character.
  EXPECT_LE(prompter.questions, static_cast<int>(text.size()));
  EXPECT_LE(doc.At(0).text.size(), text.size() * 6);
  EXPECT_GT(prompter.questions, 0);
}

}  // namespace
}  // namespace kipo
