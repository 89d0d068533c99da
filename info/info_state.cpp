#include "info/info_state.h"

namespace wb {

std::optional<WindowState::Info> InfoState(const TWebInfo* banner) {
  if (!banner) return std::nullopt;
  TWebInfo::State s = banner->GetState();
  return WindowState::Info{s.visible, s.address, s.interval, s.timer};
}

}  // namespace wb
