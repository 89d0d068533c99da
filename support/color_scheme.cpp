#include "support/color_scheme.h"

namespace wb {

ColorScheme ColorSchemeOfPortalValue(std::uint32_t value) {
  switch (value) {
    case 1:
      return ColorScheme::kDark;
    case 2:
      return ColorScheme::kLight;
    default:
      return ColorScheme::kNoPreference;
  }
}

bool PrefersDark(std::optional<bool> key, std::optional<ColorScheme> desktop, bool toolkitDark) {
  if (key) return *key;
  if (desktop == ColorScheme::kDark) return true;
  if (desktop == ColorScheme::kLight) return false;
  return toolkitDark;
}

}  // namespace wb
