// Exports of the catalogue's XML rows: UTF-8 files (the declaration says so) whatever the
// filter's wording, without a warning that the file went out in another encoding.
#include <gtest/gtest.h>

#include "app/workstation.h"
#include "formats/registry.h"
#include "platform/files.h"
#include "support/recording_prompter.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

TEST(CatalogueExport, XmlRowsAreUtf8WithoutAWrongEncodingWarning) {
  test::TempHome home;
  SettingsStore settings{home / "settings.ini"};
  test::RecordingPrompter prompter;
  Workstation ws{settings, prompter};
  SubtitleDocument d;
  Subtitle s;
  s.inCue = "00000100";
  s.outCue = "00000212";
  s.text = "Caf\xC3\xA9";
  d.Append(s);
  ws.session().ReplaceDocument(std::move(d));
  for (const ExportFormat& row : ExportCatalogue()) {
    const Format* f = FormatOf(row);
    if (!f || !f->traits.alwaysUtf8 || !f->CanWrite() || row.ownWindow) continue;
    SCOPED_TRACE(row.name);
    for (TextEncoding e : {TextEncoding::Utf8, TextEncoding::Ansi}) {
      const Warnings w = ws.exports().ExportToFile(row, home / "out.xml", e);
      const std::string file = test::ReadFile(home / "out.xml");
      EXPECT_TRUE(file.starts_with("\xEF\xBB\xBF<?xml")) << file.substr(0, 20);
      EXPECT_NE(file.find("Caf\xC3\xA9"), std::string::npos);
      for (const std::string& warning : w) EXPECT_EQ(warning.find("cannot be written in"), std::string::npos) << warning;
    }
  }
}

}  // namespace
}  // namespace kipo
