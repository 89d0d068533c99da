// Whether the engine's sandbox can work here: bubblewrap creating the namespaces the sandbox
// asks for. The probe fails quickly on a system that does not allow them.
#include <webkit2/webkit2.h>

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>

#include "engine/web_view_webkit.h"
#include "platform/glib_ptr.h"
#include "storage/timeline.h"

namespace wb {
namespace {

struct SandboxProbe {
  bool started = false;
  bool spawned = false;
  GPid pid = 0;
};

SandboxProbe& TheSandboxProbe() {
  static SandboxProbe probe;
  return probe;
}

void SpawnSandboxProbe(SandboxProbe& probe) {
  probe.started = true;
  GPtr<gchar> bwrap{g_find_program_in_path("bwrap")};
  if (!bwrap) return;
  const char* argv[] = {bwrap.get(),     "--ro-bind",         "/",         "/",
                        "--unshare-all", "--die-with-parent", "/bin/true", nullptr};
  probe.spawned = g_spawn_async(
      nullptr, const_cast<char**>(argv), nullptr,
      static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL |
                               G_SPAWN_STDERR_TO_DEV_NULL),
      nullptr, nullptr, &probe.pid, nullptr);
}

// The probe's answer: whether bubblewrap ran and ended well.
bool SandboxProbeAnswer(SandboxProbe& probe) {
  if (!probe.started) SpawnSandboxProbe(probe);
  if (!probe.spawned) return false;
  // Bubblewrap answers within milliseconds; one that hangs (a broken set-up) must not hold the
  // start for ever: after 5 s it is ended and counts as a sandbox that cannot work here.
  int status = 0;
  pid_t ended = -1;
  const gint64 deadline = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
  for (;;) {
    ended = waitpid(probe.pid, &status, WNOHANG);
    if (ended != 0 && !(ended < 0 && errno == EINTR)) break;
    if (g_get_monotonic_time() >= deadline) {
      kill(probe.pid, SIGKILL);
      waitpid(probe.pid, nullptr, 0);
      ended = -1;
      break;
    }
    g_usleep(500);
  }
  g_spawn_close_pid(probe.pid);
  probe.spawned = false;
  return ended == probe.pid && g_spawn_check_wait_status(status, nullptr);
}

}  // namespace

void StartEngineSandboxProbe() {
  SandboxProbe& probe = TheSandboxProbe();
  if (probe.started) return;
  TimelineMark("sandbox probe started");
  SpawnSandboxProbe(probe);
}

bool ConfigureEngineSandbox(WebKitWebContext* context) {
  static int decided = -1;
  if (decided >= 0) {
    // Once a context has started a web process the engine refuses any change of its sandbox,
    // even to the same setting; so a context is set only while it still differs (a new one).
    if (static_cast<bool>(webkit_web_context_get_sandbox_enabled(context)) != (decided == 1))
      webkit_web_context_set_sandbox_enabled(context, decided == 1);
    return decided == 1;
  }
  TimelineMark("sandbox probe answer wanted");
  const bool usable = SandboxProbeAnswer(TheSandboxProbe());
  TimelineMark(usable ? "sandbox probe answered: sandbox on"
                      : "sandbox probe answered: sandbox off");
  webkit_web_context_set_sandbox_enabled(context, usable);
  decided = usable ? 1 : 0;
  return usable;
}

}  // namespace wb
