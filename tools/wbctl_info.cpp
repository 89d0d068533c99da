// wbctl info: what the program tells the maker's gateway about itself.
#include <iostream>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "storage/gateway_values.h"
#include "support/maker.h"
#include "support/values.h"
#include "tools/command.h"
#include "tools/exe_target.h"

namespace wbctl {
namespace {

int Run(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  const std::string exe = TakeExecutableOption(args);
  if (exe.empty()) return kExitError;
  if (!args.empty()) return Fail("unexpected argument \"" + args.front() + "\"", kExitUsage);
  wb::SetUpForExecutable(exe, u"WebBrowser");
  // One set of values for every line, so the id is created at most once and all lines agree.
  const wb::QueryValues values = wb::CurrentQueryValues();
  std::cout << "version=" << wb::ToUtf8(values.versionText) << "\n"
            << "build=" << wb::ToUtf8(wb::FormatIsoDate(values.buildDate)) << "\n"
            << "os=" << wb::ToUtf8(values.systemVersion) << "\n"
            << "id=" << wb::ToUtf8(values.installationId) << "\n"
            << "query=" << wb::ToUtf8(wb::StandardQuery(values)) << "\n"
            << "gateway=" << wb::ToUtf8(wb::GatewayAddress(u"info", wb::BaseWebAddress(), values))
            << "\n";
  return 0;
}

// What "wbctl help info" prints after the usage line.
constexpr const char* kHelp =
    "Prints what the copy tells the maker's gateway about itself: version, build\n"
    "date, system, installation id, and the query and gateway address made of them.\n"
    "\n"
    "Options:\n"
    "  --exe EXE    the copy (default: webbrowser beside wbctl)\n"
    "\n"
    "Example:\n"
    "  wbctl info --exe ~/Apps/acme\n";

}  // namespace

const Command kInfoCommand{"info", "info [--exe EXE]", &Run, kHelp};

}  // namespace wbctl
