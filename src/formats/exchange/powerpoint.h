#pragma once
// PowerPoint presentations in the Office Open XML form (.pptx): one slide per subtitle,
// the text in one text box in the chosen font, weight, colour and alignment on a plain
// background, italics as the word processor's italic runs, and the subtitle's comment in a
// second box when asked for. Each slide's name holds its cues ("in out"), so that a
// presentation read back keeps them.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/document.h"

namespace kipo {

using Warnings = std::vector<std::string>;

// Alignments: 0 left / top, 1 centre / middle, 2 right / bottom. Colours are stored as
// Windows colour numbers (red in the low byte).
struct PowerPointOptions {
  std::string fontName = "Arial";
  int fontWeight = 400;          // 700 and above is bold
  long textColor = 0xFFFFFF;
  long backColor = 0x000000;
  int hAlign = 1;
  int vAlign = 2;
  int margin = 36;               // points between the slide's edge and the text
  bool baselineAlign = false;    // rows sit on a fixed baseline: the box does not shrink the text
  bool blankLine = false;        // an empty row between the text and the comment
  bool comments = false;
  int fontSizeComments = 18;     // points
  int hAlignComments = 1;
  int vAlignComments = 0;
};

std::vector<std::uint8_t> WritePowerPoint(const SubtitleDocument& doc, const PowerPointOptions& options,
                                          Warnings& warnings);
// Throws InvalidFileFormat when the bytes are not a presentation.
SubtitleDocument ReadPowerPoint(std::span<const std::uint8_t> bytes, const FrameRate& rate, Warnings& warnings);

// What a slide gives a subtitle: its name (the cues), the text of the first text box that
// has any, and the comment box's text.
struct SlideText {
  std::string name, text, comment;
};
// The readers of a slide's XML, tried in this order: a quick scan of the tags for slides in
// the plain form, the general XML scan, the XML library's tree. All read a slide the same.
enum class SlideReading { Quick, Scan, Tree, Failed };
// The slide read by the first reader from `from` on that takes it; which one read it, or
// Failed when the slide is not XML. `xml` may be a view into a package: nothing after it is
// read.
SlideReading ReadSlideXml(std::string_view xml, SlideText& out, SlideReading from = SlideReading::Quick);

// What a presentation's two lists give the reader: its slides as relationship ids, in
// order, and its relationships as id and target, in the order written. Views into the
// lists' text.
struct PresentationLists {
  std::vector<std::string_view> slides;
  std::vector<std::pair<std::string_view, std::string_view>> relationships;
};
// ppt/presentation.xml and its relationships read, by the XML scan where both are of the
// plain form it reads (`scan`), else by the XML library, which parses them in place; the
// two read the same. False when either is not XML or the first is not a presentation.
bool ReadPresentationLists(std::string& presXml, std::string& relsXml, PresentationLists& out, bool scan = true);

}  // namespace kipo
