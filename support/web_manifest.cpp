#include "support/web_manifest.h"

#include <functional>

#include "support/address_parts.h"
#include "support/ascii.h"
#include "support/json_reader.h"
#include "support/web_reference.h"

namespace wb {
namespace {

// Reads the items of the array member `member`, at most `max` of them, each by `read`, which
// returns the reason an item is left out or empty text when it took it. Items past the maximum
// are told in one line, so that a hostile manifest of a great many items gives a short report.
void ReadItems(const JsonValue& json, std::string_view member, std::size_t max,
               ManifestFacts& facts, const std::function<std::string(const JsonValue&)>& read) {
  const JsonValue* items = json.Member(member);
  if (!items) return;
  const std::string name(member);
  if (items->kind != JsonValue::Kind::kArray) {
    facts.dropped.push_back({name, "it is no list"});
    return;
  }
  std::size_t taken = 0;
  for (std::size_t i = 0; i < items->items.size(); ++i) {
    if (taken >= max) {
      facts.dropped.push_back({name, std::to_string(items->items.size() - i) + " past the first " +
                                         std::to_string(max) + " are left out"});
      return;
    }
    const JsonValue& item = items->items[i];
    const std::string reason =
        item.kind == JsonValue::Kind::kObject ? read(item) : std::string("it is no object");
    if (reason.empty()) {
      ++taken;
    } else {
      facts.dropped.push_back({name + "[" + std::to_string(i) + "]", reason});
    }
  }
}

// The address `reference` resolved against the manifest, or the reason it is none the copy
// may keep: it must be on the site's own origin.
struct OwnAddress {
  std::string address;
  std::string problem;
};
OwnAddress ResolveOwn(std::string_view manifestAddress, std::string_view origin,
                      const JsonValue& item, std::string_view member) {
  const JsonValue* value = item.Member(member);
  const std::string name(member);
  if (!value || value->kind != JsonValue::Kind::kString || value->string.empty())
    return {{}, "it has no " + name};
  if (value->string.size() > kMaxHandlerAddress) return {{}, "its " + name + " is too long"};
  const auto resolved = ResolveWebReference(manifestAddress, value->string);
  if (!resolved || resolved->size() > kMaxHandlerAddress)
    return {{}, "its " + name + " is no web address"};
  if (OriginOf(*resolved) != origin) return {{}, "its " + name + " is on another origin"};
  return {*resolved, {}};
}

// One member of an "accept" map: the media type and its extensions, a string or a list.
std::string ReadAccept(const JsonMember& member, FileType& type) {
  type.mime = AsciiLowerCase(TrimWebBlanks(member.first));
  if (!IsMediaType(type.mime)) return "\"" + member.first.substr(0, 64) + "\" is no media type";
  std::vector<const JsonValue*> words;
  if (member.second.kind == JsonValue::Kind::kString) {
    words.push_back(&member.second);
  } else if (member.second.kind == JsonValue::Kind::kArray) {
    for (const JsonValue& v : member.second.items) words.push_back(&v);
  } else {
    return "the extensions of " + type.mime + " are no list";
  }
  for (const JsonValue* word : words) {
    const std::string extension =
        word->kind == JsonValue::Kind::kString ? AsciiLowerCase(TrimWebBlanks(word->string)) : "";
    if (!IsFileExtension(extension)) return "an extension of " + type.mime + " is malformed";
    if (type.extensions.size() >= kMaxFileExtensions)
      return type.mime + " has more than " + std::to_string(kMaxFileExtensions) + " extensions";
    type.extensions.push_back(extension);
  }
  return {};
}

}  // namespace

std::optional<ManifestFacts> ReadManifest(std::string_view text, std::string_view manifestAddress,
                                          std::string* error, std::string_view siteAddress) {
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
  const std::string origin = OriginOf(!facts.startUrl.empty() ? std::string_view(facts.startUrl)
                                      : !siteAddress.empty()  ? siteAddress
                                                              : manifestAddress);
  ReadItems(*json, "shortcuts", kMaxShortcuts, facts, [&](const JsonValue& item) {
    std::string name = CollapseWebBlanks(item.StringMember("name"));
    if (!IsShortcutName(name)) name = CollapseWebBlanks(item.StringMember("short_name"));
    if (!IsShortcutName(name))
      return std::string("it has no name of 1 to ") + std::to_string(kMaxShortcutName) +
             " characters without control characters, \"|\" and \"=\"";
    const OwnAddress url = ResolveOwn(manifestAddress, origin, item, "url");
    if (!url.problem.empty()) return url.problem;
    facts.shortcuts.push_back({name, url.address});
    if (item.Member("icons"))
      facts.dropped.push_back({"the icons of the shortcut " + name,
                               "the launcher shows the copy's own icon for its shortcuts"});
    return std::string();
  });
  ReadItems(*json, "protocol_handlers", kMaxSchemeHandlers, facts, [&](const JsonValue& item) {
    const std::string scheme = AsciiLowerCase(TrimWebBlanks(item.StringMember("protocol")));
    if (!IsHandledScheme(scheme))
      return std::string("its protocol is neither web+ and letters nor a safelisted scheme");
    for (const SchemeHandler& h : facts.protocolHandlers) {
      if (h.scheme == scheme) return "its protocol " + scheme + " is handled already";
    }
    if (item.StringMember("url").find("%s") == std::string::npos)
      return std::string("its url holds no %s");
    const OwnAddress url = ResolveOwn(manifestAddress, origin, item, "url");
    if (!url.problem.empty()) return url.problem;
    // Resolving may have encoded the "%" of "%s"; a handler without it cannot be filled in.
    if (url.address.find("%s") == std::string::npos) return std::string("its url holds no %s");
    facts.protocolHandlers.push_back({scheme, url.address});
    return std::string();
  });
  ReadItems(*json, "file_handlers", kMaxFileHandlers, facts, [&](const JsonValue& item) {
    const OwnAddress action = ResolveOwn(manifestAddress, origin, item, "action");
    if (!action.problem.empty()) return action.problem;
    const JsonValue* accept = item.Member("accept");
    if (!accept || accept->kind != JsonValue::Kind::kObject || accept->members.empty())
      return std::string("its accept is no map of media types to extensions");
    if (accept->members.size() > kMaxFileTypes)
      return "it accepts more than " + std::to_string(kMaxFileTypes) + " media types";
    FileHandler handler{action.address, {}};
    for (const JsonMember& member : accept->members) {
      FileType type;
      if (std::string problem = ReadAccept(member, type); !problem.empty()) return problem;
      handler.types.push_back(std::move(type));
    }
    facts.fileHandlers.push_back(std::move(handler));
    return std::string();
  });
  return facts;
}

}  // namespace wb
