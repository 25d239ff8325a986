#pragma once
// The scripts of the authoring targets: which picture is shown when, in each target's own
// layout. They are written after the pictures, from one entry per exported subtitle.
//
// The high-definition targets (Blu-ray, EDL, Final Cut Pro XML, DoStudio) are written from
// the bitmap stream (.sbs), the system's own index of the rendered pictures, so that a
// stream written once can be turned into any of them later (ReadBitmapStream).
#include <string>
#include <string_view>
#include <vector>

#include "core/cue.h"
#include "core/timecode.h"
#include "imaging/dib_section.h"
#include "imaging/dvd_settings.h"

namespace kipo {

struct BitmapEntry {
  int number = 0;        // the subtitle's number
  std::string file;      // the picture's file name (no folder)
  Cue inCue, outCue;
  PixelRect rect;        // where the picture goes in the frame
  bool forced = false;
};

struct ScriptContext {
  DvdOptions options;
  FrameRate rate;
  std::string folder;      // the export folder as written into the scripts
  std::string streamName;  // the bitmap stream prefix
  std::string title;       // the document's name
  std::string language;    // ISO 639-2 code ("eng")
  std::string languageName;
  std::string generatedOn;  // date and time text for the headers
  int frameWidth = 720, frameHeight = 576;
  std::string videoFormat = "1080p";  // BDN's VideoFormat
};

// The script of a target. Targets without a script of their own (digital cinema, the PGS
// stream) give an empty string.
std::string WriteAuthoringScript(AuthoringTarget t, const std::vector<BitmapEntry>& entries, const ScriptContext& c);

std::string WriteScenaristScript(const std::vector<BitmapEntry>& e, const ScriptContext& c);
std::string WriteTwoPaletteScript(const std::vector<BitmapEntry>& e, const ScriptContext& c);
std::string WriteSpruceScript(const std::vector<BitmapEntry>& e, const ScriptContext& c);
std::string WriteToshibaScript(const std::vector<BitmapEntry>& e, const ScriptContext& c);
std::string WriteBitmapStream(const std::vector<BitmapEntry>& e, const ScriptContext& c);
std::string WriteCmxEdl(const std::vector<BitmapEntry>& e, const ScriptContext& c);
std::string WriteDoStudio(const std::vector<BitmapEntry>& e, const ScriptContext& c);
std::string WriteFinalCutXml(const std::vector<BitmapEntry>& e, const ScriptContext& c);
std::string WriteBdnXml(const std::vector<BitmapEntry>& e, const ScriptContext& c);

// Entries of a bitmap stream (either header variant). Lines that are not entries are
// skipped; throws UserError when no line is an entry.
std::vector<BitmapEntry> ReadBitmapStream(std::string_view text);

// "23.976", "24", "25", "29.97", "50", "59.94", "60"; and the rational forms
// "24000/1001", "24/1", "25/1", "30000/1001", "30/1", "60000/1001", "60/1".
std::string FrameRateDecimal(const FrameRate& r);
std::string FrameRateRational(const FrameRate& r);
// ISO 639-2 code of a Windows language identifier ("und" when unknown).
std::string Iso639Code(std::int32_t windowsLanguageId);

}  // namespace kipo
