// The XML scan against pugixml on any bytes: whatever the scan reads, the library must read
// the same way (the same elements, attributes and text, the copies of text a reader keeps
// alike), and a Timed Text file the scan reads must give the same document, warnings and
// refusals as when the library reads it (the scan's read takes the body token by token,
// the library's the tree); the content test runs on every input too. A difference aborts.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <pugixml.hpp>
#include <span>
#include <string>
#include <vector>

#include "formats/timedtext/timed_text.h"
#include "platform/user_error.h"
#include "platform/xml_scan.h"

namespace {

std::optional<std::vector<std::string>> ScanEvents(std::string_view doc) {
  std::vector<std::string> out;
  kipo::XmlScan scan(doc);
  while (true) {
    switch (scan.Next()) {
      case kipo::XmlScan::NotPlain: return std::nullopt;
      case kipo::XmlScan::End: return out;
      case kipo::XmlScan::StartTag: {
        std::string e = "<" + std::string(scan.name());
        for (const auto& a : scan.attributes()) e += " " + std::string(a.name) + "=[" + std::string(a.value) + "]";
        out.push_back(e);
        break;
      }
      case kipo::XmlScan::EndTag: out.push_back("</" + std::string(scan.name())); break;
      case kipo::XmlScan::Text: {
        // The text a reader keeps past the next token is the same text.
        std::string kept;
        std::string_view k = scan.TextInPlace();
        if (k.data() && (k.data() < doc.data() || k.data() + k.size() > doc.data() + doc.size())) std::abort();
        if (!k.data()) scan.DecodeText(kept), k = kept;
        if (k != scan.text()) std::abort();
        out.push_back("T" + std::string(scan.text()));
        break;
      }
    }
  }
}

void TreeEvents(const pugi::xml_node& n, std::vector<std::string>& out) {
  if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
    out.push_back("T" + std::string(n.value()));
    return;
  }
  if (n.type() != pugi::node_element) return;
  std::string e = "<" + std::string(n.name());
  for (const pugi::xml_attribute& a : n.attributes()) e += " " + std::string(a.name()) + "=[" + a.value() + "]";
  out.push_back(e);
  for (const pugi::xml_node& c : n.children()) TreeEvents(c, out);
  out.push_back("</" + std::string(n.name()));
}

struct Outcome {
  std::vector<kipo::Subtitle> subtitles;
  std::vector<std::string> warnings;
  std::string error;
  bool operator==(const Outcome&) const = default;
};

Outcome Read(std::span<const std::uint8_t> bytes, kipo::TimedTextParser parser) {
  Outcome o;
  try {
    const kipo::SubtitleDocument d = kipo::ReadTimedText(bytes, 25, o.warnings, parser);
    for (std::size_t i = 0; i < d.Count(); ++i) o.subtitles.push_back(d.At(i));
  } catch (const kipo::UserError& e) {
    o.error = e.what();
  }
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view doc(reinterpret_cast<const char*>(data), size);
  const bool timedText = kipo::LooksLikeTimedText(std::span<const std::uint8_t>(data, size));
  const auto scanned = ScanEvents(doc);
  if (!scanned) return 0;
  pugi::xml_document x;
  if (!x.load_buffer(data, size, pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_auto)) std::abort();
  std::vector<std::string> tree;
  TreeEvents(x.document_element(), tree);
  if (tree != *scanned) std::abort();
  // Only a file whose root is a tt is taken for Timed Text.
  if (timedText && std::string_view(x.document_element().name()).find("tt") == std::string_view::npos) std::abort();
  const std::span<const std::uint8_t> bytes(data, size);
  if (Read(bytes, kipo::TimedTextParser::Scan) != Read(bytes, kipo::TimedTextParser::Library)) std::abort();
  return 0;
}
