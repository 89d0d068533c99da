#pragma once
// A window timer as the windows of this program use it: an interval in milliseconds, an
// enabled switch and a tick handler. Changing the interval of a running timer starts the
// interval afresh, as a window-message timer does. Windows take the timer as a dependency so
// that tests can tick it by hand instead of waiting.
#include <sigc++/connection.h>

#include <functional>

namespace wb {

class WindowTimer {
 public:
  explicit WindowTimer(unsigned interval = 1000) : interval_(interval) {}
  virtual ~WindowTimer() = default;
  WindowTimer(const WindowTimer&) = delete;
  WindowTimer& operator=(const WindowTimer&) = delete;

  unsigned Interval() const { return interval_; }
  bool Enabled() const { return enabled_; }
  // An interval of 0 keeps the timer from ticking, whatever Enabled says.
  void SetInterval(unsigned interval);
  void SetEnabled(bool enabled);

  std::function<void()> OnTimer;

 protected:
  // Called whenever the interval or the enabled switch changed: arm or disarm the clock.
  virtual void Rearm() = 0;
  bool Ticking() const { return enabled_ && interval_ > 0; }

 private:
  unsigned interval_;
  bool enabled_ = false;
};

// The timer of the running program: ticks on the GLib main loop.
class MainLoopTimer : public WindowTimer {
 public:
  using WindowTimer::WindowTimer;
  ~MainLoopTimer() override;

 protected:
  void Rearm() override;

 private:
  sigc::connection tick_;
};

}  // namespace wb
