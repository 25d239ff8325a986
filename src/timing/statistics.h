#pragma once
// The statistics report of a document: counts, averages, durations against the reading
// speed, and counts of subtitles by fault and by layout.
#include <string>
#include <utility>
#include <vector>

#include "core/document.h"
#include "timing/reading_speed.h"
#include "timing/timing_parameters.h"

namespace kipo {

struct Statistics {
  long subtitles = 0, rows = 0, words = 0, characters = 0;
  long maxRowLength = 0;
  int maxRowSubtitle = 0;                  // subtitle number; 0 when there is none
  Timecode totalDuration = 0;              // frames, subtitles with both cues set
  Timecode idealTotalDuration = 0;         // characters / reading speed x fps
  Timecode minDuration = 0, maxDuration = 0;
  int minDurationSubtitle = 0, maxDurationSubtitle = 0;
  double requiredReadingSpeed = 0;         // characters per second of shown time
  long emptySubtitles = 0, emptyOrInvalidCues = 0;
  long left = 0, centre = 0, right = 0, centreLeft = 0, mixed = 0;
  long raised = 0, outlined = 0, italicised = 0, commented = 0;
};

// Characters are counted as for the reading speed (markup never, spaces only when
// "Reading speed include spaces" is on); a row's length is its visible length.
Statistics ComputeStatistics(const SubtitleDocument& doc, const TimingParameters& p, const ReadingOptions& o);

// The report's items as (label, value) pairs in order; "Errors" is a heading with an
// empty value.
std::vector<std::pair<std::string, std::string>> StatisticsItems(const Statistics& s, const SubtitleDocument& doc,
                                                                 const TimingParameters& p);
// Each item as a label line and a value line; lines end with `eol`.
std::string BuildStatistics(const SubtitleDocument& doc, const TimingParameters& p, const ReadingOptions& o,
                            std::string_view eol = "\r\n");

// Words of a row: tokens between spaces, except tokens made only of punctuation and
// italics marks (",", ".", "-", "!", "<", ">", "?").
long CountWords(std::string_view row);

// The printed report: "Report for NAME created on DATE", an empty line, "Statistics: " and
// the items as BuildStatistics sets them; lines end with `eol`.
std::string StatisticsReportText(const SubtitleDocument& doc, const TimingParameters& p, const ReadingOptions& o,
                                 const std::string& fileName, const std::string& date,
                                 std::string_view eol = "\r\n");

}  // namespace kipo
