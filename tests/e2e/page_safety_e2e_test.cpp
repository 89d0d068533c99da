// Certificates, failed loads and permissions on the real engine, against servers on loopback:
// a certificate the engine cannot verify shows our page, which continues only on a click and
// gives the fingerprint openssl gives; a copy that trusts the fingerprint loads at once; a
// refused connection shows our page with the address kept; remembered answers decide what a
// page reads as its permission; an unanswered request is the window's prompt; a page's
// notification reaches the desktop's notification service and its click reaches the page.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <webkit2/webkit2.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/web_view_webkit.h"
#include "shell/main_window.h"
#include "storage/settings_store.h"
#include "support/address.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/loopback_server.h"
#include "tests/common/notification_service.h"
#include "tests/common/page_script.h"
#include "tests/common/program_run.h"
#include "tests/common/test_env.h"
#include "tests/common/tls_server.h"

namespace wbtest {
namespace {

using wb::Text;

class PageSafetyEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(kGtkmmReady); }
};

std::string Title(WebKitWebView* view) {
  const char* t = webkit_web_view_get_title(view);
  return t ? t : "";
}

// The value of a script in the page, as text ("" when it failed).
std::string Evaluate(WebKitWebView* view, const std::string& script) {
  struct Result {
    bool done = false;
    std::string text;
  } result;
  webkit_web_view_evaluate_javascript(
      view, script.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* res, gpointer data) {
        auto* r = static_cast<Result*>(data);
        r->done = true;
        if (JSCValue* value =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), res, nullptr)) {
          gchar* text = jsc_value_to_string(value);
          r->text = text ? text : "";
          g_free(text);
          g_object_unref(value);
        }
      },
      &result);
  SpinUntil([&] { return result.done; }, 10000);
  return result.text;
}

// A click of the mouse in the middle of the page's element `id`.
bool ClickElement(wb::TWebForm& form, const std::string& id) {
  auto* view = WEBKIT_WEB_VIEW(form.View().widget().gobj());
  const std::string box = Evaluate(
      view, "(function(){var r=document.getElementById('" + id +
                "').getBoundingClientRect();return (r.left+r.width/2)+','+(r.top+r.height/2);})()");
  const auto comma = box.find(',');
  if (comma == std::string::npos) return false;
  ClickAt(form.View().widget(), std::stod(box.substr(0, comma)), std::stod(box.substr(comma + 1)));
  return true;
}

// A window on the real engine with a profile of its own, so its web process is new.
struct Window {
  explicit Window(const std::string& go, std::vector<Text> extra = {}) {
    static int made = 0;
    views.UseProfile(wb::ProfileFor("safety-" + std::to_string(++made), false));
    wb::WebFormServices services = wb::ProgramWebFormServices(views);
    extra.push_back(u"go=" + wb::FromUtf8(go));
    services.readConfig = [extra] { return wb::WindowConfigFromValues(extra); };
    form = std::make_unique<wb::TWebForm>(services);
    form->FormCreate();
    form->show();
  }
  ~Window() { form.reset(); }
  WebKitWebView* view() { return WEBKIT_WEB_VIEW(form->View().widget().gobj()); }
  std::string ErrorKind() {
    const auto& e = form->Model().PageErrorShown();
    return e ? e->kind : "";
  }

  wb::WebKitViewFactory views;
  std::unique_ptr<wb::TWebForm> form;
};

TEST_F(PageSafetyEndToEnd, AnUntrustedCertificateContinuesOnlyOnTheClick) {
  if (OnWayland())
    GTEST_SKIP() << "the headless compositor has no input seat, so no window there has the "
                    "focus the button waits for";
  const std::string folder = TestRoot() + "/tls-click";
  std::filesystem::create_directories(folder);
  TlsServer tls(folder);
  const std::string secure = tls.Url("/secure");
  Window w(secure);

  ASSERT_TRUE(SpinUntil([&] { return w.ErrorKind() == "certificate"; }, 60000));
  ASSERT_TRUE(
      SpinUntil([&] { return Title(w.view()) == "This site's certificate is not trusted"; }, 20000))
      << Title(w.view());
  EXPECT_EQ(w.form->Model().PageErrorShown()->fingerprint, tls.Fingerprint());
  EXPECT_EQ(w.form->Model().PageErrorShown()->host, "127.0.0.1");
  w.form->present();
  ASSERT_TRUE(SpinUntil([&] { return w.form->is_active(); }, 10000));
  // A click as the page appears is not the person's answer to it: a page could have sent the
  // window here just before a click aimed at itself.
  ASSERT_TRUE(ClickElement(*w.form, "action"));
  EXPECT_FALSE(SpinUntil([&] { return tls.Events().find("GET") != std::string::npos; }, 300))
      << tls.Events();
  // The button's address holds a secret of the page shown: the same address with another
  // secret does nothing.
  Evaluate(w.view(), "location.href = 'webbrowser-action:continue?0123456789abcdef'; 'x'");
  EXPECT_FALSE(SpinUntil([&] { return tls.Events().find("GET") != std::string::npos; }, 1500))
      << tls.Events();

  ASSERT_TRUE(ClickElement(*w.form, "action"));
  ASSERT_TRUE(SpinUntil([&] { return Title(w.view()) == "Secure"; }, 30000)) << Title(w.view());
  EXPECT_TRUE(SpinUntil([&] { return w.ErrorKind().empty(); }, 5000));
  EXPECT_FALSE(SpinUntil([&] { return wb::ToUtf8(w.form->AddrText()) != secure; }, 1000));
  EXPECT_EQ(w.form->Model().HistoryList(), std::vector<Text>{wb::FromUtf8(secure)});
  EXPECT_EQ(wb::ToUtf8(w.form->StatusText()), secure);
}

TEST_F(PageSafetyEndToEnd, RememberedAnswersAreWhatThePageReads) {
  LoopbackServer server;
  // The engine shows a refused origin's Notification.permission as "default", so a page
  // cannot tell a refusal from a question not asked yet (and a request without the person's
  // click is refused without a question).
  server.Page("/perm",
              "<html><head><title>asking</title></head><body><script>"
              "document.title = 'permission ' + Notification.permission;"
              "</script></body></html>");
  const std::string page = server.Url("/perm");
  const std::string origin = server.Url("");
  const struct {
    const char* stored;
    const char* title;
  } cases[] = {{"allow", "permission granted"}, {"block", "permission default"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    ASSERT_TRUE(wb::WriteVar(u"#n\\Permissions", wb::FromUtf8(origin + " notifications"),
                             wb::FromUtf8(c.stored)));
    Window w(page);
    EXPECT_TRUE(SpinUntil([&] { return Title(w.view()) == c.title; }, 60000)) << Title(w.view());
  }
}

// A file page is never asked and never granted anything, not by an answer written for
// "file://" by hand nor by the allow key of a start page that is a file: every file address
// shares that origin, so one answer would hold for every file on the computer.
TEST_F(PageSafetyEndToEnd, AFilePageIsNeverAskedAndNeverGranted) {
  const std::string file = TestRoot() + "/asking-file.html";
  std::ofstream(file) << "<html><head><title>asking</title></head><body><script>"
                         "var seen = 'permission ' + Notification.permission;"
                         "navigator.geolocation.getCurrentPosition("
                         "  function () { document.title = seen + ', located'; },"
                         "  function () { document.title = seen + ', refused'; });"
                         "</script></body></html>";
  // Notifications granted both ways; geolocation, with no answer, would be a question.
  ASSERT_TRUE(wb::WriteVar(u"#n\\Permissions", u"file:// notifications", u"allow"));
  Window w(wb::FileUri(file), {u"allow=notifications"});
  ASSERT_TRUE(SpinUntil([&] { return Title(w.view()).find(", ") != std::string::npos; }, 60000))
      << Title(w.view());
  EXPECT_EQ(Title(w.view()).find("granted"), std::string::npos) << Title(w.view());
  EXPECT_TRUE(Stays([&] {
    return !w.form->pPermission->Prompts().Current() && Title(w.view()).ends_with(", refused");
  })) << Title(w.view());
}

TEST_F(PageSafetyEndToEnd, ANotificationReachesTheDesktopAndItsClickThePage) {
  NotificationService service;
  ASSERT_TRUE(SpinUntil([&] { return service.Ready(); }, 10000)) << "no session bus";
  LoopbackServer server;
  server.Page("/notify",
              "<html><head><title>quiet</title></head><body><script>"
              "var n = new Notification('Order shipped', {body: 'Parcel 42'});"
              "n.onclick = function () { document.title = 'clicked'; };"
              "</script></body></html>");
  ASSERT_TRUE(
      wb::WriteVar(u"#n\\Permissions", wb::FromUtf8(server.Url("") + " notifications"), u"allow"));
  Window w(server.Url("/notify"), {u"title=Acme Portal"});
  ASSERT_TRUE(SpinUntil([&] { return !service.shown.empty(); }, 60000));
  EXPECT_EQ(service.shown[0].app, "Acme Portal");
  EXPECT_EQ(service.shown[0].summary, "Order shipped");
  EXPECT_EQ(service.shown[0].body, "Parcel 42");
  service.Click(1);
  EXPECT_TRUE(SpinUntil([&] { return Title(w.view()) == "clicked"; }, 20000)) << Title(w.view());
}

// A page's notification texts arrive as the page wrote them, whatever markup they hold, and a
// page that notifies in a loop leaves a few on the desktop, not one for each.
TEST_F(PageSafetyEndToEnd, NotificationsCarryNoMarkupAndAFewAtATime) {
  NotificationService service;
  ASSERT_TRUE(SpinUntil([&] { return service.Ready(); }, 10000)) << "no session bus";
  LoopbackServer server;
  server.Page("/notify",
              "<html><body><script>"
              "new Notification('Mail', {body: '<a href=\"http://x/\"><img src=\"y\">&amp;</a>'});"
              "function more() {"
              "  for (var i = 2; i <= 6; ++i) new Notification('Mail ' + i, {body: 'n' + i});"
              "}"
              "</script></body></html>");
  ASSERT_TRUE(
      wb::WriteVar(u"#n\\Permissions", wb::FromUtf8(server.Url("") + " notifications"), u"allow"));
  Window w(server.Url("/notify"));
  ASSERT_TRUE(SpinUntil([&] { return !service.shown.empty(); }, 60000));
  EXPECT_EQ(service.shown[0].body,
            "&lt;a href=\"http://x/\"&gt;&lt;img src=\"y\"&gt;&amp;amp;&lt;/a&gt;");

  // Five more at once: the oldest are closed as newer ones come, so three stay on the desktop;
  // the sixth in a few seconds is one too many.
  Evaluate(w.view(), "more(); 'x'");
  const auto summaries = [&] {
    std::vector<std::string> all;
    for (const auto& n : service.shown) all.push_back(n.summary);
    return all;
  };
  const auto open = [&] { return service.shown.size() - service.closed.size(); };
  ASSERT_TRUE(SpinUntil(
      [&] { return std::ranges::count(summaries(), "Mail 5") == 1 && open() == 3; }, 20000))
      << ::testing::PrintToString(summaries()) << " closed " << service.closed.size();
  EXPECT_EQ(service.closed.front(), 1u);
  EXPECT_FALSE(
      SpinUntil([&] { return open() != 3 || std::ranges::count(summaries(), "Mail 6") > 0; }, 1000))
      << ::testing::PrintToString(summaries());
}

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

std::string BrandCopy(const std::string& name, const std::vector<std::string>& lines) {
  const std::string exe = TestRoot() + "/" + name;
  std::vector<std::string> args{"brand", WB_WEBBROWSER_PATH, exe, "--force", "title=" + name};
  args.insert(args.end(), lines.begin(), lines.end());
  ToolRun brand = Wbctl(args);
  EXPECT_EQ(brand.status, 0) << brand.err;
  return exe;
}

TEST(PageSafetyProgram, TheTrustKeyLetsExactlyItsCertificateThrough) {
  const std::string folder = TestRoot() + "/tls-trust";
  std::filesystem::create_directories(folder);
  TlsServer tls(folder);
  const std::string secure = tls.Url("/secure");
  // The same server under another name, which its certificate does not carry either.
  std::string elsewhere = secure;
  elsewhere.replace(elsewhere.find("127.0.0.1"), 9, "localhost");
  const std::string other(64, 'A');
  const std::string pinned = tls.Fingerprint();
  // The pages the server has sent so far; the cases share it.
  const auto sent = [&tls] {
    const std::string events = tls.Events();
    size_t n = 0;
    for (size_t at = events.find("GET /secure"); at != std::string::npos;
         at = events.find("GET /secure", at + 1))
      ++n;
    return n;
  };
  const struct {
    const char* name;
    std::string trust;
    std::string start;  // the copy's start address
    std::string sent;   // an address sent to the window once it shows the start; empty: none
    bool loads;         // the last address asked for loads without our page
  } cases[] = {
      {"untrusting-copy", "", secure, "", false},
      {"other-fingerprint-copy", other, secure, "", false},
      {"trusting-copy", pinned, secure, "", true},
      {"host-pinned-copy", "127.0.0.1=" + pinned, secure, "", true},
      // The pinned certificate is the start host's: another host presenting it is not trusted.
      {"pinned-for-another-host-copy", "127.0.0.1=" + pinned, elsewhere, "", false},
      {"start-host-pinned-copy", pinned, secure, elsewhere, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramRun program(BrandCopy(c.name, {"go=" + c.start, "trust=" + c.trust}), {});
    ASSERT_TRUE(program.Runs()) << program.startError();
    WindowState state;
    std::string last = c.start;
    std::vector<std::string> history{c.start};
    size_t before = sent();
    if (!c.sent.empty()) {
      ASSERT_TRUE(RunLoopUntil(
          [&] { return ReadWindowState(program.pid(), state) && state.status == c.start; }, 60000))
          << state.json;
      before = sent();
      ToolRun send = Wbctl({"send", "--pid", std::to_string(program.pid()), "url=" + c.sent});
      ASSERT_EQ(send.status, 0) << send.err;
      last = c.sent;
      history.push_back(c.sent);
    }
    if (c.loads) {
      ASSERT_TRUE(RunLoopUntil([&] { return sent() > before; }, 60000)) << tls.Events();
      EXPECT_TRUE(RunLoopUntil(
          [&] { return ReadWindowState(program.pid(), state) && state.status == last; }, 20000))
          << state.json;
      EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
        return s.errorKind.empty();
      })) << state.json;
    } else {
      ASSERT_TRUE(RunLoopUntil(
          [&] { return ReadWindowState(program.pid(), state) && state.errorKind == "certificate"; },
          60000))
          << state.json;
      EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
        return s.errorKind == "certificate" && s.errorFingerprint == pinned &&
               s.errorAddress == last && s.history == history && s.address == last;
      })) << state.json;
      EXPECT_EQ(sent(), before) << tls.Events();
    }
  }
}

// The engine refuses some loads before any request: it showed nothing at all, and the window
// stayed blank at about:blank with no error in its state.
TEST(PageSafetyProgram, ALoadTheEngineRefusesShowsOurPageWithTheReason) {
  const struct {
    const char* address;
    const char* why;  // a word of the engine's reason, as our page shows it
  } cases[] = {
      {"http://127.0.0.1:9/", "port"},     // the discard port, which the engine never uses
      {"http://127.0.0.1:6000/", "port"},  // the X server's
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    ProgramRun program(BrandCopy("restricted-copy", {std::string("go=") + c.address}), {});
    ASSERT_TRUE(program.Runs()) << program.startError();
    WindowState state;
    ASSERT_TRUE(RunLoopUntil(
        [&] { return ReadWindowState(program.pid(), state) && state.errorKind == "network"; },
        60000))
        << state.json;
    EXPECT_NE(state.errorDetail.find(c.why), std::string::npos) << state.json;
    EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
      return s.errorKind == "network" && s.errorAddress == c.address && s.address == c.address &&
             s.status == c.address;
    })) << state.json;
  }
}

TEST(PageSafetyProgram, AnUnansweredRequestIsThePromptUntilThePageIsLeft) {
  LoopbackServer server;
  server.Page("/ask",
              "<html><body onload=\"fetch('/asked')\"><script>"
              "navigator.geolocation.getCurrentPosition(function () {}, function () {});"
              "</script></body></html>");
  server.Page("/asked", "ok");
  server.Page("/next", "<html><body>next</body></html>");
  ProgramRun program(BrandCopy("asking-copy", {"go=" + server.Url("/ask")}), {});
  ASSERT_TRUE(program.Runs()) << program.startError();
  WindowState state;
  ASSERT_TRUE(RunLoopUntil(
      [&] { return ReadWindowState(program.pid(), state) && !state.promptKind.empty(); }, 60000))
      << state.json;
  EXPECT_EQ(state.promptKind, "geolocation");
  EXPECT_EQ(state.promptOrigin, server.Url(""));
  ToolRun send =
      Wbctl({"send", "--pid", std::to_string(program.pid()), "url=" + server.Url("/next")});
  EXPECT_EQ(send.status, 0) << send.err;
  EXPECT_TRUE(RunLoopUntil(
      [&] { return ReadWindowState(program.pid(), state) && state.promptKind.empty(); }, 20000))
      << state.json;
}

// The engine's web processes of the program `pid` (its descendants, through the sandbox).
std::vector<pid_t> WebProcessesOf(pid_t pid) {
  auto parentOf = [](pid_t p) {
    std::ifstream stat("/proc/" + std::to_string(p) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    if (close == std::string::npos) return pid_t{0};
    std::istringstream rest(line.substr(close + 2));
    char state;
    pid_t parent = 0;
    rest >> state >> parent;
    return parent;
  };
  std::vector<pid_t> found;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const pid_t p = std::stoi(name);
    std::ifstream cmdline(entry.path() / "cmdline");
    std::string command;
    std::getline(cmdline, command, '\0');
    if (command.find("WebKitWebProcess") == std::string::npos) continue;
    for (pid_t up = parentOf(p), hops = 0; up > 1 && hops < 16; up = parentOf(up), ++hops) {
      if (up == pid) {
        found.push_back(p);
        break;
      }
    }
  }
  return found;
}

TEST(PageSafetyProgram, AWebProcessKilledOverAndOverNeverEndsTheProgram) {
  LoopbackServer server;
  server.Page("/start", "<html><body>start</body></html>");
  for (int i = 0; i < 20; ++i)
    server.Page("/page" + std::to_string(i), "<html><body>page</body></html>");
  ProgramRun program(BrandCopy("killed-copy", {"go=" + server.Url("/start")}), {});
  ASSERT_TRUE(program.Runs()) << program.startError();
  ASSERT_TRUE(RunLoopUntil([&] { return server.Asked("/start"); }, 60000));
  for (int i = 0; i < 20; ++i) {
    SCOPED_TRACE("kill " + std::to_string(i));
    std::vector<pid_t> web;
    ASSERT_TRUE(RunLoopUntil(
        [&] {
          web = WebProcessesOf(program.pid());
          return !web.empty();
        },
        20000));
    for (pid_t p : web) ::kill(p, SIGKILL);
    const std::string page = "/page" + std::to_string(i);
    ToolRun send =
        Wbctl({"send", "--pid", std::to_string(program.pid()), "url=" + server.Url(page)});
    EXPECT_EQ(send.status, 0) << send.err;
    ASSERT_TRUE(RunLoopUntil([&] { return server.Asked(page); }, 30000))
        << "requests: " << ::testing::PrintToString(server.Paths());
    ASSERT_TRUE(program.Runs());
  }
  // The last page has loaded (the status shows its location), and the window stays on it.
  WindowState state;
  const auto onTheLastPage = [&](const WindowState& s) {
    return s.address == server.Url("/page19") && s.errorKind.empty();
  };
  ASSERT_TRUE(RunLoopUntil(
      [&] {
        return ReadWindowState(program.pid(), state) && onTheLastPage(state) &&
               state.status == server.Url("/page19");
      },
      30000))
      << state.json;
  EXPECT_TRUE(StateStays(program.pid(), state, onTheLastPage)) << state.json;
}

#endif

}  // namespace
}  // namespace wbtest
