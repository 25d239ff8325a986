// The "DVD" settings: defaults, the .dvd file, and the checks of the OK button.
#include <gtest/gtest.h>

#include "imaging/display_format.h"
#include "imaging/dvd_settings.h"
#include "platform/user_error.h"
#include "settings/settings_store.h"

namespace kipo {
namespace {

TEST(DvdSettings, DefaultsAreThePalFrameWithItsMargins) {
  SettingsStore empty;
  DvdOptions o = DvdOptionTable().Load(empty);
  EXPECT_EQ(o.target(), AuthoringTarget::SonicScenarist);
  EXPECT_EQ(o.scriptExtension, "sst");
  EXPECT_EQ(o.picture(), PictureFormat::Bmp8);
  RenderLayout l = o.Layout();
  EXPECT_EQ(l.width, 720);
  EXPECT_EQ(l.height, 576);
  EXPECT_EQ(l.baseline, 540);
  EXPECT_EQ(l.ceiling, 50);
  EXPECT_EQ(l.leftMargin, 60);
  EXPECT_EQ(l.rightMargin, 60);
  EXPECT_EQ(o.Style().border, 1);
  EXPECT_EQ(o.Style().leading, 2);
  EXPECT_EQ((std::array{o.contrastBG, o.contrastPA, o.contrastE1, o.contrastE2}), (std::array{0, 13, 10, 12}));
  EXPECT_EQ(o.previewText, "The quick brown fox jumped over...");
  EXPECT_EQ(o.Style().language, "");
  o.characterSet = 1;  // Japanese
  EXPECT_EQ(o.Style().language, "ja");
  o.characterSet = 5;
  EXPECT_EQ(o.Style().language, "zh-tw");
  o.characterSet = 0;
  // Stored under the names of section "DVD"; check boxes as 1/0.
  SettingsStore s;
  o.ignoreEmpty = true;
  o.border = 4;
  o.textColour = Rgba{255, 255, 0};
  DvdOptionTable().Save(s, o);
  EXPECT_EQ(s.Get("DVD", "Ignore empty subtitles", ""), "1");
  EXPECT_EQ(s.Get("DVD", "Border", ""), "4");
  EXPECT_EQ(s.Get("DVD", "Text colour", ""), "#FFFF00");
  EXPECT_EQ(s.Get("DVD", "Bitmap width", ""), "720");
  // Out-of-range values read as the default; the text form refuses them.
  s.Set("DVD", "Border", "12");
  EXPECT_EQ(DvdOptionTable().Load(s).border, 1);
  EXPECT_FALSE(DvdOptionTable().SetFromText(s, "border", "9"));
  EXPECT_TRUE(DvdOptionTable().SetFromText(s, "border", "8"));
  EXPECT_FALSE(DvdOptionTable().SetFromText(s, "Text colour", "yellow"));
}

TEST(DvdSettings, DisplayFormatsAndPictureSizes) {
  const FrameSize expected[] = {{720, 576}, {720, 480}, {720, 512},  {1280, 720}, {1920, 1080}, {1998, 1080},
                                {2048, 858}, {720, 576}, {720, 480}, {3996, 2160}, {4096, 1714}};
  for (int i = 0; i <= 10; ++i) EXPECT_EQ(DisplayFormatSize(i), expected[i]) << i;
  EXPECT_EQ(DisplayFormatSize(11), FrameSize{});
  EXPECT_EQ(DisplayFormatSize(-1), FrameSize{});
  EXPECT_EQ(PictureSizeNames().size(), 7u);
  EXPECT_EQ(PictureSizeFrame(4), (FrameSize{1920, 1080}));
  EXPECT_EQ(PictureSizeFrame(kPictureSizeFit), FrameSize{});
  DvdOptions o;
  o.ChoosePictureSize(kPictureSizeFit);
  EXPECT_TRUE(o.Layout().fitToSubtitle);
  EXPECT_EQ(o.Layout().width, 720) << "the largest fitted picture";
  o.ChoosePictureSize(6);
  EXPECT_EQ(o.Layout().width, 2048);
  EXPECT_EQ(o.Layout().height, 858);
  EXPECT_TRUE(o.SetSizeText("1280X720"));
  EXPECT_EQ(o.pictureSize, 3);
  EXPECT_TRUE(o.SetSizeText("1000x300"));
  EXPECT_EQ(o.Layout().width, 1000);
  for (const char* bad : {"", "1920", "x1080", "0x10", "99999x2", "axb"}) EXPECT_FALSE(o.SetSizeText(bad)) << bad;
}

TEST(DvdSettings, SettingsFileRoundTripsAndRefusesOlderFiles) {
  DvdOptions o;
  o.targetSystem = static_cast<int>(AuthoringTarget::BdnXml);
  o.pictureFormat = static_cast<int>(PictureFormat::Png32);
  o.fontName = "DejaVu Sans";
  o.headerText = "line one\r\nline two";
  o.backgroundColour = Rgba{1, 2, 3};
  DvdOptions back = ParseDvdSettings(SerialiseDvdSettings(o));
  EXPECT_EQ(SerialiseDvdSettings(back), SerialiseDvdSettings(o));
  EXPECT_EQ(back.target(), AuthoringTarget::BdnXml);
  EXPECT_EQ(back.fontName, "DejaVu Sans");
  EXPECT_EQ(back.backgroundColour, (Rgba{1, 2, 3}));
  struct Case {
    const char* text;
    const char* message;
  } refused[] = {
      {"[DVD]\r\nTarget system=3\r\nBorder=2\r\n", "created using an older version"},
      {"[DVD Export Settings]\r\nVersion=1\r\n[DVD]\r\nBorder=2\r\n", "created using an older version"},
      {"", "not a DVD export settings file"},
      {"\x89PNG\r\n\x1a\n binary", "not a DVD export settings file"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.text);
    try {
      ParseDvdSettings(c.text);
      ADD_FAILURE() << "loaded";
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Open DVD File Warning");
      EXPECT_NE(e.text().find(c.message), std::string::npos) << e.text();
    }
  }
}

TEST(DvdSettings, OkButtonChecksInOrder) {
  auto with = [](auto change) {
    DvdOptions o;
    change(o);
    return o;
  };
  struct Case {
    DvdOptions o;
    int first, last;
    std::string message;
  } cases[] = {
      {DvdOptions{}, 1, 10, ""},
      {DvdOptions{}, 5, 4, "Invalid subtitle range"},
      {DvdOptions{}, 0, 4, "Invalid subtitle range"},
      {with([](DvdOptions& o) { o.targetSystem = int(AuthoringTarget::ScenaristBluRay); }), 1, 2,
       "You need to select 8 or 32-bit PNG format for this target system and font effect"},
      {with([](DvdOptions& o) { o.targetSystem = int(AuthoringTarget::BdnXml); o.pictureFormat = int(PictureFormat::Png8); }), 1, 2, ""},
      {with([](DvdOptions& o) { o.cropSubtitles = true; }), 1, 2, "Outlining cannot be used with cropped subtitles"},
      {with([](DvdOptions& o) { o.cropSubtitles = true; o.outline = int(Outline::None); }), 1, 2, ""},
      {with([](DvdOptions& o) { o.customHeader = true; }), 1, 2, "Header text is zero length!"},
      {with([](DvdOptions& o) { o.baseline = 600; }), 1, 2, "Baseline setting is greater than bitmap height!"},
      {with([](DvdOptions& o) { o.targetSystem = int(AuthoringTarget::Pinnacle); o.antialiasType = 3; }), 1, 2,
       "Font effect must be greater than 3 for Pinnacle Impression DVD"},
      {with([](DvdOptions& o) { o.targetSystem = int(AuthoringTarget::Pinnacle); o.antialiasType = 4; }), 1, 2, ""},
      {with([](DvdOptions& o) { o.pictureFormat = int(PictureFormat::Png32); }), 1, 2,
       "The bitmap format for the selected target system must be 8 or 24-bit BMP or TIF"},
      {with([](DvdOptions& o) { o.targetSystem = int(AuthoringTarget::SonicCreator); o.pictureFormat = int(PictureFormat::Png8); }), 1, 2,
       "The bitmap format for the selected target system must be 8 or 24-bit BMP or TIF"},
      {with([](DvdOptions& o) { o.antialiasType = int(AntiAlias::Blur2); }), 1, 2, "Blurring cannot be used with outlining"},
      {with([](DvdOptions& o) { o.antialiasType = int(AntiAlias::Blur2); o.outline = 0; }), 1, 2, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    DvdValidation v = ValidateDvdOptions(c.o, c.first, c.last);
    EXPECT_EQ(v.message, c.message);
    EXPECT_FALSE(v.question);
  }
  DvdValidation pad = ValidateDvdOptions(with([](DvdOptions& o) { o.pad = 6; o.outline = int(Outline::Boxed); }), 1, 2);
  EXPECT_TRUE(pad.question);
  EXPECT_EQ(pad.message,
            "Vertical padding of than 5 pixels might cause\nunpredictable results if used with boxed outlining.\n"
            "Continue anyway?");
  EXPECT_TRUE(ValidateDvdOptions(with([](DvdOptions& o) { o.pad = 5; o.outline = int(Outline::Boxed); }), 1, 2).ok());
}

TEST(DvdSettings, TargetsByNameOrNumber) {
  EXPECT_EQ(AuthoringTargetNames().size(), static_cast<std::size_t>(kAuthoringTargetCount));
  EXPECT_EQ(AuthoringTargetFromText("sonic scenarist"), AuthoringTarget::SonicScenarist);
  EXPECT_EQ(AuthoringTargetFromText(" Spruce Maestro "), AuthoringTarget::SpruceMaestro);
  EXPECT_EQ(AuthoringTargetFromText("9"), AuthoringTarget::ScenaristBluRay);
  EXPECT_EQ(AuthoringTargetFromText("Nonesuch"), std::nullopt);
  EXPECT_EQ(AuthoringTargetFromText("99"), std::nullopt);
  EXPECT_EQ(DefaultScriptExtension(AuthoringTarget::KipoStream), "sbs");
  for (AuthoringTarget t : {AuthoringTarget::SonicScenarist, AuthoringTarget::SpruceMaestro, AuthoringTarget::CmxEdl})
    EXPECT_NE(std::find(ScriptExtensions().begin(), ScriptExtensions().end(), DefaultScriptExtension(t)),
              ScriptExtensions().end());
}

}  // namespace
}  // namespace kipo
