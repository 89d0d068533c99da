#include "model/window_memory.h"

#include <string>

#include "storage/settings_store.h"
#include "support/values.h"

namespace wb {
namespace {

constexpr char16_t kWindowKey[] = u"#n\\Window";

std::optional<int> WholeWithin(TextView value, int low, int high) {
  if (ClassifyNumber(value) != NumberForm::kWhole) return std::nullopt;
  const int number = TextToInt(value);
  if (number < low || number > high) return std::nullopt;
  return number;
}

Text Number(int value) {
  return Ascii(std::to_string(value));
}

}  // namespace

std::optional<WindowPlacement> PlacementFromValues(TextView width, TextView height,
                                                   TextView maximized, TextView left,
                                                   TextView top) {
  const auto w = WholeWithin(width, kMinRememberedSide, kMaxRememberedSide);
  const auto h = WholeWithin(height, kMinRememberedSide, kMaxRememberedSide);
  if (!w || !h) return std::nullopt;
  WindowPlacement placement;
  placement.width = *w;
  placement.height = *h;
  placement.maximized = TextToBool(maximized);
  const auto x = WholeWithin(left, -kMaxRememberedOffset, kMaxRememberedOffset);
  const auto y = WholeWithin(top, -kMaxRememberedOffset, kMaxRememberedOffset);
  if (x && y) {
    placement.hasPosition = true;
    placement.left = *x;
    placement.top = *y;
  }
  return placement;
}

std::optional<WindowPlacement> ReadWindowPlacement() {
  return PlacementFromValues(ReadVar(kWindowKey, u"Width"), ReadVar(kWindowKey, u"Height"),
                             ReadVar(kWindowKey, u"Maximized"), ReadVar(kWindowKey, u"Left"),
                             ReadVar(kWindowKey, u"Top"));
}

void WriteWindowPlacement(const WindowPlacement& placement) {
  const Text width = Number(placement.width), height = Number(placement.height);
  if (!PlacementFromValues(width, height, {}, {}, {})) return;
  WriteVar(kWindowKey, u"Width", width);
  WriteVar(kWindowKey, u"Height", height);
  WriteVar(kWindowKey, u"Maximized", placement.maximized ? u"1" : u"0");
  if (placement.hasPosition) {
    WriteVar(kWindowKey, u"Left", Number(placement.left));
    WriteVar(kWindowKey, u"Top", Number(placement.top));
  } else {
    DeleteVar(kWindowKey, u"Left");
    DeleteVar(kWindowKey, u"Top");
  }
}

}  // namespace wb
