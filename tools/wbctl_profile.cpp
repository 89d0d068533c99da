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
  // leave it writing into deleted files. Its engine removes them instead.
  for (const auto& window : wb::ListWindowSockets(wb::ChannelDirectoryPath())) {
    if (!wb::SocketNamesApp(window, name) || ::kill(window.pid, 0) != 0) continue;
    try {
      wb::RemoteClient client(window.path);
      const wb::remote::Reply reply = client.Call({wb::remote::kClearWebsiteData, 0, {}});
      if (reply.status != wb::remote::Status::kHandled || reply.result != 1)
        return Fail("profile: the window of " + name + " (process " + std::to_string(window.pid) +
                    ") cannot remove its data; close it first");
    } catch (const std::exception& e) {
      return Fail("profile: " + std::string(e.what()));
    }
    std::cout << "cleared=" << window.pid << "\n";
    return 0;
  }
  std::string error;
  if (!wb::RemoveProfile(profile, error)) return Fail("profile: " + error);
  std::cout << "removed=" << profile.data << "\nremoved=" << profile.cache << "\n";
  return 0;
}

const CommandRegistration registration({"profile", "profile [--exe EXE] path|clear", &Run});

}  // namespace
}  // namespace wbctl
