#pragma once
// The web view as the windows see it: one engine behind a small interface, so that the
// windows can be tested with a fake and the engine's quirks stay in the engine's layer.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "storage/value_list.h"
#include "storage/window_config.h"
#include "support/app_badge.h"
#include "support/page_error.h"
#include "support/permissions.h"
#include "support/text.h"

namespace Gtk {
class Widget;
}

namespace wb {

class WebView;

// What the web view tells the window that shows it, and asks of it. A window sets them as a
// whole (WebView::SetEvents) and clears them as a whole, so that no handler is left behind
// when the window goes away. An empty one is not called.
struct WebViewEvents {
  // Only navigations of the main frame are before-navigate events.
  std::function<void(const Text& address)> onBeforeNavigate;
  // (percent, 100) while loading, (0, 0) when the load has ended.
  std::function<void(int progress, int progressMax)> onProgressChange;
  // The last navigation announced by onBeforeNavigate did not happen after all: the person
  // chose to stay on a page that asked before being left, or the engine turned it into a
  // download. The page shown before it is still shown. (A navigation that another one
  // replaced is not called off: the other one was announced too.)
  std::function<void()> onNavigationCalledOff;
  // A load failed, or the main resource was answered with HTTP status 400 or above.
  std::function<void(const Text& address, int statusCode)> onNavigateError;
  // A link or script asked for a new window, and it is not one for a child window (below).
  std::function<void(const Text& address)> onNewWindow;

  // --- The "internal" key: links that stay in and links that leave -------------------------
  // The engine decides with the host patterns of the factory's configuration
  // (DecideNavigation); without the key neither event is raised.

  // A navigation of the main frame that the page started (a link, a form, a script) towards a
  // host outside the patterns. It does not happen in the view: the page shown stays, no
  // before-navigate event is raised for it, and the address is the handler's to open
  // elsewhere. Without a handler every navigation proceeds in the view, as in a child window,
  // whose sign-in pages pass through the partner's hosts and redirects.
  std::function<void(const Text& address)> onExternalNavigation;
  // A new-window request (target=_blank, window.open) towards a host inside the patterns. The
  // handler makes a view with the factory's Create(this view), so that it shares this view's
  // web process and session and the page keeps window.opener, puts it into a window of its
  // own and returns it; the engine then loads the address into it. Returning null refuses the
  // request. Without a handler the request goes to onNewWindow.
  std::function<WebView*(const Text& address)> onChildWindow;
  // A page opened a window without an address (window.open() or "about:blank"), to send it
  // somewhere later. The handler makes a view as for onChildWindow, puts it into a window that
  // stays hidden until the view is ready to be shown, and returns it (null refuses). The view
  // decides by its first address whether it becomes a child window or hands the address on and
  // asks to be closed; one that is never sent anywhere nor written to asks to be closed too.
  std::function<WebView*()> onBlankWindow;
  // A view made for a new-window request has its page ready to be shown.
  std::function<void()> onReadyToShow;
  // The page asked to close its window (window.close() of a window a page opened).
  std::function<void()> onCloseRequest;
  // The page's title changed.
  std::function<void(const Text& title)> onTitleChanged;
  // A page of the copy's own hosts set or cleared its badge (navigator.setAppBadge and
  // navigator.clearAppBadge); the engine has checked the value and where it came from.
  std::function<void(const AppBadge& badge)> onAppBadge;
  // Status text of a download or other engine activity the window may show.
  std::function<void(const Text& status)> onStatusText;
  // The view shows an explanation of ours instead of the page asked for (its certificate
  // could not be verified, the network failed, the page's process ended), or, with null, a
  // page has loaded again.
  std::function<void(const PageError* error)> onPageError;
  // The page asks for a permission. `answer` may be called later, at most once; a request
  // never answered is refused when the view goes away. Without a handler every request is
  // refused.
  std::function<void(const PermissionRequest& request, std::function<void(bool allow)> answer)>
      onPermissionRequest;
  // A page asks whether it has a permission, without asking for it: true or false when the
  // answer is known, none when the page would have to ask.
  std::function<std::optional<bool>(const std::string& origin, PermissionKind kind)>
      onPermissionState;

  // Find in page: the matches of FindText, counted.
  std::function<void(int matches)> onFindCounted;

  // The window's own commands that the page's context menu offers in place of the engine's,
  // which would use the engine's history: each with its enabled state and what it runs.
  enum class PageCommand { kBack, kForward, kStop, kReload };
  struct PageCommandState {
    Text caption;
    bool enabled = false;
    std::function<void()> run;
  };
  std::function<PageCommandState(PageCommand command)> pageCommand;
};

class WebView : public WebViewEvents {
 public:
  virtual ~WebView() = default;

  // The widget to put into a window.
  virtual Gtk::Widget& widget() = 0;

  // Starts loading an address. Partial addresses are resolved as a browser's address bar
  // does (ResolveAddress): without a scheme, an existing file path becomes a file URI,
  // anything else gets "http://". Returns whether a navigation started: an address of blanks
  // only starts none. Every implementation is given the resolved address, so the engine and
  // the fake of the tests load the same one.
  bool Navigate(const Text& address);
  virtual void Stop() = 0;
  // Asks where to save the page, then saves it. Throws std::runtime_error on failure.
  virtual void Save() = 0;
  // Shows the print dialog. Throws std::runtime_error on failure.
  virtual void Print() = 0;
  // The address of the page shown now.
  virtual Text LocationURL() const = 0;
  // While the page asks whether the person really wants to leave it, no other navigation
  // should start: it would only queue a second question.
  virtual bool LeavePromptOpen() const { return false; }
  // Closing the page's window: the page is asked first as a navigation away asks it
  // ("beforeunload"), and `close` runs once it may go, at once for a page that does not ask,
  // after the person's answer for one that does. When the person stays, `close` never runs;
  // a later TryClose replaces it. While a question is open nothing more is asked. Views
  // without pages of their own (the tests' fake) close at once.
  virtual void TryClose(std::function<void()> close) { close(); }
  // The page goes for good, unasked, while the program still runs: its "pagehide" and
  // "unload" handlers run and what they send (a beacon) is on its way before `done` runs, or
  // once a short limit has passed. For the main window's page after TryClose has let it go:
  // the program ends after `done`, and a request still under way then would be lost with it.
  // The view shows an empty page afterwards. Views without pages of their own call `done` at
  // once.
  virtual void Unload(std::function<void()> done) { done(); }

  // The page's title.
  virtual Text Title() const { return {}; }

  // --- Find in page, zoom, the page's context menu -----------------------------------------
  // Views without them (the info banner's, the tests' fake) keep the defaults.

  // Whether a page is being loaded.
  virtual bool IsLoading() const { return false; }
  // Searches the page for `text` (not empty), highlighting the matches and scrolling to the
  // first, wrapping around at the end; the matches are counted (up to `maxCount`, more give
  // maxCount + 1) and reported through onFindCounted.
  virtual void FindText(const Text& text, bool matchCase, int maxCount) {
    (void)text, (void)matchCase, (void)maxCount;
  }
  // The next or previous match of the last FindText, wrapping around.
  virtual void FindNext(bool forward) { (void)forward; }
  // Ends the search: the highlighting goes.
  virtual void FindEnd() {}
  // The page's zoom in percent, text and pictures together.
  virtual void SetZoomPercent(int percent) { (void)percent; }
  virtual int ZoomPercent() const { return 100; }

  // Sets every event at once: the handlers of the window that shows the view. Events the
  // window does not handle are left empty in `events`, so none is left over from before.
  void SetEvents(WebViewEvents events) { static_cast<WebViewEvents&>(*this) = std::move(events); }
  // The view's events reach no one any more: the window that handled them is going away.
  void ClearEvents() { SetEvents({}); }

 protected:
  // Starts loading a resolved address: one with a scheme, never empty.
  virtual void Load(const Text& resolved) = 0;
};

// Creates web views. The program uses the engine; tests substitute a fake.
class WebViewFactory {
 public:
  virtual ~WebViewFactory() = default;
  // `related` (may be null) is a view whose web process the new view should share.
  virtual std::unique_ptr<WebView> Create(WebView* related) = 0;
  // Applies the engine settings of the window's configuration to every view of this factory,
  // those made already included. The window calls it once it has read its configuration, and
  // before its first navigation.
  virtual void ApplyConfig(const WindowConfig& config) { (void)config; }
  // Removes everything the views' sites stored (cookies, storage, caches) and the HTTP sign-ins
  // the engine holds, then calls `done` with an empty text, or with what went wrong.
  virtual void ClearWebsiteData(std::function<void(const std::string& error)> done) {
    done("this web view keeps no website data");
  }

  // Desktop notifications of the views' pages carry this name and icon (an icon name or a
  // file path; empty: none).
  std::string notificationAppName;
  std::string notificationIcon;
  // The origins whose pages may, and may not, show notifications without asking, for each
  // new web process of the views: a page reads it as Notification.permission.
  std::function<void(std::vector<std::string>& allowed, std::vector<std::string>& blocked)>
      notificationOrigins;
};

}  // namespace wb
