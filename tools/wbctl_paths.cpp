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
  if (!args.empty()) return Fail("paths: unexpected argument \"" + args.front() + "\"");
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

}  // namespace

const Command kPathsCommand{"paths", "paths [--exe EXE]", &Run};

}  // namespace wbctl
