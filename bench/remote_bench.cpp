// The remote-navigation channel: decoding request records, and a whole round trip of a
// copy-data record from a blocking sender to a window's main loop and back. The window side
// runs the channel on the default main context in a thread of its own, with a handler that
// answers at once, so the figures are the channel's own cost.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/remote_channel.h"
#include "platform/remote_client.h"
#include "support/remote_record.h"

namespace {

std::string CopyDataBytes(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) bytes += {c, '\0'};
  return bytes + std::string(2, '\0');
}

void BM_DecodeRequest(benchmark::State& state) {
  std::string record = wb::remote::EncodeRequest(
      {wb::remote::kCopyData, 0, CopyDataBytes("url=https://shop.acme.example/offer?id=42")});
  for (auto _ : state) benchmark::DoNotOptimize(wb::remote::DecodeRequest(record));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * record.size()));
}
BENCHMARK(BM_DecodeRequest);

// The window side on a thread of its own, for the life of the benchmark.
class Window {
 public:
  Window() {
    thread_ = std::thread([this] {
      GMainContext* context = g_main_context_default();
      g_main_context_acquire(context);
      {
        wb::RemoteChannel::Options options;
        options.appName = "wbbench";
        wb::RemoteChannel channel(
            [](const wb::remote::Request&) {
              return wb::remote::Reply{{}, 1, {}};
            },
            options);
        path_ = channel.path();
        ready_ = true;
        while (!stop_) g_main_context_iteration(context, TRUE);
      }
      g_main_context_release(context);
    });
    while (!ready_) std::this_thread::yield();
  }
  ~Window() {
    stop_ = true;
    g_main_context_wakeup(g_main_context_default());
    thread_.join();
  }
  const std::string& path() const { return path_; }

 private:
  std::thread thread_;
  std::string path_;
  std::atomic<bool> ready_{false}, stop_{false};
};

void BM_CopyDataRoundTrip(benchmark::State& state) {
  Window window;
  wb::RemoteClient client(window.path());
  wb::remote::Request request{wb::remote::kCopyData, 0,
                              CopyDataBytes("url=https://shop.acme.example/offer?id=42")};
  for (auto _ : state) benchmark::DoNotOptimize(client.Call(request));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CopyDataRoundTrip)->UseRealTime();

// A new connection for every record, as `wbctl send` does.
void BM_ConnectAndSend(benchmark::State& state) {
  Window window;
  wb::remote::Request request{wb::remote::kCopyData, 0, CopyDataBytes("url=x")};
  for (auto _ : state) benchmark::DoNotOptimize(wb::RemoteClient(window.path()).Call(request));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ConnectAndSend)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
