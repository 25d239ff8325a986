#include "formats/broadcast/stl_layout.h"

#include "platform/encoding.h"
#include "platform/text_util.h"

namespace kipo {
namespace {

constexpr StlGsiField kFields[] = {
    {"CPN", 0, 3, &StlGsi::cpn},     {"DFC", 3, 8, &StlGsi::dfc},     {"DSC", 11, 1, &StlGsi::dsc},
    {"CCT", 12, 2, &StlGsi::cct},    {"LC", 14, 2, &StlGsi::lc},      {"OPT", 16, 32, &StlGsi::opt},
    {"OET", 48, 32, &StlGsi::oet},   {"TPT", 80, 32, &StlGsi::tpt},   {"TET", 112, 32, &StlGsi::tet},
    {"TN", 144, 32, &StlGsi::tn},    {"TCD", 176, 32, &StlGsi::tcd},  {"SLR", 208, 16, &StlGsi::slr},
    {"CD", 224, 6, &StlGsi::cd},     {"RD", 230, 6, &StlGsi::rd},     {"RN", 236, 2, &StlGsi::rn},
    {"TNB", 238, 5, &StlGsi::tnb},   {"TNS", 243, 5, &StlGsi::tns},   {"TNG", 248, 3, &StlGsi::tng},
    {"MNC", 251, 2, &StlGsi::mnc},   {"MNR", 253, 2, &StlGsi::mnr},   {"TCS", 255, 1, &StlGsi::tcs},
    {"TCP", 256, 8, &StlGsi::tcp},   {"TCF", 264, 8, &StlGsi::tcf},   {"TND", 272, 1, &StlGsi::tnd},
    {"DSN", 273, 1, &StlGsi::dsn},   {"CO", 274, 3, &StlGsi::co},     {"PUB", 277, 32, &StlGsi::pub},
    {"EN", 309, 32, &StlGsi::en},    {"ECD", 341, 32, &StlGsi::ecd},  {"Spare", 373, 75, &StlGsi::spare},
    {"UDA", 448, 576, &StlGsi::uda},
};

void ReadTimecode(ByteReader& r, std::array<std::uint8_t, 4>& tc) {
  for (auto& b : tc) b = r.u8();
}

}  // namespace

std::span<const StlGsiField> StlGsiFields() { return kFields; }

const StlGsiField* FindStlGsiField(std::string_view name) {
  for (const StlGsiField& f : kFields)
    if (name == f.name) return &f;
  return nullptr;
}

std::string StlGsiCodePage(std::string_view cpn) {
  std::string n = Trim(cpn);
  if (n == "437" || n == "850" || n == "860" || n == "863" || n == "865") return "ibm-" + n;
  return "ibm-850";
}

StlGsi ParseStlGsi(std::span<const std::uint8_t> block) {
  ByteReader r(block);
  StlGsi g;
  // The code page number itself is plain digits; every other field is read in its code page.
  g.cpn = r.raw(3);
  std::string codePage = StlGsiCodePage(g.cpn);
  for (const StlGsiField& f : kFields) {
    if (f.member == &StlGsi::cpn) continue;
    r.seek(f.offset);
    g.*f.member = CodePageToUtf8(r.bytes(f.width), codePage);
  }
  return g;
}

Bytes BuildStlGsi(const StlGsi& gsi, std::vector<char32_t>* unmappable) {
  ByteWriter w(kStlGsiSize);
  for (const StlGsiField& f : kFields) {
    std::string bytes = Utf8ToCodePage(gsi.*f.member, "ibm-850", unmappable);
    w.field(bytes, f.width);
  }
  return w.take();
}

StlTti ParseStlTti(std::span<const std::uint8_t> block) {
  ByteReader r(block);
  StlTti t;
  t.sgn = r.u8();
  t.sn = r.u16le();
  t.ebn = r.u8();
  t.cs = r.u8();
  ReadTimecode(r, t.tci);
  ReadTimecode(r, t.tco);
  t.vp = r.u8();
  t.jc = r.u8();
  t.cf = r.u8();
  auto tf = r.bytes(kStlTextSize);
  std::copy(tf.begin(), tf.end(), t.tf.begin());
  return t;
}

void AppendStlTti(const StlTti& t, ByteWriter& w) {
  w.u8(t.sgn);
  w.u16le(t.sn);
  w.u8(t.ebn);
  w.u8(t.cs);
  w.bytes(t.tci);
  w.bytes(t.tco);
  w.u8(t.vp);
  w.u8(t.jc);
  w.u8(t.cf);
  w.bytes(t.tf);
}

StlBlocks SplitStlFile(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kStlGsiSize) throw ReadError("EBU file shorter than its header");
  StlBlocks f;
  f.gsi = ParseStlGsi(bytes.first(kStlGsiSize));
  std::size_t count = (bytes.size() - kStlGsiSize) / kStlTtiSize;
  f.trailingBytes = (bytes.size() - kStlGsiSize) % kStlTtiSize;
  f.blocks.reserve(count);
  for (std::size_t k = 0; k < count; ++k)
    f.blocks.push_back(ParseStlTti(bytes.subspan(kStlGsiSize + k * kStlTtiSize, kStlTtiSize)));
  return f;
}

}  // namespace kipo
