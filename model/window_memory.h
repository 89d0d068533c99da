#pragma once
// The window that remembers (configuration key "remember"): its size, its maximised state
// and, where the window system lets a program place its windows, its position, stored per
// copy in the settings store when the window closes and used at the next start instead of
// the configured size.
#include <optional>

#include "storage/copy_store.h"
#include "support/text.h"

namespace wb {

// Bounds of a stored size and position; a value outside them, edited by hand or written on a
// much larger display, is not used.
inline constexpr int kMinRememberedSide = 100;
inline constexpr int kMaxRememberedSide = 16384;
inline constexpr int kMaxRememberedOffset = 32767;  // either sign

struct WindowPlacement {
  int width = 0;  // the size the window has when not maximised
  int height = 0;
  bool maximized = false;
  bool hasPosition = false;
  int left = 0;
  int top = 0;
  bool operator==(const WindowPlacement&) const = default;
};

// The stored values as text. Width and height must be whole numbers within the side bounds,
// else nothing is restored; "Maximized" is read with TextToBool; the position counts only
// when both offsets are whole numbers within the offset bounds.
std::optional<WindowPlacement> PlacementFromValues(TextView width, TextView height,
                                                   TextView maximized, TextView left, TextView top);

// The copy's store: CopyKey::kWindow, values "Width", "Height", "Maximized", "Left", "Top".
std::optional<WindowPlacement> ReadWindowPlacement(CopyStore& store);
// Stores `placement` in one write; a size outside the bounds is not stored (and counts as
// done), and without a position the stored one is removed. A write the store refuses comes
// back with its reason, and the stored placement stays as it was.
SettingsResult WriteWindowPlacement(CopyStore& store, const WindowPlacement& placement);

}  // namespace wb
