#pragma once
// Subcommands of wbctl. Each lives in its own file, which defines its Command; the table in
// tools/commands.cpp lists them all, so the tool and the tests that link the library find
// every subcommand in one place.
#include <span>
#include <string>
#include <vector>

namespace wbctl {

// Exit status for a subcommand's error (bad arguments, unreadable file ...).
constexpr int kExitError = 1;

// Exit status for a command line that names no known subcommand.
constexpr int kExitUsage = 2;

struct Command {
  const char* name;
  const char* usage;                                 // one line, after "wbctl "
  int (*run)(const std::vector<std::string>& args);  // args after the subcommand name
};

// Each subcommand, defined in its own file (tools/wbctl_NAME.cpp).
extern const Command kBrandCommand;
extern const Command kCheckCommand;
extern const Command kHomeCommand;
extern const Command kInfoCommand;
extern const Command kInstallCommand;
extern const Command kPackageCommand;
extern const Command kPathsCommand;
extern const Command kProfileCommand;
extern const Command kRepoCommand;
extern const Command kSendCommand;
extern const Command kSettingsCommand;
extern const Command kShowCommand;
extern const Command kStateCommand;
extern const Command kUninstallCommand;

// Every subcommand, ordered by name as the usage lists them.
std::span<const Command* const> Commands();

// The subcommand called `name`; null when there is none.
const Command* FindCommand(const std::string& name);

// Runs wbctl for the arguments after the program's name: the subcommand the first names, with
// the rest. A subcommand's exception is its error. Prints the usage for "--help", "-h" and
// "help" (standard output, 0) and for no or an unknown subcommand (standard error, kExitUsage).
int RunWbctl(const std::vector<std::string>& args);

// Prints "wbctl: " and the message to standard error; returns `status`.
int Fail(const std::string& message, int status = kExitError);

}  // namespace wbctl
