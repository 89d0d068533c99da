#pragma once
// Find in page, zoom and the page's context menu of one WebKitGTK view, and the engine
// settings they depend on (the inspector, spell checking).
#include <cstddef>
#include <deque>
#include <memory>

#include "engine/web_view.h"
#include "storage/window_config.h"
#include "support/text.h"

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitSettings WebKitSettings;
typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitContextMenu WebKitContextMenu;
typedef struct _WebKitHitTestResult WebKitHitTestResult;

namespace wb {

class WebKitPageTools {
 public:
  // `owner` is the web view whose events (onFindCounted, onNewWindow) and commands
  // (pageCommand) these tools use; both must outlive the tools.
  WebKitPageTools(WebKitWebView* view, WebView& owner);
  ~WebKitPageTools();
  WebKitPageTools(const WebKitPageTools&) = delete;
  WebKitPageTools& operator=(const WebKitPageTools&) = delete;

  void FindText(const Text& text, bool matchCase, int maxCount);
  void FindNext(bool forward);
  void FindEnd();
  void SetZoomPercent(int percent);
  int ZoomPercent() const;

  // What an item of the context menu does once chosen; public for the menu's callbacks.
  struct MenuChoice;

 private:
  enum class Reply { kNewSearch, kMove };
  // Puts the window's Back, Forward, Stop and Reload in place of the engine's, which would use
  // the engine's own history, opens a link "in a new window" as a new-window request of the
  // page, and leaves the inspector's item out unless the developer extras are on.
  void EditMenu(WebKitContextMenu* menu, WebKitHitTestResult* hit);
  void ReportCount(unsigned count);
  void Expect(Reply reply);

  WebKitWebView* view_;
  WebView& owner_;
  int maxCount_ = 0;
  // The engine's answers still to come, oldest first: typing sends a new search with every
  // letter, and the answers of the earlier ones arrive after the later ones were sent.
  static constexpr std::size_t kMaxRepliesAwaited = 64;
  std::deque<Reply> replies_;
  // The menu's items reach the tools through this; it is cleared when the tools go, so an
  // item chosen after that does nothing.
  std::shared_ptr<WebKitPageTools*> alive_;
};

// The configuration keys of the engine's settings for these tools: "devtools" (the inspector's
// "Inspect Element" in the context menu, off unless true) and "spell" (spell checking of text
// fields in the locale's languages that have a dictionary, on unless false).
void ApplyPageToolsConfig(WebKitSettings* settings, WebKitWebContext* context,
                          const WindowConfig& config);

}  // namespace wb
