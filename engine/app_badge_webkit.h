#pragma once
// The page's own badge on the engine: navigator.setAppBadge and navigator.clearAppBadge for
// the pages of the copy's own hosts, and the messages they send, checked before they become
// the view's onAppBadge event. What the badge then shows is decided in support/app_badge.h.
#include <glib.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "support/app_badge.h"
#include "support/rate_limit.h"

typedef struct _WebKitSettings WebKitSettings;
typedef struct _WebKitUserContentManager WebKitUserContentManager;
typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitJavascriptResult WebKitJavascriptResult;

namespace wb {

// Once for each content manager: the message handler the pages' badge script sends to. It
// lives in a script world of its own, so that no page can reach it with a message of its own
// making; only our script there can, which runs on the copy's own hosts alone.
void RegisterAppBadgeHandler(WebKitUserContentManager* content);

// The engine's own badge functions, should a version have them on, are turned off in
// `settings`: they would be on every site's pages and reach no launcher.
void TurnOffEngineAppBadge(WebKitSettings* settings);

// The badge functions for the pages of `startHost` and the "internal" hosts (main frame only,
// from the start of each document), replacing none of the other scripts: call it after
// ApplyPageAdditions, which removes every script.
void ApplyAppBadgeScripts(WebKitUserContentManager* content, const std::string& startHost,
                          const HostPatterns& internal);

// The badge messages as one view takes them: from its content manager, which every view of the
// factory shares, only while the view itself shows a page of the copy's own hosts. At most
// kPerSecond of them in a second become events; beyond that the last value waits and follows
// as soon as the limit lets it, so the badge ends at the page's last word. The signal and the
// timer go with the object.
class PageBadgeMessages {
 public:
  static constexpr std::size_t kPerSecond = 30;
  PageBadgeMessages(WebKitWebView* view, const std::string& startHost, const HostPatterns& internal,
                    std::function<void(const AppBadge&)> badge);
  ~PageBadgeMessages();
  PageBadgeMessages(const PageBadgeMessages&) = delete;
  PageBadgeMessages& operator=(const PageBadgeMessages&) = delete;

 private:
  static void Received(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer self);
  void Take(WebKitJavascriptResult* result);
  void Deliver(const AppBadge& badge);
  static gboolean Flush(gpointer self);

  WebKitWebView* view_;
  WebKitUserContentManager* content_;
  const std::string& startHost_;
  const HostPatterns& internal_;
  std::function<void(const AppBadge&)> badge_;
  RateLimit limit_{kPerSecond, std::chrono::seconds(1)};
  std::optional<AppBadge> waiting_;  // the last value beyond the limit
  guint timer_ = 0;                  // delivers `waiting_`
};

}  // namespace wb
