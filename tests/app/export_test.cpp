#include <gtest/gtest.h>

#include "app/quick_convert.h"
#include "app/text_exporters.h"
#include "app/workstation.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

struct ProgressPrompter : test::RecordingPrompter {
  std::vector<std::string> progress;
  void Progress(const std::string& text, long, long) override { progress.push_back(text); }
};

struct ExportFixture : ::testing::Test {
  test::TempHome home;
  SettingsStore settings{home / "settings.ini"};
  ProgressPrompter prompter;
  Workstation ws{settings, prompter};

  void SetUp() override {
    SubtitleDocument d;
    Subtitle a;
    a.inCue = "00000100";
    a.outCue = "00000212";
    a.text = "<Hello>\r\nworld";
    d.Append(a);
    a.inCue = "00000300";
    a.outCue = "00000400";
    a.text = "Second";
    d.Append(a);
    d.SetFile((home / "film.kpox").string());
    d.modified = false;
    ws.session().ReplaceDocument(std::move(d));
  }
  int Row(const char* name) { return FindExportFormat(name)->position; }
  Bytes Head(const std::filesystem::path& p, std::size_t n) {
    Bytes b = ReadFileBytes(p);
    b.resize(std::min(b.size(), n));
    return b;
  }
};

TEST(ExportCatalogue, RowsFiltersAndEncodings) {
  const auto& c = ExportCatalogue();
  ASSERT_EQ(c.size(), 42u);
  EXPECT_EQ(c[0].category, "Swift Interchange Format file");
  EXPECT_EQ(c[18].name, "SubRip");
  EXPECT_EQ(c[41].name, "Scenarist Closed Caption");
  struct Case { const char* name; std::vector<TextEncoding> enc; const char* ext; };
  using E = TextEncoding;
  for (const Case& k : std::vector<Case>{{"SubRip", {E::Ansi, E::Utf8, E::Utf16}, "srt"},
                                         {"WebVTT", {E::Utf8, E::Utf16}, "vtt"},
                                         {"Preformatted text", {E::Ansi, E::Utf16, E::Utf8}, "txt"},
                                         {"EBU-TT-D Timed Text (EBU Tech 3380)", {E::Ansi}, "ebuttd.xml"},
                                         {"MicroDVD", {E::Ansi, E::Utf8, E::Utf16}, "sub"}}) {
    SCOPED_TRACE(k.name);
    const ExportFormat* f = FindExportFormat(k.name);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Encodings(), k.enc);
    EXPECT_EQ(f->defaultExt, k.ext);
  }
  EXPECT_EQ(ExportPreview(*FindExportFormat("Scenarist Closed Caption")), "No preview available");
  EXPECT_EQ(ExportPreview(*FindExportFormat("MicroDVD")), "{15584}{15664}Sample two line|subtitle text\r\n"
                                                          "{15675}{15762}Sample two line|subtitle text\r\n");
  EXPECT_EQ(ImportCatalogue().size(), 31u);
  EXPECT_EQ(QuickConvertTargets().size(), 20u);
  EXPECT_EQ(BatchExportTargets().back().batchName, "Kipo KPO");
}

TEST_F(ExportFixture, CommonFlowFolderNameEncodingAndStatus) {
  settings.Set("IO", "Save", (home.path() / "out").string() + "/");
  settings.Set("IO", "Open", "/elsewhere/");
  std::filesystem::create_directories(home / "out");
  prompter.files.push_back(FileChoice{(home / "out" / "film.srt").string(), 3});
  ASSERT_TRUE(ws.exports().ExportDialogOk(Row("SubRip"), false));
  const FileDialog& d = prompter.dialogs.back();
  EXPECT_EQ(d.title, "Export SubRip SRT file");
  EXPECT_EQ(d.filterIndex, 3) << "SubRip without a stored filter index starts at UTF-16";
  EXPECT_EQ(d.initialDir, (home.path() / "out").string() + "/");
  EXPECT_EQ(d.fileName, "film");
  EXPECT_EQ(Head(home / "out" / "film.srt", 2), (Bytes{0xFF, 0xFE}));
  EXPECT_EQ(ws.session().panels().status, "File exported successfully");
  EXPECT_EQ(settings.Get("Export", "Last export format", ""), "19");
  EXPECT_EQ(settings.Get("SRT", "Filter index", ""), "3");
  EXPECT_EQ(settings.Get("IO", "Save", ""), (home.path() / "out").string() + "/");

  // "Save in open" starts in the Open folder; an untitled document gets no proposed name.
  settings.SetInt("IO", "Save in open", 1);
  ws.doc().SetFile("");
  EXPECT_FALSE(ws.exports().ExportDialogOk(Row("WebVTT"), false)) << "Cancel in the save dialog writes nothing";
  EXPECT_EQ(prompter.dialogs.back().initialDir, "/elsewhere/");
  EXPECT_EQ(prompter.dialogs.back().fileName, "");
  EXPECT_EQ(prompter.shown.back().kind, "save") << "no message after Cancel";
}

TEST_F(ExportFixture, RemoveBomOnlyTouchesUnicodeFiles) {
  settings.SetBool("Export", "Remove BOM", true);
  const ExportFormat& sbv = *FindExportFormat("YouTube");
  struct Case { TextEncoding e; Bytes head; };
  for (const Case& c : {Case{TextEncoding::Ansi, {'0', ':'}}, Case{TextEncoding::Utf8, {'0', ':'}},
                        Case{TextEncoding::Utf16, {'0', 0}}}) {
    SCOPED_TRACE(TextEncodingName(c.e));
    ws.exports().ExportToFile(sbv, home / "x.sbv", c.e);
    EXPECT_EQ(Head(home / "x.sbv", 2), c.head);
  }
  // RemoveBOM on a file: a first byte 255 drops two bytes, 239 three, others nothing.
  for (auto [in, out] : std::vector<std::pair<std::string, std::string>>{
           {"\xFF\xFE" "a", "a"}, {"\xEF\xBB\xBF" "b", "b"}, {"plain", "plain"}}) {
    test::WriteFile(home / "b.txt", in);
    RemoveBOM(home / "b.txt");
    EXPECT_EQ(test::ReadFile(home / "b.txt"), out);
  }
}

TEST_F(ExportFixture, OptionsDialogCancelAndLaterFormats) {
  settings.SetInt("Export", "Always show options", 0);
  int opened = 0;
  ws.exports().SetOptionsDialog([&](const ExportFormat&) {
    ++opened;
    return false;  // Cancel
  });
  // "Always show options" off: OK exports at once with the stored options.
  prompter.files.push_back(FileChoice{(home / "a.vtt").string(), 1});
  EXPECT_TRUE(ws.exports().ExportDialogOk(Row("WebVTT"), false));
  EXPECT_EQ(opened, 0);
  EXPECT_FALSE(ws.exports().ExportDialogOk(Row("WebVTT"), true));
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(ws.exports().optionsCancelled());
  EXPECT_EQ(settings.Get("Export", "Always show options", ""), "1");
  // Timed Text formats never open their dialog on OK: the save dialog comes at once.
  EXPECT_FALSE(ws.exports().ExportDialogOk(Row("W3C Timed Text (DFXP)"), true));
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(prompter.shown.back().kind, "save");
  EXPECT_EQ(prompter.shown.back().title, "Export W3C Timed Text File");

  // Scenarist: a 33-character row asks first; Cancel exports nothing and says nothing more.
  ws.doc().SetText(1, std::string(33, 'x'));
  prompter.answers.push_back(Answer::Cancel);
  std::size_t before = prompter.shown.size();
  EXPECT_FALSE(ws.exports().ExportDialogOk(Row("Scenarist Closed Caption"), false));
  ASSERT_EQ(prompter.shown.size(), before + 1);
  EXPECT_EQ(prompter.shown.back().text, "Subtitle 2 contains more than 32 characters.");
  EXPECT_EQ(prompter.shown.back().buttons, Buttons::OkCancel);
}

TEST_F(ExportFixture, ImportReplacesDocumentOnlyOnSuccess) {
  test::WriteFile(home / "in.srt", "1\n00:00:05,000 --> 00:00:06,000\nImported\n");
  test::WriteFile(home / "bad.srt", "not subtitles at all");
  int row = static_cast<int>(FindImportFormat("SubRip SRT file") - ImportCatalogue().data());
  ws.doc().SetText(0, "changed");  // unsaved changes: the question comes first
  prompter.answers.push_back(Answer::No);
  prompter.files.push_back(FileChoice{(home / "bad.srt").string(), 1});
  EXPECT_FALSE(ws.exports().ImportDialogOk(row, 0));
  EXPECT_EQ(prompter.shown[0].text, "Save changes to current file?");
  EXPECT_EQ(prompter.shown.back().text, "This is not a valid SubRip file");
  EXPECT_EQ(ws.doc().Count(), 2u) << "a failed import leaves the document as it was";
  prompter.answers.push_back(Answer::No);
  prompter.files.push_back(FileChoice{(home / "in.srt").string(), 1});
  ASSERT_TRUE(ws.exports().ImportDialogOk(row, 0));
  EXPECT_EQ(prompter.dialogs.back().title, "Import SubRip SRT File");
  ASSERT_EQ(ws.doc().Count(), 1u);
  EXPECT_EQ(ws.doc().At(0).text, "Imported");
  EXPECT_EQ(ws.session().WindowTitle(), "Kipo - " + ToUpperAscii((home / "in.srt").string()));
  EXPECT_EQ(settings.Get("Import", "Import file type", ""), std::to_string(row));
}

TEST_F(ExportFixture, BatchExportNamesTagsAndProgress) {
  std::vector<bool> ticks(BatchExportTargets().size(), false);
  for (const char* name : {"SubRip SRT", "WebVTT", "YouTube SBV", "MicroDVD SUB", "QUBE"})
    ticks[static_cast<std::size_t>(FindConvertTarget(name) - BatchExportTargets().data())] = true;
  prompter.files.push_back(FileChoice{(home / "film.kpox").string(), 1});
  auto results = ws.exports().BatchExport(ticks, TextEncoding::Utf8);
  EXPECT_EQ(prompter.dialogs.back().title, "Batch Export Base File Name");
  ASSERT_EQ(results.size(), 5u);
  // The base equals the document's own name, so "_export" is added.
  EXPECT_TRUE(std::filesystem::exists(home / "film_export_micro.sub"));
  EXPECT_TRUE(std::filesystem::exists(home / "film_export_subrip.srt"));
  EXPECT_TRUE(std::filesystem::exists(home / "film_export_webvtt.vtt"));
  EXPECT_TRUE(std::filesystem::exists(home / "film_export_youtube.sbv"));
  EXPECT_EQ(results[1].target, "QUBE");
  EXPECT_TRUE(results[1].error.empty()) << results[1].error;
  EXPECT_TRUE(std::filesystem::exists(home / "film_export_qube.txt"));
  EXPECT_EQ(prompter.progress.front(), "Batch Export - Creating Files...");
  EXPECT_NE(std::find(prompter.progress.begin(), prompter.progress.end(), "Batch Export - Creating SubRip File..."),
            prompter.progress.end());
  EXPECT_EQ(settings.Get("Export", "Batch export 15", ""), "1");
  EXPECT_EQ(settings.Get("Export", "Batch export 0", ""), "0");
  EXPECT_EQ(settings.Get("Export", "Batch export encoding", ""), "UTF-8");
}

TEST_F(ExportFixture, QuickConvertRateOffsetAndMessages) {
  test::WriteFile(home / "a.srt", "1\n00:00:01,000 --> 00:00:02,500\n<i>A</i>\n");
  test::WriteFile(home / "b.srt", "\xFF\xFE" + std::string("1\0\n\0", 4));
  test::WriteFile(home / "c.srt", "1\n00:00:00,500 --> 00:00:01,000\nC\n");
  ConvertOptions o;
  o.frameRateCode = 30;
  o.offset = "-00:00:00:20";
  o.encoding = ConvertEncoding::SameAsOriginal;
  auto r = QuickConvert({home / "a.srt", home / "b.srt", home / "c.srt"}, *FindConvertTarget("MicroDVD SUB"), o, {},
                        settings, prompter);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(test::ReadFile(home / "a.sub"), "{10}{55}<i>A</i>\r\n") << "30 fps, 20 frames earlier";
  EXPECT_FALSE(r[1].error.empty());
  EXPECT_EQ(r[2].warnings.size(), 1u) << "a cue pushed before zero is reported";
  EXPECT_EQ(prompter.progress.front(), "Converting cues...");
  EXPECT_EQ(prompter.progress[1], "Converting a.srt");
  EXPECT_EQ(prompter.shown.back().text, "2 files have been converted.");
  EXPECT_EQ(QuickConvertEndMessage(1), "1 file has been converted.");
  EXPECT_EQ(settings.Get("Export", "Quick convert last format", ""), "MicroDVD SUB");
}

}  // namespace
}  // namespace kipo
