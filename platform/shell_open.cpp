#include "platform/shell_open.h"

#include <gio/gio.h>
#include <glib.h>

#include <memory>
#include <string>
#include <vector>

#include "support/process_values.h"

namespace wb {
namespace {

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

struct GErrorDeleter {
  void operator()(GError* e) const { g_error_free(e); }
};
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

struct GStrvDeleter {
  void operator()(char** v) const { g_strfreev(v); }
};
using GStrvPtr = std::unique_ptr<char*, GStrvDeleter>;

int StartOwnExecutable(const Text& parameters) {
  const std::string exe = ToUtf8(ExecutablePath());
  if (exe.empty()) return kShellOpenNoHandler;
  std::vector<char*> argv{const_cast<char*>(exe.c_str())};
  GStrvPtr args;
  const std::string params = ToUtf8(parameters);
  if (!params.empty()) {
    char** parsed = nullptr;
    GError* raw = nullptr;
    if (g_shell_parse_argv(params.c_str(), nullptr, &parsed, &raw)) {
      args.reset(parsed);
      for (char** a = parsed; *a; ++a) argv.push_back(*a);
    } else {
      // Parameters that are only blanks are no parameters, though the parser calls them
      // empty; anything else it refuses (an unclosed quote) starts nothing.
      GErrorPtr error(raw);
      if (!g_error_matches(error.get(), G_SHELL_ERROR, G_SHELL_ERROR_EMPTY_STRING)) {
        return kShellOpenNoHandler;
      }
    }
  }
  argv.push_back(nullptr);
  // Without G_SPAWN_DO_NOT_REAP_CHILD GLib detaches the child, so no zombie is left behind
  // and nothing waits for it.
  const bool started = g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_STDIN_FROM_DEV_NULL,
                                     nullptr, nullptr, nullptr, nullptr);
  return started ? kShellOpenStarted : kShellOpenNoHandler;
}

// The URI for a target: itself when it has a scheme, else the file URI of the path.
std::string UriFor(const std::string& target) {
  GCharPtr scheme(g_uri_parse_scheme(target.c_str()));
  if (scheme) return target;
  GCharPtr absolute(g_canonicalize_filename(target.c_str(), nullptr));
  GCharPtr uri(g_filename_to_uri(absolute.get(), nullptr, nullptr));
  return uri ? std::string(uri.get()) : std::string();
}

}  // namespace

int ShellOpen(const Text& target, const Text& parameters) {
  try {
    if (target == u"@") return StartOwnExecutable(parameters);
    if (target.empty()) return kShellOpenNothing;
    const std::string uri = UriFor(ToUtf8(target));
    if (uri.empty()) return kShellOpenNoHandler;
    GError* raw = nullptr;
    const bool launched = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &raw);
    GErrorPtr error(raw);
    return launched ? kShellOpenStarted : kShellOpenNoHandler;
  } catch (...) {
    return kShellOpenNothing;
  }
}

}  // namespace wb
