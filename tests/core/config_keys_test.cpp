#include "storage/config_keys.h"

#include <gtest/gtest.h>

#include <set>

#include "support/lower_case.h"

namespace wb {
namespace {

TEST(ConfigKeys, EachKeyHasOneRow) {
  std::set<Text> names;
  for (const ConfigKey& key : kConfigKeys) {
    EXPECT_TRUE(names.insert(AsciiLowerCase(Text(key.name))).second) << ToUtf8(key.name);
    EXPECT_EQ(FindConfigKey(key.name), &key) << ToUtf8(key.name);
  }
}

TEST(ConfigKeys, FindsNamesAsTheBlockComparesThem) {
  struct Case {
    const char16_t* name;
    const char16_t* found;  // null: not a key
  };
  const Case cases[] = {
      {u"go", u"go"}, {u"GO", u"go"},    {u"NoProxy", u"noproxy"}, {u"titel", nullptr},
      {u"", nullptr}, {u" go", nullptr}, {u"go ", nullptr},        {u"proxy=", nullptr},
  };
  for (const auto& c : cases) {
    const ConfigKey* key = FindConfigKey(c.name);
    if (c.found == nullptr) {
      EXPECT_EQ(key, nullptr) << ToUtf8(c.name);
    } else {
      ASSERT_NE(key, nullptr) << ToUtf8(c.name);
      EXPECT_EQ(key->name, c.found);
    }
  }
}

// An absent or empty value reads as the key's fallback; any other value as it is.
TEST(ConfigKeys, ValuesFallBackToTheTable) {
  struct Case {
    ValueList values;
    const char16_t* name;
    const char16_t* value;
    bool asSwitch;
  };
  const Case cases[] = {
      {{}, u"spell", u"1", true},
      {{u"spell=0"}, u"spell", u"0", false},
      {{u"Spell=no"}, u"spell", u"no", false},
      {{u"spell="}, u"spell", u"1", true},
      {{}, u"tray", u"0", false},
      {{u"tray=yes"}, u"tray", u"yes", true},
      {{}, u"zoom", u"100", true},
      {{}, u"proxy", u"system", false},
      {{}, u"start", u"normal", false},
      {{u"start=fullscreen"}, u"start", u"fullscreen", false},
      {{}, u"title", u"", false},
      {{u"title=T", u"go=http://g/"}, u"go", u"http://g/", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ConfiguredValue(c.values, c.name), c.value) << ToUtf8(c.name);
    EXPECT_EQ(ConfiguredSwitch(c.values, c.name), c.asSwitch) << ToUtf8(c.name);
  }
}

TEST(ConfigKeys, NumbersAndTriStates) {
  struct Case {
    ValueList values;
    int width;
    std::int32_t color;
    std::optional<bool> dark;
  };
  const Case cases[] = {
      {{}, 0, 0, std::nullopt},
      {{u"width=640px", u"color=#102030", u"dark=1"}, 640, 0x302010, true},
      {{u"width=-5", u"color=-1", u"dark=0"}, 0, 0, false},
      {{u"width=abc", u"color=#000000", u"dark=  "}, 0, 0, std::nullopt},
      {{u"dark=yes"}, 0, 0, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ConfiguredSize(c.values, u"width"), c.width);
    EXPECT_EQ(ConfiguredColor(c.values, u"color"), c.color);
    EXPECT_EQ(ConfiguredTriState(c.values, u"dark"), c.dark);
  }
}

}  // namespace
}  // namespace wb
