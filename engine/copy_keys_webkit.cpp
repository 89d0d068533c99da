#include "engine/copy_keys_webkit.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <vector>

#include "platform/desktop_color_scheme.h"
#include "support/color_scheme.h"
#include "support/copy_keys.h"

namespace wb {
namespace {

// A NULL-terminated array of the strings of `list`, borrowed while `list` lives; null when the
// list is empty, which the engine reads as no list.
class CStrings {
 public:
  explicit CStrings(const std::vector<std::string>& list) {
    for (const auto& s : list) pointers_.push_back(s.c_str());
    pointers_.push_back(nullptr);
  }
  const gchar* const* get() const { return pointers_.size() > 1 ? pointers_.data() : nullptr; }

 private:
  std::vector<const gchar*> pointers_;
};

}  // namespace

void ApplyUserAgent(WebKitSettings* settings, const UserAgentKey& key,
                    const std::string& engineAgent) {
  const std::string agent = UserAgentFor(key, engineAgent);
  // Null gives the engine's own back.
  webkit_settings_set_user_agent(settings, agent.empty() ? nullptr : agent.c_str());
}

void ApplyPageAdditions(WebKitUserContentManager* content, const WindowConfig& config,
                        const std::string& startHost) {
  webkit_user_content_manager_remove_all_style_sheets(content);
  webkit_user_content_manager_remove_all_scripts(content);
  if (config.style.empty() && config.script.empty()) return;
  const AdditionPatterns patterns = PageAdditionPatterns(startHost, config.internal);
  if (patterns.allow.empty()) return;
  const CStrings allow(patterns.allow), block(patterns.block);
  if (!config.style.empty()) {
    WebKitUserStyleSheet* sheet =
        webkit_user_style_sheet_new(config.style.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                    WEBKIT_USER_STYLE_LEVEL_AUTHOR, allow.get(), block.get());
    webkit_user_content_manager_add_style_sheet(content, sheet);
    webkit_user_style_sheet_unref(sheet);
  }
  if (!config.script.empty()) {
    WebKitUserScript* script = webkit_user_script_new(
        config.script.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, allow.get(), block.get());
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);
  }
}

void ApplyPreferredLanguages(WebKitWebContext* context, const LanguagesKey& lang) {
  // Without tags the engine keeps the languages of the person's locale, which it takes itself.
  if (lang.tags.empty()) return;
  std::vector<const gchar*> list;
  for (const std::string& tag : lang.tags) list.push_back(tag.c_str());
  list.push_back(nullptr);
  webkit_web_context_set_preferred_languages(context, list.data());
}

void ApplyProxy(WebKitWebsiteDataManager* manager, const ProxyKey& proxy,
                const HostPatterns& noproxy) {
  switch (proxy.mode) {
    case ProxyMode::kSystem:
      webkit_website_data_manager_set_network_proxy_settings(
          manager, WEBKIT_NETWORK_PROXY_MODE_DEFAULT, nullptr);
      return;
    case ProxyMode::kNone:
      webkit_website_data_manager_set_network_proxy_settings(
          manager, WEBKIT_NETWORK_PROXY_MODE_NO_PROXY, nullptr);
      return;
    case ProxyMode::kCustom:
      break;
  }
  const CStrings ignore(noproxy.patterns);
  WebKitNetworkProxySettings* settings =
      webkit_network_proxy_settings_new(proxy.address.c_str(), ignore.get());
  webkit_website_data_manager_set_network_proxy_settings(manager, WEBKIT_NETWORK_PROXY_MODE_CUSTOM,
                                                         settings);
  webkit_network_proxy_settings_free(settings);
}

ColorSchemeSetting::ColorSchemeSetting() {
  if (GtkSettings* settings = gtk_settings_get_default()) {
    gboolean dark = FALSE;
    g_object_get(settings, "gtk-application-prefer-dark-theme", &dark, nullptr);
    toolkitDark_ = dark;
  }
}

ColorSchemeSetting::~ColorSchemeSetting() {
  desktop_.reset();
  GtkSettings* settings = gtk_settings_get_default();
  if (changed_ && settings)
    g_object_set(settings, "gtk-application-prefer-dark-theme", toolkitDark_ ? TRUE : FALSE,
                 nullptr);
}

void ColorSchemeSetting::Apply(std::optional<bool> dark) {
  key_ = dark;
  if (key_)
    desktop_.reset();
  else if (!desktop_)
    desktop_ =
        std::make_unique<DesktopColorScheme>([this](std::optional<ColorScheme>) { Update(); });
  Update();
}

void ColorSchemeSetting::Update() {
  GtkSettings* settings = gtk_settings_get_default();
  if (!settings) return;
  const bool dark = PrefersDark(key_, desktop_ ? desktop_->current() : std::nullopt, toolkitDark_);
  gboolean now = FALSE;
  g_object_get(settings, "gtk-application-prefer-dark-theme", &now, nullptr);
  if (static_cast<bool>(now) == dark) return;
  changed_ = true;
  g_object_set(settings, "gtk-application-prefer-dark-theme", dark ? TRUE : FALSE, nullptr);
}

}  // namespace wb
