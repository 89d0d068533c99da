#pragma once
// Runs the GLib main loop of the test's thread until a condition holds, with a time limit, so
// tests never sleep. A short timer wakes the loop now and then, so that a condition changed
// by another thread is seen without a busy loop.
#include <glib.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace wbtest {

inline bool RunLoopUntil(const std::function<bool()>& done, int limitMs = 20000) {
  const gint64 end = g_get_monotonic_time() + gint64{limitMs} * 1000;
  guint tick = g_timeout_add(
      5, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  bool ok = true;
  while (!done()) {
    if (g_get_monotonic_time() > end) {
      ok = false;
      break;
    }
    g_main_context_iteration(nullptr, TRUE);
  }
  g_source_remove(tick);
  return ok;
}

// Runs `work` on another thread (a blocking sender, say) while this thread's main loop runs,
// and waits for it to finish. Returns false when it did not finish within the limit; the
// thread is then left to finish on its own.
inline bool RunBeside(std::function<void()> work, int limitMs = 20000) {
  auto finished = std::make_shared<std::atomic<bool>>(false);
  std::thread t([work = std::move(work), finished] {
    work();
    *finished = true;
  });
  bool ok = RunLoopUntil([&] { return finished->load(); }, limitMs);
  if (ok) {
    t.join();
  } else {
    t.detach();
  }
  return ok;
}

}  // namespace wbtest
