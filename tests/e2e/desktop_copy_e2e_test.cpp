// A branded copy as an application on the desktop, with the real program: one window for a
// copy that asks for it, and the copy's icon on its windows.
#include <dirent.h>
#include <gdkmm/pixbuf.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <json-glib/json-glib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "info/program_icon.h"
#include "platform/remote_channel.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/loop_spin.h"
#include "tests/common/loopback_server.h"
#include "tests/common/pictures.h"
#include "tests/common/program_run.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

namespace wbtest {
namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

std::string Brand(const std::string& name, const std::vector<std::string>& extra) {
  return BrandAt(TestRoot() + "/" + name, extra);
}

// The processes that run the executable `exe`, by their /proc entries.
int ProcessesOf(const std::string& exe) {
  int count = 0;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return -1;
  while (dirent* e = ::readdir(proc)) {
    char target[4096];
    const std::string link = std::string("/proc/") + e->d_name + "/exe";
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == exe) ++count;
  }
  ::closedir(proc);
  return count;
}

// Waits until the window of `program` has loaded `address` as the last entry of its history,
// and checks that it stays so.
void ExpectLastEntry(ProgramRun& program, const std::string& address, std::size_t entries) {
  WindowState state;
  EXPECT_TRUE(RunLoopUntil(
      [&] {
        return !program.Runs() ||
               (ReadWindowState(program.pid(), state) && state.history.size() == entries &&
                state.history.back() == address && state.address == address);
      },
      60000))
      << state.json;
  EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
    return s.history.size() == entries && s.history.back() == address;
  })) << state.json;
}

TEST(SingleWindowEndToEnd, ASecondStartHandsItsAddressToTheRunningWindowAndEnds) {
  LoopbackServer server{[](const std::string&) -> LoopbackResponse {
    return {200, "<html><head><title>Single</title></head><body>page</body></html>", ""};
  }};
  const std::string start = server.Url("/start");
  const std::string second = server.Url("/second?from=start");
  const std::string exe = Brand("single-e2e", {"go=" + start, "title=Single", "single=1"});
  ProgramRun first(exe, {});
  ExpectLastEntry(first, start, 1);

  // Started again with an address, as the desktop starts it, with a start-up id.
  ProgramRun again(exe, {second}, {"DESKTOP_STARTUP_ID=e2e-single-0_TIME0"});
  EXPECT_EQ(again.WaitForExit(20000), 0);
  ExpectLastEntry(first, second, 2);
  EXPECT_TRUE(RunLoopUntil([&] { return server.Requests("/second?from=start") > 0; }, 60000));
  EXPECT_EQ(ProcessesOf(exe), 1);
  EXPECT_EQ(
      wb::RunningWindowsOf(wb::ChannelDirectory(wb::MissingFolder::kThrow), "single-e2e").size(),
      1u);

  // Without an address the window is only brought to the front.
  ProgramRun bare(exe, {});
  EXPECT_EQ(bare.WaitForExit(20000), 0);
  ExpectLastEntry(first, second, 2);
  EXPECT_EQ(ProcessesOf(exe), 1);

  // Once the window has gone, a start opens a window again.
  EXPECT_EQ(first.Terminate(), 0);
  ProgramRun next(exe, {});
  ExpectLastEntry(next, start, 1);
  EXPECT_TRUE(next.Runs());
}

// A double click starts the copy twice at once: one start opens the window, the other waits
// for it and hands its address over, so the window ends up with both.
TEST(SingleWindowEndToEnd, TwoStartsAtOnceOpenOneWindowWithBothAddresses) {
  LoopbackServer server{[](const std::string&) -> LoopbackResponse {
    return {200, "<html><body>page</body></html>", ""};
  }};
  const std::string start = server.Url("/start");
  const std::string one = server.Url("/one"), two = server.Url("/two");
  const std::string exe = Brand("twice-e2e", {"go=" + start, "title=Twice", "single=1"});
  ProgramRun a(exe, {one});
  ProgramRun b(exe, {two});
  int status = -1;
  for (int i = 0; i < 400 && a.pid() > 0 && b.pid() > 0; ++i) {
    status = a.WaitForExit(25);
    if (a.pid() > 0) status = b.WaitForExit(25);
  }
  ASSERT_TRUE(a.pid() == 0 || b.pid() == 0) << "both starts opened a window";
  EXPECT_EQ(status, 0);
  ProgramRun& window = a.pid() > 0 ? a : b;
  WindowState state;
  const auto holdsBoth = [&](const WindowState& s) {
    return s.history.size() == 3 && s.history.front() == start &&
           std::count(s.history.begin(), s.history.end(), one) == 1 &&
           std::count(s.history.begin(), s.history.end(), two) == 1;
  };
  // The address that came second may call off the first before the server sees it; the one
  // shown is requested and loaded, and the window stays so.
  const auto shownAndLoaded = [&] {
    return ReadWindowState(window.pid(), state) && holdsBoth(state) &&
           server.Asked(state.address.substr(server.Url("").size())) &&
           state.status == state.address;
  };
  EXPECT_TRUE(RunLoopUntil(shownAndLoaded, 60000))
      << ::testing::PrintToString(server.Paths()) << " " << state.json;
  EXPECT_TRUE(StateStays(window.pid(), state, holdsBoth)) << state.json;
  EXPECT_EQ(ProcessesOf(exe), 1);
}

// Two copies of the same name in different folders are different applications (each branded
// for its own site): neither hands its start to the other's window.
TEST(SingleWindowEndToEnd, ACopyOfTheSameNameElsewhereOpensItsOwnWindow) {
  LoopbackServer server{[](const std::string&) -> LoopbackResponse {
    return {200, "<html><body>page</body></html>", ""};
  }};
  const std::string first = server.Url("/first"), other = server.Url("/other");
  const std::string exe = Brand("same-e2e", {"go=" + first, "title=Same", "single=1"});
  std::filesystem::create_directories(TestRoot() + "/elsewhere");
  const std::string elsewhere =
      Brand("elsewhere/same-e2e", {"go=" + other, "title=Same", "single=1"});
  ProgramRun a(exe, {});
  ExpectLastEntry(a, first, 1);
  ProgramRun b(elsewhere, {});
  ExpectLastEntry(b, other, 1);
  EXPECT_TRUE(b.Runs());
  ExpectLastEntry(a, first, 1);
  EXPECT_EQ(ProcessesOf(exe), 1);
  EXPECT_EQ(ProcessesOf(elsewhere), 1);
}

TEST(SingleWindowEndToEnd, WithoutTheKeyEveryStartOpensAWindow) {
  LoopbackServer server{[](const std::string&) -> LoopbackResponse {
    return {200, "<html><body>page</body></html>", ""};
  }};
  const std::string start = server.Url("/start");
  const std::string exe = Brand("many-e2e", {"go=" + start, "title=Many"});
  ProgramRun first(exe, {});
  ExpectLastEntry(first, start, 1);
  const std::string other = server.Url("/other");
  ProgramRun second(exe, {other});
  ExpectLastEntry(second, other, 2);
  ExpectLastEntry(first, start, 1);
  EXPECT_EQ(ProcessesOf(exe), 2);
}

// The "icon" member of the window's state: the pixels of the icon its windows show.
std::string IconPixels(pid_t pid) {
  std::string pixels;
  ToolRun run = Wbctl({"state", "--pid", std::to_string(pid)});
  if (run.status != 0) return pixels;
  JsonParser* parser = json_parser_new();
  if (json_parser_load_from_data(parser, run.out.c_str(), -1, nullptr)) {
    JsonObject* root = json_node_get_object(json_parser_get_root(parser));
    if (json_object_has_member(root, "icon")) {
      pixels = json_object_get_string_member_with_default(
          json_object_get_object_member(root, "icon"), "pixels", "");
    }
  }
  g_object_unref(parser);
  return pixels;
}

TEST(ProgramIconEndToEnd, TheWindowsShowTheCopysIconElseTheProgramsOwn) {
  const std::string png = TestRoot() + "/copy-icon.png";
  WritePng(png, 48, 40);
  struct Case {
    const char* what;
    std::vector<std::string> brand;
    std::string picture;
  };
  const Case cases[] = {
      {"its own icon", {"--icon", png}, png},
      {"no icon", {}, std::string(WB_SOURCE_DIR) + "/resources/webbrowser.png"},
  };
  int n = 0;
  for (const auto& c : cases) {
    std::vector<std::string> args = c.brand;
    args.insert(args.end(), {"go=about:blank", "title=Icon"});
    const std::string exe = Brand("icon-e2e-" + std::to_string(n++), args);
    ProgramRun program(exe, {});
    const std::string expected = wb::PixelDigest(Gdk::Pixbuf::create_from_file(c.picture));
    std::string shown;
    EXPECT_TRUE(RunLoopUntil(
        [&] {
          shown = IconPixels(program.pid());
          return !program.Runs() || !shown.empty();
        },
        60000))
        << c.what;
    EXPECT_EQ(shown, expected) << c.what;
  }
}

// The sizes of the icon the window offers the task bar (_NET_WM_ICON), as "WxH" items. A
// picture too large for the property (512 pixels) once left the window with none at all.
TEST(ProgramIconEndToEnd, TheWindowOffersTheIconAtTheTaskBarsSizes) {
  if (OnWayland()) GTEST_SKIP() << "_NET_WM_ICON is an X11 property, read with xprop";
  const std::string svg = TestRoot() + "/copy-icon.svg";
  {
    std::ofstream out(svg);
    out << "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='20'>"
           "<rect width='20' height='20' fill='#c03020'/></svg>";
  }
  const std::string all = "256x256 128x128 64x64 48x48 32x32 24x24 16x16";
  const struct {
    std::string picture;  // PNG WxH, or the SVG file
    std::string sizes;
  } cases[] = {
      {"512x512", all},
      {"1024x512", "256x128 128x64 64x32 48x24 32x16 24x12 16x8"},
      {"192x192", "192x192 128x128 64x64 48x48 32x32 24x24 16x16"},
      {"48x48", "48x48 32x32 24x24 16x16"},
      {"svg", all},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    std::string icon = svg;
    if (c.picture != "svg") {
      const auto x = c.picture.find('x');
      icon = TestRoot() + "/icon-" + c.picture + ".png";
      WritePng(icon, std::stoi(c.picture.substr(0, x)), std::stoi(c.picture.substr(x + 1)));
    }
    const std::string title = "Icon Sizes " + std::to_string(n);
    const std::string exe = Brand("icon-sizes-" + std::to_string(n++),
                                  {"--icon", icon, "go=about:blank", "title=" + title});
    ProgramRun program(exe, {});
    std::string sizes;
    EXPECT_TRUE(RunLoopUntil(
        [&] {
          // The property as numbers (xprop draws icons only in some locales, and reads 64 kB
          // unless told more): width, height and that many pixels, for each size in turn.
          sizes = RunCommand("xprop -name '" + title +
                             "' -len 4000000 -notype 32c _NET_WM_ICON 2>/dev/null | grep "
                             "'^_NET_WM_ICON = ' | sed 's/^[^=]*= //' | tr -d ' ' | tr ',' '\\n' "
                             "| awk '{ if (skip > 0) { skip--; next } if (w == \"\") { w = $1; "
                             "next } out = out (out == \"\" ? \"\" : \" \") w \"x\" $1; skip = w * "
                             "$1; w = \"\" } END { printf \"%s\", out }'");
          if (!sizes.empty() && sizes.back() == '\n') sizes.pop_back();
          return !program.Runs() || !sizes.empty();
        },
        60000));
    EXPECT_EQ(sizes, c.sizes);
  }
}

#endif

}  // namespace
}  // namespace wbtest
