#pragma once
// Reading the browser window's configuration without any widget: from the embedded default
// block and the block appended to the executable file to everything the window applies at
// creation. The window and wbctl share this one implementation, so `wbctl show --effective`
// tells exactly what a window will do.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/config_keys.h"
#include "storage/value_list.h"
#include "support/certificate.h"
#include "support/copy_keys.h"
#include "support/host_patterns.h"
#include "support/permissions.h"
#include "support/text.h"

namespace wb {

// The window caption of the design, kept when the configuration has no title.
inline constexpr std::u16string_view kDesignCaption = u"Web Browser";

// The name of the configuration block appended to the executable.
inline constexpr std::u16string_view kConfigBlockName = u"WebBrowser";

// The embedded default configuration, looked up with LoadResText (stored as WEBBROWSER_TXT).
inline constexpr std::u16string_view kConfigResourceName = u"WebBrowser.txt";

// Which bars remain after `vis`. Without a vis value every bar is shown.
struct BarVisibility {
  bool menu = true;       // "m": without it the menu bar is destroyed for the window's life
  bool navbar = true;     // "n": NavBar
  bool address = true;    // "a": Addr
  bool linkbar = true;    // "l": LinkBar
  bool strip = true;      // CoolBar: hidden when NavBar, Addr and LinkBar all are
  bool statusbar = true;  // "-s" hides the status bar
  bool operator==(const BarVisibility&) const = default;
};

// The bars that the vis letters `s` leave. Every test asks whether `s` contains the text
// anywhere, exact case: "m", "n", "a", "l" keep their bar, "-s" hides the status bar; other
// characters and letters in other case are ignored. So "-" keeps only the status bar.
BarVisibility ParseVis(TextView s);

// One link button as AddLinkList creates it.
struct LinkButtonSpec {
  Text caption;  // the entry's name (text before its first "="), untrimmed
  Text address;  // the button's hint, which its click navigates to
  int icon = 0;  // index into the link images; one the images lack shows no icon
  bool operator==(const LinkButtonSpec&) const = default;
};

// The four built-in link entries (Home, Support, Download, Shop) over BaseWebAddress().
ValueList BuiltInLinkList();

// The window's LinkList for the merged configuration `resList`: the built-in entries, or,
// when "links" is not empty, its entries divided at "|" (the built-in ones dropped).
ValueList LinkListFromConfig(const ValueList& resList);

// The link buttons that AddLinkList builds from `links`, in bar order (left to right, which is
// list order). AddLinkList creates them from the last entry to the first, each placed at the
// front of the bar, so the rightmost button is created first. Each entry's value is that of
// the first entry with the same name (without regard to case); the address is the value up
// to its first ",", the icon TextToInt of the rest (0 when empty or not a number). An entry
// without "=" gives a button with an empty caption.
std::vector<LinkButtonSpec> LinkButtons(const ValueList& links);

// rParam: the configuration block ResList, merged from the embedded default block
// (`resourceBytes`, ANSI code page) and then the "WebBrowser" block of the file `exePath`,
// opened for reading only while others may read and write it. A missing resource, a missing
// file or a file without that block contributes nothing. A file that exists but cannot be
// read raises the file layer's error (it names the file and the reason).
ValueList ReadConfigSources(std::string_view resourceBytes, const std::string& exePath);

// The "WebBrowser" block of the file `exePath`, as bytes in the ANSI code page; empty when the
// file does not exist or holds no such block. Of a block over 16 MiB only the whole lines in
// its first 16 MiB are read, so memory stays bounded and the window still starts.
std::string ReadConfigBlock(const std::string& exePath);

// Everything the window applies from its configuration at creation, in one value.
struct WindowConfig {
  ValueList resList;   // the merged configuration block
  Text bannerCaption;  // caption of pBanner: the title, empty when absent
  bool bannerShown = false;
  Text caption;        // the window caption; empty keeps the design caption kDesignCaption
  ValueList linkList;  // LinkList
  std::vector<LinkButtonSpec> linkButtons;  // in bar order, see LinkButtons
  bool visApplied = false;  // whether vis had a value (the window then calls its `vis`)
  Text vis;                 // the vis letters as configured
  BarVisibility bars;       // the bars after vis (all shown when not applied)
  int width = 0;            // outer width in pixels; 0 keeps the design width
  int height = 0;           // outer height in pixels; 0 keeps the design height
  std::int32_t color = 0;   // colour value (red in the lowest byte); 0 keeps the design colour
  Text go;                  // start address; empty: no navigation at start
  bool webinfo = false;     // whether the main window shows the info banner
  // Beyond the design: the zoom in percent for sites without a remembered one (ConfiguredZoom
  // of "zoom"), the engine's inspector in the page's context menu ("devtools", off unless
  // true), spell checking of text fields ("spell", on unless the value is false) and the
  // window that remembers its size ("remember", off unless true).
  int zoom = 100;
  bool devtools = false;
  bool spell = true;
  bool remember = false;
  // The keys that reach beyond the window: the engine's hardware acceleration ("gpu"), the
  // certificates it accepts ("trust") and the hosts that stay in ("internal"), what the start
  // address's origin is granted without asking ("allow"), and how the program starts: one
  // window for every start ("single") and a profile that keeps nothing ("ephemeral").
  bool gpu = false;
  TrustList trust;
  HostPatterns internal;
  AllowList allow;
  bool single = false;
  bool ephemeral = false;
  // What a maker sets per copy (without a key, everything as before): the user agent ("agent",
  // the engine's own when not set), the proxy ("proxy": the desktop's settings when not set)
  // and the hosts that go direct ("noproxy"), the colour scheme ("dark": none follows the
  // desktop), how the main window starts ("start") and whether it stays above others
  // ("ontop"), the unread count of the title on the launcher entry ("badge"), and the tray
  // item, with which closing the window hides it ("tray").
  UserAgentKey agent;
  ProxyKey proxy;
  HostPatterns noproxy;
  std::optional<bool> dark;
  WindowStart start = WindowStart::kNormal;
  bool ontop = false;
  bool badge = false;
  bool tray = false;
  // The copy's style and script blocks (storage/page_blocks.h), UTF-8; empty when it has none.
  // Only ReadWindowConfig reads them, since they are no lines of the configuration block.
  std::string style;
  std::string script;
};

// What the window applies for the merged configuration `resList`, by the rules of its
// creation step: title, showbanner, links, vis, width, height, color, go and webinfo.
WindowConfig WindowConfigFromValues(const ValueList& resList);

// The configuration of the executable `exePath` with the embedded defaults `resourceBytes`:
// ReadConfigSources, then WindowConfigFromValues, and the style and script blocks of the file.
WindowConfig ReadWindowConfig(std::string_view resourceBytes, const std::string& exePath);

// The caption the window shows: `config.caption`, or kDesignCaption when it is empty.
Text EffectiveCaption(const WindowConfig& config);

}  // namespace wb
