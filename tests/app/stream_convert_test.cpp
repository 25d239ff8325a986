// A conversion between two formats that stream (one subtitle at a time, the file written
// while it is read) must be indistinguishable from one through a whole document: the same
// bytes, warnings, errors, questions and status lines, for files with the habits of real
// ones and for every encoding and step of kipo convert. And a failure on the way leaves
// neither the target nor a temporary file.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "app/quick_convert.h"
#include "formats/subrip_format.h"
#include "formats/webvtt_format.h"
#include "platform/encoding.h"
#include "platform/user_error.h"
#include "settings/keys.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

namespace fs = std::filesystem;

// Keys of the EBU writer, as the options window stores them.
constexpr FlagSetting kNoComments{keys::kOptions, "Do not save comments", true, FlagForm::OneZero};
constexpr FlagSetting kDoubleHeight{keys::kOptions, "EBU double height", false, FlagForm::OneZero};
constexpr FlagSetting kScreenEbu{keys::kOptions, "Screen EBU", true, FlagForm::OneZero};

std::string Utf16(std::string_view utf8) {
  Bytes b{0xFF, 0xFE};
  AppendUtf16LE(b, utf8);
  return std::string(b.begin(), b.end());
}

// ---- EBU files as broadcast tools write them, built byte by byte.

std::string Gsi(std::string_view dfc, std::string_view dsc, std::size_t blocks, std::size_t subtitles) {
  std::string g(1024, ' ');
  auto put = [&](std::size_t at, std::string_view v) { g.replace(at, v.size(), v); };
  put(0, "850");
  put(3, dfc);
  put(11, dsc);
  put(12, "00");
  put(14, "09");  // English
  put(16, "Streamed Programme");
  put(144, "Tr\x82s bien");  // code page 850: an accented letter in the header
  put(224, "261206261206");
  put(236, "03");
  char n[8];
  std::snprintf(n, sizeof n, "%05zu", blocks);
  put(238, n);
  std::snprintf(n, sizeof n, "%05zu", subtitles);
  put(243, n);
  put(248, "001");
  put(251, "38");
  put(253, "23");
  put(255, "1");
  put(256, "10000000");
  put(264, "10000000");
  put(272, "11");
  put(274, "GBR");
  return g;
}

struct Tti {
  int sn;
  std::uint8_t ebn = 0xFF;
  std::string in = "\x0A\x00\x01\x00", out = "\x0A\x00\x03\x00";  // 10:00:01:00, 10:00:03:00
  std::uint8_t vp = 20, jc = 2, cf = 0;
  std::string text;
};

std::string Block(const Tti& t) {
  std::string b;
  b += '\x00';
  b += static_cast<char>(t.sn & 0xFF);
  b += static_cast<char>(t.sn >> 8);
  b += static_cast<char>(t.ebn);
  b += '\x00';
  b += t.in.substr(0, 4);
  b += t.out.substr(0, 4);
  b += static_cast<char>(t.vp);
  b += static_cast<char>(t.jc);
  b += static_cast<char>(t.cf);
  std::string tf = t.text.substr(0, 112);
  tf.resize(112, '\x8F');
  return b + tf;
}

std::string Cue(int h, int m, int s, int f) {
  return {static_cast<char>(h), static_cast<char>(m), static_cast<char>(s), static_cast<char>(f)};
}

// Teletext subtitles in double height with boxes, colours and italics; a subtitle over an
// extension block with a row longer than the edit area; a comment block; ISO 6937 accents;
// unset cues; a last subtitle without its closing block and a few bytes after the blocks.
std::string BroadcastStl() {
  const std::string dh = "\x0D\x0B\x0B";  // double height, start box twice
  const std::string end = "\x0A\x0A";
  std::vector<Tti> blocks;
  blocks.push_back({1, 0xFF, Cue(10, 0, 1, 0), Cue(10, 0, 3, 12), 20, 2, 0,
                    dh + "\x80" "First row" "\x81" + end + "\x8A\x8A" + dh + "\x03" "yellow row" + end});
  const std::string longRow = "A row much longer than the thirty-seven characters of the edit area";
  std::string two = dh + longRow + end + "\x8A\x8A" + dh + "and a second row after the extension block" + end;
  blocks.push_back({2, 0x00, Cue(10, 0, 4, 0), Cue(10, 0, 6, 0), 18, 1, 0, two.substr(0, 112)});
  blocks.push_back({2, 0xFF, Cue(10, 0, 4, 0), Cue(10, 0, 6, 0), 18, 1, 0, two.substr(112)});
  blocks.push_back({3, 0xFE, Cue(10, 0, 7, 0), Cue(10, 0, 8, 0), 20, 2, 1, "Check the name with the client"});
  blocks.push_back({3, 0xFF, Cue(10, 0, 7, 0), Cue(10, 0, 8, 0), 20, 2, 0,
                    dh + "Caf\xC2" "e cr\xC3" "eme, na\xC8" "ive" + end});
  blocks.push_back({4, 0xFF, std::string("\x00\xFF\x00\x00", 4), std::string("\x00\xFF\x00\x00", 4), 22, 3, 0,
                    dh + "No cues here" + end});
  blocks.push_back({5, 0xFF, Cue(9, 59, 59, 20), Cue(10, 0, 0, 10), 1, 2, 0, dh + "Top of the screen" + end});
  blocks.push_back({6, 0x00, Cue(10, 0, 12, 0), Cue(10, 0, 14, 0), 20, 2, 0, dh + "Cut off" + end});
  std::string file = Gsi("STL25.01", "1", blocks.size(), 6);
  for (const Tti& t : blocks) file += Block(t);
  return file + std::string(50, ' ');
}

// ---- SubRip, WebVTT, SBV and MicroDVD files with the habits of real ones.

const std::string kSrtTool =  // CR LF, a UTF-8 mark, tags, positions, colours, a missing number
    "\xEF\xBB\xBF" "1\r\n00:00:01,000 --> 00:00:02,500\r\n<i>Italic row</i>\r\nplain row\r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:04,000 X1:100 X2:200 Y1:10 Y2:20\r\n{\\an8}At the top\r\n\r\n"
    "00:00:05,000 --> 00:00:06,040\r\n<font color=\"#ffff00\">Yellow</font> and <b>bold</b> &amp; co\r\n\r\n"
    "4\r\n00:00:07,000 --> 00:00:08,000\r\n<u>under</u> 1 < 2 > 0\r\n\r\n"
    "5\r\n00:00:09,000 --> 00:00:10,000\r\nRight-to-left? No. Caf\xC3\xA9 \xE2\x80\x94 \xE2\x99\xAA\r\n\r\n";
const std::string kSrtHand =  // LF only, no blank line before a number, a row "1984", spaces
    "1\n00:00:01,000 --> 00:00:02,000\nIn 1984\n1984\n2\n00:00:03,000 --> 00:00:04,000\n  spaced text  \n\n\n"
    "3\n0:00:05.5 --> 0:00:06.25\nshort times\n\n4\n00:00:59,999 --> 00:01:00,000\n\n";
const std::string kVtt =
    "WEBVTT - a programme\n\nSTYLE\n::cue { color: white }\n\nNOTE made by hand\n\n"
    "intro\n00:00:01.000 --> 00:00:02.000 align:start line:0\n<v Bob>Hello</v> <c.yellow>there</c>\n\n"
    "NOTE about the first cue\nover two lines\n\n"
    "00:00:03.000 --> 00:00:04.000\nno identifier\n00:00:05.000 --> 00:00:06.000\nno blank line before\n\n"
    "00:00:07.000 --> 00:00:08.000 position:10%\r\n<i>CR LF</i> &lt;tag&gt;\r\n\r\n"
    "bad --> timing\nskipped\n\nREGION\nid:r\n\nsomething else\n\n";
const std::string kVttNoHeader = "00:00:01.000 --> 00:00:02.000\nNo signature\n\n";
const std::string kSbv =
    "0:00:01.000,0:00:02.000\nFirst[br]row\n\n0:00:03.000,0:00:04.500\n<i>second</i>\n\nno timing\ntext\n\n";
const std::string kMicroDvd = "{1}{1}23.976\n{24}{48}{y:i}First|second\n{72}{96}{Y:i}All italic\n{}{120}no in cue\n";

std::string ManyCues(int n) {
  std::string s;
  char buf[128];
  for (int i = 0; i < n; ++i) {
    const int a = i * 2, b = i * 2 + 1;
    std::snprintf(buf, sizeof buf, "%d\r\n%02d:%02d:%02d,%03d --> %02d:%02d:%02d,%03d\r\n", i + 1, a / 3600,
                  a / 60 % 60, a % 60, i % 1000, b / 3600, b / 60 % 60, b % 60, (i * 7) % 1000);
    s += buf;
    s += i % 3 ? "A line of text\r\n<i>and another</i>\r\n\r\n" : "Caf\xC3\xA9 \xE2\x99\xAA\r\n\r\n";
  }
  return s;
}

struct Input {
  const char* name;  // file name: its extension chooses the reader
  std::string bytes;
};

const std::vector<Input>& Inputs() {
  static const std::vector<Input> inputs = {
      {"tool.srt", kSrtTool},
      {"hand.srt", kSrtHand},
      {"utf16.srt", Utf16("1\r\n00:00:01,000 --> 00:00:02,000\r\nUnicode \xE2\x99\xAA \xD7\xA9\xD7\x9C\r\n")},
      {"ansi.srt", "1\r\n00:00:01,000 --> 00:00:02,000\r\nCaf\xE9 cr\xE8me \x96 \x80 5\r\n"},
      {"web.vtt", kVtt},
      {"bare.vtt", kVttNoHeader},
      {"youtube.sbv", kSbv},
      {"film.sub", kMicroDvd},
      {"broadcast.stl", BroadcastStl()},
      {"empty.srt", "no cues in here\r\n"},
      {"header-only.vtt", "WEBVTT\r\n"},
  };
  return inputs;
}

struct Outcome {
  ConvertedFile result;
  std::string bytes;
  std::vector<test::RecordingPrompter::Shown> shown;
  std::vector<std::string> statuses;
};

struct Case {
  ConvertOptions options;
  bool widen = false;  // the answer to the long-row question
};

Outcome Convert(const fs::path& in, const fs::path& out, const Case& run, SettingsStore& settings, bool stream) {
  test::RecordingPrompter prompter;
  if (run.widen) prompter.answers.push_back(Answer::Yes);
  ConvertOptions o = run.options;
  o.stream = stream;
  Outcome r{ConvertFile(in, out, o, settings, prompter), {}, prompter.shown, prompter.statuses};
  if (fs::exists(out)) r.bytes = test::ReadFile(out);
  return r;
}

// Both paths on one input; the streamed one must have been taken where asked for.
void ExpectSame(const fs::path& in, const std::string& ext, const Case& run, SettingsStore& settings,
                bool streams = true) {
  const fs::path folder = in.parent_path();
  const fs::path docOut = folder / ("by-document." + ext), streamOut = folder / ("streamed." + ext);
  fs::remove(docOut);
  fs::remove(streamOut);
  const Outcome d = Convert(in, docOut, run, settings, false);
  const Outcome s = Convert(in, streamOut, run, settings, true);
  EXPECT_FALSE(d.result.streamed);
  EXPECT_EQ(s.result.streamed, streams);
  EXPECT_EQ(s.result.error, d.result.error);
  EXPECT_EQ(s.result.warnings, d.result.warnings);
  EXPECT_EQ(fs::exists(streamOut), fs::exists(docOut));
  EXPECT_TRUE(s.bytes == d.bytes) << "streamed " << s.bytes.size() << " bytes, by document " << d.bytes.size();
  ASSERT_EQ(s.shown.size(), d.shown.size());
  for (std::size_t i = 0; i < s.shown.size(); ++i) {
    EXPECT_EQ(s.shown[i].kind, d.shown[i].kind);
    EXPECT_EQ(s.shown[i].text, d.shown[i].text);
  }
  EXPECT_EQ(s.statuses, d.statuses);
  // Nothing is left beside the outputs.
  for (const auto& e : fs::directory_iterator(folder))
    EXPECT_EQ(e.path().filename().string().find(".kipo-"), std::string::npos) << e.path();
}

std::vector<Case> Cases() {
  std::vector<Case> runs;
  for (ConvertEncoding e : {ConvertEncoding::FormatDefault, ConvertEncoding::Ansi, ConvertEncoding::Unicode,
                            ConvertEncoding::Utf8, ConvertEncoding::SameAsOriginal}) {
    Case r;
    r.options.encoding = e;
    runs.push_back(r);
  }
  Case steps;  // a rate label, re-timing and an offset that pushes early cues against zero
  steps.options.frameRateCode = 30;
  steps.options.retimeRateCode = 25;
  steps.options.offset = "-00:00:02:00";
  steps.widen = true;
  runs.push_back(steps);
  Case later;
  later.options.offset = "250";
  later.options.frameRateCode = 50;  // a rate EBU files do not name: the writer says so
  runs.push_back(later);
  return runs;
}

std::string CaseName(const Case& r) {
  static const char* kEnc[] = {"ansi", "unicode", "utf8", "same", "default"};
  return std::string(kEnc[static_cast<int>(r.options.encoding)]) + " rate " + std::to_string(r.options.frameRateCode) +
         " retime " + std::to_string(r.options.retimeRateCode) + " offset " + r.options.offset;
}

// Settings that change what the writers put in: the SubRip tag block, WebVTT notes and
// positions, EBU comments and double height without the Screen variant, no byte-order mark.
void ChangeWriterSettings(SettingsStore& s) {
  SubRipOptions srt = SubRipOptionTable().Load(s);
  srt.tags = true;
  SubRipOptionTable().Save(s, srt);
  WebVttOptions vtt = WebVttOptionTable().Load(s);
  vtt.includeComments = true;
  vtt.movieName = "Film --> title";
  WebVttOptionTable().Save(s, vtt);
  s.Set(kNoComments, false);
  s.Set(kDoubleHeight, true);
  s.Set(kScreenEbu, false);
  s.Set(keys::kRemoveBom, true);
}

TEST(StreamConvert, EveryInputOutputEncodingAndStepGivesTheDocumentPathsFile) {
  test::TempHome home;
  for (bool changed : {false, true}) {
    SettingsStore settings;
    if (changed) ChangeWriterSettings(settings);
    for (const Input& input : Inputs()) {
      const fs::path in = test::WriteFile(home / input.name, input.bytes);
      for (const char* ext : {"srt", "vtt", "stl", "sbv", "sub"})
        for (const Case& run : Cases()) {
          SCOPED_TRACE(std::string(input.name) + " -> " + ext + ", " + CaseName(run) +
                       (changed ? ", changed settings" : ""));
          ExpectSame(in, ext, run, settings);
        }
    }
  }
}

TEST(StreamConvert, MoreCuesThanADocumentHoldsStopAtTheSameSubtitle) {
  test::TempHome home;
  SettingsStore settings;
  const fs::path in = test::WriteFile(home / "long.srt", ManyCues(static_cast<int>(kMaxSubtitles) + 40));
  for (const char* ext : {"vtt", "stl", "srt"}) {
    SCOPED_TRACE(ext);
    ExpectSame(in, ext, Case{}, settings);
  }
  // The EBU file of all of them, read back by both paths.
  ASSERT_TRUE(fs::exists(home / "streamed.srt"));
  const fs::path stl = home / "streamed.stl";
  for (const char* ext : {"srt", "vtt"}) {
    SCOPED_TRACE(std::string("stl -> ") + ext);
    ExpectSame(stl, ext, Case{}, settings);
  }
}

TEST(StreamConvert, FormatsThatCannotStreamTakeTheDocumentPath) {
  test::TempHome home;
  SettingsStore settings;
  const fs::path in = test::WriteFile(home / "tool.srt", kSrtTool);
  for (const char* ext : {"pac", "kpox", "txt", "890"}) {
    SCOPED_TRACE(ext);
    ExpectSame(in, ext, Case{}, settings, false);
  }
}

// A failure in the middle of a streamed conversion: the target stays as it was (here: not
// there), and no temporary file is left.
TEST(StreamConvert, AFailureOnTheWayLeavesNoTargetAndNoTemporaryFile) {
  test::TempHome home;
  SettingsStore settings;
  const fs::path in = test::WriteFile(home / "long.srt", ManyCues(20000));
  auto nothingLeft = [&](const fs::path& target) {
    EXPECT_FALSE(fs::exists(target));
    for (const auto& e : fs::directory_iterator(target.parent_path()))
      EXPECT_EQ(e.path().filename().string().find(".kipo-"), std::string::npos) << e.path();
  };
  test::RecordingPrompter prompter;
  {
    SCOPED_TRACE("a full disk after the first pieces");
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 300 * 1024;  // some pieces go through first
    setrlimit(RLIMIT_FSIZE, &small);
    ConvertedFile stl = ConvertFile(in, home / "out.stl", {}, settings, prompter);
    ConvertedFile vtt = ConvertFile(in, home / "out.vtt", {}, settings, prompter);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    for (const ConvertedFile* r : {&stl, &vtt}) {
      EXPECT_TRUE(r->streamed);
      EXPECT_NE(r->error.find("Cannot save file: Cannot write " + r->output.string()), std::string::npos) << r->error;
      nothingLeft(r->output);
    }
  }
  {
    SCOPED_TRACE("a subtitle the reader cannot read, after many pieces were written");
    Format failing = *FindFormat("subrip");
    failing.stream.read = [](Bytes&, FormatContext&, SubtitleDocument& header, const SubtitleSink& sink) -> Warnings {
      header.SetFrameRate(25);
      for (int i = 0; i < 20000; ++i) {
        Subtitle s;
        s.inCue = "00000000";
        s.outCue = "00000100";
        s.text = "A subtitle that is read well enough";
        sink(std::move(s));
      }
      throw InvalidFileFormat("Subtitle 20001 cannot be read");
    };
    Bytes bytes;
    try {
      ConvertStreamed(failing, *FindFormat("webvtt"), bytes, in, home / "out.vtt", {}, settings, prompter);
      ADD_FAILURE() << "the conversion went through";
    } catch (const UserError& e) {
      EXPECT_EQ(e.text(), "Subtitle 20001 cannot be read");
    }
    nothingLeft(home / "out.vtt");
  }
  {
    SCOPED_TRACE("a folder that cannot be written to");
    ConvertedFile r = ConvertFile(in, home / "no-such-folder" / "out.vtt", {}, settings, prompter);
    EXPECT_NE(r.error.find("Cannot save file: Cannot write to"), std::string::npos) << r.error;
    EXPECT_FALSE(fs::exists(home / "no-such-folder"));
  }
  {
    SCOPED_TRACE("an offset that is no timecode, found once the first subtitle is read");
    ConvertOptions o;
    o.offset = "soon";
    ConvertedFile r = ConvertFile(in, home / "out.vtt", o, settings, prompter);
    EXPECT_EQ(r.error, "Kipo: The offset soon is not a timecode (HH:MM:SS:FF) or a frame count");
    nothingLeft(home / "out.vtt");
  }
  {
    SCOPED_TRACE("an EBU file whose signature question is answered No, over an existing target");
    std::string stl = BroadcastStl();
    stl.replace(3, 3, "XYZ");
    const fs::path bad = test::WriteFile(home / "odd.stl", stl);
    test::WriteFile(home / "kept.srt", "old");
    ConvertedFile r = ConvertFile(bad, home / "kept.srt", {}, settings, prompter);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(test::ReadFile(home / "kept.srt"), "old");
  }
}

}  // namespace
}  // namespace kipo
