#include "storage/timeline.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

TEST(Timeline, OnlyOneTurnsItOn) {
  struct Case {
    const char* value;
    bool on;
  };
  const Case cases[] = {
      {nullptr, false}, {"", false},   {"1", true},   {"0", false},
      {"11", false},    {"1 ", false}, {" 1", false}, {"yes", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TimelineValueEnables(c.value), c.on) << (c.value ? c.value : "(unset)");
}

// Fields 1 to 21 of a real line, then the start time, then the rest.
std::string Stat(const std::string& name, const std::string& start) {
  return "4242 (" + name + ") S 1 4242 4242 0 -1 4194560 1270 0 0 0 3 1 0 0 20 0 1 0 " + start +
         " 9773056 894 18446744073709551615 1 1 0 0 0 0 0 4096 0 0 0 0 17 1 0 0 0 0 0\n";
}

TEST(Timeline, ReadsTheStartTimeFromTheStatLine) {
  struct Case {
    std::string stat;
    std::optional<std::uint64_t> ticks;
  };
  const Case cases[] = {
      {Stat("webbrowser", "123456"), 123456},
      // A name with blanks and parentheses of its own does not shift the fields.
      {Stat("my app) S 9 9 9", "77"), 77},
      {Stat("a(b)c", "0"), 0},
      {Stat("x", "18446744073709551615"), 18446744073709551615ull},
      // Not a number, too large, negative, or the line ends too early.
      {Stat("x", "12a"), std::nullopt},
      {Stat("x", "18446744073709551616"), std::nullopt},
      {Stat("x", "-5"), std::nullopt},
      {"4242 (x) S 1 4242 4242 0 -1", std::nullopt},
      {"4242 x S 1 2 3", std::nullopt},
      {")(", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(StartTicksFromStat(c.stat), c.ticks) << c.stat;
}

TEST(Timeline, LinesHoldTheirTimesAndACleanMilestone) {
  struct Case {
    double since;
    double monotonic;
    std::string milestone;
    std::string line;
  };
  const Case cases[] = {
      {12.34, 5.5, "main", "timeline\t12.3\t5.500000\tmain"},
      {-1.0, 0.0, "first frame", "timeline\t-1.0\t0.000000\tfirst frame"},
      {1.0, 2.0, "two\nlines\tand\x7f", "timeline\t1.0\t2.000000\ttwo lines and "},
      {1.0, 2.0, std::string(100, 'x'), "timeline\t1.0\t2.000000\t" + std::string(80, 'x')},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TimelineLine(c.since, c.monotonic, c.milestone), c.line) << c.milestone;
}

}  // namespace
}  // namespace wb
