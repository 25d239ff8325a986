#pragma once
// One declaration per settings key: its section, its name, the form its value is stored in
// and its default. Code reads and writes a key through its declaration, never through
// literal section and key names, so one key has one default and one stored form wherever
// it is used:
//
//   inline constexpr FlagSetting kScreenEbu{"Options", "Screen EBU", true, FlagForm::OneZero};
//   bool on = settings.Get(kScreenEbu);
//
// Option structs are bound to their keys through an OptionTable (option_table.h).
#include <string_view>

namespace kipo {

// How an on/off value is stored: Boolean options as "True"/"False", check-box states as
// "1"/"0". Reading accepts every form ("True", "1", "-1", any case), so a file written by
// an older build or by hand still reads; writing always uses the key's own form.
enum class FlagForm { TrueFalse, OneZero };

struct TextSetting {
  std::string_view section;
  std::string_view name;
  std::string_view def;
};

struct FlagSetting {
  std::string_view section;
  std::string_view name;
  bool def = false;
  FlagForm form = FlagForm::OneZero;
};

// Whole numbers stored as decimal text; a stored value that is not a whole number, or lies
// outside [min, max], reads as the default.
struct IntSetting {
  std::string_view section;
  std::string_view name;
  long def = 0;
  long min = -2147483647L - 1;
  long max = 2147483647L;
};

}  // namespace kipo
