// The one WebKitGTK implementation of the web view. Every engine signal is connected in
// Connect() and disconnected in the destructor, before the widget goes away, so no callback
// can reach a destroyed view.
#include "engine/web_view_webkit.h"

#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/download.h"
#include "engine/page_tools_webkit.h"
#include "platform/desktop_notification.h"
#include "platform/resources.h"
#include "storage/atomic_file.h"
#include "support/certificate.h"
#include "support/host_patterns.h"
#include "support/timeline.h"
#include "support/values.h"

namespace wb {

// The engine's question before a page is left is a boxed value of its own kind.
template <>
struct GFree<WebKitScriptDialog> {
  void operator()(WebKitScriptDialog* p) const { webkit_script_dialog_unref(p); }
};

namespace {

Gtk::Window* ToplevelOf(GtkWidget* widget) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  if (!top || !gtk_widget_is_toplevel(top) || !GTK_IS_WINDOW(top)) return nullptr;
  return Glib::wrap(GTK_WINDOW(top));
}

class WebKitView;

// The question a page asks before it is left, while it waits for the person's answer. The
// view lets go of it when it goes away, so a late answer reaches nothing.
struct LeavePrompt {
  WebKitView* owner;
  GPtr<WebKitScriptDialog> dialog;  // until answered
};

class WebKitView : public WebView {
 public:
  WebKitView(const WebKitViewFactory& factory, WebKitView* related) : factory_(factory) {
    // Every view of the factory shares its settings, so that a setting the configuration
    // changes reaches the banner as well as the main view.
    WebKitSettings* settings = factory.engineSettings();
    WebKitWebContext* context = factory.engineContext();
    GtkWidget* w = GTK_WIDGET(related   ? g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view",
                                                       related->view(), "settings", settings, nullptr)
                              : context ? g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context,
                                                       "settings", settings, nullptr)
                                        : webkit_web_view_new_with_settings(settings));
    view_.reset(WEBKIT_WEB_VIEW(g_object_ref_sink(w)));
    widget_ = Glib::wrap(GTK_WIDGET(view()));
    Connect();
    tools_ = std::make_unique<WebKitPageTools>(view(), *this);
    TimelineMarkOnce("web view created");
  }

  ~WebKitView() override {
    if (afterEnd_) g_source_remove(afterEnd_);
    if (taskIdle_) g_source_remove(taskIdle_);
    g_signal_handlers_disconnect_by_data(g_network_monitor_get_default(), this);
    for (auto& n : notifications_) g_signal_handlers_disconnect_by_data(n->page.get(), this);
    notifications_.clear();
    if (leavePrompt_) {
      leavePrompt_->owner = nullptr;
      if (GPtr<WebKitScriptDialog> d = std::move(leavePrompt_->dialog))
        webkit_script_dialog_close(d.get());
    }
    g_cancellable_cancel(cancel_.get());
    tools_.reset();
    g_signal_handlers_disconnect_by_data(view(), this);
    g_signal_handlers_disconnect_by_data(webkit_web_view_get_context(view()), this);
    downloads_.clear();
    for (const auto& op : prints_) g_signal_handlers_disconnect_by_data(op.get(), this);
    prints_.clear();
    gtk_widget_destroy(GTK_WIDGET(view()));
  }

  Gtk::Widget& widget() override { return *widget_; }

  void Load(const Text& resolved) override {
    const std::string uri = ToUtf8(resolved);
    ++generation_;
    loadedAgainAfterEnd_ = false;
    pageLoad_ = false;  // the page's navigation under way gives way, judged or not
    if (ownPageLoading_) {
      // Our explanation page is on its way (after an ended process, into a new one); a load
      // asked for now could be overtaken by it and never happen. It follows once the page is
      // in, as the same navigation.
      queuedLoad_ = uri;
      calledOff_ = false;
      Report(uri.c_str());
      return;
    }
    inNavigate_ = true;
    startReported_ = false;
    calledOff_ = false;
    TimelineMarkOnce("first navigation asked for");
    webkit_web_view_load_uri(view(), uri.c_str());
    TimelineMarkOnce("first navigation handed to the engine");
    inNavigate_ = false;
    // Loading the address shown already (a refresh, or the same address again) changes no
    // address, so the engine says nothing until the page starts to display. The window hears
    // of the navigation first, before any progress of it.
    if (!startReported_) {
      startReported_ = true;
      const char* shown = webkit_web_view_get_uri(view());
      Report(shown && *shown ? shown : uri.c_str());
    }
  }

  void Stop() override { webkit_web_view_stop_loading(view()); }

  void Save() override {
    const char* current = webkit_web_view_get_uri(view());
    if (!current || !*current) throw std::runtime_error("There is no page to save.");
    SaveChoice choice =
        factory_.choosePageFile(ToplevelOf(GTK_WIDGET(view())), SuggestedName(current, ".mhtml"));
    const std::string& path = choice.path;
    bool htmlOnly = choice.htmlOnly;
    if (path.empty()) return;
    if (htmlOnly)
      SaveHtml(path);
    else
      SaveMhtml(path);
  }

  void Print() override {
    WebKitPrintOperation* op = webkit_print_operation_new(view());
    prints_.emplace_back(op);
    g_signal_connect(op, "failed", G_CALLBACK(OnPrintFailed), this);
    g_signal_connect(op, "finished", G_CALLBACK(OnPrintFinished), this);
    Gtk::Window* parent = ToplevelOf(GTK_WIDGET(view()));
    if (webkit_print_operation_run_dialog(op, parent ? parent->gobj() : nullptr) ==
        WEBKIT_PRINT_OPERATION_RESPONSE_CANCEL) {
      ForgetPrint(op);
    }
  }

  Text LocationURL() const override {
    // After a failed load the engine's own address is empty until its error page is up; the
    // page shown is the failed address, which the window keeps in its history as any other.
    if (!failedUri_.empty()) return FromUtf8(failedUri_);
    // A navigation the person called off leaves the engine's address at the page not opened.
    if (calledOff_) return FromUtf8(shownUri_);
    const char* uri = webkit_web_view_get_uri(view());
    return uri ? FromUtf8(uri) : Text();
  }

  bool LeavePromptOpen() const override { return leavePrompt_ != nullptr; }

  Text Title() const override {
    const char* title = webkit_web_view_get_title(view());
    return title ? FromUtf8(title) : Text();
  }

  bool IsLoading() const override { return webkit_web_view_is_loading(view()); }
  void FindText(const Text& text, bool matchCase, int maxCount) override {
    tools_->FindText(text, matchCase, maxCount);
  }
  void FindNext(bool forward) override { tools_->FindNext(forward); }
  void FindEnd() override { tools_->FindEnd(); }
  void SetZoomPercent(int percent) override { tools_->SetZoomPercent(percent); }
  int ZoomPercent() const override { return tools_->ZoomPercent(); }

 private:
  void Connect() {
    g_signal_connect(view(), "web-process-terminated", G_CALLBACK(OnWebProcessTerminated), this);
    g_signal_connect(view(), "load-changed", G_CALLBACK(OnLoadChanged), this);
    g_signal_connect(view(), "load-failed", G_CALLBACK(OnLoadFailed), this);
    g_signal_connect(view(), "notify::estimated-load-progress", G_CALLBACK(OnProgress), this);
    g_signal_connect(view(), "notify::uri", G_CALLBACK(OnUriChanged), this);
    g_signal_connect(view(), "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    g_signal_connect(view(), "create", G_CALLBACK(OnCreate), this);
    g_signal_connect(view(), "ready-to-show", G_CALLBACK(OnReadyToShow), this);
    g_signal_connect(view(), "close", G_CALLBACK(OnClose), this);
    g_signal_connect(view(), "notify::title", G_CALLBACK(OnTitleChanged), this);
    g_signal_connect(view(), "script-dialog", G_CALLBACK(OnScriptDialog), this);
    g_signal_connect(view(), "load-failed-with-tls-errors", G_CALLBACK(OnTlsErrors), this);
    g_signal_connect(view(), "permission-request", G_CALLBACK(OnPermissionRequest), this);
    g_signal_connect(view(), "query-permission-state", G_CALLBACK(OnPermissionQuery), this);
    g_signal_connect(view(), "show-notification", G_CALLBACK(OnShowNotification), this);
    g_signal_connect(g_network_monitor_get_default(), "network-changed",
                     G_CALLBACK(OnNetworkChanged), this);
    g_signal_connect(webkit_web_view_get_context(view()), "download-started",
                     G_CALLBACK(OnDownloadStarted), this);
  }

  static std::string SuggestedName(const std::string& uri, const std::string& ext) {
    std::string name;
    if (GPtr<GUri> parsed{g_uri_parse(uri.c_str(), G_URI_FLAGS_NONE, nullptr)}) {
      std::string path = g_uri_get_path(parsed.get());
      std::string host = g_uri_get_host(parsed.get()) ? g_uri_get_host(parsed.get()) : "";
      auto slash = path.find_last_of('/');
      name = slash == std::string::npos ? path : path.substr(slash + 1);
      auto dot = name.find_last_of('.');
      if (dot != std::string::npos && dot > 0) name.resize(dot);
      if (name.empty()) name = host;
    }
    if (name.empty()) name = "page";
    return name + ext;
  }

  // A save in progress. It keeps its own copy of the error display, since the answer may
  // come after the view has gone.
  struct SaveJob {
    std::function<void(const Text&)> showError;
    std::string path;
    std::unique_ptr<FileReplacement> file;  // the single-file page, until it is in place
  };

  void SaveMhtml(const std::string& path) {
    auto job = std::make_unique<SaveJob>(
        SaveJob{factory_.showError, path, std::make_unique<FileReplacement>(path)});
    GObjectPtr<GFile> file(g_file_new_for_path(job->file->TemporaryPath().c_str()));
    webkit_web_view_save_to_file(view(), file.get(), WEBKIT_SAVE_MODE_MHTML, cancel_.get(),
                                 OnMhtmlSaved, job.release());
  }

  static void OnMhtmlSaved(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<SaveJob> job(static_cast<SaveJob*>(data));
    GPtr<GError> error;
    if (!webkit_web_view_save_to_file_finish(WEBKIT_WEB_VIEW(source), result, OutPtr(error))) {
      if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;
      job->showError(Ascii("The page could not be saved: ") + FromUtf8(MessageOf(error.get())));
      return;
    }
    try {
      job->file->Commit();
    } catch (const std::exception& e) {
      job->showError(FromUtf8(e.what()));
    }
  }

  void SaveHtml(const std::string& path) {
    WebKitWebResource* resource = webkit_web_view_get_main_resource(view());
    if (!resource) throw std::runtime_error("There is no page to save.");
    auto* job = new SaveJob{factory_.showError, path, nullptr};
    webkit_web_resource_get_data(resource, cancel_.get(), OnHtmlData, job);
  }

  static void OnHtmlData(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<SaveJob> job(static_cast<SaveJob*>(data));
    GPtr<GError> error;
    gsize length = 0;
    GPtr<guchar> bytes(webkit_web_resource_get_data_finish(WEBKIT_WEB_RESOURCE(source), result,
                                                           &length, OutPtr(error)));
    if (!bytes) {
      if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;
      job->showError(Ascii("The page could not be saved: ") + FromUtf8(MessageOf(error.get())));
      return;
    }
    try {
      WriteFileAtomically(job->path,
                          std::string_view(reinterpret_cast<const char*>(bytes.get()), length));
    } catch (const std::exception& e) {
      job->showError(Ascii("The page could not be saved: ") + FromUtf8(e.what()));
    }
  }

  void ForgetPrint(WebKitPrintOperation* op) {
    g_signal_handlers_disconnect_by_data(op, this);
    prints_.remove_if([op](const GObjectPtr<WebKitPrintOperation>& p) { return p.get() == op; });
  }

  static void OnPrintFailed(WebKitPrintOperation*, GError* error, gpointer data) {
    static_cast<WebKitView*>(data)->factory_.showError(Ascii("The page could not be printed: ") +
                                                       FromUtf8(MessageOf(error)));
  }

  static void OnPrintFinished(WebKitPrintOperation* op, gpointer data) {
    static_cast<WebKitView*>(data)->ForgetPrint(op);
  }

  // Before-navigate events. Only the main frame's address and loads are followed: a frame
  // inside the page (an advert, an embedded video) changes neither the view's "uri" nor
  // reaches load-changed, which is why the event is raised from these two signals and never
  // from decide-policy, which WebKit asks for the navigations of every frame.
  //
  // The engine sets the address at different moments: at once for a load the program asks
  // for (inside load_uri), but only after WEBKIT_LOAD_STARTED for a link or script in the
  // page; a reload of the same address never changes it. So a load that starts without an
  // address already reported waits for the next address change, or for its commit.
  void Report(const char* uri) {
    // The engine falls back to an empty address when a load is called off before anything
    // was shown; that is no navigation.
    if (!uri || !*uri) return;
    reported_ = uri;
    if (onBeforeNavigate) onBeforeNavigate(FromUtf8(uri));
  }

  static void OnLoadChanged(WebKitWebView* view, WebKitLoadEvent event, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    switch (event) {
      case WEBKIT_LOAD_STARTED:
        self->loading_ = true;
        if (self->ownPageLoading_) break;  // our explanation, shown at the failed address
        ++self->generation_;
        self->ownPage_.reset();
        self->failedUri_.clear();
        self->calledOff_ = false;
        self->awaiting_ = !self->startReported_;
        self->startReported_ = false;
        self->StartJudging();
        break;
      case WEBKIT_LOAD_REDIRECTED:
        self->redirected_ = true;
        // A redirect continues the same navigation; the history keeps the address the user
        // asked for, so that Back returns to something the user chose.
        break;
      case WEBKIT_LOAD_COMMITTED: {
        TimelineMarkOnce("first page committed");
        if (self->ownPageLoading_) break;
        if (const char* uri = webkit_web_view_get_uri(view)) self->shownUri_ = uri;
        self->trustedAttempt_.clear();
        self->loadedAgainAfterEnd_ = false;
        if (self->errorShown_) {
          self->errorShown_ = false;
          if (self->onPageError) self->onPageError(nullptr);
        }
        if (self->awaiting_) {
          self->awaiting_ = false;
          self->Report(webkit_web_view_get_uri(view));
        }
        WebKitWebResource* resource = webkit_web_view_get_main_resource(view);
        WebKitURIResponse* response =
            resource ? webkit_web_resource_get_response(resource) : nullptr;
        guint status = response ? webkit_uri_response_get_status_code(response) : 0;
        if (status >= 400 && self->onNavigateError) {
          const char* uri = webkit_web_view_get_uri(view);
          self->onNavigateError(FromUtf8(uri ? uri : ""), static_cast<int>(status));
        }
        break;
      }
      case WEBKIT_LOAD_FINISHED:
        TimelineMarkOnce("first load finished");
        self->ownPageLoading_ = false;
        self->loading_ = false;
        self->awaiting_ = false;
        if (!self->queuedLoad_.empty()) {
          const std::string queued = std::move(self->queuedLoad_);
          self->queuedLoad_.clear();
          self->Later([self, queued] { self->LoadAgain(queued); });
          break;
        }
        if (self->onProgressChange) self->onProgressChange(0, 0);
        break;
    }
  }

  static void OnUriChanged(WebKitWebView* view, GParamSpec*, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    const char* uri = webkit_web_view_get_uri(view);
    if (!uri || !*uri) return;
    if (self->ownPageLoading_) return;
    if (self->retrying_) {
      // The same navigation once more (our page's button, a certificate now trusted).
      self->reported_ = uri;
    } else if (self->inNavigate_) {
      // The program's own load: reported now, so its start does not wait for another.
      self->startReported_ = true;
      self->Report(uri);
    } else if (self->handedOut_ && self->loading_) {
      // The load that went to the default browser: the page shown stays.
      self->awaiting_ = false;
    } else if (self->awaiting_) {
      self->awaiting_ = false;
      self->Report(uri);
    } else if (!self->loading_) {
      // A navigation inside the same document (an anchor, a history.pushState of a
      // single-page site) changes the address without a load.
      self->shownUri_ = uri;
      if (self->reported_ != uri) self->Report(uri);
    } else {
      self->reported_ = uri;  // a redirect of the load already reported
    }
  }

  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error,
                               gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    // A page that was to leave the view: held back at its answer, or failed before one came
    // (no such host, refused); either way it is the default browser's. A load the person
    // stopped goes nowhere.
    if (self->handedOut_) return TRUE;
    if (!g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) {
      const std::string leaving = self->LeavingAddress(uri);
      if (!leaving.empty()) {
        self->HandOut(leaving);
        return TRUE;
      }
    }
    // A load the user stopped, or one that turned into a download, did not fail.
    bool quiet = g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
                 g_error_matches(error, WEBKIT_POLICY_ERROR,
                                 WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
                 g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_DESTINATION);
    if (!quiet) {
      self->failedUri_ = uri ? uri : "";
      if (self->onNavigateError) self->onNavigateError(FromUtf8(self->failedUri_), 0);
      // The engine's own page is a bare line of text; ours says what happened and offers to
      // try again. A page the engine refused to show (a scheme it does not handle) keeps it.
      if (!self->failedUri_.empty() && error->domain != WEBKIT_POLICY_ERROR) {
        OwnPage page;
        page.error.kind = "network";
        page.error.address = self->failedUri_;
        page.error.detail = MessageOf(error);
        page.title = "This page could not be reached";
        page.button = "Try again";
        page.action = "retry";
        self->ShowOwnPage(std::move(page));
        return TRUE;
      }
    } else if (g_error_matches(error, WEBKIT_POLICY_ERROR,
                               WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
      // A download, not a page: the page shown before stays.
      self->CalledOff();
    }
    return FALSE;  // the engine shows its own error page
  }

  static void OnProgress(WebKitWebView* view, GParamSpec*, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (!self->loading_ || self->ownPageLoading_ || !self->onProgressChange) return;
    double p = webkit_web_view_get_estimated_load_progress(view);
    int percent = static_cast<int>(p * 100.0 + 0.5);
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    self->onProgressChange(percent, 100);
  }

  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
      auto* nav = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
      WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(nav);
      WebKitURIRequest* request = webkit_navigation_action_get_request(action);
      const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
      if (uri && g_str_has_prefix(uri, kActionScheme)) {
        webkit_policy_decision_ignore(decision);
        // Only the person's click on the page shown now counts: the address holds a secret
        // of that page, which no other page knows.
        if (self->ownPage_ && webkit_navigation_action_is_user_gesture(action) &&
            self->ownPage_->actionUri == uri)
          self->Later([self] { self->OwnPageAction(); });
        return TRUE;
      }
      if (uri) self->NoteNavigation(action, uri);
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
      // A link with a target of its own or a script's window.open: the site-as-app window
      // has no second window to offer, so the address goes to the user's browser.
      auto* nav = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
      WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(nav);
      WebKitURIRequest* request = webkit_navigation_action_get_request(action);
      const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
      if (self->NewWindowVerdict(uri) == NavigationVerdict::kChildWindow) {
        // The engine asks for the view to open it in ("create").
        webkit_policy_decision_use(decision);
        return TRUE;
      }
      webkit_policy_decision_ignore(decision);
      if (uri && *uri && g_strcmp0(uri, "about:blank") != 0 && self->onNewWindow)
        self->onNewWindow(FromUtf8(uri));
      return TRUE;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
      auto* resp = WEBKIT_RESPONSE_POLICY_DECISION(decision);
      if (webkit_response_policy_decision_is_main_frame_main_resource(resp)) {
        WebKitURIRequest* request = webkit_response_policy_decision_get_request(resp);
        const std::string leaving =
            self->LeavingAddress(request ? webkit_uri_request_get_uri(request) : nullptr);
        if (!leaving.empty()) {
          // The outside page answered: it is not shown here; the page shown stays.
          webkit_policy_decision_ignore(decision);
          self->HandOut(leaving);
          return TRUE;
        }
      }
      WebKitURIResponse* response = webkit_response_policy_decision_get_response(resp);
      bool attachment = false;
      if (SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response)) {
        const char* disposition = soup_message_headers_get_one(headers, "Content-Disposition");
        attachment = disposition && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
      }
      if (attachment || !webkit_response_policy_decision_is_mime_type_supported(resp)) {
        webkit_policy_decision_download(decision);
        return TRUE;
      }
    }
    return FALSE;
  }

  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
    // A script's window.open, and a new-window request the policy decision above let through
    // for a child window.
    auto* self = static_cast<WebKitView*>(data);
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    if (self->NewWindowVerdict(uri) == NavigationVerdict::kChildWindow) {
      // The handler's view was made related to this one; the engine loads the page into it.
      auto* child = dynamic_cast<WebKitView*>(self->onChildWindow(FromUtf8(uri)));
      return child ? GTK_WIDGET(child->view()) : nullptr;
    }
    if (uri && *uri && g_strcmp0(uri, "about:blank") != 0 && self->onNewWindow)
      self->onNewWindow(FromUtf8(uri));
    return nullptr;
  }

  static void OnReadyToShow(WebKitWebView*, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (self->onReadyToShow) self->onReadyToShow();
  }

  static void OnClose(WebKitWebView*, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (self->onCloseRequest) self->onCloseRequest();
  }

  static void OnTitleChanged(WebKitWebView*, GParamSpec*, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (self->onTitleChanged) self->onTitleChanged(self->Title());
  }

  // --- The "internal" key ------------------------------------------------------------------
  //
  // The engine asks its navigation decision for the navigations of every frame and does not
  // say which frame, while only the main frame's may leave; and the view's address moves to a
  // page's navigation only when it is about to be shown. So each decision is noted with its
  // verdict as if it were the main frame's, and the verdict counts when the main frame's
  // answer comes (a response decision that says it is the main frame's main resource), or its
  // load fails first: a navigation to leave proceeds until the outside host answers, and its
  // answer is refused. The page shown stays and never unloads. Only loads the page started
  // are judged: the program's own (Load, LoadAgain, our explanation pages) report their
  // address before the engine starts them.

  static NavigationKind KindOf(WebKitNavigationType type) {
    switch (type) {
      case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
        return NavigationKind::kLink;
      case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
        return NavigationKind::kForm;
      case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
        return NavigationKind::kBackForward;
      case WEBKIT_NAVIGATION_TYPE_RELOAD:
        return NavigationKind::kReload;
      case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
        return NavigationKind::kFormResubmit;
      default:
        return NavigationKind::kOther;
    }
  }

  bool Judging() const { return onExternalNavigation && !factory_.internalHosts().empty(); }

  void NoteNavigation(WebKitNavigationAction* action, const char* uri) {
    if (!Judging()) return;
    NavigationFacts facts;
    facts.kind = KindOf(webkit_navigation_action_get_navigation_type(action));
    facts.redirect = webkit_navigation_action_is_redirect(action);
    facts.address = uri;
    const bool external =
        DecideNavigation(facts, factory_.internalHosts()) == NavigationVerdict::kExternal;
    noted_.push_back({uri, external, facts.redirect});
    // Frames that navigate in a loop keep only the newest.
    if (noted_.size() > kMaxNoted) noted_.pop_front();
  }

  // A main-frame load has started: one the page started is judged when its answer comes. Its
  // decision came just before, the newest noted that is no redirect; should a redirect follow,
  // that one still says where the navigation set out for.
  void StartJudging() {
    pageLoad_ = awaiting_ && Judging();
    redirected_ = false;
    handedOut_ = false;
    start_.reset();
    if (!pageLoad_) return;
    for (auto it = noted_.rbegin(); it != noted_.rend(); ++it)
      if (!it->redirect) {
        start_ = *it;
        break;
      }
  }

  // Where the main frame's load the page started, now at `uri`, is to go instead of the view;
  // empty when it stays. Without a redirect the decision noted for `uri` itself says it, if
  // there is one (the engine may ask for an address without its fragment).
  std::string LeavingAddress(const char* uri) const {
    if (!pageLoad_ || handedOut_ || !uri || !Judging()) return {};
    if (!redirected_)
      for (auto it = noted_.rbegin(); it != noted_.rend(); ++it)
        if (it->uri == uri) return it->external && !it->redirect ? it->uri : std::string();
    return start_ && start_->external ? start_->uri : std::string();
  }

  NavigationVerdict NewWindowVerdict(const char* uri) const {
    if (!uri || !*uri || !onChildWindow) return NavigationVerdict::kExternal;
    NavigationFacts facts;
    facts.kind = NavigationKind::kNewWindow;
    facts.address = uri;
    return DecideNavigation(facts, factory_.internalHosts());
  }

  // The load goes to the default browser; the page shown before stays. A window that has heard
  // of the navigation hears it called off; otherwise it never hears of it.
  void HandOut(const std::string& address) {
    handedOut_ = true;
    const bool announced = !awaiting_;
    awaiting_ = false;
    if (onExternalNavigation) onExternalNavigation(FromUtf8(address));
    if (announced) {
      CalledOff();
    } else {
      calledOff_ = true;
      reported_ = shownUri_;
    }
  }

  struct NotedNavigation {
    std::string uri;
    bool external;
    bool redirect;
  };
  static constexpr size_t kMaxNoted = 32;

  // The page's web process ended (it crashed, ran out of memory or was killed). A blank view
  // would leave the person nowhere: the view shows what happened and a way to load the page
  // again, at the page's own address, while the window and its history carry on.
  static void OnWebProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                     gpointer data) {
    // The engine is still taking the ended process apart; the view loads once it is done.
    auto* self = static_cast<WebKitView*>(data);
    self->endReason_ = reason;
    if (!self->afterEnd_) self->afterEnd_ = g_idle_add(AfterProcessEnded, self);
  }

  static gboolean AfterProcessEnded(gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    self->afterEnd_ = 0;
    WebKitWebView* view = self->view();
    const WebKitWebProcessTerminationReason reason = self->endReason_;
    const char* why = reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT
                          ? "The page used more memory than the system allows it."
                      : reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API
                          ? "The page's process was ended."
                          : "The page's process stopped unexpectedly.";
    // A navigation under way when the process ended (one asked for after the process had
    // ended, before the engine said so, among them) is what the person wants to see: it is
    // loaded again in a new process, once, so a page that ends its process every time ends on
    // our page. The engine may have dropped its address already; the window announced it.
    const char* pending = webkit_web_view_get_uri(view);
    const std::string again = pending && *pending ? std::string(pending) : self->reported_;
    if (!again.empty() && (self->loading_ || self->shownUri_ != again) &&
        !self->loadedAgainAfterEnd_) {
      self->loadedAgainAfterEnd_ = true;
      self->LoadAgain(again);
      return G_SOURCE_REMOVE;
    }
    std::string address = !self->shownUri_.empty() ? self->shownUri_ : self->reported_;
    if (address.empty()) address = "about:blank";
    self->loading_ = false;
    self->awaiting_ = false;
    OwnPage page;
    page.error.kind = "crashed";
    page.error.address = address;
    page.error.detail = why;
    page.title = "This page stopped working";
    page.button = "Reload";
    page.action = "reload";
    self->ShowOwnPageNow(std::move(page));
    return G_SOURCE_REMOVE;
  }

  // --- Explanations of ours instead of the page asked for ---------------------------------
  //
  // A certificate that cannot be verified, a failed load and an ended web process each show a
  // page of ours at the address that failed, so the history and the address box keep it. The
  // page's one button is a link to an address of our own scheme holding a secret of that page;
  // the view takes it from the navigation the click starts, so no script of any page can press
  // it.

  static constexpr const char* kActionScheme = "webbrowser-action:";

  struct OwnPage {
    PageError error;
    std::string title;
    std::vector<std::string> details;  // paragraphs after the detail, plain text
    std::string button;
    std::string action;                       // "continue", "retry" or "reload"
    std::string actionUri;                    // the button's address, with the page's secret
    GObjectPtr<GTlsCertificate> certificate;  // "continue": the certificate to allow
    bool retriedByItself = false;             // "retry": the network came back once already
  };

  // Runs `task` from the main loop once the engine's present callback has returned, unless a
  // navigation has started by then.
  void Later(std::function<void()> task) {
    tasks_.push_back({generation_, std::move(task)});
    if (!taskIdle_) taskIdle_ = g_idle_add(RunTasks, this);
  }

  static gboolean RunTasks(gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    self->taskIdle_ = 0;
    auto tasks = std::move(self->tasks_);
    self->tasks_.clear();
    for (auto& [generation, task] : tasks)
      if (generation == self->generation_) task();
    return G_SOURCE_REMOVE;
  }

  // The engine ends the failed load after telling of it, so the page follows from the loop.
  void ShowOwnPage(OwnPage page) {
    auto shared = std::make_shared<OwnPage>(std::move(page));
    Later([this, shared] { ShowOwnPageNow(std::move(*shared)); });
  }

  void ShowOwnPageNow(OwnPage page) {
    page.actionUri = std::string(kActionScheme) + page.action + "?" + NewSecret();
    std::string detail = "<p>" + EscapeHtml(page.error.detail) + "</p>\n";
    for (const auto& d : page.details) detail += "<p>" + EscapeHtml(d) + "</p>\n";
    const std::string html =
        FillTemplate(LoadResText(u"error_page.html"), {{"TITLE", EscapeHtml(page.title)},
                                                       {"ACCENT", factory_.pageAccent()},
                                                       {"DETAIL", detail},
                                                       {"ADDRESS", EscapeHtml(page.error.address)},
                                                       {"ACTION", EscapeHtml(page.actionUri)},
                                                       {"BUTTON", EscapeHtml(page.button)}});
    const std::string address = page.error.address;
    ownPage_ = std::make_unique<OwnPage>(std::move(page));
    failedUri_ = address;
    errorShown_ = true;
    ownPageLoading_ = true;
    if (onPageError) onPageError(&ownPage_->error);
    webkit_web_view_load_alternate_html(view(), html.c_str(), address.c_str(), nullptr);
  }

  // The button of the page shown was clicked.
  void OwnPageAction() {
    if (!ownPage_) return;
    const std::string address = ownPage_->error.address;
    if (ownPage_->action == "continue" && ownPage_->certificate) {
      // For this host and this certificate, for the rest of the run.
      webkit_web_context_allow_tls_certificate_for_host(webkit_web_view_get_context(view()),
                                                        ownPage_->certificate.get(),
                                                        ownPage_->error.host.c_str());
    }
    LoadAgain(address);
  }

  // Loads the address of the navigation announced last once more: no new before-navigate
  // event, since the window's history has it already.
  void LoadAgain(const std::string& uri) {
    ++generation_;
    pageLoad_ = false;
    ownPageLoading_ = false;
    queuedLoad_.clear();
    retrying_ = true;
    startReported_ = true;
    webkit_web_view_load_uri(view(), uri.c_str());
    retrying_ = false;
  }

  static std::string NewSecret() {
    std::string secret;
    for (int i = 0; i < 4; ++i) {
      char part[9];
      std::snprintf(part, sizeof part, "%08x", g_random_int());
      secret += part;
    }
    return secret;
  }

  // The template with each "@NAME@" of `values` replaced, in one pass, so a value holding
  // such a name is left as it is.
  static std::string FillTemplate(const std::string& text,
                                  const std::vector<std::pair<std::string, std::string>>& values) {
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
      const size_t open = text.find('@', at);
      if (open == std::string::npos) break;
      const size_t close = text.find('@', open + 1);
      if (close == std::string::npos) break;
      const std::string name = text.substr(open + 1, close - open - 1);
      auto found = std::ranges::find(values, name, &std::pair<std::string, std::string>::first);
      if (found == values.end()) {
        out.append(text, at, close - at);
        at = close;
        continue;
      }
      out.append(text, at, open - at);
      out += found->second;
      at = close + 1;
    }
    out.append(text, at, std::string::npos);
    return out;
  }

  static std::string HostOf(const std::string& uri) {
    GPtr<GUri> parsed{g_uri_parse(uri.c_str(), G_URI_FLAGS_NONE, nullptr)};
    const char* host = parsed ? g_uri_get_host(parsed.get()) : nullptr;
    return host ? host : "";
  }

  static std::string FingerprintOf(GTlsCertificate* certificate) {
    GByteArray* der = nullptr;
    g_object_get(certificate, "certificate", &der, nullptr);
    if (!der) return {};
    std::vector<std::uint8_t> digest(32);
    gsize length = digest.size();
    GChecksum* sum = g_checksum_new(G_CHECKSUM_SHA256);
    g_checksum_update(sum, der->data, der->len);
    g_checksum_get_digest(sum, digest.data(), &length);
    g_checksum_free(sum);
    g_byte_array_unref(der);
    digest.resize(length);
    return FingerprintText(digest);
  }

  static unsigned ProblemsOf(GTlsCertificateFlags errors) {
    unsigned problems = 0;
    if (errors & G_TLS_CERTIFICATE_UNKNOWN_CA) problems |= kCertUnknownIssuer;
    if (errors & G_TLS_CERTIFICATE_BAD_IDENTITY) problems |= kCertWrongHost;
    if (errors & G_TLS_CERTIFICATE_NOT_ACTIVATED) problems |= kCertNotYetValid;
    if (errors & G_TLS_CERTIFICATE_EXPIRED) problems |= kCertExpired;
    if (errors & G_TLS_CERTIFICATE_REVOKED) problems |= kCertRevoked;
    if (errors & G_TLS_CERTIFICATE_INSECURE) problems |= kCertInsecure;
    if (errors & G_TLS_CERTIFICATE_GENERIC_ERROR) problems |= kCertOther;
    return problems;
  }

  // A main-frame load whose certificate the engine could not verify. Nothing is allowed here:
  // a certificate the copy's configuration trusts loads at once, any other waits for the
  // person's click on our page.
  static gboolean OnTlsErrors(WebKitWebView*, const gchar* failingUri, GTlsCertificate* certificate,
                              GTlsCertificateFlags errors, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (self->handedOut_) return TRUE;
    const std::string leaving = self->LeavingAddress(failingUri);
    if (!leaving.empty()) {
      // An outside page: the default browser judges its certificate.
      self->HandOut(leaving);
      return TRUE;
    }
    const std::string uri = failingUri ? failingUri : "";
    const std::string host = HostOf(uri);
    if (uri.empty() || host.empty() || !certificate) return FALSE;
    const std::string fingerprint = FingerprintOf(certificate);
    self->failedUri_ = uri;
    if (self->onNavigateError) self->onNavigateError(FromUtf8(uri), 0);
    const std::string attempt = uri + " " + fingerprint;
    if (self->factory_.trustedCertificates().Holds(fingerprint) &&
        self->trustedAttempt_ != attempt) {
      // Once for each navigation, so a certificate the engine keeps refusing shows the page.
      self->trustedAttempt_ = attempt;
      webkit_web_context_allow_tls_certificate_for_host(webkit_web_view_get_context(self->view()),
                                                        certificate, host.c_str());
      self->Later([self, uri] { self->LoadAgain(uri); });
      return TRUE;
    }
    const std::vector<std::string> words = CertificateProblemWords(ProblemsOf(errors));
    OwnPage page;
    page.error.kind = "certificate";
    page.error.address = uri;
    page.error.host = host;
    page.error.fingerprint = fingerprint;
    for (const auto& w : words) page.error.detail += (page.error.detail.empty() ? "" : " ") + w;
    page.title = "This site's certificate is not trusted";
    page.details.push_back("Someone may be pretending to be " + host +
                           ". Continue only if you know that this certificate is the one " + host +
                           " uses, for example by comparing its fingerprint with the one its "
                           "owner gave you.");
    page.details.push_back("SHA-256 fingerprint: " + fingerprint);
    page.button = "Continue to " + host;
    page.action = "continue";
    page.certificate.reset(G_TLS_CERTIFICATE(g_object_ref(certificate)));
    self->ShowOwnPage(std::move(page));
    return TRUE;
  }

  // The network came back: a page that could not be reached is tried again, once.
  static void OnNetworkChanged(GNetworkMonitor*, gboolean available, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (!available || !self->ownPage_ || self->ownPage_->action != "retry" ||
        self->ownPage_->retriedByItself || self->ownPageLoading_)
      return;
    self->ownPage_->retriedByItself = true;
    self->Later([self] { self->OwnPageAction(); });
  }

  static std::string EscapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
      switch (c) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '\'':
          out += "&#39;";
          break;
        default:
          out += c;
      }
    }
    return out;
  }

  void CalledOff() {
    calledOff_ = true;
    reported_ = shownUri_;
    if (onNavigationCalledOff) onNavigationCalledOff();
  }

  // A page that asks before it is left. The person answers later; meanwhile the navigation
  // waits, and the window starts no other.
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (webkit_script_dialog_get_dialog_type(dialog) !=
            WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM ||
        !self->factory_.askLeave || self->leavePrompt_)
      return FALSE;
    auto prompt = std::make_shared<LeavePrompt>(
        LeavePrompt{self, GPtr<WebKitScriptDialog>(webkit_script_dialog_ref(dialog))});
    self->leavePrompt_ = prompt;
    const char* message = webkit_script_dialog_get_message(dialog);
    self->factory_.askLeave(ToplevelOf(GTK_WIDGET(self->view())), message ? message : "",
                            [prompt](bool leave) {
                              if (!prompt->dialog) return;  // answered already
                              GPtr<WebKitScriptDialog> d = std::move(prompt->dialog);
                              webkit_script_dialog_confirm_set_confirmed(d.get(), leave);
                              webkit_script_dialog_close(d.get());
                              WebKitView* owner = prompt->owner;
                              if (!owner) return;
                              owner->leavePrompt_.reset();
                              if (!leave) owner->CalledOff();
                            });
    return TRUE;
  }

  // --- Permissions and notifications -------------------------------------------------------

  static std::vector<PermissionKind> KindsOf(WebKitPermissionRequest* request) {
    using K = PermissionKind;
    if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) return {K::kNotifications};
    if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) return {K::kGeolocation};
    if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
      auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
      std::vector<K> kinds;
      if (webkit_user_media_permission_is_for_display_device(media)) kinds.push_back(K::kScreen);
      if (webkit_user_media_permission_is_for_video_device(media)) kinds.push_back(K::kCamera);
      if (webkit_user_media_permission_is_for_audio_device(media)) kinds.push_back(K::kMicrophone);
      return kinds;
    }
    if (WEBKIT_IS_DEVICE_INFO_PERMISSION_REQUEST(request)) return {K::kDeviceInfo};
    if (WEBKIT_IS_MEDIA_KEY_SYSTEM_PERMISSION_REQUEST(request)) return {K::kMediaKeys};
    if (WEBKIT_IS_POINTER_LOCK_PERMISSION_REQUEST(request)) return {K::kPointerLock};
    if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request)) return {K::kClipboard};
    return {};  // nothing a page may be granted (the engine's own plug-in installation)
  }

  // A page's request waits for the window's answer; the engine refuses it if the answer
  // never comes (the request is let go with the last copy of the answer).
  static gboolean OnPermissionRequest(WebKitWebView* view, WebKitPermissionRequest* request,
                                      gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    const char* shown = webkit_web_view_get_uri(view);
    const std::string uri = shown ? shown : "";
    PermissionRequest asked{OriginOf(uri), HostOf(uri), KindsOf(request)};
    if (asked.kinds.empty() || asked.origin.empty() || !self->onPermissionRequest) {
      webkit_permission_request_deny(request);
      return TRUE;
    }
    std::shared_ptr<WebKitPermissionRequest> held(
        WEBKIT_PERMISSION_REQUEST(g_object_ref(request)),
        [](WebKitPermissionRequest* r) { g_object_unref(r); });
    auto answered = std::make_shared<bool>(false);
    self->onPermissionRequest(asked, [held, answered](bool allow) {
      if (*answered) return;
      *answered = true;
      if (allow)
        webkit_permission_request_allow(held.get());
      else
        webkit_permission_request_deny(held.get());
    });
    return TRUE;
  }

  static gboolean OnPermissionQuery(WebKitWebView*, WebKitPermissionStateQuery* query,
                                    gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    static const std::pair<const char*, PermissionKind> kNames[] = {
        {"notifications", PermissionKind::kNotifications},
        {"geolocation", PermissionKind::kGeolocation},
        {"camera", PermissionKind::kCamera},
        {"microphone", PermissionKind::kMicrophone},
        {"clipboard-read", PermissionKind::kClipboard},
    };
    const char* name = webkit_permission_state_query_get_name(query);
    auto kind = std::ranges::find_if(
        kNames, [name](const auto& n) { return g_strcmp0(n.first, name) == 0; });
    WebKitSecurityOrigin* from = webkit_permission_state_query_get_security_origin(query);
    if (kind == std::end(kNames) || !from || !self->onPermissionState) return FALSE;
    GPtr<gchar> text(webkit_security_origin_to_string(from));
    const std::optional<bool> known =
        self->onPermissionState(OriginOf(text ? text.get() : ""), kind->second);
    webkit_permission_state_query_finish(query, !known   ? WEBKIT_PERMISSION_STATE_PROMPT
                                                : *known ? WEBKIT_PERMISSION_STATE_GRANTED
                                                         : WEBKIT_PERMISSION_STATE_DENIED);
    return TRUE;
  }

  // A page's notification goes to the desktop under the copy's name and icon. A click on it
  // brings the window to the front and tells the page.
  struct PageNotification {
    GObjectPtr<WebKitNotification> page;
    std::unique_ptr<DesktopNotification> shown;
  };

  static gboolean OnShowNotification(WebKitWebView*, WebKitNotification* notification,
                                     gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (self->notifications_.size() >= kMaxNotifications) ForgetNotification(self, 0);
    auto entry = std::make_unique<PageNotification>();
    entry->page.reset(WEBKIT_NOTIFICATION(g_object_ref(notification)));
    const char* title = webkit_notification_get_title(notification);
    const char* body = webkit_notification_get_body(notification);
    DesktopNotification::Content content{self->factory_.notificationAppName,
                                         self->factory_.notificationIcon, title ? title : "",
                                         body ? body : ""};
    WebKitNotification* key = notification;
    entry->shown = std::make_unique<DesktopNotification>(
        content,
        [self, key] {
          if (Gtk::Window* window = ToplevelOf(GTK_WIDGET(self->view()))) window->present();
          webkit_notification_clicked(key);
        },
        [self, key] {
          // Closed on the desktop: the page hears of it and the entry goes.
          self->Later([self, key] {
            auto found = self->FindNotification(key);
            if (found == self->notifications_.end()) return;
            g_signal_handlers_disconnect_by_data((*found)->page.get(), self);
            GObjectPtr<WebKitNotification> page = std::move((*found)->page);
            self->notifications_.erase(found);
            webkit_notification_close(page.get());
          });
        });
    g_signal_connect(notification, "closed", G_CALLBACK(OnNotificationClosedByPage), self);
    self->notifications_.push_back(std::move(entry));
    return TRUE;
  }

  // The page closed its notification (or the engine did, for a page that went away).
  static void OnNotificationClosedByPage(WebKitNotification* notification, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    auto found = self->FindNotification(notification);
    if (found == self->notifications_.end()) return;
    (*found)->shown->Close();
    ForgetNotification(self, static_cast<size_t>(found - self->notifications_.begin()));
  }

  static void ForgetNotification(WebKitView* self, size_t index) {
    g_signal_handlers_disconnect_by_data(self->notifications_[index]->page.get(), self);
    self->notifications_.erase(self->notifications_.begin() + static_cast<std::ptrdiff_t>(index));
  }

  std::vector<std::unique_ptr<PageNotification>>::iterator FindNotification(
      WebKitNotification* notification) {
    return std::ranges::find_if(
        notifications_, [notification](const auto& n) { return n->page.get() == notification; });
  }

  // A page that notifies in a loop keeps only this many on the desktop; the oldest goes.
  static constexpr size_t kMaxNotifications = 20;

  // Downloads. The context is shared by related views, so each view takes only its own.
  static void OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (webkit_download_get_web_view(download) != self->view()) return;
    Download::Hooks hooks;
    hooks.chooseFile = [self](const std::string& name) {
      return self->factory_.chooseDownloadFile(ToplevelOf(GTK_WIDGET(self->view())), name);
    };
    hooks.status = [self](const std::string& text) {
      if (self->onStatusText) self->onStatusText(FromUtf8(text));
    };
    hooks.showError = self->factory_.showError;
    hooks.ended = [self](Download& ended) {
      self->downloads_.remove_if(
          [&ended](const std::unique_ptr<Download>& d) { return d.get() == &ended; });
    };
    self->downloads_.push_back(std::make_unique<Download>(download, std::move(hooks)));
  }

  WebKitWebView* view() const { return view_.get(); }

  const WebKitViewFactory& factory_;
  GObjectPtr<WebKitWebView> view_;
  Gtk::Widget* widget_ = nullptr;  // wrapper owned by the GTK object
  GObjectPtr<GCancellable> cancel_{g_cancellable_new()};
  bool loading_ = false;        // between WEBKIT_LOAD_STARTED and WEBKIT_LOAD_FINISHED
  bool inNavigate_ = false;     // inside Navigate's load_uri
  bool startReported_ = false;  // the next load's address was reported before it started
  bool awaiting_ = false;       // a load started whose address is not reported yet
  std::string reported_;        // the last address raised as a before-navigate event
  std::string failedUri_;       // the address whose load failed, until the next load starts
  std::string shownUri_;        // the address of the page committed or moved to in its document
  bool calledOff_ = false;      // the last announced navigation did not happen
  guint afterEnd_ = 0;          // the idle source that shows the page after its process ended
  WebKitWebProcessTerminationReason endReason_ = WEBKIT_WEB_PROCESS_CRASHED;
  std::shared_ptr<LeavePrompt> leavePrompt_;  // the page's question before leaving, while open
  std::list<std::unique_ptr<Download>> downloads_;
  std::list<GObjectPtr<WebKitPrintOperation>> prints_;

  // Our explanation pages and what waits for the main loop.
  std::unique_ptr<OwnPage> ownPage_;  // the explanation shown, while it is shown
  bool ownPageLoading_ = false;       // from its load's start to its end
  bool errorShown_ = false;           // onPageError told of an error no page has replaced yet
  bool retrying_ = false;             // inside LoadAgain's load_uri
  bool loadedAgainAfterEnd_ = false;  // the navigation was loaded again after its process ended
  std::string queuedLoad_;            // asked for while our page loaded; loads after it
  std::string trustedAttempt_;        // address and fingerprint let through by the trust key
  unsigned generation_ = 0;           // counts navigations, so a late task finds it outdated
  std::vector<std::pair<unsigned, std::function<void()>>> tasks_;
  guint taskIdle_ = 0;
  std::vector<std::unique_ptr<PageNotification>> notifications_;
  std::unique_ptr<WebKitPageTools> tools_;  // find, zoom, context menu

  // The "internal" key.
  std::deque<NotedNavigation> noted_;     // the navigation decisions of late, newest last
  bool pageLoad_ = false;                 // the main frame's load under way is the page's
  bool redirected_ = false;               // ...and a server redirected it
  std::optional<NotedNavigation> start_;  // ...and its decision
  bool handedOut_ = false;                // it went to the default browser; its end is no failure
};

}  // namespace

namespace {

// The probe: bubblewrap creating the namespaces the engine's sandbox asks for. It fails
// quickly on a system that does not allow them.
struct SandboxProbe {
  bool started = false;
  bool spawned = false;
  GPid pid = 0;
};

SandboxProbe& TheSandboxProbe() {
  static SandboxProbe probe;
  return probe;
}

void SpawnSandboxProbe(SandboxProbe& probe) {
  probe.started = true;
  GPtr<gchar> bwrap{g_find_program_in_path("bwrap")};
  if (!bwrap) return;
  const char* argv[] = {bwrap.get(),     "--ro-bind",         "/",         "/",
                        "--unshare-all", "--die-with-parent", "/bin/true", nullptr};
  probe.spawned = g_spawn_async(
      nullptr, const_cast<char**>(argv), nullptr,
      static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL |
                               G_SPAWN_STDERR_TO_DEV_NULL),
      nullptr, nullptr, &probe.pid, nullptr);
}

// The probe's answer: whether bubblewrap ran and ended well.
bool SandboxProbeAnswer(SandboxProbe& probe) {
  if (!probe.started) SpawnSandboxProbe(probe);
  if (!probe.spawned) return false;
  // Bubblewrap answers within milliseconds; one that hangs (a broken set-up) must not hold the
  // start for ever: after 5 s it is ended and counts as a sandbox that cannot work here.
  int status = 0;
  pid_t ended = -1;
  const gint64 deadline = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
  for (;;) {
    ended = waitpid(probe.pid, &status, WNOHANG);
    if (ended != 0 && !(ended < 0 && errno == EINTR)) break;
    if (g_get_monotonic_time() >= deadline) {
      kill(probe.pid, SIGKILL);
      waitpid(probe.pid, nullptr, 0);
      ended = -1;
      break;
    }
    g_usleep(500);
  }
  g_spawn_close_pid(probe.pid);
  probe.spawned = false;
  return ended == probe.pid && g_spawn_check_wait_status(status, nullptr);
}

}  // namespace

void StartEngineSandboxProbe() {
  SandboxProbe& probe = TheSandboxProbe();
  if (probe.started) return;
  TimelineMark("sandbox probe started");
  SpawnSandboxProbe(probe);
}

bool ConfigureEngineSandbox(WebKitWebContext* context) {
  static int decided = -1;
  if (decided >= 0) {
    // Once a context has started a web process the engine refuses any change of its sandbox,
    // even to the same setting; so a context is set only while it still differs (a new one).
    if (static_cast<bool>(webkit_web_context_get_sandbox_enabled(context)) != (decided == 1))
      webkit_web_context_set_sandbox_enabled(context, decided == 1);
    return decided == 1;
  }
  TimelineMark("sandbox probe answer wanted");
  const bool usable = SandboxProbeAnswer(TheSandboxProbe());
  TimelineMark(usable ? "sandbox probe answered: sandbox on"
                      : "sandbox probe answered: sandbox off");
  webkit_web_context_set_sandbox_enabled(context, usable);
  decided = usable ? 1 : 0;
  return usable;
}

WebKitViewFactory::WebKitViewFactory()
    : choosePageFile(ChoosePageFile),
      chooseDownloadFile(ChooseDownloadFile),
      askLeave(AskLeave),
      showError([](const Text& message) { std::fprintf(stderr, "%s\n", ToUtf8(message).c_str()); }),
      settings_(webkit_settings_new()) {
  defaultAccelerationPolicy_ =
      static_cast<int>(webkit_settings_get_hardware_acceleration_policy(settings_.get()));
  // A page may ask for the camera and the microphone; the person answers on the permission bar.
  webkit_settings_set_enable_media_stream(settings_.get(), TRUE);
  // Lean until the configuration says otherwise; see ApplyConfig.
  webkit_settings_set_hardware_acceleration_policy(settings_.get(),
                                                   WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
}

WebKitViewFactory::~WebKitViewFactory() {
  if (notifyContext_) g_signal_handlers_disconnect_by_data(notifyContext_, this);
}

void WebKitViewFactory::ApplyConfig(const ValueList& resList) {
  trust_ = ParseTrustList(ToUtf8(ValueOf(resList, u"trust")));
  internal_ = ParseHostPatterns(ToUtf8(ValueOf(resList, u"internal")));
  const std::int32_t color = TextToColor(ValueOf(resList, u"color"));
  if (color > 0) {
    char css[8];
    std::snprintf(css, sizeof css, "#%02X%02X%02X", color & 0xFF, (color >> 8) & 0xFF,
                  (color >> 16) & 0xFF);
    accent_ = css;
  }
  const bool gpu = TextToBool(ValueOf(resList, u"gpu"));
  webkit_settings_set_hardware_acceleration_policy(
      settings_.get(),
      gpu ? static_cast<WebKitHardwareAccelerationPolicy>(defaultAccelerationPolicy_)
          : WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  ApplyPageToolsConfig(settings_.get(),
                       context_ ? context_.get() : webkit_web_context_get_default(), resList);
}

void WebKitViewFactory::UseProfile(const Profile& profile) {
  GObjectPtr<WebKitWebsiteDataManager> manager(
      profile.ephemeral ? webkit_website_data_manager_new_ephemeral()
                        : webkit_website_data_manager_new(
                              "base-data-directory", profile.data.c_str(), "base-cache-directory",
                              profile.cache.c_str(), nullptr));
  context_.reset(webkit_web_context_new_with_website_data_manager(manager.get()));
  if (!profile.ephemeral) {
    webkit_cookie_manager_set_persistent_storage(
        webkit_website_data_manager_get_cookie_manager(manager.get()),
        (profile.data + "cookies.sqlite").c_str(), WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  }
}

namespace {

// The origins allowed and refused notifications, for a web process starting.
void InitializeNotificationPermissions(WebKitWebContext* context, gpointer data) {
  auto* self = static_cast<WebKitViewFactory*>(data);
  if (!self->notificationOrigins) return;
  std::vector<std::string> allowed, blocked;
  self->notificationOrigins(allowed, blocked);
  auto toList = [](const std::vector<std::string>& origins) {
    GList* list = nullptr;
    for (const auto& o : origins)
      if (WebKitSecurityOrigin* origin = webkit_security_origin_new_for_uri(o.c_str()))
        list = g_list_prepend(list, origin);
    return list;
  };
  GList* allow = toList(allowed);
  GList* block = toList(blocked);
  webkit_web_context_initialize_notification_permissions(context, allow, block);
  g_list_free_full(allow, reinterpret_cast<GDestroyNotify>(webkit_security_origin_unref));
  g_list_free_full(block, reinterpret_cast<GDestroyNotify>(webkit_security_origin_unref));
}

}  // namespace

void WebKitViewFactory::ConnectNotificationPermissions(WebKitWebContext* context) {
  if (notifyContext_ == context) return;
  if (notifyContext_) g_signal_handlers_disconnect_by_data(notifyContext_, this);
  notifyContext_ = context;
  g_signal_connect(context, "initialize-notification-permissions",
                   G_CALLBACK(InitializeNotificationPermissions), this);
  if (TimelineEnabled()) {
    // Emitted as the context is about to launch a web process.
    g_signal_connect(context, "initialize-web-extensions",
                     G_CALLBACK(+[](WebKitWebContext*, gpointer) {
                       TimelineMarkOnce("first web process launched");
                     }),
                     this);
  }
}

void WebKitViewFactory::ClearWebsiteData(std::function<void(const std::string& error)> done) {
  WebKitWebContext* context = context_ ? context_.get() : webkit_web_context_get_default();
  WebKitWebsiteDataManager* manager = webkit_web_context_get_website_data_manager(context);
  using Done = std::function<void(const std::string&)>;
  webkit_website_data_manager_clear(
      manager, WEBKIT_WEBSITE_DATA_ALL, 0, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Done> finished(static_cast<Done*>(data));
        GPtr<GError> error;
        const bool ok = webkit_website_data_manager_clear_finish(
            WEBKIT_WEBSITE_DATA_MANAGER(source), result, OutPtr(error));
        (*finished)(ok ? std::string() : MessageOf(error.get()));
      },
      new Done(std::move(done)));
}

std::unique_ptr<WebView> WebKitViewFactory::Create(WebView* related) {
  WebKitWebContext* context = context_ ? context_.get() : webkit_web_context_get_default();
  ConfigureEngineSandbox(context);
  ConnectNotificationPermissions(context);
  return std::make_unique<WebKitView>(*this, dynamic_cast<WebKitView*>(related));
}

}  // namespace wb
