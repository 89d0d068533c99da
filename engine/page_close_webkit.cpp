// The view's end: the page asked before its window closes, and unloaded before the program
// ends, so that its last handlers run and what they send goes out.
#include <webkit2/webkit2.h>

#include <functional>
#include <utility>

#include "engine/webkit_view.h"

namespace wb {

// How long a page's process may take to say whether it asks before its window closes. A
// process that is busy or hung never answers; its window closes then, as a browser closes a
// tab whose page does not respond.
constexpr guint kCloseAnswerMs = 5000;

void WebKitView::TryClose(std::function<void()> close) {
  // The person answers the question open first; asking again would only queue a second one.
  if (LeavePromptOpen()) return;
  // A close asked again before the page has answered waits for the same answer.
  const bool asking = static_cast<bool>(closeAsked_);
  closeAsked_ = std::move(close);
  if (asking) return;
  askedBeforeClose_ = leavePrompt_->Asked();
  if (closeGuard_) g_source_remove(closeGuard_);
  closeGuard_ = g_timeout_add(kCloseAnswerMs, CloseUnanswered, this);
  // The engine runs the page's beforeunload handler; the question it may ask comes as a
  // script dialog (leave_prompt_webkit.cpp), and the "close" signal once the page may go.
  webkit_web_view_try_close(view());
}

gboolean WebKitView::CloseUnanswered(gpointer data) {
  auto* self = static_cast<WebKitView*>(data);
  self->closeGuard_ = 0;
  // A question the page asked waits for the person, however long they take.
  if (self->closeAsked_ && self->leavePrompt_->Asked() == self->askedBeforeClose_)
    self->PageMayClose();
  return G_SOURCE_REMOVE;
}

void WebKitView::PageMayClose() {
  if (closeGuard_) g_source_remove(closeGuard_);
  closeGuard_ = 0;
  // The close may destroy this view.
  if (auto close = std::exchange(closeAsked_, nullptr)) close();
}

// How long the program waits, as it ends, for a page's last handlers and what they send. A
// page without such handlers is gone in a few milliseconds; a beacon to a server that does not
// answer must not keep the program on the screen.
constexpr guint kUnloadMs = 1000;
// What the view shows once its page has gone.
constexpr char kUnloadedPage[] = "about:blank";

namespace {

// A request that started while the page unloaded, until it ends.
struct UnloadRequest {
  std::shared_ptr<WebKitView*> view;
  bool ended = false;
};

}  // namespace

void WebKitView::Unload(std::function<void()> done) {
  const bool unloading = static_cast<bool>(unloaded_);
  unloaded_ = std::move(done);
  if (unloading) return;
  blankShown_ = false;
  unloadRequests_ = 0;
  // The person let the page go already (TryClose), or no one is asked.
  leavePrompt_->LeaveUnasked();
  unloadGuard_ = g_timeout_add(kUnloadMs, UnloadTimedOut, this);
  g_signal_connect(view(), "load-changed", G_CALLBACK(OnUnloadLoadChanged), this);
  g_signal_connect(
      view(), "load-failed",
      G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar* address, GError*, gpointer data) {
        // The empty page failing (never seen) ends the wait as its load would; a
        // load of the page cut short by it does not.
        auto* self = static_cast<WebKitView*>(data);
        if (!address || std::string_view(address) != kUnloadedPage) return gboolean{FALSE};
        self->blankShown_ = true;
        self->UnloadStep();
        return gboolean{FALSE};
      }),
      this);
  g_signal_connect(view(), "resource-load-started", G_CALLBACK(OnUnloadResource), this);
  // Leaving the page for an empty one runs its "pagehide" and "unload" handlers, as the
  // engine's own close of the view would, but while the engine's processes still run to
  // send what the handlers send.
  webkit_web_view_load_uri(view(), kUnloadedPage);
}

void WebKitView::OnUnloadLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<WebKitView*>(data);
  const char* address = webkit_web_view_get_uri(view);
  if (event != WEBKIT_LOAD_FINISHED || !self->unloaded_ || !address ||
      std::string_view(address) != kUnloadedPage)
    return;
  self->blankShown_ = true;
  self->UnloadStep();
}

void WebKitView::OnUnloadResource(WebKitWebView*, WebKitWebResource* resource, WebKitURIRequest*,
                                  gpointer data) {
  auto* self = static_cast<WebKitView*>(data);
  if (!self->unloaded_) return;
  ++self->unloadRequests_;
  auto* request = new UnloadRequest{self->alive_};
  g_object_set_data_full(G_OBJECT(resource), "wb-unload-request", request,
                         [](gpointer p) { delete static_cast<UnloadRequest*>(p); });
  g_signal_connect(resource, "finished",
                   G_CALLBACK(+[](WebKitWebResource*, gpointer r) { UnloadRequestEnded(r); }),
                   request);
  g_signal_connect(
      resource, "failed",
      G_CALLBACK(+[](WebKitWebResource*, GError*, gpointer r) { UnloadRequestEnded(r); }), request);
}

void WebKitView::UnloadRequestEnded(void* data) {
  auto* request = static_cast<UnloadRequest*>(data);
  if (request->ended) return;
  request->ended = true;
  if (WebKitView* view = *request->view) {
    --view->unloadRequests_;
    view->UnloadStep();
  }
}

gboolean WebKitView::UnloadTimedOut(gpointer data) {
  auto* self = static_cast<WebKitView*>(data);
  self->unloadGuard_ = 0;
  self->blankShown_ = true;
  self->unloadRequests_ = 0;
  self->UnloadStep();
  return G_SOURCE_REMOVE;
}

void WebKitView::UnloadStep() {
  if (!unloaded_ || !blankShown_ || unloadRequests_ > 0) return;
  if (unloadGuard_) g_source_remove(unloadGuard_);
  unloadGuard_ = 0;
  // `done` may end the program or destroy this view.
  std::exchange(unloaded_, nullptr)();
}

}  // namespace wb
