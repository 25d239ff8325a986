#pragma once
// The options of the three caption files as their windows bind them to settings keys:
// Scenarist SCC ("Export"), Ultech ("Ultech CC") and Caption Inc ("CC").
#include "formats/caption/caption_files.h"
#include "formats/caption/scc.h"
#include "settings/option_table.h"

namespace kipo {

// The SCC options window's fields: the writer's options and whether to offer the log.
struct SccExport {
  int captionType = 0;
  bool doubleControlCodes = false;
  int ignoreBuildup = 0;
  bool noTwoFrameWait = false;
  bool showLog = false;
  SccOptions Writer() const { return {captionType, doubleControlCodes, ignoreBuildup, noTwoFrameWait}; }
};

const OptionTable<SccExport>& SccOptionTable();
const OptionTable<UltechOptions>& UltechOptionTable();
const OptionTable<CaptionIncOptions>& CaptionIncOptionTable();

}  // namespace kipo
