// What a long day of browsing costs the window: distinct navigations one after another, each
// entering the history and the top of the address list, through the model alone and through
// the real window on a stand-in web view (which announces every address at once, as the
// engine does). Prints the time per navigation over the first and the last thousand, so a
// cost that grows with the lists shows as a ratio above 1, and the heap each navigation to a
// new address leaves in use (the history's and the address list's cost per entry).
//
// Usage: wb_navigation_bench [model navigations] [window navigations]  (100000 and 10000);
// the window part needs a display (scripts/bench.sh runs it under Xvfb when there is none).
#include <gtk/gtk.h>
#include <gtkmm/label.h>
#include <gtkmm/main.h>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/web_form_model.h"
#include "shell/web_form.h"

namespace {

using Clock = std::chrono::steady_clock;

// The bytes the allocator has handed out and not had back.
double HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

wb::Text Address(int i) {
  return wb::Ascii("http://shop.example/catalogue/item/" + std::to_string(i) + "?ref=bench");
}

// Microseconds per navigation over the first and the last thousand of `times` (the time at
// which each navigation ended, the start first).
void Report(const char* what, const std::vector<Clock::time_point>& times, double heapBytes) {
  const std::size_t n = times.size() - 1;
  const std::size_t k = std::min<std::size_t>(1000, n);
  auto perNavigation = [&](std::size_t from) {
    return std::chrono::duration<double, std::micro>(times[from + k] - times[from]).count() /
           static_cast<double>(k);
  };
  const double first = perNavigation(0), last = perNavigation(n - k);
  std::printf(
      "%-28s %7zu navigations: first %zu %8.2f us, last %zu %8.2f us, ratio %.2f, heap %.0f bytes "
      "per navigation\n",
      what, n, k, first, k, last, last / first, heapBytes / static_cast<double>(n));
}

// The model with the smallest host there is: the web view announces what it is asked for.
class ModelHost : public wb::WebFormHost {
 public:
  bool Navigate(const wb::Text& address) override {
    model->webBeforeNavigate2(address);
    return true;
  }
  bool LeavePromptOpen() const override { return false; }
  wb::Text LocationURL() const override { return {}; }
  void AddrTextChanged(const wb::Text&) override {}
  void StatusChanged(const wb::Text&) override {}
  void RecentMovedToTop(const wb::Text&, std::optional<std::size_t>) override {}
  void HistoryChanged() override {}
  void LinksChanged() override {}
  wb::WebFormModel* model = nullptr;
};

void ModelNavigations(int count) {
  ModelHost host;
  wb::WebFormModel model(host);
  host.model = &model;
  std::vector<Clock::time_point> times;
  times.reserve(static_cast<std::size_t>(count) + 1);
  const double heap = HeapInUse();
  times.push_back(Clock::now());
  for (int i = 0; i < count; ++i) {
    model.go(Address(i));
    times.push_back(Clock::now());
  }
  Report("model", times, HeapInUse() - heap);
}

// A web view without an engine: it announces each address at once.
class StandInView : public wb::WebView {
 public:
  Gtk::Widget& widget() override { return label_; }
  void Load(const wb::Text& address) override {
    location_ = address;
    if (onBeforeNavigate) onBeforeNavigate(address);
    if (onProgressChange) onProgressChange(0, 0);
  }
  void Stop() override {}
  void Save() override {}
  void Print() override {}
  wb::Text LocationURL() const override { return location_; }

 private:
  Gtk::Label label_{"stand-in"};
  wb::Text location_;
};

class StandInFactory : public wb::WebViewFactory {
 public:
  std::unique_ptr<wb::WebView> Create(wb::WebView*) override {
    return std::make_unique<StandInView>();
  }
};

void WindowNavigations(int count) {
  StandInFactory factory;
  wb::WebFormServices services;
  services.views = &factory;
  wb::TWebForm form(services);
  form.FormCreate();
  form.show();
  auto idle = [] {
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
  };
  idle();
  std::vector<Clock::time_point> times;
  times.reserve(static_cast<std::size_t>(count) + 1);
  const double heap = HeapInUse();
  times.push_back(Clock::now());
  for (int i = 0; i < count; ++i) {
    form.go(Address(i));
    idle();  // the actions' update and the drawing the navigation asked for
    times.push_back(Clock::now());
  }
  Report("window (stand-in web view)", times, HeapInUse() - heap);
}

}  // namespace

int main(int argc, char** argv) {
  const int modelCount = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int windowCount = argc > 2 ? std::atoi(argv[2]) : 10000;
  if (modelCount > 1000) ModelNavigations(modelCount);
  if (windowCount > 1000) {
    if (!gtk_init_check(&argc, &argv)) {
      std::fprintf(stderr, "wb_navigation_bench: no display; the window part is skipped\n");
      return 0;
    }
    Gtk::Main::init_gtkmm_internals();
    WindowNavigations(windowCount);
  }
  return 0;
}
