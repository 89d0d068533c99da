#pragma once
// What a maker's keys set in the engine: the user agent, the copy's style and script on its own
// pages, the proxy, and the colour scheme the pages see.
#include <memory>
#include <optional>
#include <string>

#include "storage/window_config.h"

typedef struct _WebKitSettings WebKitSettings;
typedef struct _WebKitUserContentManager WebKitUserContentManager;
typedef struct _WebKitWebsiteDataManager WebKitWebsiteDataManager;
typedef struct _WebKitWebContext WebKitWebContext;

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

// The "lang" key: the languages every page is asked for (Accept-Language and
// navigator.languages); without tags, those of the person's locale, as the engine takes them.
void ApplyPreferredLanguages(WebKitWebContext* context, const LanguagesKey& lang);

class DesktopColorScheme;

// The "dark" key: GTK's dark preference for the program's windows, which the engine's pages
// read as prefers-color-scheme, and read again when it changes. Not set: the colour scheme the
// desktop's settings portal gives, followed as the person changes it; with no preference there,
// or no portal, GTK's own preference as the desktop's theme settings gave it.
class ColorSchemeSetting {
 public:
  ColorSchemeSetting();
  // Gives GTK back its own preference.
  ~ColorSchemeSetting();
  ColorSchemeSetting(const ColorSchemeSetting&) = delete;
  ColorSchemeSetting& operator=(const ColorSchemeSetting&) = delete;

  void Apply(std::optional<bool> dark);

 private:
  void Update();

  std::optional<bool> key_;
  bool toolkitDark_ = false;  // GTK's preference before the program changed it
  bool changed_ = false;      // whether the program changed it
  std::unique_ptr<DesktopColorScheme> desktop_;
};

}  // namespace wb
