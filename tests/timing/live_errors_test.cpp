// The live error list against the whole-document check: after any sequence of edits the
// list that followed them step by step is the list a fresh check would build, and one
// subtitle's edit re-checks a handful of subtitles, not the document.
#include "timing/live_errors.h"

#include <gtest/gtest.h>

#include <random>

#include "support/timed_subtitle.h"

namespace kipo {
namespace {

struct Following {
  SubtitleDocument doc;
  CheckSettings settings;
  LiveErrorList live;
  Connection watching;

  explicit Following(std::size_t n) {
    settings.house.maxRowLength = 20;
    settings.house.maxRows = 2;
    settings.house.invalidIntervalThreshold = 12;
    for (std::size_t i = 0; i < n; ++i) {
      Timecode in = static_cast<Timecode>(i) * 60;
      doc.Append(test::TimedSub(i % 5 == 0 ? "" : "A line of some words", in, in + (i % 3 == 0 ? 10 : 50)));
    }
    live.Rebuild(doc, settings);
    watching = doc.Subscribe([this](const DocumentChange& c) { live.Apply(doc, c); });
  }
  void ExpectFresh(const std::string& after) {
    SCOPED_TRACE(after);
    const std::vector<ErrorRow> rows = live.Rows();
    EXPECT_EQ(rows, BuildErrorList(doc, settings));
    ASSERT_EQ(live.RowCount(), rows.size());
    for (std::size_t r = 0; r < rows.size(); r += 7) EXPECT_EQ(live.Row(r), rows[r]);
  }
};

TEST(LiveErrorList, FollowsEveryKindOfEditAsAFreshCheckWouldSeeIt) {
  Following f(60);
  f.ExpectFresh("built");
  std::mt19937 rng(21);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % std::max<std::size_t>(n, 1)); };
  const char* texts[] = {"", "<unbalanced", "A row far longer than twenty characters", "one\r\ntwo\r\nthree",
                         "Short", "two\r\n\r\nblank"};
  for (int step = 0; step < 400; ++step) {
    const std::size_t n = f.doc.Count();
    const std::size_t i = pick(n);
    std::string what;
    switch (rng() % 9) {
      case 0: what = "insert"; f.doc.Insert(pick(n + 1), test::TimedSub(texts[pick(6)], pick(4000), pick(4000))); break;
      case 1: if (n > 1) { what = "remove"; f.doc.Remove(i); } break;
      case 2: what = "text"; if (n) f.doc.SetText(i, texts[pick(6)]); break;
      case 3: what = "in cue"; if (n) f.doc.SetInCue(i, pick(3) ? FramesToDigits(static_cast<Timecode>(pick(4000)), test::kPal) : ""); break;
      case 4: what = "out cue"; if (n) f.doc.SetOutCue(i, pick(3) ? FramesToDigits(static_cast<Timecode>(pick(4000)), test::kPal) : ""); break;
      case 5: what = "row"; if (n) f.doc.SetRow(i, static_cast<std::int32_t>(pick(3))); break;
      case 6: what = "range removal"; if (n > 4) f.doc.RemoveRange(pick(n - 3), 3); break;
      case 7: what = "italic"; if (n) f.doc.SetItalic(i, pick(2)); break;
      case 8:
        what = "replace all";
        if (pick(20) == 0) {
          std::vector<Subtitle> subs = f.doc.Subtitles();
          std::reverse(subs.begin(), subs.end());
          f.doc.ReplaceAll(std::move(subs));
        }
        break;
    }
    f.ExpectFresh("step " + std::to_string(step) + ": " + what);
    if (HasFailure()) return;
  }
  f.doc.SetFrameRate(30);
  f.ExpectFresh("frame rate");
}

TEST(LiveErrorList, OneEditChecksItsNeighboursOnlyAndNewSettingsCheckEverything) {
  Following f(kMaxSubtitles - 1);
  struct Edit {
    const char* name;
    std::function<void(SubtitleDocument&)> apply;
    std::size_t checked;  // at most
  };
  const Edit edits[] = {
      {"text", [](SubtitleDocument& d) { d.SetText(500, "changed"); }, 3},
      {"out cue of the first", [](SubtitleDocument& d) { d.SetOutCue(0, ""); }, 2},
      {"insert", [](SubtitleDocument& d) { d.Insert(700, test::TimedSub("new", 42000, 42050)); }, 3},
      {"remove", [](SubtitleDocument& d) { d.Remove(900); }, 2},
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.name);
    e.apply(f.doc);
    EXPECT_LE(f.live.lastChecked(), e.checked);
  }
  f.ExpectFresh("after the edits");
  // The error row of a subtitle after a removal names its new number.
  f.doc.SetText(1000, "<broken");
  f.doc.Remove(10);
  const std::size_t r = f.live.FirstRowAtOrAfter(999);
  ASSERT_LT(r, f.live.RowCount());
  EXPECT_EQ(f.live.Row(r).number, 1000);
  EXPECT_EQ(f.live.Row(r).text, "Mismatched italics");

  f.live.Sync(f.doc, f.settings);
  EXPECT_EQ(f.live.lastChecked(), 0u);
  CheckSettings stricter = f.settings;
  stricter.house.maxRowLength = 5;
  f.live.Sync(f.doc, stricter);
  EXPECT_EQ(f.live.lastChecked(), f.doc.Count());
  f.settings = stricter;
  f.ExpectFresh("stricter settings");
}

}  // namespace
}  // namespace kipo
