// The engine settings that the configuration chooses, on real engine views.
#include <gtest/gtest.h>
#include <gtkmm/widget.h>
#include <webkit2/webkit2.h>

#include <string>
#include <vector>

#include "engine/web_view_webkit.h"

namespace wb {
namespace {

WebKitHardwareAccelerationPolicy Policy(WebView& view) {
  return webkit_settings_get_hardware_acceleration_policy(
      webkit_web_view_get_settings(WEBKIT_WEB_VIEW(view.widget().gobj())));
}

// Hardware acceleration is off unless the configuration switches it on with "gpu", and the
// switch reaches every view of the factory, the banner's (made related to the main view)
// included, also when the views exist before the configuration is read.
TEST(EngineSettings, HardwareAccelerationFollowsTheGpuKey) {
  WebKitViewFactory factory;
  auto main = factory.Create(nullptr);
  auto banner = factory.Create(main.get());
  const struct {
    ValueList config;
    bool accelerated;
  } cases[] = {
      {{}, false},         {{u"gpu=1"}, true},    {{u"GPU=yes"}, true},
      {{u"gpu=0"}, false}, {{u"gpu=off"}, false}, {{u"title=x"}, false},
  };
  for (const auto& c : cases) {
    factory.ApplyConfig(wb::WindowConfigFromValues(c.config));
    for (WebView* view : {main.get(), banner.get()}) {
      EXPECT_EQ(Policy(*view) != WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER, c.accelerated)
          << (c.config.empty() ? "no configuration" : ToUtf8(c.config.front()));
    }
  }
  // A view made after the configuration was applied gets the same setting.
  factory.ApplyConfig(wb::WindowConfigFromValues({u"gpu=1"}));
  auto later = factory.Create(nullptr);
  EXPECT_NE(Policy(*later), WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
}

// The "background" key colours every view of the factory until its page paints, those made
// before the configuration was read included; without the key the engine's white stays.
TEST(EngineSettings, TheBackgroundKeyColoursEveryView) {
  const auto background = [](WebView& view) {
    GdkRGBA rgba{};
    webkit_web_view_get_background_color(WEBKIT_WEB_VIEW(view.widget().gobj()), &rgba);
    return std::vector<int>{static_cast<int>(rgba.red * 255 + 0.5),
                            static_cast<int>(rgba.green * 255 + 0.5),
                            static_cast<int>(rgba.blue * 255 + 0.5)};
  };
  WebKitViewFactory factory;
  auto main = factory.Create(nullptr);
  factory.ApplyConfig(wb::WindowConfigFromValues({u"title=x"}));
  EXPECT_EQ(background(*main), (std::vector<int>{255, 255, 255}));
  factory.ApplyConfig(wb::WindowConfigFromValues({u"background=#102030"}));
  auto later = factory.Create(main.get());
  for (WebView* view : {main.get(), later.get()})
    EXPECT_EQ(background(*view), (std::vector<int>{0x10, 0x20, 0x30}));
}

// Text fields are checked for spelling unless "spell" switches it off, in the locale's
// languages that have a dictionary (the install script installs the English ones); "devtools"
// turns the engine's developer extras, and with them its inspector, on.
TEST(EngineSettings, SpellingAndInspectorFollowTheirKeys) {
  WebKitViewFactory factory;
  auto main = factory.Create(nullptr);
  WebKitWebContext* context = webkit_web_view_get_context(WEBKIT_WEB_VIEW(main->widget().gobj()));
  WebKitSettings* settings = webkit_web_view_get_settings(WEBKIT_WEB_VIEW(main->widget().gobj()));
  const char* savedLanguage = g_getenv("LANGUAGE");
  const std::string saved = savedLanguage ? savedLanguage : "";
  // A language without a dictionary here first: the checker uses the one that has one.
  g_setenv("LANGUAGE", "xx_YY:en_US", TRUE);
  const struct {
    ValueList config;
    bool spell, devtools;
  } cases[] = {
      {{}, true, false},
      {{u"spell=0", u"devtools=1"}, false, true},
      {{u"spell=yes", u"devtools=0"}, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.config.empty() ? "no configuration" : ToUtf8(c.config.front()));
    factory.ApplyConfig(wb::WindowConfigFromValues(c.config));
    EXPECT_EQ(static_cast<bool>(webkit_web_context_get_spell_checking_enabled(context)), c.spell);
    EXPECT_EQ(static_cast<bool>(webkit_settings_get_enable_developer_extras(settings)), c.devtools);
    if (!c.spell) continue;
    std::vector<std::string> languages;
    for (const gchar* const* l = webkit_web_context_get_spell_checking_languages(context); l && *l;
         ++l)
      languages.emplace_back(*l);
    EXPECT_EQ(languages, std::vector<std::string>{"en_US"});
  }
  if (savedLanguage)
    g_setenv("LANGUAGE", saved.c_str(), TRUE);
  else
    g_unsetenv("LANGUAGE");
}

}  // namespace
}  // namespace wb
