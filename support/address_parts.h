#pragma once
// The one reading of an address's parts. Every rule that asks for a scheme, a host, a port or
// an origin (the permissions kept per site, the zoom remembered per site, the hosts that stay
// in the window, the scheme test of a partial address, the linter of a configuration) reads
// the address here, so two of them can never disagree about the same address.
#include <string>
#include <string_view>

namespace wb {

// An address taken apart: "scheme:" then, after "//", an authority of "user@host:port", then
// the path, the query after "?" and the fragment after "#".
struct AddressParts {
  // In lower case, without its ":". Empty when the address has no scheme (see HasScheme); then
  // every other part is empty too.
  std::string scheme;
  // Whether "//" and an authority follow the scheme's ":".
  bool hasAuthority = false;
  // What comes before the authority's last "@", as written; never part of the host.
  std::string userInfo;
  // In ASCII lower case; an IPv6 address keeps its brackets ("[::1]"). A trailing dot is kept.
  std::string host;
  // The port written after the host, leading zeros read away; -1 when none is written (an
  // empty port, "host:", is none).
  int port = -1;
  // Whether the address can be loaded as written: it has a scheme; its port, if any, is
  // digits only and at most 65535; its host holds none of the characters a host cannot hold
  // (blanks, controls, "<>[]^|" outside an IPv6 address's brackets), an IPv6 address is
  // hexadecimal digits, ":" and "." between brackets, and the host is at most 255 characters.
  // The web's own schemes (http, https, ws, wss, ftp) need an authority with a host; file:
  // needs neither.
  bool valid = false;
  // After the authority (or after the scheme's ":" for an address without one) up to "?" or
  // "#", as written (not percent-decoded).
  std::string path;
  // From the "?" after the path up to "#", with its "?", as written; empty when there is none.
  std::string query;
};

// The parts of `address` (UTF-8). Spaces and tabs at either end are ignored. The authority
// ends at "/", "?" or "#", and for the web's own schemes and file: also at "\", which the
// engine reads as "/" there: "http://evil.example\@good.example/" is on evil.example.
AddressParts ParseAddress(std::string_view address);

// The port a scheme uses when the address names none: 80 for "http", 443 for "https" (lower
// case, as ParseAddress gives it); -1 for every other scheme.
int DefaultPortOf(std::string_view scheme);

// The origin of an address, under which what a person decides for a site is kept (the answers
// to its permission requests, its zoom level): "scheme://host" with ":port" when the port is
// not the scheme's default, scheme and host in lower case, user information left out
// ("HTTPS://me@Shop.Example:443/a?b" gives "https://shop.example"). Every file address shares
// "file://". Empty text for an address that is not valid (see AddressParts::valid), for
// schemes other than http, https and file (about:, data:, javascript:, ftp: ...) and for an
// address without a host.
std::string OriginOf(std::string_view address);

// "[", then hexadecimal digits, ":" (at least two) and "." (an IPv4 tail), then "]".
bool IsIpv6Literal(std::string_view text);

// The bytes of `text` with every "%XX" (two hexadecimal digits) replaced by the byte it
// names; a "%" not followed by two hexadecimal digits stays as it is. The result may hold any
// byte, a NUL or "/" included, and need not be UTF-8.
std::string PercentDecoded(std::string_view text);

}  // namespace wb
