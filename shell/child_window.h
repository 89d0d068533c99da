#pragma once
// TChildWindow: a window that a page opened for a host of the "internal" key, a sign-in pop-up
// most of the time. It holds the page alone, without bars, in a view that shares the opener's
// web process and session, so the page keeps window.opener and can send its opener the result.
// The page's window.close() closes it. Every navigation inside it proceeds: a sign-in passes
// through the partner's pages and redirects, and the window ends when the page is done.
#include <gtkmm/window.h>

#include <functional>
#include <memory>

#include "engine/web_view.h"
#include "support/text.h"

namespace wb {

class TChildWindow : public Gtk::Window {
 public:
  struct Hooks {
    // The child page's own new-window requests follow the main window's rules: an outside
    // host goes to the default browser, an inside one to a further child window. `page` is
    // the child's page that asked, which any question about it names.
    std::function<void(const Text& address, const Text& page)> openExternal;
    // An empty address is a window the page opened without one, which its view keeps hidden
    // until its first address or what the page writes into it decides.
    std::function<WebView*(WebView& opener, const Text& address)> openChild;
    // The status text of the child's page (a download's progress and end): the child has no
    // status bar of its own, so the main window shows it.
    std::function<void(const Text& status)> status;
    // The window is to go: its page called window.close(), or the person closed it and the
    // page, asked as when it is left, let it go. It is hidden already; the owner destroys it
    // later, from the main loop, since the call may come from within an engine callback of its
    // view.
    std::function<void(TChildWindow& window)> closed;
  };

  // A view related to `opener` from `views`; the engine loads `address` into it and the
  // window shows once the page is ready. `owner` (may be null) is the window it stays above.
  TChildWindow(WebViewFactory& views, WebView& opener, const Text& address, Gtk::Window* owner,
               Hooks hooks);
  ~TChildWindow() override;
  TChildWindow(const TChildWindow&) = delete;
  TChildWindow& operator=(const TChildWindow&) = delete;

  WebView& View() { return *web_; }
  // The page's address: the one asked for until the engine has one of its own.
  Text Address() const;
  // Whether the window is to go (hooks.closed was called).
  bool Closing() const { return closing_; }
  // Closes the window as its close button does, the page asked first: once the page lets it
  // go the window closes and `closed` runs. When the person stays on the page, neither happens.
  void AskToClose(std::function<void()> closed);

 protected:
  bool on_delete_event(GdkEventAny* event) override;

 private:
  void RequestClose();

  std::unique_ptr<WebView> web_;
  Hooks hooks_;
  Text asked_;
  bool closing_ = false;
};

}  // namespace wb
