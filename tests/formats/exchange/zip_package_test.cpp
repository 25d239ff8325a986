// Zip packages as other tools write them: our reader takes the central directory and
// inflates stored and deflated parts itself, and leaves the rest (encrypted parts, other
// methods) to libzip. Archives made here byte by byte (data descriptors, comments, damaged
// parts) and, where Python is installed, by Python's zipfile with every method it has,
// written to a stream that cannot seek (so every part carries a data descriptor).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <zlib.h>

#include "formats/exchange/zip_package.h"
#include "platform/files.h"
#include "support/temp_home.h"

namespace kipo {
namespace {

std::uint32_t Crc32(std::string_view s) {
  std::uint32_t c = 0xFFFFFFFF;
  for (unsigned char b : s) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320 & (0 - (c & 1)));
  }
  return ~c;
}

// An archive of stored parts laid out by hand, the way a streaming writer lays them out.
struct HandPart {
  std::string name, data;
  std::uint16_t flags = 0, method = 0;
  bool descriptor = false;  // sizes and CRC after the data, zeros in the local header
  bool badCrc = false;
};
std::vector<std::uint8_t> HandArchive(const std::vector<HandPart>& parts, std::string_view comment = "") {
  std::vector<std::uint8_t> o, dir;
  auto put = [](std::vector<std::uint8_t>& v, std::uint64_t x, int n) {
    for (int k = 0; k < n; ++k) v.push_back(static_cast<std::uint8_t>(x >> (8 * k)));
  };
  for (const HandPart& p : parts) {
    const std::uint32_t crc = Crc32(p.data) ^ (p.badCrc ? 1u : 0u);
    const std::uint16_t flags = p.flags | (p.descriptor ? 8 : 0);
    const std::size_t offset = o.size();
    put(o, 0x04034b50, 4);
    put(o, 20, 2);
    put(o, flags, 2);
    put(o, p.method, 2);
    put(o, 0, 4);  // time and date
    put(o, p.descriptor ? 0 : crc, 4);
    put(o, p.descriptor ? 0 : p.data.size(), 4);
    put(o, p.descriptor ? 0 : p.data.size(), 4);
    put(o, p.name.size(), 2);
    put(o, 0, 2);
    o.insert(o.end(), p.name.begin(), p.name.end());
    o.insert(o.end(), p.data.begin(), p.data.end());
    if (p.descriptor) {
      put(o, 0x08074b50, 4);
      put(o, crc, 4);
      put(o, p.data.size(), 4);
      put(o, p.data.size(), 4);
    }
    put(dir, 0x02014b50, 4);
    put(dir, 20, 2);
    put(dir, 20, 2);
    put(dir, flags, 2);
    put(dir, p.method, 2);
    put(dir, 0, 4);
    put(dir, crc, 4);
    put(dir, p.data.size(), 4);
    put(dir, p.data.size(), 4);
    put(dir, p.name.size(), 2);
    put(dir, 0, 2);
    put(dir, 0, 2);
    put(dir, 0, 2);
    put(dir, 0, 2);
    put(dir, 0, 4);
    put(dir, offset, 4);
    dir.insert(dir.end(), p.name.begin(), p.name.end());
  }
  const std::size_t dirOffset = o.size();
  o.insert(o.end(), dir.begin(), dir.end());
  put(o, 0x06054b50, 4);
  put(o, 0, 4);
  put(o, parts.size(), 2);
  put(o, parts.size(), 2);
  put(o, dir.size(), 4);
  put(o, dirOffset, 4);
  put(o, comment.size(), 2);
  o.insert(o.end(), comment.begin(), comment.end());
  return o;
}

TEST(ZipPackage, ArchivesOfOtherWritersReadPartByPart) {
  const std::string xml = "<?xml version=\"1.0\"?>\r\n<p:sld>" + std::string(300, 'x') + "</p:sld>";
  struct Case {
    const char* what;
    std::vector<std::uint8_t> archive;
    std::map<std::string, std::optional<std::string>> parts;  // nullopt: refused
  };
  const std::vector<Case> cases = {
      {"stored parts with data descriptors, an archive comment holding a signature",
       HandArchive({{"[Content_Types].xml", "<Types/>", 0, 0, true}, {"ppt/slides/slide1.xml", xml, 0, 0, true}},
                   "PK\x05\x06 made by a streaming tool"),
       {{"[Content_Types].xml", "<Types/>"}, {"ppt/slides/slide1.xml", xml}}},
      {"an empty part and a folder entry",
       HandArchive({{"ppt/", ""}, {"empty.xml", ""}, {"a.xml", "a"}}),
       {{"empty.xml", ""}, {"a.xml", "a"}, {"missing.xml", std::nullopt}}},
      // libzip, which read every package before, does not check the CRC of a part read to
      // its size: such a part still reads as it did.
      {"a part whose CRC does not match its bytes beside a sound one",
       HandArchive({{"bad.xml", xml, 0, 0, false, true}, {"good.xml", xml}}), {{"bad.xml", xml}, {"good.xml", xml}}},
      {"an encrypted part (no password is given) beside a plain one",
       HandArchive({{"secret.xml", xml, 1}, {"plain.xml", "p"}}), {{"secret.xml", std::nullopt}, {"plain.xml", "p"}}},
      {"a part of a method neither reader knows",
       HandArchive({{"odd.xml", xml, 0, 77}, {"plain.xml", "p"}}), {{"odd.xml", std::nullopt}, {"plain.xml", "p"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::unique_ptr<ZipReader> z = ZipReader::Open(c.archive);
    ASSERT_TRUE(z);
    for (const auto& [name, want] : c.parts) {
      SCOPED_TRACE(name);
      EXPECT_EQ(z->Read(name, 1 << 20), want);
    }
  }
  // Larger than the caller takes, cut short, or no archive at all.
  const std::vector<std::uint8_t> two = HandArchive({{"a.xml", xml}, {"b.xml", "b"}});
  EXPECT_EQ(ZipReader::Open(two)->Read("a.xml", 100), std::nullopt);
  EXPECT_EQ(ZipReader::Open(two)->Read("b.xml", 100), "b");
  for (std::size_t cut : {std::size_t{0}, std::size_t{10}, two.size() / 2, two.size() - 1}) {
    SCOPED_TRACE(cut);
    const std::vector<std::uint8_t> part(two.begin(), two.begin() + static_cast<std::ptrdiff_t>(cut));
    if (const std::unique_ptr<ZipReader> z = ZipReader::Open(part)) {
      const std::optional<std::string> b = z->Read("b.xml", 100);
      EXPECT_TRUE(!b || *b == "b");
    }
  }
  // A directory whose entry points past the end of the file.
  std::vector<std::uint8_t> wild = two;
  wild[two.size() - 22 - (46 + 5) + 45] = 0x7F;  // the last entry's offset, its high byte
  if (const std::unique_ptr<ZipReader> z = ZipReader::Open(wild)) {
    EXPECT_EQ(z->Read("b.xml", 100), std::nullopt);
  }
}

// Parts are looked for after the last one found before the table: whatever the order of
// asking (the directory's, backwards, skipping, the same twice, a name missing between),
// each name gives its own part, the first of a name written twice its.
TEST(ZipPackage, PartsFoundInAnyOrder) {
  std::vector<HandPart> parts;
  for (int i = 0; i < 40; ++i) parts.push_back({"p" + std::to_string(i) + ".xml", "part " + std::to_string(i)});
  parts.insert(parts.begin() + 5, {"p20.xml", "first of two"});
  const std::vector<std::uint8_t> archive = HandArchive(parts);
  auto want = [](int i) { return i == 20 ? std::string("first of two") : "part " + std::to_string(i); };
  std::vector<std::vector<int>> orders(4);
  for (int i = 0; i < 40; ++i) {
    orders[0].push_back(i);
    orders[1].push_back(39 - i);
    orders[2].push_back((i * 7) % 40);
    orders[3].insert(orders[3].end(), {i, i, -1});
  }
  for (std::size_t o = 0; o < orders.size(); ++o) {
    const std::unique_ptr<ZipReader> z = ZipReader::Open(archive);
    ASSERT_TRUE(z);
    std::string scratch;
    for (int i : orders[o]) {
      if (i < 0) {
        EXPECT_EQ(z->Read("p40.xml", 100), std::nullopt) << o;
        continue;
      }
      const std::string name = "p" + std::to_string(i) + ".xml";
      EXPECT_EQ(z->Read(name, 100), want(i)) << o << " " << name;
      EXPECT_EQ(z->View(name, 100, scratch), want(i)) << o << " " << name;
    }
  }
}

TEST(ZipPackage, OurArchivesReadBack) {
  std::vector<std::pair<std::string, std::string>> parts;
  std::string big;
  for (int i = 0; i < 5000; ++i) big += "<a:t>Row " + std::to_string(i) + "</a:t>";
  parts = {{"[Content_Types].xml", "<Types/>"}, {"big.xml", big}, {"same1.rels", "<R/>"}, {"same2.rels", "<R/>"},
           {"tiny", "x"}, {"empty", ""}};
  const auto bytes = ZipParts(parts);
  ASSERT_TRUE(bytes);
  const std::unique_ptr<ZipReader> z = ZipReader::Open(*bytes);
  ASSERT_TRUE(z);
  for (const auto& [name, data] : parts) EXPECT_EQ(z->Read(name, 1 << 20), data) << name;
}

// Parts put together from repeated texts and bytes of their own: every part inflated by
// zlib (one stream, ending where the part does) is the concatenation of its pieces, with
// the CRC the archive gives, and our reader reads it back. The pieces are chosen to take
// every way a text is written: deflated or as literals the first time, a reference back
// after, a reference out of reach (more than 32 KiB of own bytes between), a change of a
// text that starts and ends like one before, texts too short or too long to deflate,
// adjacent repeats, bytes above ASCII, empty parts and parts of no pieces. Parts asked to be
// stored are their pieces as they are, read where they lie in the archive.
TEST(ZipPackage, PiecedPartsInflateToTheirPieces) {
  PackagePieces package;
  std::string props = "<a:rPr lang=\"en-GB\" sz=\"4000\" b=\"0\" i=\"0\" dirty=\"0\"><a:solidFill><a:srgbClr val=\"FFFFFF\"/>"
                      "</a:solidFill><a:latin typeface=\"Arial\"/></a:rPr>";
  std::string italicProps = props;
  italicProps.replace(italicProps.find("i=\"0\""), 5, "i=\"1\"");
  std::string huge;
  for (int i = 0; i < 900; ++i) huge += "<a:t>" + std::to_string(i * 7919 % 1000) + "</a:t>";  // over 8 KiB
  const auto head = package.Repeated("<?xml version=\"1.0\"?>\r\n<p:sld xmlns:a=\"http://example.com/a\"><p:cSld name=\"");
  const auto run = package.Repeated("<a:r>" + props + "<a:t>");
  const auto italicRun = package.Repeated("<a:r>" + italicProps + "<a:t>");
  const auto runEnd = package.Repeated("</a:t></a:r>");
  const auto tiny = package.Repeated("/>");
  const auto empty = package.Repeated("");
  const auto big = package.Repeated(huge);
  const auto tail = package.Repeated("</p:cSld></p:sld>");
  auto own = [&](std::string_view bytes) { package.OwnBytes() += bytes; };
  const std::string far(40000, 'x');
  struct Part {
    const char* name;
    std::function<void()> pieces;
    bool stored = false;
  };
  const std::vector<Part> parts = {
      {"slide with two runs", [&] { package.Add(head); own("00:00:01:00 00:00:02:00"); package.Add(run); own("Caf\xC3\xA9 <&>");
                                    package.Add(runEnd); package.Add(italicRun); own("second"); package.Add(runEnd);
                                    package.Add(run); package.Add(runEnd); package.Add(tail); }},
      {"the same texts again, another part", [&] { package.Add(run); package.Add(run); package.Add(run); own("x"); package.Add(tiny);
                                                   package.Add(tiny); package.Add(empty); package.Add(tail); }},
      {"a text out of reach of its first place", [&] { package.Add(run); own(far); package.Add(run); package.Add(italicRun);
                                                       own(far); package.Add(italicRun); package.Add(runEnd); }},
      {"a text longer than zlib deflates in one block", [&] { package.Add(big); own("\xFF\xFE\x01"); package.Add(big); }},
      {"own bytes only, above ASCII", [&] { own("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xF0\x9F\x98\x80"); }},
      {"no pieces", [] {}},
      {"an empty text alone", [&] { package.Add(empty); }},
      {"stored: a slide", [&] { package.Add(head); own("00:00:03:00 00:00:04:00"); package.Add(italicRun); own("stored");
                                package.Add(runEnd); package.Add(tail); }, true},
      {"stored: texts out of reach, above ASCII", [&] { package.Add(run); own(far); package.Add(run); own("\xF0\x9F\x98\x80"); }, true},
      {"stored: no pieces", [] {}, true},
      {"deflated again after stored parts", [&] { package.Add(head); package.Add(run); package.Add(tail); }},
  };
  std::map<std::string, bool> stored;
  for (const Part& p : parts) {
    package.BeginPart(p.name, p.stored);
    p.pieces();
    stored[p.name] = p.stored;
  }
  package.AddWhole("whole.xml", std::string(3000, 'w'));
  package.Finish();
  const std::optional<std::vector<std::uint8_t>> zip = ZipPieces(package);
  ASSERT_TRUE(zip);
  const std::unique_ptr<ZipReader> reader = ZipReader::Open(*zip);
  ASSERT_TRUE(reader);
  // Each local header in turn: the part's stream inflated by zlib, its CRC and size.
  std::size_t at = 0;
  for (const PackagePieces::Part& part : package.Parts()) {
    const std::string name(package.Name(part));
    SCOPED_TRACE(name);
    const std::string want = package.Bytes(part);
    EXPECT_EQ(reader->Read(name, 1 << 20), want);
    auto get = [&](std::size_t from, int n) {
      std::uint32_t v = 0;
      for (int k = n - 1; k >= 0; --k) v = (v << 8) | (*zip)[from + k];
      return v;
    };
    ASSERT_EQ(get(at, 4), 0x04034b50u);
    const std::uint32_t method = get(at + 8, 2), crc = get(at + 14, 4), packed = get(at + 18, 4), size = get(at + 22, 4);
    const std::size_t data = at + 30 + get(at + 26, 2) + get(at + 28, 2);
    if (stored[name]) {
      EXPECT_EQ(method, 0u);
      std::string scratch;
      const std::optional<std::string_view> view = reader->View(name, 1 << 20, scratch);
      ASSERT_TRUE(view);
      EXPECT_EQ(*view, want);
      EXPECT_TRUE(want.empty() || view->data() == reinterpret_cast<const char*>(zip->data() + data)) << "not where it lies";
    } else if (want.size() > 100) {
      EXPECT_EQ(method, 8u);
    }
    EXPECT_EQ(size, want.size());
    EXPECT_EQ(crc, Crc32(want));
    std::string got(size, '\0');
    if (method == 0) {
      got.assign(reinterpret_cast<const char*>(zip->data() + data), packed);
    } else {
      z_stream z{};
      inflateInit2(&z, -15);
      z.next_in = const_cast<Bytef*>(zip->data() + data);
      z.avail_in = packed;
      z.next_out = reinterpret_cast<Bytef*>(got.data());
      z.avail_out = size;
      EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
      EXPECT_EQ(z.avail_in, 0u);
      inflateEnd(&z);
    }
    EXPECT_EQ(got, want);
    at = data + packed;
  }
}

TEST(ZipPackage, PythonArchivesOfEveryMethodRead) {
  if (std::system("python3 -c 'import zipfile' >/dev/null 2>&1") != 0) GTEST_SKIP() << "python3 is not installed";
  test::TempHome home;
  const std::string script = home / "make.py";
  // One archive per method; each written to a stream without seek, so each part has a
  // data descriptor, as streaming tools write them.
  std::ofstream(script) << R"py(
import sys, zipfile, io
class Stream(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def write(self, b): return self.f.write(b)
methods = {'stored': zipfile.ZIP_STORED, 'deflated': zipfile.ZIP_DEFLATED}
try:
    import bz2; methods['bzip2'] = zipfile.ZIP_BZIP2
except ImportError: pass
try:
    import lzma; methods['lzma'] = zipfile.ZIP_LZMA
except ImportError: pass
for name, method in methods.items():
    with open(sys.argv[1] + '/' + name + '.zip', 'wb') as f:
        with zipfile.ZipFile(Stream(f), 'w', compression=method) as z:
            z.comment = b'written by a script'
            z.writestr('ppt/slides/slide1.xml', '<p:sld>' + 'caf\u00e9 ' * 400 + '</p:sld>')
            z.writestr('ppt/empty.xml', '')
            z.writestr('docProps/app.xml', '<Properties/>')
print(' '.join(methods))
)py";
  ASSERT_EQ(std::system(("python3 '" + script + "' '" + home.path().string() + "' >/dev/null").c_str()), 0);
  std::string slide = "<p:sld>";
  for (int i = 0; i < 400; ++i) slide += "caf\xC3\xA9 ";
  slide += "</p:sld>";
  for (const char* method : {"stored", "deflated", "bzip2", "lzma"}) {
    const auto path = home / (std::string(method) + ".zip");
    if (!std::filesystem::exists(path)) continue;
    SCOPED_TRACE(method);
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    const std::unique_ptr<ZipReader> z = ZipReader::Open(bytes);
    ASSERT_TRUE(z);
    // Stored and deflated parts always read; the other methods as far as libzip was built
    // with them (never as wrong bytes).
    const bool must = std::string_view(method) == "stored" || std::string_view(method) == "deflated";
    const std::pair<const char*, std::string> parts[] = {
        {"ppt/slides/slide1.xml", slide}, {"ppt/empty.xml", ""}, {"docProps/app.xml", "<Properties/>"}};
    for (const auto& [name, want] : parts) {
      const std::optional<std::string> got = z->Read(name, 1 << 20);
      EXPECT_TRUE(got ? *got == want : !must) << name;
    }
  }
}

}  // namespace
}  // namespace kipo
