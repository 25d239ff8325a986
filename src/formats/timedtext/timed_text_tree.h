#pragma once
// What the Timed Text reader reads of a document: its elements with their attributes, and
// the text inside paragraphs (the only text a subtitle takes), in document order. A plain
// document is read into it by the XML scan, where it lies; any other by the XML library,
// whose tree it then points into. One reader walks it either way, so the two cannot read a
// file differently as long as they build the same elements.
#include <pugixml.hpp>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/xml_scan.h"

namespace kipo {

// An attribute: its qualified name and decoded value.
using TtAttribute = XmlScan::Attribute;

struct TtNode {
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;
  std::string_view value;  // an element's qualified name, or the text
  std::uint32_t firstAttribute = 0, attributeCount = 0;
  std::uint32_t firstChild = kNone, next = kNone;
  bool text = false;
};

class TtTree {
 public:
  TtTree() = default;
  TtTree(const TtTree&) = delete;
  TtTree& operator=(const TtTree&) = delete;

  // Reads a plain document by the scan; false (and the tree left empty) for any other.
  // Either read replaces what the tree held.
  bool Scan(std::string_view document);
  // Reads any document through the XML library: its result, whose description names what
  // is wrong with a broken file.
  pugi::xml_parse_result Parse(std::span<const std::uint8_t> bytes);

  std::uint32_t root() const { return root_; }
  const TtNode& operator[](std::uint32_t i) const { return nodes_[i]; }
  std::span<const TtAttribute> Attributes(const TtNode& n) const {
    return std::span<const TtAttribute>(attributes_).subspan(n.firstAttribute, n.attributeCount);
  }
  // for (std::uint32_t c : tree.Children(n))
  struct ChildRange {
    const TtTree* tree;
    std::uint32_t first;
    struct Iterator {
      const TtTree* tree;
      std::uint32_t at;
      std::uint32_t operator*() const { return at; }
      Iterator& operator++() { return at = tree->nodes_[at].next, *this; }
      bool operator!=(const Iterator& o) const { return at != o.at; }
    };
    Iterator begin() const { return {tree, first}; }
    Iterator end() const { return {tree, TtNode::kNone}; }
  };
  ChildRange Children(const TtNode& n) const { return {this, n.firstChild}; }
  std::size_t size() const { return nodes_.size(); }
  // How many p elements the document holds (room for the subtitles is made from it).
  std::size_t paragraphs() const { return paragraphs_; }

  // Forgets the document, keeping the room of its tables for the next (up to a bound):
  // a tree read again and again reuses memory the system has already given it.
  void Release();

  // A text or value of `document` the scan decoded into its own buffer, copied where it
  // stays as long as the tree holds the document; a view into the document as it is.
  // Empty when the copy would not fit (it always does: decoding only shortens).
  std::string_view Keep(std::string_view s, std::string_view document);

 private:
  friend class TtTreeBuilder;
  friend class TtTreeScan;
  void Clear();
  std::vector<TtNode> nodes_;
  std::vector<TtAttribute> attributes_;
  std::uint32_t root_ = TtNode::kNone;
  std::size_t paragraphs_ = 0;
  std::string decoded_;    // text and values the scan decoded (reserved once: views stay put)
  pugi::xml_document xml_;  // the library's tree, when it read the file
};

// Adds elements and text to a tree in document order: each new node becomes the last child
// of the element open last. Text is kept inside paragraphs only.
class TtTreeBuilder {
 public:
  TtTreeBuilder(TtTree& t, std::size_t sizeHint);
  void Open(std::string_view name);
  void Attribute(std::string_view name, std::string_view value);
  void Attributes(std::span<const TtAttribute> attributes);
  void Close();
  bool WantsText() const { return inParagraph_ != 0; }
  void Text(std::string_view text) { Add(text, true); }
  std::size_t depth() const { return open_.size(); }

 private:
  std::uint32_t Add(std::string_view value, bool text);
  struct Frame {
    std::uint32_t index, last;
  };
  TtTree& t_;
  std::vector<Frame> open_;
  std::size_t inParagraph_ = 0;  // how many elements were open when the outermost p opened
  std::uint32_t nodes_ = 0, attributes_ = 0;  // the sizes of the tree's tables
};

// A plain document read by the scan into the tree with the content of the root's body
// left to the caller, who reads it from the scan where it lies:
//
//   TtTreeScan s(tree, text);
//   if (s.Build(true) == TtTreeScan::AtBody) {
//     ... the tree holds the root, what came before the body and the body without content;
//     ... read the body's content from s.scan() up to and including the body's end tag
//     if (s.Finish() == TtTreeScan::Done) ... the rest of the document is in the tree too
//   }
class TtTreeScan {
 public:
  enum Stop { AtBody, Done, NotPlain };
  TtTreeScan(TtTree& tree, std::string_view document);
  // Builds the tree to the end of the document (Done), or when `stopAtBody`, as far as the
  // start tag of a body that is a child of the root (AtBody) if there is one.
  Stop Build(bool stopAtBody);
  // After the body's end tag: builds the rest of the document.
  Stop Finish();
  XmlScan& scan() { return scan_; }
  std::string_view document() const { return document_; }

 private:
  TtTree& tree_;
  std::string_view document_;
  TtTreeBuilder builder_;
  XmlScan scan_;
};

}  // namespace kipo
