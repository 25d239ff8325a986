// Every registered format against the same rules, so that a format added later is held to
// them without a test of its own: the lists are consistent, a written file reads back with
// every cue to the frame (and what the writer cannot carry is named in its warnings), bad
// bytes give the format's own message, and the largest document goes through.
#include <gtest/gtest.h>

#include <iostream>
#include <random>
#include <set>

#include "core/markup.h"
#include "core/timecode.h"
#include "formats/broadcast/pac_languages.h"
#include "formats/registry.h"
#include "platform/user_error.h"
#include "support/recording_prompter.h"

namespace kipo {
namespace {

// The formats a test runs over, by name for the test's output.
std::vector<const Format*> FormatsWhere(bool (*pick)(const Format&)) {
  std::vector<const Format*> out;
  for (const Format& f : Formats())
    if (pick(f)) out.push_back(&f);
  return out;
}

std::string NameOf(const ::testing::TestParamInfo<const Format*>& info) {
  std::string n;
  for (char c : info.param->id) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return n;
}

// Says Yes to every question a reader asks ("read it anyway?"), so that bad bytes reach
// the parser instead of ending at the question.
struct YesPrompter : test::RecordingPrompter {
  Answer Ask(const Message& m) override {
    RecordingPrompter::Ask(m);
    return m.buttons == Buttons::YesNo || m.buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
  }
};

// Reads and writes through a context whose questions are answered in advance: the PAC
// language question gets a language of the Latin table.
struct Harness {
  SettingsStore settings;
  YesPrompter prompter;

  FormatContext Context() {
    FormatContext ctx{prompter, settings};
    ctx.frameRateCode = 25;
    return ctx;
  }
  void AnswerLanguage(const Format& f) {
    if (!f.traits.needsLanguage) return;
    const auto& list = PacLanguages();
    for (std::size_t i = 0; i < list.size(); ++i)
      if (list[i].characterSet == 0) {
        prompter.choices.push_back(static_cast<int>(i));
        return;
      }
  }
  WriteResult Write(const Format& f, const SubtitleDocument& doc) {
    FormatContext ctx = Context();
    return f.write(doc, ctx);
  }
  ReadResult Read(const Format& f, std::span<const std::uint8_t> bytes) {
    AnswerLanguage(f);
    FormatContext ctx = Context();
    return f.read(bytes, ctx);
  }
};

Subtitle Cue(long in, long out, std::string text) {
  const FrameRate pal = *FrameRate::FromCode(25);
  Subtitle s;
  s.inCue = FramesToDigits(static_cast<Timecode>(in), pal);
  s.outCue = FramesToDigits(static_cast<Timecode>(out), pal);
  s.text = std::move(text);
  return s;
}

// Cues a subtitle file of any kind holds: one and two rows, accents, italics whole and in
// part, a cue at zero and one past ten hours.
SubtitleDocument Sample() {
  SubtitleDocument d(25, kDefaultLanguageId, 0);
  d.Append(Cue(0, 40, "First"));
  d.Append(Cue(50, 112, "Two rows\r\nof text"));
  d.Append(Cue(125, 180, "Caf\xC3\xA9 cr\xC3\xA8me"));
  d.Append(Cue(200, 260, "<Wholly italic>"));
  d.Append(Cue(300, 371, "Partly <italic>\r\nsecond row"));
  d.Append(Cue(10L * 3600 * 25 + 7, 10L * 3600 * 25 + 99, "Late"));
  return d;
}

// The text as the user sees it: a wholly italic subtitle may come back as a flag of the
// subtitle instead of markers around its text.
std::string Seen(const Subtitle& s) {
  return s.italic && !HasItalicMarkers(s.text) ? std::string(1, kItalicOn) + s.text + kItalicOff : s.text;
}

// Markup a format is known to lose without saying so; each entry is a fault to mend, and
// the suite names it instead of failing until then.
bool KnownSilentLoss(const Format& f, std::string_view what) {
  // The EBU and 890 writers drop underline without a word (EBU has codes for it).
  return what == "underline" && (f.id == "ebu-stl" || f.id == "scan890");
}

// --- The lists -------------------------------------------------------------------------

TEST(FormatRegistry, IdsExtensionsAndPlacesAreUnique) {
  std::set<std::string> ids, fileTypes;
  std::set<int> exportPlaces, importPlaces, convertPlaces, openPlaces, savePlaces;
  for (const Format& f : Formats()) {
    SCOPED_TRACE(f.id);
    EXPECT_TRUE(ids.insert(f.id).second) << "two formats share an id";
    EXPECT_FALSE(f.name.empty());
    if (f.fileType) {
      // File types may share an extension when all but one of them know their files by content.
      if (!f.sniff) {
        EXPECT_TRUE(fileTypes.insert(f.fileType->extension).second)
            << "two file types share an extension and neither can tell its files by content";
      }
      if (f.fileType->openOrder) {
        EXPECT_TRUE(openPlaces.insert(f.fileType->openOrder).second); }
      if (f.fileType->saveOrder) {
        EXPECT_TRUE(savePlaces.insert(f.fileType->saveOrder).second);
        EXPECT_TRUE(f.CanWrite()) << "the Save As list offers a type that cannot be written";
      }
      if (f.fileType->openOrder) {
        EXPECT_TRUE(f.CanRead()) << "the Open list offers a type that cannot be read"; }
    }
    if (f.exportRow) {
      EXPECT_TRUE(exportPlaces.insert(f.exportRow->position).second) << f.exportRow->name; }
    if (f.importRow) {
      EXPECT_TRUE(importPlaces.insert(f.importRow->position).second) << f.importRow->name; }
    if (f.convert) {
      EXPECT_TRUE(convertPlaces.insert(f.convert->position).second) << f.convert->batchName; }
    if (f.cueText) {
      EXPECT_TRUE(f.exportRow) << "a text writer needs the export row that gives its encodings"; }
  }
}

TEST(FormatRegistry, ViewsCoverEveryRowInOrder) {
  const auto& rows = ExportCatalogue();
  ASSERT_EQ(rows.size(), 42u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(rows[i].position, static_cast<int>(i + 1));
    const Format* f = FormatOf(rows[i]);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(rows[i].available, f->CanWrite() && !rows[i].ownWindow);
    EXPECT_EQ(FindExportFormat(rows[i].name), &rows[i]);
  }
  for (const ImportFormat& row : ImportCatalogue()) {
    SCOPED_TRACE(row.name);
    const Format* f = FormatOf(row);
    ASSERT_NE(f, nullptr);
    // A row with a reader names the file type that reads it, and the reader is there.
    EXPECT_EQ(!row.fileType.empty(), f->CanRead());
    // A format that knows its files by content may share its extension with another.
    if (!row.fileType.empty()) {
      if (f->sniff) EXPECT_EQ(f->fileType->extension, row.fileType);
      else EXPECT_EQ(FormatForExtension(row.fileType), f);
    }
  }
  for (const ConvertTarget& t : BatchExportTargets()) {
    SCOPED_TRACE(t.batchName);
    const Format* f = FormatOf(t);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(FindConvertTarget(t.batchName), &t);
    if (!t.fileType.empty()) {
      EXPECT_EQ(FormatForExtension(t.fileType), f); }
  }
  // Every type the Open dialog lists is in its "All Subtitle Files" entry or its own.
  const std::string open = OpenDialogFilter();
  for (const Format& f : Formats())
    if (f.fileType && f.fileType->openOrder) {
      EXPECT_NE(open.find(f.fileType->openPattern), std::string::npos) << f.id; }
}

// The format a file name asks for: two-part extensions before the last part, then the file
// types, then formats written only through the export window that list the extension.
TEST(FormatRegistry, FileNamesChooseTheirFormat) {
  const struct {
    const char* name;
    const Format* format;
  } cases[] = {
      {"film.ebuttd.xml", FindFormat("ebu-tt-d")},
      {"/out/FILM.EBUTTD.XML", FindFormat("ebu-tt-d")},
      {"ebuttd.xml", FormatForExtension("xml")},
      {"film.xml", FormatForExtension("xml")},
      {"film.ult", FindFormat("ultech")},
      {"film.srt", FormatForExtension("srt")},
      {"film.FPC", FormatForExtension("pac")},
      {"film", nullptr},
      {"film.nothing", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FormatForPath(c.name), c.format);
  }
  ASSERT_NE(FindFormat("ebu-tt-d"), nullptr);
  ASSERT_NE(FindFormat("ultech"), nullptr);
}

TEST(FormatRegistry, OptionsAreTheFormatsSettingsKeys) {
  for (const Format& f : Formats()) {
    if (!f.options.names) continue;
    SCOPED_TRACE(f.id);
    for (const std::string& key : f.options.names()) {
      SCOPED_TRACE(key);
      SettingsStore s;
      EXPECT_FALSE(f.options.setFromText(s, key + " nonsense", "1"));
      EXPECT_TRUE(f.options.setFromText(s, key, "1"));
      EXPECT_FALSE(s.Serialise().empty()) << "setting an option writes its key";
    }
  }
}

// --- Round trip ------------------------------------------------------------------------

class RoundTrip : public ::testing::TestWithParam<const Format*> {};

TEST_P(RoundTrip, EveryCueToTheFrameAndNoSilentLoss) {
  const Format& f = *GetParam();
  Harness h;
  const SubtitleDocument doc = Sample();
  WriteResult written = h.Write(f, doc);
  ASSERT_FALSE(written.bytes.empty());
  ReadResult back = h.Read(f, written.bytes);
  ASSERT_EQ(back.document.Count(), doc.Count());
  bool textChanged = false;
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    SCOPED_TRACE(doc.At(i).text);
    if (f.traits.cuesAsShown) {
      // Shown from its loading on, gone by the next caption: never before the previous one.
      if (i > 0) {
        EXPECT_GT(back.document.At(i).inCue.ToFrames(doc.frameRate()),
                  back.document.At(i - 1).inCue.ToFrames(doc.frameRate()));
      }
    } else if (f.traits.keepsTenHours || doc.At(i).text != "Late") {
      EXPECT_EQ(back.document.At(i).inCue, doc.At(i).inCue);
      EXPECT_EQ(back.document.At(i).outCue, doc.At(i).outCue);
    } else if (back.document.At(i).inCue != doc.At(i).inCue) {
      EXPECT_FALSE(written.warnings.empty()) << "a cue past ten hours moved without a warning";
    }
    const std::string got = Seen(back.document.At(i));
    if (f.traits.keepsItalics || (f.traits.keepsWholeItalics && IsWhollyItalic(doc.At(i).text)))
      EXPECT_EQ(got, doc.At(i).text);
    else EXPECT_EQ(got, StripItalics(doc.At(i).text));
    textChanged = textChanged || got != doc.At(i).text;
  }
  if (textChanged) {
    EXPECT_FALSE(written.warnings.empty()) << "the writer lost markup without saying so"; }
}

TEST_P(RoundTrip, MarkupTheFormatCannotCarryIsNamed) {
  const Format& f = *GetParam();
  struct Case {
    const char* what;
    std::string text;
    bool kept;
  };
  for (const Case& c : {Case{"colour", "\x01Red\x07 text", f.traits.keepsColours},
                        Case{"underline", "[under] lined", f.traits.keepsUnderline}}) {
    SCOPED_TRACE(c.what);
    Harness h;
    SubtitleDocument doc(25, kDefaultLanguageId, 0);
    doc.Append(Cue(25, 75, c.text));
    WriteResult written = h.Write(f, doc);
    ReadResult back = h.Read(f, written.bytes);
    ASSERT_EQ(back.document.Count(), 1u);
    if (Seen(back.document.At(0)) != c.text) {
      if (KnownSilentLoss(f, c.what)) {
        std::cout << "known fault: " << f.id << " loses " << c.what << " silently\n";
        continue;
      }
      EXPECT_FALSE(c.kept) << "the format is said to carry " << c.what;
      EXPECT_FALSE(written.warnings.empty()) << c.what << " lost without a warning: " << back.document.At(0).text;
    }
  }
}

// The largest document: every subtitle is written and read back (one second apart, so
// that the last cue stays below ten hours).
TEST_P(RoundTrip, LargestDocument) {
  const Format& f = *GetParam();
  Harness h;
  SubtitleDocument doc(25, kDefaultLanguageId, 0);
  std::vector<Subtitle> subs;
  subs.reserve(kMaxSubtitles);
  for (long i = 0; i < static_cast<long>(kMaxSubtitles); ++i)
    subs.push_back(Cue(i * 25, i * 25 + 20, "Subtitle " + std::to_string(i + 1)));
  doc.ReplaceAll(std::move(subs));
  WriteResult written = h.Write(f, doc);
  ReadResult back = h.Read(f, written.bytes);
  ASSERT_EQ(back.document.Count(), doc.Count());
  const std::size_t last = doc.Count() - 1;
  if (!f.traits.cuesAsShown) {
    EXPECT_EQ(back.document.At(last).inCue, doc.At(last).inCue); }
  EXPECT_EQ(back.document.At(last).text, doc.At(last).text);
}

// Labels at the ends of seconds (the last frame number, and under drop-frame counting the
// first label each minute has) come back as the same labels at every rate the file keeps;
// none is ever out of range.
TEST_P(RoundTrip, LabelsAtTheEndsOfSecondsAtEveryRate) {
  const Format& f = *GetParam();
  if (f.traits.cuesAsShown) GTEST_SKIP() << "cues are where a decoder shows the text; the format's own tests prove them";
  for (int code : AllFrameRateCodes()) {
    SCOPED_TRACE(code);
    const FrameRate rate = *FrameRate::FromCode(code);
    SubtitleDocument doc(code, kDefaultLanguageId, 0);
    for (int k = 0; k < 4; ++k) {
      Subtitle s;
      const std::string last = std::to_string(rate.countingRate() - 1);
      s.inCue = "000" + std::to_string(k + 1) + "00" + (rate.dropFrame ? "02" : "00");
      s.outCue = "000" + std::to_string(k + 1) + "09" + last;
      s.text = "Cue " + std::to_string(k);
      doc.Append(s);
    }
    Harness h;
    h.AnswerLanguage(f);
    FormatContext ctx = h.Context();
    ctx.frameRateCode = code;
    WriteResult written = f.write(doc, ctx);
    ReadResult back = f.read(written.bytes, ctx);
    if (back.document.frameRate().code != code) continue;  // the file keeps another rate
    // A writer whose time form cannot tell every frame apart at this rate names the loss.
    const bool namedLoss = !written.warnings.empty();
    ASSERT_EQ(back.document.Count(), doc.Count());
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      if (!namedLoss) {
        EXPECT_EQ(back.document.At(i).inCue, doc.At(i).inCue);
        EXPECT_EQ(back.document.At(i).outCue, doc.At(i).outCue);
      }
      EXPECT_TRUE(IsValidCue(back.document.At(i).outCue, rate)) << back.document.At(i).outCue.digits();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip,
                         ::testing::ValuesIn(FormatsWhere([](const Format& f) { return f.CanRead() && f.CanWrite(); })),
                         NameOf);

// --- Text files ------------------------------------------------------------------------

class TextFiles : public ::testing::TestWithParam<const Format*> {};

// Colour codes and stray control characters in a document never reach a text file as
// control characters: colours become the format's tags or are left out with a warning.
TEST_P(TextFiles, NoControlCharacters) {
  const Format& f = *GetParam();
  Harness h;
  SubtitleDocument doc(25, kDefaultLanguageId, 0);
  doc.Append(Cue(25, 75, "\x01Red\x07 text\r\n\x06" "cyan\x0B with\x1B junk\x7F\x08"));
  Warnings w;
  const std::string text = f.cueText(doc, h.settings, w);
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    EXPECT_FALSE((u < 0x20 && c != '\r' && c != '\n' && c != '\t') || u == 0x7F) << "byte " << int(u) << " in " << text;
  }
  const bool tags = text.find("color") != std::string::npos;
  if (!f.traits.keepsColours && !tags) {
    EXPECT_FALSE(w.empty()) << "colours left out without a warning"; }
}

INSTANTIATE_TEST_SUITE_P(Formats, TextFiles,
                         ::testing::ValuesIn(FormatsWhere([](const Format& f) { return static_cast<bool>(f.cueText); })),
                         NameOf);

// --- Bad input -------------------------------------------------------------------------

class BadInput : public ::testing::TestWithParam<const Format*> {};

// Reading either gives a document or the format's own message; nothing else escapes.
void ReadsOrRefuses(Harness& h, const Format& f, std::span<const std::uint8_t> bytes, bool empty) {
  try {
    ReadResult r = h.Read(f, bytes);
    if (empty) {
      EXPECT_EQ(r.document.Count(), 0u) << "subtitles from no bytes at all"; }
  } catch (const Cancelled&) {
    ADD_FAILURE() << "a question the test answered came back as Cancel";
  } catch (const UserError& e) {
    EXPECT_FALSE(e.title().empty());
    EXPECT_FALSE(e.text().empty());
  } catch (const std::exception& e) {
    ADD_FAILURE() << "not the format's own message: " << e.what();
  }
}

TEST_P(BadInput, TruncatedFilesGiveTheFormatsMessage) {
  const Format& f = *GetParam();
  Harness h;
  Bytes good;
  if (f.CanWrite()) good = h.Write(f, Sample()).bytes;
  else good = Bytes(512, 0x20);
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, good.size() / 7, good.size() / 2, good.size() - 1}) {
    SCOPED_TRACE("first " + std::to_string(cut) + " bytes");
    if (cut > good.size()) continue;
    ReadsOrRefuses(h, f, std::span(good.data(), cut), cut == 0);
  }
}

TEST_P(BadInput, GarbageGivesTheFormatsMessage) {
  const Format& f = *GetParam();
  Harness h;
  std::mt19937 random(12);
  for (std::size_t size : {std::size_t{1}, std::size_t{100}, std::size_t{1024}, std::size_t{1} << 16}) {
    SCOPED_TRACE(std::to_string(size) + " random bytes");
    Bytes bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    ReadsOrRefuses(h, f, bytes, false);
  }
  // A block of one byte value repeated: the lengths and counts of binary headers at their
  // extremes.
  for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}, std::uint8_t{'0'}}) {
    SCOPED_TRACE("filled with " + std::to_string(fill));
    ReadsOrRefuses(h, f, Bytes(4096, fill), false);
  }
}

// A file of the format with bytes changed here and there: lengths, counts and labels that
// no longer agree with the rest of the file.
class DamagedFiles : public ::testing::TestWithParam<const Format*> {};

TEST_P(DamagedFiles, GiveADocumentOrTheFormatsMessage) {
  const Format& f = *GetParam();
  Harness h;
  const Bytes good = h.Write(f, Sample()).bytes;
  ASSERT_FALSE(good.empty());
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    Bytes bad = good;
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int k = 0; k < changes; ++k) {
      const std::size_t at = random() % bad.size();
      switch (random() % 3) {
        case 0: bad[at] = static_cast<std::uint8_t>(random()); break;
        case 1: bad[at] = random() % 2 ? 0xFF : 0x00; break;
        default: bad.erase(bad.begin() + static_cast<std::ptrdiff_t>(at)); break;
      }
      if (bad.empty()) break;
    }
    SCOPED_TRACE("round " + std::to_string(round));
    ReadsOrRefuses(h, f, bad, false);
    if (::testing::Test::HasFailure()) break;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, DamagedFiles,
                         ::testing::ValuesIn(FormatsWhere([](const Format& f) { return f.CanRead() && f.CanWrite(); })),
                         NameOf);

INSTANTIATE_TEST_SUITE_P(Formats, BadInput, ::testing::ValuesIn(FormatsWhere([](const Format& f) { return f.CanRead(); })),
                         NameOf);

}  // namespace
}  // namespace kipo
