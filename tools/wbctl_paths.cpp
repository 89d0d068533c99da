// wbctl paths: where the program keeps its files, as its start-up set-up settles them.
#include <unistd.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "storage/process_values.h"
#include "storage/registry_file.h"
#include "storage/settings_store.h"
#include "tools/command.h"
#include "tools/exe_target.h"

namespace wbctl {
namespace {

std::string CurrentDirectory() {
  std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
  return cwd ? std::string(cwd.get()) : std::string();
}

// The file the copy's settings go to: the settings file beside it in portable operation,
// else the per-user registry hive.
std::string SettingsFile() {
  if (wb::UsesSettingsFile(wb::RegistryRoot::HKEY_CURRENT_USER)) return wb::SettingsFilePath();
  return wb::CurrentUserHivePath();
}

int Run(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  const std::string exe = TakeExecutableOption(args);
  if (exe.empty()) return kExitError;
  if (!args.empty()) return Fail("unexpected argument \"" + args.front() + "\"", kExitUsage);
  wb::SetUpForExecutable(exe, u"WebBrowser");
  const wb::ProcessValues& p = wb::Process();
  std::cout << "program=" << wb::ToUtf8(p.programFolder) << "\n"
            << "work=" << wb::ToUtf8(p.workFolder) << "\n"
            << "data=" << wb::ToUtf8(p.dataFolder) << "\n"
            << "settings=" << SettingsFile() << "\n"
            << "portable=" << p.portable << "\n"
            << "current=" << CurrentDirectory() << "\n";
  return 0;
}

// What "wbctl help paths" prints after the usage line.
constexpr const char* kHelp =
    "Prints where the copy keeps its files: its folder, work and data folders,\n"
    "settings file, whether it runs portable, and the current folder.\n"
    "\n"
    "Options:\n"
    "  --exe EXE    the copy (default: webbrowser beside wbctl)\n"
    "\n"
    "Example:\n"
    "  wbctl paths --exe ~/Apps/acme\n";

}  // namespace

const Command kPathsCommand{"paths", "paths [--exe EXE]", &Run, kHelp};

}  // namespace wbctl
