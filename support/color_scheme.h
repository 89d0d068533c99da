#pragma once
// The colour scheme the desktop asks applications for, as the desktop's settings portal gives
// it ("org.freedesktop.appearance" "color-scheme"), and what the pages then see.
#include <cstdint>
#include <optional>

namespace wb {

enum class ColorScheme { kNoPreference, kDark, kLight };

// The portal's value: 1 dark, 2 light; 0, and any value the portal may add later, no
// preference.
ColorScheme ColorSchemeOfPortalValue(std::uint32_t value);

// Whether the program prefers dark: the "dark" key when it is set; else the desktop's scheme
// when it has a preference; else GTK's own preference, as the desktop's theme settings gave it
// (`toolkitDark`). `desktop` is nothing where no portal answers.
bool PrefersDark(std::optional<bool> key, std::optional<ColorScheme> desktop, bool toolkitDark);

}  // namespace wb
