#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "platform/binary_io.h"
#include "platform/encoding.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/text_util.h"
#include "platform/user_error.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

TEST(BinaryIo, ReadsBothByteOrdersAndRefusesShortData) {
  ByteWriter w;
  w.u16le(0x1234);
  w.u16be(0x1234);
  w.u24le(0x0A0B0C);
  w.u32be(0xDEADBEEF);
  w.i16le(-2);
  w.field("AB", 4);
  w.field("TOOLONG", 3);
  Bytes b = w.take();
  ASSERT_EQ(b.size(), 2u + 2 + 3 + 4 + 2 + 4 + 3);
  EXPECT_EQ(b[0], 0x34);
  EXPECT_EQ(b[2], 0x12);
  ByteReader r(b);
  EXPECT_EQ(r.u16le(), 0x1234);
  EXPECT_EQ(r.u16be(), 0x1234);
  EXPECT_EQ(r.u24le(), 0x0A0B0Cu);
  EXPECT_EQ(r.u32be(), 0xDEADBEEFu);
  EXPECT_EQ(r.i16le(), -2);
  EXPECT_EQ(r.field(4), "AB");
  EXPECT_EQ(r.raw(3), "TOO");
  EXPECT_TRUE(r.atEnd());
  EXPECT_THROW(r.u8(), ReadError);
  ByteReader shortReader(std::span<const std::uint8_t>(b).subspan(0, 3));
  shortReader.u16le();
  EXPECT_THROW(shortReader.u16le(), ReadError);
  EXPECT_EQ(shortReader.pos(), 2u);  // a failed read consumes nothing
  EXPECT_THROW(shortReader.skip(5), ReadError);
  EXPECT_THROW(shortReader.seek(4), ReadError);
}

TEST(Encoding, CodePagesBothWaysAndUnmappableCharactersReported) {
  std::string latin = "\xE9t\xE9";  // "été" in windows-1252
  EXPECT_EQ(CodePageToUtf8(latin, "windows-1252"), "\xC3\xA9t\xC3\xA9");
  std::vector<char32_t> lost;
  EXPECT_EQ(Utf8ToCodePage("\xC3\xA9t\xC3\xA9 \xD0\x96", "windows-1252", &lost), "\xE9t\xE9 ?");
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_EQ(lost[0], U'\u0416');
  EXPECT_EQ(Utf8ToCodePage("\xD0\x96", "windows-1251"), "\xC6");
  // Double-byte code pages.
  std::string sjis = Utf8ToCodePage("\xE6\x97\xA5\xE6\x9C\xAC", CodePageForCharset(128));
  EXPECT_EQ(sjis, "\x93\xFA\x96\x7B");
  EXPECT_EQ(CodePageToUtf8(sjis, "windows-932"), "\xE6\x97\xA5\xE6\x9C\xAC");
}

TEST(Encoding, EveryCharsetCodeHasAWorkingCodePage) {
  for (int cs : {0, 1, 77, 128, 129, 130, 134, 136, 161, 162, 163, 177, 178, 186, 204, 222, 238, 255}) {
    SCOPED_TRACE(cs);
    std::string cp = CodePageForCharset(cs, "windows-1252");
    EXPECT_NO_THROW(CodePageToUtf8(std::string("A"), cp));
    EXPECT_EQ(CodePageToUtf8(std::string("A"), cp), "A");
  }
  EXPECT_EQ(CodePageForCharset(0, "windows-1250"), "windows-1250");
}

TEST(Encoding, ByteOrderMarksAndDetection) {
  auto bytes = [](std::string s) { return std::vector<std::uint8_t>(s.begin(), s.end()); };
  auto d = DecodeText(bytes("\xEF\xBB\xBFhi"), "windows-1252");
  EXPECT_EQ(d.text, "hi");
  EXPECT_TRUE(d.hadBom);
  d = DecodeText(bytes(std::string("\xFF\xFEh\0i\0", 6)), "windows-1252");
  EXPECT_EQ(d.text, "hi");
  EXPECT_EQ(d.encoding, UnicodeEncoding::Utf16LE);
  d = DecodeText(bytes(std::string("\0h\0e\0l\0l\0o", 10)), "windows-1252");
  EXPECT_EQ(d.text, "hello");  // UTF-16BE without a mark
  d = DecodeText(bytes(std::string("h\0e\0l\0l\0o\0", 10)), "windows-1252");
  EXPECT_EQ(d.text, "hello");
  d = DecodeText(bytes("caf\xE9"), "windows-1252");  // not UTF-8: the 8-bit fallback
  EXPECT_EQ(d.text, "caf\xC3\xA9");
  EXPECT_EQ(d.encoding, UnicodeEncoding::None);
  auto le = Utf8ToUtf16LE("\xF0\x9F\x98\x80");  // a surrogate pair survives
  EXPECT_EQ(le.size(), 4u);
  EXPECT_EQ(Utf16LEToUtf8(le), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16BEToUtf8(Utf8ToUtf16BE("\xC3\xA9")), "\xC3\xA9");
  EXPECT_EQ(CountCodePoints("\xC3\xA9t\xF0\x9F\x98\x80"), 3u);
  EXPECT_EQ(ComposeNfc("e\xCC\x81"), "\xC3\xA9");
  EXPECT_EQ(DecomposeNfd("\xC3\xA9"), "e\xCC\x81");
}

TEST(TextUtil, RowsNumbersAndExtensions) {
  EXPECT_EQ(SplitRows("a\r\nb\r\n"), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(JoinRows({"a", "b"}), "a\r\nb");
  EXPECT_EQ(SplitLines("a\nb\rc\r\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(NumberText(5), " 5");
  EXPECT_EQ(NumberText(0), " 0");
  EXPECT_EQ(NumberText(-3), "-3");
  EXPECT_EQ(ZeroPad(12, 4), "0012");
  EXPECT_EQ(LeadingNumber("12ab3"), 12);
  EXPECT_EQ(LeadingNumber("x"), 0);
  EXPECT_EQ(UpperExtension("/x/film.Stl"), "STL");
  EXPECT_EQ(UpperExtension("noext"), "");
  long n = 0;
  EXPECT_TRUE(ParseInt(" 42 ", n));
  EXPECT_EQ(n, 42);
  EXPECT_FALSE(ParseInt("4x", n));
}

TEST(Files, AtomicWriteReplacesWholeAndLeavesNoTemporaries) {
  test::TempHome home;
  auto target = home / "doc.bin";
  WriteFileAtomic(target, std::string_view("first version"));
  WriteFileAtomic(target, std::string_view("second"));
  EXPECT_EQ(test::ReadFile(target), "second");
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(home.path()))
    if (e.is_regular_file()) ++files;
  EXPECT_EQ(files, 1);
  EXPECT_THROW(WriteFileAtomic(home / "missing-folder/doc.bin", std::string_view("x")), UserError);
  EXPECT_THROW(ReadFileBytes(home / "nothing-here"), UserError);
  EXPECT_THROW(ReadFileBytes(target, 3), UserError);
}

// A file written in pieces is all or nothing: a writer dropped before Commit (an error on
// the way) leaves the old target and no temporary file; a file-size limit stands in for a
// full disk in the middle of the pieces.
TEST(Files, PiecewiseAtomicWriteIsAllOrNothing) {
  test::TempHome home;
  auto target = home / "doc.bin";
  WriteFileAtomic(target, std::string_view("old"));
  auto onlyTarget = [&] {
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(home.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
    EXPECT_EQ(test::ReadFile(target), "old");
  };
  {
    AtomicFileWriter w(target);
    w.Write(std::string_view("header.."));
    w.Write(std::string_view("body"));
    EXPECT_TRUE(std::filesystem::exists(w.temporaryPath()));
  }
  onlyTarget();
  {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    AtomicFileWriter w(target);
    const std::string piece(48 * 1024, 'x');
    w.Write(piece);
    try {
      w.Write(piece);
      ADD_FAILURE() << "a write past the limit went through";
    } catch (const UserError& e) {
      EXPECT_EQ(e.title(), "Cannot save file");
      EXPECT_NE(e.text().find("Cannot write " + target.string()), std::string::npos) << e.text();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_THROW(w.Commit(), UserError);
  }
  onlyTarget();
  {
    AtomicFileWriter w(target);
    w.Write(std::string_view("........body"));
    w.WriteAt(0, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>("HEAD"), 4));
    EXPECT_THROW(w.WriteAt(10, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>("HEAD"), 4)),
                 UserError);  // past the end: a fault of the caller, and the file is dropped
  }
  onlyTarget();
  AtomicFileWriter w(target);
  w.Write(std::string_view("........body"));
  w.WriteAt(2, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>("HEAD"), 4));
  w.Commit();
  EXPECT_EQ(test::ReadFile(target), "..HEAD..body");
  EXPECT_TRUE(w.temporaryPath().empty());
  EXPECT_THROW(AtomicFileWriter(home / "missing-folder/doc.bin"), UserError);
}

TEST(Files, UserFoldersFollowTheXdgVariables) {
  test::TempHome home;
  EXPECT_EQ(DataFolder(), home / "data" / "Kipo Software" / "Kipo");
  EXPECT_EQ(BackupsFolder(), home / "documents" / "Kipo Software" / "Backups");
  EXPECT_EQ(ConfigFolder(), home / "config" / "Kipo");
  EXPECT_TRUE(EnsureFolder(DataFolder()));
  EXPECT_TRUE(std::filesystem::is_directory(DataFolder()));
}

TEST(Log, LinesAndTheStartUpSizeRule) {
  test::TempHome home;
  EnsureFolder(DataFolder());
  LogActivity("AppPath created");
  LogError("Save trace");
  std::string line = test::ReadFile(DataFolder() / "kipo.log");
  // "YYYY-MM-DD HH:MM:SS" + three spaces + the message.
  ASSERT_EQ(line.size(), 19u + 3 + 15 + 1);
  EXPECT_EQ(line.substr(10, 1), " ");
  EXPECT_EQ(line.substr(19), "   AppPath created\n");
  EXPECT_NE(test::ReadFile(DataFolder() / "error.log").find("   Save trace"), std::string::npos);

  test::WriteFile(DataFolder() / "kipo.log", std::string(10000, 'x'));
  EXPECT_FALSE(TrimActivityLog());
  test::WriteFile(DataFolder() / "kipo.log", std::string(10001, 'x'));
  EXPECT_TRUE(TrimActivityLog());
  EXPECT_FALSE(std::filesystem::exists(DataFolder() / "kipo.log"));
  // A log folder that cannot be written to is ignored.
  std::filesystem::remove_all(DataFolder());
  EXPECT_NO_THROW(LogActivity("nowhere"));
}

}  // namespace
}  // namespace kipo
