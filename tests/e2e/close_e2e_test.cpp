// Closing asks the page, on the real engine: a page with a "beforeunload" handler and typed
// text asks before its window closes, the main window and a child window alike, and before the
// whole program ends (File > Exit asks the child windows' pages first); "Stay" keeps the window
// and the text, "Leave" closes it, and the page's last beacon ("pagehide") reaches the server.
// The questions are answered as a person answers them, by the buttons of our own question, in
// the test's own process. Then the real program: closing its main window unloads the page before
// the program ends, so the beacon arrives, and the end signals never wait for a question or a
// box: the program ends within two seconds with either open.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/common/engine_window.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/loop_spin.h"
#include "tests/common/loopback_server.h"
#include "tests/common/page_script.h"
#include "tests/common/program_run.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/e2e/x11_close.h"

namespace wbtest {
namespace {

// A page that asks before it is left once something is typed into it (a click types
// "clicked"), and says goodbye to its server as it goes. It tells its server once it has
// loaded, handlers and all: the window's status says only that the load has begun or ended.
const char kGuardPage[] =
    "<html><head><title>Close Guard</title></head><body style='margin:0'>"
    "<textarea id='t' oninput=\"fetch('/typed')\" "
    "onclick=\"if (!this.value) { this.value = 'clicked'; fetch('/typed'); }\" "
    "style='position:fixed;left:0;top:0;width:100%;height:100%'></textarea><script>"
    "addEventListener('beforeunload', function(e) {"
    "  if (document.getElementById('t').value) { e.preventDefault(); e.returnValue = ''; } });"
    "addEventListener('pagehide', function() { navigator.sendBeacon('/bu', 'bye'); });"
    "addEventListener('load', function() { fetch('/ready'); });"
    "</script></body></html>";

// A page whose click opens the guard page in a window of its own.
const char kOpenerPage[] =
    "<html><head><title>Close Main</title></head><body style='margin:0'>"
    "<div onclick=\"window.open('/guard', 'guard')\" "
    "style='width:400px;height:200px;background:#ccf'>open</div></body></html>";

constexpr char kQuestion[] = "Leave this page?";

// Our leave question, shown, or null.
GtkDialog* LeaveQuestion() {
  GtkDialog* found = nullptr;
  GList* all = gtk_window_list_toplevels();
  for (GList* l = all; l; l = l->next) {
    const char* t = gtk_window_get_title(GTK_WINDOW(l->data));
    if (GTK_IS_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)) && t &&
        std::string(t) == kQuestion)
      found = GTK_DIALOG(l->data);
  }
  g_list_free(all);
  return found;
}

// Waits for the question, then answers it with its button: "Leave Page" or "Stay on Page".
// Returns the window the question belongs to, or null when none came.
GtkWindow* Answer(bool leave) {
  if (!SpinUntil([] { return LeaveQuestion() != nullptr; }, 30000)) return nullptr;
  GtkDialog* question = LeaveQuestion();
  GtkWindow* over = gtk_window_get_transient_for(GTK_WINDOW(question));
  gtk_dialog_response(question, leave ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_CANCEL);
  // The answered question goes from the main loop.
  if (!SpinUntil([] { return LeaveQuestion() == nullptr; }, 10000)) return nullptr;
  return over;
}

// The text typed into the guard page of `view`.
std::string Typed(wb::WebView& view) {
  return ScriptText(WEBKIT_WEB_VIEW(view.widget().gobj()), "document.getElementById('t').value");
}

class CloseEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(kGtkmmReady); }
  void SetUp() override {
    server.Page("/guard", kGuardPage);
    server.Page("/main", kOpenerPage);
    server.Page("/typed", "ok");
    server.Page("/bu", "ok");
    server.Page("/ready", "ok");
  }
  // A click into the guard page of `view`: the person's use the engine asks for before a page
  // may ask, and the text the page then keeps.
  ::testing::AssertionResult Use(wb::WebView& view) {
    server.Clear();
    ClickAt(view.widget(), 200, 100);
    if (!SpinUntil([&] { return server.Asked("/typed"); }, 30000))
      return ::testing::AssertionFailure() << "the page did not see the click";
    return ::testing::AssertionSuccess();
  }
  // A click into the main page opens the guard page in a child window, shown and loaded.
  ::testing::AssertionResult OpenGuardChild(EngineWindow& w) {
    const std::string guard = server.Url("/guard");
    ClickAt(w.form->View().widget(), 60, 60);
    if (!SpinUntil(
            [&] {
              return w.form->Children().size() == 1 && w.form->Children().front()->get_visible() &&
                     wb::ToUtf8(w.form->Children().front()->View().LocationURL()) == guard &&
                     !w.form->Children().front()->View().IsLoading();
            },
            60000))
      return ::testing::AssertionFailure() << "no child window with the guard page";
    return ::testing::AssertionSuccess();
  }
  LoopbackServer server;
};

TEST_F(CloseEndToEnd, TheMainWindowAsksBeforeItClosesAndStaysOrGoes) {
  const std::string guard = server.Url("/guard");
  EngineWindow w({u"go=" + wb::FromUtf8(guard)});
  ASSERT_TRUE(w.Loaded(guard));
  ASSERT_TRUE(Use(w.form->View()));

  // Stay: the window, its page and what was typed stay; the page said no goodbye.
  gtk_window_close(w.form->gobj());
  EXPECT_EQ(Answer(false), w.form->gobj());
  EXPECT_TRUE(Stays([&] {
    return w.form->get_visible() && !w.form->View().LeavePromptOpen() && !LeaveQuestion() &&
           wb::ToUtf8(w.form->View().LocationURL()) == guard;
  }));
  EXPECT_EQ(Typed(w.form->View()), "clicked");
  EXPECT_FALSE(server.Asked("/bu"));

  // Leave: the page unloads, its beacon goes, then the window ends the program (it hides).
  gtk_window_close(w.form->gobj());
  EXPECT_EQ(Answer(true), w.form->gobj());
  ASSERT_TRUE(SpinUntil([&] { return !w.form->get_visible(); }, 10000));
  EXPECT_TRUE(SpinUntil([&] { return server.Asked("/bu"); }, 10000));
  EXPECT_FALSE(LeaveQuestion()) << "the unload asked a second time";
}

TEST_F(CloseEndToEnd, AChildWindowAsksBeforeItClosesAndStaysOrGoes) {
  const std::string main = server.Url("/main");
  EngineWindow w({u"go=" + wb::FromUtf8(main), u"internal=127.0.0.1"});
  ASSERT_TRUE(w.Loaded(main));
  ASSERT_TRUE(OpenGuardChild(w));
  wb::TChildWindow& child = *w.form->Children().front();
  ASSERT_TRUE(Use(child.View()));

  gtk_window_close(child.gobj());
  EXPECT_EQ(Answer(false), child.gobj());
  EXPECT_TRUE(Stays([&] {
    return w.form->Children().size() == 1 && child.get_visible() && !child.Closing() &&
           !LeaveQuestion();
  }));
  EXPECT_EQ(Typed(child.View()), "clicked");
  EXPECT_FALSE(server.Asked("/bu"));

  gtk_window_close(child.gobj());
  EXPECT_EQ(Answer(true), child.gobj());
  ASSERT_TRUE(SpinUntil([&] { return w.form->Children().empty(); }, 10000));
  EXPECT_TRUE(SpinUntil([&] { return server.Asked("/bu"); }, 10000));
  EXPECT_TRUE(w.form->get_visible());  // the main window goes on
}

// File > Exit asks every page that may ask: the child window's first, then the main window's.
// Staying on the child's page ends nothing; leaving it closes the child, and the program ends
// once the main window's page (which does not ask) has gone.
TEST_F(CloseEndToEnd, EndingTheProgramAsksTheChildWindowsPagesToo) {
  const std::string main = server.Url("/main");
  EngineWindow w({u"go=" + wb::FromUtf8(main), u"internal=127.0.0.1"});
  ASSERT_TRUE(w.Loaded(main));
  ASSERT_TRUE(OpenGuardChild(w));
  wb::TChildWindow& child = *w.form->Children().front();
  ASSERT_TRUE(Use(child.View()));

  ASSERT_TRUE(w.form->acExit.Execute());
  EXPECT_EQ(Answer(false), child.gobj());
  EXPECT_TRUE(Stays([&] {
    return w.form->get_visible() && child.get_visible() && !child.Closing() && !LeaveQuestion();
  }));
  EXPECT_EQ(Typed(child.View()), "clicked");

  ASSERT_TRUE(w.form->acExit.Execute());
  EXPECT_EQ(Answer(true), child.gobj());
  ASSERT_TRUE(SpinUntil([&] { return !w.form->get_visible(); }, 10000));
  EXPECT_TRUE(w.form->Children().empty() || w.form->Children().front()->Closing());
  EXPECT_TRUE(SpinUntil([&] { return server.Asked("/bu"); }, 10000));
}

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

bool Has(const WindowState& s, const std::string& member) {
  return s.json.find(member) != std::string::npos;
}

// The real program, closed and ended from outside as the window manager and the session do.
class CloseProgramEndToEnd : public CloseEndToEnd {
 protected:
  void SetUp() override {
    if (OnWayland())
      GTEST_SKIP() << "the window is closed with X11's own message (the headless compositor "
                      "has no window manager), and the page used with X11's input extension";
    CloseEndToEnd::SetUp();
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
  // A click into the page of the window titled `title` with the X server's input extension,
  // which reaches the window under the pointer whichever has the keyboard.
  ::testing::AssertionResult ClickInto(const std::string& title) {
    server.Clear();
    int status = 0;
    RunCommand("xdotool search --sync --onlyvisible --name '^" + title +
                   "$' mousemove --window %1 200 100 click 1",
               &status);
    if (status != 0) return ::testing::AssertionFailure() << "xdotool failed";
    if (!RunLoopUntil([&] { return server.Asked("/typed"); }, 30000))
      return ::testing::AssertionFailure() << "the page did not see the click";
    return ::testing::AssertionSuccess();
  }
  // The program ends within two seconds of `signal`; returns its exit status.
  int EndsWithin2s(ProgramRun& program, int signal) {
    const auto start = std::chrono::steady_clock::now();
    ::kill(program.pid(), signal);
    const int status = program.WaitForExit(2000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    return status;
  }
};

// The page's last handlers run before the program ends, so their beacon reaches the server.
TEST_F(CloseProgramEndToEnd, ClosingTheMainWindowLetsThePageSayGoodbye) {
  const std::string start = server.Url("/guard");
  ProgramRun program(Brand("close-beacon", {"go=" + start, "title=Close Guard"}), {});
  ASSERT_TRUE(RunLoopUntil([&] { return server.Asked("/ready"); }, 60000));
  ASSERT_EQ(CloseWindows("Close Guard"), 1);
  EXPECT_EQ(program.WaitForExit(20000), 0);
  EXPECT_TRUE(RunLoopUntil([&] { return server.Asked("/bu"); }, 2000));
}

TEST_F(CloseProgramEndToEnd, TheEndSignalsNeverWaitForAQuestionOrABox) {
  const std::string start = server.Url("/guard");
  const std::string exe = Brand("close-signal", {"go=" + start, "title=Close Guard"});
  server.Page("/print",
              "<html><head><title>Close Print</title></head><body>print<script>"
              "addEventListener('load', function() { print(); });</script></body></html>");
  const std::string print = server.Url("/print");
  const std::string printing = Brand("close-print", {"go=" + print, "title=Close Print"});
  for (int signal : {SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    // The leave question open; closing the question (its own close button) is staying.
    {
      server.Clear();
      ProgramRun program(exe, {});
      ASSERT_TRUE(RunLoopUntil([&] { return server.Asked("/ready"); }, 60000));
      ASSERT_TRUE(ClickInto("Close Guard"));
      ASSERT_EQ(CloseWindows("Close Guard"), 1);
      ASSERT_TRUE(Until(program, [](const WindowState& s) { return Has(s, "\"leave\":true"); }));
      ASSERT_EQ(CloseWindows("Leave this page."), 1);  // a pattern: "?" is no letter there
      WindowState state;
      EXPECT_TRUE(StateStays(program.pid(), state, [&](const WindowState& s) {
        return s.address == start && Has(s, "\"leave\":false");
      })) << state.json;
      EXPECT_FALSE(server.Asked("/bu"));
      ASSERT_EQ(CloseWindows("Close Guard"), 1);
      ASSERT_TRUE(Until(program, [](const WindowState& s) { return Has(s, "\"leave\":true"); }));
      EXPECT_EQ(EndsWithin2s(program, signal), 0);
    }
    // A modal box that runs a loop of its own, as the error box does: the print dialog the
    // page opens as it loads.
    {
      ProgramRun program(printing, {});
      ASSERT_TRUE(RunLoopUntil(
          [] { return !RunCommand("xdotool search --onlyvisible --name '^Print$'").empty(); },
          60000));
      EXPECT_EQ(EndsWithin2s(program, signal), 0);
    }
  }
}

#endif

}  // namespace
}  // namespace wbtest
