// The window's small rules, as tables: Escape's order, the completion of typed text, the
// origins told to a new web process, the script address, the bars and the pop-up limits.
#include "model/window_rules.h"

#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

namespace wbtest {
namespace {

using wb::EscapeAction;
using wb::Text;

TEST(WindowRules, EscapeStopsALoadingFocusedPageBeforeItClosesTheFindBar) {
  struct Case {
    bool pageFocused, loading, findOpen;
    EscapeAction want;
  } const cases[] = {
      {true, true, true, EscapeAction::kStop},
      {true, true, false, EscapeAction::kStop},
      {true, false, true, EscapeAction::kCloseFindBar},
      {false, true, true, EscapeAction::kCloseFindBar},
      {false, false, true, EscapeAction::kCloseFindBar},
      {true, false, false, EscapeAction::kPass},
      {false, true, false, EscapeAction::kPass},
      {false, false, false, EscapeAction::kPass},
  };
  for (const auto& c : cases)
    EXPECT_EQ(wb::EscapeFor(c.pageFocused, c.loading, c.findOpen), c.want)
        << c.pageFocused << c.loading << c.findOpen;
}

TEST(WindowRules, TypedTextCompletesToTheNewestEntryItStarts) {
  const std::list<Text> recent{u"http://Shop.example/cart", u"http://shop.example/",
                               u"http://news.example/", u"h"};
  struct Case {
    Text typed, selected;
    int index;  // -1: no completion
    bool alreadySelected;
  } const cases[] = {
      {u"http://shop", u"", 0, false},
      {u"HTTP://SHOP.EXAMPLE/C", u"", 0, false},  // letters compared without case
      {u"http://shop.example/", u"", 0, false},   // the newer entry it starts, not the equal one
      {u"http://shop.example/", u"http://shop.example/", 0, false},
      {u"http://n", u"", 2, false},
      {u"http://news.example/", u"http://news.example/", 2, true},
      {u"http://news.example/", u"http://NEWS.example/", 2, false},  // selected: exactly
      {u"h", u"", 0, false},
      {u"http://news.example/more", u"", -1, false},  // longer than every entry it starts
      {u"ftp://", u"", -1, false},
      {u"", u"", -1, false},  // nothing typed: nothing completes
  };
  for (const auto& c : cases) {
    const auto found = wb::CompleteFrom(recent, c.typed, c.selected);
    SCOPED_TRACE(wb::ToUtf8(c.typed));
    ASSERT_EQ(found.has_value(), c.index >= 0);
    if (!found) continue;
    EXPECT_EQ(found->index, c.index);
    EXPECT_EQ(found->entry, *std::next(recent.begin(), c.index));
    EXPECT_EQ(found->alreadySelected, c.alreadySelected);
  }
}

TEST(WindowRules, NotificationOriginsAreEachWebOriginOnceSorted) {
  const Text links[] = {u"https://b.example/a", u"about:blank", u"https://b.example:443/b"};
  const Text history[] = {u"http://a.example:8080/x", u"file:///home/u/page.html",
                          u"data:text/html,hi", u"https://B.example/c", u"javascript:void(0)"};
  std::vector<const Text*> addresses;
  for (const Text& a : links) addresses.push_back(&a);
  for (const Text& a : history) addresses.push_back(&a);
  EXPECT_EQ(wb::NotificationOrigins("https://start.example", addresses),
            (std::vector<std::string>{"http://a.example:8080", "https://b.example",
                                      "https://start.example"}));
  // A start address without an origin adds none.
  EXPECT_EQ(wb::NotificationOrigins("", {}), std::vector<std::string>{});
}

TEST(WindowRules, AScriptAddressIsNoPageOfItsOwn) {
  EXPECT_TRUE(wb::IsScriptAddress(u"javascript:void(0)"));
  EXPECT_FALSE(wb::IsScriptAddress(u"http://example.org/javascript.html"));
  EXPECT_FALSE(wb::IsScriptAddress(u"about:blank"));
}

}  // namespace
}  // namespace wbtest

namespace {

// One step a row: "vis LETTERS" makes the bars, "full" / "window" enter / leave full screen,
// "strip 0|1" and "status 0|1" are the View menu's toggles. `shown` lists the bars on screen
// at the end: m menu, n navigation buttons, a address box, l link bar, N navigation row,
// L link row, S strip, s status bar.
std::string ShownLetters(const wb::BarsShown& b) {
  std::string s;
  for (auto [on, letter] : {std::pair{b.menu, 'm'},
                            {b.navbar, 'n'},
                            {b.address, 'a'},
                            {b.linkbar, 'l'},
                            {b.navRow, 'N'},
                            {b.linkRow, 'L'},
                            {b.strip, 'S'},
                            {b.statusbar, 's'}})
    if (on) s += letter;
  return s;
}

}  // namespace

TEST(WindowRules, TheBarsFollowTheVisKeyTheMenuAndFullScreen) {
  const struct {
    const char* name;
    const char* vis;
    std::vector<std::string> steps;
    std::string shown;
  } cases[] = {
      {"every bar", "mnal", {}, "mnalNLSs"},
      {"no vis key: every bar", "", {}, "mnalNLSs"},
      {"letters in another case count for nothing", "MNAL", {}, "s"},
      {"the navigation buttons alone, without the menu", "n", {}, "nNSs"},
      {"the address box and the links", "la", {}, "alNLSs"},
      {"every bar but the status bar", "mnal-s", {}, "mnalNLS"},
      {"only the status bar", "-", {}, "s"},
      {"the address box alone keeps its row and the strip", "a-s", {}, "aNS"},
      {"the link bar alone", "ml", {}, "mlLSs"},
      {"full screen hides the menu, the strip and the status bar", "mnal", {"full"}, "nalNL"},
      {"leaving gives back every bar shown before", "mnal", {"full", "window"}, "mnalNLSs"},
      {"and no bar that was hidden before", "mna-s", {"strip 0", "full", "window"}, "mnaN"},
      {"a destroyed menu stays gone", "na", {"full", "window"}, "naNSs"},
      {"a toggle in full screen shows once it is left",
       "mnal",
       {"full", "status 0", "strip 0"},
       "nalNL"},
      {"... and then", "mnal", {"full", "status 0", "window"}, "mnalNLS"},
      {"the menu shows the strip the vis key hid", "m", {"strip 1"}, "mSs"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Without the key (or with it empty) the configuration keeps every bar.
    wb::WindowBars bars(*c.vis ? wb::ParseVis(wb::FromUtf8(c.vis)) : wb::BarVisibility{});
    for (const std::string& step : c.steps) {
      if (step == "full") {
        EXPECT_TRUE(bars.SetFullScreen(true));
      } else if (step == "window") {
        EXPECT_TRUE(bars.SetFullScreen(false));
      } else if (step.starts_with("strip ")) {
        bars.ShowStrip(step.back() == '1');
      } else if (step.starts_with("status ")) {
        bars.ShowStatusBar(step.back() == '1');
      }
    }
    EXPECT_EQ(ShownLetters(bars.Shown()), c.shown);
  }
  wb::WindowBars bars(wb::ParseVis(u"mnal"));
  EXPECT_FALSE(bars.SetFullScreen(false)) << "leaving a full screen never entered changes nothing";
}

TEST(WindowRules, APageOpensAtMostEightWindowsAtOnceAndFiveASecond) {
  using Clock = wb::NewWindowLimits::Clock;
  const Clock::time_point t0{};
  const auto at = [&](int ms) { return t0 + std::chrono::milliseconds(ms); };
  const struct {
    const char* name;
    std::vector<std::pair<int, int>> opens;  // (ms, child windows open; -1: elsewhere)
    std::string allowed;                     // one letter an open: y / n
  } cases[] = {
      {"five in a second, the sixth waits for the second to pass",
       {{0, 0}, {100, 1}, {200, 2}, {300, 3}, {400, 4}, {500, 5}, {1000, 5}},
       "yyyyyny"},
      {"the browser's windows and the page's own share the rate",
       {{0, -1}, {0, -1}, {0, -1}, {0, 0}, {0, 1}, {0, 2}, {0, -1}},
       "yyyyynn"},
      {"never more than eight of its own at once, however slow",
       {{0, 7}, {2000, 8}, {4000, 9}, {6000, 7}},
       "ynny"},
      {"one refused for the count does not use up the rate",
       {{0, 8}, {0, 8}, {0, 8}, {0, 8}, {0, 8}, {0, 8}, {0, 0}},
       "nnnnnny"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    wb::NewWindowLimits limits;
    std::string allowed;
    for (const auto& [ms, open] : c.opens) {
      const bool ok = open < 0 ? limits.MayOpenElsewhere(at(ms))
                               : limits.MayOpenChild(static_cast<std::size_t>(open), at(ms));
      allowed += ok ? 'y' : 'n';
    }
    EXPECT_EQ(allowed, c.allowed);
  }
}

TEST(WindowRules, OnlyWebAddressesLeaveWithoutAskingAndOnlyThoseWithASchemeLeaveAtAll) {
  struct Case {
    const char* target;
    wb::HandOver want;
  } const cases[] = {
      {"http://a.example/", wb::HandOver::kOpen},
      {"HTTPS://a.example/x", wb::HandOver::kOpen},
      {"mailto:someone@a.example", wb::HandOver::kAsk},
      {"smb://share/folder", wb::HandOver::kAsk},
      {"ssh://host", wb::HandOver::kAsk},
      {"file:///etc/passwd", wb::HandOver::kAsk},
      {"javascript:alert(1)", wb::HandOver::kAsk},
      {"", wb::HandOver::kRefuse},
      {"no scheme here", wb::HandOver::kRefuse},
      {"//a.example/", wb::HandOver::kRefuse},
  };
  for (const auto& c : cases) EXPECT_EQ(wb::HandOverFor(c.target), c.want) << c.target;
}

TEST(WindowRules, ThePageMenuOffersStopOnlyWhileLoading) {
  using wb::PageMenuCommand;
  struct Case {
    PageMenuCommand command;
    bool windowEnabled, loading, want;
  } const cases[] = {
      {PageMenuCommand::kStop, true, true, true},
      {PageMenuCommand::kStop, true, false, false},
      {PageMenuCommand::kStop, false, true, false},
      {PageMenuCommand::kBack, true, false, true},
      {PageMenuCommand::kBack, false, true, false},
      {PageMenuCommand::kForward, true, false, true},
      {PageMenuCommand::kRefresh, true, false, true},
      {PageMenuCommand::kRefresh, false, false, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(wb::PageMenuOffers(c.command, c.windowEnabled, c.loading), c.want)
        << static_cast<int>(c.command) << c.windowEnabled << c.loading;
}

TEST(WindowRules, TheNormalPlacementIsOnlyTakenOutsideMaximisedAndFullScreen) {
  struct Case {
    bool maximized, windowFullScreen, ownFullScreen, want;
  } const cases[] = {
      {false, false, false, true}, {true, false, false, false}, {false, true, false, false},
      {false, false, true, false}, {true, true, true, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(wb::ShowsNormalPlacement(c.maximized, c.windowFullScreen, c.ownFullScreen), c.want)
        << c.maximized << c.windowFullScreen << c.ownFullScreen;
}
