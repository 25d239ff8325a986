// examples/demo.kpox is written by the native writer from the script below; this test
// keeps the committed file and the writer in step. Run with KIPO_WRITE_DEMO=1 to rewrite it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/native_file.h"
#include "platform/files.h"

namespace kipo {
namespace {

struct Line {
  const char* in;
  const char* out;
  const char* text;
};

// "Low Tide", reel 1: a lighthouse keeper's daughter and a stranger off the last ferry.
// Two faults are left in for the checker: subtitle 9 overlaps subtitle 10, and
// subtitle 23 is on screen for only eight frames.
const Line kScript[] = {
    {"10000112", "10000305", "<The last ferry leaves at six.>"},
    {"10000315", "10000520", "<After that, the island is ours.>"},
    {"10000808", "10001010", "Are you the keeper?"},
    {"10001020", "10001306", "His daughter.\r\nThe keeper's been dead a year."},
    {"10001316", "10001520", "I'm sorry. Nobody told me."},
    {"10001605", "10001815", "Nobody tells anyone anything here."},
    {"10001900", "10002110", "That's how we like it."},
    {"10002200", "10002412", "I need a room for the night."},
    {"10002500", "10002720", "There's the inn, if Maggie's sober."},
    {"10002710", "10002918", "And if she isn't?"},
    {"10003004", "10003206", "Then there's the lamp room."},
    {"10003300", "10003512", "It's warm. Mostly."},
    {"10003700", "10003910", "[RADIO CRACKLES]"},
    {"10003920", "10004118", "<Coastguard to Skerry Light, over.>"},
    {"10004200", "10004412", "Skerry Light. Go ahead."},
    {"10004500", "10004720", "<Storm front moving in from the west.>"},
    {"10004800", "10005008", "<Nothing leaves the harbour tonight.>"},
    {"10005100", "10005300", "Understood. Out."},
    {"10005500", "10005716", "So you're stuck with me."},
    {"10005800", "10010010", "Looks that way."},
    {"10010200", "10010412", "What brings you out here?"},
    {"10010500", "10010712", "Your father wrote to me."},
    {"10010800", "10010808", "What?"},
    {"10010900", "10011200", "Three letters. The last one\r\narrived in March."},
    {"10011300", "10011512", "He couldn't hold a pen in March."},
    {"10011600", "10011820", "Then someone held it for him."},
    {"10012000", "10012210", "Show me."},
    {"10012400", "10012612", "\"The light is wrong, Tom.\""},
    {"10012700", "10012920", "\"It turns, but it doesn't shine.\""},
    {"10013100", "10013312", "That's his hand."},
    {"10013400", "10013608", "The light works fine."},
    {"10013700", "10013916", "Have you looked at it? Tonight?"},
    {"10014200", "10014412", "[DOOR SLAMS]"},
    {"10014600", "10014816", "Maggie! Have you seen the lamp?"},
    {"10014900", "10015112", "I don't climb stairs, love."},
    {"10015200", "10015420", "Not since the wedding."},
    {"10015600", "10015812", "It's dark. The whole gallery is dark."},
    {"10015900", "10020110", "Then who's been turning it?"},
    {"10020300", "10020516", "<Skerry Light, respond. Over.>"},
    {"10020700", "10021000", "<Skerry Light?>"},
};

SubtitleDocument DemoDocument() {
  SubtitleDocument d(25, 2057, 0);
  for (const Line& l : kScript) {
    Subtitle s;
    s.inCue = l.in;
    s.outCue = l.out;
    s.text = l.text;
    d.Append(std::move(s));
  }
  // The radio lines sit at the top of the picture, clear of the burnt-in caption.
  d.SetRow(13, 9);
  d.SetComment(21, "Check spelling of Tom against the script");
  d.SetComment(27, "Letter insert: hold until the cut");
  d.SetItalic(39, true);
  d.SetNotes("Low Tide - reel 1\r\nClient: Harbour Films\r\nDemo document for the Kipo examples");
  d.SetCurrentNumber(1);
  return d;
}

TEST(DemoDocument, CommittedFileIsWhatTheWriterProduces) {
  std::filesystem::path path = std::filesystem::path(KIPO_TEST_DATA).parent_path().parent_path() / "examples" / "demo.kpox";
  Bytes bytes = WriteNative(DemoDocument(), NativeVariant::Kpox).bytes;
  if (const char* w = std::getenv("KIPO_WRITE_DEMO"); w && *w == '1') WriteFileAtomic(path, bytes);
  ASSERT_TRUE(std::filesystem::exists(path)) << "run with KIPO_WRITE_DEMO=1 to write " << path;
  EXPECT_EQ(ReadFileBytes(path), bytes);
  SubtitleDocument back = ReadNative(bytes, NativeVariant::Kpox);
  EXPECT_EQ(back.Count(), 40u);
  EXPECT_EQ(back.At(13).row, 9);
}

}  // namespace
}  // namespace kipo
