#include <exception>
#include <iostream>
#include <sstream>

#include "storage/version_info.h"
#include "tools/command.h"

namespace wbctl {
namespace {

// In the order of their names, as the usage lists them.
constexpr const Command* kCommands[] = {
    &kBrandCommand,    &kCheckCommand, &kHomeCommand,    &kInfoCommand,      &kInstallCommand,
    &kPackageCommand,  &kPathsCommand, &kProfileCommand, &kRepoCommand,      &kSendCommand,
    &kSettingsCommand, &kShowCommand,  &kStateCommand,   &kUninstallCommand,
};

// The subcommand that runs, for the messages of Fail.
const Command* gRunning = nullptr;

std::string UsageLines() {
  std::string out = "usage:\n";
  for (const Command* c : kCommands) out += std::string("  wbctl ") + c->usage + "\n";
  return out;
}

int Usage(std::ostream& out, int status) {
  out << UsageLines();
  return status;
}

int Print(const std::string& text) {
  std::cout << text;
  std::cout.flush();
  return std::cout ? 0 : kExitError;
}

// "NAME --help" and "NAME -h" ask for the subcommand's help; "--help" also further on, before
// "--", except for the two subcommands whose operands are texts taken as they are.
bool AsksForHelp(const std::vector<std::string>& args) {
  if (args.size() > 1 && (args[1] == "-h" || args[1] == "--help")) return true;
  if (args[0] == "send" || args[0] == "settings") return false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--") return false;
    if (args[i] == "--help") return true;
  }
  return false;
}

class Running {
 public:
  explicit Running(const Command* command) { gRunning = command; }
  ~Running() { gRunning = nullptr; }
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;
};

}  // namespace

std::span<const Command* const> Commands() {
  return kCommands;
}

const Command* FindCommand(const std::string& name) {
  for (const Command* c : kCommands)
    if (name == c->name) return c;
  return nullptr;
}

std::string CommandHelp(const Command& command) {
  std::string out = std::string("usage: wbctl ") + command.usage + "\n";
  if (command.help != nullptr) out += std::string("\n") + command.help;
  return out;
}

std::string ToolHelp() {
  std::ostringstream out;
  out << "wbctl makes, checks, installs and packages branded copies of WebBrowser, and talks\n"
         "to their running windows. It never needs a display.\n\n"
      << UsageLines()
      << "\n"
         "wbctl help COMMAND or wbctl COMMAND --help shows a command's options and an example.\n"
         "wbctl --version prints the version.\n"
         "\n"
         "Exit status:\n"
         "  0  done\n"
         "  1  refused: a file or a value is wrong, or the command could not do it\n"
         "     (check: the configuration has findings)\n"
         "  2  usage: no or an unknown command, an unknown option, an option without its\n"
         "     value, options that exclude each other, operands missing or too many\n"
         "     (check: the file cannot be checked; send, home, state: no running window\n"
         "     matches)\n"
         "\n"
         "Messages are in English, on standard error, in one form:\n"
         "  wbctl COMMAND: what is wrong: what to do\n";
  return out.str();
}

int RunWbctl(const std::vector<std::string>& args) {
  if (args.empty()) return Usage(std::cerr, kExitUsage);
  const std::string& name = args[0];
  if (name == "--help" || name == "-h" || (name == "help" && args.size() == 1))
    return Print(ToolHelp());
  if (name == "--version") {
    const std::string version = wb::ToUtf8(wb::FileVersionText(u""));
    return Print("wbctl " + (version.empty() ? std::string("(no version note)") : version) + "\n");
  }
  if (name == "help") {
    const Command* command = FindCommand(args[1]);
    if (command == nullptr) {
      std::cerr << "wbctl help: unknown command \"" << args[1]
                << "\": give one of the commands below\n";
      return Usage(std::cerr, kExitUsage);
    }
    if (args.size() > 2) {
      std::cerr << "wbctl help: unexpected argument \"" << args[2]
                << "\": give one command, as in wbctl help " << args[1] << "\n";
      return kExitUsage;
    }
    return Print(CommandHelp(*command));
  }
  const Command* command = FindCommand(name);
  if (command == nullptr) {
    std::cerr << "wbctl: unknown command \"" << name << "\"\n";
    return Usage(std::cerr, kExitUsage);
  }
  if (AsksForHelp(args)) return Print(CommandHelp(*command));
  const Running running(command);
  try {
    return command->run(std::vector<std::string>(args.begin() + 1, args.end()));
  } catch (const UsageError& e) {
    return Fail(e.what(), kExitUsage);
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}

int Fail(const std::string& message, int status) {
  std::cerr << "wbctl" << (gRunning ? std::string(" ") + gRunning->name : std::string()) << ": "
            << message << "\n";
  return status;
}

}  // namespace wbctl
