#include "platform/shell_open.h"

#include <gio/gio.h>
#include <glib.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/glib_ptr.h"
#include "storage/process_values.h"
#include "support/address.h"

namespace wb {
namespace {

int StartOwnExecutable(const Text& parameters) {
  const std::string exe = ToUtf8(ExecutablePath());
  if (exe.empty()) return kShellOpenNoHandler;
  std::vector<char*> argv{const_cast<char*>(exe.c_str())};
  GPtr<gchar*> args;
  const std::string params = ToUtf8(parameters);
  if (!params.empty()) {
    GPtr<GError> error;
    if (g_shell_parse_argv(params.c_str(), nullptr, OutPtr(args), OutPtr(error))) {
      for (char** a = args.get(); *a; ++a) argv.push_back(*a);
    } else {
      // Parameters that are only blanks are no parameters, though the parser calls them
      // empty; anything else it refuses (an unclosed quote) starts nothing.
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

// The URI for a target: itself when it has a scheme, else the file URI of the path. A name
// and digits ("localhost:8080") name a host and port or a file, never a scheme.
std::string UriFor(const std::string& target) {
  if (HasScheme(target)) return target;
  GPtr<gchar> absolute(g_canonicalize_filename(target.c_str(), nullptr));
  return StringOf(GPtr<gchar>(g_filename_to_uri(absolute.get(), nullptr, nullptr)));
}

}  // namespace

int ShellOpen(const Text& target, const Text& parameters) {
  try {
    if (target == u"@") return StartOwnExecutable(parameters);
    if (target.empty()) return kShellOpenNothing;
    const std::string uri = UriFor(ToUtf8(target));
    if (uri.empty()) return kShellOpenNoHandler;
    GPtr<GError> error;
    const bool launched = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, OutPtr(error));
    return launched ? kShellOpenStarted : kShellOpenNoHandler;
  } catch (...) {
    return kShellOpenNothing;
  }
}

}  // namespace wb
