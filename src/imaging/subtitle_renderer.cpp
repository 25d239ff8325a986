#include "imaging/subtitle_renderer.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/rich_text.h"
#include "imaging/text_layout.h"
#include "platform/encoding.h"

namespace kipo {

namespace {

// A stretch of one row drawn in one font.
struct Piece {
  std::string text;
  bool italic = false, bold = false, underline = false;
  std::string family;  // empty: the style's family
};
using PieceRow = std::vector<Piece>;

struct ParsedText {
  std::vector<PieceRow> rows;
  bool illegalChevrons = false;
  bool visible = false;
};

// Brace tags inside the text: "{/bold}" switches bold on and off, "{/font=Name}" changes
// the font until the next "{/font=...}" ("{/font=}" goes back to the chosen font). Other
// braces are drawn as they stand.
void SplitBraceTags(std::string_view text, Piece base, bool& braceBold, std::string& braceFont, PieceRow& out) {
  std::string cur;
  auto flush = [&] {
    if (cur.empty()) return;
    Piece p = base;
    p.text = std::move(cur);
    p.bold = p.bold || braceBold;
    if (!braceFont.empty()) p.family = braceFont;
    out.push_back(std::move(p));
    cur.clear();
  };
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '{') {
      std::size_t close = text.find('}', i);
      if (close != std::string_view::npos) {
        std::string_view tag = text.substr(i + 1, close - i - 1);
        if (tag == "/bold") {
          flush();
          braceBold = !braceBold;
          i = close + 1;
          continue;
        }
        if (tag.starts_with("/font=")) {
          flush();
          braceFont = std::string(tag.substr(6));
          i = close + 1;
          continue;
        }
      }
    }
    cur += text[i++];
  }
  flush();
}

ParsedText ParseSubtitleText(std::string_view text, const RenderStyle& style, bool wholeItalic) {
  ParsedText out;
  bool italic = false;
  ScanMarkup(text, MarkerView(style.boldMarkers), [&](Mark m, std::string_view) {
    if (m == Mark::ItalicOn) {
      if (italic) out.illegalChevrons = true;
      italic = true;
    } else if (m == Mark::ItalicOff) {
      if (!italic) out.illegalChevrons = true;
      italic = false;
    }
  });
  if (italic) out.illegalChevrons = true;

  RichText rich = RichText::Parse(text, style.boldMarkers);
  bool braceBold = false;
  std::string braceFont;
  for (const RichRow& row : rich.rows) {
    PieceRow pr;
    for (const Run& run : row) {
      if (run.mark != Mark::None || run.text.empty()) continue;
      Piece base;
      base.italic = run.style.italic || wholeItalic || style.italic;
      base.bold = run.style.bold || style.bold;
      base.underline = run.style.underline;
      std::string t = run.text;
      if (!IsValidUtf8(t)) t = Utf32ToUtf8(Utf8ToUtf32(t));
      SplitBraceTags(t, base, braceBold, braceFont, pr);
    }
    for (const Piece& p : pr)
      if (p.text.find_first_not_of(" \t\r\n") != std::string::npos) out.visible = true;
    out.rows.push_back(std::move(pr));
  }
  return out;
}

struct LayoutDeleter {
  void operator()(PangoLayout* l) const { g_object_unref(l); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutDeleter>;

struct Mask {
  int x = 0, y = 0, w = 0, h = 0;  // the frame area it covers
  std::vector<std::uint8_t> a;
  std::uint8_t at(int fx, int fy) const {
    int lx = fx - x, ly = fy - y;
    if (lx < 0 || ly < 0 || lx >= w || ly >= h) return 0;
    return a[static_cast<std::size_t>(ly) * w + lx];
  }
};

// Box blur of a mask, `r` pixels each way, horizontal then vertical.
void BoxBlur(Mask& m, int r) {
  if (r <= 0 || m.w == 0) return;
  std::vector<std::uint8_t> tmp(m.a.size());
  const int n = 2 * r + 1;
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      int sum = 0;
      for (int k = -r; k <= r; ++k) {
        int xx = std::clamp(x + k, 0, m.w - 1);
        sum += m.a[static_cast<std::size_t>(y) * m.w + xx];
      }
      tmp[static_cast<std::size_t>(y) * m.w + x] = static_cast<std::uint8_t>(sum / n);
    }
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      int sum = 0;
      for (int k = -r; k <= r; ++k) {
        int yy = std::clamp(y + k, 0, m.h - 1);
        sum += tmp[static_cast<std::size_t>(yy) * m.w + x];
      }
      m.a[static_cast<std::size_t>(y) * m.w + x] = static_cast<std::uint8_t>(sum / n);
    }
}

// The border: every pixel within `k` pixels of the letters (a round pen of radius k around
// the outlines). A running maximum over rows for each half-width of the disc, then the
// maximum over the disc's rows; the letters' own soft edges carry over to the border's.
Mask Dilate(const Mask& m, int k) {
  if (k <= 0 || m.w == 0) return m;
  const std::size_t n = m.a.size();
  std::vector<std::vector<std::uint8_t>> h(static_cast<std::size_t>(k) + 1);
  h[0] = m.a;
  for (int w = 1; w <= k; ++w) {
    h[w].resize(n);
    const auto& prev = h[w - 1];
    for (int y = 0; y < m.h; ++y) {
      const std::uint8_t* p = &prev[static_cast<std::size_t>(y) * m.w];
      std::uint8_t* o = &h[w][static_cast<std::size_t>(y) * m.w];
      for (int x = 0; x < m.w; ++x) {
        std::uint8_t v = p[x];
        if (x > 0) v = std::max(v, p[x - 1]);
        if (x + 1 < m.w) v = std::max(v, p[x + 1]);
        o[x] = v;
      }
    }
  }
  Mask out = m;
  for (int dy = -k; dy <= k; ++dy) {
    int w = 0;
    while (w < k && (w + 1) * (w + 1) + dy * dy <= k * k + k) ++w;
    const auto& src = h[w];
    for (int y = std::max(0, -dy); y < m.h && y + dy < m.h; ++y) {
      const std::uint8_t* p = &src[static_cast<std::size_t>(y + dy) * m.w];
      std::uint8_t* o = &out.a[static_cast<std::size_t>(y) * m.w];
      for (int x = 0; x < m.w; ++x) o[x] = std::max(o[x], p[x]);
    }
  }
  return out;
}

std::uint8_t Over(std::uint8_t dst, std::uint8_t src, std::uint8_t a) {
  return static_cast<std::uint8_t>((src * a + dst * (255 - a) + 127) / 255);
}

}  // namespace

struct SubtitleRenderer::Impl {
  TextLayoutContext ctx;
  int ascent = 0, descent = 0;  // pixels, of the chosen font

  explicit Impl(const RenderStyle& s) : ctx(s.fontFiles) {
    PangoFontDescription* desc = BaseFont(s);
    PangoFontMetrics* m = pango_context_get_metrics(ctx.context(), desc, nullptr);
    ascent = static_cast<int>(std::lround(pango_font_metrics_get_ascent(m) / double(PANGO_SCALE)));
    descent = static_cast<int>(std::lround(pango_font_metrics_get_descent(m) / double(PANGO_SCALE)));
    pango_font_metrics_unref(m);
    pango_font_description_free(desc);
  }

  static PangoFontDescription* BaseFont(const RenderStyle& s) {
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, s.fontFamily.c_str());
    pango_font_description_set_absolute_size(desc, std::max(1.0, s.fontSize) * PANGO_SCALE);
    return desc;
  }

  LayoutPtr MakeRow(const PieceRow& row, const RenderStyle& s) const {
    LayoutPtr layout(pango_layout_new(ctx.context()));
    PangoFontDescription* desc = BaseFont(s);
    pango_layout_set_font_description(layout.get(), desc);
    pango_font_description_free(desc);
    std::string text;
    PangoAttrList* attrs = pango_attr_list_new();
    for (const Piece& p : row) {
      auto start = static_cast<guint>(text.size());
      text += p.text;
      auto end = static_cast<guint>(text.size());
      auto add = [&](PangoAttribute* a) {
        a->start_index = start;
        a->end_index = end;
        pango_attr_list_insert(attrs, a);
      };
      if (p.bold) add(pango_attr_weight_new(PANGO_WEIGHT_BOLD));
      if (p.italic) add(pango_attr_style_new(PANGO_STYLE_ITALIC));
      if (p.underline) add(pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
      if (!p.family.empty()) add(pango_attr_family_new(p.family.c_str()));
    }
    if (!s.language.empty()) pango_attr_list_insert(attrs, pango_attr_language_new(pango_language_from_string(s.language.c_str())));
    if (s.kerning != 0) {
      PangoAttribute* a = pango_attr_letter_spacing_new(s.kerning * PANGO_SCALE);
      pango_attr_list_insert(attrs, a);
    }
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
    pango_layout_set_attributes(layout.get(), attrs);
    pango_attr_list_unref(attrs);
    return layout;
  }
};

SubtitleRenderer::Impl* SubtitleRenderer::NewImpl(const RenderStyle& style) { return new Impl(style); }
void SubtitleRenderer::DeleteImpl(Impl* impl) { delete impl; }

double SubtitleRenderer::RowWidth(std::string_view row) const {
  ParsedText p = ParseSubtitleText(row, style_, false);
  double widest = 0;
  for (const PieceRow& r : p.rows) {
    LayoutPtr l = impl_->MakeRow(r, style_);
    PangoRectangle logical;
    pango_layout_get_extents(l.get(), nullptr, &logical);
    widest = std::max(widest, logical.width / double(PANGO_SCALE));
  }
  return style_.anamorphic ? widest * 0.75 : widest;
}

RenderResult SubtitleRenderer::RenderText(std::string_view text) const {
  Subtitle s;
  s.text = std::string(text);
  return Render(s, 0);
}

RenderResult SubtitleRenderer::Render(const Subtitle& sub, int number) const {
  const RenderStyle& st = style_;
  const RenderLayout& lay = layout_;
  RenderResult out;
  ParsedText parsed = ParseSubtitleText(sub.text, st, sub.italic);
  if (parsed.illegalChevrons) out.messages.push_back({false, "Illegal chevrons in subtitle " + std::to_string(number)});
  const int W = lay.width, H = lay.height;
  // The picture covers the frame, or with cropToInk only the part the drawing touches
  // (its top left corner at ox, oy of the frame).
  int ox = 0, oy = 0;
  auto allocate = [&](int x, int y, int w, int h) {
    ox = x, oy = y;
    out.picture = DibSection(w, h, st.colourPlane);
    if (st.background.a != 0 && st.colourPlane) {
      auto& px = out.picture.rgba();
      for (std::size_t i = 0; i < px.size(); i += 4)
        px[i] = st.background.r, px[i + 1] = st.background.g, px[i + 2] = st.background.b, px[i + 3] = st.background.a;
    }
  };
  if (!parsed.visible) {
    if (lay.cropToInk) allocate(0, 0, 1, 1);
    else allocate(0, 0, W, H);
    out.empty = true;
    return out;
  }

  // Lay the rows out on the baseline grid.
  const int n = static_cast<int>(parsed.rows.size());
  const int step = impl_->ascent + impl_->descent + st.leading;
  int row = std::max(0, sub.row);
  if (n == 1 && lay.singleLineRow > 0) row = lay.singleLineRow - 1;
  double bottomBase = lay.baseline - static_cast<double>(row) * step;
  double topOfBlock = bottomBase - (n - 1) * step - impl_->ascent;
  if ((lay.rowOneToCeiling && row >= lay.topRow) || topOfBlock < lay.ceiling) bottomBase += lay.ceiling - topOfBlock;

  const double sx = st.anamorphic ? 0.75 : 1.0;
  const double centreX = W / 2.0 + lay.centre;
  const double room = W - lay.leftMargin - lay.rightMargin;
  struct Placed {
    LayoutPtr layout;
    double x, y;  // where the layout's origin goes (before the anamorphic squeeze)
    PangoRectangle ink, logical;
  };
  std::vector<Placed> placed;
  double widest = 0;
  std::vector<LayoutPtr> layouts;
  std::vector<PangoRectangle> inks(n), logicals(n);
  for (int i = 0; i < n; ++i) {
    layouts.push_back(impl_->MakeRow(parsed.rows[i], st));
    pango_layout_get_pixel_extents(layouts.back().get(), &inks[i], &logicals[i]);
    widest = std::max(widest, static_cast<double>(logicals[i].width));
  }
  if (widest * sx > room) out.exceedsMargins = true;
  for (int i = 0; i < n; ++i) {
    int align = sub.alignment;
    if (i < static_cast<int>(sub.rowAlignments.size()) && sub.rowAlignments[i] >= '1' && sub.rowAlignments[i] <= '4')
      align = sub.rowAlignments[i] - '0';
    const double w = logicals[i].width * sx;
    double left;  // of the row's logical box, in frame pixels
    switch (align) {
      case AlignLeft: left = lay.leftMargin; break;
      case AlignRight: left = W - lay.rightMargin - w; break;
      case AlignCentreLeft: left = centreX - widest * sx / 2; break;
      default: left = centreX - w / 2; break;
    }
    const double baseY = bottomBase - (n - 1 - i) * step;
    const double originX = std::round(left) / sx - logicals[i].x;  // in squeezed space
    const double originY = std::round(baseY) - pango_layout_get_baseline(layouts[i].get()) / double(PANGO_SCALE);
    placed.push_back({std::move(layouts[i]), originX, originY, inks[i], logicals[i]});
  }
  if (out.exceedsMargins)
    out.messages.push_back({true, "Severe error: subtitle " + std::to_string(number) + " exceeds margins"});

  // The frame area the drawing can touch.
  const int blur = st.antialias == AntiAlias::Blur1 ? 1 : st.antialias == AntiAlias::Blur2 ? 2 : st.antialias == AntiAlias::Blur3 ? 3 : 0;
  const int grow = st.border + blur + 2 + (st.dropShadow ? std::max(std::abs(st.shadowX), std::abs(st.shadowY)) : 0);
  double bx0 = 1e9, by0 = 1e9, bx1 = -1e9, by1 = -1e9;
  for (const Placed& p : placed) {
    bx0 = std::min(bx0, (p.x + std::min(p.ink.x, p.logical.x)) * sx);
    bx1 = std::max(bx1, (p.x + std::max(p.ink.x + p.ink.width, p.logical.x + p.logical.width)) * sx);
    by0 = std::min(by0, p.y + std::min(p.ink.y, p.logical.y));
    by1 = std::max(by1, p.y + std::max(p.ink.y + p.ink.height, p.logical.y + p.logical.height));
  }
  Mask area;
  area.x = std::clamp(static_cast<int>(std::floor(bx0)) - grow, 0, W);
  area.y = std::clamp(static_cast<int>(std::floor(by0)) - grow, 0, H);
  area.w = std::clamp(static_cast<int>(std::ceil(bx1)) + grow, 0, W) - area.x;
  area.h = std::clamp(static_cast<int>(std::ceil(by1)) + grow, 0, H) - area.y;
  if (lay.cropToInk) {
    const int x0 = std::max(0, area.x - lay.hpad), y0 = std::max(0, area.y - lay.pad);
    allocate(x0, y0, std::max(1, std::min(W, area.x + area.w + lay.hpad) - x0),
             std::max(1, std::min(H, area.y + area.h + lay.pad) - y0));
  } else {
    allocate(0, 0, W, H);
  }
  if (area.w <= 0 || area.h <= 0) return out;

  const bool subsampled = st.antialias == AntiAlias::Subsampled;
  const int ss = subsampled ? 4 : 1;
  const bool smooth = st.antialias != AntiAlias::None && st.antialias != AntiAlias::InnerBorder1 &&
                      st.antialias != AntiAlias::InnerBorder2 && !subsampled;
  // Draws the glyph outlines into an A8 mask: filled (text) or filled and stroked (border).
  auto draw = [&](double strokeWidth) {
    const int mw = area.w * ss, mh = area.h * ss;
    cairo_surface_t* surf = cairo_image_surface_create(CAIRO_FORMAT_A8, mw, mh);
    cairo_t* cr = cairo_create(surf);
    cairo_set_antialias(cr, smooth ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_scale(cr, ss, ss);
    cairo_translate(cr, -area.x, -area.y);
    cairo_scale(cr, sx, 1.0);
    for (const Placed& p : placed) {
      cairo_move_to(cr, p.x, p.y);
      pango_cairo_layout_path(cr, p.layout.get());
    }
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    if (strokeWidth > 0 && st.boxed) {
      cairo_fill(cr);  // the letters, then the boxes as a path of their own
      for (const Placed& p : placed)
        cairo_rectangle(cr, p.x + p.logical.x - strokeWidth / 2 / sx, p.y + p.logical.y,
                        p.logical.width + strokeWidth / sx, p.logical.height);
    } else if (strokeWidth > 0) {
      cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      cairo_identity_matrix(cr);
      cairo_scale(cr, ss, ss);
      cairo_set_line_width(cr, strokeWidth);
      cairo_stroke_preserve(cr);
    }
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surf);
    Mask m;
    m.x = area.x, m.y = area.y, m.w = area.w, m.h = area.h;
    m.a.assign(static_cast<std::size_t>(area.w) * area.h, 0);
    const unsigned char* data = cairo_image_surface_get_data(surf);
    const int stride = cairo_image_surface_get_stride(surf);
    if (ss == 1) {
      for (int y = 0; y < area.h; ++y) std::memcpy(&m.a[static_cast<std::size_t>(y) * area.w], data + y * stride, area.w);
    } else {
      for (int y = 0; y < area.h; ++y)
        for (int x = 0; x < area.w; ++x) {
          int sum = 0;
          for (int dy = 0; dy < ss; ++dy)
            for (int dx = 0; dx < ss; ++dx) sum += data[(y * ss + dy) * stride + x * ss + dx];
          m.a[static_cast<std::size_t>(y) * area.w + x] = static_cast<std::uint8_t>(sum / (ss * ss));
        }
    }
    cairo_surface_destroy(surf);
    return m;
  };
  Mask text = draw(0);
  Mask border = st.border <= 0 ? text : st.boxed ? draw(2.0 * st.border) : Dilate(text, st.border);
  if (blur > 0) {
    BoxBlur(text, blur);
    if (st.border > 0) BoxBlur(border, blur);
  }

  // Pixel classes, then colours.
  const int inner = st.antialias == AntiAlias::InnerBorder1 ? 1 : st.antialias == AntiAlias::InnerBorder2 ? 2 : 0;
  int low = 1, high = 160;  // partial text coverage in [low, high) is emphasis 2
  switch (st.antialias) {
    case AntiAlias::Smoothing1: low = 160 - 32; break;
    case AntiAlias::Smoothing2: low = 160 - 80; break;
    case AntiAlias::Smoothing3: low = 16; break;
    default: break;
  }
  auto isText = [&](int fx, int fy) { return text.at(fx, fy) >= 128; };
  auto& cls = out.picture.classes();
  auto& px = out.picture.rgba();
  const int alphaScale = std::clamp(st.opacity, 0, 100);
  int ix0 = W, iy0 = H, ix1 = -1, iy1 = -1;
  const Rgba colours[4] = {st.background, st.text, st.borderColour, st.antialiasColour};
  for (int y = area.y; y < area.y + area.h; ++y)
    for (int x = area.x; x < area.x + area.w; ++x) {
      const std::size_t li = static_cast<std::size_t>(y - area.y) * area.w + (x - area.x);
      const std::uint8_t t = text.a[li];
      std::uint8_t b = border.a[li];
      if (st.dropShadow) b = std::max(b, border.at(x - st.shadowX, y - st.shadowY));
      if (t == 0 && b == 0) continue;  // background, as the picture already is
      PixelClass c = PixelClass::Background;
      if (t >= high) c = PixelClass::Pattern;
      else if (t >= low && st.antialias != AntiAlias::None && inner == 0) c = PixelClass::Emphasis2;
      else if (t > 0 && st.antialias == AntiAlias::None) c = PixelClass::Pattern;
      else if (b >= 128) c = PixelClass::Emphasis1;
      else if (b > 0 && st.antialias == AntiAlias::None) c = PixelClass::Emphasis1;
      if (c == PixelClass::Pattern && inner > 0) {
        for (int d = 1; d <= inner && c == PixelClass::Pattern; ++d)
          if (!isText(x - d, y) || !isText(x + d, y) || !isText(x, y - d) || !isText(x, y + d)) c = PixelClass::Emphasis2;
      }
      if (c == PixelClass::Pattern && st.antialias == AntiAlias::AntiAliasedBevel && !isText(x - 1, y - 1))
        c = PixelClass::Emphasis2;
      const std::size_t i = static_cast<std::size_t>(y - oy) * out.picture.width() + (x - ox);
      cls[i] = static_cast<std::uint8_t>(c);
      if (c != PixelClass::Background) {
        ix0 = std::min(ix0, x), iy0 = std::min(iy0, y), ix1 = std::max(ix1, x), iy1 = std::max(iy1, y);
      }
      if (!st.colourPlane) continue;
      std::uint8_t* o = &px[i * 4];
      if (smooth && st.antialias != AntiAlias::AntiAliasedBevel) {
        // Full colour keeps the real coverage: border over the background, text over that.
        std::uint8_t r = o[0], g = o[1], bl = o[2], a = o[3];
        auto layer = [&](const Rgba& col, std::uint8_t cov) {
          cov = static_cast<std::uint8_t>(cov * col.a / 255);
          r = Over(r, col.r, cov), g = Over(g, col.g, cov), bl = Over(bl, col.b, cov);
          a = static_cast<std::uint8_t>(cov + a * (255 - cov) / 255);
        };
        if (a == 0) r = g = bl = 0;
        const bool wasClear = a == 0;
        layer(st.borderColour, b);
        layer(st.text, t);
        if (wasClear && a > 0) {
          // Straight alpha: undo the blend with the transparent black below.
          r = static_cast<std::uint8_t>(std::min(255, r * 255 / a));
          g = static_cast<std::uint8_t>(std::min(255, g * 255 / a));
          bl = static_cast<std::uint8_t>(std::min(255, bl * 255 / a));
        }
        o[0] = r, o[1] = g, o[2] = bl, o[3] = static_cast<std::uint8_t>(a * alphaScale / 100);
        if (a == 0) o[0] = st.background.r, o[1] = st.background.g, o[2] = st.background.b, o[3] = st.background.a;
      } else if (c != PixelClass::Background) {
        const Rgba& col = colours[static_cast<int>(c)];
        o[0] = col.r, o[1] = col.g, o[2] = col.b, o[3] = static_cast<std::uint8_t>(col.a * alphaScale / 100);
      }
    }
  if (ix1 >= 0) {
    out.ink = PixelRect{ix0 - lay.hpad, iy0 - lay.pad, ix1 - ix0 + 1 + 2 * lay.hpad, iy1 - iy0 + 1 + 2 * lay.pad};
    int x0 = std::max(0, out.ink.x), y0 = std::max(0, out.ink.y);
    int x1 = std::min(W, out.ink.x + out.ink.width), y1 = std::min(H, out.ink.y + out.ink.height);
    out.ink = PixelRect{x0, y0, x1 - x0, y1 - y0};
  }
  if (lay.cropToInk) {
    if (!out.ink.empty()) out.picture = out.picture.Crop({out.ink.x - ox, out.ink.y - oy, out.ink.width, out.ink.height});
  } else if (lay.fitToSubtitle && !out.ink.empty()) {
    out.picture = out.picture.Crop(out.ink);
    out.ink = PixelRect{0, 0, out.picture.width(), out.picture.height()};
  }
  return out;
}

}  // namespace kipo
