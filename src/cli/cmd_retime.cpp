// kipo retime: converts every cue of a file from one video standard to another.
#include <ostream>

#include "cli/cue_edits.h"
#include "platform/text_util.h"
#include "timing/cue_conversion.h"

namespace kipo::cli {
namespace {

struct Options {
  std::string file, output, method, conversion, startHour;
};

std::optional<ConversionMethod> ParseMethod(const std::string& text) {
  const std::string t = ToLowerAscii(Trim(text));
  if (t == "simple" || t == "0") return ConversionMethod::Simple;
  if (t == "linear" || t == "1") return ConversionMethod::Linear;
  if (t == "telecine" || t == "2") return ConversionMethod::Telecine;
  return FindConversionMethod(text);
}

// "10", or a whole label "10:00:00:00" of which only the hours count.
std::optional<int> ParseStartHour(const std::string& text) {
  std::string digits = StripSeparators(Trim(text));
  if (digits.size() != 2 && digits.size() != 8) return std::nullopt;
  long h = 0;
  if (!ParseInt(digits.substr(0, 2), h) || h < 0 || h > 23) return std::nullopt;
  return static_cast<int>(h);
}

int RunRetime(Context& ctx, const Options& o) {
  auto method = ParseMethod(o.method);
  if (!method) {
    ctx.err << "kipo retime: '" << o.method << "' is not a method (simple, linear or telecine)\n";
    return kExitError;
  }
  auto conversion = FindConversion(o.conversion);
  if (!conversion) {
    ctx.err << "kipo retime: '" << o.conversion << "' is not a conversion; see kipo retime --help\n";
    return kExitError;
  }
  const std::string& methodLabel = ConversionMethodLabels()[static_cast<int>(*method)];
  if (!MethodConverts(*method, *conversion)) {
    ctx.err << "kipo retime: " << methodLabel << " has no rule for \"" << ConversionLabel(*conversion)
            << "\"; nothing converted\n";
    return kExitError;
  }
  std::optional<int> hour;
  if (!o.startHour.empty() && !(hour = ParseStartHour(o.startHour))) {
    ctx.err << "kipo retime: --start-hour '" << o.startHour << "' is not an hour (00 to 23)\n";
    return kExitError;
  }
  SubtitleDocument doc = OpenForEditing(ctx, o.file);
  const SubtitleDocument before = doc;
  const int startHour = hour ? *hour : DefaultStartHour(doc);
  ConvertCues(doc, *method, *conversion, startHour, LoadTelecineFactors(ctx.settings));
  int changed = PrintCueChanges(ctx.out, before, doc);
  ctx.out << methodLabel << ", " << ConversionLabel(*conversion);
  if (*method != ConversionMethod::Linear) ctx.out << ", start hour " << ZeroPad(startHour, 2);
  ctx.out << ": " << changed << (changed == 1 ? " cue" : " cues") << " changed, frame rate "
          << before.frameRate().label() << " -> " << doc.frameRate().label() << "\n";
  SaveEdited(ctx, doc, o.file, o.output);
  return kExitOk;
}

std::string ConversionList() {
  std::string s;
  const char* marks[] = {"S", "L", "T"};
  for (int i = 0; i < kConversionCount; ++i) {
    std::string m;
    for (int k = 0; k < 3; ++k) m += MethodConverts(ConversionMethod(k), Conversion(i)) ? marks[k] : "-";
    s += "  " + m + "  " + ConversionLabels()[static_cast<std::size_t>(i)] + "\n";
  }
  return s;
}

Registrar reg(43, [](CLI::App& app) -> Handler {
  auto o = std::make_shared<Options>();
  auto* sub = app.add_subcommand("retime", "Convert every cue from one video standard to another");
  sub->footer(
      "Examples:\n"
      "  kipo retime film.kpox --method linear --conversion \"PAL to 23.976 fps\" -o film-23.kpox\n"
      "  kipo retime film.kpox --method simple --conversion \"PAL to NTSC Non-Drop\" --start-hour 10\n"
      "Methods:\n"
      "  simple    keeps hours, minutes and seconds; the frame field is moved into the new rate's range\n"
      "  linear    keeps the frame count and writes it at the new rate (the programme runs at another speed)\n"
      "  telecine  scales by the telecine factor (settings section \"Cue conversion\"), then moves the frame field\n"
      "Simple and telecine work above the start hour (default: the first subtitle's hour) and put it back.\n"
      "The file takes the new frame rate. Conversions, with the methods that have a rule (S, L, T):\n" +
      ConversionList());
  sub->add_option("file", o->file, "Subtitle file")->required();
  sub->add_option("--method", o->method, "simple, linear or telecine")->required();
  sub->add_option("--conversion", o->conversion, "One of the conversions listed below (any case)")->required();
  sub->add_option("--start-hour", o->startHour, "Hour the programme starts at, 00 to 23 (or HH:MM:SS:FF)");
  sub->add_option("-o,--output", o->output, "Write the result here instead of back to FILE");
  return [o](Context& ctx) { return RunRetime(ctx, *o); };
});

}  // namespace
}  // namespace kipo::cli
