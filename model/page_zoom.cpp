#include "model/page_zoom.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "support/address_parts.h"

namespace wb {
void PageZoom::SetDefault(int percent) {
  default_ = ClampZoom(percent);
  if (!navigated_) percent_ = default_;
}

int PageZoom::Navigated(TextView address) {
  const Text origin = FromUtf8(OriginOf(ToUtf8(address)));
  if (navigated_ && origin == origin_) return percent_;
  navigated_ = true;
  origin_ = origin;
  wheel_ = 0;
  std::optional<int> stored;
  if (!origin_.empty()) stored = StoredZoom(memory_.Read(CopyKey::kZoom, origin_));
  percent_ = stored.value_or(default_);
  return percent_;
}

int PageZoom::Set(int percent) {
  percent_ = ClampZoom(percent);
  // A level the store refuses still applies to the view; the store's owner reports why.
  if (!origin_.empty())
    (void)memory_.Write(CopyKey::kZoom, origin_, Ascii(std::to_string(percent_)));
  return percent_;
}

int PageZoom::ZoomIn() {
  return Set(ZoomInStep(percent_));
}

int PageZoom::ZoomOut() {
  return Set(ZoomOutStep(percent_));
}

int PageZoom::Reset() {
  percent_ = default_;
  wheel_ = 0;
  // As in Set: the view keeps the default whatever the store says.
  if (!origin_.empty()) (void)memory_.Remove(CopyKey::kZoom, origin_);
  return percent_;
}

int PageZoom::Wheel(double deltaY) {
  if (!std::isfinite(deltaY)) return percent_;
  // A device that reports a huge turn at once still moves a few steps only.
  deltaY = std::clamp(deltaY, -10.0, 10.0);
  // A change of direction starts counting afresh.
  if ((wheel_ < 0 && deltaY > 0) || (wheel_ > 0 && deltaY < 0)) wheel_ = 0;
  wheel_ += deltaY;
  while (wheel_ <= -1.0) {
    wheel_ += 1.0;
    ZoomIn();
  }
  while (wheel_ >= 1.0) {
    wheel_ -= 1.0;
    ZoomOut();
  }
  return percent_;
}

}  // namespace wb
