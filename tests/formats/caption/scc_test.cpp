// Scenarist SCC: the writer's layout, a proof that every file we write shows each subtitle
// on its in cue and clears it on its out cue when played through the decoder model, the
// reader over files shaped like those of other tools, and ffmpeg's reading of our files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "core/cea608_caption.h"
#include "core/cea608_decoder.h"
#include "core/markup.h"
#include "formats/caption/scc.h"
#include "platform/encoding.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

using namespace cea608;

Subtitle Sub(FrameCount in, FrameCount out, std::string text, const FrameRate& rate) {
  Subtitle s;
  s.inCue = Cue::FromFrames(in, rate);
  s.outCue = Cue::FromFrames(out, rate);
  s.text = std::move(text);
  return s;
}

SubtitleDocument Doc(int rateCode, std::vector<Subtitle> subs) {
  SubtitleDocument d(rateCode, kDefaultLanguageId, 0);
  d.ReplaceAll(std::move(subs));
  return d;
}

// The timed lines of a written file (the header and empty lines left out).
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  for (const std::string& l : SplitLines(text))
    if (!l.empty() && l != "Scenarist_SCC V1.0") out.push_back(l);
  return out;
}

Bytes AsBytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

// --- The writer's layout ----------------------------------------------------------------

TEST(SccWriter, LayoutOfOneCaptionUnderEachOption) {
  const FrameRate ntsc = *FrameRate::FromCode(30);
  const SubtitleDocument doc = Doc(30, {Sub(100, 160, "Hello", ntsc)});
  struct Case {
    const char* name;
    SccOptions o;
    std::string line;
  } cases[] = {
      // Row 15, indent 12, tab 2; five words load in 10 frames.
      {"pop-on", {}, "00:00:03:00\t9420 9476 97a2 c8e5 ecec ef80 942c 8080 8080 942f"},
      {"double codes", {0, true, 0, false},
       "00:00:02:26\t9420 9420 9476 9476 97a2 97a2 c8e5 ecec ef80 942c 942c 8080 8080 942f 942f"},
      {"no two frame wait", {0, false, 0, true}, "00:00:03:02\t9420 9476 97a2 c8e5 ecec ef80 942c 942f"},
      {"double codes, no wait", {0, true, 0, true},
       "00:00:02:28\t9420 9420 9476 9476 97a2 97a2 c8e5 ecec ef80 942c 942c 942f 942f"},
      {"ignore buildup", {0, false, 1, false}, "00:00:03:10\t9420 9476 97a2 c8e5 ecec ef80 942c 8080 8080 942f"},
      {"roll-up 2", {1, false, 0, false}, "00:00:03:10\t9425 942c 94ad 94ad 9476 97a2 c8e5 ecec ef80"},
      {"roll-up 4, double codes", {3, true, 0, false},
       "00:00:03:10\t94a7 942c 942c 94ad 94ad 94ad 94ad 9476 9476 97a2 97a2 c8e5 ecec ef80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SccWriteResult r = WriteScc(doc, c.o);
    EXPECT_TRUE(r.text.starts_with("Scenarist_SCC V1.0\r\n\r\n"));
    std::vector<std::string> lines = Lines(r.text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], c.line);
    // After the last subtitle its out cue always erases.
    EXPECT_EQ(lines[1], c.o.doubleControlCodes ? "00:00:05:10\t942c 942c" : "00:00:05:10\t942c");
    EXPECT_EQ(r.moved, 0);
  }
}

TEST(SccWriter, DropFrameLabelsAndRowsOfRollUp) {
  const FrameRate df = *FrameRate::FromCode(29);
  // 00:01:00;02 is the first label of the second minute.
  SubtitleDocument doc = Doc(29, {Sub(1800 + 10, 1800 + 70, "A\r\nB", df)});
  SccWriteResult pop = WriteScc(doc, {});
  std::vector<std::string> lines = Lines(pop.text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 11), FramesToLabel(1810 - 9, df).replace(8, 1, ";"));
  EXPECT_EQ(lines[1].substr(0, 12), FramesToLabel(1870, df).replace(8, 1, ";") + "\t");
  // Roll-up: every row goes to the base row after a carriage return.
  SccWriteResult roll = WriteScc(doc, {2, false, 0, false});
  EXPECT_NE(Lines(roll.text)[0].find("9426 942c 94ad 94ad 94f8 c180 94ad 94f8 c280"), std::string::npos)
      << Lines(roll.text)[0];
}

TEST(SccWriter, CaptionsTooCloseAreMovedAndLogged) {
  const FrameRate ntsc = *FrameRate::FromCode(30);
  // Five frames apart: the second would start loading before the first is on screen.
  SubtitleDocument doc = Doc(30, {Sub(100, 104, "Hello", ntsc), Sub(105, 160, "World", ntsc),
                                  Sub(400, 460, "Later", ntsc)});
  SccWriteResult r = WriteScc(doc, {});
  EXPECT_EQ(r.moved, 1);
  EXPECT_EQ(r.log, std::vector<std::string>{"Subtitle 0002: in cue was offset by 6 frames"});
  std::vector<std::string> lines = Lines(r.text);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_TRUE(lines[0].starts_with("00:00:03:00\t"));
  // No erase line for the first: the next caption's loading clears it.
  EXPECT_TRUE(lines[1].starts_with("00:00:03:11\t9420")) << lines[1];
  EXPECT_EQ(lines[2], "00:00:05:10\t942c");  // room before "Later" loads
  EXPECT_EQ(lines[4], "00:00:15:10\t942c");
  // A caption at frame 0 cannot load earlier; it starts after frame 0 and says so.
  SccWriteResult first = WriteScc(Doc(30, {Sub(0, 40, "Hi", ntsc)}), {});
  EXPECT_EQ(first.log.size(), 1u);
  EXPECT_TRUE(Lines(first.text)[0].starts_with("00:00:00:01\t"));
}

// --- The proof: our files played through the decoder --------------------------------------

// What the screen must show for a subtitle: per line-21 row, the characters (italic
// markers take a column as mid-row codes) and which of them are italic.
struct Expected {
  std::map<int, std::pair<std::u32string, std::vector<bool>>> rows;
};

Expected ExpectedScreen(const Subtitle& s, bool rollUp) {
  Expected e;
  std::vector<std::string> rows;
  for (const std::string& r : SplitLines(s.text)) rows.push_back(s.italic ? "<" + r + ">" : r);
  const int n = static_cast<int>(rows.size());
  for (int j = 1; j <= n; ++j) {
    std::u32string text;
    std::vector<bool> italic;
    bool on = false;
    for (char32_t c : Utf8ToUtf32(rows[static_cast<std::size_t>(j - 1)])) {
      if (c == U'<' || c == U'>') on = c == U'<';
      text += c == U'<' || c == U'>' ? U' ' : c;
      italic.push_back(on);
    }
    // Roll-up rows stack up from the base row as each carriage return scrolls them.
    const int row = rollUp ? Line21Row(11 - s.row) - (n - j) : Line21Row(j + 11 - s.row - n);
    e.rows[row] = {text, italic};
  }
  return e;
}

bool Shows(const Screen& screen, const Expected& e) {
  for (int r = 1; r <= 15; ++r) {
    auto it = e.rows.find(r);
    const std::u32string got = screen.RowText(r);
    if (it == e.rows.end()) {
      if (!got.empty()) return false;
      continue;
    }
    if (got != it->second.first) return false;
    const ScreenRow& row = screen.rows[static_cast<std::size_t>(r - 1)];
    int first = 0;
    while (row.cells[static_cast<std::size_t>(first)].ch == 0) ++first;
    for (std::size_t k = 0; k < it->second.second.size(); ++k)
      if (row.cells[first + k].italic != it->second.second[k]) return false;
  }
  return true;
}

// The screen after every change, frame by frame, as a decoder shows the file.
struct Timeline {
  std::vector<std::pair<FrameCount, Screen>> changes;  // from this frame on, this screen

  static Timeline Play(const std::string& text, const FrameRate& rate) {
    Timeline t;
    Decoder d;
    FrameCount next = 0;
    const CaptionLines lines = ParseSccLines(text);
    for (const CaptionLines::Line& line : lines.lines) {
      const FrameCount start = std::max(LabelToFrames(StripSeparators(line.label), rate), next);
      const auto words = lines.WordsOf(line);
      for (std::size_t j = 0; j < words.size(); ++j)
        if (d.Feed(words[j]) & Decoder::DisplayChanged)
          t.changes.emplace_back(start + static_cast<FrameCount>(j), d.displayed());
      next = start + static_cast<FrameCount>(words.size());
    }
    return t;
  }
  // The frame from which the screen first shows `e` at or after `from`; -1 when never.
  FrameCount FirstShown(const Expected& e, FrameCount from) const {
    for (const auto& [f, screen] : changes)
      if (f >= from && Shows(screen, e)) return f;
    return -1;
  }
  // The first change after `from`.
  FrameCount NextChange(FrameCount from) const {
    for (const auto& c : changes)
      if (c.first > from) return c.first;
    return -1;
  }
};

std::string RandomRow(std::mt19937& rnd, int maxLen) {
  static const std::vector<std::string> pieces = {
      "the", "word", "caf\xC3\xA9", "\xC3\x9C" "ber", "ni\xC3\xB1o", "\xE2\x99\xAA", "50\xC2\xB0", "fa\xC3\xA7" "ade",
      "\xC3\x80 la", "d\xC3\xA9j\xC3\xA0", "\xC2\xBFQu\xC3\xA9?", "O'Neil", "x", "Gr\xC3\xB6\xC3\x9F" "e", "12:30", "--"};
  std::string row;
  while (true) {
    std::string p = pieces[rnd() % pieces.size()];
    if (rnd() % 5 == 0) p = "<" + p + ">";
    const std::string next = row.empty() ? p : row + " " + p;
    if (CountCodePoints(next) > static_cast<std::size_t>(maxLen)) break;
    row = next;
    if (rnd() % 3 == 0) break;
  }
  return row.empty() ? "ok" : row;
}

SubtitleDocument RandomDocument(std::mt19937& rnd, int rateCode, int count, int maxRows) {
  const FrameRate rate = *FrameRate::FromCode(rateCode);
  std::vector<Subtitle> subs;
  FrameCount t = 120;
  for (int i = 0; i < count; ++i) {
    Subtitle s;
    const int rows = 1 + static_cast<int>(rnd() % static_cast<unsigned>(maxRows));
    for (int j = 0; j < rows; ++j) s.text += (j ? "\r\n" : "") + RandomRow(rnd, 30);
    s.alignment = 1 + static_cast<int>(rnd() % 4);
    s.row = static_cast<int>(rnd() % 3);
    if (rnd() % 6 == 0) {
      s.text = StripItalics(s.text);
      s.italic = true;
    }
    // Mostly room to load; now and then a caption close behind the one before.
    t += rnd() % 4 == 0 ? 3 + static_cast<FrameCount>(rnd() % 20) : 40 + static_cast<FrameCount>(rnd() % 90);
    const FrameCount duration = 20 + static_cast<FrameCount>(rnd() % 100);
    s.inCue = Cue::FromFrames(t, rate);
    s.outCue = Cue::FromFrames(t + duration, rate);
    t += duration;
    subs.push_back(std::move(s));
  }
  return Doc(rateCode, std::move(subs));
}

// Moved frames per subtitle from the writer's log lines.
std::map<int, int> MovedFrames(const std::vector<std::string>& log) {
  std::map<int, int> moved;
  for (const std::string& l : log) {
    int n = 0, by = 0;
    if (std::sscanf(l.c_str(), "Subtitle %d: in cue was offset by %d frames", &n, &by) == 2) moved[n - 1] = by;
  }
  return moved;
}

TEST(SccProof, EverySubtitleShowsOnItsInCueAndClearsOnItsOutCue) {
  std::mt19937 rnd(608);
  int checked = 0;
  for (int round = 0; round < 24; ++round) {
    const int rateCode = round % 3 == 0 ? 29 : round % 3 == 1 ? 30 : 25;
    SccOptions o;
    o.captionType = round % 6 == 5 ? 1 + round % 3 : 0;
    o.doubleControlCodes = round % 2;
    o.noTwoFrameWait = round % 4 >= 2;
    const bool rollUp = o.captionType != 0;
    const SubtitleDocument doc = RandomDocument(rnd, rateCode, 40, rollUp ? o.captionType + 1 : 3);
    const FrameRate& rate = doc.frameRate();
    SccWriteResult r = WriteScc(doc, o);
    const Timeline t = Timeline::Play(r.text, rate);
    const std::map<int, int> moved = MovedFrames(r.log);
    const std::vector<std::string> lines = Lines(r.text);
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      const Subtitle& s = doc.At(i);
      SCOPED_TRACE("round " + std::to_string(round) + ", subtitle " + std::to_string(i + 1) + ": " + s.text);
      const FrameCount in = s.inCue.ToFrames(rate), out = s.outCue.ToFrames(rate);
      const int by = moved.contains(static_cast<int>(i)) ? moved.at(static_cast<int>(i)) : 0;
      const Expected e = ExpectedScreen(s, rollUp);
      const CaptionCode code = EncodeCaption(s, {rollUp, o.doubleControlCodes});
      // Pop-on flips in on the frame before the in cue, so that the in cue shows it;
      // roll-up shows the caption complete once its last word is in.
      FrameCount expected = rollUp ? in + by + static_cast<FrameCount>(code.words) + (o.doubleControlCodes ? 4 : 2)
                                   : in - 1 + by;
      if (by > 0 && !rollUp) {
        // A moved caption: the log names exactly the frames it comes late.
        EXPECT_EQ(t.FirstShown(e, in - 40), expected);
      } else {
        EXPECT_EQ(t.FirstShown(e, expected - 40), expected);
      }
      const FrameCount shown = t.FirstShown(e, expected);
      if (shown < 0) continue;
      // It stays until its out cue when an erase line is written for it; otherwise the next
      // caption's loading clears it.
      const std::string erase = FramesToLabel(out, rate).replace(8, 1, rate.dropFrame ? ";" : ":") + "\t942c";
      const bool erased = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
                            return l.starts_with(erase);
                          }) != lines.end();
      const FrameCount gone = t.NextChange(shown);
      if (erased && out > shown) {
        EXPECT_EQ(gone, out);
      } else if (i + 1 < doc.Count()) {
        EXPECT_LE(gone, doc.At(i + 1).inCue.ToFrames(rate) + by + 200);
      }
      ++checked;
    }
  }
  EXPECT_GT(checked, 800);
}

// Our own files read back: texts, rows, alignment and italics as written, in cues where
// the caption shows (the frame before the in cue for pop-on) and out cues where erased.
TEST(SccReader, ReadsOurOwnFilesBack) {
  std::mt19937 rnd(21);
  for (int rateCode : {29, 30, 25}) {
    SCOPED_TRACE(rateCode);
    const SubtitleDocument doc = RandomDocument(rnd, rateCode, 60, 3);
    SccWriteResult w = WriteScc(doc, {});
    SccReadResult r = ReadScc(AsBytes(w.text), rateCode);
    ASSERT_EQ(r.doc.Count(), doc.Count());
    const std::map<int, int> moved = MovedFrames(w.log);
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      const Subtitle &a = doc.At(i), &b = r.doc.At(i);
      SCOPED_TRACE(a.text);
      // A wholly italic subtitle comes back as italic rows.
      EXPECT_EQ(b.text, a.italic ? "<" + ReplaceAll(a.text, "\r\n", ">\r\n<") + ">" : a.text);
      EXPECT_EQ(b.row, a.row);
      // Alignment as read puts every row back in the columns it was written in.
      const cea608::CaptionCode ca = EncodeCaption(a, {}), cb = EncodeCaption(b, {});
      ASSERT_EQ(ca.rows.size(), cb.rows.size());
      for (std::size_t k = 0; k < ca.rows.size(); ++k) EXPECT_EQ(ca.rows[k].column, cb.rows[k].column) << k;
      const int by = moved.contains(static_cast<int>(i)) ? moved.at(static_cast<int>(i)) : 0;
      EXPECT_EQ(b.inCue.ToFrames(r.doc.frameRate()), a.inCue.ToFrames(doc.frameRate()) - 1 + by);
    }
    EXPECT_TRUE(r.warnings.empty());
  }
}

// --- Files of other tools ----------------------------------------------------------------

struct ReadCase {
  const char* name;
  std::string file;
  std::vector<std::string> texts;
  std::vector<std::string> cues;  // "in-out" labels, HHMMSSFF
  bool warns = false;
};

TEST(SccReader, FilesShapedLikeOtherToolsWriteThem) {
  const ReadCase cases[] = {
      {"pop-on, doubled codes, drop-frame, loading and flip on separate lines",
       "Scenarist_SCC V1.0\r\n\r\n"
       "00:00:01;00\t9420 9420 94ae 94ae 9452 9452 97a2 97a2 c8e5 ecec ef2c 20f7 eff2 ec64 a180\r\n\r\n"
       "00:00:02;00\t942f 942f\r\n\r\n"
       "00:00:04;00\t942c 942c\r\n\r\n"
       "00:00:05;00\t9420 9420 94d0 94d0 91ae 91ae 4fe6 2073 ef6d e520 e9f4 61ec e9e3 9120 9120 94f2 94f2 ceef f26d "
       "61ec 942f 942f\r\n\r\n"
       "00:00:07;15\t942c 942c\r\n",
       {"Hello, world!", "<Of some italic>\r\nNormal"},
       {"00000200-00000400", "00000520-00000715"}},
      {"roll-up 2, one line per roll, LF line ends, no empty lines",
       "Scenarist_SCC V1.0\n"
       "00:00:10:00\t9425 9425 94ad 94ad 9470 9470 4c49 ce45 2031\n"
       "00:00:11:00\t9425 9425 94ad 94ad 9470 9470 4c49 ce45 2032\n"
       "00:00:12:00\t9425 9425 94ad 94ad 9470 9470 4c49 ce45 20b3\n"
       "00:00:14:00\t942c 942c\n",
       {"LINE 1", "LINE 2", "LINE 3"},
       {"00001006-00001102", "00001106-00001202", "00001206-00001400"}},
      {"paint-on with a backspace and special characters",
       "scenarist_scc v1.0\r\n\r\n"
       "00:00:20:00\t9429 9429 9152 9152 4361 e6e5 94a1 94a1 dc80 9137 9137\r\n\r\n"
       "00:00:23:00\t942c 942c\r\n",
       {"Caf\xC3\xA9\xE2\x99\xAA"},
       {"00002004-00002300"}},
      {"channel 2 and field 2 data are left out with a warning",
       "\xEF\xBB\xBFScenarist_SCC V1.0\r\n\r\n"
       "00:00:01:00\t9420 9420 9470 9470 c1c1 1c20 1c20 1f70 1f70 c2c2 1520 1520 4343 942f 942f\r\n\r\n"
       "00:00:03:00\t942c 942c\r\n",
       {"AA"},
       {"00000113-00000300"},
       true},
      {"stray tokens and lines without a timecode are skipped",
       "Scenarist_SCC V1.0\r\n\r\n"
       "00:00:01:00  9420 9470 zz c1c1 942f\r\n\r\n"
       "garbage line\r\n"
       "00:00:02:00\t942c\r\n",
       {"AA"},
       {"00000103-00000200"},
       true},
      {"old Mac line ends (CR only), upper-case digits",
       "Scenarist_SCC V1.0\r\r00:00:01:00\t9420 9470 C1C1 942F\r\r00:00:02:00\t942C\r",
       {"AA"},
       {"00000103-00000200"}},
      {"runs of spaces and tabs, a form feed, a five-digit token, mixed line ends; a caption loaded without an "
       "erase of the memory keeps what was there",
       "Scenarist_SCC V1.0\n\n00:00:01:00\t9420  9470\t\tc1c1   942f  \r\n\r\n00:00:02:00\t942c \f\n"
       "00:00:03:00 \t 9420 94d0 c1c2 94200 9470 c4c4 942f\n\n00:00:05:00\t9420 9470 4545 942f\r\n00:00:06:00\t942c",
       {"AA", "AB\r\nDD", "EE"},
       {"00000103-00000200", "00000305-00000503", "00000503-00000600"},
       true},
      {"markup characters and the transparent space on screen",
       "Scenarist_SCC V1.0\r\n\r\n00:00:01:00\t9420 94d0 bc3e 9470 c1a2 91b9 c1ab 942f\r\n\r\n"
       "00:00:03:00\t942c\r\n",
       {"\xEE\x80\xBC\xEE\x80\xBE\r\nA\" A+"},
       {"00000107-00000300"}},
      {"a control code again after frames of padding is not the second of a doubled one",
       "Scenarist_SCC V1.0\r\n\r\n00:00:01:00\t9420 9470 c1c1 942f\r\n\r\n00:00:02:00\t942f\r\n\r\n"
       "00:00:03:00\t942c\r\n",
       {"AA"},
       {"00000103-00000200"}},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    SccReadResult r = ReadScc(AsBytes(c.file), 29);
    ASSERT_EQ(r.doc.Count(), c.texts.size());
    for (std::size_t i = 0; i < c.texts.size(); ++i) {
      EXPECT_EQ(r.doc.At(i).text, c.texts[i]);
      EXPECT_EQ(r.doc.At(i).inCue.digits() + "-" + r.doc.At(i).outCue.digits(), c.cues[i]);
    }
    EXPECT_EQ(!r.warnings.empty(), c.warns);
  }
}

TEST(SccReader, RefusesFilesThatAreNotScc) {
  for (std::string bad : {std::string(), std::string("\r\n\r\n"), std::string("WEBVTT\n\n00:01.000 --> 00:02.000\nx\n"),
                          std::string("Scenarist_SCC V2.0\r\n\r\n00:00:01:00\t9420\r\n")}) {
    try {
      ReadScc(AsBytes(bad), 29);
      ADD_FAILURE() << "read: " << bad;
    } catch (const UserError& e) {
      EXPECT_EQ(e.text(), "This is not a valid Scenarist CC file.");
    }
  }
}

// --- ffmpeg reads our files with its own decoder -------------------------------------------

std::string RunCommand(const std::string& cmd) {
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

// The words of a subtitle as plain text: ffmpeg writes its SubRip with font tags, hard
// spaces and typographic apostrophes.
std::string Words(std::string s) {
  std::string plain;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '<' || s[i] == '{') {
      const std::size_t end = s.find(s[i] == '<' ? '>' : '}', i);
      if (end != std::string::npos) {
        i = end;
        continue;
      }
    }
    if (s.compare(i, 2, "\\h") == 0) {
      plain += ' ';
      ++i;
      continue;
    }
    plain += s[i];
  }
  plain = ReplaceAll(std::move(plain), "\xE2\x80\x99", "'");
  std::string out;
  for (char c : plain) {
    if (c == '\r' || c == '\n') c = ' ';
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// ffmpeg's SCC reader hands each line to its decoder at the line's timecode, so a pop-on
// caption shows there, where our file starts loading it; with "SCC ignore buildup" that is
// the in cue itself.
TEST(SccWithFfmpeg, FfmpegFindsOurTextsInOrderOnTime) {
  if (RunCommand("command -v ffmpeg").empty()) GTEST_SKIP() << "ffmpeg is not installed";
  std::mt19937 rnd(5);
  const SubtitleDocument doc = RandomDocument(rnd, 29, 30, 2);
  for (int ignoreBuildup : {0, 1}) {
    SCOPED_TRACE(ignoreBuildup ? "ignore buildup" : "load before the in cue");
    const SccWriteResult written = WriteScc(doc, {0, false, ignoreBuildup, false});
    // ffmpeg reads a label as hours, minutes, seconds and thirtieths, drop-frame or not.
    std::vector<double> starts;
    for (const std::string& l : Lines(written.text)) {
      int h, m, sec, ff;
      if (l.find("942f") != std::string::npos && std::sscanf(l.c_str(), "%d:%d:%d%*c%d", &h, &m, &sec, &ff) == 4)
        starts.push_back(h * 3600.0 + m * 60 + sec + ff / 30.0);
    }
    ASSERT_EQ(starts.size(), doc.Count());
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kipo-scc-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path scc = dir / "ours.scc", srt = dir / "ffmpeg.srt";
    std::ofstream(scc, std::ios::binary) << written.text;
    RunCommand("ffmpeg -v error -y -i '" + scc.string() + "' '" + srt.string() + "' 2>&1");
    std::ifstream in(srt);
    std::stringstream ss;
    ss << in.rdbuf();
    in.close();
    std::filesystem::remove_all(dir);
    // SubRip blocks: number, times, text up to an empty line.
    std::vector<std::pair<double, std::string>> got;
    std::vector<std::string> lines = SplitLines(ss.str());
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
      int h, m, sec, ms;
      if (std::sscanf(lines[i].c_str(), "%d:%d:%d,%d -->", &h, &m, &sec, &ms) != 4) continue;
      std::string text;
      for (std::size_t j = i + 1; j < lines.size() && !lines[j].empty(); ++j) text += "\n" + Words(lines[j]);
      got.emplace_back(h * 3600.0 + m * 60 + sec + ms / 1000.0, text);
    }
    ASSERT_EQ(got.size(), doc.Count()) << ss.str();
    const double frame = 1001.0 / 30000.0;
    for (std::size_t i = 0; i < doc.Count(); ++i) {
      SCOPED_TRACE(doc.At(i).text);
      // Row by row. ffmpeg's decoder can leave characters of an older caption after a row
      // that ends on a mid-row code (it writes no end of row there), so a row of its output
      // must start with ours.
      std::string want;
      for (const std::string& row : SplitLines(StripItalics(doc.At(i).text))) want += "\n" + Words(row);
      const std::vector<std::string> ffRows = SplitLines(got[i].second), ourRows = SplitLines(want);
      ASSERT_EQ(ffRows.size(), ourRows.size()) << got[i].second;
      for (std::size_t k = 0; k < ourRows.size(); ++k) EXPECT_TRUE(ffRows[k].starts_with(ourRows[k])) << ffRows[k];
      EXPECT_NEAR(got[i].first, starts[i], frame + 0.002);
    }
  }
}

}  // namespace
}  // namespace kipo
