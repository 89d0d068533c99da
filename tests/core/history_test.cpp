// The window's back/forward history: what each navigation does to the entries and the current
// one, where Back and Forward lead, and the undo of a navigation called off after it was
// announced.
#include "model/history.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace wbtest {
namespace {

using wb::Text;
using Items = std::vector<Text>;

struct HistoryCase {
  const char* name;
  Items visits;  // addresses pushed, in order
  int backs;     // then Back this many times (the address Back leads to, pushed)
  Items then;    // further addresses pushed after the Back steps
  Items history;
  int index;
  bool backEnabled;
  bool forwardEnabled;
};

TEST(History, FollowsNavigations) {
  const HistoryCase cases[] = {
      {"empty", {}, 0, {}, {}, -1, false, false},
      {"three pages", {u"a", u"b", u"c"}, 0, {}, {u"a", u"b", u"c"}, 2, true, false},
      {"present in another case moves the index only",
       {u"http://one/", u"http://two/", u"http://three/"},
       0,
       {u"HTTP://ONE/"},
       {u"http://one/", u"http://two/", u"http://three/"},
       0,
       false,
       true},
      {"back then a new link truncates the entries ahead",
       {u"one", u"two", u"three"},
       1,
       {u"four"},
       {u"one", u"two", u"four"},
       2,
       true,
       false},
      {"back twice leaves forward entries",
       {u"one", u"two", u"three"},
       2,
       {},
       {u"one", u"two", u"three"},
       0,
       false,
       true},
      {"a truncated entry can be visited again",
       {u"one", u"two", u"three"},
       2,
       {u"four", u"three"},
       {u"one", u"four", u"three"},
       2,
       true,
       false},
  };
  for (const HistoryCase& c : cases) {
    SCOPED_TRACE(c.name);
    wb::History h;
    for (const Text& u : c.visits) h.Push(u);
    for (int i = 0; i < c.backs; ++i) {
      ASSERT_NE(h.Back(), nullptr);
      h.Push(Text(*h.Back()));
    }
    for (const Text& u : c.then) h.Push(u);
    EXPECT_EQ(h.Entries(), c.history);
    EXPECT_EQ(h.Index(), c.index);
    EXPECT_EQ(h.CanGoBack(), c.backEnabled);
    EXPECT_EQ(h.CanGoForward(), c.forwardEnabled);
  }
}

TEST(History, BackAndForwardLeadToTheNeighbours) {
  wb::History h;
  EXPECT_EQ(h.Back(), nullptr);  // without history neither reads outside the list
  EXPECT_EQ(h.Forward(), nullptr);
  EXPECT_EQ(h.Current(), u"");
  for (const char16_t* u : {u"one", u"two", u"three"}) h.Push(u);
  ASSERT_NE(h.Back(), nullptr);
  EXPECT_EQ(*h.Back(), u"two");
  h.Push(u"two");
  EXPECT_EQ(h.Index(), 1);
  EXPECT_EQ(h.Current(), u"two");
  ASSERT_NE(h.Forward(), nullptr);
  EXPECT_EQ(*h.Forward(), u"three");
  h.Push(u"three");
  EXPECT_EQ(h.Index(), 2);
  h.Clear();
  EXPECT_TRUE(h.Entries().empty());
  EXPECT_EQ(h.Index(), -1);
  EXPECT_FALSE(h.CallOff());
}

struct CalledOffCase {
  const char* what;
  std::function<void(wb::History&)> navigate;
};

TEST(History, ANavigationCalledOffIsUndoneWithTheEntriesItCut) {
  const CalledOffCase cases[] = {
      {"a new address, which cut the entries ahead", [](wb::History& h) { h.Push(u"four"); }},
      {"an address in the history", [](wb::History& h) { h.Push(u"ONE"); }},
      {"Back", [](wb::History& h) { h.Push(Text(*h.Back())); }},
  };
  for (const CalledOffCase& c : cases) {
    SCOPED_TRACE(c.what);
    wb::History h;
    for (const char16_t* u : {u"one", u"two", u"three", u"two"}) h.Push(u);  // "three" ahead
    c.navigate(h);
    EXPECT_TRUE(h.CallOff());
    EXPECT_EQ(h.Entries(), (Items{u"one", u"two", u"three"}));
    EXPECT_EQ(h.Index(), 1);
    EXPECT_TRUE(h.CanGoForward());
    // Only the navigation pushed last can be called off, and only once.
    EXPECT_FALSE(h.CallOff());
    EXPECT_EQ(h.Index(), 1);
    // The entry that came back is found again.
    h.Push(u"THREE");
    EXPECT_EQ(h.Index(), 2);
  }
  // Something that was no navigation came in between: nothing to undo.
  wb::History h;
  h.Push(u"one");
  h.Push(u"two");
  h.ForgetCallOff();
  EXPECT_FALSE(h.CallOff());
  EXPECT_EQ(h.Entries(), (Items{u"one", u"two"}));
  EXPECT_EQ(h.Index(), 1);
}

}  // namespace
}  // namespace wbtest
