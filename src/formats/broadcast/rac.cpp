#include "formats/broadcast/rac.h"

#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr std::size_t kCountOffset = 4;
constexpr std::size_t kFirstRecord = 6;
constexpr std::size_t kSlotSize = 147;
constexpr std::size_t kSlotPrefix = 7;  // bytes before the cues, not interpreted

}  // namespace

SubtitleDocument ReadRac(std::span<const std::uint8_t> bytes, const PacReadOptions& options, Warnings& warnings) {
  if (bytes.size() < kFirstRecord) throw InvalidFileFormat("This is not a valid RAC file");
  const PacScript script = PacScriptForCharset(options.characterSet);
  const PacTextOptions text{options.colours};
  ByteReader r(bytes);
  r.seek(kCountOffset);
  // The field holds the highest record index: records 1 to C + 1 follow.
  const std::size_t records = std::size_t{r.u16le()} + 1;
  std::vector<Subtitle> subs;
  for (std::size_t i = 0; i < records; ++i) {
    const std::size_t start = kFirstRecord + kSlotSize * i;
    if (start >= bytes.size()) {
      warnings.push_back("The file ends before record" + NumberText(static_cast<long>(i + 1)) +
                         " of" + NumberText(static_cast<long>(records)));
      break;
    }
    try {
      r.seek(start + kSlotPrefix);
      PacRecordHead head{r.u16le(), r.u16le(), r.u16le(), r.u16le(), r.u16le()};
      if (head.length == 1) break;  // the end of the subtitles, whatever the count says
      try {
        if (!ReadPacRecordTail(r, head, /*rac=*/true, script, text, subs, warnings)) break;
      } catch (const PacBadRecord&) {
        // Records sit in slots of one size: the next one is read all the same.
        warnings.push_back(BadLengthWarning(subs.size() + 1, head.length) + "; it was skipped");
      }
    } catch (const ReadError&) {
      warnings.push_back("The file ends inside record" + NumberText(static_cast<long>(i + 1)) +
                         "; the subtitles before it were loaded");
      break;
    }
  }
  SubtitleDocument doc;
  doc.SetLanguageId(options.languageId);
  doc.SetCharacterSet(options.characterSet);
  doc.ReplaceAll(std::move(subs));
  doc.modified = false;
  return doc;
}

}  // namespace kipo
