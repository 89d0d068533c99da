#pragma once
// Web addresses as a page writes them: an absolute http or https address read into its parts,
// and a reference resolved against the address of the page or manifest that holds it. The
// text comes from a site and is never trusted.
#include <optional>
#include <string>
#include <string_view>

namespace wb {

// The parts of an absolute http or https address, the scheme and host in lower case.
struct WebAddress {
  std::string scheme;        // "http" or "https"
  std::string host;          // without the port; an IPv6 host keeps its brackets
  std::string port;          // digits, or empty for the scheme's own
  std::string path;          // starts with "/"
  std::string query;         // with its "?", or empty
  std::string Text() const;  // the whole address, without a fragment
};
// Reads an absolute http or https address; nullopt for any other text (other schemes, no
// host, blanks or control characters inside).
std::optional<WebAddress> ParseWebAddress(std::string_view text);
// Resolves `reference` (as written in a page: absolute, "//host/...", "/path", "path",
// "?query") against the absolute address `base`, dot segments removed and the fragment
// dropped. nullopt when the base is no web address or the result is not http or https.
std::optional<std::string> ResolveWebReference(std::string_view base, std::string_view reference);

}  // namespace wb
