// wbctl: the companion command-line tool for people who deploy branded copies, and for
// scripts. It never needs a display. Its subcommands are the wb_tools library
// (tools/command.h), which the tests link too.
#include <string>
#include <vector>

#include "tools/command.h"

int main(int argc, char** argv) {
  return wbctl::RunWbctl(std::vector<std::string>(argv + 1, argv + argc));
}
