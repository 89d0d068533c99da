#pragma once
// Zoom levels: the usual steps from 30 % to 300 %, the configured level, a level read back
// from the settings store. A level is remembered for an origin (OriginOf); every file address
// shares "file://", and addresses without an origin remember none.
#include <optional>

#include "support/text.h"

namespace wb {

// The levels Ctrl+plus and Ctrl+minus step through, in percent. The first and the last are
// the bounds of every level.
inline constexpr int kZoomSteps[] = {30, 50, 67, 80, 90, 100, 110, 125, 150, 175, 200, 250, 300};
inline constexpr int kMinZoom = 30;
inline constexpr int kMaxZoom = 300;
inline constexpr int kDefaultZoom = 100;

// `percent` held within kMinZoom and kMaxZoom.
int ClampZoom(int percent);
// The next step above `percent` (a level between steps goes to the step above it), or
// kMaxZoom at the top.
int ZoomInStep(int percent);
// The next step below `percent`, or kMinZoom at the bottom.
int ZoomOutStep(int percent);

// The configuration key "zoom": TextToInt of the value, so "125" and "125%" give 125, held
// within the bounds; an empty value, 0, a negative number or no number gives kDefaultZoom.
int ConfiguredZoom(TextView value);

// A level read back from the settings store: a whole number within the bounds, else none
// (an entry edited by hand to something else is ignored, not clamped).
std::optional<int> StoredZoom(TextView value);

}  // namespace wb
