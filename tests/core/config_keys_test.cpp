#include "storage/config_keys.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>

#include "storage/window_config.h"
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
  EXPECT_EQ(compared, 7);
}

// A row without a reader would be a key the program lists but never applies.
TEST(ConfigKeys, EveryRowHasAReader) {
  for (const ConfigKey& key : kConfigKeys) EXPECT_NE(key.read, nullptr) << ToUtf8(key.name);
}

// Converts to any member's type, so that counting how many of it initialise WindowConfig
// counts the members.
struct AnyMember {
  template <class T>
  operator T() const;  // NOLINT: never called, only named in unevaluated contexts
};

template <class T, std::size_t... I>
constexpr bool InitialisesWith(std::index_sequence<I...>) {
  return requires {
    T{(static_cast<void>(I), AnyMember{})...};
  };
}

template <class T, std::size_t N = 0>
constexpr std::size_t MemberCount() {
  if constexpr (InitialisesWith<T>(std::make_index_sequence<N + 1>())) {
    return MemberCount<T, N + 1>();
  } else {
    return N;
  }
}

// Every member of WindowConfig comes from a row, or is one of those that a row sets beside the
// member it names, or does not come from the block's lines at all. A new member without a
// row (or a row without a member) changes the count: give the key its row in kConfigKeys.
TEST(ConfigKeys, EveryMemberOfTheWindowsConfigurationHasARow) {
  // Set beside the member their row names: caption (title), linkButtons (links), visApplied and
  // bars (vis); and four that the block's lines do not give: resList, style, script and
  // updateKey.
  constexpr std::size_t kBesideTheirRow = 4;
  constexpr std::size_t kNotFromLines = 4;
  EXPECT_EQ(MemberCount<WindowConfig>(), std::size(kConfigKeys) + kBesideTheirRow + kNotFromLines);
}

// Each row's reader sets the member it names: a block that gives every key a value other than
// its fallback changes what the window applies, key by key.
TEST(ConfigKeys, EachReaderSetsItsMember) {
  const WindowConfig defaults = WindowConfigFromValues({});
  const struct {
    Text line;
    std::function<bool(const WindowConfig&)> changed;
  } cases[] = {
      {u"title=T", [&](const WindowConfig& c) { return c.caption == u"T" && c.bannerShown; }},
      {u"showbanner=1", [&](const WindowConfig& c) { return c.bannerShown; }},
      {u"links=A=http://a/", [&](const WindowConfig& c) { return c.linkButtons.size() == 1; }},
      {u"vis=m", [&](const WindowConfig& c) { return c.visApplied && !c.bars.navbar; }},
      {u"width=5", [&](const WindowConfig& c) { return c.width == 5; }},
      {u"height=6", [&](const WindowConfig& c) { return c.height == 6; }},
      {u"color=7", [&](const WindowConfig& c) { return c.color == 7; }},
      {u"go=http://g/", [&](const WindowConfig& c) { return c.go == u"http://g/"; }},
      {u"webinfo=1", [&](const WindowConfig& c) { return c.webinfo; }},
      {u"gpu=1", [&](const WindowConfig& c) { return c.gpu; }},
      {u"ephemeral=1", [&](const WindowConfig& c) { return c.ephemeral; }},
      {u"single=1", [&](const WindowConfig& c) { return c.single; }},
      {u"trust=" + Text(64, u'a'), [&](const WindowConfig& c) { return !c.trust.Texts().empty(); }},
      {u"allow=camera", [&](const WindowConfig& c) { return !c.allow.kinds.empty(); }},
      {u"internal=a.example", [&](const WindowConfig& c) { return !c.internal.empty(); }},
      {u"zoom=150", [&](const WindowConfig& c) { return c.zoom == 150; }},
      {u"devtools=1", [&](const WindowConfig& c) { return c.devtools; }},
      {u"spell=0", [&](const WindowConfig& c) { return !c.spell; }},
      {u"remember=1", [&](const WindowConfig& c) { return c.remember; }},
      {u"agent=A", [&](const WindowConfig& c) { return c.agent.valid && c.agent.text == "A"; }},
      {u"proxy=none", [&](const WindowConfig& c) { return c.proxy.mode == ProxyMode::kNone; }},
      {u"noproxy=a.example", [&](const WindowConfig& c) { return !c.noproxy.empty(); }},
      {u"dark=1", [&](const WindowConfig& c) { return c.dark == true; }},
      {u"start=maximized",
       [&](const WindowConfig& c) { return c.start == WindowStart::kMaximized; }},
      {u"ontop=1", [&](const WindowConfig& c) { return c.ontop; }},
      {u"badge=1", [&](const WindowConfig& c) { return c.badge; }},
      {u"tray=1", [&](const WindowConfig& c) { return c.tray; }},
      {u"maker=M", [&](const WindowConfig& c) { return c.maker == u"M"; }},
      {u"homepage=http://m.example/",
       [&](const WindowConfig& c) { return c.homepage == u"http://m.example"; }},
      {u"contact=a|b", [&](const WindowConfig& c) { return c.contact.size() == 2; }},
      {u"shop=https://m.example/s", [&](const WindowConfig& c) { return !c.shop.empty(); }},
      {u"support=https://m.example/h", [&](const WindowConfig& c) { return !c.support.empty(); }},
      {u"lang=de,en", [&](const WindowConfig& c) { return c.lang.tags.size() == 2; }},
      {u"update=https://m.example/acme.latest",
       [&](const WindowConfig& c) { return c.update == u"https://m.example/acme.latest"; }},
      {u"version=2.0-1", [&](const WindowConfig& c) { return c.version == u"2.0-1"; }},
      {u"vendor=Greenleaf", [&](const WindowConfig& c) { return c.vendor == u"Greenleaf"; }},
      {u"shortcuts=A=https://a.example/",
       [&](const WindowConfig& c) { return c.shortcuts.items.size() == 1; }},
      {u"schemes=web+a=https://a.example/?%s",
       [&](const WindowConfig& c) { return c.schemes.items.size() == 1; }},
      {u"files=text/csv .csv=https://a.example/",
       [&](const WindowConfig& c) { return c.files.items.size() == 1; }},
      {u"background=#102030", [&](const WindowConfig& c) { return c.background == 0x302010; }},
      {u"autostart=1", [&](const WindowConfig& c) { return c.autostart; }},
  };
  ASSERT_EQ(std::size(cases), std::size(kConfigKeys));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Text line = cases[i].line;
    SCOPED_TRACE(ToUtf8(line));
    EXPECT_EQ(EntryName(line), kConfigKeys[i].name) << "the cases follow the table";
    EXPECT_FALSE(cases[i].changed(defaults));
    EXPECT_TRUE(cases[i].changed(WindowConfigFromValues({line})));
  }
}

CopyMaker Maker(Text name = {}, Text homepage = {}, std::vector<Text> contact = {}, Text shop = {},
                Text support = {}) {
  return {std::move(name), std::move(homepage), std::move(contact), std::move(shop),
          std::move(support)};
}

// The maker's keys keep only what the about box can show: texts without blanks at their ends,
// at most four contact lines and none empty, and addresses that a click can open.
TEST(ConfigKeys, TheMakersKeysKeepWhatTheAboutBoxCanShow) {
  struct Case {
    const char* what;
    ValueList values;
    CopyMaker maker;
  };
  const Text longName(kMaxMakerText + 5, u'x');
  const Case cases[] = {
      {"none", {}, Maker()},
      {"blanks only", {u"maker=  ", u"contact= | ", u"shop= "}, Maker()},
      {"all of them",
       {u"maker= Greenleaf Ltd ", u"homepage=https://greenleaf.example/",
        u"contact=1 Garden Row| Leafton ||Tel 01 23", u"shop=https://shop.greenleaf.example/a?b",
        u"support=http://greenleaf.example/help"},
       Maker(u"Greenleaf Ltd", u"https://greenleaf.example",
             {u"1 Garden Row", u"Leafton", u"Tel 01 23"}, u"https://shop.greenleaf.example/a?b",
             u"http://greenleaf.example/help")},
      {"a fifth contact line is left out",
       {u"contact=a|b|c|d|e"},
       Maker({}, {}, {u"a", u"b", u"c", u"d"})},
      {"a long name is cut", {u"maker=" + longName}, Maker(longName.substr(0, kMaxMakerText))},
      {"only http and https addresses with a host",
       {u"homepage=ftp://m.example", u"shop=javascript:alert(1)", u"support=m.example/help"},
       Maker()},
      {"an address that cannot load", {u"shop=http://bad host/"}, Maker()},
      {"a homepage loses its trailing slashes only",
       {u"homepage=https://m.example/base//", u"shop=https://m.example/s/"},
       Maker({}, u"https://m.example/base", {}, u"https://m.example/s/")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakerOf(WindowConfigFromValues(c.values)), c.maker) << c.what;
  }
  std::size_t dropped = 0;
  EXPECT_EQ(ContactLines(u"a|b|c|d|e|f", &dropped).size(), kMaxContactLines);
  EXPECT_EQ(dropped, 2u);
}

}  // namespace
}  // namespace wb
