// The status line the system gives of a process, and the engine's network process among the
// program's children.
#include "support/process_status.h"

#include <gtest/gtest.h>

namespace wb {
namespace {

TEST(ProcessStatus, ReadsNameStateAndParent) {
  const struct {
    const char* text;
    bool valid;
    const char* name;
    char state;
    long parent;
  } cases[] = {
      {"4242 (WebKitNetworkPr) S 4200 4200 1 0 -1 4194560 9321", true, "WebKitNetworkPr", 'S',
       4200},
      {"7 (a) R 1\n", true, "a", 'R', 1},
      {"7 (a) R 1", true, "a", 'R', 1},
      {"9 (with space) Z 3 0 0", true, "with space", 'Z', 3},
      // A program may name itself with parentheses: the name ends at the last ") ".
      {"9 (x) S 5 (y) R 6 7", true, "x) S 5 (y", 'R', 6},
      {"9 () S 5 0", true, "", 'S', 5},
      {"1 (init) S 0 1 1", true, "init", 'S', 0},
      {"", false, "", 0, 0},
      {"4242", false, "", 0, 0},
      {"4242 (name", false, "", 0, 0},
      {"(name) S 1 2", false, "", 0, 0},
      {"-3 (name) S 1 2", false, "", 0, 0},
      {"0 (name) S 1 2", false, "", 0, 0},
      {"x1 (name) S 1 2", false, "", 0, 0},
      {"12 (name) S", false, "", 0, 0},
      {"12 (name) S x", false, "", 0, 0},
      {"12 (name) S -1 2", false, "", 0, 0},
      {"12 (name) S 1x 2", false, "", 0, 0},
      {"12 (name) SS 1 2", false, "", 0, 0},
      {"12 (name) 5 1 2", false, "", 0, 0},
      {"12 (name) [ 1 2", false, "", 0, 0},
      {"12 (name) S 99999999999999999999 2", false, "", 0, 0},
  };
  for (const auto& c : cases) {
    const auto status = ParseProcessStatus(c.text);
    ASSERT_EQ(status.has_value(), c.valid) << c.text;
    if (!status) continue;
    EXPECT_EQ(status->name, c.name) << c.text;
    EXPECT_EQ(status->state, c.state) << c.text;
    EXPECT_EQ(status->parent, c.parent) << c.text;
  }
}

TEST(ProcessStatus, OnlyARunningChildOfOursIsOurNetworkProcess) {
  const struct {
    ProcessStatus status;
    bool ours;
  } cases[] = {
      {{"WebKitNetworkPr", 'S', 100}, true},
      {{"WebKitNetworkPr", 'R', 100}, true},
      {{"WebKitNetworkPr", 'D', 100}, true},
      {{"WebKitNetworkPr", 'S', 101}, false},  // another program's
      {{"WebKitNetworkPr", 'S', 1}, false},    // left to the system's first process
      {{"WebKitNetworkPr", 'Z', 100}, false},  // ended already
      {{"WebKitNetworkPr", 'X', 100}, false},
      {{"WebKitWebProces", 'S', 100}, false},  // a web process
      {{"WebKitNetworkProcess", 'S', 100}, false},
      {{"WebKitNetwork", 'S', 100}, false},
      {{"webkitnetworkpr", 'S', 100}, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsOwnNetworkProcess(c.status, 100), c.ours)
        << c.status.name << " " << c.status.state << " " << c.status.parent;
}

}  // namespace
}  // namespace wb
