#pragma once
// A web view for window tests: records every call and raises events on demand, so window
// logic can be tested on real GTK widgets without the engine.
#include <gtkmm/eventbox.h>
#include <gtkmm/label.h>

#include <stdexcept>
#include <vector>

#include "engine/web_view.h"

namespace wbtest {

class FakeWebView : public wb::WebView {
 public:
  // It takes the keyboard's focus, as the engine's view does.
  FakeWebView() {
    page_.set_can_focus(true);
    page_.add(label_);
    label_.show();
  }
  Gtk::Widget& widget() override { return page_; }

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
  bool IsLoading() const override { return loading; }
  void FindText(const wb::Text& text, bool matchCase, int) override {
    finds.push_back(text);
    findMatchCase = matchCase;
  }
  void FindNext(bool forward) override { ++(forward ? findNexts : findPrevious); }
  void FindEnd() override { ++findEnds; }
  void SetZoomPercent(int percent) override { zoom = percent; }
  int ZoomPercent() const override { return zoom; }
  void RaiseFindCounted(int matches) {
    if (onFindCounted) onFindCounted(matches);
  }
  void RaiseNewWindow(const wb::Text& address) {
    if (onNewWindow) onNewWindow(address);
  }
  void RaiseExternalNavigation(const wb::Text& address) {
    if (onExternalNavigation) onExternalNavigation(address);
  }
  // The view the window made for the request, or null when it refused it.
  wb::WebView* RaiseChildWindow(const wb::Text& address) {
    return onChildWindow ? onChildWindow(address) : nullptr;
  }
  void RaiseReadyToShow() {
    if (onReadyToShow) onReadyToShow();
  }
  void RaiseCloseRequest() {
    if (onCloseRequest) onCloseRequest();
  }
  void RaiseTitleChanged(const wb::Text& newTitle) {
    title = newTitle;
    if (onTitleChanged) onTitleChanged(newTitle);
  }
  wb::Text Title() const override { return title; }

  // The addresses loaded, in order, as Navigate resolved them ("example.org" is loaded as
  // "http://example.org"), the way the engine is given them.
  std::vector<wb::Text> navigated;
  wb::Text location;
  wb::Text title;
  int stops = 0;
  int saves = 0;
  int prints = 0;
  bool raiseOnNavigate = true;
  bool leavePromptOpen = false;
  std::string failure;  // when set, Save and Print throw it
  bool loading = false;
  std::vector<wb::Text> finds;  // the texts sought, in order
  bool findMatchCase = false;
  int findNexts = 0, findPrevious = 0, findEnds = 0;
  int zoom = 100;

 protected:
  // Like the engine, raises before-navigate for the address (unless raiseOnNavigate is
  // false), then makes it the location.
  void Load(const wb::Text& resolved) override {
    navigated.push_back(resolved);
    if (raiseOnNavigate) RaiseBeforeNavigate(resolved);
    location = resolved;
  }

 private:
  Gtk::EventBox page_;
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
