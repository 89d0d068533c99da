#include "support/site_handlers.h"

#include <algorithm>
#include <array>

#include "support/ascii.h"
#include "support/block_text.h"
#include "support/text.h"
#include "support/web_reference.h"

namespace wb {
namespace {

// The items of a key's value: the text between "|", blanks around each dropped, empty items
// skipped.
std::vector<std::string_view> Items(std::string_view value, char divider) {
  std::vector<std::string_view> items;
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t end = value.find(divider, start);
    if (end == std::string_view::npos) end = value.size();
    const std::string_view item = TrimWebBlanks(value.substr(start, end - start));
    if (!item.empty()) items.push_back(item);
    start = end + 1;
  }
  return items;
}

// The item's two sides of its first "=", each trimmed; nothing without "=".
std::optional<std::pair<std::string_view, std::string_view>> Sides(std::string_view item) {
  const auto eq = item.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return std::pair{TrimWebBlanks(item.substr(0, eq)), TrimWebBlanks(item.substr(eq + 1))};
}

bool IsItemAddress(std::string_view address) {
  return address.size() <= kMaxHandlerAddress && ParseWebAddress(address).has_value();
}

// An address as an item holds it: a "|" would end the item.
std::string ItemAddress(std::string_view address) {
  std::string out;
  for (char c : address) {
    if (c == '|') {
      out += "%7C";
    } else {
      out += c;
    }
  }
  return out;
}

// One file handler's types: "text/csv .csv,text/plain .txt"; nothing when a type or an
// extension is malformed or there are too many.
std::optional<std::vector<FileType>> ParseFileTypes(std::string_view text) {
  std::vector<FileType> types;
  for (std::string_view item : Items(text, ',')) {
    FileType type;
    std::size_t start = 0;
    while (start < item.size()) {
      std::size_t end = item.find_first_of(" \t", start);
      if (end == std::string_view::npos) end = item.size();
      if (end > start) {
        const std::string word = AsciiLowerCase(item.substr(start, end - start));
        if (type.mime.empty()) {
          if (!IsMediaType(word)) return std::nullopt;
          type.mime = word;
        } else {
          if (!IsFileExtension(word) || type.extensions.size() >= kMaxFileExtensions)
            return std::nullopt;
          type.extensions.push_back(word);
        }
      }
      start = end + 1;
    }
    if (types.size() >= kMaxFileTypes) return std::nullopt;
    types.push_back(std::move(type));
  }
  if (types.empty()) return std::nullopt;
  return types;
}

}  // namespace

bool IsShortcutName(std::string_view text) {
  if (text.empty() || !IsUtf8(text) || IsWebBlank(text.front()) || IsWebBlank(text.back()))
    return false;
  if (FromUtf8(text).size() > kMaxShortcutName) return false;
  return std::ranges::none_of(text, [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F || c == '|' || c == '=';
  });
}

bool IsHandledScheme(std::string_view scheme) {
  // The schemes the manifest format lets a site handle without the "web+" prefix.
  static constexpr std::array<std::string_view, 33> kSafelisted = {
      "bitcoin", "cabal", "dat",  "did",         "doi",  "dweb", "ethereum", "ftp",    "geo",
      "hyper",   "im",    "ipfs", "ipns",        "irc",  "ircs", "magnet",   "mailto", "matrix",
      "mms",     "news",  "nntp", "openpgp4fpr", "sftp", "sip",  "sms",      "smsto",  "ssb",
      "ssh",     "tel",   "urn",  "webcal",      "wtai", "xmpp"};
  if (scheme.starts_with("web+")) {
    const std::string_view letters = scheme.substr(4);
    return !letters.empty() && letters.size() <= 32 &&
           std::ranges::all_of(letters, [](char c) { return c >= 'a' && c <= 'z'; });
  }
  return std::ranges::find(kSafelisted, scheme) != kSafelisted.end();
}

bool IsMediaType(std::string_view mime) {
  const auto isName = [](std::string_view part) {
    return !part.empty() && IsAsciiAlnum(part.front()) && std::ranges::all_of(part, [](char c) {
      return IsAsciiAlnum(c) || std::string_view("!#$&-^_.+").find(c) != std::string_view::npos;
    });
  };
  const auto slash = mime.find('/');
  return mime.size() <= 127 && slash != std::string_view::npos && isName(mime.substr(0, slash)) &&
         isName(mime.substr(slash + 1));
}

bool IsFileExtension(std::string_view extension) {
  return extension.size() >= 2 && extension.size() <= 17 && extension.front() == '.' &&
         std::ranges::all_of(extension.substr(1), [](char c) {
           return IsAsciiAlnum(c) || c == '-' || c == '_' || c == '+';
         });
}

ShortcutsKey ParseShortcuts(std::string_view value) {
  ShortcutsKey key;
  for (std::string_view item : Items(value, '|')) {
    const auto sides = Sides(item);
    if (!sides || key.items.size() >= kMaxShortcuts || !IsShortcutName(sides->first) ||
        !IsItemAddress(sides->second)) {
      key.invalid.emplace_back(item);
      continue;
    }
    key.items.push_back({std::string(sides->first), std::string(sides->second)});
  }
  return key;
}

SchemesKey ParseSchemes(std::string_view value) {
  SchemesKey key;
  for (std::string_view item : Items(value, '|')) {
    const auto sides = Sides(item);
    const std::string scheme = sides ? AsciiLowerCase(sides->first) : std::string();
    const bool repeated = std::ranges::any_of(
        key.items, [&scheme](const SchemeHandler& h) { return h.scheme == scheme; });
    if (!sides || repeated || key.items.size() >= kMaxSchemeHandlers || !IsHandledScheme(scheme) ||
        sides->second.find("%s") == std::string_view::npos || !IsItemAddress(sides->second)) {
      key.invalid.emplace_back(item);
      continue;
    }
    key.items.push_back({scheme, std::string(sides->second)});
  }
  return key;
}

FilesKey ParseFiles(std::string_view value) {
  FilesKey key;
  for (std::string_view item : Items(value, '|')) {
    const auto sides = Sides(item);
    const auto types = sides ? ParseFileTypes(sides->first) : std::nullopt;
    if (!types || key.items.size() >= kMaxFileHandlers || !IsItemAddress(sides->second)) {
      key.invalid.emplace_back(item);
      continue;
    }
    key.items.push_back({std::string(sides->second), *types});
  }
  return key;
}

std::string ShortcutsValue(const std::vector<SiteShortcut>& items) {
  std::string value;
  for (const SiteShortcut& s : items)
    value += (value.empty() ? "" : "|") + s.name + "=" + ItemAddress(s.address);
  return value;
}

std::string SchemesValue(const std::vector<SchemeHandler>& items) {
  std::string value;
  for (const SchemeHandler& h : items)
    value += (value.empty() ? "" : "|") + h.scheme + "=" + ItemAddress(h.address);
  return value;
}

std::string FilesValue(const std::vector<FileHandler>& items) {
  std::string value;
  for (const FileHandler& h : items) {
    std::string types;
    for (const FileType& t : h.types) {
      types += (types.empty() ? "" : ",") + t.mime;
      for (const std::string& e : t.extensions) types += " " + e;
    }
    value += (value.empty() ? "" : "|") + types + "=" + ItemAddress(h.action);
  }
  return value;
}

std::string FillSchemeTemplate(std::string_view handlerAddress, std::string_view address) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (char c : address) {
    if (IsAsciiAlnum(c) || std::string_view("-._~!'()*").find(c) != std::string_view::npos) {
      encoded += c;
    } else {
      const auto u = static_cast<unsigned char>(c);
      encoded += '%';
      encoded += kHex[u >> 4];
      encoded += kHex[u & 0xF];
    }
  }
  std::string out(handlerAddress);
  if (const auto at = out.find("%s"); at != std::string::npos) out.replace(at, 2, encoded);
  return out;
}

std::optional<std::string> HandledSchemeAddress(const std::vector<SchemeHandler>& handlers,
                                                std::string_view address) {
  const auto colon = address.find(':');
  if (colon == std::string_view::npos || colon + 1 == address.size() ||
      address.size() > kMaxHandlerAddress)
    return std::nullopt;
  const std::string scheme = AsciiLowerCase(address.substr(0, colon));
  for (const SchemeHandler& h : handlers) {
    if (h.scheme == scheme) return FillSchemeTemplate(h.address, address);
  }
  return std::nullopt;
}

std::optional<std::string> OwnHandledAddress(const SchemesKey& schemes, std::string_view address,
                                             std::string_view startHost,
                                             const HostPatterns& internal) {
  auto opened = HandledSchemeAddress(schemes.items, address);
  if (!opened) return std::nullopt;
  const std::string host = HostOfAddress(*opened);
  if (host.empty() || (host != startHost && !internal.Matches(host))) return std::nullopt;
  return opened;
}

}  // namespace wb
