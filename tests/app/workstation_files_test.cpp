#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "app/file_dialogs.h"
#include "app/file_types.h"
#include "app/workstation.h"
#include "core/native_file.h"
#include "core/native_save.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

SubtitleDocument Film(int n = 3) {
  SubtitleDocument d;
  for (int i = 0; i < n; ++i) {
    Subtitle s;
    s.text = "Line  " + std::to_string(i + 1);
    s.inCue = "000001" + std::to_string(10 + i);
    d.Append(s);
  }
  return d;
}

std::filesystem::path Write(const std::filesystem::path& p, const SubtitleDocument& d, NativeVariant v) {
  std::filesystem::create_directories(p.parent_path());
  WriteFileAtomic(p, WriteNative(d, v).bytes);
  return p;
}

struct Fixture : ::testing::Test {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
};

using WorkstationFiles = Fixture;

TEST_F(WorkstationFiles, OpenDispatchesByExtensionAndAFailedReadChangesNothing) {
  auto kpo = Write(home / "a.KPO", Film(2), NativeVariant::Kpo);
  ASSERT_TRUE(ws.files().OpenPath(kpo.string()));
  EXPECT_EQ(ws.doc().Count(), 2u);
  EXPECT_EQ(ws.doc().fileType, "KPO");
  EXPECT_FALSE(ws.doc().modified);
  EXPECT_EQ(ws.session().WindowTitle(), "Kipo - " + ToUpperAscii(kpo.string()));
  EXPECT_EQ(prompter.statuses.front(), "Reading " + kpo.string());

  ws.doc().SetText(0, "edited");
  SubtitleDocument before = ws.doc();
  for (auto [name, bytes, message] :
       {std::tuple{"bad.kpox", std::string(200, 'x'), "This is not a valid Kipo Unicode file"},
        std::tuple{"bad.kpo", std::string(10, '\0'), "This is not a valid Kipo file"},
        std::tuple{"scan.ibf", std::string(300, 'i'), "This is not a valid IBF file"},
        std::tuple{"missing.kpox", std::string(), ""}}) {
    SCOPED_TRACE(name);
    auto path = home / name;
    if (!bytes.empty()) test::WriteFile(path, bytes);
    EXPECT_FALSE(ws.files().OpenPath(path.string()));
    if (*message) {
      EXPECT_EQ(prompter.Last().title, "Invalid file format");
      EXPECT_EQ(prompter.Last().text, message);
    }
    EXPECT_EQ(ws.doc().Subtitles(), before.Subtitles());
    EXPECT_TRUE(ws.doc().modified);
    EXPECT_EQ(ws.doc().filePath, kpo.string());
  }
}

TEST_F(WorkstationFiles, SaveChangesQuestionGuardsOpenAndNew) {
  ws.doc().Append(Subtitle{});
  ASSERT_TRUE(ws.doc().modified);
  // Cancel: nothing happens, no dialog is shown.
  EXPECT_FALSE(ws.files().Open());
  EXPECT_EQ(prompter.Last().text, "Save changes to current file?");
  EXPECT_EQ(prompter.Last().buttons, Buttons::YesNoCancel);
  EXPECT_EQ(prompter.dialogs.size(), 0u);
  // Yes on an untitled document runs Save As; cancelling that cancels New.
  prompter.answers.push_back(Answer::Yes);
  EXPECT_FALSE(ws.files().New(25, 2057, 0));
  EXPECT_EQ(prompter.dialogs.back().title, "Save File As");
  EXPECT_EQ(ws.doc().Count(), 1u);
  // No: the new document replaces it.
  prompter.answers.push_back(Answer::No);
  EXPECT_TRUE(ws.files().New(29, 1036, 0));
  EXPECT_EQ(ws.doc().Count(), 0u);
  EXPECT_EQ(ws.doc().frameRate().code, 29);
  // Unmodified: Open shows its dialog at once, with the filter of the current type.
  EXPECT_FALSE(ws.files().Open());
  EXPECT_EQ(prompter.dialogs.back().title, "Open subtitle file");
  EXPECT_EQ(prompter.dialogs.back().filter, kOpenSubtitleDialog.filter);
}

TEST_F(WorkstationFiles, SaveWritesWarningListAndOffersIt) {
  SubtitleDocument d = Film();
  d.SetText(2, "1\r\n2\r\n3");
  ws.session().ReplaceDocument(std::move(d));
  std::vector<std::string> titles;
  Connection watching = ws.session().OnWindowTitle([&](const std::string& t) { titles.push_back(t); });
  auto path = home / "Out" / "Reel.kpox";
  std::filesystem::create_directories(path.parent_path());
  prompter.files.push_back(FileChoice{path.string(), 1});
  EXPECT_TRUE(ws.files().SaveAs());
  EXPECT_EQ(ws.session().panels().status, "File saved OK");
  EXPECT_FALSE(ws.doc().modified);
  EXPECT_EQ(ws.doc().filePath, path.string());
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(titles[0], "Kipo - Saving " + ToLowerAscii(path.string()));
  EXPECT_EQ(titles[1], ws.session().WindowTitle());
  EXPECT_EQ(test::ReadFile(WarningListPath()), "Subtitle 3 contains 3 lines\r\n");
  EXPECT_EQ(prompter.Last().text,
            "One or more subtitles contain more than 2 rows.\nWould you like to view a list of these subtitles?");
  std::string log = test::ReadFile(DataFolder() / "error.log");
  EXPECT_NE(log.find("   Prior to MakeKipoXFile()\n"), std::string::npos);
  EXPECT_NE(log.find("   In MSF, 8\n"), std::string::npos);
  EXPECT_NE(log.find("   MakeKipoXFile() OK\n"), std::string::npos);
  EXPECT_EQ(ReadNative(ReadFileBytes(path), NativeVariant::Kpox).Count(), 3u);

  SCOPED_TRACE("a later save without faults empties the list");
  ws.doc().SetText(2, "one row");
  EXPECT_TRUE(ws.files().Save());
  EXPECT_EQ(test::ReadFile(WarningListPath()), "");
}

TEST_F(WorkstationFiles, EverySaveTypeListsTooManyRowsOnceAndHonoursTheSwitch) {
  SubtitleDocument d = Film();
  for (std::size_t i = 0; i < d.Count(); ++i) d.SetOutCue(i, "000002" + std::to_string(10 + i));
  d.SetText(2, "1\r\n2\r\n3");
  ws.session().ReplaceDocument(std::move(d));
  const std::string question = TooManyRowsQuestion(2);
  for (const char* ext : {"kpox", "pac", "890", "srt"}) {
    for (bool warn : {true, false}) {
      SCOPED_TRACE(std::string(ext) + (warn ? " warning on" : " warning off"));
      ws.session().house().warnTooManyRows = warn;
      test::WriteFile(WarningListPath(), "an older list\r\n");
      prompter.shown.clear();
      ASSERT_TRUE(ws.files().SaveToPath((home / ("reel." + std::string(ext))).string()));
      EXPECT_EQ(test::ReadFile(WarningListPath()), "Subtitle 3 contains 3 lines\r\n");
      std::vector<std::string> texts = prompter.Texts();
      EXPECT_EQ(std::ranges::count(texts, question), warn ? 1 : 0);
      for (const std::string& t : texts) EXPECT_EQ(t.find("Subtitle 3 contains"), std::string::npos) << t;
    }
  }
}

TEST_F(WorkstationFiles, PacSaveGoesThroughTheSafetyCopy) {
  ws.session().ReplaceDocument(Film());
  // A leftover copy of an earlier PAC save is cleared by the next one.
  test::WriteFile(DataFolder() / "~$kipo.sav", "left from a crash");
  auto path = home / "reel.pac";
  ASSERT_TRUE(ws.files().SaveToPath(path.string()));
  EXPECT_FALSE(std::filesystem::exists(DataFolder() / "~$kipo.sav"));
  EXPECT_EQ(ReadFileBytes(path).at(0), 0x01);

  SCOPED_TRACE("a failed save puts the earlier file back and keeps the document's file");
  ws.doc().SetText(1, std::string(70000, 'x'));
  ws.session().LoadEditArea();
  std::string before = test::ReadFile(path);
  EXPECT_FALSE(ws.files().SaveToPath((home / "other.pac").string()));
  EXPECT_FALSE(ws.files().SaveToPath(path.string()));
  EXPECT_NE(prompter.Last().text.find("You may also like to check subtitle 2."), std::string::npos) << prompter.Last().text;
  EXPECT_EQ(test::ReadFile(path), before);
  EXPECT_EQ(ws.doc().filePath, path.string());
  EXPECT_TRUE(ws.doc().modified);
}

TEST_F(WorkstationFiles, SaveAsWsbWarnsAndKeepsABakCopy) {
  settings.SetBool("Options", "Enable backups", true);
  SubtitleDocument d = Film();
  d.SetBoxStyle(0, BoxBoxedOutline);
  ws.session().ReplaceDocument(std::move(d));
  // No extension typed: the filter chosen gives it.
  prompter.files.push_back(FileChoice{(home / "legacy").string(), 3});
  EXPECT_TRUE(ws.files().SaveAs());
  EXPECT_EQ(prompter.shown[prompter.shown.size() - 1].title, "Format warning");
  EXPECT_EQ(prompter.Last().text,
            "Warning: one or more subtitles in this file contain outlining. This is not supported in WSB format");
  EXPECT_TRUE(std::filesystem::exists(home / "legacy.wsb"));
  EXPECT_EQ(test::ReadFile(home / "legacy.BAK"), test::ReadFile(home / "legacy.wsb"));
}

TEST_F(WorkstationFiles, AppendKeepsTheDocumentValuesAndOpenCollapsesSpaces) {
  settings.SetBool("Punctuation", "Delete spaces", true);
  SubtitleDocument other = Film(2);
  other.SetFrameRate(30);
  auto extra = Write(home / "extra.kpox", other, NativeVariant::Kpox);
  auto main = Write(home / "main.kpox", Film(3), NativeVariant::Kpox);
  ASSERT_TRUE(ws.files().OpenPath(main.string()));
  EXPECT_EQ(ws.doc().At(0).text, "Line 1");  // "Line  1" with its double space reduced
  ASSERT_TRUE(ws.files().AppendPath(extra.string()));
  EXPECT_EQ(ws.doc().Count(), 5u);
  EXPECT_EQ(ws.doc().frameRate().code, 25);
  EXPECT_EQ(ws.doc().filePath, main.string());
  EXPECT_TRUE(ws.doc().modified);
  EXPECT_FALSE(ws.doc().saved);
}

TEST_F(WorkstationFiles, OpenAndImportCleanTheNewDocumentWhenSetToAutomatic) {
  settings.SetCheck("File clean", "Remove italics", true);
  settings.SetCheck("File clean", "Always apply", true);
  SubtitleDocument d = Film(2);
  d.SetText(0, "<Partly> italic");
  auto path = Write(home / "italic.kpox", d, NativeVariant::Kpox);
  {
    SCOPED_TRACE("Open cleans without asking; one Undo gives the file's text back");
    ASSERT_TRUE(ws.files().OpenPath(path.string()));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(ws.doc().At(0).text, "Partly italic");
    EXPECT_EQ(ws.session().edit().text, "Partly italic");
    EXPECT_TRUE(ws.doc().modified) << "the document no longer matches its file";
    ASSERT_TRUE(ws.session().CanUndo());
    ws.session().Undo();
    EXPECT_EQ(ws.doc().At(0).text, "<Partly> italic");
  }
  {
    SCOPED_TRACE("with the confirmation, No keeps the file as read");
    settings.SetCheck("File clean", "Always apply confirm", true);
    ws.doc().modified = false;
    prompter.answers.push_back(Answer::No);
    ASSERT_TRUE(ws.files().OpenPath(path.string()));
    EXPECT_EQ(prompter.Last().title, "Confirm File Clean");
    EXPECT_EQ(ws.doc().At(0).text, "<Partly> italic");
    EXPECT_FALSE(ws.doc().modified);
  }
  {
    SCOPED_TRACE("an import asks and cleans the same way");
    test::WriteFile(home / "in.srt", "1\n00:00:05,000 --> 00:00:06,000\n<i>Imported</i> text\n");
    prompter.answers.push_back(Answer::Yes);
    ws.exports().ImportFile(*FindImportFormat("SubRip SRT file"), home / "in.srt", TextEncoding::Utf8);
    EXPECT_EQ(prompter.Last().title, "Confirm File Clean");
    ASSERT_EQ(ws.doc().Count(), 1u);
    EXPECT_EQ(ws.doc().At(0).text, "Imported text");
  }
}

TEST_F(WorkstationFiles, ReadersQuestionsAnsweredNoShowNothingAndChangeNothing) {
  SettingsStore other;
  FileContext ctx{prompter, other};
  auto pac = home / "reel.pac";
  auto stl = home / "odd.stl";
  WriteDocumentFile(Film(4), pac, ctx);
  WriteDocumentFile(Film(4), stl, ctx);
  Bytes bytes = ReadFileBytes(stl);
  bytes[3] = 'X';  // no longer signed as an EBU file: the reader asks before going on
  WriteFileAtomic(stl, bytes);

  auto main = Write(home / "main.kpox", Film(2), NativeVariant::Kpox);
  ASSERT_TRUE(ws.files().OpenPath(main.string()));
  const SubtitleDocument before = ws.doc();
  for (const auto& [label, run] : std::vector<std::pair<std::string, std::function<bool()>>>{
           {"Open PAC, language not chosen", [&] { return ws.files().OpenPath(pac.string()); }},
           {"Append PAC, language not chosen", [&] { return ws.files().AppendPath(pac.string()); }},
           {"Open STL, No to the signature question", [&] { return ws.files().OpenPath(stl.string()); }},
           {"Append STL, No to the signature question", [&] { return ws.files().AppendPath(stl.string()); }}}) {
    SCOPED_TRACE(label);
    prompter.shown.clear();
    EXPECT_FALSE(run());
    ASSERT_FALSE(prompter.shown.empty());
    ASSERT_EQ(prompter.shown.size(), 1u) << prompter.Last().text;
    EXPECT_TRUE(prompter.Last().kind == "choose" || prompter.Last().buttons == Buttons::YesNo);
    EXPECT_EQ(ws.doc().Subtitles(), before.Subtitles());
    EXPECT_EQ(ws.doc().filePath, main.string());
    EXPECT_FALSE(ws.doc().modified);
  }
}

TEST_F(WorkstationFiles, YesToWideningTheEditAreaKeepsTheWidth) {
  SettingsStore wide;
  wide.SetInt("House options", "Maximum row length", 60);
  FileContext ctx{prompter, wide};
  SubtitleDocument d = Film(2);
  d.SetText(1, std::string(45, 'w'));
  auto stl = home / "wide.stl";
  WriteDocumentFile(d, stl, ctx);
  ASSERT_EQ(ws.session().house().maxRowLength, 37);

  ASSERT_TRUE(ws.files().OpenPath(stl.string()));  // No: the width stays
  EXPECT_EQ(ws.session().house().maxRowLength, 37);
  EXPECT_FALSE(settings.Has("House options", "Maximum row length"));

  prompter.answers.push_back(Answer::Yes);
  ASSERT_TRUE(ws.files().OpenPath(stl.string()));
  EXPECT_NE(std::ranges::find(prompter.statuses, "Max Line Width 45"), prompter.statuses.end());
  EXPECT_EQ(ws.session().house().maxRowLength, 45);
  EXPECT_EQ(settings.GetInt("House options", "Maximum row length", 0), 45);
  ws.session().ReloadHouseOptions();
  EXPECT_EQ(ws.session().house().maxRowLength, 45);
}

TEST(FileDialogs, FilterIndexFollowsTheType) {
  EXPECT_EQ(FilterIndexForExtension(kOpenSubtitleDialog.filter, "KPO"), 2);
  EXPECT_EQ(FilterIndexForExtension(kOpenSubtitleDialog.filter, "txt"), 6);
  EXPECT_EQ(FilterIndexForExtension(kOpenSubtitleDialog.filter, "XYZ"), 1);
  EXPECT_EQ(ExtensionForFilterIndex(kSaveFileAsDialog.filter, 3), "WSB");
  EXPECT_EQ(ExtensionForFilterIndex(kOpenSubtitleDialog.filter, 8), "");
  for (const char* ext : {"KPOX", "KPO", "WSB", "TXT", "IBF"}) EXPECT_NE(FindFileType(ext), nullptr) << ext;
}

}  // namespace
}  // namespace kipo
