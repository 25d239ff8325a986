#pragma once
// One subtitle format as one object: its id and names, the extensions it goes by, the rows
// it has in the lists of the program (Open/Save file types, the export catalogue, the
// import list, quick conversion and batch export), its reader and writer, the steps around
// a save from the main window, and its options bound to their settings keys.
//
// A format reads bytes into a fresh document and writes a document into bytes; neither
// touches files or the settings store. Options reach the reader or writer as a plain
// struct that the format's adapter loads from `FormatContext::settings` through its
// OptionTable.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"
#include "formats/exchange/catalogue.h"
#include "formats/exchange/text_encoding.h"
#include "platform/binary_io.h"
#include "platform/files.h"
#include "platform/prompter.h"
#include "settings/option_table.h"
#include "settings/settings_store.h"

namespace kipo {

using Warnings = std::vector<std::string>;

// What a reader or writer may use: questions go through the prompter, options come from
// the settings through the format's own table.
struct FormatContext {
  Prompter& prompter;
  const SettingsStore& settings;
  // Frame rate (choice code) for files that carry none, such as millisecond-timed text;
  // 0 means 25 fps.
  int frameRateCode = 0;
  // Text writers: the code page to write (0 ANSI, 65001 UTF-8, 1200 UTF-16); -1 means the
  // format's own default.
  int textCodePage = -1;
  // Set by a reader whose long-row question the user answered Yes: the edit area's new
  // width (characters), which the Workstation keeps as the maximum row length.
  std::optional<int> newEditAreaWidth = std::nullopt;
  // Text readers: the encoding the user chose on import (nullopt: detected) and the code
  // page that ANSI text is read in.
  std::optional<TextEncoding> textEncoding = std::nullopt;
  std::string ansiCodePage = "windows-1252";
};

struct ReadResult {
  SubtitleDocument document;
  Warnings warnings;
};

struct WriteResult {
  Bytes bytes;
  Warnings warnings;
};

// A file written while it is made, one subtitle at a time.
class SubtitleStreamWriter {
 public:
  virtual ~SubtitleStreamWriter() = default;
  virtual void Add(const Subtitle& s) = 0;
  // Writes what is left (an ending, totals in a header); the caller commits the file.
  // Returns what the file could not carry, as the format's writer names it.
  virtual Warnings Finish() = 0;
};

// Formats whose files are read and written one subtitle at a time, so that a conversion
// between two of them never holds a whole document: the same reader and writer as the
// document ones, with the document left out.
struct StreamHooks {
  // Reads the bytes: the document's own fields (frame rate, character set, header
  // properties) go into `header` before the first subtitle reaches the sink. The reader
  // may release `bytes` once it no longer needs them. Returns the reader's warnings.
  std::function<Warnings(Bytes& bytes, FormatContext&, SubtitleDocument& header, const SubtitleSink&)> read;
  // Starts a file for a document whose own fields are `header`.
  std::function<std::unique_ptr<SubtitleStreamWriter>(const SubtitleDocument& header, FormatContext&,
                                                      AtomicFileWriter& file)>
      write;
};

// The format's row among the main window's Open/Save file types.
struct FileTypeRow {
  std::string extension;     // upper case, no dot: "KPOX", "STL", "SRT"
  std::string name;          // as the file dialogs and kipo formats name it
  int openOrder = 0;         // place in the Open dialog's filter list; 0 = not listed
  std::string openPattern;   // the pattern the Open dialog filters by ("*.PAC")
  int allFilesOrder = 0;     // place in the Open dialog's "All Subtitle Files" entry; 0 = not in it
  int saveOrder = 0;         // place in the Save As dialog's filter list; 0 = not listed
};

// The steps of the main window's Save around the bytes: a format without them is written
// whole with an atomic file write.
struct SaveHooks {
  // What the file cannot hold, shown by Save As before writing; the save leaves the same
  // lines out of its own warnings.
  std::function<Warnings(const SubtitleDocument&)> formatWarnings;
  // Writes the file in place of the atomic write (trace lines, a safety copy).
  std::function<Warnings(const SubtitleDocument&, const std::filesystem::path&, FormatContext&)> save;
  // Runs once the file is written (a copy for the backups).
  std::function<void(const std::filesystem::path&, FormatContext&)> afterSave;
};

// The options a user can set by key (`kipo export --option KEY=VALUE`).
struct FormatOptions {
  std::function<std::vector<std::string>()> names;
  std::function<bool(SettingsStore&, std::string_view name, std::string_view value)> setFromText;

  template <class O>
  static FormatOptions Of(const OptionTable<O>& table) {
    return {[&table] { return table.Names(); },
            [&table](SettingsStore& s, std::string_view n, std::string_view v) { return table.SetFromText(s, n, v); }};
  }
};

// What a writer keeps, for the round-trip checks: markup the format has no way to hold
// is named in the writer's warnings instead.
struct FormatTraits {
  bool textFile = false;          // cue-list text read through the import encodings
  bool keepsItalics = true;
  bool keepsWholeItalics = false; // only a wholly italic subtitle keeps its italics
  bool keepsColours = false;
  bool keepsUnderline = false;
  bool keepsComments = false;
  bool keepsTenHours = true;      // cues of 10 hours and more
  bool needsLanguage = false;     // the reader asks for the language of the file
  bool alwaysUtf8 = false;        // XML: written in UTF-8 whatever encoding the export's filter names
  bool ownEncoding = false;       // the writer's own options choose the encoding, not the save dialog's filter
  // Cues are where a broadcast decoder shows and clears the text (caption streams: a
  // caption loads before its in cue, a start at frame 0 waits for its loading, and the next
  // caption's loading may clear it early), so a written file reads back with the texts in
  // order but not every cue to the frame; the format's own tests prove its timing.
  bool cuesAsShown = false;
};

struct Format {
  std::string id;    // stable, lower case: "subrip", "ebu-stl", "kpox"
  std::string name;  // display name
  std::vector<std::string> extensions;  // lower case, no dot; the first is the default

  std::optional<FileTypeRow> fileType;
  std::optional<ExportFormat> exportRow;   // `available` is filled in from `write`
  std::optional<ImportFormat> importRow;   // `fileType` is filled in from `fileType`
  std::optional<ConvertTarget> convert;    // quick conversion and batch export (batch only without a quickName)

  // Builds a new document from the bytes or throws UserError; never touches another one.
  std::function<ReadResult(std::span<const std::uint8_t>, FormatContext&)> read;
  // Turns the document into the file's bytes; names what the format could not carry.
  std::function<WriteResult(const SubtitleDocument&, FormatContext&)> write;
  // Cue-list text formats: the file as UTF-8 text, before the export's encoding.
  std::function<std::string(const SubtitleDocument&, const SettingsStore&, Warnings&)> cueText;
  // Tells the format's files by their content, where several formats share an extension
  // (.xml): the first format of that extension whose test accepts the bytes reads them. A
  // format with a test may claim an extension by listing it in `extensions` alone.
  std::function<bool(std::span<const std::uint8_t>)> sniff;
  // An export that writes more than one file's bytes (the two eyes of a 3D pair, pictures
  // beside their index): writes everything from `path` and returns the warnings.
  std::function<Warnings(const SubtitleDocument&, const std::filesystem::path&, FormatContext&)> exportTo;
  SaveHooks hooks;
  StreamHooks stream;
  FormatOptions options;
  // The setting that keeps the export save dialog's filter index; nullptr: it starts at 1.
  const IntSetting* filterIndexSetting = nullptr;
  FormatTraits traits;

  bool CanRead() const { return static_cast<bool>(read); }
  bool CanWrite() const { return static_cast<bool>(write); }
};

}  // namespace kipo
