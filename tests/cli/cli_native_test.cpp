#include <gtest/gtest.h>

#include "cli/run_kipo.h"
#include "core/autosave.h"
#include "core/native_file.h"
#include "platform/files.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

using test::Kipo;

std::string Demo() {
  return (std::filesystem::path(KIPO_TEST_DATA).parent_path().parent_path() / "examples" / "demo.kpox").string();
}

TEST(CliNative, InfoAndListReadTheDemo) {
  test::TempHome home;
  auto r = Kipo({"info", Demo()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Frame rate:     25 fps\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Subtitles:      40\n"), std::string::npos);
  EXPECT_NE(r.out.find("Last out cue:   10:02:10:00\n"), std::string::npos);
  r = Kipo({"list", Demo(), "--from", "4", "--to", "4"});
  EXPECT_EQ(r.out, "0004  10:00:10:20  10:00:13:06  02:11  His daughter. | The keeper's been dead a year.\n");
  r = Kipo({"list", Demo(), "--from", "40", "--json"});
  EXPECT_NE(r.out.find("\"number\": 40"), std::string::npos) << r.out;
  auto bad = test::WriteFile(home / "bad.kpox", "nonsense");
  r = Kipo({"info", bad.string()});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err, "kipo: Invalid file format: This is not a valid Kipo Unicode file\n");
}

TEST(CliNative, BackupsListShowRestoreDelete) {
  test::TempHome home;
  SubtitleDocument d;
  Subtitle s;
  s.text = "hello";
  s.inCue = "00000100";
  s.outCue = "00000200";
  d.Append(s);
  d.SetFile("/work/film.kpox");
  AutoSaver saver;
  AutoSaveOptions o;
  o.interval = 1;
  o.backups = true;
  ASSERT_EQ(saver.SaveNow(d, o, *std::make_unique<SilentPrompter>()), AutoSaveOutcome::Saved);
  std::string name = saver.lastBackup().filename().string();

  EXPECT_EQ(Kipo({"backups", "list"}).out, "film\t1 backup\tlatest " + name + "\n");
  EXPECT_EQ(Kipo({"backups", "show", "film"}).out, name + "\n");
  EXPECT_EQ(Kipo({"backups", "show", "film", "latest"}).out,
            "1\t00:00:01:00\t00:00:02:00\thello\nThe selected file contains 1 subtitles, 0 of which are empty\n");
  auto out = home / "restored.kpo";
  auto r = Kipo({"backups", "restore", "film", name, "--to", out.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadNative(ReadFileBytes(out), NativeVariant::Kpo).At(0).text, "hello");
  EXPECT_EQ(Kipo({"backups", "restore", "film", "latest", "--to", out.string()}).code, 2);
  EXPECT_EQ(Kipo({"backups", "show", "../.."}).code, 2);
  EXPECT_EQ(Kipo({"--no", "backups", "delete", "film"}).code, 2);
  EXPECT_TRUE(std::filesystem::exists(BackupsFolder() / "film"));
  EXPECT_EQ(Kipo({"--yes", "backups", "delete", "film"}).code, 0);
  EXPECT_FALSE(std::filesystem::exists(BackupsFolder() / "film"));
}

}  // namespace
}  // namespace kipo
