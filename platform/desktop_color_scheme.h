#pragma once
// The colour scheme the desktop asks applications for, read from the desktop's settings portal
// (org.freedesktop.portal.Settings, "org.freedesktop.appearance" "color-scheme") and followed
// through its SettingChanged signal. The portal is asked once it runs on the session bus; the
// program starts none of its own, and where none runs there is no scheme.
#include <gio/gio.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "support/color_scheme.h"

namespace wb {

// The colour-scheme value of a portal's answer: the uint32 itself, or inside one or two
// variants (Read wraps the value once more than ReadOne). Nothing for any other type or depth:
// the answer comes from another program.
std::optional<std::uint32_t> PortalColorSchemeValue(GVariant* value);

class DesktopColorScheme {
 public:
  // `changed` runs with the desktop's scheme once the portal has answered and whenever the
  // scheme changes, and with nothing when the portal goes away. It never runs once the object
  // is gone. Without a session bus it never runs.
  explicit DesktopColorScheme(std::function<void(std::optional<ColorScheme>)> changed);
  ~DesktopColorScheme();
  DesktopColorScheme(const DesktopColorScheme&) = delete;
  DesktopColorScheme& operator=(const DesktopColorScheme&) = delete;

  std::optional<ColorScheme> current() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace wb
