#pragma once
// One subtitle's text to a picture: the in-text markup becomes runs of italic, bold and
// font changes, the rows are laid out with Pango on the frame's baseline grid, drawn with
// Cairo as text, border, shadow and anti-aliasing, and reduced to the four DVD pixel
// classes.
//
//   RenderStyle style;                 // font, colours, border, anti-alias
//   RenderLayout layout;               // frame size, baseline, ceiling, margins
//   SubtitleRenderer r(style, layout);  // one per thread
//   RenderResult out = r.Render(doc.Subtitles()[i], i + 1);
//   SavePicture("sub0001.png", out.picture.Crop(out.ink), PictureFormat::Png32, palette);
//
// A renderer owns its own Pango font map, so several renderers may work on different
// threads at once; one renderer is not shared between threads.
#include <memory>
#include <string>
#include <vector>

#include "core/document.h"
#include "core/markup.h"
#include "imaging/dib_section.h"

namespace kipo {

// The "Antialias type" list, in order.
enum class AntiAlias {
  None = 0,
  Smoothing1,
  Smoothing2,
  Smoothing3,
  InnerBorder1,
  InnerBorder2,
  AntiAliased,
  AntiAliasedBevel,
  Blur1,
  Blur2,
  Blur3,
  Subsampled,
};
const std::vector<std::string>& AntiAliasNames();

struct RenderStyle {
  std::string fontFamily = "Arial";
  // Font files used instead of the machine's fonts: when given, only these faces are
  // seen, so the pictures are the same on every machine (tests, reproducible exports).
  std::vector<std::string> fontFiles;
  double fontSize = 36;  // em size in pixels
  bool bold = false;     // the whole subtitle bold
  bool italic = false;   // the whole subtitle italic
  int kerning = 0;       // extra pixels between characters
  int leading = 2;       // extra pixels between rows
  int border = 1;        // border width in pixels, 1-8 (0 draws none)
  bool boxed = false;    // the border is a box behind each row instead of an outline
  bool dropShadow = false;
  int shadowX = 2, shadowY = 2;
  AntiAlias antialias = AntiAlias::None;
  bool anamorphic = false;  // squeeze horizontally to 3/4 for 16:9 on a 4:3 raster
  Rgba text{255, 255, 255, 255};
  Rgba borderColour{0, 0, 0, 255};
  Rgba background{0, 0, 0, 0};
  Rgba antialiasColour{128, 128, 128, 255};
  int opacity = 100;  // percent, applied to text, border and anti-alias of the colour planes
  BoldMarkers boldMarkers;
  // The text's language as a BCP 47 tag ("ja", "zh-tw", "he"): picks the language's glyph
  // forms and fonts where a script serves several languages. Empty: Pango's guess.
  std::string language;
  // False when only the pixel classes are wanted (8-bit DVD pictures): the colour plane is
  // then left transparent, which saves the compositing.
  bool colourPlane = true;
};

struct RenderLayout {
  int width = 720, height = 576;
  bool fitToSubtitle = false;  // each picture as large as its text (plus pads)
  // The picture is only the ink rectangle (`ink` still gives its place in the frame): the
  // high-definition targets, without drawing a whole frame for each subtitle.
  bool cropToInk = false;
  int baseline = 540;          // pixel row of the bottom row's base
  int ceiling = 50;            // pixel row of the top of the highest allowed row
  int leftMargin = 60, rightMargin = 60;
  int centre = 0;  // offset of the centre line from the middle of the frame
  int pad = 0;     // vertical space kept around the ink in the crop rectangle
  int hpad = 0;    // horizontal space kept around the ink
  bool rowOneToCeiling = false;  // a subtitle on the top screen row is placed at the ceiling
  int topRow = 11;               // the top screen row (rows count up from 0 at the baseline)
  int singleLineRow = 0;         // 0, or the row (1 = the baseline row) of every one-line subtitle
};

struct RenderMessage {
  bool severe = false;
  std::string text;
};

struct RenderResult {
  DibSection picture;   // the whole frame (or the fitted or cropped picture)
  PixelRect ink;        // where the drawn pixels are, widened by the pads
  bool empty = false;   // the subtitle has no visible text
  bool exceedsMargins = false;
  std::vector<RenderMessage> messages;  // "Illegal chevrons in subtitle 3", ...
};

class SubtitleRenderer {
 public:
  SubtitleRenderer(RenderStyle style, RenderLayout layout);
  ~SubtitleRenderer();
  SubtitleRenderer(const SubtitleRenderer&) = delete;
  SubtitleRenderer& operator=(const SubtitleRenderer&) = delete;

  // `number` is the subtitle's number, used in the messages.
  RenderResult Render(const Subtitle& s, int number) const;
  // Renders a piece of text (rows separated by CR LF, with markup) as a centred subtitle on
  // the bottom row: the preview text.
  RenderResult RenderText(std::string_view text) const;

  // Pixel width of one row of text (markup allowed) as it would be drawn.
  double RowWidth(std::string_view row) const;
  const RenderStyle& style() const { return style_; }
  const RenderLayout& layout() const { return layout_; }

  // The drawing state (Pango and Cairo objects) is created and freed in the picture plugin
  // (imaging_plugin.h), so the program holds it only by pointer.
  struct Impl;
  static Impl* NewImpl(const RenderStyle& style);
  static void DeleteImpl(Impl* impl);

 private:
  struct ImplDeleter {
    void operator()(Impl* impl) const { DeleteImpl(impl); }
  };
  RenderStyle style_;
  RenderLayout layout_;
  std::unique_ptr<Impl, ImplDeleter> impl_;
};

}  // namespace kipo
