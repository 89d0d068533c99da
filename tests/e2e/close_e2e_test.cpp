// Closing asks the page, on the real program: a page with a "beforeunload" handler and typed
// text asks before its window closes, the main window and a child window alike; "Stay" keeps
// the window and the text, "Leave" closes it, and a child window's page's last beacon reaches
// the server.
// The end signals never wait for a question: the program ends within two seconds with the
// question open, and with a box open that runs a loop of its own (the print dialog here; the
// error box's own case is in the GUI suite's questions test).
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/common/gtk_test_util.h"
#include "tests/common/loop_spin.h"
#include "tests/common/loopback_server.h"
#include "tests/common/program_run.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/e2e/x11_close.h"

namespace wbtest {
namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

// A page that asks before it is left once something is typed into it, and says goodbye to its
// server as it goes.
const char kGuardPage[] =
    "<html><head><title>Close Guard</title></head><body style='margin:0'>"
    "<textarea id='t' oninput=\"fetch('/typed')\" "
    "onclick=\"if (!this.value) { this.value = 'clicked'; fetch('/typed'); }\" "
    "style='position:fixed;left:0;top:0;width:100%;height:100%'></textarea><script>"
    "addEventListener('beforeunload', function(e) {"
    "  if (document.getElementById('t').value) { e.preventDefault(); e.returnValue = ''; } });"
    "addEventListener('pagehide', function() { navigator.sendBeacon('/bu', 'bye'); });"
    "</script></body></html>";

// Runs an xdotool command on the window titled `title` (a pattern), focused first.
bool OnWindow(const std::string& title, const std::string& command) {
  int status = 0;
  RunCommand(
      "xdotool search --sync --onlyvisible --name '^" + title + "$' windowfocus --sync " + command,
      &status);
  return status == 0;
}

// The leave question's answers, as a person gives them with the keyboard.
bool Stay() {
  return OnWindow("Leave this page.", "key Escape");
}
bool Leave() {
  return OnWindow("Leave this page.", "key alt+l");
}

bool Has(const WindowState& s, const std::string& member) {
  return s.json.find(member) != std::string::npos;
}

class CloseEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (OnWayland()) GTEST_SKIP() << "windows are closed and typed into with X11's own tools";
    server.Page("/guard", kGuardPage);
    server.Page("/typed", "ok");
    server.Page("/bu", "ok");
  }
  std::string Brand(const std::string& name, const std::vector<std::string>& extra) {
    return BrandAt(TestRoot() + "/" + name, extra);
  }
  // Waits until the program's state holds `holds`.
  template <typename Check>
  ::testing::AssertionResult Until(ProgramRun& program, Check holds, int ms = 60000) {
    WindowState state;
    if (RunLoopUntil([&] { return ReadWindowState(program.pid(), state) && holds(state); }, ms))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << state.json;
  }
  // Types into the page of the window titled `title` until the page has seen it: a click in
  // the window's middle, where the page's text area fills the page, then the keys.
  void Type(const std::string& title) {
    ASSERT_TRUE(OnWindow(title, "mousemove --window %1 300 300 click 1 type abc"));
    ASSERT_TRUE(RunLoopUntil([&] { return server.Asked("/typed"); }, 30000))
        << ::testing::PrintToString(server.Paths());
  }
  // The program ends within two seconds of `signal`; returns its exit status.
  int EndsWithin2s(ProgramRun& program, int signal) {
    const auto start = std::chrono::steady_clock::now();
    ::kill(program.pid(), signal);
    const int status = program.WaitForExit(2000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    return status;
  }
  LoopbackServer server;
};

TEST_F(CloseEndToEnd, TheMainWindowAsksBeforeItClosesAndStaysOrGoes) {
  const std::string start = server.Url("/guard");
  ProgramRun program(Brand("close-main", {"go=" + start, "title=Close Guard"}), {});
  ASSERT_TRUE(Until(program, [&](const WindowState& s) { return s.status == start; }));
  Type("Close Guard");

  // Stay: the window, its page and what was typed stay; the page said no goodbye.
  ASSERT_EQ(CloseWindows("Close Guard"), 1);
  ASSERT_TRUE(Until(program, [](const WindowState& s) { return Has(s, "\"leave\":true"); }));
  ASSERT_TRUE(Stay());
  WindowState state;
  EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
    return s.address == start && Has(s, "\"leave\":false");
  })) << state.json;
  EXPECT_FALSE(server.Asked("/bu"));

  // Leave: the program ends.
  ASSERT_EQ(CloseWindows("Close Guard"), 1);
  ASSERT_TRUE(Until(program, [](const WindowState& s) { return Has(s, "\"leave\":true"); }));
  ASSERT_TRUE(Leave());
  EXPECT_EQ(program.WaitForExit(20000), 0);
}

TEST_F(CloseEndToEnd, AChildWindowAsksBeforeItClosesAndStaysOrGoes) {
  server.Page("/main",
              "<html><head><title>Close Main</title></head><body style='margin:0'>"
              "<div onclick=\"window.open('/guard', 'guard')\" "
              "style='width:400px;height:200px;background:#ccf'>open</div></body></html>");
  const std::string main = server.Url("/main"), guard = server.Url("/guard");
  ProgramRun program(Brand("close-child", {"go=" + main, "title=Close Main", "internal=127.0.0.1"}),
                     {});
  ASSERT_TRUE(Until(program, [&](const WindowState& s) { return s.status == main; }));
  ASSERT_TRUE(OnWindow("Close Main", "mousemove --window %1 60 60 click 1"));
  const std::string shown =
      "\"children\":[{\"address\":\"" + guard + "\",\"title\":\"Close Guard\"";
  ASSERT_TRUE(Until(program, [&](const WindowState& s) { return Has(s, shown); }));
  Type("Close Guard");

  ASSERT_EQ(CloseWindows("Close Guard"), 1);
  ASSERT_TRUE(Until(
      program, [](const WindowState& s) { return Has(s, "\"visible\":true,\"leave\":true"); }));
  ASSERT_TRUE(Stay());
  WindowState state;
  EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
    return Has(s, shown) && Has(s, "\"visible\":true,\"leave\":false");
  })) << state.json;
  EXPECT_FALSE(server.Asked("/bu"));

  ASSERT_EQ(CloseWindows("Close Guard"), 1);
  ASSERT_TRUE(Until(program, [](const WindowState& s) { return Has(s, "\"leave\":true"); }));
  ASSERT_TRUE(Leave());
  ASSERT_TRUE(Until(program, [](const WindowState& s) { return Has(s, "\"children\":[]"); }));
  EXPECT_TRUE(RunLoopUntil([&] { return server.Asked("/bu"); }, 10000));
  EXPECT_TRUE(program.Runs());  // the main window goes on
}

TEST_F(CloseEndToEnd, TheEndSignalsNeverWaitForAQuestion) {
  const std::string start = server.Url("/guard");
  const std::string exe = Brand("close-signal", {"go=" + start, "title=Close Guard"});
  for (int signal : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    // The leave question open.
    {
      server.Clear();
      ProgramRun program(exe, {});
      ASSERT_TRUE(Until(program, [&](const WindowState& s) { return s.status == start; }));
      Type("Close Guard");
      ASSERT_EQ(CloseWindows("Close Guard"), 1);
      ASSERT_TRUE(Until(program, [](const WindowState& s) { return Has(s, "\"leave\":true"); }));
      EXPECT_EQ(EndsWithin2s(program, signal), 0);
    }
    // A modal box that runs a loop of its own, as the error box does: the print dialog.
    {
      ProgramRun program(exe, {});
      ASSERT_TRUE(Until(program, [&](const WindowState& s) { return s.status == start; }));
      ASSERT_TRUE(OnWindow("Close Guard", "key ctrl+p"));
      ASSERT_TRUE(OnWindow("Print", "getwindowname"));
      EXPECT_EQ(EndsWithin2s(program, signal), 0);
    }
  }
}

#endif

}  // namespace
}  // namespace wbtest
