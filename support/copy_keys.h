#pragma once
// The keys a maker sets per copy beyond the window's design: the user agent, the proxy, how
// the window starts, and the unread count a page title carries. Each is parsed here without
// engine or widget, so the rules are tested as tables; the engine and the window apply the
// parsed values.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/host_patterns.h"

namespace wb {

// The longest user agent the key sets. Engines send a few hundred characters; a longer value is
// a mistake, and every request would carry it.
inline constexpr std::size_t kMaxUserAgent = 512;

// The "agent" key: the text the engine sends as its user agent and navigator.userAgent shows.
// A value starting with "+" is appended to the engine's own, one blank between them.
struct UserAgentKey {
  std::string text;     // without the leading "+"; empty: the key is not set
  bool append = false;  // "+TEXT"
  bool valid = true;    // false: set but unusable (see IsUserAgentText), the engine's own applies
  bool operator==(const UserAgentKey&) const = default;
};

// Whether `text` can be sent as a user agent header: 1 to kMaxUserAgent printable ASCII
// characters (blank to "~"); a control character would end the header line or be refused by
// the server.
bool IsUserAgentText(std::string_view text);

// The value of the key, blanks around it and after a leading "+" dropped.
UserAgentKey ParseUserAgent(std::string_view value);

// The user agent the engine is told for `key` over the engine's own `engineAgent`: empty when
// the engine's own applies (no key, or an invalid one).
std::string UserAgentFor(const UserAgentKey& key, std::string_view engineAgent);

// Where the copy's style and script apply: the pages whose host is the start address's host
// or inside the "internal" patterns, as the engine's address patterns ("http://HOST/*" and
// "https://HOST/*", "*." patterns as the engine writes them). The engine's "*.NAME" takes NAME
// itself too, which the "internal" key leaves out unless NAME is listed or is the start host,
// so NAME is then on the block list. Both lists are empty when there is no host at all, and
// the additions then apply nowhere (an empty allow list would let the engine apply them
// everywhere).
struct AdditionPatterns {
  std::vector<std::string> allow;
  std::vector<std::string> block;
  bool operator==(const AdditionPatterns&) const = default;
};
AdditionPatterns PageAdditionPatterns(std::string_view startHost, const HostPatterns& internal);

// The "proxy" key.
enum class ProxyMode {
  kSystem,  // the desktop's proxy settings (also for an invalid value)
  kNone,    // every request goes direct
  kCustom,  // every request goes through `address`
};
struct ProxyKey {
  ProxyMode mode = ProxyMode::kSystem;
  std::string address;  // kCustom: "SCHEME://HOST:PORT", scheme and host in lower case
  bool valid = true;    // false: a value that is none of the forms; the system's settings apply
  bool operator==(const ProxyKey&) const = default;
};
// "system" and "none" (without regard to case), or a proxy address "http://HOST:PORT",
// "https://HOST:PORT", "socks5://HOST:PORT" (also "socks4://" and "socks://"): HOST a host
// name, an IPv4 address or a bracketed IPv6 address, PORT 1 to 65535, nothing after it but one
// "/". No user information: a password in a configuration of the executable would be readable
// by anyone who has the copy. Empty: not set, the system's settings.
ProxyKey ParseProxy(std::string_view value);

// The "start" key: how the main window first appears.
enum class WindowStart { kNormal, kMaximized, kFullscreen };
// "normal", "maximized" (also "maximised"), "fullscreen", without regard to case; empty or
// anything else: normal, and `valid` false for anything else.
WindowStart ParseWindowStart(std::string_view value, bool* valid = nullptr);
const char* WindowStartName(WindowStart start);

// The unread count a page title starts with, as mail and chat sites write it: "(3) Inbox",
// "[12] Chat". Blanks before the bracket are allowed; the digits (1 to 9 of them, no sign) are
// the count, which may be 0. No count: nothing (also for a bracket that is not closed, an empty
// or non-numeric one, or a number in the middle of the title).
std::optional<long> UnreadCountOfTitle(std::string_view title);

}  // namespace wb
