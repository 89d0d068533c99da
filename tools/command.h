#pragma once
// Subcommands of wbctl. Each lives in its own file and registers itself with a static
// CommandRegistration, so adding a subcommand touches no shared file.
#include <string>
#include <vector>

namespace wbctl {

// Exit status for a subcommand's error (bad arguments, unreadable file ...).
constexpr int kExitError = 1;

struct Command {
  const char* name;
  const char* usage;                                 // one line, after "wbctl "
  int (*run)(const std::vector<std::string>& args);  // args after the subcommand name
};

struct CommandRegistration {
  explicit CommandRegistration(const Command& command);
};

// Prints "wbctl: " and the message to standard error; returns `status`.
int Fail(const std::string& message, int status = kExitError);

}  // namespace wbctl
