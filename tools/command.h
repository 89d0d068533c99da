#pragma once
// Subcommands of wbctl. Each lives in its own file, which defines its Command; the table in
// tools/commands.cpp lists them all, so the tool and the tests that link the library find
// every subcommand in one place.
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace wbctl {

// Exit status for a subcommand's refusal: a file, a value or a state it cannot take.
constexpr int kExitError = 1;

// Exit status for a mistake in the command line itself: no or an unknown subcommand, an unknown
// option, an option without its value, options that exclude each other, operands missing or
// too many. A script tells it from a refusal, which the same command line may meet another day.
constexpr int kExitUsage = 2;

// A mistake in the command line, thrown by a subcommand's argument parsing: RunWbctl prints it
// as every error and exits with kExitUsage.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Command {
  const char* name;
  const char* usage;                                 // one line, after "wbctl "
  int (*run)(const std::vector<std::string>& args);  // args after the subcommand name
  // What "wbctl help NAME" prints after the usage line: what the command does, its options
  // and an example, in lines of at most 80 characters.
  const char* help = nullptr;
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
// the rest. A subcommand's exception is its error: a UsageError exits with kExitUsage, any
// other with kExitError. Prints the tool's help for "--help", "-h"
// and "help", a subcommand's for "help NAME" and for "NAME --help" (standard output, 0), the
// version for "--version", and the usage for no or an unknown subcommand (standard error,
// kExitUsage).
int RunWbctl(const std::vector<std::string>& args);

// The whole help of the subcommand: its usage line, then its help text.
std::string CommandHelp(const Command& command);

// The help "wbctl --help" prints: what the tool is for, every subcommand's usage, the exit
// statuses and the form of the messages.
std::string ToolHelp();

// Prints the message to standard error as "wbctl NAME: message", NAME being the subcommand
// that runs (just "wbctl: " outside one); returns `status`.
int Fail(const std::string& message, int status = kExitError);

}  // namespace wbctl
