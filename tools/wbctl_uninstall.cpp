// wbctl uninstall: takes a copy out of the desktop's application menu again, removing exactly
// the files that wbctl install wrote for it, as its desktop entry records them, and of those
// only the ones that still hold what install wrote.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "tools/command.h"
#include "tools/desktop_install.h"

namespace wbctl {
namespace {

constexpr const char* kUsage = "uninstall [--exe EXE] [--prefix DIR]";

int Run(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  // The copy itself may be gone already; only its name is needed.
  const InstallTarget target = TakeInstallTarget(args, false);
  if (!args.empty())
    return Fail("unexpected argument \"" + args.front() + "\"\nusage: wbctl " + kUsage, kExitUsage);
  // The start at login goes first, and with the menu entry or without it: a copy that is
  // gone must not be started at the next login.
  bool startRemoved = false;
  if (CheckAutostartEntry(target) == InstalledFile::kOurs) {
    if (::unlink(target.AutostartPath().c_str()) != 0) {
      return Fail("\"" + target.AutostartPath() + "\": cannot remove: " + std::strerror(errno));
    }
    std::cout << "removed " << target.AutostartPath() << "\n";
    startRemoved = true;
  }
  const ExistingEntry existing = ReadExistingEntry(target);
  if (!existing.exists) {
    if (startRemoved) return 0;
    return Fail("\"" + target.name + "\" is not installed in " + target.prefix + " (no " +
                target.EntryPath() + ")");
  }
  if (!existing.ours) return Fail(ForeignEntryMessage(target));
  // The entry goes first: a desktop that looks meanwhile finds no entry without its icon.
  if (::unlink(target.EntryPath().c_str()) != 0) {
    return Fail("\"" + target.EntryPath() + "\": cannot remove: " + std::strerror(errno));
  }
  std::cout << "removed " << target.EntryPath() << "\n";
  const bool complete = RemoveRecorded(target, existing.record, {}, std::cout);
  RefreshDesktopCaches(target, false, std::cout);
  return complete ? 0 : kExitError;
}

// What "wbctl help uninstall" prints after the usage line.
constexpr const char* kHelp =
    "Takes a copy out of the application menu again: removes the files \"wbctl\n"
    "install\" wrote for it that still hold what it wrote, and its start at login.\n"
    "\n"
    "Options:\n"
    "  --exe EXE       the copy (default: webbrowser beside wbctl)\n"
    "  --prefix DIR    the data folder it was installed in (default: the user's)\n"
    "\n"
    "Example:\n"
    "  wbctl uninstall --exe ~/Apps/acme\n";

}  // namespace

const Command kUninstallCommand{"uninstall", kUsage, &Run, kHelp};

}  // namespace wbctl
