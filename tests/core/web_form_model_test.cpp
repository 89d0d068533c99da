// The browser window's rules without widgets: its history, the address box and its list of
// recent addresses, the status and progress texts, go's skip rule, the enable rules of Back
// and Forward, navigations called off after their announcement, and the link entries.
#include "model/web_form_model.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/maker.h"

namespace wbtest {
namespace {

using wb::Text;
using Items = std::vector<Text>;

// The window around the model: a web view that, like the engine, announces each address it
// is asked for (unless told not to) and starts nothing for blanks, and the controls'
// notifications, recorded.
class FakeHost : public wb::WebFormHost {
 public:
  bool Navigate(const Text& address) override {
    if (address.find_first_not_of(u" \t\r\n") == Text::npos) return false;
    navigated.push_back(address);
    if (raiseOnNavigate && model) model->webBeforeNavigate2(address);
    return true;
  }
  bool LeavePromptOpen() const override { return leavePromptOpen; }
  Text LocationURL() const override { return location; }
  void AddrTextChanged(const Text& text) override { addrShown = text; }
  void StatusChanged(const Text& text) override { statusShown = text; }
  void RecentMovedToTop(const Text& entry, std::optional<std::size_t> from) override {
    recentChanges.push_back(
        (from ? u"moved from " + wb::Ascii(std::to_string(*from)) + u" " : u"inserted ") + entry);
  }
  void HistoryChanged() override { ++historyChanges; }
  void LinksChanged() override { ++linkChanges; }

  wb::WebFormModel* model = nullptr;
  bool raiseOnNavigate = true;
  bool leavePromptOpen = false;
  Text location;
  Items navigated;
  Text addrShown, statusShown;
  Items recentChanges;
  int historyChanges = 0, linkChanges = 0;
};

struct Fixture {
  explicit Fixture(const wb::ValueList& config = {}) {
    host.model = &model;
    model.Configure(config);
  }
  // Navigation events from the page itself, as the web view raises them.
  void Visit(std::initializer_list<const char16_t*> addresses) {
    for (const char16_t* u : addresses) model.webBeforeNavigate2(u);
  }
  FakeHost host;
  wb::WebFormModel model{host};
};

struct HistoryCase {
  const char* name;
  Items visits;  // addresses raised as navigation events, in order
  int backs;     // Back clicks after the visits
  Items then;    // further navigation events after the Back clicks
  Items history;
  int index;
  bool backEnabled;
  bool forwardEnabled;
};

// The history's own rules are History's (history_test.cpp); the window's part is which events
// reach it: an address that runs a script is no navigation.
TEST(WebFormModel, HistoryFollowsNavigationEvents) {
  const HistoryCase cases[] = {
      {"empty", {}, 0, {}, {}, -1, false, false},
      {"three pages", {u"a", u"b", u"c"}, 0, {}, {u"a", u"b", u"c"}, 2, true, false},
      {"back then a new link truncates the entries ahead",
       {u"one", u"two", u"three"},
       1,
       {u"four"},
       {u"one", u"two", u"four"},
       2,
       true,
       false},
      {"javascript: is ignored",
       {u"one", u"javascript:void(0)", u"x javascript:y"},
       0,
       {},
       {u"one"},
       0,
       false,
       false},
      {"JAVASCRIPT: is recorded",
       {u"one", u"JAVASCRIPT:void(0)"},
       0,
       {},
       {u"one", u"JAVASCRIPT:void(0)"},
       1,
       true,
       false},
  };
  for (const HistoryCase& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    for (const Text& u : c.visits) f.model.webBeforeNavigate2(u);
    for (int i = 0; i < c.backs; ++i) f.model.BackClick();
    for (const Text& u : c.then) f.model.webBeforeNavigate2(u);
    EXPECT_EQ(f.model.HistoryList(), c.history);
    EXPECT_EQ(f.model.HistoryIndex(), c.index);
    EXPECT_EQ(f.model.acBackUpdate(), c.backEnabled);
    EXPECT_EQ(f.model.acForwardUpdate(), c.forwardEnabled);
  }
}

// The status line shows the address as it was asked for, whatever its characters: a lone
// surrogate, which has no UTF-8 form, and a "{1}" of its own stay as they are.
TEST(WebFormModel, TheLoadStatusHoldsTheAddressUnchanged) {
  Fixture f;
  f.host.raiseOnNavigate = false;
  const Text address = Text(u"http://a/") + char16_t(0xD800) + u"{1}";
  f.model.go(address);
  EXPECT_EQ(f.model.StatusText(), u"Load: " + address);
}

TEST(WebFormModel, JavascriptLeavesAddressStatusAndFlagAlone) {
  Fixture f;
  f.model.go(u"http://one/");
  f.host.raiseOnNavigate = false;
  f.model.go(u"javascript:alert(1)");  // sets the flag; the event below must not use it
  EXPECT_TRUE(f.model.UpdateCombo());
  EXPECT_EQ(f.model.StatusText(), u"Load: javascript:alert(1)");
  f.model.webBeforeNavigate2(u"javascript:alert(1)");
  EXPECT_TRUE(f.model.UpdateCombo());
  EXPECT_EQ(f.model.AddrText(), u"javascript:alert(1)");
  EXPECT_EQ(f.model.StatusText(), u"Load: javascript:alert(1)");
  EXPECT_EQ(f.model.AddrItems(), Items{u"http://one/"});
  // The flag then serves the next navigation event.
  f.model.webBeforeNavigate2(u"http://two/");
  EXPECT_FALSE(f.model.UpdateCombo());
  EXPECT_EQ(f.model.AddrItems(), (Items{u"http://two/", u"http://one/"}));
}

TEST(WebFormModel, BackAndForwardNavigateThroughTheAddressBox) {
  Fixture f;
  f.Visit({u"one", u"two", u"three"});
  f.model.BackClick();
  EXPECT_EQ(f.host.navigated.back(), u"two");
  EXPECT_EQ(f.model.AddrText(), u"two");
  EXPECT_EQ(f.host.addrShown, u"two");
  EXPECT_EQ(f.model.HistoryIndex(), 1);
  EXPECT_TRUE(f.model.acForwardUpdate());
  f.model.ForwardClick();
  EXPECT_EQ(f.host.navigated.back(), u"three");
  EXPECT_EQ(f.model.HistoryIndex(), 2);
  // Without history neither reads outside the list.
  Fixture empty;
  empty.model.BackClick();
  empty.model.ForwardClick();
  EXPECT_TRUE(empty.host.navigated.empty());
}

TEST(WebFormModel, AnAddressThatStartsNoNavigationLeavesNoFlagForTheNextOne) {
  Fixture f;
  f.model.SetAddrText(u"   ");
  f.model.RefreshClick();
  EXPECT_TRUE(f.host.navigated.empty());
  EXPECT_FALSE(f.model.UpdateCombo());
  f.model.webBeforeNavigate2(u"http://link.in.page/");  // the page's own link
  EXPECT_TRUE(f.model.AddrItems().empty());
}

struct CalledOffCase {
  const char* what;
  std::function<void(Fixture&)> navigate;
};

TEST(WebFormModel, ANavigationCalledOffLeavesTheWindowOnThePageShown) {
  const CalledOffCase cases[] = {
      {"a new address, which cut the entries ahead", [](Fixture& f) { f.model.go(u"four"); }},
      {"an address in the history", [](Fixture& f) { f.model.go(u"ONE"); }},
      {"Back", [](Fixture& f) { f.model.BackClick(); }},
      {"a link in the page", [](Fixture& f) { f.model.webBeforeNavigate2(u"five"); }},
  };
  for (const CalledOffCase& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    f.Visit({u"one", u"two", u"three", u"two"});  // went back: "three" lies ahead
    c.navigate(f);
    f.model.webNavigationCalledOff();
    EXPECT_EQ(f.model.HistoryList(), (Items{u"one", u"two", u"three"}));
    EXPECT_EQ(f.model.HistoryIndex(), 1);
    EXPECT_EQ(f.host.addrShown, u"two");
    EXPECT_EQ(f.host.statusShown, u"two");
    EXPECT_TRUE(f.model.acForwardUpdate());
    // Only the navigation announced last can be called off, and only once.
    f.model.webNavigationCalledOff();
    EXPECT_EQ(f.model.HistoryIndex(), 1);
    // The entry that came back is found again.
    f.model.webBeforeNavigate2(u"THREE");
    EXPECT_EQ(f.model.HistoryIndex(), 2);
  }
}

TEST(WebFormModel, NoNavigationStartsWhileThePageAsksWhetherToLeave) {
  Fixture f;
  f.Visit({u"one", u"two"});
  f.host.leavePromptOpen = true;
  f.model.BackClick();
  EXPECT_FALSE(f.model.go(u"three"));
  f.model.HomePageRequest();
  f.model.RefreshClick();
  EXPECT_TRUE(f.host.navigated.empty());
  EXPECT_EQ(f.model.AddrText(), u"two");
}

TEST(WebFormModel, ProgramNavigationsGoToTheTopOfTheListOnlyOnce) {
  Fixture f;
  f.model.go(u"http://a/");
  f.model.go(u"http://b/");
  f.model.go(u"http://c/");
  EXPECT_EQ(f.model.AddrItems(), (Items{u"http://c/", u"http://b/", u"http://a/"}));
  // Picked again (in another case): the entry moves to the top, never twice in the list, and
  // keeps its spelling.
  f.model.go(u"HTTP://A/");
  EXPECT_EQ(f.model.AddrItems(), (Items{u"http://a/", u"http://c/", u"http://b/"}));
  EXPECT_EQ(f.host.recentChanges, (Items{u"inserted http://a/", u"inserted http://b/",
                                         u"inserted http://c/", u"moved from 2 http://a/"}));
  EXPECT_NE(f.model.ListedExactly(u"http://b/"), nullptr);
  EXPECT_EQ(f.model.ListedExactly(u"HTTP://B/"), nullptr);  // exact spelling only
}

// The lists find an entry by its lower-cased text without keeping a lower-cased copy: the
// index reads the entries themselves, so it must keep finding them as the lists grow (its
// table is rebuilt several times on the way to thousands), as the history is cut and as a
// navigation is called off.
TEST(WebFormModel, LongListsFindEveryEntryWhateverItsCase) {
  Fixture f;
  auto address = [](int i) {
    return u"http://site.example/\u00C4/" + wb::Ascii(std::to_string(i));
  };
  auto upper = [](Text t) {
    for (char16_t& c : t)
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
    return t;
  };
  constexpr int kCount = 3000;
  for (int i = 0; i < kCount; ++i) f.model.go(address(i));
  ASSERT_EQ(f.model.HistoryList().size(), static_cast<std::size_t>(kCount));
  struct MoveCase {
    int entry;         // the address picked again, in another case
    std::size_t from;  // where it was in the list
  };
  // Every move changes the positions of the entries above the one moved.
  const MoveCase moves[] = {{0, kCount - 1}, {kCount - 1, 1}, {1500, 1500}, {1500, 0}, {0, 2}};
  for (const MoveCase& m : moves) {
    SCOPED_TRACE(m.entry);
    f.host.recentChanges.clear();
    const std::size_t historyBefore = f.model.HistoryList().size();
    f.model.go(upper(address(m.entry)));
    ASSERT_EQ(f.host.recentChanges.size(), 1u);
    EXPECT_EQ(f.host.recentChanges[0],
              u"moved from " + wb::Ascii(std::to_string(m.from)) + u" " + address(m.entry));
    EXPECT_EQ(f.model.AddrItems().front(), address(m.entry));  // the first spelling stays
    EXPECT_EQ(f.model.HistoryList().size(), historyBefore);    // found, not appended
    EXPECT_EQ(f.model.HistoryIndex(), m.entry);
    EXPECT_EQ(f.model.ListedExactly(address(m.entry)), &f.model.Recent().front());
  }
  EXPECT_EQ(f.model.AddrItems().size(), static_cast<std::size_t>(kCount));

  // Back into the middle, then a new address: the entries ahead are cut and leave the index,
  // so visiting one of them again appends it.
  f.model.webBeforeNavigate2(address(100));
  f.model.webBeforeNavigate2(u"http://new.example/");
  ASSERT_EQ(f.model.HistoryList().size(), 102u);
  f.model.webBeforeNavigate2(address(2000));
  EXPECT_EQ(f.model.HistoryList().size(), 103u);
  EXPECT_EQ(f.model.HistoryIndex(), 102);
  // ... and a navigation called off puts the cut entries back where the index finds them.
  f.model.webBeforeNavigate2(address(50));
  f.model.webBeforeNavigate2(u"http://other.example/");
  EXPECT_EQ(f.model.HistoryList().size(), 52u);
  f.model.webNavigationCalledOff();
  ASSERT_EQ(f.model.HistoryList().size(), 103u);
  EXPECT_EQ(f.model.HistoryIndex(), 50);
  f.model.webBeforeNavigate2(upper(address(2000)));
  EXPECT_EQ(f.model.HistoryIndex(), 102);
  f.model.webBeforeNavigate2(u"HTTP://OTHER.EXAMPLE/");
  EXPECT_EQ(f.model.HistoryList().size(), 104u);  // taken back with its navigation: new again
}

TEST(WebFormModel, LinksInsideThePageStayOutOfTheList) {
  Fixture f;
  f.model.go(u"http://a/");
  f.model.webBeforeNavigate2(u"http://a/page2");
  EXPECT_EQ(f.model.AddrItems(), Items{u"http://a/"});
  EXPECT_EQ(f.model.AddrText(), u"http://a/page2");
  EXPECT_EQ(f.model.StatusText(), u"http://a/page2");
  EXPECT_EQ(f.model.HistoryList(), (Items{u"http://a/", u"http://a/page2"}));
}

TEST(WebFormModel, RefreshNavigatesToTheEditedText) {
  Fixture f;
  f.model.go(u"http://a/");
  f.model.AddrEdited(u"http://edited/");
  f.model.RefreshClick();
  EXPECT_EQ(f.host.navigated.back(), u"http://edited/");
}

struct ProgressCase {
  int progress, max;
  const char16_t* status;
};

TEST(WebFormModel, ProgressShowsAddressWithPercentOrLocation) {
  const ProgressCase cases[] = {
      {50, 200, u"http://a/ (25%)"},
      {100, 100, u"http://a/ (100%)"},
      {1, 3, u"http://a/ (33%)"},    // truncated
      {-1, 3, u"http://a/ (-33%)"},  // toward zero
      {0, 0, u"http://a/final"},     // the end of a load
      {77, 0, u"http://a/final"},
      // 30000000 * 100 wraps around in 32 bits to -1294967296.
      {30000000, 1, u"http://a/ (-1294967296%)"},
      {21474837, -1, u"http://a/ (2147483596%)"},
      // The one quotient that does not fit 32 bits wraps around as well.
      {536870912, -1, u"http://a/ (-2147483648%)"},
  };
  for (const ProgressCase& c : cases) {
    Fixture f;
    f.model.go(u"http://a/");
    f.host.location = u"http://a/final";
    f.model.webProgressChange(c.progress, c.max);
    EXPECT_EQ(f.model.StatusText(), c.status) << c.progress << "/" << c.max;
    EXPECT_EQ(f.host.statusShown, c.status);
  }
}

TEST(WebFormModel, LoadTextWhileNavigating) {
  Fixture f;
  f.host.raiseOnNavigate = false;
  f.model.go(u"http://slow/");
  EXPECT_EQ(f.model.StatusText(), u"Load: http://slow/");
  f.model.webBeforeNavigate2(u"http://slow/");
  EXPECT_EQ(f.model.StatusText(), u"http://slow/");
}

struct GoCase {
  const char16_t* addr;
  const char16_t* url;
  int noRef;
  bool navigates;
};

TEST(WebFormModel, GoSkipsByNoRef) {
  const GoCase cases[] = {
      {u"http://A/x", u"http://a/x", 0, true},
      {u"http://A/x", u"http://a/x", 2, false},
      {u"http://A/xy", u"http://a/x", 2, true},
      {u"http://A/xy", u"a/X", 1, false},
      {u"http://b/", u"a", 1, true},
      {u"anything", u"", 0, false},
  };
  for (const GoCase& c : cases) {
    Fixture f;
    f.model.SetAddrText(c.addr);
    EXPECT_EQ(f.model.go(c.url, c.noRef), c.navigates) << wb::ToUtf8(c.url) << " " << c.noRef;
    EXPECT_EQ(!f.host.navigated.empty(), c.navigates);
  }
}

TEST(WebFormModel, HomePageGoesToTheMakerWhateverTheStartAddress) {
  Fixture f;
  f.model.go(u"http://start.example/");
  f.model.HomePageRequest();
  EXPECT_EQ(f.host.navigated.back(), wb::BaseWebAddress());
  EXPECT_EQ(f.model.AddrItems().front(), wb::BaseWebAddress());
}

using Link = wb::WebFormModel::LinkEntry;

TEST(WebFormModel, LinkEntriesAreNamedInTheOrderTheyAreMade) {
  Fixture f({u"links=A=x|B=y,2"});
  EXPECT_EQ(f.model.Links(),
            (std::vector<Link>{{u"A", u"x", 0, "btLink_2"}, {u"B", u"y", 2, "btLink_1"}}));
  // A rebuild continues the numbers; DelLink is exact.
  wb::ValueList other{u"C=z", u"b=w", u"B=v"};
  f.model.AddLinkList(&other, true);
  EXPECT_EQ(f.model.Links(), (std::vector<Link>{{u"C", u"z", 0, "btLink_5"},
                                                {u"b", u"w", 0, "btLink_4"},
                                                // the first entry's value for both
                                                {u"B", u"w", 0, "btLink_3"}}));
  f.model.DelLink(u"b");
  EXPECT_EQ(f.model.Links().size(), 2u);
  f.model.AddLink(u"D", u"d", 0);
  EXPECT_EQ(f.model.Links().front().name, "btLink_6");
  f.model.DelLink(u"*");
  EXPECT_TRUE(f.model.Links().empty());
  EXPECT_EQ(f.host.linkChanges, 5);  // Configure, AddLinkList, DelLink, AddLink, DelLink
  // A click navigates to the entry's address; past the end nothing happens.
  Fixture g({u"links=A=http://a.example/"});
  EXPECT_TRUE(g.model.LinksClick(0));
  EXPECT_FALSE(g.model.LinksClick(1));
  EXPECT_EQ(g.host.navigated, Items{u"http://a.example/"});
}

// The window rebuilds its link bar on each notification, and the toolkit's work grows with the
// bar: a block of N links must rebuild it once, not N times.
TEST(WebFormModel, ABlockOfLinksIsOneChange) {
  for (const int count : {1, 2, 1000, 4000}) {
    SCOPED_TRACE(count);
    Text links;
    for (int i = 0; i < count; ++i) {
      const Text n = wb::Ascii(std::to_string(i));
      links += (i ? u"|L" : u"L") + n + u"=http://l.example/" + n + u"," +
               wb::Ascii(std::to_string(i % 3));
    }
    Fixture f({u"links=" + links});
    EXPECT_EQ(f.host.linkChanges, 1);
    ASSERT_EQ(f.model.Links().size(), static_cast<std::size_t>(count));
    // In bar order; the rightmost was made first.
    const Link last = f.model.Links().back();
    EXPECT_EQ(last.caption, u"L" + wb::Ascii(std::to_string(count - 1)));
    EXPECT_EQ(last.name, "btLink_1");
    EXPECT_EQ(f.model.Links().front().name, "btLink_" + std::to_string(count));
    EXPECT_EQ(f.model.Links().front().address, u"http://l.example/0");
    EXPECT_EQ(last.icon, (count - 1) % 3);
    const wb::ValueList again = f.model.LinkList();
    f.model.AddLinkList(&again, false);
    EXPECT_EQ(f.host.linkChanges, 2);
    EXPECT_EQ(f.model.Links().size(), 2 * static_cast<std::size_t>(count));
    f.model.DelLink(u"*");
    EXPECT_EQ(f.host.linkChanges, 3);
  }
}

}  // namespace
}  // namespace wbtest
