#pragma once
// The desktop notifications of one WebKitGTK view's pages: each under the copy's name and
// icon; a click on one brings the window to the front and tells the page.
#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/desktop_notification.h"
#include "platform/glib_ptr.h"
#include "support/rate_limit.h"

namespace wb {

class PageNotifications {
 public:
  // The notifications carry `appName` and `icon` (may be empty), as they are when each is
  // shown; they and `view` must outlive this.
  PageNotifications(WebKitWebView* view, const std::string& appName, const std::string& icon);
  // The notifications still shown stay on the desktop; the page no longer hears of them.
  ~PageNotifications();
  PageNotifications(const PageNotifications&) = delete;
  PageNotifications& operator=(const PageNotifications&) = delete;

 private:
  struct Entry {
    GObjectPtr<WebKitNotification> page;
    std::unique_ptr<DesktopNotification> shown;
  };
  // A page's notifications on the desktop at once: the oldest is closed when another comes, so
  // a page that notifies in a loop leaves no more than these behind.
  static constexpr size_t kMaxShown = 3;
  // A page that notifies faster than this loses the rest, as a page that opens windows does.
  RateLimit rate_{5, std::chrono::seconds(10)};

  static gboolean OnShow(WebKitWebView*, WebKitNotification* notification, gpointer data);
  static void OnClosedByPage(WebKitNotification* notification, gpointer data);
  static gboolean ForgetClosed(gpointer data);
  std::vector<std::unique_ptr<Entry>>::iterator Find(WebKitNotification* notification);
  void Forget(std::vector<std::unique_ptr<Entry>>::iterator entry);
  // Takes the entry's notification off the desktop and tells the page it closed.
  void CloseOldest();

  WebKitWebView* view_;
  const std::string& appName_;
  const std::string& icon_;
  std::vector<std::unique_ptr<Entry>> entries_;
  std::vector<WebKitNotification*> closedOnDesktop_;  // to forget from the main loop
  guint forgetIdle_ = 0;
};

}  // namespace wb
