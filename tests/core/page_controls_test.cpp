// The everyday controls' rules without widgets: zoom steps, bounds and the levels remembered
// per origin; the find bar's count; the remembered window placement; the spell checker's
// languages; and the configuration keys that switch them.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

#include "model/find_in_page.h"
#include "model/page_zoom.h"
#include "model/window_memory.h"
#include "storage/copy_store.h"
#include "storage/settings_store.h"
#include "storage/window_config.h"
#include "support/spell_languages.h"
#include "support/zoom_levels.h"
#include "tests/core/settings_test_env.h"

namespace wb {
namespace {

TEST(ZoomSteps, StepInAndOutWithinTheBounds) {
  struct Case {
    int from, in, out;
  } cases[] = {
      {100, 110, 90},  {30, 50, 30},    {300, 300, 250},
      {67, 80, 50},    {115, 125, 110},  // between steps: to the neighbouring steps
      {10, 30, 30},  // below the bounds: in goes to the first step, out stays at the bottom
      {400, 300, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    EXPECT_EQ(ZoomInStep(c.from), c.in);
    EXPECT_EQ(ZoomOutStep(c.from), c.out);
  }
}

TEST(ZoomSteps, ConfiguredAndStoredLevels) {
  struct Case {
    const char16_t* value;
    int configured;
    std::optional<int> stored;
  } cases[] = {
      {u"", 100, std::nullopt},    {u"125", 125, 125},           {u"125%", 125, std::nullopt},
      {u"20", 30, std::nullopt},   {u"1000", 300, std::nullopt}, {u"0", 100, std::nullopt},
      {u"-50", 100, std::nullopt}, {u"big", 100, std::nullopt},  {u"30", 30, 30},
      {u"300", 300, 300},          {u" 150", 150, 150},  // blanks before a number are part of its
                                                         // syntax
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.value));
    EXPECT_EQ(ConfiguredZoom(c.value), c.configured);
    EXPECT_EQ(StoredZoom(c.value), c.stored);
  }
}

// The zoom levels of a store in memory, as the zoom tests read and seed them.
struct MapZoomMemory : MemoryCopyStore {
  std::map<Text, Text>& values = Values(CopyKey::kZoom);
};

TEST(PageZoom, RemembersTheLevelPerOrigin) {
  MapZoomMemory memory;
  memory.values[u"http://b.example"] = u"150";
  memory.values[u"http://bad.example"] = u"999";
  PageZoom zoom(memory, 110);
  struct Step {
    const char* what;
    std::function<int()> run;
    int percent;
    std::map<Text, Text> stored;
  } steps[] = {
      {"a first page: the default",
       [&] { return zoom.Navigated(u"http://a.example/1"); },
       110,
       {{u"http://b.example", u"150"}, {u"http://bad.example", u"999"}}},
      {"in twice",
       [&] { return zoom.ZoomIn(), zoom.ZoomIn(); },
       150,
       {{u"http://a.example", u"150"},
        {u"http://b.example", u"150"},
        {u"http://bad.example", u"999"}}},
      {"the same origin keeps it",
       [&] { return zoom.Navigated(u"http://A.example/2"); },
       150,
       {{u"http://a.example", u"150"},
        {u"http://b.example", u"150"},
        {u"http://bad.example", u"999"}}},
      {"an origin remembered before",
       [&] { return zoom.Navigated(u"http://b.example/"); },
       150,
       {{u"http://a.example", u"150"},
        {u"http://b.example", u"150"},
        {u"http://bad.example", u"999"}}},
      {"out",
       [&] { return zoom.ZoomOut(); },
       125,
       {{u"http://a.example", u"150"},
        {u"http://b.example", u"125"},
        {u"http://bad.example", u"999"}}},
      {"reset removes the entry",
       [&] { return zoom.Reset(); },
       110,
       {{u"http://a.example", u"150"}, {u"http://bad.example", u"999"}}},
      {"a stored level out of bounds is ignored",
       [&] { return zoom.Navigated(u"http://bad.example"); },
       110,
       {{u"http://a.example", u"150"}, {u"http://bad.example", u"999"}}},
      {"a page without an origin zooms without remembering",
       [&] { return zoom.Navigated(u"about:blank"), zoom.ZoomIn(); },
       125,
       {{u"http://a.example", u"150"}, {u"http://bad.example", u"999"}}},
      {"back to the first origin",
       [&] { return zoom.Navigated(u"http://a.example/3"); },
       150,
       {{u"http://a.example", u"150"}, {u"http://bad.example", u"999"}}},
  };
  for (Step& s : steps) {
    SCOPED_TRACE(s.what);
    EXPECT_EQ(s.run(), s.percent);
    EXPECT_EQ(zoom.Percent(), s.percent);
    EXPECT_EQ(memory.values, s.stored);
  }
}

TEST(PageZoom, WheelNotchesAndPartsOfThemAddUpToSteps) {
  struct Case {
    const char* what;
    std::vector<double> deltas;
    int percent;
  } cases[] = {
      {"one notch away zooms in", {-1}, 110},
      {"one notch towards zooms out", {1}, 90},
      {"half notches add up", {-0.5, -0.5}, 110},
      {"a change of direction starts afresh", {-0.75, 0.5, 0.5}, 90},
      {"a huge turn moves a few steps", {-1e12}, 300},
      {"not a number does nothing", {std::nan("")}, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MapZoomMemory memory;
    PageZoom zoom(memory);
    zoom.Navigated(u"http://a.example/");
    for (double d : c.deltas) zoom.Wheel(d);
    EXPECT_EQ(zoom.Percent(), c.percent);
  }
}

using ZoomSettings = wbtest::SettingsTest;

TEST_F(ZoomSettings, LevelsAreStoredUnderTheCopysZoomKeyByOrigin) {
  SettingsCopyStore memory;
  {
    PageZoom zoom(memory);
    zoom.Navigated(u"http://127.0.0.1:4000/page");
    zoom.ZoomIn();
  }
  EXPECT_EQ(ReadVar(u"my.app\\Zoom", u"http://127.0.0.1:4000"), u"110");
  EXPECT_NE(Contents(HivePath()).find("[HKEY_CURRENT_USER\\Software\\Morvane\\my.app\\Zoom]"),
            std::string::npos);
  PageZoom again(memory);
  EXPECT_EQ(again.Navigated(u"http://127.0.0.1:4000/other"), 110);
  again.Reset();
  EXPECT_EQ(ReadVar(u"my.app\\Zoom", u"http://127.0.0.1:4000", u"none"), u"none");
}

TEST(FindInPage, CountTexts) {
  struct Case {
    const char16_t* text;
    int matches, current;
    const char16_t* shown;
  } cases[] = {
      {u"word", 12, 3, u"3 of 12"},
      {u"word", 0, 0, u"No matches"},
      {u"word", -1, 0, u""},
      {u"", 5, 1, u""},
      {u"word", 1001, 7, u"7 of more than 1000"},
      {u"word", 3, 0, u"1 of 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.shown));
    EXPECT_EQ(MatchCountText(c.text, c.matches, c.current), c.shown);
  }
}

TEST(FindInPage, CurrentMatchWrapsAroundAndFollowsTheCount) {
  FindInPage find;
  struct Step {
    const char* what;
    std::function<void()> run;
    int matches, current;
    const char16_t* shown;
  } steps[] = {
      {"a new text waits for the count", [&] { EXPECT_TRUE(find.SetText(u"word", false)); }, -1, 0,
       u""},
      {"the count selects the first", [&] { find.Counted(3); }, 3, 1, u"1 of 3"},
      {"next", [&] { EXPECT_TRUE(find.Next()); }, 3, 2, u"2 of 3"},
      {"next", [&] { find.Next(); }, 3, 3, u"3 of 3"},
      {"next wraps to the first", [&] { find.Next(); }, 3, 1, u"1 of 3"},
      {"previous wraps to the last", [&] { find.Previous(); }, 3, 3, u"3 of 3"},
      {"a recount with fewer keeps it within", [&] { find.Counted(2); }, 2, 2, u"2 of 2"},
      {"an engine count beyond the limit", [&] { find.Counted(1 << 30); }, 1001, 2,
       u"2 of more than 1000"},
      {"none", [&] { find.SetText(u"absent", true), find.Counted(0); }, 0, 0, u"No matches"},
      {"next without a match", [&] { EXPECT_FALSE(find.Next()); }, 0, 0, u"No matches"},
      {"an empty text ends the search", [&] { EXPECT_FALSE(find.SetText(u"", false)); }, 0, 0, u""},
      {"a count for no text is ignored", [&] { find.Counted(4); }, 0, 0, u""},
  };
  for (Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.run();
    EXPECT_EQ(find.Matches(), s.matches);
    EXPECT_EQ(find.Current(), s.current);
    EXPECT_EQ(find.CountText(), s.shown);
  }
  find.SetText(Text(5000, u'x'), false);
  EXPECT_EQ(find.TextSought().size(), kMaxFindTextLength);
}

TEST(WindowPlacement, StoredValuesWithinTheirBounds) {
  struct Case {
    const char* what;
    const char16_t *width, *height, *maximized, *left, *top;
    std::optional<WindowPlacement> placement;
  } cases[] = {
      {"size and position", u"800", u"600", u"0", u"10", u"-20",
       WindowPlacement{800, 600, false, true, 10, -20}},
      {"maximised, no position", u"800", u"600", u"1", u"", u"", WindowPlacement{800, 600, true}},
      {"half a position is none", u"800", u"600", u"", u"10", u"", WindowPlacement{800, 600}},
      {"a position beyond the bounds", u"800", u"600", u"", u"40000", u"0",
       WindowPlacement{800, 600}},
      {"the smallest and largest sides", u"100", u"16384", u"yes", u"", u"",
       WindowPlacement{100, 16384, true}},
      {"too small", u"99", u"600", u"", u"", u"", std::nullopt},
      {"too large", u"800", u"16385", u"", u"", u"", std::nullopt},
      {"not a whole number", u"800px", u"600", u"", u"", u"", std::nullopt},
      {"missing", u"", u"600", u"1", u"", u"", std::nullopt},
      {"negative", u"-800", u"600", u"", u"", u"", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PlacementFromValues(c.width, c.height, c.maximized, c.left, c.top), c.placement);
  }
}

using WindowMemorySettings = wbtest::SettingsTest;

TEST_F(WindowMemorySettings, PlacementRoundTripsThroughTheCopysWindowKey) {
  SettingsCopyStore store;
  EXPECT_EQ(ReadWindowPlacement(store), std::nullopt);
  ASSERT_TRUE(WriteWindowPlacement(store, {640, 480, true, true, 5, 7}).ok());
  EXPECT_EQ(ReadVar(u"my.app\\Window", u"Width"), u"640");
  EXPECT_EQ(ReadWindowPlacement(store), (WindowPlacement{640, 480, true, true, 5, 7}));
  // Without a position the stored one goes; a size out of bounds is not stored at all.
  ASSERT_TRUE(WriteWindowPlacement(store, {700, 500, false, false, 0, 0}).ok());
  EXPECT_EQ(ReadWindowPlacement(store), (WindowPlacement{700, 500, false}));
  ASSERT_TRUE(WriteWindowPlacement(store, {20, 500, false, false, 0, 0}).ok());
  EXPECT_EQ(ReadWindowPlacement(store), (WindowPlacement{700, 500, false}));
}

TEST(WindowMemory, ThePlacementIsOneWriteAndARefusalKeepsTheStoredOne) {
  MemoryCopyStore store;
  ASSERT_TRUE(WriteWindowPlacement(store, {640, 480, false, true, 5, 7}).ok());
  EXPECT_EQ(store.writes, 1);
  store.refusal = "No space left on device";
  const SettingsResult refused = WriteWindowPlacement(store, {800, 600, true, false, 0, 0});
  EXPECT_EQ(refused.reason, "No space left on device");
  EXPECT_EQ(store.writes, 2);
  store.refusal.clear();
  EXPECT_EQ(ReadWindowPlacement(store), (WindowPlacement{640, 480, false, true, 5, 7}));
}

TEST(SpellLanguages, FromTheLocalesLanguageNames) {
  struct Case {
    std::vector<std::string> names;
    std::vector<std::string> languages;
  } cases[] = {
      {{"en_US.UTF-8", "en_US", "en.UTF-8", "en", "C"}, {"en_US", "en"}},
      {{"de_CH.UTF-8@euro", "de_CH@euro", "de_CH", "de", "C"}, {"de_CH", "de"}},
      {{"C.UTF-8", "C", "POSIX"}, {}},
      {{"fil_PH", "sr_RS@latin"}, {"fil_PH", "sr_RS"}},
      {{"EN_us", "english", "e", "en_USA", "en_", "../../etc"}, {}},
      {{"a", "aa", "ab", "ac", "ad", "ae", "af", "ag", "ah", "ai"},
       {"aa", "ab", "ac", "ad", "ae", "af", "ag", "ah"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SpellLanguages(c.names), c.languages);
}

TEST(EverydayKeys, ReadFromTheConfiguration) {
  struct Case {
    ValueList values;
    int zoom;
    bool devtools, spell, remember;
  } cases[] = {
      {{}, 100, false, true, false},
      {{u"zoom=150", u"devtools=1", u"spell=0", u"remember=yes"}, 150, true, false, true},
      {{u"zoom=5000", u"devtools=no", u"spell=1", u"remember=0"}, 300, false, true, false},
      {{u"zoom=x", u"spell=off"}, 100, false, false, false},
  };
  for (const Case& c : cases) {
    const WindowConfig config = WindowConfigFromValues(c.values);
    EXPECT_EQ(config.zoom, c.zoom);
    EXPECT_EQ(config.devtools, c.devtools);
    EXPECT_EQ(config.spell, c.spell);
    EXPECT_EQ(config.remember, c.remember);
  }
}

}  // namespace
}  // namespace wb
