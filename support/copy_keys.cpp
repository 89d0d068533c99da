#include "support/copy_keys.h"

#include <algorithm>

#include "support/ascii.h"
#include "support/lower_case.h"
#include "support/text.h"

namespace wb {
bool IsUserAgentText(std::string_view text) {
  return !text.empty() && text.size() <= kMaxUserAgent &&
         std::ranges::all_of(text, [](char c) { return c >= ' ' && c <= '~'; });
}

UserAgentKey ParseUserAgent(std::string_view value) {
  UserAgentKey key;
  value = TrimBlanks(value);
  if (value.empty()) return key;
  if (value.front() == '+') {
    key.append = true;
    value = TrimBlanks(value.substr(1));
  }
  key.text = std::string(value);
  key.valid = IsUserAgentText(value);
  return key;
}

std::string UserAgentFor(const UserAgentKey& key, std::string_view engineAgent) {
  if (key.text.empty() || !key.valid) return {};
  if (!key.append) return key.text;
  return engineAgent.empty() ? key.text : std::string(engineAgent) + " " + key.text;
}

AdditionPatterns PageAdditionPatterns(std::string_view startHost, const HostPatterns& internal) {
  AdditionPatterns out;
  std::vector<std::string> hosts;
  if (!startHost.empty()) hosts.push_back(AsciiLowerCase(startHost));
  for (const auto& p : internal.patterns)
    if (std::ranges::find(hosts, p) == hosts.end()) hosts.push_back(p);
  auto both = [](std::vector<std::string>& list, std::string_view host) {
    list.push_back("http://" + std::string(host) + "/*");
    list.push_back("https://" + std::string(host) + "/*");
  };
  for (const auto& host : hosts) {
    both(out.allow, host);
    if (!host.starts_with("*.")) continue;
    const std::string_view name = std::string_view(host).substr(2);
    if (std::ranges::find(hosts, name) == hosts.end()) both(out.block, name);
  }
  return out;
}

ProxyKey ParseProxy(std::string_view value) {
  ProxyKey key;
  value = TrimBlanks(value);
  const std::string lower = AsciiLowerCase(value);
  if (lower.empty() || lower == "system") return key;
  if (lower == "none") {
    key.mode = ProxyMode::kNone;
    return key;
  }
  key.valid = false;
  const auto sep = lower.find("://");
  if (sep == std::string::npos) return key;
  const std::string scheme = lower.substr(0, sep);
  if (scheme != "http" && scheme != "https" && scheme != "socks5" && scheme != "socks4" &&
      scheme != "socks")
    return key;
  std::string_view rest = std::string_view(lower).substr(sep + 3);
  if (rest.ends_with("/")) rest.remove_suffix(1);
  // The port is after the last ":", which for a bracketed IPv6 address comes after the "]".
  const auto colon = rest.rfind(':');
  if (colon == std::string_view::npos ||
      (rest.find(']') != std::string_view::npos && colon < rest.find(']')))
    return key;
  const std::string_view host = rest.substr(0, colon);
  const std::string_view port = rest.substr(colon + 1);
  if (host.starts_with("*.") || !IsHostPattern(host)) return key;
  if (port.empty() || port.size() > 5 || !std::ranges::all_of(port, IsAsciiDigit)) return key;
  const int number = std::stoi(std::string(port));
  if (number < 1 || number > 65535) return key;
  key.mode = ProxyMode::kCustom;
  key.address = scheme + "://" + std::string(host) + ":" + std::to_string(number);
  key.valid = true;
  return key;
}

WindowStart ParseWindowStart(std::string_view value, bool* valid) {
  const std::string lower = AsciiLowerCase(TrimBlanks(value));
  WindowStart start = WindowStart::kNormal;
  bool known = true;
  if (lower == "maximized" || lower == "maximised")
    start = WindowStart::kMaximized;
  else if (lower == "fullscreen")
    start = WindowStart::kFullscreen;
  else
    known = lower.empty() || lower == "normal";
  if (valid) *valid = known;
  return start;
}

const char* WindowStartName(WindowStart start) {
  switch (start) {
    case WindowStart::kMaximized:
      return "maximized";
    case WindowStart::kFullscreen:
      return "fullscreen";
    case WindowStart::kNormal:
      break;
  }
  return "normal";
}

std::optional<long> UnreadCountOfTitle(std::string_view title) {
  title.remove_prefix(std::min(title.find_first_not_of(" \t"), title.size()));
  if (title.size() < 3) return std::nullopt;
  const char close = title.front() == '(' ? ')' : title.front() == '[' ? ']' : '\0';
  if (!close) return std::nullopt;
  const auto end = title.find(close);
  if (end == std::string_view::npos) return std::nullopt;
  const std::string_view digits = title.substr(1, end - 1);
  if (digits.empty() || digits.size() > 9 || !std::ranges::all_of(digits, IsAsciiDigit))
    return std::nullopt;
  return std::stol(std::string(digits));
}

}  // namespace wb
