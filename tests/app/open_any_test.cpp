#include <gtest/gtest.h>

#include "app/open_any.h"
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
