#include "formats/caption/caption_files.h"

#include <algorithm>

#include "core/cea608_caption.h"
#include "formats/caption/scc.h"
#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {

using namespace cea608;

namespace {

enum class Style { PopOn, RollUp2, RollUp3, RollUp4, PaintOn };

struct Built {
  std::vector<Word> words;
  bool lost = false, illegal = false;
};

bool IsRollUp(Style style) { return style == Style::RollUp2 || style == Style::RollUp3 || style == Style::RollUp4; }

// One caption's words appended to `words`: pop-on loads a cleared memory and flips it in;
// roll-up scrolls its rows in at the base row; paint-on clears the screen and writes
// straight onto it. `encoder` encodes for the style's rows (roll-up or not).
void AppendCaptionWords(CaptionEncoder& encoder, const Subtitle& s, Style style, Built& b) {
  switch (style) {
    case Style::PopOn: b.words.insert(b.words.end(), {kResumeCaptionLoading, kEraseNonDisplayed}); break;
    case Style::RollUp2: b.words.push_back(kRollUp2); break;
    case Style::RollUp3: b.words.push_back(kRollUp3); break;
    case Style::RollUp4: b.words.push_back(kRollUp4); break;
    case Style::PaintOn: b.words.insert(b.words.end(), {kResumeDirectCaptioning, kEraseDisplayed}); break;
  }
  const CaptionEncoder::Summary code = encoder.Append(s, b.words);
  b.lost = code.lostMarkup;
  b.illegal = code.illegal;
  if (style == Style::PopOn) b.words.push_back(kEndOfCaption);
}

void Warn(std::vector<std::string>& warnings, bool lost, bool illegal) {
  if (lost) warnings.push_back("Colours, underline and bold cannot be written as line-21 captions; left out");
  if (illegal) warnings.push_back("Characters that line-21 captions cannot show were left out");
}

std::string CueLabel(FrameCount frames, const FrameRate& rate) {
  std::string label = FramesToLabel(std::max<FrameCount>(frames, 0), rate);
  if (rate.dropFrame && label.size() == 11) label[8] = ';';
  return label;
}

}  // namespace

Word OnChannel(Word w, int channel) {
  const std::uint8_t hi = High(w);
  if (channel != 2 || hi < 0x10 || hi > 0x17) return w;
  return MakeWord(static_cast<std::uint8_t>(hi | 0x08), Low(w));
}

// --- Ultech ------------------------------------------------------------------------------

std::vector<CaptionEvent> UltechEvents(const SubtitleDocument& doc, const UltechOptions& o,
                                       std::vector<std::string>& warnings) {
  const FrameRate& rate = doc.frameRate();
  const Style style = o.captionType == 1 ? Style::RollUp2 : o.captionType == 2 ? Style::PaintOn : Style::PopOn;
  std::vector<CaptionEvent> events;
  FrameCount free = 0;  // the first frame no earlier event still uses
  bool lost = false, illegal = false;
  std::vector<Built> built(doc.Count());
  CaptionEncoder encoder({IsRollUp(style), false});
  for (std::size_t i = 0; i < doc.Count(); ++i) AppendCaptionWords(encoder, doc.At(i), style, built[i]);
  auto wanted = [&](std::size_t i) {
    FrameCount f = doc.At(i).inCue.ToFrames(rate) + o.cueOffset;
    // Sent early by its length, the caption's last word lands on the in cue.
    if (o.compensate) f -= static_cast<FrameCount>(built[i].words.size()) - 1;
    return std::max<FrameCount>(f, 0);
  };
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    lost = lost || built[i].lost;
    illegal = illegal || built[i].illegal;
    const FrameCount want = wanted(i);
    const FrameCount at = std::max(want, free);
    if (at - want > o.delayTolerance)
      warnings.push_back("Subtitle " + ZeroPad(static_cast<long>(i + 1), 4) + " is shown " + std::to_string(at - want) +
                         " frames late");
    CaptionEvent e{at, {}};
    for (Word w : built[i].words) e.words.push_back(OnChannel(w, o.dataChannel));
    free = at + static_cast<FrameCount>(e.words.size());
    events.push_back(std::move(e));
    if (o.noOutCue) continue;
    const FrameCount out = doc.At(i).outCue.ToFrames(rate) + o.cueOffset;
    // The next caption replaces this one when it shows at the out cue or before.
    if (i + 1 < doc.Count() && doc.At(i + 1).inCue.ToFrames(rate) + o.cueOffset <= out) continue;
    CaptionEvent erase{0, {}};
    if (o.eraseDisplayed || style != Style::PopOn) erase.words = {kEraseDisplayed};
    else erase.words = {kResumeCaptionLoading, kEraseNonDisplayed, kEndOfCaption};  // flips in nothing
    for (Word& w : erase.words) w = OnChannel(w, o.dataChannel);
    const FrameCount early = o.compensate ? static_cast<FrameCount>(erase.words.size()) - 1 : 0;
    erase.frame = std::max(out - early, free);
    free = erase.frame + static_cast<FrameCount>(erase.words.size());
    events.push_back(std::move(erase));
  }
  Warn(warnings, lost, illegal);
  return events;
}

Bytes WriteUltech(const SubtitleDocument& doc, const UltechOptions& o, std::vector<std::string>& warnings) {
  const std::vector<CaptionEvent> events = UltechEvents(doc, o, warnings);
  ByteWriter w(512 + events.size() * 40);
  w.field("ULTECH", 7, 0);
  w.field("1.30", 5, 0);
  w.u16le(512);
  w.u16le(static_cast<std::uint16_t>(doc.frameRate().countingRate()));
  w.u32le(1);  // the record count, written once the records are
  w.u16le(static_cast<std::uint16_t>(o.dataChannel));
  w.u16le(1);
  for (int entry = 0; entry < 16; ++entry) {
    if (entry == 0) {
      w.u8(15);
      for (int v : {21, 1, o.dataChannel, 1, 1, 0}) w.u16le(static_cast<std::uint16_t>(v));
    } else {
      w.u8(0xFF);
      w.fill(12, 0);
    }
  }
  w.fill(280, 0);
  for (const CaptionEvent& e : events) {
    w.u32le(static_cast<std::uint32_t>(e.frame));
    w.u16le(static_cast<std::uint16_t>(e.words.size() * 2));
    for (Word word : e.words) {
      w.u8(static_cast<std::uint8_t>(word >> 8));
      w.u8(static_cast<std::uint8_t>(word));
    }
  }
  w.patchU32le(16, static_cast<std::uint32_t>(events.size()));
  return w.take();
}

std::vector<CaptionEvent> ReadUltechRecords(std::span<const std::uint8_t> bytes) {
  std::vector<CaptionEvent> out;
  if (bytes.size() < 512 || std::string_view(reinterpret_cast<const char*>(bytes.data()), 6) != "ULTECH") return out;
  const std::uint32_t count = bytes[16] | bytes[17] << 8 | bytes[18] << 16 | static_cast<std::uint32_t>(bytes[19]) << 24;
  std::size_t at = 512;
  for (std::uint32_t i = 0; i < count && at + 6 <= bytes.size(); ++i) {
    CaptionEvent e;
    e.frame = static_cast<FrameCount>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                      static_cast<std::uint32_t>(bytes[at + 3]) << 24);
    const std::size_t n = bytes[at + 4] | bytes[at + 5] << 8;
    at += 6;
    if (at + n > bytes.size()) break;
    for (std::size_t k = 0; k + 1 < n; k += 2) e.words.push_back(static_cast<Word>(bytes[at + k] << 8 | bytes[at + k + 1]));
    at += n;
    out.push_back(std::move(e));
  }
  return out;
}

// --- Caption Inc ------------------------------------------------------------------------

namespace {

// The events of a Caption Inc file one at a time: emit(frame, words) for each caption and
// each erase.
template <class Emit>
void ForEachCaptionIncEvent(const SubtitleDocument& doc, const CaptionIncOptions& o, std::vector<std::string>& warnings,
                            Emit&& emit) {
  const FrameRate& rate = doc.frameRate();
  const Style style = o.captionType == 1   ? Style::RollUp2
                      : o.captionType == 2 ? Style::RollUp3
                      : o.captionType == 3 ? Style::RollUp4
                                           : Style::PopOn;
  bool lost = false, illegal = false;
  FrameCount free = 0;
  auto start = [&](std::size_t i) { return std::max<FrameCount>(doc.At(i).inCue.ToFrames(rate) - o.precompensate, 0); };
  CaptionEncoder encoder({IsRollUp(style), false});
  Built b;
  const std::vector<Word> erase{OnChannel(kEraseDisplayed, o.dataChannel)};
  for (std::size_t i = 0; i < doc.Count(); ++i) {
    b.words.clear();
    AppendCaptionWords(encoder, doc.At(i), style, b);
    lost = lost || b.lost;
    illegal = illegal || b.illegal;
    if (o.dataChannel == 2)
      for (Word& w : b.words) w = OnChannel(w, 2);
    const FrameCount at = std::max(start(i), free);
    emit(at, b.words);
    free = at + static_cast<FrameCount>(b.words.size());
    const FrameCount out = std::max(doc.At(i).outCue.ToFrames(rate) - o.precompensate, free);
    if (i + 1 < doc.Count() && start(i + 1) <= out) continue;  // replaced by the next caption
    emit(out, erase);
    free = out + 1;
  }
  Warn(warnings, lost, illegal);
}

}  // namespace

std::vector<CaptionEvent> CaptionIncEvents(const SubtitleDocument& doc, const CaptionIncOptions& o,
                                           std::vector<std::string>& warnings) {
  std::vector<CaptionEvent> events;
  ForEachCaptionIncEvent(doc, o, warnings,
                         [&](FrameCount at, const std::vector<Word>& words) { events.push_back({at, words}); });
  return events;
}

Bytes WriteCaptionInc(const SubtitleDocument& doc, const CaptionIncOptions& o, std::vector<std::string>& warnings) {
  const FrameRate& rate = doc.frameRate();
  std::string rateText = rate.label();
  if (rateText.ends_with(" fps")) rateText.resize(rateText.size() - 4);
  // The events are counted once they are made; the header's first field is written over.
  std::string text = ZeroPad(0, 8) + " " + ZeroPad(static_cast<long>(doc.Count()), 8) +
                     " // Kipo Subtitling Software v6. Video standard: " + rateText +
                     (rate.dropFrame ? " drop frame" : " non-drop") + " // " + o.headerInfo + "\r\n";
  std::size_t room = text.size();
  for (const Subtitle& s : doc.Subtitles()) room += 48 + s.text.size() * 2;
  text.reserve(room);
  const std::string_view channel = o.dataChannel == 2 ? "002" : "000";
  long events = 0;
  ForEachCaptionIncEvent(doc, o, warnings, [&](FrameCount at, const std::vector<Word>& words) {
    ++events;
    text += CueLabel(at, rate);
    text += '\xFE';
    text += channel;
    // The bytes without parity; the filler bytes of text words are left out. At most two
    // bytes a word, written through a pointer and cut to what was written.
    const std::size_t end = text.size();
    text.resize(end + words.size() * 2);
    char* p = text.data() + end;
    for (Word w : words) {
      const std::uint8_t hi = High(w), lo = Low(w);
      if (hi >= 0x10 && hi < 0x20) {
        *p++ = static_cast<char>(hi);
        *p++ = static_cast<char>(lo);
        continue;
      }
      if (hi >= 0x20) *p++ = static_cast<char>(hi);
      if (lo >= 0x20) *p++ = static_cast<char>(lo);
    }
    text.resize(static_cast<std::size_t>(p - text.data()));
    text += "\r\n";
  });
  text.replace(0, 8, ZeroPad(events, 8));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  return Bytes(bytes, bytes + text.size());
}

// Caption Inc reading.

namespace {

// The rate the header line names ("Video standard: 29.97 drop frame"), if any.
std::optional<int> HeaderRate(std::string_view line) {
  const std::size_t at = line.find("Video standard:");
  if (at == std::string_view::npos) return std::nullopt;
  const std::string trimmed = Trim(line.substr(at + 15));
  const std::string_view rest = trimmed;
  const bool drop = rest.find("drop frame") != std::string_view::npos && rest.find("non") == std::string_view::npos;
  if (rest.starts_with("23.9")) return 23;
  if (rest.starts_with("29.97")) return drop ? 29 : 30;
  if (rest.starts_with("59.9")) return 59;
  for (int code : {24, 25, 30, 48, 50, 60})
    if (rest.starts_with(std::to_string(code))) return code;
  return std::nullopt;
}

// The bytes of one caption line as code words with parity, appended to `words`: control
// codes are two bytes, characters pair up (a lone one is completed with a null). Control
// codes of channel 2 come back to channel 1, where the decoder model listens. Bytes below
// 0x10 are dropped.
void AppendCaptionIncWords(std::string_view bytes, bool channel2, int& bad, std::vector<Word>& words) {
  for (std::size_t i = 0; i < bytes.size();) {
    std::uint8_t b = static_cast<std::uint8_t>(bytes[i]) & 0x7F;
    if (b >= 0x10 && b < 0x20) {
      if (i + 1 >= bytes.size()) {
        ++bad;
        break;
      }
      if (channel2 && b >= 0x18) b = static_cast<std::uint8_t>(b & ~0x08);
      words.push_back(MakeWord(b, static_cast<std::uint8_t>(bytes[i + 1])));
      i += 2;
      continue;
    }
    if (b < 0x20) {
      ++bad;
      ++i;
      continue;
    }
    std::uint8_t second = 0;
    if (i + 1 < bytes.size()) {
      const std::uint8_t n = static_cast<std::uint8_t>(bytes[i + 1]) & 0x7F;
      if (n >= 0x20) {
        second = n;
        ++i;
      }
    }
    words.push_back(MakeWord(b, second));
    ++i;
  }
}

}  // namespace

CaptionIncReadResult ReadCaptionInc(std::span<const std::uint8_t> bytes, int rateCode) {
  constexpr const char* kNotCin = "This is not a valid Caption Inc file.";
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::optional<int> named;
  CaptionLines lines;
  lines.words.reserve(text.size() / 2 + 1);
  int bad = 0, skipped = 0;
  bool drop = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.empty()) continue;
    if (line.size() < 11 || !IsLabelShape(line.substr(0, 11))) {
      if (lines.lines.empty() && !named) named = HeaderRate(line);
      else ++skipped;
      continue;
    }
    CaptionLines::Line l;
    l.label = line.substr(0, 11);
    drop = drop || l.label[8] == ';';
    std::string_view rest = line.substr(11);
    if (!rest.empty() && static_cast<std::uint8_t>(rest[0]) == 0xFE) rest.remove_prefix(1);
    bool channel2 = false;
    if (rest.size() >= 3 && (rest.substr(0, 3) == "000" || rest.substr(0, 3) == "001" || rest.substr(0, 3) == "002")) {
      channel2 = rest[2] == '2';
      rest.remove_prefix(3);
    }
    l.first = static_cast<std::uint32_t>(lines.words.size());
    AppendCaptionIncWords(rest, channel2, bad, lines.words);
    l.count = static_cast<std::uint32_t>(lines.words.size() - l.first);
    lines.lines.push_back(l);
  }
  if (lines.lines.empty()) throw InvalidFileFormat(kNotCin);
  int code = named.value_or(rateCode != 0 && rateCode != 29 ? rateCode : 30);
  if (drop) code = 29;
  std::optional<FrameRate> rate = FrameRate::FromCode(code);
  if (!rate) rate = FrameRate::FromCode(30);
  SccReadResult decoded = DecodeCaptionLines(lines, *rate);
  CaptionIncReadResult r{std::move(decoded.doc), std::move(decoded.warnings)};
  if (bad) r.warnings.push_back(std::to_string(bad) + " bytes that are not caption codes were skipped");
  if (skipped) r.warnings.push_back(std::to_string(skipped) + " lines without a timecode were skipped");
  return r;
}

}  // namespace kipo
