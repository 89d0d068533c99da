#pragma once
// What a maker's keys set in the engine: the user agent, the copy's style and script on its own
// pages, the proxy, and the colour scheme the pages see.
#include <optional>
#include <string>

#include "storage/window_config.h"

typedef struct _WebKitSettings WebKitSettings;
typedef struct _WebKitUserContentManager WebKitUserContentManager;
typedef struct _WebKitWebsiteDataManager WebKitWebsiteDataManager;

namespace wb {

// The "agent" key in the settings every view shares: the header of every request and
// navigator.userAgent. `engineAgent` is the engine's own, which the settings held before any
// configuration was applied.
void ApplyUserAgent(WebKitSettings* settings, const UserAgentKey& key,
                    const std::string& engineAgent);

// The copy's style (a style sheet of the pages' own level) and script (run at document start,
// in the main frame only) for the pages of `startHost` and the "internal" hosts, replacing
// what an earlier configuration added.
void ApplyPageAdditions(WebKitUserContentManager* content, const WindowConfig& config,
                        const std::string& startHost);

// The "proxy" and "noproxy" keys for every request of the views' network session: pages, their
// frames and downloads alike.
void ApplyProxy(WebKitWebsiteDataManager* manager, const ProxyKey& proxy,
                const HostPatterns& noproxy);

// The "dark" key: GTK's dark preference for the program's windows, which the engine's pages
// read as prefers-color-scheme. Not set: the preference stays as the desktop gave it.
void ApplyColorScheme(std::optional<bool> dark);

}  // namespace wb
