#include <gtest/gtest.h>

#include "app/open_any.h"
#include "formats/registry.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

struct Fixture {
  test::TempHome home;
  SettingsStore settings;
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
};

// Files as other tools write them: byte-order marks, CR LF or LF, hours of one digit,
// cue settings, a Timed Text file behind the shared .xml extension.
TEST(OpenAny, ForeignFilesAreImportedOwnFilesOpened) {
  struct Case {
    const char* name;
    std::string bytes;
    OpenKind kind;
    std::string firstText;
  };
  const std::vector<Case> cases = {
      {"film.srt", "\xEF\xBB\xBF" "1\r\n00:00:01,000 --> 00:00:02,500\r\n<i>Hello</i>\r\n\r\n2\r\n0:00:03,000 --> 0:00:04,000\r\nBye\r\n",
       OpenKind::Import, "<Hello>"},
      {"film.vtt", "WEBVTT\n\n00:01.000 --> 00:02.000 align:start\nHi &amp; bye\n", OpenKind::Import, "Hi & bye"},
      {"film.sbv", "0:00:01.000,0:00:02.000\nFirst\n\n0:00:03.000,0:00:04.000\nSecond\n", OpenKind::Import, "First"},
      {"delivery.xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tt xmlns=\"http://www.w3.org/ns/ttml\"><body><div>"
       "<p begin=\"00:00:01.000\" end=\"00:00:02.000\">Timed</p></div></body></tt>\n",
       OpenKind::Import, "Timed"},
      {"notes.txt", "0001\t00:00:01:00\t00:00:02:00\r\nPlain text\r\n\r\n", OpenKind::Native, "Plain text"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    const auto path = test::WriteFile(f.home / c.name, c.bytes);
    EXPECT_EQ(OpenKindOf(path), c.kind);
    ASSERT_TRUE(OpenAnyFile(f.ws, path)) << (f.prompter.shown.empty() ? "" : f.prompter.shown.back().text);
    ASSERT_GE(f.ws.doc().Count(), 1u);
    EXPECT_EQ(f.ws.doc().At(0).text, c.firstText);
    // An imported document has no file of its own to save over.
    EXPECT_EQ(f.ws.doc().saved, c.kind == OpenKind::Native);
  }
}

TEST(OpenAny, RefusedFilesLeaveTheDocumentAsItWas) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"picture.png", "\x89PNG\r\n\x1a\n"},
      {"no_extension", "1\n00:00:01,000 --> 00:00:02,000\nx\n"},
      {"broken.kpox", "not a kipo file at all"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    SubtitleDocument d;
    Subtitle s;
    s.text = "keep me";
    d.Append(s);
    d.modified = false;
    f.ws.session().ReplaceDocument(std::move(d));
    const auto path = test::WriteFile(f.home / c.name, c.bytes);
    EXPECT_FALSE(OpenAnyFile(f.ws, path));
    ASSERT_EQ(f.ws.doc().Count(), 1u);
    EXPECT_EQ(f.ws.doc().At(0).text, "keep me");
    ASSERT_FALSE(f.prompter.shown.empty());  // each refusal says why
  }
  Fixture f;
  EXPECT_FALSE(OpenAnyFile(f.ws, f.home / "missing.srt"));
  EXPECT_EQ(f.prompter.shown.back().title, "Cannot open file");
}

TEST(OpenAny, ModifiedDocumentAsksFirst) {
  Fixture f;
  SubtitleDocument d;
  Subtitle s;
  s.text = "unsaved";
  d.Append(s);
  f.ws.session().ReplaceDocument(std::move(d));
  f.ws.doc().modified = true;
  const auto path = test::WriteFile(f.home / "a.srt", "1\n00:00:01,000 --> 00:00:02,000\nnew\n");
  f.prompter.answers.push_back(Answer::Cancel);
  EXPECT_FALSE(OpenAnyFile(f.ws, path));
  EXPECT_EQ(f.ws.doc().At(0).text, "unsaved");
  f.prompter.answers.push_back(Answer::No);
  EXPECT_TRUE(OpenAnyFile(f.ws, path));
  EXPECT_EQ(f.ws.doc().At(0).text, "new");
}

}  // namespace
}  // namespace kipo

namespace kipo {
namespace {

// Every type the registry both writes and reads: a file our writer made opens through the
// same path as the command line, the Open dialog and a dropped file, as Kipo's own type
// or as an import, and the text can be found in it.
TEST(OpenAny, EveryWrittenTypeOpens) {
  int opened = 0;
  for (const Format& format : Formats()) {
    if (!format.read || !format.write || format.extensions.empty() || format.exportTo) continue;
    SCOPED_TRACE(format.id);
    Fixture f;
    SubtitleDocument d(25, 2057, 0);
    Subtitle s;
    s.text = "Harbour lights";
    s.inCue = "00000100";
    s.outCue = "00000300";
    d.Append(s);
    FormatContext ctx{f.prompter, f.settings};
    WriteResult written;
    try {
      written = format.write(d, ctx);
    } catch (const UserError&) {
      continue;  // a writer that needs options of its own (a template, a language)
    }
    const auto path = test::WriteFile(f.home / ("film." + format.extensions.front()),
                                      std::string(written.bytes.begin(), written.bytes.end()));
    const OpenKind kind = OpenKindOf(path);
    EXPECT_NE(kind, OpenKind::Unreadable);
    if (!OpenAnyFile(f.ws, path)) {
      // Only a question the reader asked and nobody answered may stop it, with its message.
      EXPECT_TRUE(format.traits.needsLanguage || !f.prompter.shown.empty());
      continue;
    }
    ++opened;
    EXPECT_EQ(f.ws.doc().saved, kind == OpenKind::Native);
    bool found = false;
    for (const Subtitle& sub : f.ws.doc().Subtitles()) found = found || sub.text.find("Harbour") != std::string::npos;
    EXPECT_TRUE(found);
  }
  EXPECT_GE(opened, 10);
}

// EBU STL files from other systems (skipped without the shared samples): each opens as
// Kipo's own type or is refused with a message, and a refusal leaves the document.
TEST(OpenAny, SharedStlSamples) {
  const std::filesystem::path dir = std::filesystem::path(KIPO_SHARED_SAMPLES) / "ebu-stl-conformance" / "stl";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no shared samples at " << dir;
  int opened = 0, files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(e.path().filename().string());
    ++files;
    Fixture f;
    EXPECT_EQ(OpenKindOf(e.path()), OpenKind::Native);
    if (OpenAnyFile(f.ws, e.path())) ++opened;
    else EXPECT_FALSE(f.prompter.shown.empty());
  }
  EXPECT_GT(opened, files / 2);
}

}  // namespace
}  // namespace kipo
