// Every text format of the export catalogue, in every encoding its file-type filter
// offers: the file starts with that encoding's mark (or none when "Remove BOM" is set),
// and reads back with its accents whether the import names the encoding or leaves it to
// detection.
#include <gtest/gtest.h>

#include "core/timecode.h"
#include "formats/registry.h"
#include "settings/keys.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

std::vector<const Format*> TextFormats() {
  std::vector<const Format*> out;
  for (const Format& f : Formats())
    if (f.traits.textFile && f.exportRow && f.CanRead() && f.CanWrite()) out.push_back(&f);
  return out;
}

SubtitleDocument Accented() {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  const FrameRate pal = *FrameRate::FromCode(25);
  for (int i = 0; i < 3; ++i) {
    Subtitle s;
    s.inCue = FramesToDigits(100 + i * 60, pal);
    s.outCue = FramesToDigits(150 + i * 60, pal);
    s.text = i == 1 ? "Gar\xC3\xA7on, \xC3\xA0 la cr\xC3\xA8me\r\nbr\xC3\xBBl\xC3\xA9" "e" : "Na\xC3\xAFve " + std::to_string(i);
    d.Append(s);
  }
  return d;
}

TEST(TextEncodings, EveryFilterWritesItsEncodingAndReadsBack) {
  for (const Format* f : TextFormats()) {
    SCOPED_TRACE(f->id);
    for (TextEncoding e : f->exportRow->Encodings()) {
      for (bool removeBom : {false, true}) {
        SCOPED_TRACE(std::string(TextEncodingName(e)) + (removeBom ? " without its mark" : ""));
        SettingsStore settings;
        settings.Set(keys::kRemoveBom, removeBom);
        test::RecordingPrompter prompter;
        FormatContext ctx{prompter, settings};
        ctx.frameRateCode = 25;
        ctx.textCodePage = CodePageNumber(e);
        const SubtitleDocument doc = Accented();
        WriteResult w = f->write(doc, ctx);
        const bool utf8Mark = w.bytes.size() > 3 && w.bytes[0] == 0xEF && w.bytes[1] == 0xBB;
        const bool utf16Mark = w.bytes.size() > 2 && w.bytes[0] == 0xFF && w.bytes[1] == 0xFE;
        EXPECT_EQ(utf8Mark, e == TextEncoding::Utf8 && !removeBom);
        EXPECT_EQ(utf16Mark, e == TextEncoding::Utf16 && !removeBom);
        for (std::optional<TextEncoding> named : {std::optional<TextEncoding>(), std::optional<TextEncoding>(e)}) {
          if (e == TextEncoding::Utf16 && removeBom && !named) continue;  // UTF-16 without a mark needs naming
          FormatContext rctx{prompter, settings};
          rctx.frameRateCode = 25;
          rctx.textEncoding = named;
          ReadResult r = f->read(w.bytes, rctx);
          ASSERT_EQ(r.document.Count(), doc.Count());
          for (std::size_t i = 0; i < doc.Count(); ++i) EXPECT_EQ(r.document.At(i).text, doc.At(i).text);
        }
      }
    }
  }
}

}  // namespace
}  // namespace kipo
