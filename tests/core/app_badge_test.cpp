#include "support/app_badge.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

using Kind = AppBadge::Kind;

TEST(AppBadgeMessage, OnlyTheThreeFormsTheScriptSends) {
  const struct {
    std::string value;
    bool valid;
    AppBadge badge;
  } cases[] = {
      {"flag", true, {Kind::kFlag, 0}},
      {"clear", true, {}},
      {"0", true, {}},  // a count of 0 clears, as the API says
      {"5", true, {Kind::kCount, 5}},
      {"9007199254740991", true, {Kind::kCount, kAppBadgeMaxCount}},
      {"9007199254740992", false, {}},
      {"99999999999999999", false, {}},  // too long to be read at all
      {std::string(100000, '9'), false, {}},
      {"", false, {}},
      {"-5", false, {}},
      {"+5", false, {}},
      {"05", false, {}},
      {"5.5", false, {}},
      {" 5", false, {}},
      {"5 ", false, {}},
      {"1e3", false, {}},
      {"Flag", false, {}},
      {"clear\n", false, {}},
      {std::string("5\0", 2), false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.substr(0, 40));
    const auto badge = AppBadgeOfMessage(c.value);
    ASSERT_EQ(badge.has_value(), c.valid);
    if (badge) {
      EXPECT_EQ(*badge, c.badge);
    }
  }
}

TEST(AppBadgeMessage, OnlyPagesOfTheCopysOwnHosts) {
  const HostPatterns internal = ParseHostPatterns("*.acme.example, help.example");
  const struct {
    const char* address;
    const char* start;
    bool own;
  } cases[] = {
      {"https://shop.example/inbox", "shop.example", true},
      {"HTTP://Shop.Example:8080/", "shop.example", true},
      {"http://127.0.0.1:4000/", "127.0.0.1", true},
      {"https://mail.acme.example/", "shop.example", true},
      {"https://help.example/", "", true},
      {"https://acme.example/", "shop.example", false},  // "*." takes no bare name
      {"https://shop.example.evil.example/", "shop.example", false},
      {"https://evil.example/?shop.example", "shop.example", false},
      {"https://shop.example@evil.example/", "shop.example", false},
      {"ftp://shop.example/", "shop.example", false},
      {"file:///home/shop.example", "shop.example", false},
      {"about:blank", "shop.example", false},
      {"data:text/html,shop.example", "shop.example", false},
      {"", "", false},
      {"not an address", "shop.example", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(IsOwnPageAddress(c.address, c.start, internal), c.own);
  }
}

TEST(AppBadgeState, ThePagesOwnBadgeWinsOverTheTitleOnceSet) {
  // Each step: a title count (-1: none) or a page's badge, then what is shown.
  struct Step {
    bool fromPage;
    long title;
    AppBadge page;
    AppBadge shown;
    const char* toolTip;  // for the window title "Inbox"
  };
  const Step steps[] = {
      {false, 3, {}, {Kind::kCount, 3}, "Inbox"},  // the title carries its count itself
      {false, 0, {}, {}, "Inbox"},
      {false, -4, {}, {}, "Inbox"},
      {false, 7, {}, {Kind::kCount, 7}, "Inbox"},
      {true, 0, {Kind::kCount, 5}, {Kind::kCount, 5}, "(5) Inbox"},
      {false, 9, {}, {Kind::kCount, 5}, "(5) Inbox"},  // the title no longer counts
      {true, 0, {Kind::kFlag, 0}, {Kind::kFlag, 0}, "(\xE2\x80\xA2) Inbox"},
      {true, 0, {}, {}, "Inbox"},
      {false, 2, {}, {}, "Inbox"},  // cleared by the page: still the page's word
  };
  AppBadgeState state;
  EXPECT_EQ(state.Shown(), AppBadge{});
  int i = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(i++);
    if (s.fromPage)
      state.PageBadge(s.page);
    else
      state.TitleCount(s.title < 0 ? std::nullopt : std::optional<long>(s.title));
    EXPECT_EQ(state.Shown(), s.shown);
    EXPECT_EQ(state.ShownCount(),
              s.shown.kind == Kind::kCount ? std::optional<long>(s.shown.count) : std::nullopt);
    EXPECT_EQ(state.TrayToolTip("Inbox"), s.toolTip);
  }
}

}  // namespace
}  // namespace wb
