#include "engine/http_auth_webkit.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/secret_service.h"
#include "storage/unique_fd.h"
#include "support/process_status.h"

namespace wb {

namespace {

gboolean OnAuthenticate(WebKitWebView*, WebKitAuthenticationRequest* request, gpointer) {
  // The engine says whether it would keep the password (not in an ephemeral profile, for
  // one); it keeps it in the secret service, so without one a ticked box would keep nothing.
  const bool engineKeeps = webkit_authentication_request_can_save_credentials(request);
  webkit_authentication_request_set_can_save_credentials(request,
                                                         engineKeeps && SecretService().Answers());
  return FALSE;
}

std::optional<ProcessStatus> StatusOf(long pid) {
  const std::string path = "/proc/" + std::to_string(pid) + "/stat";
  UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file) return std::nullopt;
  char text[512];
  const ssize_t n = read(file.get(), text, sizeof text);
  if (n <= 0) return std::nullopt;
  return ParseProcessStatus(std::string_view(text, static_cast<size_t>(n)));
}

bool IsOurs(long pid) {
  const auto status = StatusOf(pid);
  return status && IsOwnNetworkProcess(*status, getpid());
}

// The running network processes the engine started for this program.
std::vector<long> OwnNetworkProcesses() {
  std::vector<long> found;
  DIR* proc = opendir("/proc");
  if (!proc) return found;
  while (dirent* entry = readdir(proc)) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (pid > 0 && end && *end == '\0' && IsOurs(pid)) found.push_back(pid);
  }
  closedir(proc);
  return found;
}

// Kills `pid` if it is still our network process. A process descriptor names the process
// itself, so the signal cannot reach another one that took over the number meanwhile.
void Kill(long pid) {
  UniqueFd process(static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0)));
  if (!IsOurs(pid)) return;
  // A system without process descriptors has the number alone.
  if (!process || syscall(SYS_pidfd_send_signal, process.get(), SIGKILL, nullptr, 0) != 0)
    kill(static_cast<pid_t>(pid), SIGKILL);
}

struct Ending {
  std::vector<long> pids;
  std::function<void(const std::string&)> done;
  gint64 deadline = 0;
};

// Ended means gone, or ended and not yet collected by the engine.
gboolean CheckEnded(gpointer data) {
  auto* ending = static_cast<Ending*>(data);
  std::erase_if(ending->pids, [](long pid) { return !IsOurs(pid); });
  const bool timedOut = g_get_monotonic_time() > ending->deadline;
  if (!ending->pids.empty() && !timedOut) return G_SOURCE_CONTINUE;
  std::unique_ptr<Ending> finished(ending);
  finished->done(finished->pids.empty() ? std::string()
                                        : std::string("the engine's network process did not end"));
  return G_SOURCE_REMOVE;
}

}  // namespace

void ConnectHttpAuthentication(WebKitWebView* view, gpointer owner) {
  SecretService();
  g_signal_connect(view, "authenticate", G_CALLBACK(OnAuthenticate), owner);
}

void EndNetworkProcess(std::function<void(const std::string& error)> done) {
  auto ending = std::make_unique<Ending>();
  ending->pids = OwnNetworkProcesses();
  if (ending->pids.empty()) {
    done({});
    return;
  }
  for (long pid : ending->pids) Kill(pid);
  ending->done = std::move(done);
  // It ends within milliseconds; one that has not within seconds will not.
  ending->deadline = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
  g_timeout_add(10, CheckEnded, ending.release());
}

}  // namespace wb
