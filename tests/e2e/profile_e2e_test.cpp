// Each branded copy keeps its user signed in across restarts, in folders of its own: the
// real program against a loopback server whose pages report the cookies they see.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/common/loopback_server.h"
#include "tests/common/program_run.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

namespace wbtest {
namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

namespace fs = std::filesystem;

// A home of its own for each case, so that what one copy wrote cannot be taken for another's.
struct Home {
  explicit Home(const std::string& name) : root(TestRoot() + "/" + name) {
    fs::create_directories(root);
  }
  std::vector<std::string> Environment() const {
    return {"HOME=" + root, "XDG_DATA_HOME=" + root + "/data", "XDG_CACHE_HOME=" + root + "/cache",
            "XDG_CONFIG_HOME=" + root + "/config"};
  }
  // Every file named `name` below `folder`.
  static std::vector<std::string> Find(const std::string& folder, const std::string& name) {
    std::vector<std::string> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
      if (it->path().filename() == name) found.push_back(it->path().string());
    return found;
  }
  std::string root;
};

class ProfileEndToEnd : public ::testing::Test {
 protected:
  ProfileEndToEnd() {
    // /set gives one cookie that lasts a day and one for the session; every page reports
    // the cookies it sees by asking for /seen/PAGE?COOKIES once it has loaded.
    const std::string report =
        "<html><body onload=\"fetch('/seen' + location.pathname + '?' + "
        "encodeURIComponent(document.cookie))\">page</body></html>";
    server.Page("/set", report,
                "Content-Type: text/html\r\nSet-Cookie: keep=1; Max-Age=86400; Path=/\r\n"
                "Set-Cookie: session=1; Path=/\r\n");
    server.Page("/check", report);
  }

  std::string Brand(const std::string& name, const std::vector<std::string>& keys = {}) {
    const std::string exe = TestRoot() + "/" + name;
    std::vector<std::string> args{"brand", WB_WEBBROWSER_PATH, exe, "go=about:blank"};
    args.insert(args.end(), keys.begin(), keys.end());
    ToolRun brand = Wbctl(args);
    EXPECT_EQ(brand.status, 0) << brand.err;
    return exe;
  }

  // Runs the copy on `page` until the page has reported its cookies; returns them.
  std::string CookiesSeen(const std::string& exe, const Home& home, const std::string& page) {
    const std::string prefix = "/seen" + page + "?";
    auto seen = [&] {
      for (const auto& p : server.Paths())
        if (p.rfind(prefix, 0) == 0) return p.substr(prefix.size());
      return std::string("<none>");
    };
    server.Clear();
    ProgramRun program(exe, {server.Url(page)}, home.Environment());
    EXPECT_TRUE(RunLoopUntil([&] { return seen() != "<none>" || !program.Runs(); }, 60000));
    const std::string cookies = seen();
    EXPECT_EQ(program.Terminate(), 0);
    return cookies;
  }

  LoopbackServer server;
};

TEST_F(ProfileEndToEnd, ACookieThatLastsSurvivesARestartInItsOwnCopyOnly) {
  Home home("home-restart");
  const std::string exe = Brand("shop-copy");
  EXPECT_EQ(CookiesSeen(exe, home, "/set"), "keep%3D1%3B%20session%3D1");
  // Started again, the copy still sends the lasting cookie; the session one ended.
  EXPECT_EQ(CookiesSeen(exe, home, "/check"), "keep%3D1");
  EXPECT_EQ(Home::Find(home.root + "/data/webbrowser/shop-copy", "cookies.sqlite").size(), 1u);
  // Another copy, for the same user, has a profile of its own.
  EXPECT_EQ(CookiesSeen(Brand("other-copy"), home, "/check"), "");
  // wbctl tells where the profile is, and clears it: the lasting cookie is gone.
  std::string env;
  for (const auto& e : home.Environment()) env += "'" + e + "' ";
  const std::string wbctl = "env " + env + WB_WBCTL_PATH + " profile --exe " + exe;
  EXPECT_EQ(RunCommand(wbctl + " path"), "data=" + home.root +
                                             "/data/webbrowser/shop-copy/\ncache=" + home.root +
                                             "/cache/webbrowser/shop-copy/\nephemeral=0\n");
  int status = -1;
  RunCommand(wbctl + " clear", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(CookiesSeen(exe, home, "/check"), "");
}

TEST_F(ProfileEndToEnd, ClearingWhileTheWindowRunsGoesThroughItsEngine) {
  Home home("home-clear-running");
  const std::string exe = Brand("running-copy");
  auto reports = [&](const std::string& page) {
    const std::string prefix = "/seen" + page + "?";
    std::vector<std::string> seen;
    for (const auto& p : server.Paths())
      if (p.rfind(prefix, 0) == 0) seen.push_back(p.substr(prefix.size()));
    return seen;
  };
  ProgramRun program(exe, {server.Url("/set")}, home.Environment());
  ASSERT_TRUE(RunLoopUntil([&] { return !reports("/set").empty(); }, 60000));
  ToolRun send =
      Wbctl({"send", "--pid", std::to_string(program.pid()), "url=" + server.Url("/check")});
  ASSERT_EQ(send.status, 0) << send.err;
  ASSERT_TRUE(RunLoopUntil([&] { return !reports("/check").empty(); }, 30000));
  EXPECT_EQ(reports("/check")[0], "keep%3D1%3B%20session%3D1");

  std::string env;
  for (const auto& e : home.Environment()) env += "'" + e + "' ";
  int status = -1;
  const std::string out =
      RunCommand("env " + env + WB_WBCTL_PATH + " profile --exe " + exe + " clear", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out, "cleared=" + std::to_string(program.pid()) + "\n");
  // Once its engine has removed the data, the window loads its page again: without a cookie.
  ASSERT_TRUE(RunLoopUntil([&] { return reports("/check").size() >= 2; }, 30000))
      << ::testing::PrintToString(server.Paths());
  EXPECT_EQ(reports("/check")[1], "");
  EXPECT_TRUE(program.Runs());
}

TEST_F(ProfileEndToEnd, AnEphemeralCopyWritesNoCookieAnywhere) {
  Home home("home-ephemeral");
  const std::string exe = Brand("kiosk-copy", {"ephemeral=1"});
  EXPECT_EQ(CookiesSeen(exe, home, "/set"), "keep%3D1%3B%20session%3D1");
  EXPECT_EQ(CookiesSeen(exe, home, "/check"), "");
  EXPECT_TRUE(Home::Find(home.root, "cookies.sqlite").empty());
  EXPECT_FALSE(fs::exists(home.root + "/data/webbrowser/kiosk-copy"));
}

TEST_F(ProfileEndToEnd, APortableCopyKeepsItsProfileBesideItself) {
  Home home("home-portable");
  const std::string folder = TestRoot() + "/portable";
  fs::create_directories(folder);
  const std::string exe = folder + "/stick-copy";
  ToolRun brand = Wbctl({"brand", WB_WEBBROWSER_PATH, exe, "go=about:blank"});
  ASSERT_EQ(brand.status, 0) << brand.err;
  std::ofstream(folder + "/stick-copy.ini") << "[stick-copy]\r\nPortable=1\r\n";
  EXPECT_EQ(CookiesSeen(exe, home, "/set"), "keep%3D1%3B%20session%3D1");
  EXPECT_EQ(CookiesSeen(exe, home, "/check"), "keep%3D1");
  EXPECT_EQ(Home::Find(folder + "/profiles/stick-copy", "cookies.sqlite").size(), 1u);
  EXPECT_TRUE(Home::Find(home.root, "cookies.sqlite").empty());
  EXPECT_FALSE(fs::exists(home.root + "/data/webbrowser"));
}

// A maker's copy with vendor= writes under the vendor's names only: after a run that stored
// cookies and the window's size, no folder of ours is anywhere in the home.
TEST_F(ProfileEndToEnd, AVendorsCopyWritesUnderTheVendorsNamesOnly) {
  Home home("home-vendor");
  const std::string exe = Brand("green-copy", {"vendor=Greenleaf", "remember=1"});
  EXPECT_EQ(CookiesSeen(exe, home, "/set"), "keep%3D1%3B%20session%3D1");
  EXPECT_EQ(Home::Find(home.root + "/data/Greenleaf/green-copy", "cookies.sqlite").size(), 1u);
  EXPECT_TRUE(fs::exists(home.root + "/config/Greenleaf/HKEY_CURRENT_USER.reg"));
  std::string listing;
  std::vector<std::string> ours;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(home.root, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::path relative = fs::relative(it->path(), home.root);
    listing += relative.string() + "\n";
    for (const auto& part : relative)
      if (part == "Morvane" || part == "webbrowser" || part == "WebBrowser")
        ours.push_back(relative.string());
  }
  EXPECT_TRUE(ours.empty()) << listing;
}

#endif

}  // namespace
}  // namespace wbtest
