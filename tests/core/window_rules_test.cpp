// The window's small rules, as tables: Escape's order, the completion of typed text, the
// origins told to a new web process, and the script address.
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
