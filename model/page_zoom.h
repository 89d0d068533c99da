#pragma once
// The page's zoom without a widget: the usual steps from 30 % to 300 %, the level configured
// for sites the person has not zoomed, and the level remembered per copy and origin, so that a
// site opens at the size the person chose for it last time. The levels are kept in the copy's
// store under CopyKey::kZoom, the value name the origin (storage/copy_store.h).
#include "storage/copy_store.h"
#include "support/text.h"
#include "support/zoom_levels.h"

namespace wb {

// The zoom of one web view. Every change returns the level the view is to show.
class PageZoom {
 public:
  // The store must outlive the zoom.
  PageZoom(CopyStore& memory, int defaultPercent = kDefaultZoom)
      : memory_(memory), default_(ClampZoom(defaultPercent)), percent_(default_) {}

  // The configured level for origins without a remembered one.
  void SetDefault(int percent);
  int Default() const { return default_; }

  // The view shows the page at `address`: the level remembered for its origin, else the
  // default. Navigating within one origin keeps the level the view has.
  int Navigated(TextView address);
  // One step in or out; the level is remembered for the current origin (when it has one).
  int ZoomIn();
  int ZoomOut();
  // Back to the default, and the origin's entry is removed.
  int Reset();
  // A turn of the mouse wheel with Ctrl held: `deltaY` below 0 (away from the person) zooms
  // in. Smooth-scrolling devices report parts of a notch; they add up to whole steps.
  int Wheel(double deltaY);

  int Percent() const { return percent_; }
  const Text& Origin() const { return origin_; }

 private:
  int Set(int percent);

  CopyStore& memory_;
  int default_;
  int percent_;
  Text origin_;
  bool navigated_ = false;
  double wheel_ = 0;
};

}  // namespace wb
