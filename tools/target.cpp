#include "tools/target.h"

#include <errno.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <iostream>
#include <memory>
#include <optional>

#include "tools/command.h"

namespace wbctl {
namespace {

struct TargetOptions {
  std::optional<pid_t> pid;
  std::optional<std::string> app;
  std::vector<std::string> rest;
};

bool ParsePid(const std::string& text, pid_t& pid) {
  long value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value <= 0 || value > 0x7FFFFFFF)
    return false;
  pid = static_cast<pid_t>(value);
  return true;
}

// Returns an error message, or empty on success.
std::string ParseTargetOptions(const std::vector<std::string>& args, TargetOptions& out) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      out.rest.insert(out.rest.end(), args.begin() + static_cast<long>(i) + 1, args.end());
      break;
    }
    std::string value;
    bool isPid = a == "--pid" || a.starts_with("--pid=");
    bool isApp = a == "--app" || a.starts_with("--app=");
    if (!isPid && !isApp) {
      if (a.size() > 1 && a[0] == '-') return "unknown option " + a;
      out.rest.push_back(a);
      continue;
    }
    if (auto eq = a.find('='); eq != std::string::npos) {
      value = a.substr(eq + 1);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    } else {
      return a + " needs a value";
    }
    if (out.pid || out.app) return "give either --pid or --app, once";
    if (isPid) {
      pid_t pid = 0;
      if (!ParsePid(value, pid)) return "--pid needs a process id, not \"" + value + "\"";
      out.pid = pid;
    } else {
      if (value.empty() || value.find('/') != std::string::npos)
        return "--app needs an application name without \"/\"";
      out.app = value;
    }
  }
  return {};
}

bool Runs(pid_t pid) {
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

int WithTarget(const std::vector<std::string>& args, std::size_t positional, const char* usage,
               const std::function<int(const std::vector<std::string>& rest,
                                       wb::RemoteClient& window)>& body) {
  TargetOptions opts;
  if (std::string error = ParseTargetOptions(args, opts); !error.empty()) {
    return Fail(error + "\nusage: wbctl " + usage, kExitUsage);
  }
  if (opts.rest.size() != positional) return Fail(std::string("usage: wbctl ") + usage, kExitUsage);
  const std::string app = opts.app.value_or("webbrowser");
  const std::string what =
      opts.pid ? "with process id " + std::to_string(*opts.pid) : "of application \"" + app + "\"";

  std::string dir = wb::ChannelDirectoryPath();
  struct stat st {};
  // A missing directory only means that no window has run since it was last cleared.
  if (::lstat(dir.c_str(), &st) != 0 && errno == ENOENT) {
    return Fail("no running window " + what, kExitNoTarget);
  }
  try {
    dir = wb::ChannelDirectory(wb::MissingFolder::kThrow);
  } catch (const wb::RemoteError& e) {
    return Fail(e.what());
  }

  std::vector<wb::WindowSocket> candidates;
  if (opts.pid) {
    for (auto& w : wb::ListWindowSockets(dir)) {
      if (w.pid == *opts.pid && Runs(w.pid)) candidates.push_back(std::move(w));
    }
  } else {
    candidates = wb::RunningWindowsOf(dir, app);
  }
  std::unique_ptr<wb::RemoteClient> window;
  std::string lastError;
  for (const auto& w : candidates) {
    try {
      window = std::make_unique<wb::RemoteClient>(w.path);
      break;
    } catch (const wb::RemoteError& e) {
      lastError = e.what();
    }
  }
  if (!window) {
    return Fail("no running window " + what + (lastError.empty() ? "" : " (" + lastError + ")"),
                kExitNoTarget);
  }
  try {
    return body(opts.rest, *window);
  } catch (const wb::RemoteError& e) {
    return Fail(e.what());
  }
}

int PrintReply(const wb::remote::Reply& reply) {
  if (reply.status != wb::remote::Status::kHandled) {
    std::string message =
        std::string("the window refused the record: ") + wb::remote::StatusName(reply.status);
    if (!reply.payload.empty()) message += " (" + reply.payload + ")";
    return Fail(message);
  }
  std::cout << "reply=" << reply.result << "\n";
  return 0;
}

}  // namespace wbctl
