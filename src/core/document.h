#pragma once
// The one in-memory model of a subtitle file: an ordered list of subtitles and the
// document-level values. A subtitle's number is its index + 1. Every change sets
// `modified` and is announced to the listeners (the list view and the undo history follow
// without polling).
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/cue.h"
#include "core/timecode.h"
#include "platform/signal.h"

namespace kipo {

inline constexpr std::size_t kMaxSubtitles = 32767;
inline constexpr std::size_t kMaxRows = 11;
inline constexpr const char* kNoFlags = "00000000000";
inline constexpr std::int32_t kDefaultLanguageId = 2057;

enum Alignment : int { AlignCentre = 1, AlignLeft = 2, AlignRight = 3, AlignCentreLeft = 4 };

enum BoxStyle : int {
  BoxNone = 128,
  BoxUnboxedOutline = 129,
  BoxBoxedOutline = 130,
  BoxGhostBoxedOutline = 131,
  BoxStripeOutline = 132,
  BoxGhostStripeOutline = 133,
};
// "None", "Unboxed outline", ... for styles 128-133; "" otherwise.
const char* BoxStyleName(int style);

struct Subtitle {
  std::string text;         // rows separated by CR LF, with in-text markup
  Cue inCue;
  Cue outCue;
  int alignment = AlignCentre;
  std::int32_t row = 0;     // screen row of the lowest line, 0 = bottom
  bool italic = false;      // whole-subtitle italics
  int boxStyle = BoxNone;
  std::int16_t shiftX = 0;  // fine position offsets in steps (digital cinema)
  std::int16_t shiftY = 0;
  std::string rowAlignments = kNoFlags;  // one digit per row; 0 follows `alignment`
  std::string rowColours = kNoFlags;     // one digit per row: 0 default, 1-7 teletext colours
  std::string comment;
  std::int32_t karaokeRole = 0;  // 0 none, -1 stanza, 1-50 place within a stanza
  Timecode karaokeIn = 0;        // the stanza's former cues (frames)
  Timecode karaokeOut = 0;

  bool operator==(const Subtitle&) const = default;
};

// Takes subtitles one at a time from a reader's pass: a document collects them, a
// streamed conversion writes each one out and forgets it.
using SubtitleSink = std::function<void(Subtitle&&)>;

// What changed, for listeners.
struct DocumentChange {
  enum Kind { Inserted, Removed, Changed, Reset, FrameRateChanged, ValuesChanged } kind;
  std::size_t first = 0;  // index of the first subtitle concerned
  std::size_t count = 0;
};

class SubtitleDocument {
 public:
  using Listener = std::function<void(const DocumentChange&)>;

  SubtitleDocument() = default;
  // A new, empty document with the new-project choices.
  SubtitleDocument(int frameRateCode, std::int32_t languageId, std::int16_t characterSet);

  // Copies carry the contents, never the listeners.
  SubtitleDocument(const SubtitleDocument& o);
  SubtitleDocument& operator=(const SubtitleDocument& o);
  SubtitleDocument(SubtitleDocument&&) = default;
  SubtitleDocument& operator=(SubtitleDocument&& o);

  // --- subtitles
  std::size_t Count() const { return subtitles_.size(); }
  const Subtitle& At(std::size_t index) const { return subtitles_.at(index); }
  const std::vector<Subtitle>& Subtitles() const { return subtitles_; }
  // Throws UserError when the document already holds 32767 subtitles.
  void Insert(std::size_t index, Subtitle s);
  void Append(Subtitle s) { Insert(subtitles_.size(), std::move(s)); }
  void Remove(std::size_t index);
  void RemoveRange(std::size_t first, std::size_t count);
  void Clear();
  // Replaces a whole subtitle record (undo, bulk operations).
  void Replace(std::size_t index, Subtitle s);
  // Replaces every subtitle at once (readers, undo of bulk operations).
  void ReplaceAll(std::vector<Subtitle> subtitles);

  // --- field setters; each sets `modified`
  void SetText(std::size_t i, std::string text);
  void SetInCue(std::size_t i, Cue cue);
  void SetOutCue(std::size_t i, Cue cue);
  // Also resets shiftX to 0 and rowAlignments to "00000000000".
  void SetAlignment(std::size_t i, int alignment);
  // Also resets shiftY to 0.
  void SetRow(std::size_t i, std::int32_t row);
  void SetItalic(std::size_t i, bool italic);
  void SetBoxStyle(std::size_t i, int style);  // ignored outside 128-133
  void SetShift(std::size_t i, std::int16_t x, std::int16_t y);
  void SetRowAlignments(std::size_t i, std::string flags);
  void SetRowColours(std::size_t i, std::string flags);
  void SetComment(std::size_t i, std::string comment);
  void SetKaraoke(std::size_t i, std::int32_t role, Timecode in, Timecode out);

  // Rows of the text (CR LF separated).
  std::size_t RowCount(std::size_t i) const;
  // Up adds 1 to `row` up to (maxRows - RowCount); down subtracts 1 down to 0.
  // `maxRowsSetting` is the "Rows" house setting (values below 1 mean 11).
  // Returns false when the row was already at its limit.
  bool MoveRow(std::size_t i, bool up, int maxRowsSetting);
  // 1 decrements shiftX, 2 increments it, 3 decrements shiftY, 4 increments it.
  void Nudge(std::size_t i, int direction);
  // Turns per-row colours into colour codes at the start of each coloured row and clears
  // the flags. Returns true when anything was converted ("Flags converted").
  bool ConvertRowColours(std::size_t i);

  // --- document values
  const FrameRate& frameRate() const { return frameRate_; }
  // Applies a choice code (codes not in the table keep the rate but still notify);
  // returns the integer rate.
  int SetFrameRate(int code);
  // Temporarily replaces the rate (exporters needing exact 23.976); not a user change.
  void OverrideFrameRate(const FrameRate& r) { frameRate_ = r; }

  std::int16_t characterSet() const { return characterSet_; }
  void SetCharacterSet(std::int16_t cs);
  std::int32_t languageId() const { return languageId_; }
  void SetLanguageId(std::int32_t id);
  const std::string& notes() const { return notes_; }
  void SetNotes(std::string notes);
  std::int16_t currentNumber() const { return currentNumber_; }
  void SetCurrentNumber(std::int16_t n) { currentNumber_ = n; }  // navigation, not a change

  // Header information that some formats carry (EBU STL GSI fields, 890 header, ...),
  // kept with the document so that it is written back. Keys are "<FORMAT>.<Field>".
  const std::map<std::string, std::string>& properties() const { return properties_; }
  std::string Property(const std::string& key, const std::string& def = "") const;
  void SetProperty(const std::string& key, std::string value);
  void ClearProperties() { properties_.clear(); }

  // File identity and state.
  std::string filePath;
  std::string fileType;  // last three characters of the path, upper case ("KPO", "STL")
  bool modified = false;
  bool saved = false;
  // Sets filePath and fileType together.
  void SetFile(const std::string& path);

  // Listeners hear every change until the returned connection is destroyed.
  [[nodiscard]] Connection Subscribe(Listener l) { return changed_.Connect(std::move(l)); }
  // Marks modified and announces a change made by code that edits through Replace.
  void Touch(std::size_t first, std::size_t count) { Changed(first, count); }

 private:
  Subtitle& Mut(std::size_t i);
  void Changed(std::size_t first, std::size_t count = 1);
  void Notify(const DocumentChange& c);

  std::vector<Subtitle> subtitles_;
  FrameRate frameRate_ = *FrameRate::FromCode(25);
  std::int16_t characterSet_ = 0;
  std::int32_t languageId_ = kDefaultLanguageId;
  std::string notes_;
  std::int16_t currentNumber_ = 1;
  std::map<std::string, std::string> properties_;
  Signal<const DocumentChange&> changed_;
};

}  // namespace kipo
