// wbctl settings: reads, writes and deletes the program's settings variables as the program
// itself would, in the registry hive or, in portable operation, in its settings file.
#include <iostream>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "storage/settings_store.h"
#include "tools/command.h"
#include "tools/exe_target.h"

namespace wbctl {
namespace {

constexpr char kUsage[] =
    "settings [--exe EXE] get KEY NAME [DEFAULT] | set KEY NAME VALUE | delete KEY NAME";

int Run(const std::vector<std::string>& argsIn) {
  // Options come before the verb, so that a value such as "--exe" is taken as it is.
  std::vector<std::string> options;
  std::vector<std::string> args = argsIn;
  while (!args.empty() && args.front().starts_with("--")) {
    options.push_back(args.front());
    args.erase(args.begin());
    if (options.back() == "--exe" && !args.empty()) {
      options.push_back(args.front());
      args.erase(args.begin());
    }
  }
  // The settings belong to the executable's name and folder; the file itself is not read.
  const std::string exe = TakeExecutableOption(options, false);
  if (exe.empty()) return kExitError;
  if (!options.empty()) return Fail("unknown option \"" + options.front() + "\"", kExitUsage);
  if (args.empty()) return Fail(std::string("usage: wbctl ") + kUsage, kExitUsage);

  const std::string verb = args.front();
  std::vector<wb::Text> operands;
  for (size_t i = 1; i < args.size(); ++i) operands.push_back(wb::FromUtf8(args[i]));
  const bool fits = (verb == "get" && (operands.size() == 2 || operands.size() == 3)) ||
                    (verb == "set" && operands.size() == 3) ||
                    (verb == "delete" && operands.size() == 2);
  if (!fits) return Fail(std::string("usage: wbctl ") + kUsage, kExitUsage);

  wb::SetUpForExecutable(exe, u"WebBrowser");
  if (verb == "get") {
    const wb::Text def = operands.size() == 3 ? operands[2] : wb::Text();
    std::cout << "value=" << wb::ToUtf8(wb::ReadVar(operands[0], operands[1], def)) << "\n";
    return 0;
  }
  if (verb == "set") {
    // A value the store cannot take is an error with its reason on standard error, never a
    // quiet "result=false".
    const wb::SettingsResult result = wb::WriteVars(operands[0], {{operands[1], operands[2]}});
    if (!result.ok()) return Fail("settings: " + result.Message());
    std::cout << "result=true\n";
    return 0;
  }
  // Nothing to remove is no error ("result=false"); a file that cannot be written raises its
  // reason, which the tool reports.
  const bool removed = wb::DeleteVar(operands[0], operands[1]);
  std::cout << "result=" << (removed ? "true" : "false") << "\n";
  return 0;
}

// What "wbctl help settings" prints after the usage line.
constexpr const char* kHelp =
    "Reads, writes and deletes the copy's settings as the program itself does, in\n"
    "its registry hive or, running portable, in its settings file.\n"
    "\n"
    "Options:\n"
    "  --exe EXE    the copy (default: webbrowser beside wbctl)\n"
    "\n"
    "Example:\n"
    "  wbctl settings --exe ~/Apps/acme get '#n\\Zoom' https://shop.acme.example 100\n";

}  // namespace

const Command kSettingsCommand{"settings", kUsage, &Run, kHelp};

}  // namespace wbctl
