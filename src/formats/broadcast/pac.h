#pragma once
// Screen PAC files (.pac): a 20-byte header, one variable-length record per subtitle and a
// trailer record. All integers are 16-bit little-endian. The file does not say which
// character set its text uses: the caller passes the language the user confirmed.
#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/document.h"
#include "formats/broadcast/pac_charset.h"
#include "platform/binary_io.h"
#include "platform/user_error.h"

namespace kipo {

using Warnings = std::vector<std::string>;

struct PacReadOptions {
  std::int32_t languageId = kDefaultLanguageId;  // from the language dialog
  std::int16_t characterSet = 0;                 // selects the byte table
  bool colours = false;                          // "Enable colours": keep bytes 0x01-0x07
};

struct PacWriteOptions {
  bool topRowZero = false;          // "PAC top row zero": a first row of 1 is written as 0
  bool zeroBasedNumbering = false;  // record numbers count from 0
  bool allowMixedOutlines = true;   // "Allow mixed outline types in PAC files"
  int houseOutlineStyle = BoxBoxedOutline;  // 129-133, used when mixed outlines are off
  bool colours = false;             // write colour codes 1-7 as bytes 0x01-0x07
  int maxRows = 2;                  // subtitles with more rows are listed in the warnings
};

// Builds a new document from the bytes. Throws UserError for files that are not PAC.
SubtitleDocument ReadPac(std::span<const std::uint8_t> bytes, const PacReadOptions& options, Warnings& warnings);

// Thrown by the writer when a subtitle cannot be put into a record; carries the
// subtitle number for the "Cannot save file" message.
class PacWriteFailure : public std::runtime_error {
 public:
  explicit PacWriteFailure(long number) : std::runtime_error("PAC record overflow"), number_(number) {}
  long number() const { return number_; }

 private:
  long number_;
};

Bytes WritePac(const SubtitleDocument& doc, const PacWriteOptions& options, Warnings& warnings);

// The message shown when a PAC save fails while subtitle `number` is being written.
std::string PacSaveFailureText(long number);

// Save with a safety copy: any earlier "~$kipo.sav" in the data folder is deleted, an
// existing target is copied there, the file is written (atomically) and the copy deleted.
// On failure the copy is moved back to `path` and UserError (application title, the
// message above) is thrown.
Warnings SavePacFile(const SubtitleDocument& doc, const std::filesystem::path& path, const PacWriteOptions& options);

// Thrown by ReadPacRecordTail for a record whose length cannot hold its groups; the
// readers keep the other records and name it with BadLengthWarning.
class PacBadRecord : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
std::string BadLengthWarning(std::size_t number, std::uint16_t length);

// Parts of a PAC record shared with the RAC reader.
CueDigits PacCueFromWords(std::uint16_t hhmm, std::uint16_t ssff);
struct PacRecordHead {
  std::uint16_t inHi, inLo, outHi, outLo;  // cue words
  std::uint16_t length;                    // L: row byte + attribute bytes + text bytes
};
// Reads the rest of a record from the row byte on (box and attribute groups, text) and
// appends the subtitle. A row byte of 0xFF marks a subtitle with cues only (in PAC only
// when L is 1). RAC files also read alignment code 13 as left. Returns false when the
// document is full.
bool ReadPacRecordTail(ByteReader& r, const PacRecordHead& head, bool rac, PacScript script,
                       const PacTextOptions& text, std::vector<Subtitle>& subs, Warnings& warnings);

}  // namespace kipo
