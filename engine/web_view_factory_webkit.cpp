// The factory of the WebKitGTK views: the engine settings and the context every view of the
// program shares, and what the configuration block sets in them.
#include <webkit2/webkit2.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <utility>

#include "engine/app_badge_webkit.h"
#include "engine/copy_keys_webkit.h"
#include "engine/http_auth_webkit.h"
#include "engine/page_tools_webkit.h"
#include "engine/web_view_webkit.h"
#include "engine/webkit_view.h"
#include "storage/timeline.h"
#include "support/address.h"
#include "support/values.h"

namespace wb {

WebKitViewFactory::WebKitViewFactory()
    : choosePageFile(ChoosePageFile),
      chooseDownloadFile(ChooseDownloadFile),
      askLeave(AskLeave),
      showError([](const Text& message) { std::fprintf(stderr, "%s\n", ToUtf8(message).c_str()); }),
      settings_(webkit_settings_new()),
      content_(webkit_user_content_manager_new()) {
  if (const gchar* agent = webkit_settings_get_user_agent(settings_.get())) engineAgent_ = agent;
  defaultAccelerationPolicy_ =
      static_cast<int>(webkit_settings_get_hardware_acceleration_policy(settings_.get()));
  // A page may ask for the camera and the microphone; the person answers on the permission bar.
  webkit_settings_set_enable_media_stream(settings_.get(), TRUE);
  RegisterAppBadgeHandler(content_.get());
  TurnOffEngineAppBadge(settings_.get());
  // Lean until the configuration says otherwise; see ApplyConfig.
  webkit_settings_set_hardware_acceleration_policy(settings_.get(),
                                                   WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
}

WebKitViewFactory::~WebKitViewFactory() {
  if (notifyContext_) g_signal_handlers_disconnect_by_data(notifyContext_, this);
}

void WebKitViewFactory::ApplyConfig(const WindowConfig& config) {
  trust_ = config.trust;
  internal_ = config.internal;
  startHost_ = HostOfAddress(ResolveAddress(ToUtf8(config.go)));
  if (config.color > 0) accent_ = WebColor(config.color);
  background_ = config.background;
  for (WebKitWebView* view : views_) ApplyPageBackground(view, background_);
  webkit_settings_set_hardware_acceleration_policy(
      settings_.get(),
      config.gpu ? static_cast<WebKitHardwareAccelerationPolicy>(defaultAccelerationPolicy_)
                 : WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  WebKitWebContext* context = context_ ? context_.get() : webkit_web_context_get_default();
  ApplyPageToolsConfig(settings_.get(), context, config);
  ApplyUserAgent(settings_.get(), config.agent, engineAgent_);
  ApplyPageAdditions(content_.get(), config, startHost_);
  ApplyAppBadgeScripts(content_.get(), startHost_, internal_);
  ApplyProxy(webkit_web_context_get_website_data_manager(context), config.proxy, config.noproxy);
  ApplyPreferredLanguages(context, config.lang);
  if (!colorScheme_) colorScheme_ = std::make_unique<ColorSchemeSetting>();
  colorScheme_->Apply(config.dark);
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

// A list of security origins the engine borrows for one call.
class OriginList {
 public:
  explicit OriginList(const std::vector<std::string>& origins) {
    for (const auto& o : origins)
      if (WebKitSecurityOrigin* origin = webkit_security_origin_new_for_uri(o.c_str()))
        list_ = g_list_prepend(list_, origin);
  }
  ~OriginList() {
    g_list_free_full(list_, reinterpret_cast<GDestroyNotify>(webkit_security_origin_unref));
  }
  OriginList(const OriginList&) = delete;
  OriginList& operator=(const OriginList&) = delete;
  GList* get() const { return list_; }

 private:
  GList* list_ = nullptr;
};

// The origins allowed and refused notifications, for a web process starting.
void InitializeNotificationPermissions(WebKitWebContext* context, gpointer data) {
  auto* self = static_cast<WebKitViewFactory*>(data);
  if (!self->notificationOrigins) return;
  std::vector<std::string> allowed, blocked;
  self->notificationOrigins(allowed, blocked);
  const OriginList allow(allowed), block(blocked);
  webkit_web_context_initialize_notification_permissions(context, allow.get(), block.get());
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
        if (!webkit_website_data_manager_clear_finish(WEBKIT_WEBSITE_DATA_MANAGER(source), result,
                                                      OutPtr(error))) {
          (*finished)(MessageOf(error.get()));
          return;
        }
        // No kind of website data holds the HTTP sign-ins: the network process keeps them for
        // as long as it runs, so it is ended, and the next request starts a new one.
        EndNetworkProcess(std::move(*finished));
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
