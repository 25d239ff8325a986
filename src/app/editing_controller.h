#pragma once
// The structural editing commands on the current subtitle (insert, delete, merge, split,
// shift text), the page keys and the clipboard commands on the edit area's text boxes.
#include <cstddef>

#include "app/session.h"
#include "platform/clipboard.h"

namespace kipo {

class EditingController {
 public:
  explicit EditingController(DocumentSession& session) : s_(session) {}

  // "AlignLeft", "AlignRight", "AlignCentre" or "AlignCentreLeft" for an alignment code.
  static const char* AlignmentButton(int alignment);

  // Each commits the edit area, records one undo step, changes the document, marks it
  // modified and refreshes.
  void Insert();
  void InsertAfter();
  void Delete();
  void MergeWithNext();
  void MergeWithPrevious();
  // Divides the current subtitle at a cursor position in the text box (code points).
  void Split(std::size_t cursor);
  // Moves every text from the current subtitle on one place down the list; cues stay.
  void ShiftText();
  // The italic mode of the text toolbar: italicises the current subtitle as a whole, or
  // takes its italics away ("Italics" step). New subtitles take the mode shown.
  void ToggleItalics();

  // Moving with the page keys: the edits of the subtitle left are recorded first, and the
  // history is kept when "Full undo" is on (otherwise it is emptied as for any move).
  void PageUp();
  void PageDown();

  // Clipboard commands on a text box of the edit area, for the selection [start,
  // start + length) in code points. Paste returns the cursor after the pasted text.
  enum class TextBox { Text, Comment };
  void Copy(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length) const;
  void Cut(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length);
  std::size_t Paste(Clipboard& clipboard, TextBox box, std::size_t start, std::size_t length);

 private:
  DocumentSession& s_;
};

}  // namespace kipo
