// A portable copy's look at its maker's notice of a newer version, against a loopback web
// server with notices signed by wbctl repo announce: a newer version shows as a link in the
// main window's status bar, the same or an older one does not, a notice changed after signing
// is ignored with a line in the status bar, a copy without the key asks nothing, and a server
// that does not answer leaves the window as it was while it waits.
#include <arpa/inet.h>
#include <glibmm/main.h>
#include <gtest/gtest.h>
#include <gtkmm/main.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "engine/update_check.h"
#include "platform/copy_name.h"
#include "shell/web_main.h"
#include "support/debian_version.h"
#include "tests/common/fake_web_view.h"
#include "tests/common/loop_spin.h"
#include "tests/common/loopback_server.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wbtest {
namespace {

namespace fs = std::filesystem;
using Outcome = wb::UpdateCheckResult::Outcome;

// The maker's repository with a notice of version 2.0 of this test program's copy, its key as
// the copy carries it, and the same notice changed after signing. Made once: a key takes gpg a
// moment.
struct Maker {
  Maker() {
    const fs::path root = fs::path(TestRoot()) / "update-maker";
    fs::create_directories(root / "gnupg");
    fs::permissions(root / "gnupg", fs::perms::owner_all, fs::perm_options::replace);
    g_setenv("GNUPGHOME", (root / "gnupg").c_str(), TRUE);
    const std::string repo = (root / "repo").string();
    const ToolRun init =
        Wbctl({"repo", "init", repo, "--name", "Acme <pkg@acme.example>", "--no-passphrase"});
    EXPECT_EQ(init.status, 0) << init.err;
    const ToolRun announce = Wbctl({"repo", "announce", repo, wb::OwnAppName(), "2.0", "--page",
                                    "https://acme.example/download"});
    EXPECT_EQ(announce.status, 0) << announce.err;
    notice = ReadFile(fs::path(repo) / (wb::DebianPackageName(wb::OwnAppName()) + ".latest"));
    gchar* gpg = g_find_program_in_path("gpg");
    const std::string gpgPath = gpg ? gpg : "gpg";
    g_free(gpg);
    const ToolRun dearmor = RunTool({gpgPath, "--batch", "--yes", "--dearmor", "-o",
                                     (root / "key.gpg").string(), repo + "/key.asc"});
    EXPECT_EQ(dearmor.status, 0) << dearmor.err;
    key = ReadFile(root / "key.gpg");
    // The agent gpg started for the maker's home is not needed again.
    gchar* gpgconf = g_find_program_in_path("gpgconf");
    if (gpgconf) RunTool({gpgconf, "--kill", "gpg-agent"});
    g_free(gpgconf);
    changed = notice;
    const auto at = changed.find("Version: 2.0");
    if (at != std::string::npos) changed.replace(at, 12, "Version: 9.0");
  }
  std::string notice, changed, key;
};
const Maker& TheMaker() {
  static const Maker maker;
  return maker;
}

// A loopback port that takes connections and never answers them.
struct SilentServer {
  SilentServer() {
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    listen(fd, 4);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/acme.latest";
  }
  ~SilentServer() { close(fd); }
  int fd = -1;
  std::string url;
};

// The outcome of a check of the notice at `url` by a copy of version `own` carrying `key`.
std::optional<wb::UpdateCheckResult> Check(const std::string& url, const std::string& own,
                                           unsigned seconds = 20,
                                           const std::string& key = TheMaker().key) {
  std::optional<wb::UpdateCheckResult> result;
  wb::UpdateCheck check({url, key, wb::OwnAppName(), own},
                        [&](const wb::UpdateCheckResult& r) { result = r; }, {seconds});
  RunLoopUntil([&] { return result.has_value(); }, 30000);
  return result;
}

TEST(UpdateCheck, OutcomesOfTheNotice) {
  LoopbackServer server;
  server.Page("/good.latest", TheMaker().notice, "Content-Type: text/plain\r\n");
  server.Page("/changed.latest", TheMaker().changed, "Content-Type: text/plain\r\n");
  server.Page("/huge.latest", std::string(wb::kMaxUpdateNoticeBytes + 1, 'x'),
              "Content-Type: text/plain\r\n");
  const struct {
    const char* path;
    const char* own;
    Outcome outcome;
    bool otherKey = false;  // the copy carries a key that is not the one that signed
  } cases[] = {
      {"/good.latest", "1.0", Outcome::kNewer},
      {"/good.latest", "2.0", Outcome::kUpToDate},
      {"/good.latest", "3.0", Outcome::kUpToDate},
      {"/changed.latest", "1.0", Outcome::kUnverified},
      {"/good.latest", "1.0", Outcome::kUnverified, true},
      {"/missing.latest", "1.0", Outcome::kFailed},
      {"/huge.latest", "1.0", Outcome::kFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " for " + c.own);
    std::string key = TheMaker().key;
    if (c.otherKey) key[key.size() / 2] ^= 0x55;
    const auto result = Check(server.Url(c.path), c.own, 20, key);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->outcome, c.outcome) << result->detail;
    if (c.outcome == Outcome::kNewer) {
      EXPECT_EQ(result->notice.version, "2.0");
      EXPECT_EQ(result->notice.page, "https://acme.example/download");
    }
  }
}

TEST(UpdateCheck, ASilentServerEndsAtTheTimeLimitAndADestroyedCheckNeverCalls) {
  SilentServer silent;
  bool called = false;
  {
    wb::UpdateCheck check({silent.url, TheMaker().key, wb::OwnAppName(), "1.0"},
                          [&](const wb::UpdateCheckResult&) { called = true; }, {1});
    // Started, it has not waited for anything: the main loop turns freely meanwhile.
    bool turned = false;
    Glib::signal_idle().connect_once([&] { turned = true; });
    RunLoopUntil([&] { return turned; }, 5000);
    EXPECT_TRUE(turned);
    EXPECT_FALSE(called);
  }
  RunLoopUntil([] { return !g_main_context_pending(nullptr); }, 2000);
  EXPECT_FALSE(called);
  const auto result = Check(silent.url, "1.0", 1);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->outcome, Outcome::kFailed);
}

// The main window with the keys of a portable copy that looks for updates.
struct UpdateWindow {
  UpdateWindow(const std::string& url, const std::string& version, std::string key,
               std::shared_ptr<wb::MemoryCopyStore> store = std::make_shared<wb::MemoryCopyStore>())
      : store(store) {
    Gtk::Main::init_gtkmm_internals();
    wb::WebMainServices s;
    s.form.views = &factory;
    s.form.store = store;
    s.form.readConfig = [url, version, key] {
      wb::ValueList list;
      wb::TextToValues(wb::FromUtf8("update=" + url + "\r\nversion=" + version + "\r\n"), list);
      wb::WindowConfig config = wb::WindowConfigFromValues(list);
      config.updateKey = key;
      return config;
    };
    s.remote.reset();
    s.updateLimits.seconds = 2;
    window = std::make_unique<wb::TWebMain>(std::move(s));
    window->FormCreate();
    status = window->StatusText();
    // The first page has loaded.
    factory.created.at(0)->RaiseProgress(0, 0);
  }
  ~UpdateWindow() {
    window.reset();
    RunLoopUntil([] { return !g_main_context_pending(nullptr); }, 2000);
  }
  FakeWebViewFactory factory;
  std::shared_ptr<wb::MemoryCopyStore> store;
  std::unique_ptr<wb::TWebMain> window;
  wb::Text status;
};

TEST(UpdateWindow, ANewerVersionShowsAsALinkOnceADay) {
  LoopbackServer server;
  server.Page("/acme.latest", TheMaker().notice, "Content-Type: text/plain\r\n");
  auto store = std::make_shared<wb::MemoryCopyStore>();
  {
    UpdateWindow w(server.Url("/acme.latest"), "1.0", TheMaker().key, store);
    ASSERT_TRUE(RunLoopUntil([&] { return w.window->updateLink.get_visible(); }, 30000));
    EXPECT_NE(w.window->updateLink.get_label().raw().find("2.0"), std::string::npos);
    EXPECT_EQ(w.window->updateLink.get_uri(), "https://acme.example/download");
    EXPECT_FALSE(store->Read(wb::CopyKey::kUpdate, u"Checked").empty());
  }
  // The next start the same day asks nothing.
  {
    UpdateWindow w(server.Url("/acme.latest"), "1.0", TheMaker().key, store);
    bool turned = false;
    Glib::signal_timeout().connect_once([&] { turned = true; }, 300);
    RunLoopUntil([&] { return turned; }, 5000);
    EXPECT_FALSE(w.window->updateLink.get_visible());
  }
  EXPECT_EQ(server.Requests("/acme.latest"), 1);
}

TEST(UpdateWindow, WhatShowsForEachNotice) {
  LoopbackServer server;
  server.Page("/acme.latest", TheMaker().notice, "Content-Type: text/plain\r\n");
  server.Page("/changed.latest", TheMaker().changed, "Content-Type: text/plain\r\n");
  const struct {
    const char* path;
    const char* version;
    bool withKey;
    bool asked;
    bool link;
    bool statusLine;
  } cases[] = {
      {"/acme.latest", "2.0", true, true, false, false},    // the same version
      {"/acme.latest", "3.0", true, true, false, false},    // an older one announced
      {"/changed.latest", "1.0", true, true, false, true},  // changed after signing
      {"/acme.latest", "1.0", false, false, false, false},  // no key: nothing fetched
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " for " + c.version + (c.withKey ? "" : " without key"));
    const int before = server.Requests(c.path);
    UpdateWindow w(server.Url(c.path), c.version, c.withKey ? TheMaker().key : "");
    if (c.asked) {
      ASSERT_TRUE(RunLoopUntil([&] { return server.Requests(c.path) > before; }, 30000));
    }
    // Long enough for gpgv and the answer; no outcome shows before its request was made.
    bool waited = false;
    Glib::signal_timeout().connect_once([&] { waited = true; }, c.statusLine ? 100 : 1500);
    RunLoopUntil([&] { return waited && (!c.statusLine || w.window->StatusText() != w.status); },
                 30000);
    EXPECT_EQ(w.window->updateLink.get_visible(), c.link);
    EXPECT_EQ(w.window->StatusText() != w.status, c.statusLine)
        << wb::ToUtf8(w.window->StatusText());
    EXPECT_EQ(server.Requests(c.path) > before, c.asked);
  }
}

TEST(UpdateWindow, ASilentServerLeavesTheWindowAsItWas) {
  SilentServer silent;
  UpdateWindow w(silent.url, "1.0", TheMaker().key);
  bool turned = false;
  Glib::signal_idle().connect_once([&] { turned = true; });
  EXPECT_TRUE(RunLoopUntil([&] { return turned; }, 5000));
  EXPECT_FALSE(w.window->updateLink.get_visible());
  EXPECT_EQ(w.window->StatusText(), w.status);
}

}  // namespace
}  // namespace wbtest
