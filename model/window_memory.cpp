#include "model/window_memory.h"

#include <string>

#include "support/values.h"

namespace wb {
namespace {

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

std::optional<WindowPlacement> ReadWindowPlacement(CopyStore& store) {
  auto read = [&](const char16_t* name) { return store.Read(CopyKey::kWindow, name); };
  return PlacementFromValues(read(u"Width"), read(u"Height"), read(u"Maximized"), read(u"Left"),
                             read(u"Top"));
}

SettingsResult WriteWindowPlacement(CopyStore& store, const WindowPlacement& placement) {
  const Text width = Number(placement.width), height = Number(placement.height);
  if (!PlacementFromValues(width, height, {}, {}, {})) return {};
  std::vector<VarChange> changes{
      {u"Width", width}, {u"Height", height}, {u"Maximized", placement.maximized ? u"1" : u"0"}};
  if (placement.hasPosition) {
    changes.push_back({u"Left", Number(placement.left)});
    changes.push_back({u"Top", Number(placement.top)});
  } else {
    changes.push_back({u"Left", std::nullopt});
    changes.push_back({u"Top", std::nullopt});
  }
  return store.Write(CopyKey::kWindow, changes);
}

}  // namespace wb
