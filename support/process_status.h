#pragma once
// What the system tells of a running process in /proc/PID/stat, and which of the program's
// own child processes is the engine's network process.
#include <optional>
#include <string>
#include <string_view>

namespace wb {

struct ProcessStatus {
  std::string name;  // the command name, as the kernel keeps it: at most 15 bytes
  char state = 0;    // 'R', 'S', 'D', 'Z' (ended, not yet reaped), ...
  long parent = 0;   // the parent's process id
};

// The start of /proc/PID/stat: "PID (NAME) STATE PPID ...". The name is whatever the program
// set, spaces and parentheses included, so it runs from the first "(" to the last ")". Nothing
// for text of another form.
std::optional<ProcessStatus> ParseProcessStatus(std::string_view text);

// Whether `status` is a running network process of the engine whose parent is `self`: the
// engine starts it as a child of the program, named "WebKitNetworkProcess", which the kernel
// cuts to its first 15 bytes.
bool IsOwnNetworkProcess(const ProcessStatus& status, long self);

}  // namespace wb
