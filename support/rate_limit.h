#pragma once
// At most `count` events within any `window` of time; the rest are refused. A page that opens
// windows in a loop is held to it, so it cannot flood the desktop.
#include <chrono>
#include <cstddef>
#include <deque>

namespace wb {

class RateLimit {
 public:
  using Clock = std::chrono::steady_clock;
  RateLimit(std::size_t count, Clock::duration window) : count_(count), window_(window) {}

  // Whether an event at `now` is within the limit; only events let through count.
  bool Take(Clock::time_point now = Clock::now()) {
    while (!times_.empty() && now - times_.front() >= window_) times_.pop_front();
    if (times_.size() >= count_) return false;
    times_.push_back(now);
    return true;
  }

 private:
  std::size_t count_;
  Clock::duration window_;
  std::deque<Clock::time_point> times_;
};

}  // namespace wb
