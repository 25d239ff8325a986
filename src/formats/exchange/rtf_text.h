#pragma once
// Rich Text Format as word processors write and read it, for the lists people print, edit
// and send back (spotting lists, translation templates): paragraphs of plain runs with
// italics, written with the characters outside ASCII as \uN escapes (so the file is 7-bit
// and opens in any code page), and read back to plain lines whatever the word processor
// added (font and colour tables, styles, \'hh bytes of the file's code page, fields).
#include <functional>
#include <string>
#include <string_view>

namespace kipo {

// Marks the reader puts around italic runs (control characters no subtitle text holds).
inline constexpr std::string_view kRtfItalicOn = "\x1E";
inline constexpr std::string_view kRtfItalicOff = "\x1F";

class RtfWriter {
 public:
  explicit RtfWriter(std::string_view fontName = "Arial", int halfPoints = 24);
  // One paragraph of UTF-8 text; "<i>" style switches come through Italic().
  void Text(std::string_view utf8);
  void Italic(bool on);
  void Bold(bool on);
  void Tab();
  void LineBreak();
  void EndParagraph();
  // Room for about `bytes` of the document.
  void Reserve(std::size_t bytes) { out_.reserve(bytes); }
  // The whole document (the writer is done with it).
  std::string Finish();

 private:
  std::string out_;
};

// The text of an RTF document: paragraphs and line breaks become line ends (CR LF), tabs
// stay tabs, italic runs are wrapped in kRtfItalicOn / kRtfItalicOff, everything that is
// not text (tables of fonts and colours, pictures, field instructions, hidden groups) is
// left out. `ansiCodePage` decodes \'hh bytes when the file names no code page of its own.
// Throws InvalidFileFormat when the bytes are not RTF.
std::string RtfToText(std::string_view rtf, std::string_view ansiCodePage = "windows-1252");

// The same text line by line, without building it whole: `line` gets each line as
// RtfToText's text splits into lines (a byte-order mark at the start taken off, no empty
// last line), in a buffer reused for the next; false from it stops the reading. Returns
// false, having stopped, when decoded text (a \'hh byte, a \u escape) holds a line end of
// its own, which would split a line where the document has none: read such a document
// through RtfToText. Throws InvalidFileFormat as RtfToText does.
bool ReadRtfLines(std::string_view rtf, std::string_view ansiCodePage,
                  const std::function<bool(std::string_view)>& line);

}  // namespace kipo
