#include <exception>
#include <iostream>

#include "tools/command.h"

namespace wbctl {
namespace {

// In the order of their names, as the usage lists them.
constexpr const Command* kCommands[] = {
    &kBrandCommand,    &kCheckCommand, &kHomeCommand,    &kInfoCommand,      &kInstallCommand,
    &kPackageCommand,  &kPathsCommand, &kProfileCommand, &kRepoCommand,      &kSendCommand,
    &kSettingsCommand, &kShowCommand,  &kStateCommand,   &kUninstallCommand,
};

int Usage(std::ostream& out, int status) {
  out << "usage:\n";
  for (const Command* c : kCommands) out << "  wbctl " << c->usage << "\n";
  // The program's windows speak the person's language; the tool, like a compiler, speaks to
  // makers and scripts, whose output must not change with the locale.
  out << "wbctl's messages are in English whatever the locale; the program's window speaks the\n"
         "languages of its catalogs.\n";
  return status;
}

}  // namespace

std::span<const Command* const> Commands() {
  return kCommands;
}

const Command* FindCommand(const std::string& name) {
  for (const Command* c : kCommands)
    if (name == c->name) return c;
  return nullptr;
}

int RunWbctl(const std::vector<std::string>& args) {
  if (args.empty()) return Usage(std::cerr, kExitUsage);
  const std::string& name = args[0];
  if (name == "--help" || name == "-h" || name == "help") return Usage(std::cout, 0);
  const Command* command = FindCommand(name);
  if (command == nullptr) {
    std::cerr << "wbctl: unknown command \"" << name << "\"\n";
    return Usage(std::cerr, kExitUsage);
  }
  try {
    return command->run(std::vector<std::string>(args.begin() + 1, args.end()));
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}

int Fail(const std::string& message, int status) {
  std::cerr << "wbctl: " << message << "\n";
  return status;
}

}  // namespace wbctl
