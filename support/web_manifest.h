#pragma once
// A site's application manifest: the name, the start address, the scope, the colours and the
// icons, read from the manifest's text. Fields of the wrong type are left empty.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
};
// Reads the fields of a manifest whose address is `manifestAddress`. Raises nothing: fields
// of the wrong type are left empty. nullopt with `error` when the text is not a JSON object.
std::optional<ManifestFacts> ReadManifest(std::string_view text, std::string_view manifestAddress,
                                          std::string* error);

}  // namespace wb
