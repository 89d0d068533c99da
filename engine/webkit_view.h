#pragma once
// The web view on WebKitGTK: the engine's widget, its signals mapped to the navigation
// tracker's inputs and the web view's events, and the tracker's commands carried out. What the
// view does besides (save and print, downloads, notifications, permissions, the question before
// a page is left, find and zoom) is
// each in a file of its own. Every engine signal is disconnected in the destructor, before the
// widget goes, so no callback reaches a destroyed view.
#include <gtkmm/widget.h>
#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/app_badge_webkit.h"
#include "engine/download.h"
#include "engine/leave_prompt_webkit.h"
#include "engine/page_notifications_webkit.h"
#include "engine/page_saving_webkit.h"
#include "engine/page_tools_webkit.h"
#include "engine/web_view.h"
#include "engine/web_view_webkit.h"
#include "model/blank_window.h"
#include "model/navigation_tracker.h"
#include "platform/glib_ptr.h"

namespace wb {

class WebKitView : public WebView, private NavigationHost {
 public:
  // `related` (may be null) is the view whose web process and session this one shares.
  WebKitView(const WebKitViewFactory& factory, WebKitView* related);
  ~WebKitView() override;

  Gtk::Widget& widget() override { return *widget_; }
  void Stop() override { webkit_web_view_stop_loading(view()); }
  void Save() override { saving_->Save(); }
  void Print() override { saving_->Print(); }
  Text LocationURL() const override;
  bool LeavePromptOpen() const override { return leavePrompt_ && leavePrompt_->Open(); }
  void TryClose(std::function<void()> close) override;
  void Unload(std::function<void()> done) override;
  Text Title() const override;
  bool IsLoading() const override { return webkit_web_view_is_loading(view()); }
  void FindText(const Text& text, bool matchCase, int maxCount) override {
    tools_->FindText(text, matchCase, maxCount);
  }
  void FindNext(bool forward) override { tools_->FindNext(forward); }
  void FindEnd() override { tools_->FindEnd(); }
  void SetZoomPercent(int percent) override { tools_->SetZoomPercent(percent); }
  int ZoomPercent() const override { return tools_->ZoomPercent(); }

  WebKitWebView* view() const { return view_.get(); }
  // Makes this view, just made for a page's window.open without an address, a blank window
  // of `opener` (blank_window_webkit.cpp): its first address decides what it becomes.
  void AwaitFirstAddress(WebKitView& opener);

 protected:
  void Load(const Text& resolved) override;

 private:
  // NavigationHost.
  std::string EngineAddress() const override;
  void EngineLoad(const std::string& address) override;
  void EngineShowPage(const OwnPage& page) override;
  void EngineAllowCertificate(const std::string& host, const std::string& fingerprint) override;
  void EngineRunLater() override;
  std::string NewSecret() override;
  std::int64_t NowMs() const override;
  void BeforeNavigate(const std::string& address) override;
  void NavigationCalledOff() override;
  void NavigateError(const std::string& address, int httpStatus) override;
  void PageErrorChanged(const PageError* error) override;
  void ExternalNavigation(const std::string& address) override;
  void LoadEnded() override;

  void Connect();
  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data);
  static void OnUriChanged(WebKitWebView* view, GParamSpec*, gpointer data);
  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                               gpointer data);
  static gboolean OnTlsErrors(WebKitWebView*, const gchar* failingUri, GTlsCertificate* certificate,
                              GTlsCertificateFlags errors, gpointer data);
  static void OnProgress(WebKitWebView* view, GParamSpec*, gpointer data);
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer data);
  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer data);
  static void OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                     gpointer data);
  static void OnNetworkChanged(GNetworkMonitor*, gboolean available, gpointer data);
  static gboolean RunDeferred(gpointer data);
  // Follows whether the window the view is in has the focus, for our pages' button.
  static void OnHierarchyChanged(GtkWidget* widget, GtkWidget*, gpointer data);
  static void OnWindowActive(GtkWindow* window, GParamSpec*, gpointer data);
  void WatchWindow(GtkWindow* window);
  // Whether a new-window request for `uri` opens a child window of ours.
  bool OpensChildWindow(const char* uri) const;

  // The blank window's rules (blank_window_webkit.cpp). Each returns whether it took the
  // engine's decision itself.
  bool BlankNavigation(WebKitPolicyDecision* decision, const char* uri);
  bool BlankDownload(WebKitPolicyDecision* decision, const char* uri);
  void BlankStep(BlankWindow::Step step, const std::string& address = {});
  static gboolean LookAtBlank(gpointer data);

  const WebKitViewFactory& factory_;
  GObjectPtr<WebKitWebView> view_;
  Gtk::Widget* widget_ = nullptr;  // wrapper owned by the GTK object
  NavigationTracker tracker_;
  guint deferredIdle_ = 0;       // the idle source that runs the tracker's deferred tasks
  GtkWindow* window_ = nullptr;  // the window whose focus is followed (a weak pointer)
  // The certificate the engine refused last, which the person or the trust key may accept.
  GObjectPtr<GTlsCertificate> refusedCertificate_;
  std::string refusedFingerprint_;
  std::unique_ptr<LeavePrompt> leavePrompt_;
  std::unique_ptr<PageSaving> saving_;
  std::unique_ptr<PageDownloads> downloads_;
  std::unique_ptr<PageNotifications> notifications_;
  std::unique_ptr<WebKitPageTools> tools_;            // find, zoom, context menu
  std::unique_ptr<PageBadgeMessages> badgeMessages_;  // the page's own badge
  // Set while the view is a blank window that a page opened; its opener may go first.
  std::unique_ptr<BlankWindow> blank_;
  std::weak_ptr<WebKitView*> opener_;
  guint blankLook_ = 0;  // the timer that looks at what the page wrote into it
  // A close asked with TryClose, until the engine lets the page go or the person stays.
  std::function<void()> closeAsked_;
  guint closeGuard_ = 0;  // closes a page whose process never answers
  int askedBeforeClose_ = 0;
  static gboolean CloseUnanswered(gpointer data);
  void PageMayClose();
  // Unload: `unloaded_` runs once the empty page has replaced the page and the requests that
  // started meanwhile (its beacons) have ended, or at the limit.
  std::function<void()> unloaded_;
  guint unloadGuard_ = 0;
  bool blankShown_ = false;
  int unloadRequests_ = 0;
  static void OnUnloadLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data);
  static void OnUnloadResource(WebKitWebView*, WebKitWebResource* resource, WebKitURIRequest*,
                               gpointer data);
  static void UnloadRequestEnded(void* request);
  static gboolean UnloadTimedOut(gpointer data);
  void UnloadStep();
  // Cleared when the view goes, for the views it opened and the answers that come later.
  std::shared_ptr<WebKitView*> alive_ = std::make_shared<WebKitView*>(this);
};

}  // namespace wb
