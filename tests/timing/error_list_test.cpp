#include "timing/error_list.h"

#include <gtest/gtest.h>

#include "support/timed_subtitle.h"

#include "platform/files.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::kPal;
constexpr auto Sub = test::TimedSub;

SubtitleDocument Faulty() {
  SubtitleDocument d;
  d.Append(Sub("Fine", 0, 50));
  for (int i = 1; i < 12; ++i) d.Append(Sub("Fine", i * 100, i * 100 + 50));
  d.Append(Sub("<One\r\nTwo\r\nThree", 1200, 1250));
  d.SetFile("/work/reel 1.kpox");
  return d;
}

TEST(ErrorList, HeaderRowsAndSavedLayout) {
  std::vector<ErrorRow> rows = BuildErrorList(Faulty(), CheckSettings{});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (ErrorRow{13, Fault::MismatchedItalics, "Mismatched italics"}));
  EXPECT_EQ(ErrorListText(rows),
            "File contains 2 errors\r\n0013\tMismatched italics\r\n0013\tSubtitle contains too many lines\r\n");
  EXPECT_EQ(ErrorListText({rows[0]}, "\n"), "File contains 1 error\n0013\tMismatched italics\n");
  EXPECT_EQ(ErrorListText({}, "\n"), "File contains 0 errors\n");
  EXPECT_EQ(ErrorListFileText(rows, "reel 1.kpox", "Tuesday, 14 May 2024"),
            "Error list for reel 1.kpox created on Tuesday, 14 May 2024\r\n"
            "\r\n"
            "Subtitle:Error:\r\n"
            "0013     Mismatched italics\r\n"
            "0013     Subtitle contains too many lines\r\n");
  EXPECT_EQ(ReportFileName(SubtitleDocument{}), "[Untitled]");
}

TEST(ErrorList, SavedAtomicallyWithTheDate) {
  test::TempHome home;
  SubtitleDocument d = Faulty();
  std::tm tm{};
  tm.tm_year = 2024 - 1900;
  tm.tm_mon = 4;
  tm.tm_mday = 14;
  tm.tm_hour = 12;
  std::time_t when = std::mktime(&tm);
  SaveErrorList(home / "list.txt", BuildErrorList(d, CheckSettings{}), d, when);
  std::string text = test::ReadFile(home / "list.txt");
  EXPECT_EQ(text.substr(0, text.find("\r\n")), "Error list for reel 1.kpox created on Tuesday, 14 May 2024");
  EXPECT_THROW(SaveErrorList(home / "missing" / "x" / "list.txt", {}, d, when), UserError);
  EXPECT_EQ(ErrorListDialog().title, "Save Error List");
  EXPECT_EQ(ErrorListDialog().filter, "Text Files (*.txt)|*.txt");
}

TEST(ErrorList, WarnTooManyRowsRewritesTheLogAndOffersIt) {
  test::TempHome home;
  HouseOptions house;
  SubtitleDocument d = Faulty();
  std::filesystem::path log = DataFolder() / "warning.log";
  std::vector<std::filesystem::path> opened;
  auto open = [&](const std::filesystem::path& p) {
    opened.push_back(p);
    return true;
  };
  {
    SCOPED_TRACE("No: the log is written, nothing opened");
    test::RecordingPrompter prompter;
    EXPECT_EQ(WarnTooManyRows(d, house, prompter, open), 1);
    EXPECT_EQ(test::ReadFile(log), "Subtitle 13 contains 3 lines\r\n");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.Last().text,
              "One or more subtitles contain more than 2 rows.\nWould you like to view a list of these subtitles?");
    EXPECT_EQ(prompter.Last().buttons, Buttons::YesNo);
    EXPECT_TRUE(opened.empty());
  }
  {
    SCOPED_TRACE("Yes opens the log");
    test::RecordingPrompter prompter;
    prompter.answers.push_back(Answer::Yes);
    WarnTooManyRows(d, house, prompter, open);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], log);
  }
  {
    SCOPED_TRACE("the switch off: the log only; a clean document empties it");
    test::RecordingPrompter prompter;
    house.warnTooManyRows = false;
    WarnTooManyRows(d, house, prompter, open);
    EXPECT_TRUE(prompter.shown.empty());
    house.warnTooManyRows = true;
    d.SetText(12, "One");
    EXPECT_EQ(WarnTooManyRows(d, house, prompter, open), 0);
    EXPECT_EQ(test::ReadFile(log), "");
    EXPECT_TRUE(prompter.shown.empty());
  }
}

}  // namespace
}  // namespace kipo
