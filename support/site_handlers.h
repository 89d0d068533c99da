#pragma once
// What a copy takes over from a site's manifest beyond its name and look: the shortcuts the
// launcher offers, the schemes whose addresses the copy opens, and the kinds of files it
// opens. Each is a key of the configuration block ("shortcuts", "schemes", "files") whose
// items are divided by "|"; the manifest's reader checks its members by the same rules, so
// that what brand writes is what the copy reads back.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/host_patterns.h"

namespace wb {

// More than a launcher shows in its menu, or a site needs; the rest is left out.
inline constexpr std::size_t kMaxShortcuts = 10;
inline constexpr std::size_t kMaxSchemeHandlers = 10;
inline constexpr std::size_t kMaxFileHandlers = 10;
// The media types of one file handler, and the extensions of one media type.
inline constexpr std::size_t kMaxFileTypes = 10;
inline constexpr std::size_t kMaxFileExtensions = 10;
// The longest name a shortcut may have, in characters, and the longest address any item may
// hold, in bytes.
inline constexpr std::size_t kMaxShortcutName = 100;
inline constexpr std::size_t kMaxHandlerAddress = 2048;

// Whether `text` can be a shortcut's name in the desktop entry and in the key: 1 to
// kMaxShortcutName characters of UTF-8 without control characters, not starting or ending with
// a blank, and without "|" and "=", which divide the key's items.
bool IsShortcutName(std::string_view text);

// Whether `scheme` (in lower case) is one whose addresses a site may ask to open: "web+" and
// one or more letters a to z, or one of the schemes the manifest format lists as safe to hand
// to a site (bitcoin, geo, im, irc, magnet, mailto, matrix, sms, tel, webcal, xmpp and others).
bool IsHandledScheme(std::string_view scheme);

// Whether `mime` is a media type as a desktop entry lists it: "type/subtype" of letters,
// digits and "!#$&-^_.+" (RFC 6838), at most 127 characters, without parameters.
bool IsMediaType(std::string_view mime);

// Whether `extension` is a file extension as a file handler accepts it: "." and 1 to 16
// letters, digits, "-", "_" and "+".
bool IsFileExtension(std::string_view extension);

struct SiteShortcut {
  std::string name;     // UTF-8, see IsShortcutName
  std::string address;  // an http or https address
  bool operator==(const SiteShortcut&) const = default;
};
struct SchemeHandler {
  std::string scheme;   // in lower case, see IsHandledScheme
  std::string address;  // an http or https address holding "%s"
  bool operator==(const SchemeHandler&) const = default;
};
struct FileType {
  std::string mime;                     // in lower case, see IsMediaType
  std::vector<std::string> extensions;  // in lower case, see IsFileExtension
  bool operator==(const FileType&) const = default;
};
struct FileHandler {
  std::string action;  // the http or https address that opens the files
  std::vector<FileType> types;
  bool operator==(const FileHandler&) const = default;
};

// The parsed value of each key: the valid items in order, up to the key's maximum, and the
// items left out (malformed ones and those past the maximum), as written.
struct ShortcutsKey {
  std::vector<SiteShortcut> items;
  std::vector<std::string> invalid;
  bool operator==(const ShortcutsKey&) const = default;
};
struct SchemesKey {
  std::vector<SchemeHandler> items;
  std::vector<std::string> invalid;
  bool operator==(const SchemesKey&) const = default;
};
struct FilesKey {
  std::vector<FileHandler> items;
  std::vector<std::string> invalid;
  bool operator==(const FilesKey&) const = default;
};

// "shortcuts": items NAME=ADDRESS divided by "|" ("Inbox=https://mail.example/inbox").
ShortcutsKey ParseShortcuts(std::string_view value);
// "schemes": items SCHEME=ADDRESS divided by "|", the address holding "%s"
// ("web+mail=https://mail.example/compose?to=%s"). A scheme given twice keeps its first item.
SchemesKey ParseSchemes(std::string_view value);
// "files": items TYPES=ACTION divided by "|", the types divided by "," and each a media type
// followed by its extensions, divided by blanks
// ("text/csv .csv,text/plain .txt .text=https://docs.example/open"). The address comes last
// since its query may hold "=".
FilesKey ParseFiles(std::string_view value);

// The values brand writes for the items; each parses back to the items (as long as each item
// is valid), a "|" inside an address written "%7C".
std::string ShortcutsValue(const std::vector<SiteShortcut>& items);
std::string SchemesValue(const std::vector<SchemeHandler>& items);
std::string FilesValue(const std::vector<FileHandler>& items);

// `handlerAddress` with its first "%s" replaced by `address` percent-encoded as a component of
// an address (every byte but letters, digits and "-._~!'()*"), as a page's handler gets it.
std::string FillSchemeTemplate(std::string_view handlerAddress, std::string_view address);

// The address that opens `address` when its scheme is one of `handlers`: the handler's address
// filled in (FillSchemeTemplate). Nothing for an address of another scheme, one without
// anything after its ":", and one longer than kMaxHandlerAddress.
std::optional<std::string> HandledSchemeAddress(const std::vector<SchemeHandler>& handlers,
                                                std::string_view address);

// HandledSchemeAddress, kept only when the handler's page is on the copy's own hosts: the host
// of its start address, `startHost`, or one of `internal`. A handler elsewhere would send
// whatever the address holds to a site the copy does not belong to.
std::optional<std::string> OwnHandledAddress(const SchemesKey& schemes, std::string_view address,
                                             std::string_view startHost,
                                             const HostPatterns& internal);

}  // namespace wb
