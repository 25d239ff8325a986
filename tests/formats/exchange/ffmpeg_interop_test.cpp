// Files we write must be read by ffmpeg with the same cue times, and files ffmpeg writes
// must import. Runs the real ffmpeg; skipped when it is not installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "core/rich_text.h"
#include "formats/exchange/subrip.h"
#include "formats/exchange/text_encoding.h"
#include "formats/exchange/webvtt.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

bool HaveFfmpeg() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

bool Ffmpeg(const std::filesystem::path& in, const std::filesystem::path& out) {
  std::string cmd = "ffmpeg -nostdin -v error -y -i '" + in.string() + "' '" + out.string() + "'";
  return std::system(cmd.c_str()) == 0;
}

SubtitleDocument Sample(int rateCode) {
  SubtitleDocument d;
  d.SetFrameRate(rateCode);
  std::vector<Subtitle> subs;
  for (int i = 0; i < 40; ++i) {
    Subtitle s;
    s.inCue = FramesToDigits(i * 83 + i % 24, d.frameRate());
    s.outCue = FramesToDigits(i * 83 + i % 24 + 45, d.frameRate());
    s.text = i % 2 ? "<Italic> words\r\nsecond row" : "Plain " + std::to_string(i);
    subs.push_back(s);
  }
  d.ReplaceAll(subs);
  return d;
}

void ExpectSameCues(const SubtitleDocument& a, const SubtitleDocument& b) {
  ASSERT_EQ(a.Count(), b.Count());
  for (std::size_t i = 0; i < a.Count(); ++i) {
    EXPECT_EQ(a.At(i).inCue, b.At(i).inCue) << i;
    EXPECT_EQ(a.At(i).outCue, b.At(i).outCue) << i;
    EXPECT_EQ(a.At(i).text, b.At(i).text) << i;
  }
}

TEST(FfmpegInterop, ReadsOurFilesAndWeReadItsFiles) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  test::TempHome home;
  for (int code : {25, 24, 30}) {
    SCOPED_TRACE(code);
    SubtitleDocument d = Sample(code);
    Warnings w;
    // Our SubRip (UTF-8 with its mark) -> ffmpeg SubRip and WebVTT -> our readers.
    Bytes srt = EncodeText(WriteSubRip(d, {}, w), TextEncoding::Utf8, "windows-1252");
    std::filesystem::path ours = home / "ours.srt";
    test::WriteFile(ours, std::string(srt.begin(), srt.end()));
    for (const char* ext : {"srt", "vtt"}) {
      SCOPED_TRACE(ext);
      std::filesystem::path theirs = home / (std::string("theirs.") + ext);
      ASSERT_TRUE(Ffmpeg(ours, theirs));
      std::string text = DecodeImportText(ReadFileBytes(theirs), std::nullopt);
      SubtitleDocument back = std::string(ext) == "srt" ? ReadSubRip(text, d.frameRate(), w)
                                                        : ReadWebVtt(text, d.frameRate(), w);
      ExpectSameCues(d, back);
    }
    // Our WebVTT -> ffmpeg SubRip -> same cues. (WebVTT players read UTF-8 only; the
    // UTF-16 choice of the export dialog is for other tools.)
    for (TextEncoding e : {TextEncoding::Utf8}) {
      SCOPED_TRACE(TextEncodingName(e));
      Bytes vtt = EncodeText(WriteWebVtt(d, {}, w), e, "windows-1252");
      std::filesystem::path in = home / "ours.vtt", out = home / "back.srt";
      test::WriteFile(in, std::string(vtt.begin(), vtt.end()));
      ASSERT_TRUE(Ffmpeg(in, out));
      ExpectSameCues(d, ReadSubRip(DecodeImportText(ReadFileBytes(out), std::nullopt), d.frameRate(), w));
    }
  }
}

// A "<" or ">" that is a character in the document is a character in ffmpeg too: each row
// of our SubRip file turns into the same characters in ffmpeg's ASS output.
TEST(FfmpegInterop, LiteralAngleBracketsAreCharactersForFfmpeg) {
  if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
  test::TempHome home;
  const std::vector<std::pair<std::string, std::string>> rows = {
      {EscapeLiterals("if x < y and 2 > 1"), "if x < y and 2 > 1"},
      {EscapeLiterals("x<y [sic]"), "x<y [sic]"},
      {"<Italic> " + EscapeLiterals("2 < 3"), "{\\i1}Italic{\\i0} 2 < 3"},
  };
  SubtitleDocument d;
  d.SetFrameRate(25);
  std::vector<Subtitle> subs;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    Subtitle s;
    s.inCue = FramesToDigits(static_cast<Timecode>(i * 50), d.frameRate());
    s.outCue = FramesToDigits(static_cast<Timecode>(i * 50 + 40), d.frameRate());
    s.text = rows[i].first;
    subs.push_back(s);
  }
  d.ReplaceAll(subs);
  Warnings w;
  std::filesystem::path ours = home / "literal.srt", theirs = home / "literal.ass";
  test::WriteFile(ours, WriteSubRip(d, {}, w));
  ASSERT_TRUE(Ffmpeg(ours, theirs));
  std::string ass = DecodeImportText(ReadFileBytes(theirs), std::nullopt);
  for (const auto& [text, shown] : rows) {
    SCOPED_TRACE(shown);
    std::size_t at = ass.find(",," + shown);
    ASSERT_NE(at, std::string::npos) << ass;
    at += 2 + shown.size();
    EXPECT_TRUE(at == ass.size() || ass[at] == '\r' || ass[at] == '\n') << ass;
  }
  // And our reader reads the file back to the same document text.
  SubtitleDocument back = ReadSubRip(WriteSubRip(d, {}, w), d.frameRate(), w);
  ExpectSameCues(d, back);
}

}  // namespace
}  // namespace kipo
