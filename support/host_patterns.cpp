#include "support/host_patterns.h"

#include <algorithm>
#include <string>

#include "support/address_parts.h"
#include "support/ascii.h"
#include "support/list_items.h"
#include "support/lower_case.h"

namespace wb {
namespace {

// Labels of letters, digits and "-", 1 to 63 characters each, not starting or ending with
// "-"; at most 253 characters.
bool IsDnsName(std::string_view name) {
  if (name.empty() || name.size() > 253) return false;
  while (true) {
    const auto dot = name.find('.');
    const std::string_view label = name.substr(0, dot);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
      return false;
    if (!std::ranges::all_of(label, [](char c) { return IsAsciiAlnum(c) || c == '-'; }))
      return false;
    if (dot == std::string_view::npos) return true;
    name.remove_prefix(dot + 1);
  }
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
  AddressParts parts = ParseAddress(address);
  if (!parts.valid || !parts.hasAuthority || parts.scheme == "file") return {};
  if (parts.host.ends_with('.')) parts.host.pop_back();
  return parts.host;
}

std::string SiteOfAddress(std::string_view address) {
  std::string site = HostOfAddress(address);
  if (site.empty()) return site;
  const AddressParts parts = ParseAddress(address);
  if (parts.port >= 0 && parts.port != DefaultPortOf(parts.scheme))
    site += ":" + std::to_string(parts.port);
  return site;
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
