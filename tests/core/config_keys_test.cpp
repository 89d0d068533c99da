#include "storage/config_keys.h"

#include <gtest/gtest.h>

#include <set>

#include "support/copy_keys.h"
#include "support/lower_case.h"
#include "support/values.h"
#include "support/zoom_levels.h"

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

// Where a key's parser has a reading of its own for an empty value, the table's fallback reads
// the same, so that the table says what an absent key means.
TEST(ConfigKeys, TheFallbacksAgreeWithTheParsers) {
  int compared = 0;
  for (const ConfigKey& key : kConfigKeys) {
    SCOPED_TRACE(ToUtf8(key.name));
    const std::string fallback = ToUtf8(key.fallback);
    switch (key.kind) {
      case KeyKind::kZoom:
        EXPECT_EQ(ConfiguredZoom(key.fallback), ConfiguredZoom(u""));
        break;
      case KeyKind::kProxy:
        EXPECT_EQ(ParseProxy(fallback), ParseProxy(""));
        break;
      case KeyKind::kStart:
        EXPECT_EQ(ParseWindowStart(fallback), ParseWindowStart(""));
        break;
      case KeyKind::kSize:
      case KeyKind::kColor:
        EXPECT_EQ(TextToInt(key.fallback), 0);  // the design's
        break;
      default:
        continue;
    }
    ++compared;
  }
  EXPECT_EQ(compared, 6);
}

}  // namespace
}  // namespace wb
