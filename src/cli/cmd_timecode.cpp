// kipo timecode: a subtitler's timecode calculator.
#include <iomanip>
#include <optional>
#include <ostream>

#include "cli/cli.h"
#include "core/timecode.h"
#include "platform/text_util.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string value;
  std::string rate = "25";
  bool asFrames = false;
  bool asLabel = false;
};

// The digits of a label typed as HH:MM:SS:FF (";" or "." before the frames), MM:SS or
// MM:SS:FF, or eight bare digits; nullopt for anything else.
std::optional<std::string> LabelDigits(const std::string& v, bool bareDigits) {
  std::string d;
  if (IsLabelShape(v)) d = StripSeparators(v);
  else if ((v.size() == 5 && v[2] == ':') || (v.size() == 8 && v[2] == ':' && v[5] == ':')) d = StripSeparators(NormalizeShortLabel(v));
  else if (bareDigits && v.size() == 8) d = v;
  if (d.size() != 8 || d.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  return d;
}

// Why a label of well-formed digits is not one the rate has.
std::string OutOfRange(const std::string& d, const FrameRate& rate) {
  const std::string label = DigitsToLabel(d);
  if (IsSkippedLabel(d, rate))
    return label + " does not exist at " + rate.label() +
           ": drop-frame labels skip frames 00 and 01 at the start of every minute except each tenth (the next "
           "label is " + label.substr(0, 9) + "02)";
  if (d.compare(2, 2, "59") > 0) return label + " has minutes past 59";
  if (d.compare(4, 2, "59") > 0) return label + " has seconds past 59";
  return label + " has a frame number past " + std::to_string(rate.countingRate() - 1) + ", the last at " + rate.label();
}

int RunTimecode(Context& ctx, const Options& o) {
  FrameRate rate = *FrameRate::FromCode(ParseRateOption(o.rate));
  bool hasSep = o.value.find_first_of(":;.") != std::string::npos;
  bool isLabel = o.asLabel || (!o.asFrames && hasSep);
  Timecode frames = 0;
  if (isLabel) {
    const std::optional<std::string> label = LabelDigits(o.value, o.asLabel);
    if (!label) {
      ctx.err << "kipo timecode: '" << o.value
              << "' is not a timecode: write HH:MM:SS:FF with two digits in each field (or MM:SS, MM:SS:FF)\n";
      return kExitError;
    }
    if (!IsValidCue(*label, rate)) {
      ctx.err << "kipo timecode: " << OutOfRange(*label, rate) << "\n";
      return kExitError;
    }
    frames = LabelToFrames(*label, rate);
  } else {
    long n = 0;
    if (!ParseInt(o.value, n) || n < 0 || n > 2147483647L) {
      ctx.err << "kipo timecode: '" << o.value << "' is neither a frame count nor a timecode\n";
      return kExitError;
    }
    frames = static_cast<Timecode>(n);
  }
  // A cue holds two digits of hours; the calculator goes on past them, the hours growing
  // to as many digits as they need ("100:00:00:00").
  const std::string label = FramesToLabel(frames, rate);
  const bool pastCues = frames > LastCueFrame(rate);
  ctx.out << "Rate:    " << rate.label() << (rate.dropFrame ? " (drop-frame labels)" : "") << "\n";
  ctx.out << "Frames:  " << frames << "\n";
  ctx.out << "Label:   " << label << "\n";
  ctx.out << "Seconds: " << std::fixed << std::setprecision(3) << FramesToSeconds(frames, rate) << " (real time)\n";
  if (pastCues)
    ctx.out << "Note:    past " << FramesToLabel(LastCueFrame(rate), rate) << ", the last timecode a cue can hold\n";
  const auto& labels = TimecodeFormatLabels();
  for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
    const std::string form =
        pastCues ? FormatTimecodeFromLabel(label, i, rate) : FormatTimecode(FramesToDigits(frames, rate), i, rate);
    ctx.out << "  " << std::left << std::setw(14) << labels[i] << form << "\n";
  }
  return kExitOk;
}

Registrar reg(10, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("timecode", "Convert between timecode labels and frame counts");
  sub->footer(
      "Examples:\n"
      "  kipo timecode 00:01:00:02 --rate 29.97   # 1800 frames (drop-frame)\n"
      "  kipo timecode 17982 --rate 29.97         # 00:10:00:00\n"
      "  kipo timecode 90000 --rate 25            # 01:00:00:00\n"
      "A value with ':', ';' or '.' is a label, plain digits are a frame count.\n"
      "At 59.94 fps labels count 60 frames a second (there is no drop-frame form).");
  sub->add_option("value", o->value, "Timecode label (HH:MM:SS:FF) or frame count")->required();
  sub->add_option("--rate,-r", o->rate, "Frame rate: 15, 23.976, 24, 25, 29.97, 30, 48, 50, 59.94, 60")
      ->default_val("25");
  sub->add_flag("--frames", o->asFrames, "Read the value as a frame count");
  sub->add_flag("--label", o->asLabel, "Read the value as a label (eight digits allowed)");
  return [o](Context& ctx) { return RunTimecode(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
