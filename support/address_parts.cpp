#include "support/address_parts.h"

#include <algorithm>

#include "support/ascii.h"
#include "support/lower_case.h"
#include "support/text.h"

namespace wb {
namespace {

constexpr std::size_t kMaxHostLength = 255;
constexpr int kMaxPort = 65535;

// The schemes whose addresses the engine reads with the web's rules: "\" counts as "/", and
// all but file: need a host.
bool IsWebScheme(std::string_view scheme) {
  return scheme == "http" || scheme == "https" || scheme == "ws" || scheme == "wss" ||
         scheme == "ftp";
}
bool IsSpecialScheme(std::string_view scheme) {
  return IsWebScheme(scheme) || scheme == "file";
}

// The length of the scheme before the ":" that ends it, or 0 when the address has none: a
// letter, then letters, digits, "+", "-" or ".", then ":". What follows "name:" as digits up to
// the end, "/", "?" or "#" is a port, so "localhost:8080" has no scheme.
std::size_t SchemeLength(std::string_view a) {
  if (a.empty() || !IsAsciiAlpha(a[0])) return 0;
  std::size_t i = 1;
  while (i < a.size() &&
         (IsAsciiAlpha(a[i]) || IsAsciiDigit(a[i]) || a[i] == '+' || a[i] == '-' || a[i] == '.'))
    ++i;
  if (i >= a.size() || a[i] != ':') return 0;
  std::size_t j = i + 1;
  while (j < a.size() && IsAsciiDigit(a[j])) ++j;
  const bool port = j > i + 1 && (j == a.size() || a[j] == '/' || a[j] == '?' || a[j] == '#');
  return port ? 0 : i;
}

// A character no host name holds: blanks and controls, and the ones that delimit an address's
// parts or an IPv6 address.
bool IsForbiddenInHost(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  if (c <= 0x20 || c == 0x7F) return true;
  constexpr std::string_view kForbidden = "#/:<>?@[\\]^|";
  return kForbidden.find(ch) != std::string_view::npos;
}

// Digits only, at most kMaxPort; -1 otherwise. Leading zeros do not count.
int PortNumber(std::string_view digits) {
  if (digits.empty()) return -1;
  int port = 0;
  for (char c : digits) {
    if (!IsAsciiDigit(c)) return -1;
    port = port * 10 + (c - '0');
    if (port > kMaxPort) return -1;
  }
  return port;
}

// Reads "user@host:port" into `parts`; false when the authority is not one a load can use.
bool ReadAuthority(std::string_view authority, AddressParts& parts) {
  if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
    parts.userInfo = std::string(authority.substr(0, at));
    authority.remove_prefix(at + 1);
  }
  std::string_view host = authority;
  std::string_view port;
  bool portWritten = false;
  if (authority.starts_with('[')) {
    const auto close = authority.find(']');
    if (close == std::string_view::npos) return false;
    host = authority.substr(0, close + 1);
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return false;
      port = after.substr(1);
      portWritten = true;
    }
    if (!IsIpv6Literal(host)) return false;
  } else {
    // The first ":" ends the host: "a:b:80" is the host "a" and a port that is no number.
    if (const auto colon = authority.find(':'); colon != std::string_view::npos) {
      host = authority.substr(0, colon);
      port = authority.substr(colon + 1);
      portWritten = true;
    }
    if (std::ranges::any_of(host, IsForbiddenInHost)) return false;
  }
  if (host.size() > kMaxHostLength) return false;
  parts.host = AsciiLowerCase(host);
  if (portWritten && !port.empty()) {
    parts.port = PortNumber(port);
    if (parts.port < 0) return false;
  }
  return true;
}

}  // namespace

AddressParts ParseAddress(std::string_view address) {
  address = TrimBlanks(address);
  AddressParts parts;
  const std::size_t schemeLength = SchemeLength(address);
  if (schemeLength == 0) return parts;
  parts.scheme = AsciiLowerCase(address.substr(0, schemeLength));
  std::string_view rest = address.substr(schemeLength + 1);
  const bool special = IsSpecialScheme(parts.scheme);
  bool authorityValid = true;
  if (rest.starts_with("//")) {
    rest.remove_prefix(2);
    parts.hasAuthority = true;
    const std::size_t end = rest.find_first_of(special ? "/?#\\" : "/?#");
    authorityValid = ReadAuthority(rest.substr(0, end), parts);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
  }
  rest = rest.substr(0, rest.find('#'));
  const std::size_t question = rest.find('?');
  parts.path = std::string(rest.substr(0, question));
  if (question != std::string_view::npos) parts.query = std::string(rest.substr(question));
  parts.valid = authorityValid;
  if (IsWebScheme(parts.scheme) && parts.host.empty()) parts.valid = false;
  return parts;
}

int DefaultPortOf(std::string_view scheme) {
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  return -1;
}

std::string OriginOf(std::string_view address) {
  const AddressParts parts = ParseAddress(address);
  if (!parts.valid) return {};
  if (parts.scheme == "file") return "file://";
  if (parts.scheme != "http" && parts.scheme != "https") return {};
  std::string origin = parts.scheme + "://" + parts.host;
  if (parts.port >= 0 && parts.port != DefaultPortOf(parts.scheme))
    origin += ":" + std::to_string(parts.port);
  return origin;
}

bool IsIpv6Literal(std::string_view text) {
  if (text.size() < 4 || text.front() != '[' || text.back() != ']') return false;
  const std::string_view inside = text.substr(1, text.size() - 2);
  return std::ranges::count(inside, ':') >= 2 && std::ranges::all_of(inside, [](char c) {
           return AsciiHexValue(c) >= 0 || c == ':' || c == '.';
         });
}

std::string PercentDecoded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && AsciiHexValue(text[i + 1]) >= 0 &&
        AsciiHexValue(text[i + 2]) >= 0) {
      out.push_back(
          static_cast<char>(AsciiHexValue(text[i + 1]) * 16 + AsciiHexValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

}  // namespace wb
