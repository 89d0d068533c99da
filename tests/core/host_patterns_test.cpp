// The "internal" key: its patterns, and which navigations stay in the window, leave for the
// default browser or open a child window. The hosts of addresses are read with the other
// address rules (address_parts_test).
#include "support/host_patterns.h"

#include <gtest/gtest.h>

namespace wb {
namespace {

TEST(HostPatterns, WhatIsAPattern) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"shop.acme.example", true},
      {"*.acme.example", true},
      {"localhost", true},
      {"127.0.0.1", true},
      {"[::1]", true},
      {"[2001:db8::7]", true},
      {"xn--bcher-kva.example", true},
      {"Shop.ACME.example", true},
      {"a-b.example", true},
      {"", false},
      {"*", false},
      {"*.", false},
      {"*.*.acme.example", false},
      {"shop.*.example", false},
      {"acme*.example", false},
      {"https://shop.acme.example", false},
      {"shop.acme.example/", false},
      {"shop.acme.example:8080", false},
      {"127.0.0.1:80", false},
      {"shop..acme.example", false},
      {".acme.example", false},
      {"acme.example.", false},
      {"-acme.example", false},
      {"acme-.example", false},
      {"shop acme.example", false},
      {"under_score.example", false},
      {"b\xc3\xbc"
       "cher.example",
       false},
      {"::1", false},
      {"[::1", false},
      {"[hello]", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsHostPattern(c.text), c.valid) << c.text;
  EXPECT_TRUE(IsHostPattern(std::string(63, 'a') + ".example"));
  EXPECT_FALSE(IsHostPattern(std::string(64, 'a') + ".example"));
  std::string long253;
  while (long253.size() < 253) long253 += "a.";
  long253.resize(253);
  if (long253.back() == '.') long253.back() = 'a';
  EXPECT_TRUE(IsHostPattern(long253));
  EXPECT_FALSE(IsHostPattern(long253 + "a"));
}

TEST(HostPatterns, ParsingKeepsValidItemsAndNamesTheRest) {
  const HostPatterns list =
      ParseHostPatterns(" Shop.Acme.example,*.acme.example ,, login.partner.example, http://x, :1");
  EXPECT_EQ(list.patterns, (std::vector<std::string>{"shop.acme.example", "*.acme.example",
                                                     "login.partner.example"}));
  EXPECT_EQ(list.invalid, (std::vector<std::string>{"http://x", ":1"}));
  EXPECT_FALSE(list.empty());
  EXPECT_TRUE(ParseHostPatterns("").empty());
  EXPECT_TRUE(ParseHostPatterns(" , ").empty());
  EXPECT_TRUE(ParseHostPatterns("nonsense!").empty());  // no valid item: as if not set
}

TEST(HostPatterns, Matching) {
  const HostPatterns list =
      ParseHostPatterns("shop.acme.example,*.partner.example,127.0.0.1,[::1]");
  const struct {
    const char* host;
    bool inside;
  } cases[] = {
      {"shop.acme.example", true},
      {"SHOP.Acme.Example", true},
      {"acme.example", false},
      {"www.shop.acme.example", false},  // an exact pattern holds no subdomain
      {"login.partner.example", true},
      {"a.b.partner.example", true},  // any depth
      {"partner.example", false},     // "*." means a subdomain; list NAME too for NAME itself
      {"evilpartner.example", false},
      {"partner.example.evil", false},
      {"127.0.0.1", true},
      {"127.0.0.2", false},
      {"[::1]", true},
      {"localhost", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(list.Matches(c.host), c.inside) << c.host;
}

TEST(HostPatterns, TheNavigationRule) {
  using K = NavigationKind;
  using V = NavigationVerdict;
  const HostPatterns internal = ParseHostPatterns("shop.acme.example,*.acme.example,127.0.0.1");
  const HostPatterns unset;
  const std::string in = "https://login.acme.example/sign-in";
  const std::string out = "https://elsewhere.example/";
  const struct {
    const char* what;
    NavigationFacts facts;
    const HostPatterns& patterns;
    V verdict;
  } cases[] = {
      {"link inside", {K::kLink, true, false, false, in}, internal, V::kKeep},
      {"link outside", {K::kLink, true, false, false, out}, internal, V::kExternal},
      {"form outside", {K::kForm, true, false, false, out}, internal, V::kExternal},
      {"script outside", {K::kOther, true, false, false, out}, internal, V::kExternal},
      {"link outside, no key", {K::kLink, true, false, false, out}, unset, V::kKeep},
      {"program outside", {K::kOther, true, true, false, out}, internal, V::kKeep},
      {"program's link kind", {K::kLink, true, true, false, out}, internal, V::kKeep},
      {"frame outside", {K::kLink, false, false, false, out}, internal, V::kKeep},
      {"frame by script", {K::kOther, false, false, false, out}, internal, V::kKeep},
      {"redirect outside", {K::kOther, true, false, true, out}, internal, V::kKeep},
      {"back to outside", {K::kBackForward, true, false, false, out}, internal, V::kKeep},
      {"reload outside", {K::kReload, true, false, false, out}, internal, V::kKeep},
      {"resubmit outside", {K::kFormResubmit, true, false, false, out}, internal, V::kKeep},
      {"about:blank", {K::kOther, true, false, false, "about:blank"}, internal, V::kKeep},
      {"data:", {K::kLink, true, false, false, "data:text/html,x"}, internal, V::kKeep},
      {"file:", {K::kLink, true, false, false, "file:///tmp/a.html"}, internal, V::kKeep},
      {"loopback inside",
       {K::kLink, true, false, false, "http://127.0.0.1:8080/a"},
       internal,
       V::kKeep},
      {"localhost outside",
       {K::kLink, true, false, false, "http://localhost:8080/a"},
       internal,
       V::kExternal},
      {"new window inside", {K::kNewWindow, true, false, false, in}, internal, V::kChildWindow},
      {"new window exact",
       {K::kNewWindow, true, false, false, "http://shop.acme.example/"},
       internal,
       V::kChildWindow},
      {"new window outside", {K::kNewWindow, true, false, false, out}, internal, V::kExternal},
      {"new window, no key", {K::kNewWindow, true, false, false, in}, unset, V::kExternal},
      {"new window, no host",
       {K::kNewWindow, true, false, false, "about:blank"},
       internal,
       V::kExternal},
  };
  for (const auto& c : cases) EXPECT_EQ(DecideNavigation(c.facts, c.patterns), c.verdict) << c.what;
}

}  // namespace
}  // namespace wb
