// What a maker sets per copy, on the real engine against loopback servers: the user agent in
// the requests and the page, the copy's style and script on its own host only, a proxy of the
// test's own with hosts that go direct, and the colour scheme the page sees. One server is
// reached under two hosts: 127.0.0.1 is the start address's host, localhost another site.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <json-glib/json-glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/remote_channel.h"
#include "tests/common/engine_window.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/loopback_server.h"
#include "tests/common/page_script.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wbtest {
namespace {

using wb::Text;

class CopyKeysEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(kGtkmmReady); }
};

struct Window : EngineWindow {
  using EngineWindow::EngineWindow;
  WebKitWebView* view() { return WEBKIT_WEB_VIEW(form->View().widget().gobj()); }
  std::string Eval(const std::string& script) { return ScriptText(view(), script); }
};

std::string OtherHost(const LoopbackServer& server) {
  const std::string base = server.Base();
  return "http://localhost" + base.substr(base.rfind(':'));
}

// The value of header `name` in a request head, empty when it has none.
std::string Header(const std::string& head, const std::string& name) {
  const auto at = head.find("\r\n" + name + ": ");
  if (at == std::string::npos) return {};
  const auto start = at + name.size() + 4;
  return head.substr(start, head.find("\r\n", start) - start);
}

const char kPage[] = "<html><head><title>Page</title></head><body>page</body></html>";

TEST_F(CopyKeysEndToEnd, TheAgentReachesTheServerAndThePage) {
  LoopbackServer server;
  server.Page("/agent", kPage);
  std::string engine;
  {
    Window w({u"go=" + wb::FromUtf8(server.Url("/agent"))});
    ASSERT_TRUE(w.Loaded(server.Url("/agent")));
    engine = w.Eval("navigator.userAgent");
    ASSERT_NE(engine.find("AppleWebKit"), std::string::npos) << engine;
  }
  const struct {
    const char* key;
    std::string sent;
  } cases[] = {
      {"agent=Shop/2.0 (Acme)", "Shop/2.0 (Acme)"},
      {"agent=+Shop/2.0", engine + " Shop/2.0"},
      {"agent=Shop\t2", engine},  // not a header's text: the engine's own
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    server.Clear();
    server.Page("/agent", kPage);
    Window w({u"go=" + wb::FromUtf8(server.Url("/agent")), wb::FromUtf8(c.key)});
    ASSERT_TRUE(w.Loaded(server.Url("/agent")));
    const auto heads = server.Heads("/agent");
    ASSERT_FALSE(heads.empty());
    EXPECT_EQ(Header(heads.back(), "User-Agent"), c.sent);
    EXPECT_EQ(w.Eval("navigator.userAgent"), c.sent);
  }
}

// The style colours the pages of the start host, never another site's; the script runs before
// the page's own scripts, in the main frame of the start host only.
TEST_F(CopyKeysEndToEnd, TheStyleAndTheScriptOnlyOnTheCopysOwnHost) {
  LoopbackServer server;
  const std::string page =
      "<html><head><title>Own</title><script>window.pageSaw = String(window.copyRan);"
      "</script></head><body>text<iframe src='/frame'></iframe></body></html>";
  server.Page("/own", page);
  server.Page("/other", page);
  server.Page("/frame",
              "<html><body><script>parent.frameSaw = String(window.copyRan);</script></body>"
              "</html>");
  wb::WindowConfig config = wb::WindowConfigFromValues({u"go=" + wb::FromUtf8(server.Url("/own"))});
  config.style = "body { background-color: rgb(1, 2, 3); }";
  config.script = "window.copyRan = (window.copyRan || 0) + 1;";
  Window w(config);
  ASSERT_TRUE(w.Loaded(server.Url("/own")));
  ASSERT_TRUE(SpinUntil([&] { return w.Eval("typeof window.frameSaw") == "string"; }, 10000));
  const std::string background = "getComputedStyle(document.body).backgroundColor";
  // Once, and still so a moment later: a script run twice or a style dropped after the load.
  const auto ownPage = [&] {
    return w.Eval(background) == "rgb(1, 2, 3)" && w.Eval("window.pageSaw") == "1" &&
           w.Eval("String(window.copyRan)") == "1";
  };
  EXPECT_TRUE(Stays([&] { return ownPage() && w.Eval("String(window.frameSaw)") == "undefined"; }));

  const std::string other = OtherHost(server) + "/other";
  w.Go(other);
  ASSERT_TRUE(w.Loaded(other));
  EXPECT_TRUE(Stays([&] {
    return w.Eval(background) == "rgba(0, 0, 0, 0)" && w.Eval("window.pageSaw") == "undefined" &&
           w.Eval("String(window.copyRan)") == "undefined";
  }));
  // Back on the copy's host, both again.
  w.Go(server.Url("/own"));
  ASSERT_TRUE(w.Loaded(server.Url("/own")));
  EXPECT_TRUE(Stays(ownPage));
}

// A proxy of the test's own: an HTTP proxy is asked for the whole address, so the loopback
// server sees "GET http://name.test/" for a host that exists nowhere. The hosts of noproxy go
// direct.
TEST_F(CopyKeysEndToEnd, RequestsGoThroughTheConfiguredProxy) {
  LoopbackServer proxy;
  proxy.Page("http://name.test/", "<html><head><title>Through</title></head><body></body></html>");
  LoopbackServer direct;
  direct.Page("/direct", "<html><head><title>Direct</title></head><body></body></html>");
  const Text proxyKey = u"proxy=" + wb::FromUtf8(proxy.Base());
  {
    Window w({proxyKey, u"noproxy=127.0.0.1"});
    w.Go("http://name.test/");
    ASSERT_TRUE(w.Loaded("http://name.test/"));
    EXPECT_TRUE(SpinUntil([&] { return w.form->View().Title() == u"Through"; }, 10000))
        << wb::ToUtf8(w.form->View().Title());
    EXPECT_TRUE(proxy.Asked("http://name.test/"));
    w.Go(direct.Url("/direct"));
    ASSERT_TRUE(w.Loaded(direct.Url("/direct")));
    EXPECT_TRUE(SpinUntil([&] { return w.form->View().Title() == u"Direct"; }, 10000))
        << wb::ToUtf8(w.form->View().Title());
    EXPECT_TRUE(direct.Asked("/direct"));
    EXPECT_FALSE(proxy.Asked(direct.Url("/direct")));
  }
  // Without noproxy the loopback host goes through the proxy too, which serves it its own page.
  proxy.Page(direct.Url("/direct"), "<html><head><title>Proxied</title></head></html>");
  {
    Window w({proxyKey});
    w.Go(direct.Url("/direct"));
    ASSERT_TRUE(w.Loaded(direct.Url("/direct")));
    EXPECT_TRUE(SpinUntil([&] { return w.form->View().Title() == u"Proxied"; }, 10000))
        << wb::ToUtf8(w.form->View().Title());
  }
  // "none" goes direct, and a host that exists nowhere then fails.
  {
    Window w({u"proxy=none"});
    w.Go(direct.Url("/direct"));
    ASSERT_TRUE(w.Loaded(direct.Url("/direct")));
    EXPECT_TRUE(SpinUntil([&] { return w.form->View().Title() == u"Direct"; }, 10000))
        << wb::ToUtf8(w.form->View().Title());
  }
}

// A download is one more request of the page's session: through the proxy as well.
TEST_F(CopyKeysEndToEnd, ADownloadGoesThroughTheProxyToo) {
  LoopbackServer proxy;
  proxy.Page("http://name.test/", "<html><head><title>Through</title></head><body></body></html>");
  const std::string data(5000, 'd');
  proxy.Page("http://name.test/report.bin", data,
             "Content-Type: application/octet-stream\r\n"
             "Content-Disposition: attachment; filename=\"report.bin\"\r\n");
  const std::string dir = TestRoot() + "/proxied-saves";
  std::filesystem::create_directories(dir);
  Window w({u"proxy=" + wb::FromUtf8(proxy.Base())});
  w.views.chooseDownloadFile = [&](Gtk::Window*, const std::string&,
                                   std::function<void(const std::string&)> answer) {
    answer(dir + "/report.bin");
  };
  w.Go("http://name.test/");
  ASSERT_TRUE(w.Loaded("http://name.test/"));
  w.form->go(u"http://name.test/report.bin");
  EXPECT_TRUE(SpinUntil([&] { return ReadFile(dir + "/report.bin") == data; }, 60000));
  EXPECT_TRUE(proxy.Asked("http://name.test/report.bin"));
  // The page stays as it was.
  EXPECT_TRUE(
      Stays([&] { return wb::ToUtf8(w.form->View().LocationURL()) == "http://name.test/"; }));
}

TEST_F(CopyKeysEndToEnd, ThePageColourSchemeFollowsDark) {
  LoopbackServer server;
  server.Page("/scheme", kPage);
  GtkSettings* settings = gtk_settings_get_default();
  gboolean saved = FALSE;
  g_object_get(settings, "gtk-application-prefer-dark-theme", &saved, nullptr);
  const struct {
    const char* key;
    const char* dark;
  } cases[] = {{"dark=1", "true"}, {"dark=0", "false"}, {"dark=yes", "true"}, {"dark=no", "false"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    Window w({u"go=" + wb::FromUtf8(server.Url("/scheme")), wb::FromUtf8(c.key)});
    ASSERT_TRUE(w.Loaded(server.Url("/scheme")));
    const std::string query = "String(matchMedia('(prefers-color-scheme: dark)').matches)";
    EXPECT_TRUE(SpinUntil([&] { return w.Eval(query) == c.dark; }, 10000)) << w.Eval(query);
    EXPECT_TRUE(Stays([&] { return w.Eval(query) == c.dark; }, 500));
  }
  g_object_set(settings, "gtk-application-prefer-dark-theme", saved, nullptr);
}

}  // namespace
}  // namespace wbtest

namespace wbtest {
namespace {

// A window manager of the test's own on the test's display, ended when the test ends: without
// one nothing maximizes a window or keeps it above.
class WindowManager {
 public:
  WindowManager() {
    const char* argv[] = {"openbox", "--sm-disable", nullptr};
    GError* error = nullptr;
    started_ = g_spawn_async(
        nullptr, const_cast<gchar**>(argv), nullptr,
        static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL |
                                 G_SPAWN_STDERR_TO_DEV_NULL | G_SPAWN_DO_NOT_REAP_CHILD),
        nullptr, nullptr, &pid_, &error);
    if (error) g_error_free(error);
  }
  ~WindowManager() {
    if (!started_) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  bool started() const { return started_; }

 private:
  bool started_ = false;
  GPid pid_ = 0;
};

// The window's state as `wbctl state` reports it: "maximized fullscreen above", the true ones.
std::string WindowState(Window& w) {
  std::string out;
  JsonParser* parser = json_parser_new();
  if (json_parser_load_from_data(parser, w.form->StateJson().c_str(), -1, nullptr)) {
    JsonObject* root = json_node_get_object(json_parser_get_root(parser));
    if (JsonObject* window = json_object_get_object_member(root, "window")) {
      for (const char* name : {"maximized", "fullscreen", "above"})
        if (json_object_get_boolean_member(window, name))
          out += std::string(out.empty() ? "" : " ") + name;
    }
  }
  g_object_unref(parser);
  return out;
}

TEST_F(CopyKeysEndToEnd, TheWindowStartsAsConfiguredUnderAWindowManager) {
  if (OnWayland()) GTEST_SKIP() << "the window manager of the test is an X11 one";
  WindowManager manager;
  ASSERT_TRUE(manager.started()) << "openbox is not installed";
  LoopbackServer server;
  server.Page("/start", kPage);
  const struct {
    std::vector<Text> keys;
    const char* state;
  } cases[] = {
      {{u"start=maximized", u"ontop=1"}, "maximized above"},
      {{u"start=fullscreen"}, "fullscreen"},
      {{u"start=normal", u"ontop=0"}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    std::vector<Text> config = c.keys;
    config.push_back(u"go=" + wb::FromUtf8(server.Url("/start")));
    Window w(config);
    ASSERT_TRUE(w.Loaded(server.Url("/start")));
    EXPECT_TRUE(SpinUntil([&] { return WindowState(w) == c.state; }, 30000)) << WindowState(w);
    EXPECT_TRUE(Stays([&] { return WindowState(w) == c.state; }, 500)) << WindowState(w);
    EXPECT_EQ(w.form->IsFullScreen(), std::string(c.state) == "fullscreen");
  }
}

}  // namespace
}  // namespace wbtest

namespace wbtest {
namespace {

// The launcher entry's Update signals on the test's session bus: "COUNT" or "none" for each.
class LauncherListener {
 public:
  LauncherListener() : bus_(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
    if (!bus_) return;
    id_ = g_dbus_connection_signal_subscribe(
        bus_, nullptr, "com.canonical.Unity.LauncherEntry", "Update", nullptr, nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
           GVariant* parameters, gpointer data) {
          auto* self = static_cast<LauncherListener*>(data);
          const gchar* app = nullptr;
          GVariant* props = nullptr;
          g_variant_get(parameters, "(&s@a{sv})", &app, &props);
          gint64 count = -1;
          gboolean visible = FALSE;
          g_variant_lookup(props, "count", "x", &count);
          g_variant_lookup(props, "count-visible", "b", &visible);
          self->updates.push_back(std::string(app) + " " +
                                  (visible ? std::to_string(count) : std::string("none")));
          g_variant_unref(props);
        },
        this, nullptr);
  }
  ~LauncherListener() {
    if (id_) g_dbus_connection_signal_unsubscribe(bus_, id_);
    if (bus_) g_object_unref(bus_);
  }
  bool ready() const { return id_ != 0; }
  std::vector<std::string> updates;

 private:
  GDBusConnection* bus_;
  guint id_ = 0;
};

TEST_F(CopyKeysEndToEnd, TheUnreadCountOfTheTitleGoesToTheLauncherEntry) {
  LauncherListener listener;
  ASSERT_TRUE(listener.ready()) << "no session bus";
  LoopbackServer server;
  server.Page("/inbox", "<html><head><title>(3) Inbox</title></head><body></body></html>");
  const std::string app = "application://" + wb::OwnAppName() + ".desktop";
  Window w({u"go=" + wb::FromUtf8(server.Url("/inbox")), u"badge=1"});
  ASSERT_TRUE(w.Loaded(server.Url("/inbox")));
  auto badge = [&] {
    std::string json = w.form->StateJson();
    const auto at = json.find("\"badge\":");
    return at == std::string::npos ? std::string("missing")
                                   : json.substr(at + 8, json.find_first_of(",}", at) - at - 8);
  };
  ASSERT_TRUE(SpinUntil([&] { return !listener.updates.empty(); }, 10000));
  EXPECT_EQ(listener.updates, std::vector<std::string>{app + " 3"});
  EXPECT_EQ(badge(), "3");
  // The same count again sends nothing; another count and no count do.
  RunScript(w.view(), "document.title = '(3) Inbox - still'");
  RunScript(w.view(), "document.title = '[12] Inbox'");
  ASSERT_TRUE(SpinUntil([&] { return listener.updates.size() >= 2; }, 10000));
  EXPECT_EQ(badge(), "12");
  RunScript(w.view(), "document.title = 'Inbox'");
  ASSERT_TRUE(SpinUntil([&] { return listener.updates.size() >= 3; }, 10000));
  EXPECT_TRUE(Stays([&] { return listener.updates.size() == 3; }, 500));
  EXPECT_EQ(listener.updates, (std::vector<std::string>{app + " 3", app + " 12", app + " none"}));
  EXPECT_EQ(badge(), "null");
  // A count of 0 is nothing unread: no badge, as for no count.
  RunScript(w.view(), "document.title = '(2) Inbox'");
  ASSERT_TRUE(SpinUntil([&] { return listener.updates.size() >= 4; }, 10000));
  RunScript(w.view(), "document.title = '(0) Inbox'");
  ASSERT_TRUE(SpinUntil([&] { return listener.updates.size() >= 5; }, 10000));
  EXPECT_EQ(listener.updates.back(), app + " none");
  EXPECT_EQ(badge(), "null");

  // Without the key nothing is sent and the state has no count.
  listener.updates.clear();
  Window plain({u"go=" + wb::FromUtf8(server.Url("/inbox"))});
  ASSERT_TRUE(plain.Loaded(server.Url("/inbox")));
  EXPECT_TRUE(Stays([&] { return listener.updates.empty(); }, 500));
}

TEST_F(CopyKeysEndToEnd, ThePagesOwnBadgeGoesToTheLauncherEntryWithoutAKey) {
  LauncherListener listener;
  ASSERT_TRUE(listener.ready()) << "no session bus";
  LoopbackServer server;
  server.Page("/app", kPage);
  server.Page("/other", kPage);
  const std::string app = "application://" + wb::OwnAppName() + ".desktop";
  Window w({u"go=" + wb::FromUtf8(server.Url("/app"))});
  ASSERT_TRUE(w.Loaded(server.Url("/app")));
  // What a call's promise came to: "ok" or the name of the error.
  auto outcome = [&](const std::string& call) {
    RunScript(w.view(), "window.outcome = ''; " + call +
                            ".then(() => window.outcome = 'ok', e => window.outcome = e.name)");
    SpinUntil([&] { return w.Eval("window.outcome") != ""; }, 10000);
    return w.Eval("window.outcome");
  };
  EXPECT_EQ(outcome("navigator.setAppBadge(5)"), "ok");
  ASSERT_TRUE(SpinUntil([&] { return !listener.updates.empty(); }, 10000));
  EXPECT_EQ(outcome("navigator.clearAppBadge()"), "ok");
  ASSERT_TRUE(SpinUntil([&] { return listener.updates.size() >= 2; }, 10000));
  EXPECT_EQ(listener.updates, (std::vector<std::string>{app + " 5", app + " none"}));

  // Values the Badging API refuses reject with a TypeError and change nothing.
  for (const char* value : {"-1", "NaN", "Infinity", "2 ** 53", "10n", "'many'"}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(outcome("navigator.setAppBadge(" + std::string(value) + ")"), "TypeError");
  }
  // A fraction is cut to its whole number; a page that sets its badge in a loop costs the bus
  // one signal for the last value.
  EXPECT_EQ(outcome("navigator.setAppBadge(7.9)"), "ok");
  RunScript(w.view(), "for (let i = 1; i <= 500; i++) navigator.setAppBadge(i)");
  ASSERT_TRUE(SpinUntil([&] { return listener.updates.size() >= 4; }, 10000));
  EXPECT_TRUE(Stays([&] { return listener.updates.size() == 4; }, 500));
  EXPECT_EQ(listener.updates[2], app + " 7");
  EXPECT_EQ(listener.updates[3], app + " 500");
  EXPECT_EQ(w.form->Badge()->count(), 500);

  // Another host has no such function, and cannot reach the handler itself.
  const std::string other = OtherHost(server) + "/other";
  w.Go(other);
  ASSERT_TRUE(w.Loaded(other));
  EXPECT_EQ(w.Eval("typeof navigator.setAppBadge + ' ' + typeof navigator.clearAppBadge"),
            "undefined undefined");
  EXPECT_EQ(w.Eval("String(window.webkit && window.webkit.messageHandlers.wbAppBadge)"),
            "undefined");
  RunScript(w.view(),
            "document.dispatchEvent(new CustomEvent('webbrowser-app-badge', {detail: 'clear'}))");
  EXPECT_TRUE(Stays([&] { return listener.updates.size() == 4; }, 500));
}

}  // namespace
}  // namespace wbtest
