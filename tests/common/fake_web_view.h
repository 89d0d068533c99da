#pragma once
// A web view for window tests: records every call and raises events on demand, so window
// logic can be tested on real GTK widgets without the engine.
#include <gtkmm/label.h>

#include <stdexcept>
#include <vector>

#include "engine/web_view.h"

namespace wbtest {

class FakeWebView : public wb::WebView {
 public:
  Gtk::Widget& widget() override { return label_; }

  // Navigate records the address and, like the engine, raises before-navigate for it
  // (unless raiseOnNavigate is false), then makes it the location.
  // Like the engine, it starts nothing for an address of blanks only.
  bool Navigate(const wb::Text& address) override {
    if (address.find_first_not_of(u" \t\r\n") == wb::Text::npos) return false;
    navigated.push_back(address);
    if (raiseOnNavigate) RaiseBeforeNavigate(address);
    location = address;
    return true;
  }
  void Stop() override { ++stops; }
  void Save() override {
    ++saves;
    if (!failure.empty()) throw std::runtime_error(failure);
  }
  void Print() override {
    ++prints;
    if (!failure.empty()) throw std::runtime_error(failure);
  }
  wb::Text LocationURL() const override { return location; }

  void RaiseBeforeNavigate(const wb::Text& address) {
    if (onBeforeNavigate) onBeforeNavigate(address);
  }
  void RaiseProgress(int progress, int progressMax) {
    if (onProgressChange) onProgressChange(progress, progressMax);
  }
  void RaiseNavigateError(const wb::Text& address, int status) {
    if (onNavigateError) onNavigateError(address, status);
  }
  void RaiseNavigationCalledOff() {
    if (onNavigationCalledOff) onNavigationCalledOff();
  }
  bool LeavePromptOpen() const override { return leavePromptOpen; }
  void RaiseNewWindow(const wb::Text& address) {
    if (onNewWindow) onNewWindow(address);
  }

  std::vector<wb::Text> navigated;
  wb::Text location;
  int stops = 0;
  int saves = 0;
  int prints = 0;
  bool raiseOnNavigate = true;
  bool leavePromptOpen = false;
  std::string failure;  // when set, Save and Print throw it

 private:
  Gtk::Label label_{"fake web view"};
};

class FakeWebViewFactory : public wb::WebViewFactory {
 public:
  std::unique_ptr<wb::WebView> Create(wb::WebView* related) override {
    auto view = std::make_unique<FakeWebView>();
    created.push_back(view.get());
    relatedOf.push_back(related);
    return view;
  }
  std::vector<FakeWebView*> created;  // not owned
  std::vector<wb::WebView*> relatedOf;
};

}  // namespace wbtest
