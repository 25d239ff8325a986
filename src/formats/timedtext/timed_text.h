#pragma once
// Timed Text (TTML) files: six writer dialects over one construction (declaration, root
// with namespaces and timing parameters, head with styles and regions, one paragraph per
// subtitle) and one reader for every TTML dialect that reaches a subtitler (TTML 1, the
// 2006 DFXP namespace, EBU-TT, EBU-TT-D, IMSC 1 text, Netflix and iTunes files).
// See docs/timed-text.md for the choices the dialects leave open.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"

namespace kipo {

// Flash: the DFXP subset web players of the Flash era read (one division, paragraphs with
// clock times in milliseconds, styles as attributes of the paragraph and of spans that do
// not nest, no regions).
enum class TimedTextDialect { W3C, Netflix, Generic, EbuTt, EbuTtD, ITunes, Flash };

// What the writers read from the settings (one struct for the six dialects; each reads
// the fields it uses).
struct TimedTextWriteOptions {
  // The appearance of the W3C, Netflix, Generic and EBU-TT dialects (and EBU-TT-D's font).
  std::string fontName = "Arial";
  int fontStyle = 0;      // 0 normal, otherwise bold
  int boxed = 0;          // 0 transparent background, otherwise black
  int fontSize = 12;      // written as (value + 8) px
  bool outline = false;
  int outlineSize = 2;
  // EBU-TT-D document metadata.
  std::string country = "GBR";
  int aspect = 0;  // 0 "4:3", 1 "16:9"
  std::string publisher;
  std::string editor;
  std::string copyright;
  // iTunes: every subtitle in the bottom region (see docs/timed-text.md).
  bool forceRegion = false;
  int maxCharsPerRow = 37;   // EBU-TT metadata
  std::string today;         // "yyyy-mm-dd"; empty: the current date
};

// The file as UTF-8 text with CR LF line ends, without the byte-order mark. What the
// dialect cannot carry is added to `warnings`.
std::string WriteTimedText(const SubtitleDocument& doc, TimedTextDialect dialect, const TimedTextWriteOptions& o,
                           std::vector<std::string>& warnings);

// The parameter values of the frame-rate attributes for a document rate.
struct TimedTextRateParameters {
  const char* frameRate;
  const char* multiplier;
  const char* dropMode;
};
TimedTextRateParameters RateParameters(const FrameRate& rate);

// The short language code of a Windows language identifier ("en", "fr", "zh"); "en"
// when the identifier is unknown.
std::string ShortLanguageCode(std::int32_t languageId);

// --- Reading --------------------------------------------------------------------------

// How the XML of a file is read: by the scan of plain documents where they lie, and by
// the XML library's tree for any other (Any); tests hold the two to the same result with
// the library alone, or the scan alone (which throws for a file outside its plain form).
enum class TimedTextParser { Any, Library, Scan };

// Reads a TTML document of any dialect. `defaultRateCode` is the frame rate of files
// that name none (0: 25 fps). Throws InvalidFileFormat with a one-line reason for files
// that are not TTML.
SubtitleDocument ReadTimedText(std::span<const std::uint8_t> bytes, int defaultRateCode,
                               std::vector<std::string>& warnings, TimedTextParser parser = TimedTextParser::Any);

// True when the bytes are an XML document whose root element is a TTML `tt` (any of the
// TTML namespaces): tells Timed Text apart from the other formats that use .xml.
bool LooksLikeTimedText(std::span<const std::uint8_t> bytes);

// The iTunes import of hand-made files that are not well-formed XML: the text is cut at
// each "p begin=" and the cues are read at their fixed places. Well-formed files go
// through ReadTimedText.
SubtitleDocument ReadITunesPieces(std::string_view text, const FrameRate& rate, std::vector<std::string>& warnings);

}  // namespace kipo
