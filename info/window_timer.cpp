#include "info/window_timer.h"

#include <glibmm/main.h>

namespace wb {

void WindowTimer::SetInterval(unsigned interval) {
  if (interval == interval_) return;
  interval_ = interval;
  Rearm();
}

void WindowTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Rearm();
}

MainLoopTimer::~MainLoopTimer() {
  tick_.disconnect();
}

void MainLoopTimer::Rearm() {
  tick_.disconnect();
  if (!Ticking()) return;
  tick_ = Glib::signal_timeout().connect(
      [this] {
        // The handler may stop or re-arm this timer. Either destroys this source at once,
        // so the value returned here then no longer matters.
        if (OnTimer) OnTimer();
        return true;
      },
      Interval());
}

}  // namespace wb
