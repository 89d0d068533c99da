#pragma once
// The keys of the configuration block in one table: each key's name, the kind of value it takes,
// the value an absent or empty key reads as, and the member of WindowConfig it sets. The window
// reads its values through this table (WindowConfigFromValues runs every row's reader), `wbctl
// check` examines every key by its kind and `wbctl show --effective` prints them in the table's
// order. Each kind has its parse here (ConfiguredAs), its check in tools/wbctl_check.cpp and its
// description in tools/wbctl_show.cpp, once; so a new key of a known kind is a row here and the
// member of WindowConfig (storage/config_values.h) it names.
#include <cstdint>
#include <optional>
#include <string_view>

#include "storage/config_values.h"
#include "storage/value_list.h"
#include "support/certificate.h"
#include "support/copy_keys.h"
#include "support/host_patterns.h"
#include "support/language_tags.h"
#include "support/maker.h"
#include "support/permissions.h"
#include "support/site_handlers.h"
#include "support/text.h"
#include "support/vendor_name.h"
#include "support/zoom_levels.h"

namespace wb {

// What a key's value is, which decides how it is read, checked and shown.
enum class KeyKind {
  kCaption,      // any text: the window's caption and the banner's
  kBanner,       // a switch; without a value the banner follows the caption
  kLinks,        // link entries NAME=ADDRESS[,ICON] divided by "|"
  kVis,          // the letters of the bars that stay
  kSize,         // pixels above 0; anything else keeps the design's size
  kColor,        // a colour above 0 (decimal, or "#" and web notation); else the design's
  kAddress,      // an address to load, or an existing file; empty: none
  kSwitch,       // a yes-word or a number (TextToBool)
  kZoom,         // a percentage, clamped to the zoom levels' bounds
  kTrust,        // certificate fingerprints (support/certificate.h)
  kAllow,        // permission kinds (support/permissions.h)
  kHosts,        // host patterns (support/host_patterns.h)
  kDirectHosts,  // host patterns that go direct, which only a proxy address gives effect
  kAgent,        // a user agent, or "+" and text appended to the engine's
  kProxy,        // system, none or a proxy address
  kScheme,       // a switch; without a value the desktop's colour scheme applies
  kStart,        // how the main window starts: normal, maximized, fullscreen
  kText,         // a line of text shown as it is (support/maker.h: MakerText)
  kContact,      // lines of text divided by "|" (support/maker.h: ContactLines)
  kWebAddress,   // an http or https address, or none (support/maker.h: MakerAddress)
  kBaseAddress,  // the same, without trailing slashes, as the base of further addresses
  kLanguages,    // language tags, comma-separated (support/language_tags.h)
  kFolderName,   // the name of one folder (support/vendor_name.h: VendorName)
  kShortcuts,    // the launcher's shortcuts NAME=ADDRESS divided by "|" (support/site_handlers.h)
  kSchemes,      // scheme handlers SCHEME=ADDRESS divided by "|" (support/site_handlers.h)
  kFiles,        // file handlers TYPES=ADDRESS divided by "|" (support/site_handlers.h)
};

struct ConfigKey;

// Sets the members of `config` that the row `key` names, from the merged block `values`.
using KeyReader = void (*)(const ValueList& values, const ConfigKey& key, WindowConfig& config);

struct ConfigKey {
  std::u16string_view name;
  KeyKind kind;
  std::u16string_view fallback;  // what an absent or empty value reads as
  KeyReader read = nullptr;      // sets the key's member of WindowConfig; every row has one
};

// The row of the key `name` (without regard to case, as the block's names compare); null for a
// key the program does not know.
const ConfigKey* FindConfigKey(TextView name);

// The value of the known key `name` in `values`, or the key's fallback when it has none.
Text ConfiguredValue(const ValueList& values, TextView name);

// The key's value read as a switch (TextToBool).
bool ConfiguredSwitch(const ValueList& values, TextView name);

// A switch that may be unset: none when the value is empty or blank.
std::optional<bool> ConfiguredTriState(const ValueList& values, TextView name);

// A size in pixels: the number, or 0 (the design's) for 0 or less.
int ConfiguredSize(const ValueList& values, TextView name);

// A colour value, red in the lowest byte: 0 (the design's) for 0 or less.
std::int32_t ConfiguredColor(const ValueList& values, TextView name);

// What a value of the kind `Kind` reads as: each kind's parse, once. The kinds whose value
// sets several members (the caption, the banner, the links and the bars) have readers of
// their own below.
template <KeyKind Kind>
auto ConfiguredAs(const ValueList& values, TextView name) {
  if constexpr (Kind == KeyKind::kSwitch) {
    return ConfiguredSwitch(values, name);
  } else if constexpr (Kind == KeyKind::kSize) {
    return ConfiguredSize(values, name);
  } else if constexpr (Kind == KeyKind::kColor) {
    return ConfiguredColor(values, name);
  } else if constexpr (Kind == KeyKind::kAddress) {
    return ConfiguredValue(values, name);
  } else if constexpr (Kind == KeyKind::kZoom) {
    return ConfiguredZoom(ConfiguredValue(values, name));
  } else if constexpr (Kind == KeyKind::kTrust) {
    return ParseTrustList(ToUtf8(ConfiguredValue(values, name)));
  } else if constexpr (Kind == KeyKind::kAllow) {
    return ParseAllowList(ToUtf8(ConfiguredValue(values, name)));
  } else if constexpr (Kind == KeyKind::kHosts || Kind == KeyKind::kDirectHosts) {
    return ParseHostPatterns(ToUtf8(ConfiguredValue(values, name)));
  } else if constexpr (Kind == KeyKind::kAgent) {
    return ParseUserAgent(ToUtf8(ConfiguredValue(values, name)));
  } else if constexpr (Kind == KeyKind::kProxy) {
    return ParseProxy(ToUtf8(ConfiguredValue(values, name)));
  } else if constexpr (Kind == KeyKind::kScheme) {
    return ConfiguredTriState(values, name);
  } else if constexpr (Kind == KeyKind::kText) {
    return MakerText(ConfiguredValue(values, name));
  } else if constexpr (Kind == KeyKind::kContact) {
    return ContactLines(ConfiguredValue(values, name));
  } else if constexpr (Kind == KeyKind::kWebAddress) {
    return MakerAddress(ConfiguredValue(values, name));
  } else if constexpr (Kind == KeyKind::kBaseAddress) {
    return MakerAddress(ConfiguredValue(values, name), true);
  } else if constexpr (Kind == KeyKind::kLanguages) {
    return ParseLanguages(ToUtf8(ConfiguredValue(values, name)));
  } else if constexpr (Kind == KeyKind::kFolderName) {
    return VendorName(ConfiguredValue(values, name));
  } else if constexpr (Kind == KeyKind::kShortcuts) {
    return ParseShortcuts(ToUtf8(ConfiguredValue(values, name)));
  } else if constexpr (Kind == KeyKind::kSchemes) {
    return ParseSchemes(ToUtf8(ConfiguredValue(values, name)));
  } else if constexpr (Kind == KeyKind::kFiles) {
    return ParseFiles(ToUtf8(ConfiguredValue(values, name)));
  } else {
    static_assert(Kind == KeyKind::kStart, "this kind has a reader of its own");
    return ParseWindowStart(ToUtf8(ConfiguredValue(values, name)));
  }
}

// The reader of a row whose value sets one member, `Member`, as its kind reads it.
template <KeyKind Kind, auto Member>
void ReadMember(const ValueList& values, const ConfigKey& key, WindowConfig& config) {
  config.*Member = ConfiguredAs<Kind>(values, key.name);
}

// A row of kind `Kind` that sets the member `Member` of WindowConfig.
template <KeyKind Kind, auto Member>
constexpr ConfigKey Key(std::u16string_view name, std::u16string_view fallback) {
  return {name, Kind, fallback, &ReadMember<Kind, Member>};
}

// The readers of the kinds that set several members (storage/window_config.cpp), in the order
// of their rows: the title gives the caption, the banner's caption and whether the banner
// shows; showbanner, when set, decides the latter; the links give the link list and its
// buttons; vis gives the letters, whether they apply and the bars they leave.
void ReadCaption(const ValueList& values, const ConfigKey& key, WindowConfig& config);
void ReadBanner(const ValueList& values, const ConfigKey& key, WindowConfig& config);
void ReadLinks(const ValueList& values, const ConfigKey& key, WindowConfig& config);
void ReadVis(const ValueList& values, const ConfigKey& key, WindowConfig& config);

// Every key the program reads, each with the member it sets, in the order `wbctl show --effective`
// prints them and `wbctl check` reports on them.
inline constexpr ConfigKey kConfigKeys[] = {
    {u"title", KeyKind::kCaption, u"", &ReadCaption},
    {u"showbanner", KeyKind::kBanner, u"", &ReadBanner},
    {u"links", KeyKind::kLinks, u"", &ReadLinks},
    {u"vis", KeyKind::kVis, u"", &ReadVis},
    Key<KeyKind::kSize, &WindowConfig::width>(u"width", u"0"),
    Key<KeyKind::kSize, &WindowConfig::height>(u"height", u"0"),
    Key<KeyKind::kColor, &WindowConfig::color>(u"color", u"0"),
    Key<KeyKind::kAddress, &WindowConfig::go>(u"go", u""),
    Key<KeyKind::kSwitch, &WindowConfig::webinfo>(u"webinfo", u"0"),
    // Beyond the window's design: the engine's hardware acceleration, a profile that keeps
    // nothing, one window for every start, the certificates accepted, what the start address's
    // origin is granted without asking, and the hosts that stay in the window.
    Key<KeyKind::kSwitch, &WindowConfig::gpu>(u"gpu", u"0"),
    Key<KeyKind::kSwitch, &WindowConfig::ephemeral>(u"ephemeral", u"0"),
    Key<KeyKind::kSwitch, &WindowConfig::single>(u"single", u"0"),
    Key<KeyKind::kTrust, &WindowConfig::trust>(u"trust", u""),
    Key<KeyKind::kAllow, &WindowConfig::allow>(u"allow", u""),
    Key<KeyKind::kHosts, &WindowConfig::internal>(u"internal", u""),
    // The everyday controls: default zoom, the inspector, spell checking, a remembered size.
    Key<KeyKind::kZoom, &WindowConfig::zoom>(u"zoom", u"100"),
    Key<KeyKind::kSwitch, &WindowConfig::devtools>(u"devtools", u"0"),
    Key<KeyKind::kSwitch, &WindowConfig::spell>(u"spell", u"1"),
    Key<KeyKind::kSwitch, &WindowConfig::remember>(u"remember", u"0"),
    // What a maker sets per copy: the engine's user agent and proxy, the page's colour scheme,
    // how the window starts, the unread badge and the tray item.
    Key<KeyKind::kAgent, &WindowConfig::agent>(u"agent", u""),
    Key<KeyKind::kProxy, &WindowConfig::proxy>(u"proxy", u"system"),
    Key<KeyKind::kDirectHosts, &WindowConfig::noproxy>(u"noproxy", u""),
    Key<KeyKind::kScheme, &WindowConfig::dark>(u"dark", u""),
    Key<KeyKind::kStart, &WindowConfig::start>(u"start", u"normal"),
    Key<KeyKind::kSwitch, &WindowConfig::ontop>(u"ontop", u"0"),
    Key<KeyKind::kSwitch, &WindowConfig::badge>(u"badge", u"0"),
    Key<KeyKind::kSwitch, &WindowConfig::tray>(u"tray", u"0"),
    // The copy's own maker: the about box shows it in place of ours, and its homepage is the
    // base of every address built for the maker.
    Key<KeyKind::kText, &WindowConfig::maker>(u"maker", u""),
    Key<KeyKind::kBaseAddress, &WindowConfig::homepage>(u"homepage", u""),
    Key<KeyKind::kContact, &WindowConfig::contact>(u"contact", u""),
    Key<KeyKind::kWebAddress, &WindowConfig::shop>(u"shop", u""),
    Key<KeyKind::kWebAddress, &WindowConfig::support>(u"support", u""),
    // The languages the pages are asked for, in place of the locale's.
    Key<KeyKind::kLanguages, &WindowConfig::lang>(u"lang", u""),
    // A portable copy's notice of a newer version: the address of the maker's signed notice,
    // and the copy's own version that the notice's is compared with.
    Key<KeyKind::kWebAddress, &WindowConfig::update>(u"update", u""),
    Key<KeyKind::kText, &WindowConfig::version>(u"version", u""),
    // The name of the folders the copy makes in the person's home, in place of ours.
    Key<KeyKind::kFolderName, &WindowConfig::vendor>(u"vendor", u""),
    // What a copy made from a site keeps of its manifest: the launcher's shortcuts, the
    // schemes and kinds of files the copy opens, and the page's background until it paints.
    Key<KeyKind::kShortcuts, &WindowConfig::shortcuts>(u"shortcuts", u""),
    Key<KeyKind::kSchemes, &WindowConfig::schemes>(u"schemes", u""),
    Key<KeyKind::kFiles, &WindowConfig::files>(u"files", u""),
    Key<KeyKind::kColor, &WindowConfig::background>(u"background", u"0"),
    // Whether `wbctl install` also makes the copy start at login, hidden in its tray item.
    Key<KeyKind::kSwitch, &WindowConfig::autostart>(u"autostart", u"0"),
};

}  // namespace wb
