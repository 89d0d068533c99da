#pragma once
// What the browser window applies from its configuration, as one value without any widget.
// The keys of the configuration block (storage/config_keys.h) each name the member they set;
// storage/window_config.h reads the value from an executable.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/value_list.h"
#include "support/certificate.h"
#include "support/copy_keys.h"
#include "support/host_patterns.h"
#include "support/language_tags.h"
#include "support/permissions.h"
#include "support/site_handlers.h"
#include "support/text.h"

namespace wb {

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

// One link button as AddLinkList creates it.
struct LinkButtonSpec {
  Text caption;  // the entry's name (text before its first "="), untrimmed
  Text address;  // the button's hint, which its click navigates to
  int icon = 0;  // index into the link images; one the images lack shows no icon
  bool operator==(const LinkButtonSpec&) const = default;
};

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
  // The copy's own maker for the about box and the base web address (support/maker.h): its
  // name ("maker"), web site ("homepage", without trailing slashes), contact lines ("contact")
  // and shop and support addresses ("shop", "support"); each empty when not set or not valid.
  Text maker;
  Text homepage;
  std::vector<Text> contact;
  Text shop;
  Text support;
  // The languages the pages are asked for ("lang"): none, the person's locale's.
  LanguagesKey lang;
  // The address of the maker's signed notice of the newest version ("update", an http or https
  // address; empty: no checks) and the copy's own version ("version", compared with it by
  // dpkg's order). The maker's public key that signs the notice is a block of the copy
  // (storage/update_key_block.h), read into `updateKey` as a binary OpenPGP key; without it
  // nothing is fetched.
  Text update;
  Text version;
  std::string updateKey;
  // The folder name ("vendor") of the settings hive and of the folders the copy makes in the
  // person's home (support/vendor_name.h); empty keeps ours.
  Text vendor;
  // What a copy made from a site keeps of its manifest (support/site_handlers.h): the
  // launcher's shortcuts ("shortcuts"), the schemes whose addresses open the site's handler
  // ("schemes"), the kinds of files the desktop offers to it ("files"), and the web view's
  // colour until the page paints ("background", red in the lowest byte; 0: the engine's white).
  ShortcutsKey shortcuts;
  SchemesKey schemes;
  FilesKey files;
  std::int32_t background = 0;
  // Whether `wbctl install` also writes an entry that starts the copy at login, hidden in its
  // tray item ("autostart", off unless true). The program itself only reads it for `wbctl`.
  bool autostart = false;
  // The copy's style and script blocks (storage/page_blocks.h), UTF-8; empty when it has none.
  // Only ReadWindowConfig reads them, since they are no lines of the configuration block.
  std::string style;
  std::string script;
};

}  // namespace wb
