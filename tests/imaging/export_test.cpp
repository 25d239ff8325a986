// Bitmap exports end to end: every target over one document, the scripts' layouts, the
// log, threads, cancel, and the Blu-ray stream read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <pugixml.hpp>

#include "imaging/bitmap_export.h"
#include "imaging/render_support.h"
#include "platform/files.h"
#include "platform/user_error.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

namespace fs = std::filesystem;

SubtitleDocument SampleDocument(int rate = 25) {
  SubtitleDocument d(rate, 2057, 0);
  auto add = [&](const char* in, const char* out, std::string text) {
    Subtitle s;
    s.inCue = Cue(in);
    s.outCue = Cue(out);
    s.text = std::move(text);
    d.Append(std::move(s));
  };
  add("10000100", "10000312", "First subtitle");
  add("10000400", "10000610", "<Two rows,>\r\n<in italics>");
  add("10000700", "10000800", "");
  add("10000900", "10001100", "A row that is certainly far too wide for the frame of PAL video");
  add("10001200", "10001400", "Unbalanced <chevron");
  return d;
}

BitmapExportRequest Request(const fs::path& folder, AuthoringTarget t, PictureFormat pf) {
  BitmapExportRequest r;
  r.document = SampleDocument();
  r.options.targetSystem = static_cast<int>(t);
  r.options.pictureFormat = static_cast<int>(pf);
  r.options.scriptExtension = std::string(DefaultScriptExtension(t));
  r.options.fontName = "DejaVu Sans";
  r.options.fontSize = 30;
  r.options.bitmapStream = "sub";
  r.fontFiles = ReferenceFontFiles();
  r.folder = folder;
  r.generatedOn = "06/12/2026 08:00:00";
  return r;
}

std::string Slurp(const fs::path& p) { return test::ReadFile(p);
}

TEST(BitmapExport, EveryTargetWritesItsPicturesAndScript) {
  KIPO_NEED_REFERENCE_FONT();
  test::TempHome home;
  WorkerPool pool(2);
  for (int t = 0; t < kAuthoringTargetCount; ++t) {
    const auto target = static_cast<AuthoringTarget>(t);
    SCOPED_TRACE(std::string(AuthoringTargetName(target)));
    const PictureFormat pf = NeedsPng(target) ? PictureFormat::Png32 : PictureFormat::Bmp8;
    const fs::path dir = home / ("t" + std::to_string(t));
    BitmapExportRequest req = Request(dir, target, pf);
    if (target == AuthoringTarget::Pinnacle) req.options.antialiasType = static_cast<int>(AntiAlias::AntiAliased);
    ASSERT_TRUE(ValidateDvdOptions(req.options, 1, 5).ok()) << ValidateDvdOptions(req.options, 1, 5).message;
    BitmapExportResult r = BitmapExport::Run(req, pool);
    EXPECT_FALSE(r.cancelled);
    // Five subtitles, the empty one rendered too; the stream holds them in one file.
    EXPECT_EQ(r.entries.size(), 5u);
    if (target == AuthoringTarget::PgsStream) {
      EXPECT_EQ(r.picturesWritten, 0u);
    } else {
      EXPECT_EQ(r.picturesWritten, 5u);
      for (int n = 1; n <= 5; ++n) {
        std::string name = BitmapFileName("sub", n, pf);
        EXPECT_TRUE(fs::exists(dir / name)) << name;
      }
    }
    if (target != AuthoringTarget::DlpCinema) {
      ASSERT_FALSE(r.script.empty());
      const std::string text = Slurp(r.script);
      if (target != AuthoringTarget::PgsStream && target != AuthoringTarget::FinalCutXml && target != AuthoringTarget::BdnXml) {
        EXPECT_NE(text.find("10:00:04:00"), std::string::npos) << text;
      }
      if (target != AuthoringTarget::PgsStream) {
        EXPECT_NE(text.find(target == AuthoringTarget::SpruceMaestro ? "<<path:>>sub0005.bmp" : "sub0005"), std::string::npos);
      }
    }
    // The log: the rendering faults in subtitle order, then the completion line.
    ASSERT_GE(r.log.size(), 4u);
    EXPECT_EQ(r.log[0], "Subtitle 3 is empty but was rendered");
    EXPECT_EQ(r.log[1], "Severe error: subtitle 4 exceeds margins");
    EXPECT_EQ(r.log[2], "Illegal chevrons in subtitle 5");
    EXPECT_EQ(r.warnings, 2);
    EXPECT_TRUE(r.log.back().ends_with(": Export complete - 2 warnings")) << r.log.back();
  }
}

TEST(BitmapExport, ScenaristScriptLayout) {
  KIPO_NEED_REFERENCE_FONT();
  test::TempHome home;
  WorkerPool pool(1);
  BitmapExportRequest req = Request(home / "sst", AuthoringTarget::SonicScenarist, PictureFormat::Bmp8);
  req.options.ignoreEmpty = true;
  req.options.bitmapStream = "film";
  req.options.indexFile = "film.sst";
  BitmapExportResult r = BitmapExport::Run(req, pool);
  const std::string dir = fs::absolute(home / "sst").string();
  EXPECT_EQ(Slurp(r.script),
            "st_format 2\r\n"
            "SubTitle    film\r\n"
            "TV_Type PAL\r\n"
            "Base_Time 10:00:00:00\r\n"
            "Pixel_Area (2, 574)\r\n"
            "Display_Area (0, 2, 719, 574)\r\n"
            "Color (0 1 2 3)\r\n"
            "Contrast (0 13 10 12)\r\n"
            "BG (0 0 255 = = = )\r\n"
            "PA (255 255 255 = = = )\r\n"
            "E1 (0 0 0 = = = )\r\n"
            "E2 (128 128 128 = = = )\r\n"
            "Directory " + dir + "\r\n" +
            std::string(60, '#') + "\r\n"
            "SP_NUMBER   START      END    FILE_NAME\r\n"
            "0001        10:00:01:00 10:00:03:12 film0001.bmp\r\n"
            "0002        10:00:04:00 10:00:06:10 film0002.bmp\r\n"
            "0004        10:00:09:00 10:00:11:00 film0004.bmp\r\n"
            "0005        10:00:12:00 10:00:14:00 film0005.bmp\r\n");
  EXPECT_FALSE(fs::exists(home / "sst" / "film0003.bmp")) << "an ignored empty subtitle gets no picture";
  EXPECT_EQ(r.log[0], "Subtitle 3 is empty and was not rendered");
  // Each picture is the whole PAL frame with exactly four values at most.
  DibSection pic = LoadPicture(home / "sst" / "film0001.bmp");
  EXPECT_EQ(pic.width(), 720);
  EXPECT_EQ(pic.height(), 576);
  // NTSC at 29.97 gives the other raster lines.
  req.document = SampleDocument(29);
  req.options.ChoosePictureSize(1);
  req.options.baseline = 440;
  r = BitmapExport::Run(req, pool);
  const std::string ntsc = Slurp(r.script);
  EXPECT_NE(ntsc.find("TV_Type NTSC\r\nBase_Time 10:00:00:00\r\nPixel_Area (2, 479)\r\nDisplay_Area (0, 2, 719, 479)\r\n"),
            std::string::npos);
  // A custom header replaces the generated lines.
  req.options.customHeader = true;
  req.options.headerText = "st_format 2\r\nMy own header";
  r = BitmapExport::Run(req, pool);
  EXPECT_TRUE(Slurp(r.script).starts_with("st_format 2\r\nMy own header\r\n####"));
}

TEST(BitmapExport, TextScriptsOfTheOtherTargets) {
  KIPO_NEED_REFERENCE_FONT();
  test::TempHome home;
  WorkerPool pool(1);
  struct Case {
    AuthoringTarget target;
    PictureFormat format;
    std::vector<std::string> lines;  // lines the script must hold, in order
  } cases[] = {
      {AuthoringTarget::SpruceMaestro, PictureFormat::Bmp8,
       {"$VertAlign = Bottom", "$Bold = FALSE", "$Underlined = FALSE", "$Italic = 0", "$XOffset = 0", "$YOffset = 0",
        "$TextContrast = 15", "$Outline1Contrast = 15", "$Outline2Contrast = 13", "$BackgroundContrast = 0",
        "$ForceDisplay = FALSE", "$FadeIn = 0", "$FadeOut = 0", "$HorzAlign = Center", "$SetFilePathToken = <<path:>>",
        "10:00:01:00 , 10:00:03:12 , <<path:>>sub0001.bmp"}},
      {AuthoringTarget::SonicCreator, PictureFormat::Bmp24,
       {"Palette1\tRed\tGreen\tBlue\tContrast", "em2\t0\t0\t0\t16", "em1\t128\t128\t128\t16", "pt\t255\t255\t255\t16",
        "bg\t0\t0\t255\t16", "Palette2\tRed\tGreen\tBlue\tContrast", "em2\t0\t0\t0\t8", "em1\t80\t80\t80\t16",
        "pt\t160\t160\t160\t16", "bg\t0\t0\t0\t1", "StreamID\t0", "Language\tEnglish (United Kingdom)",
        "SP_NUMBER\tSTART\tEND\tFILE_NAME", "0001\t10:00:01:00\t10:00:03:12\tsub0001.bmp"}},
      {AuthoringTarget::Toshiba, PictureFormat::Tiff24,
       {"in=10:00:01:00; out=10:00:03:12; format=tif/0; colors=24; file=sub0001.tif"}},
      {AuthoringTarget::CmxEdl, PictureFormat::Png32,
       {"TITLE: sub", "FCM: NON-DROP FRAME",
        "0001  STL      V     C        10:00:01:00 10:00:03:12 10:00:01:00 10:00:03:12",
        "* FROM CLIP NAME:  sub0001.png"}},
      {AuthoringTarget::DoStudio, PictureFormat::Png32,
       {"$FORMAT=576", "$DROP=FALSE", "$VERSION=1.2", "$ULEAD=TRUE",
        "NO\tINTIME\tOUTTIME\tXPOS\tYPOS\tFILENAME\tFADEIN\tFADEOUT"}},
      {AuthoringTarget::KipoStream, PictureFormat::Png32,
       {"** DVD subtitle file ", "** Generated by Kipo", "** Language: English (United Kingdom)", "** Subtitles: 5",
        "** In cue first subtitle: 10:00:01:00", "** Out cue last subtitle: 10:00:14:00"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(AuthoringTargetName(c.target)));
    BitmapExportResult r = BitmapExport::Run(Request(home / "x", c.target, c.format), pool);
    const std::string text = Slurp(r.script);
    std::size_t at = 0;
    for (const std::string& line : c.lines) {
      std::size_t found = text.find(line + "\r\n", at);
      EXPECT_NE(found, std::string::npos) << line << "\n--- in ---\n" << text;
      if (found != std::string::npos) at = found + line.size();
    }
  }
}

TEST(BitmapExport, HighDefinitionPicturesAreCroppedAndListedInBdnXml) {
  KIPO_NEED_REFERENCE_FONT();
  test::TempHome home;
  WorkerPool pool(2);
  BitmapExportRequest req = Request(home / "bdn", AuthoringTarget::BdnXml, PictureFormat::Png32);
  req.options.ChoosePictureSize(4);  // HD 1080
  req.options.baseline = 1020;
  req.document = SampleDocument(23);
  BitmapExportResult r = BitmapExport::Run(req, pool);
  pugi::xml_document x;
  ASSERT_TRUE(x.load_file(r.script.c_str()));
  auto bdn = x.child("BDN");
  EXPECT_STREQ(bdn.attribute("xsi:noNamespaceSchemaLocation").value(), "BD-03-006-0092b BDN File Format.xsd");
  auto fmt = bdn.child("Description").child("Format");
  EXPECT_STREQ(fmt.attribute("VideoFormat").value(), "1080p");
  EXPECT_STREQ(fmt.attribute("FrameRate").value(), "23.976");
  EXPECT_STREQ(bdn.child("Description").child("Language").attribute("Code").value(), "eng");
  auto events = bdn.child("Description").child("Events");
  EXPECT_STREQ(events.attribute("Type").value(), "Graphic");
  EXPECT_EQ(events.attribute("NumberofEvents").as_int(), 5);
  int n = 0;
  for (auto ev : bdn.child("Events").children("Event")) {
    ++n;
    auto g = ev.child("Graphic");
    DibSection pic = LoadPicture(home / "bdn" / g.text().get());
    EXPECT_EQ(pic.width(), g.attribute("Width").as_int());
    EXPECT_EQ(pic.height(), g.attribute("Height").as_int());
    EXPECT_LT(pic.height(), 200) << "cropped to the subtitle";
    EXPECT_LE(g.attribute("Y").as_int() + pic.height(), 1080);
    if (n == 1) {
      EXPECT_STREQ(ev.attribute("InTC").value(), "10:00:01:00");
      EXPECT_GT(g.attribute("X").as_int(), 500);
      // 32-bit: the background is transparent, the text is not.
      bool clear = false, solid = false;
      for (std::size_t i = 3; i < pic.rgba().size(); i += 4) clear |= pic.rgba()[i] == 0, solid |= pic.rgba()[i] == 255;
      EXPECT_TRUE(clear && solid);
    }
  }
  EXPECT_EQ(n, 5);
  // The scripts read from the bitmap stream give the same entries.
  ScriptContext c;
  c.frameHeight = 1080;
  c.frameWidth = 1920;
  std::vector<BitmapEntry> back = ReadBitmapStream(WriteBitmapStream(r.entries, c));
  ASSERT_EQ(back.size(), r.entries.size());
  for (std::size_t i = 0; i < back.size(); ++i) {
    EXPECT_EQ(back[i].file, r.entries[i].file);
    EXPECT_EQ(back[i].rect, r.entries[i].rect);
    EXPECT_EQ(back[i].outCue, r.entries[i].outCue);
  }
  EXPECT_THROW(ReadBitmapStream("// only a comment\r\n"), UserError);
}

TEST(BitmapExport, FinalCutXmlIsAnXmemlSequenceOfStills) {
  KIPO_NEED_REFERENCE_FONT();
  test::TempHome home;
  WorkerPool pool(1);
  BitmapExportResult r = BitmapExport::Run(Request(home / "fcp", AuthoringTarget::FinalCutXml, PictureFormat::Png32), pool);
  pugi::xml_document x;
  ASSERT_TRUE(x.load_file(r.script.c_str()));
  auto seq = x.child("xmeml").child("sequence");
  EXPECT_EQ(seq.child("rate").child("timebase").text().as_int(), 25);
  int n = 0;
  for (auto item : seq.child("media").child("video").child("track").children("clipitem")) {
    ++n;
    EXPECT_STREQ(item.child("stillframe").text().get(), "TRUE");
    EXPECT_STREQ(item.child("alphatype").text().get(), "straight");
    EXPECT_STREQ(item.child("file").child("media").child("video").child("samplecharacteristics").child("pixelaspectratio").text().get(), "PAL-601");
    if (n == 1) {
      EXPECT_EQ(item.child("start").text().as_int(), (10 * 3600 + 1) * 25);
      EXPECT_EQ(item.child("duration").text().as_int(), 2 * 25 + 12);
    }
  }
  EXPECT_EQ(n, 5);
}

TEST(BitmapExport, ThreadsGiveTheSameFilesAsOneThread) {
  KIPO_NEED_REFERENCE_FONT();
  test::TempHome home;
  SubtitleDocument big(25, 2057, 0);
  for (int i = 0; i < 40; ++i) {
    Subtitle s;
    s.inCue = Cue::FromFrames(i * 100, big.frameRate());
    s.outCue = Cue::FromFrames(i * 100 + 60, big.frameRate());
    s.text = "Subtitle number " + std::to_string(i + 1) + (i % 3 ? "\r\n<second row>" : "");
    s.alignment = 1 + i % 3;
    big.Append(s);
  }
  for (PictureFormat pf : {PictureFormat::Bmp8, PictureFormat::Png32}) {
    SCOPED_TRACE(std::string(PictureFormatName(pf)));
    const AuthoringTarget t = pf == PictureFormat::Bmp8 ? AuthoringTarget::SonicScenarist : AuthoringTarget::BdnXml;
    BitmapExportRequest one = Request(home / "one", t, pf), many = Request(home / "many", t, pf);
    one.document = many.document = big;
    many.options.indexFile = one.options.indexFile = "script.txt";
    WorkerPool single(1), four(4);
    BitmapExport::Run(one, single);
    BitmapExport::Run(many, four);
    for (int n = 1; n <= 40; ++n) {
      std::string name = BitmapFileName("sub", n, pf);
      ASSERT_EQ(Slurp(home / "one" / name), Slurp(home / "many" / name)) << name;
    }
    std::string a = Slurp(home / "one" / "script.txt"), b = Slurp(home / "many" / "script.txt");
    // The folder differs; everything else is the same.
    auto strip = [](std::string s, const std::string& dir) {
      for (std::size_t p; (p = s.find(dir)) != std::string::npos;) s.erase(p, dir.size());
      return s;
    };
    EXPECT_EQ(strip(a, fs::absolute(home / "one").string()), strip(b, fs::absolute(home / "many").string()));
  }
}

TEST(BitmapExport, CancelStopsAndCanDeleteThePictures) {
  KIPO_NEED_REFERENCE_FONT();
  test::TempHome home;
  SubtitleDocument big(25, 2057, 0);
  for (int i = 0; i < 300; ++i) {
    Subtitle s;
    s.inCue = Cue::FromFrames(i * 100, big.frameRate());
    s.outCue = Cue::FromFrames(i * 100 + 60, big.frameRate());
    s.text = "Cancel me " + std::to_string(i);
    big.Append(s);
  }
  for (bool remove : {false, true}) {
    SCOPED_TRACE(remove);
    const fs::path dir = home / (remove ? "deleted" : "kept");
    BitmapExportRequest req = Request(dir, AuthoringTarget::SonicScenarist, PictureFormat::Bmp8);
    req.document = big;
    req.options.deleteOnCancel = remove;
    WorkerPool pool(1);
    BitmapExport run(req);
    std::atomic<int> seen{0};
    JobObserver obs;
    obs.onProgress = [&](const JobProgress& p) {
      if (++seen == 5) run.Cancel();
    };
    run.Start(pool, obs);
    BitmapExportResult r = run.Finish();
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.log.back(), "Export cancelled");
    EXPECT_TRUE(r.script.empty());
    std::size_t files = 0;
    for (auto& e : fs::directory_iterator(dir)) files += e.path().extension() == ".bmp";
    if (remove) EXPECT_EQ(files, 0u);
    else {
      EXPECT_GE(files, 5u);
      EXPECT_LT(files, 300u);
    }
  }
}

TEST(BitmapExport, ScriptOnlyReadsThePictureSizes) {
  KIPO_NEED_REFERENCE_FONT();
  test::TempHome home;
  WorkerPool pool(1);
  BitmapExportRequest req = Request(home / "so", AuthoringTarget::KipoStream, PictureFormat::Png32);
  req.options.ChoosePictureSize(4);
  req.options.baseline = 1000;
  BitmapExportResult first = BitmapExport::Run(req, pool);
  fs::remove(home / "so" / "sub0002.png");
  req.options.range = static_cast<int>(ExportRange::ScriptOnly);
  BitmapExportResult again = BitmapExport::Run(req, pool);
  EXPECT_EQ(again.picturesWritten, 0u);
  ASSERT_EQ(again.entries.size(), 4u);
  EXPECT_EQ(again.entries[0].rect.width, first.entries[0].rect.width);
  EXPECT_EQ(again.log[0], "Subtitle 2: picture sub0002.png was not found");
}

TEST(BitmapExport, FolderProblemsAreTheSystemsMessages) {
  test::TempHome home;
  test::WriteFile(home / "file", "x");
  try {
    PrepareExportFolder(home / "file" / "below");
    ADD_FAILURE();
  } catch (const UserError& e) {
    EXPECT_EQ(e.title(), "New Folder Error");
    EXPECT_EQ(e.text(), "Unable to create directory!");
  }
  PrepareExportFolder(home / "new" / "deeper");
  EXPECT_TRUE(fs::is_directory(home / "new" / "deeper"));
  EXPECT_EQ(CompletionLine("x.sst", 0), "x.sst: Export complete - zero warnings");
  EXPECT_EQ(CompletionLine("x.sst", 1), "x.sst: Export complete - 1 warning");
  EXPECT_EQ(CompletionLine("x.sst", 12), "x.sst: Export complete - 12 warnings");
  EXPECT_EQ(BitmapFileName("s", 7, PictureFormat::Tiff8), "s0007.tif");
  EXPECT_EQ(BitmapFileName("s", 12345, PictureFormat::Tga32), "s12345.tga");
}

TEST(BitmapExport, HighDefinitionNeedsValidCues) {
  SubtitleDocument d = SampleDocument();
  EXPECT_EQ(CheckHdCues(d, 1, 5), "");
  Subtitle bad;
  bad.inCue = Cue("10002000");
  d.Append(bad);
  EXPECT_EQ(CheckHdCues(d, 1, 6),
            "Subtitle 6 contains an empty or invalid cue.\nPlease ensure the last subtitle in this file contains a valid out cue.");
  EXPECT_EQ(CheckHdCues(d, 1, 5), "");
}

}  // namespace
}  // namespace kipo
