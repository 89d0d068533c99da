// wbctl profile: where a branded copy keeps what its site stores, and removing it. Removing
// never follows a symbolic link and takes nothing that is not the copy's own folder.
#include <glib.h>
#include <signal.h>

#include <iostream>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/profile.h"
#include "platform/remote_client.h"
#include "platform/resources.h"
#include "storage/process_values.h"
#include "storage/window_config.h"
#include "support/text.h"
#include "support/values.h"
#include "tools/command.h"
#include "tools/exe_target.h"
#include "tools/profile_folder.h"

namespace wbctl {
namespace {

// The base and the copy's own part of a profile folder as ProfileFor made it: below the
// user's data or cache folder, or beside a portable copy. Empty parts when `path` lies
// elsewhere.
ProfileFolder OwnFolder(const std::string& path, bool data) {
  const wb::ProcessValues& process = wb::Process();
  std::string base = process.portable > 0 && !process.programFolder.empty()
                         ? wb::ToUtf8(process.programFolder)
                         : std::string(data ? g_get_user_data_dir() : g_get_user_cache_dir());
  if (base.empty() || base.front() != '/') return {};
  if (base.back() != '/') base += '/';
  if (path.size() <= base.size() || path.compare(0, base.size(), base) != 0) return {};
  return {base, path.substr(base.size())};
}

int Run(const std::vector<std::string>& argsIn) {
  std::vector<std::string> args = argsIn;
  const std::string exe = TakeExecutableOption(args);
  if (exe.empty()) return kExitError;
  if (args.size() != 1 || (args[0] != "path" && args[0] != "clear"))
    return Fail("usage: wbctl profile [--exe EXE] path|clear", kExitUsage);
  wb::SetUpForExecutable(exe, u"WebBrowser");
  const std::string name(wb::NameWithoutExtension(exe));
  const wb::ValueList config = wb::ReadConfigSources(wb::LoadResText(wb::kConfigResourceName), exe);
  const wb::Profile profile = wb::ProfileFor(name, wb::ConfiguredSwitch(config, u"ephemeral"));
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
        return Fail("the window of " + name + " (process " + std::to_string(window.pid) +
                    ") cannot remove its data; close it first");
    } catch (const std::exception& e) {
      return Fail(std::string(e.what()));
    }
    std::cout << "cleared=" << window.pid << "\n";
    return 0;
  }
  // Only the folders the copy's name gives below the person's data and cache folders (or
  // beside a portable copy) are removed, and only when both pass the check: nothing of the
  // profile goes when a part of it is not the copy's own.
  std::vector<ProfileFolder> folders;
  for (const std::string* path : {&profile.data, &profile.cache}) {
    if (path->empty()) continue;
    const ProfileFolder folder = OwnFolder(*path, path == &profile.data);
    if (folder.relative.empty()) return Fail(*path + ": not a folder of the copy's own");
    folders.push_back(folder);
  }
  std::string error;
  for (const auto& folder : folders)
    if (!CheckProfileFolder(folder, error)) return Fail(error);
  for (const auto& folder : folders) {
    if (!RemoveProfileFolder(folder, error)) return Fail(error);
    std::cout << "removed=" << folder.Path() << "\n";
  }
  return 0;
}

// What "wbctl help profile" prints after the usage line.
constexpr const char* kHelp =
    "\"path\" prints the folder where the copy keeps what its site stores (cookies,\n"
    "storage, cache); \"clear\" removes that folder while no window of the copy runs.\n"
    "\n"
    "Options:\n"
    "  --exe EXE    the copy (default: webbrowser beside wbctl)\n"
    "\n"
    "Example:\n"
    "  wbctl profile --exe ~/Apps/acme clear\n";

}  // namespace

const Command kProfileCommand{"profile", "profile [--exe EXE] path|clear", &Run, kHelp};

}  // namespace wbctl
