#pragma once
// Documents and helpers shared by the digital cinema tests.
#include <functional>
#include <string>
#include <vector>

#include "core/document.h"
#include "formats/cinema/dcinema_writer.h"

namespace kipo::test {

inline Subtitle CinemaCue(const char* in, const char* out, std::string text) {
  Subtitle s;
  s.inCue = in;
  s.outCue = out;
  s.text = std::move(text);
  return s;
}

// What real reels hold: two rows, italics in part and whole, colours, accents, a raised
// and a left-aligned subtitle, a centred block, characters XML must escape.
inline SubtitleDocument CinemaSample(int rateCode = 24) {
  SubtitleDocument d(rateCode, kDefaultLanguageId, 0);
  d.Append(CinemaCue("00000100", "00000312", "First line\r\nsecond line"));
  d.Append(CinemaCue("00000400", "00000506", "Partly <italic> text"));
  d.Append(CinemaCue("00000600", "00000700", "<Wholly italic>"));
  d.Append(CinemaCue("00000800", "00000900", "\x01Red\x07 and white"));
  d.Append(CinemaCue("00001000", "00001100", "Caf\xC3\xA9 & \"cr\xC3\xA8me\" <b\xC3\xBC>"));
  Subtitle raised = CinemaCue("00001200", "00001300", "Raised and left");
  raised.row = 8;
  raised.alignment = AlignLeft;
  d.Append(raised);
  Subtitle block = CinemaCue("00001400", "00001500", "A centred block\r\nof two");
  block.alignment = AlignCentreLeft;
  d.Append(block);
  Subtitle right = CinemaCue("00001600", "00001700", "[Underlined] on the right");
  right.alignment = AlignRight;
  d.Append(right);
  return d;
}

inline DcinemaSetup CinemaSetup(DcVersion v, const std::function<void(DlpOptions&)>& tweak = nullptr) {
  static FixedWidthMeasurer measurer(20);
  DcinemaSetup s;
  s.options.version = v;
  s.options.fontUuid = "0f0e0d0c-0b0a-4908-8706-050403020100";
  s.subtitleId = "12345678-9abc-4def-8123-456789abcdef";
  s.issueDate = "2026-12-06T08:00:00-00:00";
  s.measurer = &measurer;
  if (tweak) tweak(s.options);
  return s;
}

inline std::string CinemaXml(const SubtitleDocument& d, DcVersion v,
                             const std::function<void(DlpOptions&)>& tweak = nullptr, Warnings* warnings = nullptr) {
  Warnings w;
  std::string out = WriteDcinemaXml(d, CinemaSetup(v, tweak), w);
  if (warnings) *warnings = std::move(w);
  return out;
}

inline std::vector<DcVersion> AllDcVersions() {
  return {DcVersion::Dlp10, DcVersion::Dlp11, DcVersion::Dlp11Z, DcVersion::Smpte, DcVersion::SmpteZ, DcVersion::Xdc};
}

}  // namespace kipo::test
