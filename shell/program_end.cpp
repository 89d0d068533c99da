#include "shell/program_end.h"

#include <glib-unix.h>
#include <glib.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <string_view>
#include <thread>
#include <utility>

#include "engine/dialogs.h"

namespace wb {
namespace {

// Whatever is still under way when the end is asked gets this long; the desktop's session
// ends programs that take longer by force, and people expect a program to go at once.
constexpr std::chrono::milliseconds kEndDeadline{1500};

struct Ending {
  std::function<void()> end;
  bool started = false;
};

void Say(const char* text) {
  // Plain write: the main thread may hold the standard streams' lock when the deadline comes.
  const std::string_view line(text);
  if (::write(STDERR_FILENO, line.data(), line.size()) < 0) return;
}

[[noreturn]] void ExitNow(const char* why) {
  Say(g_get_prgname() ? g_get_prgname() : "webbrowser");
  Say(why);
  _exit(0);
}

gboolean OnEndSignal(gpointer data) {
  auto* ending = static_cast<Ending*>(data);
  if (ending->started) ExitNow(": ended at a second request\n");
  ending->started = true;
  // A thread of its own, since the main thread may be stuck where no timer of its loop runs.
  std::thread([] {
    std::this_thread::sleep_for(kEndDeadline);
    ExitNow(": did not end in time, ended now\n");
  }).detach();
  CloseEveryQuestion();
  if (ending->end) ending->end();
  return G_SOURCE_CONTINUE;
}

}  // namespace

void EndOnSignals(std::function<void()> end) {
  // Lives for the whole run, as the signal sources do.
  static Ending ending;
  ending.end = std::move(end);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) g_unix_signal_add(signal, OnEndSignal, &ending);
}

}  // namespace wb
