#pragma once
// Start-up timeline for diagnostics. With WB_TIMELINE=1 in the environment, each milestone of
// the start writes one line to stderr:
//
//   timeline<TAB>MS since the process started<TAB>CLOCK_MONOTONIC in seconds<TAB>milestone
//
// The monotonic time lets a harness that noted the clock before it started the process line
// the milestones up with what it saw itself (the first request, the beacon). Without the
// variable (or with any other value) a milestone is one test of a flag read once.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wb {

// Whether the variable's value turns the timeline on: exactly "1".
bool TimelineValueEnables(const char* value);

// The process's start time (field 22 of /proc/PID/stat, clock ticks since boot) from the
// file's text, or nothing when the text is not such a line. The command name in parentheses
// may itself hold blanks and ")".
std::optional<std::uint64_t> StartTicksFromStat(std::string_view stat);

// One line of the timeline, without its newline; the milestone's control characters become
// blanks, and it is cut at 80 bytes.
std::string TimelineLine(double sinceStartMs, double monotonicSeconds, std::string_view milestone);

// Whether WB_TIMELINE=1 was set when the program started (read once).
bool TimelineEnabled();

// Writes the milestone's line when the timeline is on.
void TimelineMark(std::string_view milestone);

// Writes the milestone's line the first time it is marked (and only when the timeline is on).
void TimelineMarkOnce(std::string_view milestone);

}  // namespace wb
