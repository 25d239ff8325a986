#include "timing/cue_conversion.h"

#include <charconv>
#include <cmath>

#include "platform/text_util.h"
#include "platform/user_error.h"

namespace kipo {
namespace {

using C = Conversion;

const char* const kTitle = "Cue conversion";

// One conversion under one method.
//
// Rebasing rows (simple, telecine): per cue, rebase on the start hour; scale the count by
// `scale` (or the telecine factor) at the source rate; or normalise at the source rate;
// refit the frame field from `refitFrom` to `refitTo` frames per second; restore the hours.
// After every cue, `ndfAfter` normalises the labels at 30 fps non-drop.
//
// Relabelling rows (linear, and the simple drop-frame switches): the frame count read at
// the source rate is written at the result rate; `dropPass` runs the second pass of
// conversions into drop-frame.
struct Rule {
  ConversionMethod method;
  Conversion conversion;
  int source;  // rate code the cues are read at
  int result;  // rate code the document takes
  bool rebased = true;
  double scale = 0;                            // 0: not scaled
  double TelecineFactors::*factor = nullptr;   // scale by a stored factor instead
  bool normalise = false;
  double refitFrom = 0, refitTo = 0;           // 0: no refit
  bool ndfAfter = false;
  bool dropPass = false;
};

constexpr ConversionMethod S = ConversionMethod::Simple;
constexpr ConversionMethod L = ConversionMethod::Linear;
constexpr ConversionMethod T = ConversionMethod::Telecine;

Rule Simple(C c, int src, int res, double scale, bool normalise, double from, double to, bool ndfAfter = false) {
  return {S, c, src, res, true, scale, nullptr, normalise, from, to, ndfAfter, false};
}
Rule Relabel(ConversionMethod m, C c, int src, int res) {
  // A drop-frame target gets the second pass only under the linear method.
  bool pass = m == L && res == 29;
  return {m, c, src, res, false, 0, nullptr, false, 0, 0, false, pass};
}
Rule Telecine(C c, int src, int res, double TelecineFactors::*factor, double scale, double from, double to,
              bool ndfAfter = false) {
  return {T, c, src, res, true, scale, factor, false, from, to, ndfAfter, false};
}

const std::vector<Rule>& Rules() {
  using F = TelecineFactors;
  static const std::vector<Rule> rules{
      Simple(C::PalToNonDrop, 25, 30, 0.999, false, 25, 30),
      Simple(C::PalToDropFrame, 25, 29, 0, false, 25, 30, true),
      Simple(C::PalTo24, 25, 24, 0, true, 25, 24),
      Simple(C::Fps24ToPal, 24, 25, 0, true, 24, 25),
      Simple(C::NonDropToPal, 30, 25, 1.001, false, 30, 25),
      Simple(C::DropFrameToPal, 29, 25, 0, false, 30, 25),
      Simple(C::NonDropTo24, 30, 24, 1.0, false, 30, 24),
      Relabel(S, C::DropFrameToNonDrop, 29, 30),
      Relabel(S, C::NonDropToDropFrame, 30, 29),

      Relabel(L, C::Fps25To15, 25, 15),
      Relabel(L, C::PalToNonDrop, 25, 30),
      Relabel(L, C::PalToDropFrame, 25, 29),
      Relabel(L, C::PalTo24, 25, 24),
      Relabel(L, C::Fps24ToPal, 24, 25),
      Relabel(L, C::NonDropToPal, 30, 25),
      Relabel(L, C::DropFrameToPal, 29, 25),
      Relabel(L, C::NonDropTo24, 30, 24),
      Relabel(L, C::DropFrameToNonDrop, 29, 30),
      Relabel(L, C::NonDropToDropFrame, 30, 29),
      Relabel(L, C::PalTo23976, 25, 23),
      Relabel(L, C::NonDropTo23976, 30, 23),
      Relabel(L, C::Fps24To23976, 24, 23),
      Relabel(L, C::Fps23976ToPal, 23, 25),
      Relabel(L, C::Fps23976To24, 23, 24),
      Relabel(L, C::Fps23976ToNonDrop, 23, 30),
      Relabel(L, C::Fps23976ToDropFrame, 23, 29),
      Relabel(L, C::Fps24ToNonDrop, 24, 30),
      Relabel(L, C::Fps24ToDropFrame, 24, 29),
      Relabel(L, C::DropFrameTo23976, 29, 23),

      Telecine(C::PalToNonDrop, 25, 30, &F::palToNdf, 0, 25, 30),
      Telecine(C::PalToDropFrame, 25, 29, &F::palToDf, 0, 25, 30, true),
      Telecine(C::PalTo24, 25, 24, &F::palTo24, 0, 25, 24),
      Telecine(C::PalTo23976, 25, 23, &F::palTo23976, 0, 25, 24),
      Telecine(C::NonDropToPal, 30, 25, &F::ndfToPal, 0, 30, 25),
      Telecine(C::DropFrameToPal, 29, 25, &F::dfToPal, 0, 30, 25),
      Telecine(C::Fps24ToPal, 24, 25, &F::fps24ToPal, 0, 24, 25),
      Telecine(C::Fps23976ToPal, 23, 25, &F::fps23976ToPal, 0, 24, 25),
      Telecine(C::Fps23976To24, 23, 24, &F::fps23976To24, 0, 23.976, 24),
      Telecine(C::Fps24To23976, 24, 23, nullptr, 0.999000999, 24, 23.976),
      Telecine(C::NonDropToDropFrame, 30, 29, nullptr, 0.999, 0, 0),
      Telecine(C::DropFrameToNonDrop, 29, 30, nullptr, 1.001, 0, 0),
  };
  return rules;
}

const Rule* FindRule(ConversionMethod m, Conversion c) {
  for (const Rule& r : Rules())
    if (r.method == m && r.conversion == c) return &r;
  return nullptr;
}

FrameRate Rate(int code) { return *FrameRate::FromCode(code); }

// The last frame count a cue can hold at a rate (99:59:59 and the last frame of it).
FrameCount LastFrame(const FrameRate& r) {
  return LabelToFrames("995959" + ZeroPad(r.countingRate() - 1, 2), r);
}

// Thrown inside the conversion and turned into the user's message with the subtitle.
struct OutOfRange {};
struct BeforeStartHour {};

CueDigits Digits(double frames, const FrameRate& r) {
  if (frames < 0 || frames > LastFrame(r)) throw OutOfRange{};
  return FramesToDigits(static_cast<FrameCount>(frames), r);
}

int Hours(const std::string& c) { return (c[0] - '0') * 10 + (c[1] - '0'); }

CueDigits WithHours(const std::string& c, int hours) {
  if (hours < 0) throw BeforeStartHour{};
  if (hours > 99) throw OutOfRange{};
  return ZeroPad(hours, 2) + c.substr(2);
}

CueDigits Rebased(const Rule& r, const std::string& cue, int startHour, const TelecineFactors& factors) {
  const FrameRate src = Rate(r.source);
  CueDigits c = WithHours(cue, Hours(cue) - startHour);
  double k = r.factor ? factors.*r.factor : r.scale;
  if (k != 0) c = Digits(std::nearbyint(LabelToFrames(c, src) * k), src);  // halves to even
  if (r.normalise) c = Digits(LabelToFrames(c, src), src);
  if (r.refitFrom != 0) {
    const int ff = (c[6] - '0') * 10 + (c[7] - '0');
    const long refit = std::lround(ff * r.refitTo / r.refitFrom);  // halves away from zero
    if (refit > 99) throw OutOfRange{};
    c.replace(6, 2, ZeroPad(refit, 2));
  }
  return WithHours(c, Hours(c) + startHour);
}

CueDigits Relabelled(const Rule& r, const std::string& cue) {
  return Digits(LabelToFrames(cue, Rate(r.source)), Rate(r.result));
}

// The second pass into drop-frame: a count on a whole 1800 (or one past it) that is not on
// a whole 18000 moves two frames on.
CueDigits DropPass(const std::string& cue, const FrameRate& df) {
  FrameCount f = LabelToFrames(cue, df);
  if (f % 1800 <= 1 && f % 18000 > 1) return Digits(f + 2.0, df);
  return cue;
}

std::string Label(const std::string& digits) { return DigitsToLabel(digits); }

}  // namespace

const std::vector<std::string>& ConversionMethodLabels() {
  static const std::vector<std::string> v{"Simple frame-only conversion", "Linear cue conversion",
                                          "Telecine conversion"};
  return v;
}

const std::vector<std::string>& ConversionLabels() {
  static const std::vector<std::string> v{
      "25 fps to 15 fps",           "23.976 fps to 24 fps",         "23.976 fps to NTSC Drop Frame",
      "23.976 fps to NTSC Non-Drop", "23.976 fps to PAL",           "24 fps to 23.976 fps",
      "24 fps to NTSC Drop Frame",  "24 fps to NTSC Non-Drop",      "24 fps to PAL",
      "NSTC Drop Frame to 23.976 fps", "NTSC Drop Frame to 24 fps", "NTSC Drop Frame to Non-Drop",
      "NTSC Drop Frame to PAL",     "NSTC Non-Drop to 23.976 fps",  "NTSC Non-Drop to 24 fps",
      "NTSC Non-Drop to Drop Frame", "NTSC Non-Drop to PAL",        "PAL to 23.976 fps",
      "PAL to 24 fps",              "PAL to NTSC Drop Frame",       "PAL to NTSC Non-Drop"};
  return v;
}

const std::string& ConversionLabel(Conversion c) { return ConversionLabels().at(static_cast<std::size_t>(c)); }

std::optional<Conversion> ConversionAt(int index) {
  if (index < 0 || index >= kConversionCount) return std::nullopt;
  return static_cast<Conversion>(index);
}

std::optional<Conversion> FindConversion(std::string_view label) {
  // Two labels keep their old "NSTC" spelling; typing "NTSC" finds them too.
  auto spelled = [](std::string_view s) { return ReplaceAll(ToLowerAscii(Trim(s)), "nstc", "ntsc"); };
  const std::string wanted = spelled(label);
  const auto& all = ConversionLabels();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (spelled(all[i]) == wanted) return static_cast<Conversion>(i);
  return std::nullopt;
}

std::optional<ConversionMethod> FindConversionMethod(std::string_view label) {
  const auto& all = ConversionMethodLabels();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (EqualsIgnoreCase(all[i], Trim(label))) return static_cast<ConversionMethod>(i);
  return std::nullopt;
}

bool MethodConverts(ConversionMethod method, Conversion conversion) { return FindRule(method, conversion); }

std::optional<int> ConversionResultRate(ConversionMethod method, Conversion conversion) {
  const Rule* r = FindRule(method, conversion);
  if (!r) return std::nullopt;
  return r->result;
}

const OptionTable<TelecineFactors>& TelecineFactorTable() {
  static const OptionTable<TelecineFactors> t = [] {
    OptionTable<TelecineFactors> t;
    auto bind = [&t](double TelecineFactors::*field, const TextSetting& key) {
      auto parse = [](std::string_view text) -> std::optional<double> {
        text = Trim(text);
        double v = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc() || end != text.data() + text.size() || !(v > 0) || !std::isfinite(v))
          return std::nullopt;
        return v;
      };
      t.Custom(
          key.section, key.name,
          [=](const SettingsStore& s, TelecineFactors& f) {
            auto v = parse(s.Get(key));
            f.*field = v ? *v : *parse(key.def);
          },
          [=](SettingsStore& s, const TelecineFactors& f) {
            // Shortest text that reads back as the same number.
            char buf[32];
            auto [end, ec] = std::to_chars(buf, buf + sizeof buf, f.*field);
            s.Set(key, std::string_view(buf, ec == std::errc() ? static_cast<std::size_t>(end - buf) : 0));
          },
          [=](SettingsStore& s, std::string_view text) {
            if (!parse(text)) return false;
            s.Set(key, Trim(text));
            return true;
          });
    };
    using F = TelecineFactors;
    bind(&F::palToNdf, kPalToNdfFactor);
    bind(&F::palToDf, kPalToDfFactor);
    bind(&F::palTo24, kPalTo24Factor);
    bind(&F::fps24ToPal, k24ToPalFactor);
    bind(&F::ndfToPal, kNdfToPalFactor);
    bind(&F::dfToPal, kDfToPalFactor);
    bind(&F::palTo23976, kPalTo23Factor);
    bind(&F::fps23976ToPal, k23ToPalFactor);
    bind(&F::fps23976To24, k23To24Factor);
    return t;
  }();
  return t;
}

ConversionChoices LoadConversionChoices(const SettingsStore& s) {
  ConversionChoices c;
  c.tab = static_cast<int>(s.Get(kConversionTab));
  c.method = static_cast<ConversionMethod>(s.Get(kConversionMethodChoice));
  c.conversion = static_cast<Conversion>(s.Get(kConversionChoice));
  return c;
}

void SaveConversionChoices(SettingsStore& s, const ConversionChoices& c) {
  SettingsStore::Batch batch(s);
  s.Set(kConversionTab, c.tab);
  s.Set(kConversionMethodChoice, static_cast<long>(c.method));
  s.Set(kConversionChoice, static_cast<long>(c.conversion));
}

int DefaultStartHour(const SubtitleDocument& doc) {
  if (doc.Count() == 0) return 0;
  const std::string& in = doc.At(0).inCue;
  return IsCompleteCue(in) ? Hours(in) : 0;
}

ConversionOutcome ConvertCues(SubtitleDocument& doc, ConversionMethod method, Conversion conversion, int startHour,
                              const TelecineFactors& factors, const BeforeCueChange& before) {
  const Rule* rule = FindRule(method, conversion);
  if (!rule) return {};
  if (startHour < 0 || startHour > 99)
    throw UserError(kTitle, "The start hour must be between 00 and 99.");

  // Every cue is converted into a copy first: a cue that cannot be converted stops the
  // command before anything has changed.
  std::vector<Subtitle> all = doc.Subtitles();
  const FrameRate ndf = Rate(30), df = Rate(29);
  std::size_t at = 0;
  try {
    for (at = 0; at < all.size(); ++at) {
      for (auto* cue : {&all[at].inCue, &all[at].outCue}) {
        const std::string& text = *cue;
        if (!IsCompleteCue(text)) continue;
        CueDigits c = rule->rebased ? Rebased(*rule, text, startHour, factors) : Relabelled(*rule, text);
        if (rule->ndfAfter) c = Digits(LabelToFrames(c, ndf), ndf);
        if (rule->dropPass) c = DropPass(c, df);
        *cue = c;
      }
    }
  } catch (const BeforeStartHour&) {
    throw UserError(kTitle, "Subtitle " + std::to_string(at + 1) + " has a cue before the start hour (" +
                                Label(ZeroPad(startHour, 2) + "000000") +
                                ").\nChoose the hour of the earliest cue as the start hour.");
  } catch (const OutOfRange&) {
    throw UserError(kTitle, "Subtitle " + std::to_string(at + 1) + " would pass 99:59:59:" +
                                ZeroPad(Rate(rule->result).countingRate() - 1, 2) +
                                " after the conversion.\nNothing was converted.");
  }

  ConversionOutcome out{true, 0};
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Subtitle& was = doc.At(i);
    out.cuesChanged += (all[i].inCue != was.inCue) + (all[i].outCue != was.outCue);
  }
  if (before) before(0, doc.Count());
  doc.ReplaceAll(std::move(all));
  doc.SetFrameRate(rule->result);
  doc.modified = true;
  return out;
}

}  // namespace kipo
