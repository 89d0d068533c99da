#pragma once
// What a web site says about itself, read from its page and its application manifest: the
// name, the start address, the icons and the colour. Everything here reads text already
// fetched; the reading is bounded and never trusts the text.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wb {

// --- Addresses ---------------------------------------------------------------------------

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

// --- The page ----------------------------------------------------------------------------

// A <link> the page names for an icon.
struct PageIcon {
  std::string href;   // as written, entities decoded
  std::string rel;    // "icon" or "apple-touch-icon" (lower case)
  std::string sizes;  // as written, e.g. "32x32 64x64" or "any"
  std::string type;   // as written, e.g. "image/png"
};
struct PageFacts {
  std::string title;       // the first <title>, blanks collapsed, entities decoded
  std::string themeColor;  // <meta name="theme-color" content>
  std::string manifest;    // <link rel="manifest" href>, as written
  std::string base;        // <base href>, as written
  std::vector<PageIcon> icons;
};
// Reads the head of an HTML page (UTF-8 or ASCII-compatible bytes). Only the first
// kMaxPageScan bytes are looked at; a page that is not HTML gives empty facts.
inline constexpr std::size_t kMaxPageScan = std::size_t{2} << 20;
PageFacts ReadPageFacts(std::string_view html);

// --- JSON --------------------------------------------------------------------------------

// A JSON value as RFC 8259 writes it. Numbers are kept as doubles; strings are UTF-8.
struct JsonMember;
struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<JsonValue> items;     // kArray
  std::vector<JsonMember> members;  // kObject, in order
  // The member `name` of an object (the last one written wins), or nullptr.
  const JsonValue* Member(std::string_view name) const;
  // The member as a string, or empty text when it is missing or no string.
  std::string StringMember(std::string_view name) const;
};
// A member of an object: its name and its value.
struct JsonMember {
  std::string first;
  JsonValue second;
};
// Parses a whole JSON text (a UTF-8 byte order mark allowed before it). nullopt with a
// reason in `error` when it is not JSON, nests deeper than kMaxJsonDepth or holds more than
// kMaxJsonValues values.
inline constexpr int kMaxJsonDepth = 64;
inline constexpr std::size_t kMaxJsonValues = 100000;
std::optional<JsonValue> ParseJson(std::string_view text, std::string* error);

// --- The manifest ------------------------------------------------------------------------

struct ManifestIcon {
  std::string src;      // resolved against the manifest's address
  std::string sizes;    // as written
  std::string type;     // as written
  std::string purpose;  // as written, e.g. "any maskable"
};
struct ManifestFacts {
  std::string name;
  std::string shortName;
  std::string startUrl;  // resolved against the manifest's address; empty when absent or
                         // not a web address
  std::string scope;     // resolved likewise
  std::string themeColor;
  std::string backgroundColor;
  std::string display;
  std::vector<ManifestIcon> icons;
};
// Reads the fields of a manifest whose address is `manifestAddress`. Raises nothing: fields
// of the wrong type are left empty. nullopt with `error` when the text is not a JSON object.
std::optional<ManifestFacts> ReadManifest(std::string_view text, std::string_view manifestAddress,
                                          std::string* error);

// --- The choices -------------------------------------------------------------------------

// A colour as the configuration holds it: "#RGB" or "#RRGGBB" (either case, blanks around
// ignored) becomes "#RRGGBB" in upper case; anything else, and black (which the configuration
// reads as "no colour"), gives empty text.
std::string ConfigColor(std::string_view text);

// One icon to try, best first, and where it was named.
struct IconCandidate {
  std::string address;
  std::string from;  // "manifest", "apple-touch-icon", "link rel=icon" or "/favicon.ico"
};
// The icons in the order they are tried: the manifest's square icons of a PNG or SVG type
// (or of no type), the largest up to 512 px first ("any" size counted as 512), purpose "any"
// before "maskable" and other purposes left out; then the manifest's other icons; then the
// page's apple-touch-icon, then its rel=icon links (largest first), then /favicon.ico of
// `pageAddress`. Every address is absolute; duplicates are dropped.
std::vector<IconCandidate> IconCandidates(const std::optional<ManifestFacts>& manifest,
                                          const PageFacts& page, std::string_view pageAddress);

// The largest side in a "sizes" value ("16x16 512x512"), 0 when none; "any" gives 512.
// `square` is set when every size written is square.
int LargestIconSide(std::string_view sizes, int limit, bool* square);

}  // namespace wb
