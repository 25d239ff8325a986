#include "app/file_types_broadcast.h"

#include <gtest/gtest.h>

#include "formats/broadcast/pac_languages.h"
#include "formats/broadcast/scan890.h"
#include "settings/house_options.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

SubtitleDocument OneSubtitle(std::string text, std::int16_t charset) {
  SubtitleDocument d;
  d.SetCharacterSet(charset);
  Subtitle s;
  s.text = std::move(text);
  s.inCue = "00000100";
  s.outCue = "00000200";
  d.Append(s);
  return d;
}

std::size_t IndexOf(std::string_view name) {
  const auto& list = PacLanguages();
  for (std::size_t i = 0; i < list.size(); ++i)
    if (name == list[i].name) return i;
  return list.size();
}

TEST(BroadcastFileTypes, PacOpenAsksForTheLanguageAndCancelLoadsNothing) {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  FileContext ctx{prompter, settings};
  const auto path = home / "greek.pac";
  WriteDocumentFile(OneSubtitle("\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1", 161), path, ctx);

  const std::size_t greek = IndexOf("Greek");
  ASSERT_LT(greek, PacLanguages().size());
  EXPECT_EQ(PacLanguageChoices()[greek], "Greek (1032)");
  prompter.choices.push_back(static_cast<int>(greek));
  LoadedDocument loaded = ReadDocumentFile(path, ctx);
  EXPECT_EQ(loaded.doc.languageId(), 1032);
  EXPECT_EQ(loaded.doc.characterSet(), 161);
  EXPECT_EQ(loaded.doc.At(0).text, "\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1");
  EXPECT_EQ(prompter.shown.back().kind, "choose");

  EXPECT_THROW(ReadDocumentFile(path, ctx), Cancelled);  // no choice queued: Cancel

  settings.Set("Options", "Display PAC charset confirmation dialog", "0");
  const std::size_t asked = prompter.shown.size();
  loaded = ReadDocumentFile(path, ctx);  // no dialog: the Latin table
  EXPECT_EQ(prompter.shown.size(), asked);
  EXPECT_EQ(loaded.doc.languageId(), kDefaultLanguageId);
}

TEST(BroadcastFileTypes, SettingsReachTheWritersAndRacIsReadOnly) {
  test::TempHome home;
  SettingsStore settings;
  settings.Set("Options", "PAC top row zero", "1");
  settings.Set("Options", "890 font", "3");
  settings.Set(kHouseOptionsSection, "Allow mixed outline types in PAC files", "False");
  settings.Set(kHouseOptionsSection, "Default outline style", "132");
  const PacWriteOptions o = PacWriteOptionsFromSettings(settings);
  EXPECT_TRUE(o.topRowZero);
  EXPECT_FALSE(o.allowMixedOutlines);
  EXPECT_EQ(o.houseOutlineStyle, 132);
  EXPECT_TRUE(o.colours);

  test::RecordingPrompter prompter;
  FileContext ctx{prompter, settings};
  const auto path = home / "film.890";
  WriteDocumentFile(OneSubtitle("x", 0), path, ctx);
  const LoadedDocument loaded = ReadDocumentFile(path, ctx);
  EXPECT_EQ(loaded.doc.Property(k890Font), "SFN803.V");
  EXPECT_EQ(loaded.doc.fileType, "890");

  ASSERT_NE(FindFileType("rac"), nullptr);
  EXPECT_FALSE(FindFileType("rac")->write);
  EXPECT_THROW(WriteDocumentFile(OneSubtitle("x", 0), home / "a.rac", ctx), UserError);
}

}  // namespace
}  // namespace kipo
