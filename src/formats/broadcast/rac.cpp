#include "formats/broadcast/rac.h"

#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

constexpr std::size_t kCountOffset = 4;
constexpr std::size_t kFirstRecord = 6;
constexpr std::size_t kSlotSize = 147;
constexpr std::size_t kSlotPrefix = 7;  // bytes before the cues, not interpreted
constexpr std::uint8_t kEmptyRow = 0xFF;

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
      const std::uint16_t inHi = r.u16le(), inLo = r.u16le(), outHi = r.u16le(), outLo = r.u16le();
      const std::uint16_t length = r.u16le();
      if (length == 1) break;  // the end of the subtitles, whatever the count says
      const std::uint8_t rowByte = r.u8();
      Subtitle s;
      if (rowByte == kEmptyRow) {
        s.alignment = AlignLeft;
      } else {
        PacBody body = ReadPacBody(r, length, rowByte, script, text, /*racAlignment=*/true);
        if (!body.unknownBytes.empty()) warnings.push_back(UnknownBytesWarning(subs.size() + 1, script, body.unknownBytes));
        s = std::move(body.subtitle);
      }
      s.inCue = PacCueFromWords(inHi, inLo);
      s.outCue = PacCueFromWords(outHi, outLo);
      if (subs.size() == kMaxSubtitles) {
        warnings.push_back("The file holds more than 32767 subtitles; the rest were not loaded");
        break;
      }
      subs.push_back(std::move(s));
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
