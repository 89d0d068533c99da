#include "support/zoom_levels.h"

#include <algorithm>

#include "support/values.h"

namespace wb {

int ClampZoom(int percent) {
  return std::clamp(percent, kMinZoom, kMaxZoom);
}

int ZoomInStep(int percent) {
  for (int step : kZoomSteps)
    if (step > percent) return step;
  return kMaxZoom;
}

int ZoomOutStep(int percent) {
  for (auto it = std::rbegin(kZoomSteps); it != std::rend(kZoomSteps); ++it)
    if (*it < percent) return *it;
  return kMinZoom;
}

int ConfiguredZoom(TextView value) {
  const int percent = TextToInt(value);
  return percent > 0 ? ClampZoom(percent) : kDefaultZoom;
}

std::optional<int> StoredZoom(TextView value) {
  if (ClassifyNumber(value) != NumberForm::kWhole) return std::nullopt;
  const int percent = TextToInt(value);
  if (percent < kMinZoom || percent > kMaxZoom) return std::nullopt;
  return percent;
}

}  // namespace wb
