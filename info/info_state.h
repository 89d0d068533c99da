#pragma once
// The info banner's part of the main window's state, as the remote channel reports it.
#include <optional>

#include "info/web_info.h"
#include "support/window_state.h"

namespace wb {

// Nothing while there is no banner, else whether it is shown, the address it loaded last and
// its timer.
std::optional<WindowState::Info> InfoState(const TWebInfo* banner);

}  // namespace wb
