#pragma once
// The keys of the configuration block in one table: each key's name, the kind of value it takes
// and the value an absent or empty key reads as. The window reads its values through this table,
// `wbctl check` examines every key by its kind and `wbctl show --effective` prints them in the
// table's order, so a new key is a row here (and the member of WindowConfig that uses it).
#include <cstdint>
#include <optional>
#include <string_view>

#include "storage/value_list.h"
#include "support/text.h"

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
};

struct ConfigKey {
  std::u16string_view name;
  KeyKind kind;
  std::u16string_view fallback;  // what an absent or empty value reads as
};

// Every key the program reads, in the order `wbctl show --effective` prints them and `wbctl
// check` reports on them.
inline constexpr ConfigKey kConfigKeys[] = {
    {u"title", KeyKind::kCaption, u""},
    {u"showbanner", KeyKind::kBanner, u""},
    {u"links", KeyKind::kLinks, u""},
    {u"vis", KeyKind::kVis, u""},
    {u"width", KeyKind::kSize, u"0"},
    {u"height", KeyKind::kSize, u"0"},
    {u"color", KeyKind::kColor, u"0"},
    {u"go", KeyKind::kAddress, u""},
    {u"webinfo", KeyKind::kSwitch, u"0"},
    // Beyond the window's design: the engine's hardware acceleration, a profile that keeps
    // nothing, one window for every start, the certificates accepted, what the start address's
    // origin is granted without asking, and the hosts that stay in the window.
    {u"gpu", KeyKind::kSwitch, u"0"},
    {u"ephemeral", KeyKind::kSwitch, u"0"},
    {u"single", KeyKind::kSwitch, u"0"},
    {u"trust", KeyKind::kTrust, u""},
    {u"allow", KeyKind::kAllow, u""},
    {u"internal", KeyKind::kHosts, u""},
    // The everyday controls: default zoom, the inspector, spell checking, a remembered size.
    {u"zoom", KeyKind::kZoom, u"100"},
    {u"devtools", KeyKind::kSwitch, u"0"},
    {u"spell", KeyKind::kSwitch, u"1"},
    {u"remember", KeyKind::kSwitch, u"0"},
    // What a maker sets per copy: the engine's user agent and proxy, the page's colour scheme,
    // how the window starts, the unread badge and the tray item.
    {u"agent", KeyKind::kAgent, u""},
    {u"proxy", KeyKind::kProxy, u"system"},
    {u"noproxy", KeyKind::kDirectHosts, u""},
    {u"dark", KeyKind::kScheme, u""},
    {u"start", KeyKind::kStart, u"normal"},
    {u"ontop", KeyKind::kSwitch, u"0"},
    {u"badge", KeyKind::kSwitch, u"0"},
    {u"tray", KeyKind::kSwitch, u"0"},
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

}  // namespace wb
