#include "settings/option_table.h"

#include <gtest/gtest.h>

namespace kipo {
namespace {

struct Sample {
  std::string name = "unset";
  bool tags = false;
  short size = 0;
  int untouched = 99;
};

constexpr TextSetting kName{"Sample", "Font name", "Arial"};
constexpr FlagSetting kTags{"Sample", "Tags", true, FlagForm::OneZero};
constexpr IntSetting kSize{"Sample", "Font size", 6, 0, 20};

const OptionTable<Sample>& Table() {
  static const auto t =
      OptionTable<Sample>().Bind(&Sample::name, kName).Bind(&Sample::tags, kTags).Bind(&Sample::size, kSize);
  return t;
}

TEST(OptionTable, LoadsSavesListsAndSetsEachBoundKey) {
  SettingsStore s;
  Sample d = Table().Load(s);
  EXPECT_EQ(d.name, "Arial");
  EXPECT_TRUE(d.tags);
  EXPECT_EQ(d.size, 6);
  EXPECT_EQ(d.untouched, 99);

  Table().Save(s, Sample{"Verdana", false, 12, 1});
  EXPECT_EQ(s.Get("Sample", "Tags", ""), "0");
  EXPECT_EQ(s.Get("Sample", "Font size", ""), "12");
  EXPECT_EQ(Table().Load(s).name, "Verdana");

  EXPECT_EQ(Table().Names(), (std::vector<std::string>{"Font name", "Tags", "Font size"}));
  struct Case {
    const char* key;
    const char* value;
    bool accepted;
  };
  for (const Case& c : {Case{"font SIZE", "14", true}, Case{"Font size", "21", false}, Case{"Font size", "big", false},
                        Case{"tags", "True", true}, Case{"Tags", "maybe", false}, Case{"Colour", "1", false}}) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.value);
    EXPECT_EQ(Table().SetFromText(s, c.key, c.value), c.accepted);
  }
  EXPECT_EQ(Table().Load(s).size, 14);
  EXPECT_EQ(s.Get("Sample", "Tags", ""), "1");  // the key's own form, whatever was typed
}

}  // namespace
}  // namespace kipo
