// wbctl profile: where a branded copy keeps what its site stores, and removing it.
#include <signal.h>

#include <iostream>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/profile.h"
#include "platform/remote_channel.h"
#include "platform/resources.h"
#include "storage/window_config.h"
#include "support/process_values.h"
#include "support/values.h"
#include "tools/command.h"
#include "tools/exe_target.h"

namespace wbctl {
namespace {

int Run(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  const std::string exe = TakeExecutableOption(args);
  if (exe.empty()) return kExitError;
  if (args.size() != 1 || (args[0] != "path" && args[0] != "clear"))
    return Fail("usage: wbctl profile [--exe EXE] path|clear");
  wb::SetUpForExecutable(exe, u"WebBrowser");
  const std::string name(wb::NameWithoutExtension(exe));
  const wb::ValueList config = wb::ReadConfigSources(wb::LoadResText(wb::kConfigResourceName), exe);
  const wb::Profile profile =
      wb::ProfileFor(name, wb::TextToBool(wb::ValueOf(config, u"ephemeral")));
  if (args[0] == "path") {
    std::cout << "data=" << profile.data << "\n"
              << "cache=" << profile.cache << "\n"
              << "ephemeral=" << (profile.ephemeral ? 1 : 0) << "\n";
    return 0;
  }
  // A running window holds its cookie file and caches open; removing them under it would
  // leave it writing into deleted files.
  for (const auto& window : wb::ListWindowSockets(wb::ChannelDirectoryPath()))
    if (wb::SocketNamesApp(window, name) && ::kill(window.pid, 0) == 0)
      return Fail("profile: " + name + " is running (process " + std::to_string(window.pid) +
                  "); close its window first");
  std::string error;
  if (!wb::RemoveProfile(profile, error)) return Fail("profile: " + error);
  std::cout << "removed=" << profile.data << "\nremoved=" << profile.cache << "\n";
  return 0;
}

const CommandRegistration registration({"profile", "profile [--exe EXE] path|clear", &Run});

}  // namespace
}  // namespace wbctl
