#pragma once
// A pull reader of XML documents in the plain form programs write: elements with quoted
// attributes, text, comments and processing instructions, an XML declaration and a
// DOCTYPE without an internal subset, in UTF-8. It reads the document in place, checking
// as it goes that what it reads is well-formed, and hands out start tags (name and
// attributes as views), end tags and text, with the five predefined entities, character
// references and line ends decoded as an XML library decodes them.
//
// Anything outside that form (CDATA, entities other than the five, an internal DOCTYPE
// subset, another encoding, markup in the wrong place, a broken document) ends the scan
// with `NotPlain`: the caller then reads the document with a full XML library, which also
// says what is wrong with a broken one. A reader therefore never has to trust the scan
// with a document the library would read differently.
//
//   XmlScan scan(text);
//   for (XmlScan::Token t; (t = scan.Next()) != XmlScan::End;) {
//     if (t == XmlScan::NotPlain) return std::nullopt;
//     ...
//   }
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kipo {

// A text with no markup and no line end to change, its five predefined entities ("&amp;",
// "&lt;", ...) decoded and appended to `out`; false at any other '&' (a character
// reference among them), for a caller that leaves those to a fuller reader.
bool DecodeNamedReferences(std::string_view text, std::string& out);

class XmlScan {
 public:
  enum Token : std::uint8_t {
    StartTag,  // name(), attributes(), emptyElement()
    EndTag,    // name(); an empty element <x/> gives its end tag too, at once
    Text,      // text(): a run of character data inside the root element
    End,       // the root element closed and nothing but comments, PIs and space after it
    NotPlain,  // not a document of the plain form: read it otherwise
  };
  struct Attribute {
    std::string_view name, value;  // the value decoded (references, white space as spaces)
  };

  // The document's bytes, with or without a UTF-8 byte-order mark. The text must outlive
  // the scan; views handed out point into it or into the scan's own buffers.
  explicit XmlScan(std::string_view document);

  Token Next();

  // The qualified name ("tt:p") of a start or end tag.
  std::string_view name() const { return name_; }
  // A start tag's attributes in document order; valid until the next call of Next().
  std::span<const Attribute> attributes() const { return attributes_; }
  // True when the start tag was written <name .../>.
  bool emptyElement() const { return empty_; }
  // True when some value of the start tag was decoded: it lies in the scan's buffer, not
  // in the document.
  bool valuesDecoded() const { return valuesDecoded_; }
  // A text run, decoded: CR LF and lone CR as LF, references replaced. Valid until the
  // next call of Next(). Runs are split where comments or PIs stand between them.
  std::string_view text();
  // For a caller that keeps the run past the next token: the text as a view into the
  // document where it lies there (the run itself, or its part after a CR LF that starts
  // it), otherwise an empty view without data, and then DecodeText gives it.
  std::string_view TextInPlace() const;
  // The run decoded into `out`, whose contents it replaces.
  void DecodeText(std::string& out);
  // The same run as it stands in the document.
  std::string_view rawText() const { return raw_; }
  // True when the run is a CR LF and the spaces or tabs after it up to a tag (white space
  // alone); false says nothing.
  bool lineEndAndIndent() const { return lineEnd_; }
  // False when text() is rawText(); when true, text() may lie in the scan's own buffer.
  bool textDecoded() const { return !rawPlain_; }
  // Elements open after this token (a start tag's own element counted, an end tag's not).
  std::size_t depth() const { return open_.size(); }
  // Where the scan stands in the document; after NotPlain, about where it gave up.
  std::size_t offset() const { return static_cast<std::size_t>(p_ - begin_); }

 private:
  enum class Where : std::uint8_t { Prolog, Content, Epilog, Done, Failed };
  Token Fail();
  Token StartTagAt();
  Token EndTagAt();
  bool SkipComment();
  bool SkipPi();
  bool SkipDoctype();
  bool ReadDeclaration();
  void DecodeValues();

  const char* begin_;
  const char* p_;
  const char* end_;
  Where where_ = Where::Prolog;
  bool doctypeSeen_ = false;
  bool pendingEnd_ = false;
  bool empty_ = false;
  bool valuesDecoded_ = false;
  bool rawPlain_ = true;    // the text run needs no decoding
  bool decoded_ = false;    // text_ holds the run decoded
  bool lineEnd_ = false;    // the run is CR LF and spaces or tabs: decoded, it is the rest
  std::string_view name_, raw_;
  std::vector<Attribute> attributes_;
  std::vector<std::string_view> open_;
  std::string values_;      // decoded attribute values of the current tag
  std::string text_;        // the current text run decoded
};

// The local part of a qualified name: "tt:p" -> "p", "p" -> "p". Names are short: looked
// through in place.
inline std::string_view XmlLocalName(std::string_view qualified) {
  for (std::size_t i = 0; i < qualified.size(); ++i)
    if (qualified[i] == ':') return std::string_view(qualified.data() + i + 1, qualified.size() - i - 1);
  return qualified;
}

}  // namespace kipo
