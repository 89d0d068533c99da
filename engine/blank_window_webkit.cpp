// A window that a page opened without an address, on the engine: its first navigation is
// decided here by the blank window's rules (model/blank_window.h), what the page wrote into it
// is looked at until then, and a download it starts is handed to its opener, whose window
// asks where to save it and shows its progress.
#include <memory>
#include <string>

#include "engine/engine_terms_webkit.h"
#include "engine/webkit_view.h"

namespace wb {

namespace {
// How often a blank window is looked at while it waits.
constexpr guint kLookEveryMs = 200;
// True once the page has put anything into the window: an element, a text, a title.
constexpr const char kWrittenScript[] =
    "!!(document.title || (document.body && document.body.childNodes.length) || "
    "(document.head && document.head.childNodes.length))";
}  // namespace

void WebKitView::AwaitFirstAddress(WebKitView& opener) {
  blank_ = std::make_unique<BlankWindow>(NowMs(), factory_.blankWindowWaitMs);
  opener_ = opener.alive_;
  TraceNavigation("blank window");
  blankLook_ = g_timeout_add(kLookEveryMs, LookAtBlank, this);
}

gboolean WebKitView::LookAtBlank(gpointer data) {
  auto* self = static_cast<WebKitView*>(data);
  if (!self->blank_ || !self->blank_->Waiting() || self->blank_->Shown()) {
    self->blankLook_ = 0;
    return G_SOURCE_REMOVE;
  }
  webkit_web_view_evaluate_javascript(
      self->view(), kWrittenScript, -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<std::weak_ptr<WebKitView*>> alive(
            static_cast<std::weak_ptr<WebKitView*>*>(data));
        GPtr<GError> error;
        GObjectPtr<JSCValue> value(webkit_web_view_evaluate_javascript_finish(
            WEBKIT_WEB_VIEW(source), result, OutPtr(error)));
        const std::shared_ptr<WebKitView*> view = alive->lock();
        if (!view || !*view || !(*view)->blank_) return;
        const bool written =
            value && jsc_value_is_boolean(value.get()) && jsc_value_to_boolean(value.get());
        (*view)->BlankStep((*view)->blank_->Looked(written, (*view)->NowMs()));
      },
      new std::weak_ptr<WebKitView*>(self->alive_));
  return G_SOURCE_CONTINUE;
}

bool WebKitView::BlankNavigation(WebKitPolicyDecision* decision, const char* uri) {
  const std::string address = AddressOf(uri);
  const BlankWindow::Step step = blank_->Navigation(address, OpensChildWindow(uri));
  if (step == BlankWindow::Step::kNone) return false;
  TraceNavigation("blank window's first address", address);
  if (step == BlankWindow::Step::kSendOut) webkit_policy_decision_ignore(decision);
  BlankStep(step, address);
  return step == BlankWindow::Step::kSendOut;
}

bool WebKitView::BlankDownload(WebKitPolicyDecision* decision, const char* uri) {
  const BlankWindow::Step step = blank_->Download();
  if (step == BlankWindow::Step::kNone) return false;
  webkit_policy_decision_ignore(decision);
  BlankStep(step, AddressOf(uri));
  return true;
}

void WebKitView::BlankStep(BlankWindow::Step step, const std::string& address) {
  using Step = BlankWindow::Step;
  const std::shared_ptr<WebKitView*> opener = opener_.lock();
  WebKitView* from = opener && *opener ? *opener : nullptr;
  switch (step) {
    case Step::kNone:
    case Step::kLoadHere:
      return;
    case Step::kShow:
      if (onReadyToShow) onReadyToShow();
      return;
    case Step::kSendOut:
      // The opener asked for the address: its rules and questions apply, as for a pop-up it
      // opened with the address at once.
      if (from && from->onNewWindow)
        from->onNewWindow(FromUtf8(address));
      else if (onNewWindow)
        onNewWindow(FromUtf8(address));
      break;
    case Step::kDownloadInOpener:
    case Step::kDownloadInOpenerAndClose:
      if (from) webkit_web_view_download_uri(from->view(), address.c_str());
      if (step == Step::kDownloadInOpener) return;
      break;
    case Step::kClose:
      break;
  }
  TraceNavigation("blank window closed");
  if (onCloseRequest) onCloseRequest();
}

}  // namespace wb
