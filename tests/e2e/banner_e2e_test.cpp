// The info banner of the real program against a gateway served on loopback: the banner asks
// the gateway for its info page and steps aside when the gateway answers with an error. On X11
// (Xvfb) it hangs below the main window as a window of its own and follows it; on Wayland
// (tests/run-wayland.sh) it docks at the window's bottom. Either way the page keeps the rest of
// the window.
#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <json-glib/json-glib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "tests/common/gtk_test_util.h"
#include "tests/common/loop_spin.h"
#include "tests/common/loopback_server.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

extern char** environ;

namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

using wbtest::OnWayland;
using wbtest::RunCommand;

// A running program, ended when the object goes.
class Program {
 public:
  Program(const std::string& path, const std::vector<std::string>& extraEnvironment) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = path;
    char* argv[] = {program.data(), nullptr};
    if (posix_spawn(&pid_, path.c_str(), nullptr, nullptr, argv, envp.data()) != 0) pid_ = -1;
  }
  ~Program() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    if (wbtest::RunLoopUntil([&] { return waitpid(pid_, nullptr, WNOHANG) == pid_; }, 2000)) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  pid_t pid() const { return pid_; }
  bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
};

// Waits, up to a limit, until `done` holds, with the main loop running.
bool WaitFor(const std::function<bool()>& done, int seconds = 30) {
  return wbtest::RunLoopUntil(done, seconds * 1000);
}

// A top-level window of the display as xwininfo reports it.
struct XWindow {
  bool found = false;
  bool viewable = false;
  int x = 0, y = 0, width = 0, height = 0;
};

XWindow FindWindow(const std::string& name) {
  XWindow w;
  std::string out = RunCommand("xwininfo -name '" + name + "' 2>/dev/null");
  auto number = [&](const char* label) {
    std::smatch m;
    return std::regex_search(out, m, std::regex(std::string(label) + ":\\s+(-?\\d+)"))
               ? std::stoi(m[1])
               : 0;
  };
  w.found = out.find("Window id:") != std::string::npos;
  w.viewable = out.find("Map State: IsViewable") != std::string::npos;
  w.x = number("Absolute upper-left X");
  w.y = number("Absolute upper-left Y");
  w.width = number("Width");
  w.height = number("Height");
  return w;
}

// The main window's content area and its shown parts, top to bottom, as its state reports
// them, with whether the banner is shown.
struct Layout {
  struct Part {
    std::string name;
    int y = 0, width = 0, height = 0;
  };
  int width = 0, height = 0;
  std::vector<Part> parts;
  bool bannerVisible = false;
  std::string json;

  const Part* Find(const std::string& name) const {
    for (const auto& part : parts)
      if (part.name == name) return &part;
    return nullptr;
  }
  // The height the page would have if it took all that the other shown parts leave.
  int HeightLeftForTheView() const {
    int left = height;
    for (const auto& part : parts)
      if (part.name != "web") left -= part.height;
    return left;
  }
};

bool ReadLayout(pid_t pid, Layout& layout) {
  layout = Layout();
  layout.json = RunCommand(std::string(WB_WBCTL_PATH) + " state --pid " + std::to_string(pid));
  JsonParser* parser = json_parser_new();
  bool ok = json_parser_load_from_data(parser, layout.json.c_str(), -1, nullptr) &&
            JSON_NODE_HOLDS_OBJECT(json_parser_get_root(parser));
  JsonObject* root = ok ? json_node_get_object(json_parser_get_root(parser)) : nullptr;
  ok = ok && json_object_has_member(root, "layout");
  if (ok) {
    JsonObject* l = json_object_get_object_member(root, "layout");
    layout.width = static_cast<int>(json_object_get_int_member(l, "width"));
    layout.height = static_cast<int>(json_object_get_int_member(l, "height"));
    JsonArray* parts = json_object_get_array_member(l, "parts");
    for (guint i = 0; i < json_array_get_length(parts); ++i) {
      JsonObject* p = json_array_get_object_element(parts, i);
      layout.parts.push_back({json_object_get_string_member(p, "name"),
                              static_cast<int>(json_object_get_int_member(p, "y")),
                              static_cast<int>(json_object_get_int_member(p, "width")),
                              static_cast<int>(json_object_get_int_member(p, "height"))});
    }
    JsonNode* info = json_object_get_member(root, "info");
    layout.bannerVisible = info && JSON_NODE_HOLDS_OBJECT(info) &&
                           json_object_get_boolean_member(json_node_get_object(info), "visible");
  }
  g_object_unref(parser);
  return ok;
}

// The engine may still lay the page out after the first moment a condition holds, so a check
// of the layout must also hold at every state read for a while after.
bool LayoutStays(pid_t pid, Layout& layout, const std::function<bool(const Layout&)>& holds) {
  bool ok = true;
  wbtest::RunLoopUntil(
      [&] {
        ok = ReadLayout(pid, layout) && holds(layout);
        return !ok;
      },
      1500);
  return ok;
}

// The parts of the window by their names and heights, for messages.
std::string Describe(const Layout& l) {
  std::string text = std::to_string(l.width) + "x" + std::to_string(l.height) + ":";
  for (const auto& part : l.parts)
    text += " " + part.name + " " + std::to_string(part.y) + "+" + std::to_string(part.height);
  return text;
}

// The web view takes all the height that the bars and a docked banner leave. The page area
// and the parts are whole pixels of one box, so they add up exactly but for the box's rounding.
bool ViewTakesTheRest(const Layout& l) {
  const Layout::Part* view = l.Find("web");
  return view && std::abs(view->height - l.HeightLeftForTheView()) <= 2;
}

// No banner takes room in the window (an empty dock may stay, without height).
bool NothingDocked(const Layout& l) {
  const Layout::Part* dock = l.Find("infoDock");
  return !dock || dock->height == 0;
}

// The banner docked as the last part of the window, at its full width and designed height.
bool DockedAtTheBottom(const Layout& l) {
  const Layout::Part* dock = l.Find("infoDock");
  return dock && &l.parts.back() == dock && dock->height == 90 && dock->width == l.width &&
         dock->y + dock->height == l.height;
}

class BannerEndToEnd : public ::testing::Test {
 protected:
  // A copy of the program branded with the banner switched on, every bar shown and a loopback
  // start page.
  std::string BrandedProgram(const std::string& title) {
    std::string path = wbtest::TestRoot() + "/banner-e2e";
    std::string command = std::string(WB_WBCTL_PATH) + " brand " + WB_WEBBROWSER_PATH + " " + path +
                          " 'title=" + title + "' webinfo=1 vis=mnal go=" + gateway.Base() +
                          "/start >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return path;
  }

  // Waits until both pages, the start page and the banner's, have finished loading: each asks
  // for its own "/loaded/..." address once its load event has fired.
  bool PagesLoaded() {
    return WaitFor([&] { return gateway.Asked("/loaded/start") && gateway.Asked("/loaded/info"); });
  }

  std::vector<std::string> InfoRequests() {
    std::vector<std::string> found;
    for (const auto& path : gateway.Paths())
      if (path.rfind("/gw/?cmd=info&", 0) == 0) found.push_back(path);
    return found;
  }

  // Requests for the gateway ("/gw/...") get the status the test sets; all others get a page.
  std::atomic<int> gatewayStatus{200};
  wbtest::LoopbackServer gateway{[this](const std::string& path) -> wbtest::LoopbackResponse {
    if (path.rfind("/gw/", 0) != 0)
      return {200,
              "<html><body onload=\"new Image().src='/loaded/start'\"><h1>Start page</h1>"
              "</body></html>",
              ""};
    return {gatewayStatus.load(),
            "<html><body onload=\"new Image().src='/loaded/info'\" style='margin:0;"
            "padding:6px 24px;background:#FFF8E1;font:13px sans-serif'><b>Morvane news</b> -"
            " the gateway's info page</body></html>",
            ""};
  }};
};

TEST_F(BannerEndToEnd, LoadsTheInfoPageBelowTheMainWindow) {
  std::string exe = BrandedProgram("Banner E2E");
  Program program(exe, {"WB_TEST_BASE_WEB_ADDRESS=" + gateway.Base()});
  ASSERT_GT(program.pid(), 0);
  ASSERT_TRUE(WaitFor([&] { return !InfoRequests().empty(); }))
      << "the banner never asked the gateway; requests: " << gateway.Paths().size();
  std::string request = InfoRequests().front();
  // The standard query, then the time-of-day number.
  std::smatch m;
  ASSERT_TRUE(
      std::regex_match(request, m,
                       std::regex("/gw/\\?cmd=info&id=&e=banner-e2e&v=[0-9.]*&d=\\d{4}-\\d\\d-"
                                  "\\d\\d&t=WebBrowser&l=&o=[0-9.]+&g=\\{[0-9A-F-]{36}\\}"
                                  "&tst=(\\d+)")))
      << request;
  int tst = std::stoi(m[1]);
  EXPECT_GE(tst, 0);
  EXPECT_LE(tst, 10000);

  ASSERT_TRUE(PagesLoaded());

  Layout layout;
  if (OnWayland()) {
    // The banner docks at the bottom, at its own height, and the page keeps the rest, from
    // the window's next layout on.
    const auto docked = [](const Layout& l) {
      return l.bannerVisible && DockedAtTheBottom(l) && ViewTakesTheRest(l);
    };
    EXPECT_TRUE(WaitFor([&] { return ReadLayout(program.pid(), layout) && docked(layout); }))
        << Describe(layout);
    EXPECT_TRUE(LayoutStays(program.pid(), layout, docked)) << Describe(layout);
  } else {
    // The banner is a window of its own below the main window, which it leaves as it was.
    XWindow main, banner;
    ASSERT_TRUE(WaitFor([&] {
      main = FindWindow("Banner E2E");
      banner = FindWindow("WebInfo");
      return main.viewable && banner.viewable && banner.y == main.y + main.height &&
             banner.x == main.x && banner.width == main.width;
    })) << "main "
        << main.x << "," << main.y << " " << main.width << "x" << main.height << "; banner "
        << banner.x << "," << banner.y << " " << banner.width << "x" << banner.height;
    EXPECT_EQ(banner.height, 90);
    EXPECT_TRUE(LayoutStays(program.pid(), layout, [](const Layout& l) {
      return l.bannerVisible && NothingDocked(l) && ViewTakesTheRest(l);
    })) << Describe(layout);
  }
  EXPECT_TRUE(program.Running());

  // The window's state reports the banner with the address it loaded and its timer.
  std::string state =
      RunCommand(std::string(WB_WBCTL_PATH) + " state --pid " + std::to_string(program.pid()));
  EXPECT_NE(state.find("\"info\":{\"visible\":true,\"address\":\"" + gateway.Base() + request +
                       "\",\"interval\":120000,\"timer\":true}"),
            std::string::npos)
      << state;
}

TEST_F(BannerEndToEnd, HidesWhenTheGatewayAnswersWithAnError) {
  gatewayStatus = 500;
  std::string exe = BrandedProgram("Banner E2E 500");
  Program program(exe, {"WB_TEST_BASE_WEB_ADDRESS=" + gateway.Base()});
  ASSERT_GT(program.pid(), 0);
  ASSERT_TRUE(WaitFor([&] { return !InfoRequests().empty(); }));
  ASSERT_TRUE(WaitFor([&] { return gateway.Asked("/loaded/start"); }));
  // Hidden without a message, and the page has the whole height again.
  // The window lays itself out again at its next frame after the banner has gone, so the
  // layout is awaited before it must stay.
  Layout layout;
  const auto settled = [](const Layout& l) {
    return !l.bannerVisible && NothingDocked(l) && ViewTakesTheRest(l);
  };
  ASSERT_TRUE(WaitFor([&] { return ReadLayout(program.pid(), layout) && settled(layout); }))
      << "the banner or its space is still there: " << Describe(layout) << " " << layout.json;
  EXPECT_TRUE(LayoutStays(program.pid(), layout, settled)) << Describe(layout);
  if (!OnWayland()) {
    XWindow banner = FindWindow("WebInfo");
    EXPECT_TRUE(banner.found && !banner.viewable) << "the banner's window is still shown";
  }
  // The program runs on, and nothing was retried.
  EXPECT_TRUE(program.Running());
  EXPECT_EQ(InfoRequests().size(), 1u);
}

TEST_F(BannerEndToEnd, FollowsTheMainWindowWhenItIsMovedOrResized) {
  if (OnWayland()) GTEST_SKIP() << "on Wayland the banner docks in the window and moves with it";
  std::string exe = BrandedProgram("Banner E2E Move");
  Program program(exe, {"WB_TEST_BASE_WEB_ADDRESS=" + gateway.Base()});
  ASSERT_GT(program.pid(), 0);
  ASSERT_TRUE(PagesLoaded());
  XWindow main, banner;
  auto follows = [&] {
    main = FindWindow("Banner E2E Move");
    banner = FindWindow("WebInfo");
    return main.viewable && banner.viewable && banner.x == main.x &&
           banner.y == main.y + main.height && banner.width == main.width && banner.height == 90;
  };
  auto where = [&] {
    return "main " + std::to_string(main.x) + "," + std::to_string(main.y) + " " +
           std::to_string(main.width) + "x" + std::to_string(main.height) + "; banner " +
           std::to_string(banner.x) + "," + std::to_string(banner.y) + " " +
           std::to_string(banner.width) + "x" + std::to_string(banner.height);
  };
  ASSERT_TRUE(WaitFor(follows)) << where();

  // The display moves and sizes the main window as a person would with the mouse.
  const struct {
    const char* what;
    const char* command;
    int x, y, width, height;
  } steps[] = {
      {"moved", "windowmove 230 140", 230, 140, -1, -1},
      {"resized", "windowsize 700 500", 230, 140, 700, 500},
      {"moved again", "windowmove 40 60", 40, 60, 700, 500},
  };
  for (const auto& step : steps) {
    int status = -1;
    RunCommand("xdotool search --name '^Banner E2E Move$' " + std::string(step.command), &status);
    ASSERT_EQ(status, 0) << step.what;
    EXPECT_TRUE(WaitFor([&] {
      return follows() && main.x == step.x && main.y == step.y &&
             (step.width < 0 || (main.width == step.width && main.height == step.height));
    })) << step.what
        << ": " << where();
  }
}

#endif

}  // namespace
