#include "support/web_manifest.h"

#include "support/ascii.h"
#include "support/json_reader.h"
#include "support/web_reference.h"

namespace wb {

std::optional<ManifestFacts> ReadManifest(std::string_view text, std::string_view manifestAddress,
                                          std::string* error) {
  const auto json = ParseJson(text, error);
  if (!json) return std::nullopt;
  if (json->kind != JsonValue::Kind::kObject) {
    if (error) *error = "the manifest is not a JSON object";
    return std::nullopt;
  }
  ManifestFacts facts;
  facts.name = CollapseWebBlanks(json->StringMember("name"));
  facts.shortName = CollapseWebBlanks(json->StringMember("short_name"));
  facts.themeColor = std::string(TrimWebBlanks(json->StringMember("theme_color")));
  facts.backgroundColor = std::string(TrimWebBlanks(json->StringMember("background_color")));
  facts.display = AsciiLowerCase(TrimWebBlanks(json->StringMember("display")));
  if (const std::string start = json->StringMember("start_url"); !start.empty()) {
    facts.startUrl = ResolveWebReference(manifestAddress, start).value_or("");
  }
  if (const std::string scope = json->StringMember("scope"); !scope.empty()) {
    facts.scope = ResolveWebReference(manifestAddress, scope).value_or("");
  }
  if (const JsonValue* icons = json->Member("icons");
      icons && icons->kind == JsonValue::Kind::kArray) {
    for (const JsonValue& icon : icons->items) {
      if (icon.kind != JsonValue::Kind::kObject || facts.icons.size() >= 64) continue;
      const auto src = ResolveWebReference(manifestAddress, icon.StringMember("src"));
      if (!src || icon.StringMember("src").empty()) continue;
      facts.icons.push_back({*src, icon.StringMember("sizes"), icon.StringMember("type"),
                             icon.StringMember("purpose")});
    }
  }
  return facts;
}

}  // namespace wb
