#pragma once
// The web views on WebKitGTK, as the program makes them: the factory (web_view_factory_webkit.cpp)
// and the engine's sandbox (sandbox_probe.cpp). The view itself is webkit_view.h; what it does
// besides showing pages is a file each: saving and printing, downloads, notifications,
// permissions, certificates, find and zoom, and the questions it asks (dialogs.h).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/dialogs.h"
#include "engine/web_view.h"
#include "model/blank_window.h"
#include "platform/glib_ptr.h"
#include "platform/profile.h"
#include "support/certificate.h"
#include "support/host_patterns.h"

typedef struct _WebKitSettings WebKitSettings;
typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitUserContentManager WebKitUserContentManager;
typedef struct _WebKitWebView WebKitWebView;

namespace Gtk {
class Window;
}

namespace wb {

class ColorSchemeSetting;

// Shows `color` (the "background" key, red in the lowest byte) where `view` has not painted
// yet; 0 or less leaves the engine's white.
void ApplyPageBackground(WebKitWebView* view, std::int32_t color);

class WebKitViewFactory : public WebViewFactory {
 public:
  WebKitViewFactory();
  ~WebKitViewFactory() override;
  WebKitViewFactory(const WebKitViewFactory&) = delete;
  WebKitViewFactory& operator=(const WebKitViewFactory&) = delete;
  std::unique_ptr<WebView> Create(WebView* related) override;

  // The engine's part of the configuration: the user agent, the copy's style and script, the
  // proxy and the colour scheme (copy_keys_webkit.h), the inspector and spelling
  // (page_tools_webkit.h), and the configuration key "gpu" (a switch, read with TextToBool): true
  // leaves the engine's hardware acceleration policy as the engine sets it; false or missing turns
  // hardware acceleration off. A single-site window rarely needs it, and without it the engine's
  // web process holds no GL context and compositing buffers: about a quarter less memory (see the
  // README's Performance section). Sites with WebGL, video or heavy CSS animation set gpu=1.
  void ApplyConfig(const WindowConfig& config) override;
  void ClearWebsiteData(std::function<void(const std::string& error)> done) override;

  // The questions the views ask the user; the dialogs of dialogs.h unless replaced (tests answer
  // them without a dialog). `parent` may be null.
  std::function<SaveChoice(Gtk::Window* parent, const std::string& suggestedName)> choosePageFile;
  // Where to save a download: the answer may come later, once the question has returned (an
  // empty path declines it); a download gone by then ignores it.
  std::function<void(Gtk::Window* parent, const std::string& suggestedName,
                     std::function<void(const std::string& path)> answer)>
      chooseDownloadFile;
  // A page that asks before it is left: `answer(true)` leaves it, `answer(false)` stays. The
  // answer may come later, after the question has returned; it is ignored once the view is
  // gone.
  std::function<void(Gtk::Window* parent, const std::string& message,
                     std::function<void(bool leave)> answer)>
      askLeave;

  // Shows an error that arrives in an engine callback, where no exception could travel back
  // through the engine's C code: a page that could not be saved or printed, a download that
  // failed. The program sets its standard error display; until then the message goes to the
  // standard error stream.
  std::function<void(const Text& message)> showError;

  // Whether the configuration key "trust" (read by ApplyConfig) accepts the certificate with
  // `fingerprint` that `host` presented with `problems`, without the certificate error page:
  // a fingerprint alone for the start address's host and the "internal" hosts, HOST=FINGERPRINT
  // for that host; never a revoked one.
  bool Trusts(const std::string& fingerprint, const std::string& host, unsigned problems) const {
    return trust_.Trusts(fingerprint, host, host == startHost_ || internal_.Matches(host),
                         problems);
  }
  // The hosts of the configuration key "internal" (read by ApplyConfig): empty when the key is
  // not set.
  const HostPatterns& internalHosts() const { return internal_; }
  // The host of the start address (read by ApplyConfig), empty when it has none.
  const std::string& startHost() const { return startHost_; }
  // The CSS colour of the band atop the explanation pages of ours (the configured window
  // colour, else the design's).
  const std::string& pageAccent() const { return accent_; }
  // The colour of a view before its page paints (the "background" key, red in the lowest byte),
  // or 0 for the engine's white.
  std::int32_t pageBackground() const { return background_; }
  // The views of this factory while they live, so that a background read after a view was
  // made (the main window makes its view before it reads the configuration) reaches it too.
  void AddView(WebKitWebView* view) const { views_.push_back(view); }
  void RemoveView(WebKitWebView* view) const { std::erase(views_, view); }

  // How long a window that a page opened without an address may wait, neither written to nor
  // sent anywhere, before it is closed.
  std::int64_t blankWindowWaitMs = BlankWindow::kWaitMs;

  // The engine settings shared by every view of this factory.
  WebKitSettings* engineSettings() const { return settings_.get(); }
  // The copy's style and script, shared by every view of this factory like the settings.
  WebKitUserContentManager* userContent() const { return content_.get(); }

  // Where the views keep what the site stores: a context of their own over the profile's
  // folders, cookies with an expiry kept in its SQLite cookie file (session cookies end with
  // the program, as in a browser), or nothing on disk for an ephemeral profile. Must come
  // before the first view; without it the views use the engine's default context.
  void UseProfile(const Profile& profile);
  // The context the views are made in; null: the engine's default.
  WebKitWebContext* engineContext() const { return context_.get(); }

 private:
  GObjectPtr<WebKitSettings> settings_;
  GObjectPtr<WebKitUserContentManager> content_;
  GObjectPtr<WebKitWebContext> context_;
  int defaultAccelerationPolicy_ = 0;
  std::string engineAgent_;  // the engine's own user agent, for "agent=+TEXT"
  TrustList trust_;
  std::string startHost_;  // the host of the configured start address
  HostPatterns internal_;
  std::string accent_ = "#000080";
  std::int32_t background_ = 0;
  mutable std::vector<WebKitWebView*> views_;
  WebKitWebContext* notifyContext_ = nullptr;  // whose new web processes ask notificationOrigins
  std::unique_ptr<ColorSchemeSetting> colorScheme_;  // the "dark" key, or the desktop's scheme
  void ConnectNotificationPermissions(WebKitWebContext* context);
};

// Decides whether the engine's sandbox can be used here and sets the engine up for it. The
// sandbox is turned on whenever bubblewrap can create its namespaces; it is left off only
// where it cannot work (no bubblewrap, or a system that refuses user namespaces), since the
// engine's web process would not start at all otherwise. Returns whether it is on.
bool ConfigureEngineSandbox(WebKitWebContext* context);

// Starts the probe ConfigureEngineSandbox asks (once per process), without waiting for it: the
// program entry calls it first thing, so that bubblewrap runs while the toolkit and the engine
// initialise, and the first web view finds the answer ready. Without it the probe runs when
// the first web view is made.
void StartEngineSandboxProbe();

}  // namespace wb
