// The real program with tray=1 on a session bus of the test's own, with a task bar's watcher
// of the test's own: the item registered with the copy's name and title, closing the window
// hiding it in the item, Activate showing it again, the watcher's going showing it too, and
// the menu's Quit ending the program; without a watcher closing ends it. And with dark= unset
// the page's colour scheme following a settings portal of the test's own. And autostart=1:
// the entry install writes starts the copy hidden in its item, and a second start shows it.
#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>

#include <sstream>
#include <string>
#include <vector>

#include "tests/common/bus_services.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/loop_spin.h"
#include "tests/common/loopback_server.h"
#include "tests/common/pictures.h"
#include "tests/common/program_run.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/e2e/x11_close.h"

namespace wbtest {
namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

std::string Brand(const std::string& name, const std::vector<std::string>& extra) {
  return BrandAt(TestRoot() + "/" + name, extra);
}

// Whether a window titled `title` is shown (mapped) on the display.
bool Shown(const std::string& title) {
  return !RunCommand("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null").empty();
}

// Waits until the program has loaded `address` and its tray reads `registered` and `hidden`,
// then checks that this stays so for a moment.
void ExpectTray(ProgramRun& program, const std::string& address, bool registered, bool hidden) {
  WindowState state;
  auto holds = [&](const WindowState& s) {
    return s.address == address && s.trayRegistered == registered && s.trayHidden == hidden;
  };
  EXPECT_TRUE(RunLoopUntil(
      [&] { return !program.Runs() || (ReadWindowState(program.pid(), state) && holds(state)); },
      60000))
      << state.json;
  EXPECT_TRUE(program.Runs());
  EXPECT_TRUE(StateStays(program.pid(), state, holds, 500)) << state.json;
}

const char kPage[] = "<html><head><title>Tray page</title></head><body>tray</body></html>";

// The page gives its badge itself, which the item's tooltip shows before the title.
const char kBadgePage[] =
    "<html><head><title>Tray page</title><script>navigator.setAppBadge(5)</script></head>"
    "<body>tray</body></html>";

TEST(TrayEndToEnd, ClosingHidesInTheItemWhichShowsTheWindowAgainAndQuits) {
  PrivateBus bus(PrivateBus::Use::kOtherPrograms);
  if (!bus.Ready()) GTEST_SKIP() << "dbus-daemon is not installed";
  auto watcher = std::make_unique<TestWatcher>(bus);
  ASSERT_TRUE(watcher->Ready());
  LoopbackServer server;
  server.Page("/tray", kBadgePage);
  const std::string start = server.Url("/tray");
  const std::string exe = Brand("tray-e2e", {"go=" + start, "title=Tray E2E", "tray=1"});
  ProgramRun program(exe, {}, {bus.Environment()});
  ASSERT_TRUE(RunLoopUntil([&] { return !watcher->items.empty() || !program.Runs(); }, 60000));
  ASSERT_EQ(watcher->items.size(), 1u);
  const std::string item = watcher->items.front();
  ExpectTray(program, start, true, false);

  GDBusConnection* client = bus.Connect();
  ASSERT_TRUE(client);
  const char kItem[] = "org.kde.StatusNotifierItem";
  EXPECT_EQ(StringProperty(client, item, "/StatusNotifierItem", kItem, "Id"), "tray-e2e");
  EXPECT_EQ(StringProperty(client, item, "/StatusNotifierItem", kItem, "Title"), "Tray E2E");
  EXPECT_EQ(StringProperty(client, item, "/StatusNotifierItem", kItem, "Menu"), "/MenuBar");
  auto toolTip = [&] {
    std::string text;
    if (GVariant* tip = PropertyOf(client, item, "/StatusNotifierItem", kItem, "ToolTip")) {
      const gchar* t = nullptr;
      g_variant_get_child(tip, 2, "&s", &t);
      text = t;
      g_variant_unref(tip);
    }
    return text;
  };
  EXPECT_TRUE(RunLoopUntil([&] { return toolTip() == "(5) Tray E2E"; }, 10000)) << toolTip();
  // The copy's icon, at two sizes, each all its pixels.
  if (GVariant* icon = PropertyOf(client, item, "/StatusNotifierItem", kItem, "IconPixmap")) {
    ASSERT_EQ(g_variant_n_children(icon), 2u);
    for (gsize i = 0; i < 2; ++i) {
      gint32 width = 0, height = 0;
      GVariant* argb = nullptr;
      g_variant_get_child(icon, i, "(ii@ay)", &width, &height, &argb);
      EXPECT_GT(width, 0);
      EXPECT_EQ(g_variant_n_children(argb), static_cast<gsize>(width) * height * 4);
      g_variant_unref(argb);
    }
    g_variant_unref(icon);
  } else {
    ADD_FAILURE() << "no IconPixmap";
  }

  if (!OnWayland()) {
    // Closing hides the window in the item; the program goes on.
    ASSERT_EQ(CloseWindows("Tray E2E"), 1);
    ExpectTray(program, start, true, true);
    EXPECT_FALSE(Shown("Tray E2E"));
    // A click on the item shows it again.
    std::string error;
    GVariant* reply = CallAndWait(client, item, "/StatusNotifierItem", kItem, "Activate",
                                  g_variant_new("(ii)", 0, 0), &error);
    ASSERT_TRUE(reply) << error;
    g_variant_unref(reply);
    ExpectTray(program, start, true, false);
    EXPECT_TRUE(RunLoopUntil([] { return Shown("Tray E2E"); }, 10000));
    // Hidden again, then the task bar goes away: the window comes back, and with no item to
    // hide in, closing would end the program.
    ASSERT_EQ(CloseWindows("Tray E2E"), 1);
    ExpectTray(program, start, true, true);
    watcher->Stop();
    ExpectTray(program, start, false, false);
    EXPECT_TRUE(RunLoopUntil([] { return Shown("Tray E2E"); }, 10000));
    // A task bar that starts later gets the item, and closing hides it there once more.
    watcher = std::make_unique<TestWatcher>(bus);
    ASSERT_TRUE(watcher->Ready());
    ExpectTray(program, start, true, false);
    EXPECT_EQ(watcher->items.size(), 1u);
    ASSERT_EQ(CloseWindows("Tray E2E"), 1);
    ExpectTray(program, start, true, true);
  }
  // The menu's Quit ends the program cleanly, hidden window or not.
  std::string error;
  GVariant* reply =
      CallAndWait(client, item, "/MenuBar", "com.canonical.dbusmenu", "Event",
                  g_variant_new("(isvu)", 2, "clicked", g_variant_new_int32(0), 0u), &error);
  EXPECT_TRUE(reply) << error;
  if (reply) g_variant_unref(reply);
  EXPECT_EQ(program.WaitForExit(20000), 0);
  g_object_unref(client);
}

TEST(TrayEndToEnd, ALogoutWhileHiddenEndsTheProgram) {
  if (OnWayland()) GTEST_SKIP() << "the window is closed with a message of X11's own";
  PrivateBus bus(PrivateBus::Use::kOtherPrograms);
  if (!bus.Ready()) GTEST_SKIP() << "dbus-daemon is not installed";
  TestWatcher watcher(bus);
  ASSERT_TRUE(watcher.Ready());
  LoopbackServer server;
  server.Page("/logout", kPage);
  const std::string start = server.Url("/logout");
  const std::string exe = Brand("tray-logout-e2e", {"go=" + start, "title=Tray Logout", "tray=1"});
  ProgramRun program(exe, {}, {bus.Environment()});
  ExpectTray(program, start, true, false);
  ASSERT_EQ(CloseWindows("Tray Logout"), 1);
  ExpectTray(program, start, true, true);
  EXPECT_EQ(program.Terminate(), 0);
}

TEST(TrayEndToEnd, WithoutAWatcherClosingEndsTheProgram) {
  if (OnWayland()) GTEST_SKIP() << "the window is closed with a message of X11's own";
  PrivateBus bus(PrivateBus::Use::kOtherPrograms);
  if (!bus.Ready()) GTEST_SKIP() << "dbus-daemon is not installed";
  LoopbackServer server;
  server.Page("/alone", kPage);
  const std::string start = server.Url("/alone");
  const std::string exe = Brand("tray-alone-e2e", {"go=" + start, "title=Tray Alone", "tray=1"});
  ProgramRun program(exe, {}, {bus.Environment()});
  ExpectTray(program, start, false, false);
  ASSERT_EQ(CloseWindows("Tray Alone"), 1);
  EXPECT_EQ(program.WaitForExit(20000), 0);
}

// desktop-file-validate's verdict: empty when the entry passes (it prints only problems).
std::string Validate(const std::string& entry) {
  gchar* tool = g_find_program_in_path("desktop-file-validate");
  if (tool == nullptr) return "desktop-file-validate is not installed (scripts/install-deps.sh)";
  auto run = RunTool({tool, entry});
  g_free(tool);
  return run.status == 0 && run.out.empty() ? "" : run.out + run.err;
}

// The command line of the entry's Exec value, as the desktop splits it.
std::vector<std::string> ExecOf(const std::string& entry) {
  std::vector<std::string> argv;
  GKeyFile* file = g_key_file_new();
  if (g_key_file_load_from_file(file, entry.c_str(), G_KEY_FILE_NONE, nullptr)) {
    gchar* exec = g_key_file_get_string(file, "Desktop Entry", "Exec", nullptr);
    gchar** parts = nullptr;
    if (exec && g_shell_parse_argv(exec, nullptr, &parts, nullptr))
      for (gchar** p = parts; *p; ++p) argv.emplace_back(*p);
    g_strfreev(parts);
    g_free(exec);
  }
  g_key_file_free(file);
  return argv;
}

TEST(TrayEndToEnd, AutostartStartsHiddenInTheItemAndASecondStartShowsTheWindow) {
  PrivateBus bus(PrivateBus::Use::kOtherPrograms);
  if (!bus.Ready()) GTEST_SKIP() << "dbus-daemon is not installed";
  TestWatcher watcher(bus);
  ASSERT_TRUE(watcher.Ready());
  LoopbackServer server;
  server.Page("/login", kPage);
  const std::string start = server.Url("/login");
  const std::string icon = TestRoot() + "/autostart-e2e.png";
  WritePng(icon, 32, 32);
  const std::string exe = Brand(
      "autostart-e2e",
      {"--icon", icon, "go=" + start, "title=Autostart E2E", "tray=1", "single=1", "autostart=1"});
  const std::string prefix = TestRoot() + "/autostart-share";
  const ToolRun install = Wbctl({"install", "--exe", exe, "--prefix", prefix});
  ASSERT_EQ(install.status, 0) << install.err;
  const std::string entry =
      std::string(g_get_user_config_dir()) + "/autostart/autostart-e2e.desktop";
  EXPECT_EQ(Validate(entry), "");
  const std::vector<std::string> exec = ExecOf(entry);
  ASSERT_EQ(exec, (std::vector<std::string>{exe, "--hidden"}));

  // The start at login: the page loads, the item is taken, the window stays hidden in it.
  ProgramRun program(exec[0], {exec.begin() + 1, exec.end()}, {bus.Environment()});
  ExpectTray(program, start, true, true);
  EXPECT_EQ(watcher.items.size(), 1u);
  if (!OnWayland()) {
    EXPECT_FALSE(Shown("Autostart E2E"));
  }
  // A start from the menu hands over to it and shows the window.
  ProgramRun again(exe, {}, {bus.Environment()});
  EXPECT_EQ(again.WaitForExit(20000), 0);
  ExpectTray(program, start, true, false);
  if (!OnWayland()) {
    EXPECT_TRUE(RunLoopUntil([] { return Shown("Autostart E2E"); }, 10000));
  }

  const ToolRun uninstall = Wbctl({"uninstall", "--exe", exe, "--prefix", prefix});
  EXPECT_EQ(uninstall.status, 0) << uninstall.err;
  EXPECT_FALSE(std::filesystem::exists(entry));
}

TEST(DesktopColorSchemeEndToEnd, ThePageFollowsThePortalWithDarkUnset) {
  PrivateBus bus(PrivateBus::Use::kOtherPrograms);
  if (!bus.Ready()) GTEST_SKIP() << "dbus-daemon is not installed";
  TestPortal portal(bus, "uint32 1");
  ASSERT_TRUE(portal.Ready());
  LoopbackServer server;
  // The page reports its scheme at once and at every change.
  server.Page("/scheme",
              "<html><head><title>Scheme</title></head><body><script>"
              "const q = matchMedia('(prefers-color-scheme: dark)');"
              "const report = () => fetch(q.matches ? '/dark' : '/light', {cache: 'no-store'});"
              "report(); q.addEventListener('change', report);"
              "</script></body></html>");
  server.Page("/dark", "dark");
  server.Page("/light", "light");
  const std::string exe = Brand("scheme-e2e", {"go=" + server.Url("/scheme"), "title=Scheme"});
  ProgramRun program(exe, {}, {bus.Environment()});
  auto last = [&] {
    std::string out = "(none)";
    for (const auto& path : server.Paths())
      if (path == "/dark" || path == "/light") out = path;
    return out;
  };
  const struct {
    const char* change;  // the portal's new value; empty: the first answer
    const char* scheme;
  } steps[] = {
      {"", "/dark"},
      {"uint32 2", "/light"},
      {"uint32 1", "/dark"},
      // No preference: GTK's own, which is light here.
      {"uint32 0", "/light"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.change);
    if (*step.change) portal.Change(step.change);
    EXPECT_TRUE(RunLoopUntil([&] { return last() == step.scheme || !program.Runs(); }, 60000))
        << last();
    EXPECT_TRUE(RunLoopUntil([&] { return last() != step.scheme; }, 500) == false) << last();
  }
  EXPECT_EQ(portal.asked.front(), "ReadOne org.freedesktop.appearance color-scheme");
}

#endif

}  // namespace
}  // namespace wbtest
