// The engine settings that the configuration chooses, on real engine views.
#include <gtest/gtest.h>
#include <gtkmm/widget.h>
#include <webkit2/webkit2.h>

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
    factory.ApplyConfig(c.config);
    for (WebView* view : {main.get(), banner.get()}) {
      EXPECT_EQ(Policy(*view) != WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER, c.accelerated)
          << (c.config.empty() ? "no configuration" : ToUtf8(c.config.front()));
    }
  }
  // A view made after the configuration was applied gets the same setting.
  factory.ApplyConfig({u"gpu=1"});
  auto later = factory.Create(nullptr);
  EXPECT_NE(Policy(*later), WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
}

}  // namespace
}  // namespace wb
