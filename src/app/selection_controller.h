#pragma once
// Commands on a selection: italics, bold, underline and colour on the selected characters
// of the text box, and delete, offset and italics on the subtitles selected in the list.
// Each command is one undo step.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/workstation.h"
#include "core/markup.h"

namespace kipo {

enum class StyleToggle { Italic, Bold, Underline };

// A text after a markup change, with the selection that now covers the same characters
// (code points of the CR LF text).
struct StyledText {
  std::string text;
  std::size_t start = 0;
  std::size_t end = 0;
  bool operator==(const StyledText&) const = default;
};

// Switches a style on for the characters in [start, end) (code points), or off when every
// visible character there has it already. Only markers of that style inside the selection
// are removed and at most one marker is added at each end, so the rest of the text keeps
// its bytes. An empty selection stands for the whole text.
StyledText ToggleStyle(std::string_view text, std::size_t start, std::size_t end, StyleToggle style,
                       const BoldMarkers& bold);
// Gives the characters in [start, end) a colour (Colour::Default takes their colour away);
// the text after the selection keeps the colour it had.
StyledText SetColour(std::string_view text, std::size_t start, std::size_t end, Colour colour,
                     const BoldMarkers& bold);

class SelectionController {
 public:
  explicit SelectionController(Workstation& ws) : ws_(ws) {}

  // On the current subtitle's text as typed; returns the new selection. Throws UserError
  // for bold while "Enable bold text" is off.
  StyledText Toggle(StyleToggle style, std::size_t start, std::size_t end);
  StyledText Colourise(Colour colour, std::size_t start, std::size_t end);

  // On subtitles chosen in the list (indices, any order, repeats ignored).
  // Deletes them; the subtitle after the first deleted one becomes current.
  void DeleteSubtitles(std::vector<std::size_t> indices);
  // Moves both set cues of each by `frames` (negative: earlier, held at 00:00:00:00).
  // Returns the number of cues moved.
  int OffsetSubtitles(std::vector<std::size_t> indices, Timecode frames);
  // Makes each wholly italic, or takes the italics away when all of them are already.
  void ToggleItalics(std::vector<std::size_t> indices);

 private:
  std::vector<std::size_t> Valid(std::vector<std::size_t> indices) const;
  void RecordSpan(const char* action, const std::vector<std::size_t>& sorted);

  Workstation& ws_;
};

}  // namespace kipo
