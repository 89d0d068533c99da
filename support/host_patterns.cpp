#include "support/host_patterns.h"

#include <algorithm>

#include "support/address.h"
#include "support/list_items.h"
#include "support/lower_case.h"

namespace wb {
namespace {

bool IsAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Labels of letters, digits and "-", 1 to 63 characters each, not starting or ending with
// "-"; at most 253 characters.
bool IsDnsName(std::string_view name) {
  if (name.empty() || name.size() > 253) return false;
  while (true) {
    const auto dot = name.find('.');
    const std::string_view label = name.substr(0, dot);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
      return false;
    if (!std::ranges::all_of(label, [](char c) { return IsAlnum(c) || c == '-'; })) return false;
    if (dot == std::string_view::npos) return true;
    name.remove_prefix(dot + 1);
  }
}

// "[...]" holding hexadecimal digits, ":" (at least two) and "." (an IPv4 tail).
bool IsIpv6Literal(std::string_view text) {
  if (text.size() < 4 || text.front() != '[' || text.back() != ']') return false;
  const std::string_view inside = text.substr(1, text.size() - 2);
  return std::ranges::count(inside, ':') >= 2 &&
         std::ranges::all_of(inside, [](char c) { return IsHex(c) || c == ':' || c == '.'; });
}

}  // namespace

bool IsHostPattern(std::string_view pattern) {
  if (pattern.starts_with("*.")) return IsDnsName(pattern.substr(2));
  return IsDnsName(pattern) || IsIpv6Literal(pattern);
}

HostPatterns ParseHostPatterns(std::string_view value) {
  HostPatterns out;
  for (std::string_view item : CommaListItems(value)) {
    if (IsHostPattern(item))
      out.patterns.push_back(AsciiLowerCase(item));
    else
      out.invalid.emplace_back(item);
  }
  return out;
}

bool HostPatterns::Matches(std::string_view host) const {
  if (host.empty()) return false;
  const std::string h = AsciiLowerCase(host);
  return std::ranges::any_of(patterns, [&h](const std::string& p) {
    if (p.starts_with("*.")) {
      const std::string_view suffix = std::string_view(p).substr(1);  // ".NAME"
      return h.size() > suffix.size() && std::string_view(h).ends_with(suffix);
    }
    return h == p;
  });
}

std::string HostOfAddress(std::string_view address) {
  while (!address.empty() && (address.front() == ' ' || address.front() == '\t'))
    address.remove_prefix(1);
  if (!HasScheme(address)) return {};
  const auto colon = address.find(':');
  const std::string scheme = AsciiLowerCase(address.substr(0, colon));
  if (scheme == "file") return {};
  std::string_view rest = address.substr(colon + 1);
  if (!rest.starts_with("//")) return {};
  rest.remove_prefix(2);
  std::string_view authority = rest.substr(0, rest.find_first_of("/?#\\"));
  if (const auto at = authority.rfind('@'); at != std::string_view::npos)
    authority.remove_prefix(at + 1);
  std::string_view host = authority;
  const auto close = authority.rfind(']');
  const auto portColon = authority.rfind(':');
  if (portColon != std::string_view::npos && (close == std::string_view::npos || portColon > close))
    host = authority.substr(0, portColon);
  if (host.ends_with('.')) host.remove_suffix(1);
  return AsciiLowerCase(host);
}

NavigationVerdict DecideNavigation(const NavigationFacts& facts, const HostPatterns& internal) {
  if (facts.kind == NavigationKind::kNewWindow) {
    return !internal.empty() && internal.Matches(HostOfAddress(facts.address))
               ? NavigationVerdict::kChildWindow
               : NavigationVerdict::kExternal;
  }
  if (internal.empty() || !facts.mainFrame || facts.programInitiated || facts.redirect)
    return NavigationVerdict::kKeep;
  switch (facts.kind) {
    case NavigationKind::kBackForward:
    case NavigationKind::kReload:
    case NavigationKind::kFormResubmit:
      return NavigationVerdict::kKeep;
    default:
      break;
  }
  const std::string host = HostOfAddress(facts.address);
  if (host.empty() || internal.Matches(host)) return NavigationVerdict::kKeep;
  return NavigationVerdict::kExternal;
}

}  // namespace wb
