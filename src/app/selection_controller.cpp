#include "app/selection_controller.h"

#include <algorithm>

#include "core/rich_text.h"
#include "platform/encoding.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

// Byte offset of a code-point position (clamped to the text).
std::size_t ByteOf(std::string_view text, std::size_t codePoints) {
  std::size_t b = 0;
  for (std::size_t n = 0; b < text.size(); ++b) {
    if ((static_cast<unsigned char>(text[b]) & 0xC0) == 0x80) continue;
    if (n++ == codePoints) return b;
  }
  return text.size();
}

// A position never falls inside a CR LF pair: the text box counts the row break as one.
std::size_t OffRowBreak(std::string_view text, std::size_t b) {
  return b > 0 && b < text.size() && text[b - 1] == '\r' && text[b] == '\n' ? b + 1 : b;
}

void Apply(TextStyle& st, Mark m, std::string_view piece) {
  switch (m) {
    case Mark::ItalicOn: st.italic = true; break;
    case Mark::ItalicOff: st.italic = false; break;
    case Mark::UnderlineOn: st.underline = true; break;
    case Mark::UnderlineOff: st.underline = false; break;
    case Mark::BoldOn: st.bold = true; break;
    case Mark::BoldOff: st.bold = false; break;
    case Mark::Colour: st.colour = static_cast<Colour>(piece[0]); break;
    default: break;
  }
}

TextStyle StyleAfter(std::string_view text, const BoldMarkers& bold) {
  TextStyle st;
  ScanMarkup(text, bold, [&](Mark m, std::string_view piece) { Apply(st, m, piece); });
  return st;
}

// The pieces of a text with the style in effect for each, starting from `st`.
template <class F>
void Styled(std::string_view text, TextStyle st, const BoldMarkers& bold, F&& f) {
  ScanMarkup(text, bold, [&](Mark m, std::string_view piece) {
    Apply(st, m, piece);
    f(m, piece, st);
  });
}

bool& Flag(TextStyle& st, StyleToggle s) {
  return s == StyleToggle::Italic ? st.italic : s == StyleToggle::Bold ? st.bold : st.underline;
}

bool IsMark(Mark m, StyleToggle s) {
  switch (s) {
    case StyleToggle::Italic: return m == Mark::ItalicOn || m == Mark::ItalicOff;
    case StyleToggle::Bold: return m == Mark::BoldOn || m == Mark::BoldOff;
    case StyleToggle::Underline: return m == Mark::UnderlineOn || m == Mark::UnderlineOff;
  }
  return false;
}

std::string Marker(StyleToggle s, bool on, const BoldMarkers& bold) {
  switch (s) {
    case StyleToggle::Italic: return std::string(1, on ? kItalicOn : kItalicOff);
    case StyleToggle::Bold: return on ? bold.start : bold.end;
    case StyleToggle::Underline: return std::string(1, on ? kUnderlineOn : kUnderlineOff);
  }
  return {};
}

std::string ColourCode(Colour c) { return std::string(1, static_cast<char>(c == Colour::Default ? Colour::White : c)); }

struct Parts {
  std::size_t b0, b1;  // byte range of the selection
  TextStyle before, after;
};

// Markers of the style being changed that touch the selection belong to it, also behind
// other markers: switching italics off "<two>" leaves "two", not "<>two<>", and in
// "<\x01[two]>" the italics markers go while the colour and underline stay.
template <class IsOurs>
void Widen(std::string_view text, const BoldMarkers& bold, std::size_t& b0, std::size_t& b1, IsOurs ours) {
  struct Piece {
    std::size_t start, end;
    bool ours;
  };
  std::vector<Piece> marks;
  ScanMarkup(text, bold, [&](Mark m, std::string_view piece) {
    if (m == Mark::None || m == Mark::RowBreak) return;
    const auto at = static_cast<std::size_t>(piece.data() - text.data());
    marks.push_back({at, at + piece.size(), ours(m)});
  });
  // Back from the start through markers that follow one another directly.
  std::size_t edge = b0, widened = b0;
  for (auto it = marks.rbegin(); it != marks.rend(); ++it) {
    if (it->start >= b0) continue;
    if (it->end != edge) break;
    edge = it->start;
    if (it->ours) widened = edge;
  }
  b0 = widened;
  edge = widened = b1;
  for (const Piece& p : marks) {
    if (p.start < b1) continue;
    if (p.start != edge) break;
    edge = p.end;
    if (p.ours) widened = edge;
  }
  b1 = widened;
}

template <class IsOurs>
Parts Split(std::string_view text, std::size_t start, std::size_t end, const BoldMarkers& bold, IsOurs ours) {
  if (start > end) std::swap(start, end);
  Parts p{};
  if (start == end) {
    p.b0 = 0;
    p.b1 = text.size();
  } else {
    p.b0 = OffRowBreak(text, ByteOf(text, start));
    p.b1 = OffRowBreak(text, ByteOf(text, end));
    Widen(text, bold, p.b0, p.b1, ours);
  }
  p.before = StyleAfter(text.substr(0, p.b0), bold);
  p.after = StyleAfter(text.substr(0, p.b1), bold);
  return p;
}

StyledText Assemble(std::string_view text, const Parts& p, const std::string& open, const std::string& middle,
                    const std::string& close) {
  StyledText out;
  out.text.reserve(text.size() + open.size() + close.size());
  out.text.append(text.substr(0, p.b0)).append(open).append(middle).append(close).append(text.substr(p.b1));
  // The selection keeps covering the characters: after the opening marker, before the closing one.
  out.start = CountCodePoints(text.substr(0, p.b0)) + CountCodePoints(open);
  out.end = out.start + CountCodePoints(middle);
  return out;
}

}  // namespace

StyledText ToggleStyle(std::string_view text, std::size_t start, std::size_t end, StyleToggle style,
                       const BoldMarkers& bold) {
  if (style == StyleToggle::Bold && !bold.enabled) return {std::string(text), start, end};
  const Parts p = Split(text, start, end, bold, [style](Mark m) { return IsMark(m, style); });
  const std::string_view sel = text.substr(p.b0, p.b1 - p.b0);
  bool all = true, any = false;
  std::string middle;
  TextStyle st = p.before;
  Styled(sel, p.before, bold, [&](Mark m, std::string_view piece, const TextStyle& now) {
    if (m == Mark::None) {
      any = true;
      st = now;
      all = all && Flag(st, style);
    }
    if (!IsMark(m, style)) middle.append(piece);
  });
  const bool on = !(all && any);
  TextStyle b = p.before, a = p.after;
  const std::string open = Flag(b, style) != on ? Marker(style, on, bold) : "";
  const std::string close = Flag(a, style) != on ? Marker(style, Flag(a, style), bold) : "";
  return Assemble(text, p, open, middle, close);
}

StyledText SetColour(std::string_view text, std::size_t start, std::size_t end, Colour colour,
                     const BoldMarkers& bold) {
  const Parts p = Split(text, start, end, bold, [](Mark m) { return m == Mark::Colour; });
  std::string middle;
  ScanMarkup(text.substr(p.b0, p.b1 - p.b0), bold, [&](Mark m, std::string_view piece) {
    if (m != Mark::Colour) middle.append(piece);
  });
  // Default and white look the same on screen: white is the colour code that ends a colour.
  auto same = [](Colour x, Colour y) {
    auto norm = [](Colour c) { return c == Colour::Default ? Colour::White : c; };
    return norm(x) == norm(y);
  };
  const std::string open = same(p.before.colour, colour) ? "" : ColourCode(colour);
  // Nothing follows the end of the text: a colour there would change nothing.
  const bool last = p.b1 == text.size();
  const std::string close = last || same(p.after.colour, colour) ? "" : ColourCode(p.after.colour);
  return Assemble(text, p, open, middle, close);
}

// --- on the current subtitle -----------------------------------------------------------

StyledText SelectionController::Toggle(StyleToggle style, std::size_t start, std::size_t end) {
  DocumentSession& s = ws_.session();
  const BoldMarkers bold = BoldMarkers::Load(ws_.settings());
  if (style == StyleToggle::Bold && !bold.enabled)
    throw UserError(kAppTitle, "Bold text is off. Turn on \"Enable bold text\" in the options to use bold.");
  if (!s.HasCurrent()) return {};
  StyledText r = ToggleStyle(s.edit().text, start, end, style, bold);
  if (r.text == s.edit().text) return r;
  s.CommitEditArea();
  s.Record("Subtitle");
  s.Record(kUndoNothing);
  ws_.doc().SetText(s.current(), r.text);
  s.EndCommand();
  return r;
}

StyledText SelectionController::Colourise(Colour colour, std::size_t start, std::size_t end) {
  DocumentSession& s = ws_.session();
  if (!s.HasCurrent()) return {};
  StyledText r = SetColour(s.edit().text, start, end, colour, BoldMarkers::Load(ws_.settings()));
  if (r.text == s.edit().text) return r;
  s.CommitEditArea();
  s.Record("Subtitle");
  s.Record(kUndoNothing);
  ws_.doc().SetText(s.current(), r.text);
  s.EndCommand();
  return r;
}

// --- on subtitles of the list ----------------------------------------------------------

std::vector<std::size_t> SelectionController::Valid(std::vector<std::size_t> indices) const {
  std::erase_if(indices, [&](std::size_t i) { return i >= ws_.doc().Count(); });
  std::sort(indices.begin(), indices.end());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  return indices;
}

// One step holding the subtitles from the first chosen to the last: restoring that run
// puts back every subtitle it held, deleted ones included.
void SelectionController::RecordSpan(const char* action, const std::vector<std::size_t>& sorted) {
  DocumentSession& s = ws_.session();
  s.RecordRange(action, sorted.front(), sorted.back() - sorted.front() + 1);
  s.Record(kUndoNothing);
}

void SelectionController::DeleteSubtitles(std::vector<std::size_t> indices) {
  DocumentSession& s = ws_.session();
  s.CommitEditArea();
  indices = Valid(std::move(indices));
  if (indices.empty()) return;
  RecordSpan("MultipleSubtitleDelete", indices);
  for (auto it = indices.rbegin(); it != indices.rend(); ++it) ws_.doc().Remove(*it);
  const std::size_t n = ws_.doc().Count();
  s.SetCurrent(n == 0 ? 0 : std::min(indices.front(), n - 1));
  s.EndCommand();
}

int SelectionController::OffsetSubtitles(std::vector<std::size_t> indices, Timecode frames) {
  DocumentSession& s = ws_.session();
  s.CommitEditArea();
  indices = Valid(std::move(indices));
  if (indices.empty() || frames == 0) return 0;
  const FrameRate& rate = ws_.doc().frameRate();
  auto shift = [&](const Cue& c) {
    long f = static_cast<long>(c.ToFrames(rate)) + frames;
    return FramesToDigits(static_cast<Timecode>(std::max(0L, f)), rate);
  };
  // Worked out first: a cue pushed past 99:59:59 is refused before anything changes.
  struct Moved {
    std::size_t index;
    std::optional<CueDigits> in, out;
  };
  std::vector<Moved> moved;
  int cues = 0;
  for (std::size_t i : indices) {
    const Subtitle& sub = ws_.doc().At(i);
    Moved m{i, {}, {}};
    if (sub.inCue.IsSet()) m.in = shift(sub.inCue);
    if (sub.outCue.IsSet()) m.out = shift(sub.outCue);
    cues += (m.in ? 1 : 0) + (m.out ? 1 : 0);
    moved.push_back(std::move(m));
  }
  if (cues == 0) return 0;
  RecordSpan("MultipleCueOffset", indices);
  for (const Moved& m : moved) {
    if (m.in) ws_.doc().SetInCue(m.index, *m.in);
    if (m.out) ws_.doc().SetOutCue(m.index, *m.out);
  }
  s.EndCommand();
  return cues;
}

void SelectionController::ToggleItalics(std::vector<std::size_t> indices) {
  DocumentSession& s = ws_.session();
  s.CommitEditArea();
  indices = Valid(std::move(indices));
  if (indices.empty()) return;
  const SubtitleDocument& doc = ws_.doc();
  auto italic = [&](std::size_t i) { return doc.At(i).italic || IsWhollyItalic(doc.At(i).text); };
  const bool remove = std::all_of(indices.begin(), indices.end(), italic);
  RecordSpan("MultipleItalics", indices);
  for (std::size_t i : indices) {
    const std::string plain = StripItalics(doc.At(i).text);
    if (remove) {
      ws_.doc().SetItalic(i, false);
      ws_.doc().SetText(i, plain);
    } else if (!plain.empty()) {
      ws_.doc().SetText(i, kItalicOn + plain + kItalicOff);
    }
  }
  s.EndCommand();
}

}  // namespace kipo
