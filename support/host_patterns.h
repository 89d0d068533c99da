#pragma once
// The "internal" key: the hosts whose pages belong in the window. A navigation the page starts
// towards another host opens in the default browser, and a page's new-window request towards
// one of these hosts opens in a child window of ours. Everything here is without widgets or
// engine, so the window's rule is tested as a table.
#include <string>
#include <string_view>
#include <vector>

namespace wb {

// One item of the key: a host name ("shop.acme.example", an IPv4 address "127.0.0.1", an
// IPv6 address in brackets "[::1]") or "*." and a host name ("*.acme.example"). Letters,
// digits and "-" in labels of 1 to 63 characters, at most 253 characters in all; no port, no
// scheme, no path. Non-ASCII names are written as the engine sees them, in their "xn--" form.
bool IsHostPattern(std::string_view pattern);

// The parsed value of the key. Empty (no valid pattern): the key is not set and nothing
// changes.
struct HostPatterns {
  std::vector<std::string> patterns;  // valid items, in lower case
  std::vector<std::string> invalid;   // items that are no pattern, trimmed, as written
  bool empty() const { return patterns.empty(); }
  // Whether `host` (as HostOfAddress gives it) is inside: equal to a host pattern, or, for
  // "*.NAME", ending in ".NAME" (any subdomain of NAME at any depth; NAME itself only when it
  // is listed too). Without regard to ASCII case; an empty host is inside no pattern.
  bool Matches(std::string_view host) const;
};
// The items divided by ",", blanks around them dropped.
HostPatterns ParseHostPatterns(std::string_view value);

// The host of a valid address with an authority ("scheme://host...", see ParseAddress), in
// lower case, without user information, port and one trailing dot; an IPv6 address keeps its
// brackets. Empty text for an address without a host: about:, data:, javascript:, blob:, file:
// (a file address is a local one even when it names a host), and anything that is no valid
// address ("http://host:70000/").
std::string HostOfAddress(std::string_view address);

// The site a question names to the person ("127.0.0.1:8080 wants to ..."): HostOfAddress, with
// ":port" when the port is not the scheme's default, since answers are kept for each origin and
// two ports of one host are two sites. Empty text where HostOfAddress gives none.
std::string SiteOfAddress(std::string_view address);

// What started a navigation, as the engine tells it.
enum class NavigationKind {
  kLink,          // a link clicked
  kForm,          // a form submitted
  kBackForward,   // the page's history.back() or forward()
  kReload,        // the page reloaded itself
  kFormResubmit,  // a form sent again (a reload of a posted page)
  kOther,         // a script, a meta refresh, or a load the program asked for
  kNewWindow,     // target=_blank or window.open: a new window is asked for
};

struct NavigationFacts {
  NavigationKind kind = NavigationKind::kOther;
  bool mainFrame = true;          // the window's page itself, not a frame inside it
  bool programInitiated = false;  // the program's own load (address box, link bar, remote,
                                  // command line, start address, the window's back/forward)
  bool redirect = false;          // the server redirected a navigation already under way
  std::string address;
};

enum class NavigationVerdict {
  kKeep,         // proceeds in the view it started in
  kExternal,     // goes to the default browser; the view stays where it was
  kChildWindow,  // a new-window request that opens a child window of ours
};

// The rule of the "internal" key (`internal` empty: the key is not set).
//  - A new-window request opens a child window when its address's host is inside, and goes to
//    the default browser otherwise (always, without the key).
//  - Any other navigation proceeds unless all of these hold: the key is set, the navigation is
//    the main frame's, the page started it (not the program), it is no redirect (a redirect is
//    part of the navigation it continues), it is no back/forward, reload or resubmission (those
//    return to a page the window has shown), and its address has a host outside the patterns.
//    Addresses without a host (about:blank, data:, file:) stay in the window.
NavigationVerdict DecideNavigation(const NavigationFacts& facts, const HostPatterns& internal);

}  // namespace wb
