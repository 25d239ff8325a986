// Commands as a new user runs them: what each prints must carry everything the file holds,
// numbers as numbers, defaults where nothing is stored, and refusals where the windows refuse.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/file_types.h"
#include "cli/run_kipo.h"
#include "core/autosave.h"
#include "core/native_file.h"
#include "core/rich_text.h"
#include "platform/files.h"
#include "platform/text_util.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::Kipo;
using Json = nlohmann::json;

const FrameRate kPal = *FrameRate::FromCode(25);

// Two subtitles: one with every field away from its default, one plain.
SubtitleDocument Document() {
  SubtitleDocument d;
  Subtitle a;
  a.text = "\x01Red row\r\n<two> \x06" "cyan";
  a.inCue = FramesToDigits(250, kPal);
  a.outCue = FramesToDigits(300, kPal);
  a.alignment = AlignCentreLeft;
  a.row = 4;
  a.italic = true;
  a.boxStyle = BoxGhostBoxedOutline;
  a.shiftX = -3;
  a.shiftY = 7;
  a.rowAlignments = "21000000000";
  a.rowColours = "35000000000";
  a.comment = "check \xC3\xA9";
  a.karaokeRole = -1;
  a.karaokeIn = 240;
  a.karaokeOut = 310;
  d.Append(a);
  Subtitle b;
  b.text = EscapeLiterals("[Plain] <3");
  b.karaokeRole = 3;
  d.Append(b);
  d.SetCurrentNumber(2);
  return d;
}

std::filesystem::path Save(const SubtitleDocument& d, const std::filesystem::path& path) {
  SettingsStore settings;
  test::RecordingPrompter prompter;
  FileContext ctx{prompter, settings};
  WriteDocumentFile(d, path, ctx);
  return path;
}

TEST(CliNewUser, ListAndInfoShowEveryField) {
  test::TempHome home;
  const SubtitleDocument doc = Document();
  const auto file = Save(doc, home / "film.kpox");

  auto r = Kipo({"list", file.string(), "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  const Json j = Json::parse(r.out);
  ASSERT_EQ(j.size(), 2u);
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    SCOPED_TRACE(i + 1);
    const Json& e = j[i];
    const Subtitle& s = doc.At(i);
    // Rebuilt from the JSON alone, the subtitle must be the one in the file.
    Subtitle back;
    back.text = e["text"];
    back.inCue = e["in"] == "" ? "" : StripSeparators(e["in"].get<std::string>());
    back.outCue = e["out"] == "" ? "" : StripSeparators(e["out"].get<std::string>());
    back.alignment = e["alignment"];
    back.row = e["row"];
    back.italic = e["italic"];
    back.boxStyle = e["boxStyle"];
    back.shiftX = e["shiftX"];
    back.shiftY = e["shiftY"];
    back.rowAlignments = e["rowAlignments"];
    back.rowColours = e["rowColours"];
    back.comment = e["comment"];
    back.karaokeRole = e["karaoke"]["role"];
    back.karaokeIn = e["karaoke"]["in"];
    back.karaokeOut = e["karaoke"]["out"];
    EXPECT_EQ(back, s);
    EXPECT_EQ(e["rows"].size(), SplitRows(s.text).size());
    EXPECT_EQ(e["rowDetails"].size(), e["rows"].size());
  }
  EXPECT_EQ(j[0]["alignmentName"], "centre-left");
  EXPECT_EQ(j[0]["boxStyleName"], "Ghost boxed outline");
  EXPECT_EQ(j[0]["rowDetails"][0], (Json{{"colour", "yellow"}, {"alignment", 2}}));
  EXPECT_EQ(j[0]["rowDetails"][1], (Json{{"colour", "magenta"}, {"alignment", 1}}));
  EXPECT_EQ(j[1]["rowDetails"][0], (Json{{"colour", "default"}, {"alignment", 0}}));
  // Characters a file brought in as plain ones read as themselves, not as stand-ins.
  EXPECT_EQ(j[1]["plain"], "[Plain] <3");
  EXPECT_EQ(j[0]["plain"], "Red row\r\ntwo cyan");

  r = Kipo({"list", file.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "0001  00:00:10:00  00:00:12:00  02:00  {red}Red row | <two> {cyan}cyan\n"
            "0002  --:--:--:--  --:--:--:--  __:__  [Plain] <3\n");

  r = Kipo({"info", file.string()});
  EXPECT_NE(r.out.find("Current number: 2\n"), std::string::npos) << r.out;
}

TEST(CliNewUser, StatsJsonGivesNumbersAsNumbers) {
  test::TempHome home;
  const auto file = Save(Document(), home / "film.kpox");
  auto r = Kipo({"stats", file.string(), "--json"});
  ASSERT_EQ(r.code, 0) << r.err;
  const Json j = Json::parse(r.out);
  ASSERT_FALSE(j["statistics"].empty());
  for (const auto& [label, value] : j["statistics"].items()) EXPECT_TRUE(value.is_number()) << label << ": " << value;
  for (const auto& [label, value] : j["labels"].items()) {
    SCOPED_TRACE(label);
    ASSERT_TRUE(j["statistics"].contains(label));
    EXPECT_TRUE(value.is_string());
  }
  EXPECT_EQ(j["statistics"]["Subtitles"], 2);
  EXPECT_EQ(j["statistics"]["Total subtitle duration"], 2.0);
  EXPECT_EQ(j["labels"]["Total subtitle duration"], "00:00:02:00");
  EXPECT_EQ(j["statistics"]["Italicised subtitles"], 1);
}

TEST(CliNewUser, CleanAndPunctuateUseTheWindowsDefaultsAndRefusals) {
  test::TempHome home;
  SubtitleDocument doc;
  for (const char* t : {"# Music #", "Um, well-- ok", "Fine"}) {
    Subtitle s;
    s.text = t;
    doc.Append(s);
  }
  const auto film = Save(doc, home / "film.kpox");
  const std::string original = test::ReadFile(film);
  const auto ini = home / "s.ini";
  {
    SCOPED_TRACE("--sdh with nothing stored: the marker \"#\" and the interjections");
    auto r = Kipo({"--settings", ini.string(), "clean", film.string(), "--sdh", "-o", (home / "out.kpox").string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "File Clean Report\n"
              "0001\tCharacter '#' deleted\t# Music #\n"
              "0002\tInterjection 'Um' deleted\tUm, well-- ok\n");
  }
  struct Refusal {
    const char* first;
    const char* second;
    const char* message;
  };
  const Refusal refusals[] = {
      {"Insert space after dash", "Delete space after dash", "Insert space and delete space after dash"},
      {"Insert missing ellipses", "Delete ellipses", "Insert ellipses and delete ellipses"},
  };
  for (const Refusal& c : refusals) {
    SCOPED_TRACE(c.first);
    std::filesystem::remove(ini);
    ASSERT_EQ(Kipo({"--settings", ini.string(), "settings", "set", "Punctuation", c.first, "True"}).code, 0);
    auto r = Kipo({"--settings", ini.string(), "settings", "set", "Punctuation", c.second, "True"});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(SettingsStore(ini).Has("Punctuation", c.second), false);  // nothing stored
    EXPECT_EQ(Kipo({"--settings", ini.string(), "settings", "set", "Punctuation", c.second, "False"}).code, 0);

    // Rules stored contradictory by hand are refused by every command that applies them,
    // and the file stays as it was.
    SettingsStore(ini).Set("Punctuation", c.second, "True");
    for (std::vector<std::string> command : {std::vector<std::string>{"punctuate", film.string()},
                                             std::vector<std::string>{"clean", film.string(), "--punctuation"}}) {
      command.insert(command.begin(), {"--settings", ini.string()});
      r = Kipo(command);
      EXPECT_EQ(r.code, 2) << command[2];
      EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
      EXPECT_EQ(test::ReadFile(film), original);
    }
  }
}

TEST(CliNewUser, SettingsListShowsDefaultsInForce) {
  test::TempHome home;
  const auto ini = home / "s.ini";
  SettingsStore(ini).Set("House options", "Reading speed", "17");
  struct Case {
    const char* section;
    const char* line;  // must appear exactly once
    const char* absent;
  };
  const Case cases[] = {
      {"House options", "Reading speed=17\n", "Reading speed=15"},
      {"House options", "Maximum rows=2  (default)\n", nullptr},
      {"Options", "Enable colours=1  (default)\n", nullptr},
      {"Options", "Subtitle zero=False  (default)\n", nullptr},
      {"Punctuation", "Delete spaces=False  (default)\n", nullptr},
      {"File clean", "SDH chars 1=#  (default)\n", nullptr},
      {"Display Settings", "Font size=40  (default)\n", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    auto r = Kipo({"--settings", ini.string(), "settings", "list", c.section});
    ASSERT_EQ(r.code, 0) << r.err;
    const auto at = r.out.find(c.line);
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(c.line, at + 1), std::string::npos) << r.out;
    if (c.absent) {
      EXPECT_EQ(r.out.find(c.absent), std::string::npos) << r.out;
    }
  }
  auto sections = Kipo({"--settings", ini.string(), "settings", "list"}).out;
  EXPECT_NE(sections.find("Options\n"), std::string::npos) << sections;
  EXPECT_EQ(Kipo({"--settings", ini.string(), "settings", "get", "House options", "Maximum rows"}).out, "2\n");
  EXPECT_EQ(Kipo({"--settings", ini.string(), "settings", "get", "House options", "Maximum rows", "--default", "x"}).out,
            "x\n");
  EXPECT_EQ(SettingsStore(ini).Keys("Options").size(), 0u);  // listing stores nothing
}

TEST(CliNewUser, BackupsRestoreTheNewestAndSayWhenThereAreNone) {
  test::TempHome home;
  const auto root = home / "backups";
  std::filesystem::create_directories(root);
  auto r = Kipo({"backups", "--root", root.string(), "list"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "There are no backups in " + root.string() + "\n");

  for (const char* name : {"2024_03_01@14_05_09", "2024_03_01@15_00_00", "2023_12_31@23_59_59"}) {
    SubtitleDocument d;
    Subtitle s;
    s.text = name;
    d.Append(s);
    test::WriteFile(root / "film" / (std::string(name) + ".kpox"), [&] {
      Bytes b = WriteNative(d, NativeVariant::Kpox).bytes;
      return std::string(b.begin(), b.end());
    }());
  }
  const auto out = home / "restored.kpox";
  r = Kipo({"backups", "--root", root.string(), "restore", "film", "--to", out.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadNative(ReadFileBytes(out), NativeVariant::Kpox).At(0).text, "2024_03_01@15_00_00");
  r = Kipo({"backups", "--root", root.string(), "restore", "film", "2023_12_31@23_59_59.kpox", "--to", out.string(),
            "--force"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadNative(ReadFileBytes(out), NativeVariant::Kpox).At(0).text, "2023_12_31@23_59_59");
}

TEST(CliNewUser, NativeFilesReadByTheirHeaderWithWarnings) {
  test::TempHome home;
  const SubtitleDocument doc = Document();
  struct Case {
    NativeVariant written;
    const char* name;
    const char* text;  // the 8-bit .kpo holds no plain "[" or "<": "?" and a save warning
  };
  for (const Case& c : {Case{NativeVariant::Kpox, "renamed.kpo", "[Plain] <3"},
                        Case{NativeVariant::Kpo, "renamed.kpox", "?Plain? ?3"}}) {
    SCOPED_TRACE(c.name);
    Bytes b = WriteNative(doc, c.written).bytes;
    const auto file = test::WriteFile(home / c.name, std::string(b.begin(), b.end()));
    auto r = Kipo({"list", file.string(), "--from", "2"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, std::string("0002  --:--:--:--  --:--:--:--  __:__  ") + c.text + "\n");
    EXPECT_EQ(r.err, "");

    b[16] = 99;  // a frame-rate code no rate has
    test::WriteFile(file, std::string(b.begin(), b.end()));
    r = Kipo({"info", file.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Frame rate:     25 fps\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("kipo info: warning: The file's frame-rate code 99"), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace kipo
