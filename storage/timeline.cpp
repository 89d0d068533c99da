#include "storage/timeline.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>

namespace wb {

namespace {

constexpr std::size_t kMaxMilestone = 80;
constexpr std::size_t kMaxStat = 4096;

double SecondsOf(clockid_t clock) {
  timespec ts{};
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// The process's start on the boot clock, in seconds; negative when it cannot be read.
double ProcessStartBootSeconds() {
  std::ifstream file("/proc/self/stat");
  std::string text;
  text.resize(kMaxStat);
  file.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(file.gcount()));
  const std::optional<std::uint64_t> ticks = StartTicksFromStat(text);
  const long perSecond = sysconf(_SC_CLK_TCK);
  if (!ticks || perSecond <= 0) return -1.0;
  return static_cast<double>(*ticks) / static_cast<double>(perSecond);
}

struct Timeline {
  bool enabled = TimelineValueEnables(std::getenv("WB_TIMELINE"));
  double startBoot = enabled ? ProcessStartBootSeconds() : -1.0;
  std::mutex lock;
  std::set<std::string, std::less<>> once;
};

Timeline& TheTimeline() {
  static Timeline timeline;
  return timeline;
}

void Write(const Timeline& timeline, std::string_view milestone) {
  const double boot = SecondsOf(CLOCK_BOOTTIME);
  const double monotonic = SecondsOf(CLOCK_MONOTONIC);
  const double since = timeline.startBoot >= 0 ? (boot - timeline.startBoot) * 1000.0 : -1.0;
  const std::string line = TimelineLine(since, monotonic, milestone) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

bool TimelineValueEnables(const char* value) {
  return value && value[0] == '1' && value[1] == '\0';
}

std::optional<std::uint64_t> StartTicksFromStat(std::string_view stat) {
  const std::size_t open = stat.find('(');
  const std::size_t close = stat.rfind(')');
  if (open == std::string_view::npos || close == std::string_view::npos || close < open)
    return std::nullopt;
  // After the name: state (field 3) and then fields 4 and on; the start time is field 22.
  std::string_view rest = stat.substr(close + 1);
  for (int field = 3; field <= 22; ++field) {
    const std::size_t begin = rest.find_first_not_of(' ');
    if (begin == std::string_view::npos) return std::nullopt;
    rest.remove_prefix(begin);
    const std::size_t end = std::min(rest.find(' '), rest.size());
    const std::string_view value = rest.substr(0, end);
    if (field == 22) {
      std::uint64_t ticks = 0;
      const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), ticks);
      // The last field read may end the line.
      const bool whole = ptr == value.data() + value.size() ||
                         (ptr + 1 == value.data() + value.size() && *ptr == '\n');
      if (ec != std::errc() || !whole || value.empty()) return std::nullopt;
      return ticks;
    }
    rest.remove_prefix(end);
  }
  return std::nullopt;
}

std::string TimelineLine(double sinceStartMs, double monotonicSeconds, std::string_view milestone) {
  std::string name(milestone.substr(0, kMaxMilestone));
  for (char& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "timeline\t%.1f\t%.6f\t", sinceStartMs, monotonicSeconds);
  return numbers + name;
}

bool TimelineEnabled() {
  return TheTimeline().enabled;
}

void TimelineMark(std::string_view milestone) {
  Timeline& timeline = TheTimeline();
  if (timeline.enabled) Write(timeline, milestone);
}

void TimelineMarkOnce(std::string_view milestone) {
  Timeline& timeline = TheTimeline();
  if (!timeline.enabled) return;
  {
    std::lock_guard<std::mutex> hold(timeline.lock);
    if (!timeline.once.emplace(milestone).second) return;
  }
  Write(timeline, milestone);
}

}  // namespace wb
