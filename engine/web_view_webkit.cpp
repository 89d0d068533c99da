// The one WebKitGTK implementation of the web view. Every engine signal is connected in
// Connect() and disconnected in the destructor, before the widget goes away, so no callback
// can reach a destroyed view.
#include "engine/web_view_webkit.h"

#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <list>
#include <memory>
#include <stdexcept>
#include <utility>

#include "engine/download.h"
#include "engine/page_tools_webkit.h"
#include "platform/resources.h"
#include "storage/atomic_file.h"
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
  }

  ~WebKitView() override {
    if (afterEnd_) g_source_remove(afterEnd_);
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
    inNavigate_ = true;
    startReported_ = false;
    calledOff_ = false;
    webkit_web_view_load_uri(view(), uri.c_str());
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
    g_signal_connect(view(), "script-dialog", G_CALLBACK(OnScriptDialog), this);
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
        self->failedUri_.clear();
        self->calledOff_ = false;
        self->loading_ = true;
        self->awaiting_ = !self->startReported_;
        self->startReported_ = false;
        break;
      case WEBKIT_LOAD_REDIRECTED:
        // A redirect continues the same navigation; the history keeps the address the user
        // asked for, so that Back returns to something the user chose.
        break;
      case WEBKIT_LOAD_COMMITTED: {
        if (const char* uri = webkit_web_view_get_uri(view)) self->shownUri_ = uri;
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
        self->loading_ = false;
        self->awaiting_ = false;
        if (self->onProgressChange) self->onProgressChange(0, 0);
        break;
    }
  }

  static void OnUriChanged(WebKitWebView* view, GParamSpec*, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    const char* uri = webkit_web_view_get_uri(view);
    if (!uri || !*uri) return;
    if (self->inNavigate_) {
      // The program's own load: reported now, so its start does not wait for another.
      self->startReported_ = true;
      self->Report(uri);
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
    // A load the user stopped, or one that turned into a download, did not fail.
    bool quiet = g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
                 g_error_matches(error, WEBKIT_POLICY_ERROR,
                                 WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
                 g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_DESTINATION);
    if (!quiet) {
      self->failedUri_ = uri ? uri : "";
      if (self->onNavigateError) self->onNavigateError(FromUtf8(self->failedUri_), 0);
    } else if (g_error_matches(error, WEBKIT_POLICY_ERROR,
                               WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE)) {
      // A download, not a page: the page shown before stays.
      self->CalledOff();
    }
    return FALSE;  // the engine shows its own error page
  }

  static void OnProgress(WebKitWebView* view, GParamSpec*, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (!self->loading_ || !self->onProgressChange) return;
    double p = webkit_web_view_get_estimated_load_progress(view);
    int percent = static_cast<int>(p * 100.0 + 0.5);
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    self->onProgressChange(percent, 100);
  }

  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                 WebKitPolicyDecisionType type, gpointer data) {
    auto* self = static_cast<WebKitView*>(data);
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
      // A link with a target of its own or a script's window.open: the site-as-app window
      // has no second window to offer, so the address goes to the user's browser.
      auto* nav = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
      WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(nav);
      WebKitURIRequest* request = webkit_navigation_action_get_request(action);
      const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
      webkit_policy_decision_ignore(decision);
      if (uri && *uri && g_strcmp0(uri, "about:blank") != 0 && self->onNewWindow)
        self->onNewWindow(FromUtf8(uri));
      return TRUE;
    }
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
      auto* resp = WEBKIT_RESPONSE_POLICY_DECISION(decision);
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
    // Reached only by a new-window request that bypassed the policy decision above.
    auto* self = static_cast<WebKitView*>(data);
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    if (uri && *uri && g_strcmp0(uri, "about:blank") != 0 && self->onNewWindow)
      self->onNewWindow(FromUtf8(uri));
    return nullptr;
  }

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
    // A navigation asked for after the process had ended, before the engine said so, is what
    // the person wants to see: it is loaded again in a new process instead.
    const char* pending = webkit_web_view_get_uri(view);
    if (pending && *pending && (self->loading_ || self->shownUri_ != pending)) {
      const std::string again = pending;
      webkit_web_view_load_uri(view, again.c_str());
      return G_SOURCE_REMOVE;
    }
    std::string address = !self->shownUri_.empty() ? self->shownUri_ : self->reported_;
    if (address.empty()) address = "about:blank";
    self->loading_ = false;
    self->awaiting_ = false;
    std::string page = LoadResText(u"crashed_page.html");
    page = ReplaceAllText(page, "@REASON@", EscapeHtml(why));
    page = ReplaceAllText(page, "@ADDRESS@", EscapeHtml(address));
    webkit_web_view_load_alternate_html(view, page.c_str(), address.c_str(), nullptr);
    return G_SOURCE_REMOVE;
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

  static std::string ReplaceAllText(std::string text, const std::string& from,
                                    const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
    return text;
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
  std::unique_ptr<WebKitPageTools> tools_;  // find, zoom, context menu
};

}  // namespace

bool ConfigureEngineSandbox(WebKitWebContext* context) {
  static int decided = -1;
  if (decided >= 0) {
    // Once a context has started a web process the engine refuses any change of its sandbox,
    // even to the same setting; so a context is set only while it still differs (a new one).
    if (static_cast<bool>(webkit_web_context_get_sandbox_enabled(context)) != (decided == 1))
      webkit_web_context_set_sandbox_enabled(context, decided == 1);
    return decided == 1;
  }
  bool usable = false;
  if (GPtr<gchar> bwrap{g_find_program_in_path("bwrap")}) {
    // The probe creates the namespaces the engine's sandbox asks for; it fails quickly on a
    // system that does not allow them.
    const char* argv[] = {bwrap.get(),     "--ro-bind",         "/",         "/",
                          "--unshare-all", "--die-with-parent", "/bin/true", nullptr};
    gint status = 1;
    if (g_spawn_sync(
            nullptr, const_cast<char**>(argv), nullptr,
            static_cast<GSpawnFlags>(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
            nullptr, nullptr, nullptr, nullptr, &status, nullptr)) {
      usable = g_spawn_check_wait_status(status, nullptr);
    }
  }
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
  // Lean until the configuration says otherwise; see ApplyConfig.
  webkit_settings_set_hardware_acceleration_policy(settings_.get(),
                                                   WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
}

WebKitViewFactory::~WebKitViewFactory() = default;

void WebKitViewFactory::ApplyConfig(const ValueList& resList) {
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

std::unique_ptr<WebView> WebKitViewFactory::Create(WebView* related) {
  ConfigureEngineSandbox(context_ ? context_.get() : webkit_web_context_get_default());
  return std::make_unique<WebKitView>(*this, dynamic_cast<WebKitView*>(related));
}

}  // namespace wb
