// The caption list files of the catalogue: the Cheetah CAP layout byte for byte and as a
// reader meets it (later layout versions, records longer than it knows, files cut short),
// PMWin overlay scripts and closed caption text files as their users write them.
#include <gtest/gtest.h>

#include <array>

#include "formats/exchange/caption_text.h"
#include "formats/exchange/cheetah_cap.h"
#include "formats/exchange/pmwin_ovr.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

using Reader = SubtitleDocument (*)(std::string_view, const FrameRate&, Warnings&);

struct Expected {
  const char *in, *out, *text;
};

void ExpectCues(const SubtitleDocument& doc, const std::vector<Expected>& cues) {
  ASSERT_EQ(doc.Count(), cues.size());
  for (std::size_t i = 0; i < cues.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(doc.At(i).inCue.digits(), cues[i].in);
    EXPECT_EQ(doc.At(i).outCue.digits(), cues[i].out);
    EXPECT_EQ(doc.At(i).text, cues[i].text);
  }
}

TEST(CaptionCatalogue, ForeignTextFilesRead) {
  struct Case {
    const char* what;
    Reader read;
    std::string file;
    std::vector<Expected> cues;
    bool warns = false;
  };
  const std::vector<Case> cases = {
      {"caption station export: commands, comments, italics codes, \\E ends", &ReadCaptionText,
       "** Caption Number 1\r\n*T 01:00:06:06\r\n*TopDown\r\n*C116\r\nThe office\r\nexists\\E\r\n"
       "** Caption Number 2\r\n*T 01:00:07:20\r\n\\AI\\solely\\AW\\ to serve\r\nyou.\\E\r\n"
       "** Caption Number 3\r\n*T 01:00:12:00\r\n*BottomUp\r\n\\E\r\n",
       {{"01000606", "01000720", "The office\r\nexists"}, {"01000720", "01001200", "<solely> to serve\r\nyou."}}},
      {"caption text with LF ends, an italic caption left open and no end", &ReadCaptionText,
       "*T 00:00:01:00\n\\AI\\All in italics\n*T 00:00:02:10\nPlain   \n",
       {{"00000100", "00000210", "<All in italics>"}, {"00000210", "00000410", "Plain"}}, true},
      {"caption text as one caption per line", &ReadCaptionText,
       "Programme: Test\r\n00:00:01:00\t00:00:02:00\tOne line\r\n00:00:03:00 00:00:04:00 <i>Two</i>\r\n",
       {{"00000100", "00000200", "One line"}, {"00000300", "00000400", "<Two>"}}},
      {"PMWin as written by hand: no heading, tabs, LF, '#' numbers, no placement", &ReadPmWinOvr,
       "#1\t00:00:01:00\t00:00:02:00\n\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\n\n#2\t00:00:03:00\t00:00:04:00\n<i>B</i>\n",
       {{"00000100", "00000200", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"}, {"00000300", "00000400", "<B>"}}},
      {"PMWin rows that look like numbers, stray text before the first cue", &ReadPmWinOvr,
       "OVR 25 fps\r\nnote to the editor\r\n0001 00:00:01:00 00:00:02:00 R2 L\r\n1984\r\n<u>Now</u>\r\n\r\n",
       {{"00000100", "00000200", "1984\r\n[Now]"}}, true},
  };
  const FrameRate pal = *FrameRate::FromCode(25);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Warnings w;
    ExpectCues(c.read(c.file, pal, w), c.cues);
    EXPECT_EQ(!w.empty(), c.warns) << (w.empty() ? "" : w.front());
  }
}

TEST(CaptionCatalogue, PmWinKeepsRowAndAlignment) {
  SubtitleDocument doc(25, kDefaultLanguageId, 0);
  const std::pair<int, int> places[] = {{0, AlignCentre}, {9, AlignLeft}, {3, AlignRight}};
  for (auto [row, align] : places) {
    Subtitle s;
    s.inCue = Cue::FromFrames(25 * (doc.Count() + 1), doc.frameRate());
    s.outCue = Cue::FromFrames(25 * (doc.Count() + 1) + 20, doc.frameRate());
    s.row = row;
    s.alignment = align;
    s.text = "Row " + std::to_string(row);
    doc.Append(s);
  }
  Warnings w;
  const std::string file = WritePmWinOvr(doc, w);
  EXPECT_TRUE(file.starts_with("OVR 25 fps\r\n\r\n0001 00:00:01:00 00:00:01:20 R0 C\r\nRow 0\r\n\r\n")) << file;
  const SubtitleDocument back = ReadPmWinOvr(file, doc.frameRate(), w);
  ASSERT_EQ(back.Count(), doc.Count());
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    EXPECT_EQ(back.At(i).row, doc.At(i).row);
    EXPECT_EQ(back.At(i).alignment, doc.At(i).alignment);
  }
}

// --- Cheetah CAP ------------------------------------------------------------------------

Bytes Header(std::uint16_t version, std::uint16_t rate, std::uint16_t count) {
  Bytes b = {'C', 'A', 'P', 0, static_cast<std::uint8_t>(version), static_cast<std::uint8_t>(version >> 8),
             static_cast<std::uint8_t>(rate), 0, static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8),
             0, 0, 0, 0, 0, 0};
  return b;
}

// A record with one row and `extra` bytes after it that a newer writer might add.
void Record(Bytes& b, std::array<std::uint8_t, 8> cues, std::string row, std::size_t extra = 0) {
  Bytes body(cues.begin(), cues.end());
  body.insert(body.end(), {1, 0, 1, static_cast<std::uint8_t>(row.size()), 0});
  body.insert(body.end(), row.begin(), row.end());
  body.insert(body.end(), extra, 0xAB);
  b.push_back(static_cast<std::uint8_t>(body.size()));
  b.push_back(static_cast<std::uint8_t>(body.size() >> 8));
  b.insert(b.end(), body.begin(), body.end());
}

TEST(CheetahCap, LayoutByteForByte) {
  SubtitleDocument doc(29, kDefaultLanguageId, 0);
  Subtitle s;
  s.inCue = "01000102";
  s.outCue = "01000229";
  s.alignment = AlignLeft;
  s.row = 2;
  s.text = "Caf\xC3\xA9 <it>\r\n[u]";
  doc.Append(s);
  Warnings w;
  const Bytes b = WriteCheetahCap(doc, w);
  const Bytes expected = {'C', 'A', 'P', 0, 1, 0, 29, 0, 1, 0, 0, 0, 0, 0, 0, 0,
                          // record: length, cues, alignment, row, rows
                          27, 0, 1, 0, 1, 2, 1, 0, 2, 29, 2, 2, 2,
                          // "Café " + italic "it", then the underlined row
                          9, 0, 'C', 'a', 'f', 0xE9, ' ', 0x0E, 'i', 't', 0x0F,
                          3, 0, 0x1C, 'u', 0x1D};
  EXPECT_EQ(b, expected);
  EXPECT_TRUE(w.empty());
}

TEST(CheetahCap, FilesAsReadersMeetThem) {
  struct Case {
    const char* what;
    Bytes file;
    std::vector<Expected> cues;
    bool warns;
  };
  std::vector<Case> cases;
  {
    Bytes b = Header(1, 25, 2);
    Record(b, {0, 0, 1, 0, 0, 0, 2, 0}, "One");
    Record(b, {0, 0, 3, 0, 0, 0, 4, 0}, "Two", 5);
    cases.push_back({"records longer than the layout knows", b, {{"00000100", "00000200", "One"}, {"00000300", "00000400", "Two"}}, false});
  }
  {
    Bytes b = Header(2, 25, 1);
    Record(b, {0, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF}, "Open end");
    cases.push_back({"a later version and an out cue not set", b, {{"00000100", "", "Open end"}}, true});
  }
  {
    Bytes b = Header(1, 25, 3);
    Record(b, {0, 0, 1, 0, 0, 0, 2, 0}, "Kept");
    Record(b, {0, 0, 3, 0, 0, 0, 4, 0}, "Cut short");
    b.resize(b.size() - 4);
    cases.push_back({"a file cut inside its second record", b, {{"00000100", "00000200", "Kept"}}, true});
  }
  {
    Bytes b = Header(1, 25, 1);
    Record(b, {0, 0, 1, 30, 0, 0, 2, 0}, "Frame 30 at 25 fps");
    cases.push_back({"a cue the rate cannot have", b, {{"", "00000200", "Frame 30 at 25 fps"}}, true});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Warnings w;
    ExpectCues(ReadCheetahCap(c.file, w), c.cues);
    EXPECT_EQ(!w.empty(), c.warns);
  }
}

TEST(CheetahCap, OtherFilesRefused) {
  Bytes pcap = {0xD4, 0xC3, 0xB2, 0xA1, 2, 0, 4, 0};
  pcap.resize(64);
  for (const Bytes& bad : {Bytes{}, Bytes{'C', 'A', 'P', 0}, pcap}) {
    Warnings w;
    try {
      ReadCheetahCap(bad, w);
      ADD_FAILURE() << bad.size() << " bytes read";
    } catch (const UserError& e) {
      EXPECT_EQ(e.text(), "This is not a valid Cheetah CAP file.");
    }
  }
}

}  // namespace
}  // namespace kipo
