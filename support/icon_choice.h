#pragma once
// What a copy made from a site takes from the site's facts: the icons in the order they are
// tried, and the colour in the form the configuration holds.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/html_head.h"
#include "support/web_manifest.h"

namespace wb {

// A colour as the configuration holds it: "#RGB" or "#RRGGBB" (either case, blanks around
// ignored) becomes "#RRGGBB" in upper case; anything else, and black (which the configuration
// reads as "no colour"), gives empty text.
std::string ConfigColor(std::string_view text);

// The name a copy takes from a site, and where it was found: the manifest's name, else its
// short_name, else <meta name=application-name>, else <meta property=og:site_name>, else the
// page's <title> unless it looks like a placeholder (see LooksLikePlaceholderTitle). Empty
// text when none serves.
struct NameChoice {
  std::string name;
  std::string from;  // "the manifest's name", ..., "the page's <title>"
};
NameChoice ChooseSiteName(const std::optional<ManifestFacts>& manifest, const PageFacts& page);

// Whether a page's title is one that pages show while they load or before they set their own
// ("Loading...", "Please wait", "Untitled", an application template's default): a name no
// one would give the site. Letters of either case, blanks and trailing dots or an ellipsis
// do not matter.
bool LooksLikePlaceholderTitle(std::string_view title);

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
