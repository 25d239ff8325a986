// The broadcast files that carry rows of any length ask, once read, whether to widen the
// edit area to their longest row.
#include <gtest/gtest.h>

#include "formats/broadcast/pac_languages.h"
#include "formats/registry.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

TEST(BroadcastReaders, AskToWidenTheEditAreaForLongRows) {
  for (const char* id : {"ebu-stl", "pac", "scan890"}) {
    SCOPED_TRACE(id);
    const Format& f = *FindFormat(id);
    SubtitleDocument doc(25, kDefaultLanguageId, 0);
    Subtitle s;
    s.inCue = "00000100";
    s.outCue = "00000300";
    s.text = "short\r\n<" + std::string(45, 'w') + ">";
    doc.Append(s);
    for (bool yes : {true, false}) {
      SettingsStore settings;
      test::RecordingPrompter prompter;
      FormatContext write{prompter, settings};
      write.frameRateCode = 25;
      const WriteResult written = f.write(doc, write);
      prompter.shown.clear();
      prompter.answers = {yes ? Answer::Yes : Answer::No};
      for (std::size_t i = 0; i < PacLanguages().size(); ++i)
        if (PacLanguages()[i].characterSet == 0) {
          prompter.choices.push_back(static_cast<int>(i));
          break;
        }
      FormatContext read{prompter, settings};
      read.frameRateCode = 25;
      const ReadResult r = f.read(written.bytes, read);
      ASSERT_EQ(r.document.Count(), 1u);
      ASSERT_FALSE(prompter.shown.empty());
      EXPECT_EQ(prompter.Last().text,
                "One or more subtitles in this file are longer than the current edit area width.\nDo you want to "
                "increase the edit area width to accommodate these subtitles?");
      EXPECT_EQ(read.newEditAreaWidth, yes ? std::optional<int>(45) : std::nullopt);
    }
  }
}

}  // namespace
}  // namespace kipo
