// The WebKitGTK view and its signal wiring. The navigation rules are the tracker's
// (model/navigation_tracker.h): the engine's signals become its inputs here, and its commands
// become engine calls.
#include <gtkmm/window.h>
#include <malloc.h>
#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/dialogs.h"
#include "engine/engine_terms_webkit.h"
#include "engine/http_auth_webkit.h"
#include "engine/permissions_webkit.h"
#include "engine/webkit_view.h"
#include "platform/resources.h"
#include "platform/tls_certificate.h"
#include "storage/random_bytes.h"
#include "storage/timeline.h"
#include "support/certificate.h"

namespace wb {

namespace {

GtkWidget* NewEngineView(const WebKitViewFactory& factory, WebKitView* related) {
  // Every view of the factory shares its settings, so that a setting the configuration changes
  // reaches the banner as well as the main view.
  // The copy's style and script are shared the same way.
  WebKitSettings* settings = factory.engineSettings();
  WebKitUserContentManager* content = factory.userContent();
  if (related)
    return GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", related->view(),
                                   "settings", settings, "user-content-manager", content, nullptr));
  WebKitWebContext* context = factory.engineContext();
  return GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context",
                                 context ? context : webkit_web_context_get_default(), "settings",
                                 settings, "user-content-manager", content, nullptr));
}

}  // namespace

void ApplyPageBackground(WebKitWebView* view, std::int32_t color) {
  // A dark site would flash white between the window's first frame and its own first paint;
  // the view shows the site's background colour instead until then. Without the key the
  // engine's own white stays.
  if (color <= 0) return;
  const GdkRGBA rgba{(color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                     ((color >> 16) & 0xFF) / 255.0, 1.0};
  webkit_web_view_set_background_color(view, &rgba);
}

WebKitView::WebKitView(const WebKitViewFactory& factory, WebKitView* related)
    : factory_(factory),
      view_(WEBKIT_WEB_VIEW(g_object_ref_sink(NewEngineView(factory, related)))),
      tracker_(*this, factory.internalHosts(), [this] { return bool(onExternalNavigation); }) {
  widget_ = Glib::wrap(GTK_WIDGET(view()));
  ApplyPageBackground(view(), factory_.pageBackground());
  factory_.AddView(view());
  Connect();
  saving_ = std::make_unique<PageSaving>(view(), factory_);
  downloads_ = std::make_unique<PageDownloads>(view(), factory_, [this](const std::string& s) {
    if (onStatusText) onStatusText(FromUtf8(s));
  });
  notifications_ = std::make_unique<PageNotifications>(view(), factory_.notificationAppName,
                                                       factory_.notificationIcon);
  leavePrompt_ = std::make_unique<LeavePrompt>(view(), factory_, [this] {
    // Staying when the window was to close calls off the close, not a navigation.
    if (closeAsked_) {
      closeAsked_ = nullptr;
      return;
    }
    tracker_.PersonStayed();
  });
  tools_ = std::make_unique<WebKitPageTools>(view(), *this);
  badgeMessages_ = std::make_unique<PageBadgeMessages>(
      view(), factory_.startHost(), factory_.internalHosts(), [this](const AppBadge& badge) {
        if (onAppBadge) onAppBadge(badge);
      });
  TimelineMarkOnce("web view created");
}

WebKitView::~WebKitView() {
  factory_.RemoveView(view());
  *alive_ = nullptr;
  if (deferredIdle_) g_source_remove(deferredIdle_);
  if (blankLook_) g_source_remove(blankLook_);
  if (closeGuard_) g_source_remove(closeGuard_);
  if (unloadGuard_) g_source_remove(unloadGuard_);
  WatchWindow(nullptr);
  g_signal_handlers_disconnect_by_data(g_network_monitor_get_default(), this);
  leavePrompt_.reset();
  notifications_.reset();
  tools_.reset();
  badgeMessages_.reset();
  g_signal_handlers_disconnect_by_data(view(), this);
  g_signal_handlers_disconnect_by_data(view(), static_cast<WebView*>(this));
  downloads_.reset();
  saving_.reset();
  gtk_widget_destroy(GTK_WIDGET(view()));
}

void WebKitView::Connect() {
  g_signal_connect(view(), "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);
  g_signal_connect(view(), "load-changed", G_CALLBACK(OnLoadChanged), this);
  g_signal_connect(view(), "load-failed", G_CALLBACK(OnLoadFailed), this);
  g_signal_connect(view(), "load-failed-with-tls-errors", G_CALLBACK(OnTlsErrors), this);
  g_signal_connect(view(), "notify::estimated-load-progress", G_CALLBACK(OnProgress), this);
  g_signal_connect(view(), "notify::uri", G_CALLBACK(OnUriChanged), this);
  g_signal_connect(view(), "decide-policy", G_CALLBACK(OnDecidePolicy), this);
  g_signal_connect(view(), "create", G_CALLBACK(OnCreate), this);
  g_signal_connect(view(), "ready-to-show", G_CALLBACK(+[](WebKitWebView*, gpointer data) {
                     auto* self = static_cast<WebKitView*>(data);
                     if (self->blank_)
                       self->BlankStep(self->blank_->ReadyToShow());
                     else if (self->onReadyToShow)
                       self->onReadyToShow();
                   }),
                   this);
  g_signal_connect(view(), "close", G_CALLBACK(+[](WebKitWebView*, gpointer data) {
                     auto* self = static_cast<WebKitView*>(data);
                     if (self->closeAsked_)
                       self->PageMayClose();
                     else if (self->onCloseRequest)
                       self->onCloseRequest();
                   }),
                   this);
  g_signal_connect(view(), "notify::title",
                   G_CALLBACK(+[](WebKitWebView*, GParamSpec*, gpointer data) {
                     auto* self = static_cast<WebKitView*>(data);
                     if (self->onTitleChanged) self->onTitleChanged(self->Title());
                   }),
                   this);
  g_signal_connect(view(), "hierarchy-changed", G_CALLBACK(OnHierarchyChanged), this);
  g_signal_connect(view(), "permission-request",
                   G_CALLBACK(+[](WebKitWebView*, WebKitPermissionRequest* request, gpointer data) {
                     auto* self = static_cast<WebKitView*>(data);
                     AskPermission(*self, request, self->tracker_.ShownAddress(),
                                   self->tracker_.PageBeingLeft());
                     return gboolean{TRUE};
                   }),
                   this);
  // The page's file input: our chooser, which opens where files were chosen from last,
  // instead of the engine's, which opens on the recent files every time.
  g_signal_connect(
      view(), "run-file-chooser",
      G_CALLBACK(+[](WebKitWebView* view, WebKitFileChooserRequest* request, gpointer) {
        g_object_ref(request);
        ChooseUploadFiles(ToplevelOf(GTK_WIDGET(view)),
                          webkit_file_chooser_request_get_select_multiple(request),
                          [request](const std::vector<std::string>& paths) {
                            if (paths.empty()) {
                              webkit_file_chooser_request_cancel(request);
                            } else {
                              std::vector<const char*> files;
                              for (const auto& p : paths) files.push_back(p.c_str());
                              files.push_back(nullptr);
                              webkit_file_chooser_request_select_files(request, files.data());
                            }
                            g_object_unref(request);
                          });
        return gboolean{TRUE};
      }),
      this);
  ConnectPermissionQueries(view(), *this);
  ConnectHttpAuthentication(view(), this);
  g_signal_connect(g_network_monitor_get_default(), "network-changed", G_CALLBACK(OnNetworkChanged),
                   this);
}

void WebKitView::Load(const Text& resolved) {
  TraceNavigation("asked for", ToUtf8(resolved));
  TimelineMarkOnce("first navigation asked for");
  tracker_.ProgramLoad(ToUtf8(resolved));
}

Text WebKitView::LocationURL() const {
  const std::string known = tracker_.Location();
  return FromUtf8(known.empty() ? EngineAddress() : known);
}

Text WebKitView::Title() const {
  const char* title = webkit_web_view_get_title(view());
  return title ? FromUtf8(title) : Text();
}

// --- The tracker's commands --------------------------------------------------------------------

std::string WebKitView::EngineAddress() const {
  return AddressOf(webkit_web_view_get_uri(view()));
}

void WebKitView::EngineLoad(const std::string& address) {
  TraceNavigation("load", address);
  webkit_web_view_load_uri(view(), address.c_str());
  TimelineMarkOnce("first navigation handed to the engine");
}

void WebKitView::EngineShowPage(const OwnPage& page) {
  TraceNavigation("our page", page.error.kind + " " + page.error.address);
  const std::string html =
      OwnPageHtml(page, LoadResText(u"error_page.html"), factory_.pageAccent());
  webkit_web_view_load_alternate_html(view(), html.c_str(), page.error.address.c_str(), nullptr);
}

void WebKitView::EngineAllowCertificate(const std::string& host, const std::string& fingerprint) {
  if (!refusedCertificate_ || refusedFingerprint_ != fingerprint || host.empty()) return;
  // The engine names an IPv6 host without its brackets.
  const std::string bare = host.front() == '[' && host.back() == ']' && host.size() > 2
                               ? host.substr(1, host.size() - 2)
                               : host;
  webkit_web_context_allow_tls_certificate_for_host(webkit_web_view_get_context(view()),
                                                    refusedCertificate_.get(), bare.c_str());
}

void WebKitView::EngineRunLater() {
  if (!deferredIdle_) deferredIdle_ = g_idle_add(RunDeferred, this);
}

gboolean WebKitView::RunDeferred(gpointer data) {
  TraceNavigation("deferred");
  auto* self = static_cast<WebKitView*>(data);
  self->deferredIdle_ = 0;
  self->tracker_.RunDeferred();
  return G_SOURCE_REMOVE;
}

std::string WebKitView::NewSecret() {
  return RandomHex(16);
}

std::int64_t WebKitView::NowMs() const {
  return g_get_monotonic_time() / 1000;
}

void WebKitView::OnHierarchyChanged(GtkWidget* widget, GtkWidget*, gpointer data) {
  Gtk::Window* window = ToplevelOf(widget);
  static_cast<WebKitView*>(data)->WatchWindow(window ? window->gobj() : nullptr);
}

void WebKitView::OnWindowActive(GtkWindow* window, GParamSpec*, gpointer data) {
  static_cast<WebKitView*>(data)->tracker_.WindowFocusChanged(gtk_window_is_active(window));
}

void WebKitView::WatchWindow(GtkWindow* window) {
  if (window == window_) return;
  if (window_) {
    g_signal_handlers_disconnect_by_data(window_, this);
    g_object_remove_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
  }
  window_ = window;
  if (window_) {
    g_object_add_weak_pointer(G_OBJECT(window_), reinterpret_cast<gpointer*>(&window_));
    g_signal_connect(window_, "notify::is-active", G_CALLBACK(OnWindowActive), this);
  }
  tracker_.WindowFocusChanged(window_ && gtk_window_is_active(window_));
}

void WebKitView::BeforeNavigate(const std::string& address) {
  if (onBeforeNavigate) onBeforeNavigate(FromUtf8(address));
}

void WebKitView::NavigationCalledOff() {
  if (onNavigationCalledOff) onNavigationCalledOff();
}

void WebKitView::NavigateError(const std::string& address, int httpStatus) {
  if (onNavigateError) onNavigateError(FromUtf8(address), httpStatus);
}

void WebKitView::PageErrorChanged(const PageError* error) {
  if (onPageError) onPageError(error);
}

void WebKitView::ExternalNavigation(const std::string& address) {
  if (onExternalNavigation) onExternalNavigation(FromUtf8(address));
}

void WebKitView::LoadEnded() {
  if (onProgressChange) onProgressChange(0, 0);
}

// --- The engine's signals ----------------------------------------------------------------------

namespace {

void ReturnFreedMemoryWhenIdle() {
  // A load leaves the heap with free pages in it (the toolkit's and the engine's transient
  // work in this process); the allocator keeps them unless asked, so once the window is idle
  // after a load they go back to the system. One request however many loads end meanwhile.
  static bool pending = false;
  if (pending) return;
  pending = true;
  g_idle_add_full(
      G_PRIORITY_LOW,
      [](gpointer) -> gboolean {
        pending = false;
        malloc_trim(0);
        return G_SOURCE_REMOVE;
      },
      nullptr, nullptr);
}

}  // namespace

void WebKitView::OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
  static const char* const kEvents[] = {"started", "redirected", "committed", "finished"};
  TraceNavigation(kEvents[event & 3], AddressOf(webkit_web_view_get_uri(view)));
  auto& tracker = static_cast<WebKitView*>(data)->tracker_;
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      tracker.LoadStarted();
      break;
    case WEBKIT_LOAD_REDIRECTED:
      tracker.LoadRedirected();
      break;
    case WEBKIT_LOAD_COMMITTED: {
      TimelineMarkOnce("first page committed");
      WebKitWebResource* resource = webkit_web_view_get_main_resource(view);
      WebKitURIResponse* response = resource ? webkit_web_resource_get_response(resource) : nullptr;
      const guint status = response ? webkit_uri_response_get_status_code(response) : 0;
      tracker.LoadCommitted(AddressOf(webkit_web_view_get_uri(view)), static_cast<int>(status));
      if (auto* self = static_cast<WebKitView*>(data); self->blank_)
        self->BlankStep(self->blank_->Committed());
      break;
    }
    case WEBKIT_LOAD_FINISHED:
      TimelineMarkOnce("first load finished");
      tracker.LoadFinished();
      ReturnFreedMemoryWhenIdle();
      break;
  }
}

void WebKitView::OnUriChanged(WebKitWebView* view, GParamSpec*, gpointer data) {
  TraceNavigation("address", AddressOf(webkit_web_view_get_uri(view)));
  static_cast<WebKitView*>(data)->tracker_.AddressChanged(AddressOf(webkit_web_view_get_uri(view)));
}

gboolean WebKitView::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                                  gpointer data) {
  TraceNavigation("failed", AddressOf(uri) + " " + MessageOf(error));
  return static_cast<WebKitView*>(data)->tracker_.LoadFailed(AddressOf(uri), FailureOf(error),
                                                             MessageOf(error));
}

// A main-frame load whose certificate the engine could not verify. Nothing is allowed here: a
// certificate the copy's configuration trusts loads at once, any other waits for the person's
// click on our page.
gboolean WebKitView::OnTlsErrors(WebKitWebView*, const gchar* failingUri,
                                 GTlsCertificate* certificate, GTlsCertificateFlags errors,
                                 gpointer data) {
  auto* self = static_cast<WebKitView*>(data);
  CertificateFailure failure;
  failure.address = AddressOf(failingUri);
  failure.host = HostOfAddress(failure.address);
  if (certificate) {
    failure.fingerprint = CertificateFingerprint(certificate);
    self->refusedCertificate_ = RefObject(certificate);
    self->refusedFingerprint_ = failure.fingerprint;
  }
  const unsigned problems = CertificateProblems(errors);
  failure.problems = CertificateProblemWords(problems);
  failure.trusted = self->factory_.Trusts(failure.fingerprint, failure.host, problems);
  return self->tracker_.CertificateFailed(failure);
}

void WebKitView::OnProgress(WebKitWebView* view, GParamSpec*, gpointer data) {
  auto* self = static_cast<WebKitView*>(data);
  if (!self->tracker_.ShowsProgress() || !self->onProgressChange) return;
  const double p = webkit_web_view_get_estimated_load_progress(view);
  int percent = static_cast<int>(p * 100.0 + 0.5);
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  self->onProgressChange(percent, 100);
}

bool WebKitView::OpensChildWindow(const char* uri) const {
  if (!uri || !*uri || !onChildWindow) return false;
  NavigationFacts facts;
  facts.kind = NavigationKind::kNewWindow;
  facts.address = uri;
  return DecideNavigation(facts, factory_.internalHosts()) == NavigationVerdict::kChildWindow;
}

gboolean WebKitView::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                    WebKitPolicyDecisionType type, gpointer data) {
  auto* self = static_cast<WebKitView*>(data);
  switch (type) {
    case WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION: {
      WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
          WEBKIT_NAVIGATION_POLICY_DECISION(decision));
      const char* uri = RequestedAddress(decision);
      if (IsActionAddress(uri)) {
        webkit_policy_decision_ignore(decision);
        self->tracker_.ActionRequested(uri, webkit_navigation_action_is_user_gesture(action));
        return TRUE;
      }
      if (self->blank_ && self->BlankNavigation(decision, uri)) return TRUE;
      if (uri)
        self->tracker_.NavigationDecision(
            KindOf(webkit_navigation_action_get_navigation_type(action)),
            webkit_navigation_action_is_redirect(action), uri);
      return FALSE;
    }
    case WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION: {
      // A link with a target of its own or a script's window.open: a child window for an
      // inside host (the engine then asks for its view with "create"), else the address goes
      // to the window's handler.
      const char* uri = RequestedAddress(decision);
      if (IsActionAddress(uri)) {
        // Our button, middle-clicked: its address never leaves the window.
        webkit_policy_decision_ignore(decision);
        return TRUE;
      }
      // A window opened without an address waits for one of its own in a view of ours.
      if ((IsBlankAddress(AddressOf(uri)) && self->onBlankWindow) || self->OpensChildWindow(uri)) {
        webkit_policy_decision_use(decision);
        return TRUE;
      }
      webkit_policy_decision_ignore(decision);
      if (!IsBlankAddress(AddressOf(uri)) && self->onNewWindow) self->onNewWindow(FromUtf8(uri));
      return TRUE;
    }
    case WEBKIT_POLICY_DECISION_TYPE_RESPONSE: {
      auto* resp = WEBKIT_RESPONSE_POLICY_DECISION(decision);
      if (webkit_response_policy_decision_is_main_frame_main_resource(resp)) {
        WebKitURIRequest* request = webkit_response_policy_decision_get_request(resp);
        if (self->tracker_.MainFrameResponse(
                AddressOf(request ? webkit_uri_request_get_uri(request) : nullptr))) {
          webkit_policy_decision_ignore(decision);
          return TRUE;
        }
      }
      if (IsAttachment(webkit_response_policy_decision_get_response(resp)) ||
          !webkit_response_policy_decision_is_mime_type_supported(resp)) {
        WebKitURIRequest* request = webkit_response_policy_decision_get_request(resp);
        if (self->blank_ &&
            self->BlankDownload(decision, request ? webkit_uri_request_get_uri(request) : nullptr))
          return TRUE;
        webkit_policy_decision_download(decision);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

GtkWidget* WebKitView::OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
  // A script's window.open, and a new-window request the policy decision let through for a
  // child window.
  auto* self = static_cast<WebKitView*>(data);
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
  if (IsActionAddress(uri)) return nullptr;
  if (IsBlankAddress(AddressOf(uri))) {
    // Opened now, sent somewhere later: the new view's first address decides.
    auto* blank = self->onBlankWindow ? dynamic_cast<WebKitView*>(self->onBlankWindow()) : nullptr;
    if (!blank) return nullptr;
    blank->AwaitFirstAddress(*self);
    return GTK_WIDGET(blank->view());
  }
  if (self->OpensChildWindow(uri)) {
    // The handler's view was made related to this one; the engine loads the page into it.
    auto* child = dynamic_cast<WebKitView*>(self->onChildWindow(FromUtf8(uri)));
    return child ? GTK_WIDGET(child->view()) : nullptr;
  }
  if (!IsBlankAddress(AddressOf(uri)) && self->onNewWindow) self->onNewWindow(FromUtf8(uri));
  return nullptr;
}

void WebKitView::OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                        gpointer data) {
  TraceNavigation("process ended", std::to_string(static_cast<int>(reason)));
  static_cast<WebKitView*>(data)->tracker_.WebProcessEnded(ProcessEndOf(reason));
}

void WebKitView::OnNetworkChanged(GNetworkMonitor*, gboolean available, gpointer data) {
  if (available) static_cast<WebKitView*>(data)->tracker_.NetworkAvailable();
}

}  // namespace wb
