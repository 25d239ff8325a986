// The Final Cut Pro format in the registry writes its file's bytes in one pass where they
// are the file's text (ANSI of a code page that keeps ASCII, UTF-8); whatever it asks for,
// the bytes and warnings are those of the text encoded as every text format encodes it.
#include <gtest/gtest.h>

#include "formats/exchange/final_cut_pro.h"
#include "formats/exchange/text_encoding.h"
#include "formats/registry.h"
#include "formats/text_cue_format.h"
#include "platform/prompter.h"
#include "platform/encoding.h"
#include "settings/keys.h"

namespace kipo {
namespace {

SubtitleDocument Sample(std::int16_t charset) {
  SubtitleDocument d(25, kDefaultLanguageId, charset);
  const char* texts[] = {"Plain", "<Wholly italic>", "Part <it> text", "Caf\xC3\xA9 & \xE6\x97\xA5\xE6\x9C\xAC",
                         "Two\r\nrows"};
  for (int i = 0; i < 5; ++i) {
    Subtitle s;
    s.inCue = FramesToDigits(100 + i * 50, d.frameRate());
    s.outCue = FramesToDigits(140 + i * 50, d.frameRate());
    s.text = texts[i];
    d.Append(s);
  }
  return d;
}

TEST(FinalCutProFormat, BytesAreTheTextEncoded) {
  const Format* f = FindFormat("final-cut-pro");
  ASSERT_NE(f, nullptr);
  struct Case {
    const char* what;
    std::int16_t charset;
    int codePage;  // what the context asks for: 0 ANSI, 65001 UTF-8, 1200 UTF-16
    bool removeBom;
  };
  const Case cases[] = {
      {"ANSI of the default code page", 0, 0, false},
      {"ANSI of a Greek document", 161, 0, false},
      {"ANSI of a Japanese document", 128, 0, false},
      {"UTF-8 asked for", 0, 65001, false},
      {"UTF-8 asked for, without the mark", 0, 65001, true},
      {"UTF-16 asked for", 0, 1200, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const SubtitleDocument doc = Sample(c.charset);
    SilentPrompter prompter;
    SettingsStore settings;
    settings.Set(keys::kRemoveBom, c.removeBom);
    FormatContext ctx{prompter, settings};
    ctx.textCodePage = c.codePage;
    const WriteResult r = f->write(doc, ctx);

    // What the text format path gives: the encoding the row allows, the text encoded.
    Warnings expectedWarnings;
    const TextEncoding e = WriteEncoding(*f->exportRow, f->filterIndexSetting, ctx, expectedWarnings);
    const std::string text = WriteFinalCutPro(doc, {}, expectedWarnings);
    Bytes expected = EncodeText(text, e, CodePageForCharset(doc.characterSet()));
    if (e != TextEncoding::Ansi && c.removeBom) RemoveBOM(expected);
    EXPECT_EQ(r.bytes, expected);
    EXPECT_EQ(r.warnings, expectedWarnings);
  }
}

}  // namespace
}  // namespace kipo
