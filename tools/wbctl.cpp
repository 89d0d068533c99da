// wbctl: the companion command-line tool for people who deploy branded copies, and for
// scripts. It never needs a display.
#include <algorithm>
#include <cstring>
#include <exception>
#include <iostream>

#include "tools/command.h"

namespace wbctl {
namespace {

std::vector<Command>& Commands() {
  static std::vector<Command> commands;
  return commands;
}

int Usage(std::ostream& out, int status) {
  out << "usage:\n";
  auto commands = Commands();
  std::sort(commands.begin(), commands.end(),
            [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
  for (const auto& c : commands) out << "  wbctl " << c.usage << "\n";
  return status;
}

}  // namespace

CommandRegistration::CommandRegistration(const Command& command) {
  Commands().push_back(command);
}

int Fail(const std::string& message, int status) {
  std::cerr << "wbctl: " << message << "\n";
  return status;
}

}  // namespace wbctl

int main(int argc, char** argv) {
  using namespace wbctl;
  if (argc < 2) return Usage(std::cerr, 2);
  const std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") return Usage(std::cout, 0);
  for (const auto& c : Commands()) {
    if (name == c.name) {
      try {
        return c.run(std::vector<std::string>(argv + 2, argv + argc));
      } catch (const std::exception& e) {
        return Fail(e.what());
      }
    }
  }
  std::cerr << "wbctl: unknown command \"" << name << "\"\n";
  return Usage(std::cerr, 2);
}
