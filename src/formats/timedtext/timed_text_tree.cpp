#include "formats/timedtext/timed_text_tree.h"

#include "platform/xml_scan.h"

namespace kipo {

TtTreeBuilder::TtTreeBuilder(TtTree& t, std::size_t sizeHint) : t_(t) {
  // A subtitle file has a node for some 25 bytes of markup and text: room made once.
  t_.nodes_.reserve(sizeHint / 24 + 16);
  t_.attributes_.reserve(sizeHint / 40 + 16);
}

void TtTreeBuilder::Open(std::string_view name) {
  const auto index = Add(name, false);
  open_.push_back({index, TtNode::kNone});
  // A p, with or without a prefix.
  if (name.back() == 'p' && (name.size() == 1 || name[name.size() - 2] == ':')) {
    ++t_.paragraphs_;
    if (!inParagraph_) inParagraph_ = open_.size();
  }
}

void TtTreeBuilder::Attribute(std::string_view name, std::string_view value) {
  t_.attributes_.push_back({name, value});
  ++t_.nodes_[open_.back().index].attributeCount;
  ++attributes_;
}

void TtTreeBuilder::Attributes(std::span<const TtAttribute> attributes) {
  t_.attributes_.insert(t_.attributes_.end(), attributes.begin(), attributes.end());
  const auto count = static_cast<std::uint32_t>(attributes.size());
  t_.nodes_[open_.back().index].attributeCount = count;
  attributes_ += count;
}

void TtTreeBuilder::Close() {
  open_.pop_back();
  if (inParagraph_ > open_.size()) inParagraph_ = 0;
}

std::uint32_t TtTreeBuilder::Add(std::string_view value, bool text) {
  const std::uint32_t index = nodes_++;
  t_.nodes_.push_back({value, attributes_, 0, TtNode::kNone, TtNode::kNone, text});
  if (open_.empty()) {
    t_.root_ = index;
  } else {
    Frame& parent = open_.back();
    if (parent.last == TtNode::kNone) t_.nodes_[parent.index].firstChild = index;
    else t_.nodes_[parent.last].next = index;
    parent.last = index;
  }
  return index;
}

void TtTree::Clear() {
  nodes_.clear();
  attributes_.clear();
  decoded_.clear();
  root_ = TtNode::kNone;
  paragraphs_ = 0;
}

void TtTree::Release() {
  Clear();
  xml_.reset();
  // Tables of a file far larger than a subtitle file (over 64 MiB) are not kept.
  const std::size_t kept = nodes_.capacity() * sizeof(TtNode) + attributes_.capacity() * sizeof(TtAttribute) +
                           decoded_.capacity();
  if (kept > (std::size_t{64} << 20)) {
    std::vector<TtNode>().swap(nodes_);
    std::vector<TtAttribute>().swap(attributes_);
    std::string().swap(decoded_);
  }
}

std::string_view TtTree::Keep(std::string_view s, std::string_view document) {
  const char* const from = document.data();
  if (s.empty() || (s.data() >= from && s.data() + s.size() <= from + document.size())) return s;
  if (decoded_.capacity() < document.size()) decoded_.reserve(document.size());
  if (decoded_.size() + s.size() > decoded_.capacity()) return {};
  const std::size_t at = decoded_.size();
  decoded_.append(s);
  return std::string_view(decoded_).substr(at);
}

TtTreeScan::TtTreeScan(TtTree& tree, std::string_view document)
    : tree_((tree.Clear(), tree)), document_(document), builder_(tree, document.size()), scan_(document) {}

TtTreeScan::Stop TtTreeScan::Finish() {
  builder_.Close();  // the body
  return Build(false);
}

TtTreeScan::Stop TtTreeScan::Build(bool stopAtBody) {
  TtTreeBuilder& b = builder_;
  while (true) {
    switch (scan_.Next()) {
      case XmlScan::StartTag: {
        const std::string_view name = scan_.name();
        b.Open(name);
        if (!scan_.valuesDecoded()) {
          b.Attributes(scan_.attributes());
        } else {
          for (const XmlScan::Attribute& a : scan_.attributes()) {
            const std::string_view value = tree_.Keep(a.value, document_);
            if (value.size() != a.value.size()) return tree_.Clear(), NotPlain;
            b.Attribute(a.name, value);
          }
        }
        if (stopAtBody && b.depth() == 2 && XmlLocalName(name) == "body") return AtBody;
        continue;
      }
      case XmlScan::EndTag: b.Close(); continue;
      case XmlScan::Text:
        if (!b.WantsText()) continue;
        if (!scan_.textDecoded()) {
          b.Text(scan_.rawText());
        } else {
          const std::string_view decoded = scan_.text(), text = tree_.Keep(decoded, document_);
          if (text.size() != decoded.size()) return tree_.Clear(), NotPlain;
          b.Text(text);
        }
        continue;
      case XmlScan::End: return Done;
      case XmlScan::NotPlain: tree_.Clear(); return NotPlain;
    }
  }
}

bool TtTree::Scan(std::string_view document) { return TtTreeScan(*this, document).Build(false) == TtTreeScan::Done; }

pugi::xml_parse_result TtTree::Parse(std::span<const std::uint8_t> bytes) {
  Clear();
  pugi::xml_parse_result parsed = xml_.load_buffer(bytes.data(), bytes.size(),
                                                   pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_auto);
  const pugi::xml_node root = xml_.document_element();
  if (!parsed || !root) return parsed;
  // The library's tree in document order, without recursion (a file may nest deeply).
  TtTreeBuilder b(*this, bytes.size());
  std::vector<pugi::xml_node> next;  // per open element: its child to visit next
  auto open = [&](const pugi::xml_node& e) {
    b.Open(e.name());
    for (pugi::xml_attribute a = e.first_attribute(); a; a = a.next_attribute()) b.Attribute(a.name(), a.value());
    next.push_back(e.first_child());
  };
  open(root);
  while (!next.empty()) {
    const pugi::xml_node c = next.back();
    if (!c) {
      next.pop_back();
      b.Close();
      continue;
    }
    next.back() = c.next_sibling();
    const pugi::xml_node_type type = c.type();
    if (type == pugi::node_element) open(c);
    else if ((type == pugi::node_pcdata || type == pugi::node_cdata) && b.WantsText()) b.Text(c.value());
  }
  return parsed;
}

}  // namespace kipo
