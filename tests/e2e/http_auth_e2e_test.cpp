// HTTP authentication ("Basic") on the real engine, against a loopback server whose areas each
// ask for a user name and a password of their own. The test answers the engine's sign-in
// requests as a person would answer its dialog. Once signed in, the area's pages load without
// a further question; a profile clear signs out, so that the next request carries no
// credentials and the engine asks again. "Remember password" is offered only while the
// session bus has a secret service.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <webkit2/webkit2.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/secret_service.h"
#include "support/remote_record.h"
#include "tests/common/engine_window.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/loopback_server.h"
#include "tests/common/page_script.h"

namespace wbtest {
namespace {

constexpr char kCredentials[] = "Authorization: Basic dXNlcjpzZWNyZXQ=\r\n";  // user:secret

bool Carries(const std::string& head) {
  return head.find("\r\nAuthorization: ") != std::string::npos;
}

// Pages under /NAME/ need user "user", password "secret", in the realm NAME.
LoopbackResponse Area(const std::string& path, const std::string& head) {
  const std::string realm = path.substr(1, path.find('/', 1) - 1);
  if (head.find(std::string("\r\n") + kCredentials) != std::string::npos)
    return {200, "<html><body>" + path + "</body></html>", ""};
  return {401, "<html><body>sign in</body></html>",
          "Content-Type: text/html\r\nWWW-Authenticate: Basic realm=\"" + realm + "\"\r\n"};
}

// The engine's sign-in requests of the window's view, answered by the test.
struct SignIns {
  explicit SignIns(WebKitWebView* view) : view_(view) {
    g_signal_connect(view, "authenticate", G_CALLBACK(OnAuthenticate), this);
  }
  ~SignIns() { g_signal_handlers_disconnect_by_data(view_, this); }
  SignIns(const SignIns&) = delete;
  SignIns& operator=(const SignIns&) = delete;

  int asked = 0;
  std::vector<bool> offeredToRemember;

 private:
  static gboolean OnAuthenticate(WebKitWebView*, WebKitAuthenticationRequest* request,
                                 gpointer data) {
    auto* self = static_cast<SignIns*>(data);
    ++self->asked;
    self->offeredToRemember.push_back(webkit_authentication_request_can_save_credentials(request));
    WebKitCredential* credential =
        webkit_credential_new("user", "secret", WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION);
    webkit_authentication_request_authenticate(request, credential);
    webkit_credential_free(credential);
    return TRUE;
  }
  WebKitWebView* view_;
};

struct Window : EngineWindow {
  using EngineWindow::EngineWindow;
  WebKitWebView* view() { return WEBKIT_WEB_VIEW(form->View().widget().gobj()); }
};

class HttpAuthEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(kGtkmmReady); }
};

TEST_F(HttpAuthEndToEnd, AProfileClearSignsOutAndTheNextSignInHoldsAgain) {
  LoopbackServer server(Area);
  Window w({u"go=about:blank"});
  SignIns signIns(w.view());
  const std::string first = server.Url("/area/first"), second = server.Url("/area/second");
  w.Go(first);
  ASSERT_TRUE(w.Loaded(first));
  EXPECT_EQ(signIns.asked, 1);
  // Signed in: another page of the area loads without a question, its request signed.
  w.Go(second);
  ASSERT_TRUE(w.Loaded(second));
  EXPECT_EQ(signIns.asked, 1);
  ASSERT_FALSE(server.Heads("/area/second").empty());
  EXPECT_TRUE(Carries(server.Heads("/area/second").back()));

  // The clear that `wbctl profile clear` asks of the running window; the window then loads
  // its page again.
  server.Clear();
  w.finished = false;
  EXPECT_EQ(w.form->RemoteRecord({wb::remote::kClearWebsiteData, 0, {}}).result, 1);
  ASSERT_TRUE(SpinUntil([&] { return !server.Heads("/area/second").empty(); }, 30000));
  EXPECT_FALSE(Carries(server.Heads("/area/second").front()))
      << "the request after the clear still carried the sign-in";
  // The engine asks again, and the new sign-in holds as the first did.
  ASSERT_TRUE(w.Loaded(second));
  EXPECT_EQ(signIns.asked, 2);
  EXPECT_TRUE(Carries(server.Heads("/area/second").back()));
  w.Go(first);
  ASSERT_TRUE(w.Loaded(first));
  EXPECT_TRUE(Stays([&] { return signIns.asked == 2; }));
  EXPECT_TRUE(Carries(server.Heads("/area/first").back()));
}

// Owns the secret service's name on the test's session bus while it lives.
struct SecretServiceName {
  SecretServiceName() {
    bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus) return;
    owner = g_bus_own_name_on_connection(
        bus, "org.freedesktop.secrets", G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, gpointer data) { *static_cast<bool*>(data) = true; },
        nullptr, &owned, nullptr);
  }
  ~SecretServiceName() {
    if (owner) g_bus_unown_name(owner);
    if (bus) g_object_unref(bus);
  }
  SecretServiceName(const SecretServiceName&) = delete;
  SecretServiceName& operator=(const SecretServiceName&) = delete;
  GDBusConnection* bus = nullptr;
  guint owner = 0;
  bool owned = false;
};

TEST_F(HttpAuthEndToEnd, RememberingIsOfferedOnlyWhileASecretServiceAnswers) {
  LoopbackServer server(Area);
  Window w({u"go=about:blank"});
  SignIns signIns(w.view());
  ASSERT_TRUE(SpinUntil([] { return wb::SecretService().Known(); }, 10000));
  ASSERT_FALSE(wb::SecretService().Answers()) << "the test's bus has a secret service already";
  const struct {
    const char* area;
    bool service;
  } cases[] = {{"/without/", false}, {"/with/", true}, {"/gone/", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.area);
    std::optional<SecretServiceName> name;
    if (c.service) {
      name.emplace();
      ASSERT_TRUE(SpinUntil([&] { return name->owned && wb::SecretService().Answers(); }, 10000));
    } else {
      ASSERT_TRUE(SpinUntil([] { return !wb::SecretService().Answers(); }, 10000));
    }
    const std::string page = server.Url(std::string(c.area) + "page");
    const std::size_t before = signIns.offeredToRemember.size();
    w.Go(page);
    ASSERT_TRUE(w.Loaded(page));
    ASSERT_EQ(signIns.offeredToRemember.size(), before + 1);
    EXPECT_EQ(signIns.offeredToRemember.back(), c.service);
  }
}

}  // namespace
}  // namespace wbtest
