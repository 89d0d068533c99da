#pragma once
// A site's application manifest: the name, the start address, the scope, the colours and the
// icons, read from the manifest's text. Fields of the wrong type are left empty.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/site_handlers.h"

namespace wb {

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
  // The members a copy keeps beyond its look, each item checked as the copy's keys check it
  // (support/site_handlers.h) and its addresses on the site's own origin; at most the keys'
  // maximum of each.
  std::vector<SiteShortcut> shortcuts;          // "shortcuts": name (else short_name), url
  std::vector<SchemeHandler> protocolHandlers;  // "protocol_handlers": protocol, url
  std::vector<FileHandler> fileHandlers;        // "file_handlers": action, accept
  // What the reader left out of those members, one item each, for the maker to read: the
  // member ("shortcuts[2]") and the reason ("its url is on another origin").
  struct Dropped {
    std::string what;
    std::string reason;
  };
  std::vector<Dropped> dropped;
};
// Reads the fields of a manifest whose address is `manifestAddress`. Raises nothing: fields
// of the wrong type are left empty. nullopt with `error` when the text is not a JSON object.
// The site's origin, on which the shortcuts' and handlers' addresses must lie, is that of the
// start_url, else that of `siteAddress` (the page that links the manifest), else the
// manifest's own.
std::optional<ManifestFacts> ReadManifest(std::string_view text, std::string_view manifestAddress,
                                          std::string* error, std::string_view siteAddress = {});

}  // namespace wb
