// The "internal" key on the real engine, against one loopback server reached under two hosts:
// 127.0.0.1 is inside the patterns and localhost outside. A link, a script, a form and a pop-up
// towards localhost (one that refuses the connection too) reach the stand-in default browser
// while the window stays on its page; a frame,
// a redirect and the program's own navigation stay in the window; a pop-up towards 127.0.0.1
// opens a child window whose window.opener.postMessage reaches the main page, and whose
// window.close() closes it. Without the key pop-ups go to the default browser as before.
#include <gtest/gtest.h>
#include <json-glib/json-glib.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/common/browser_handler.h"
#include "tests/common/engine_window.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/loopback_server.h"
#include "tests/common/page_script.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wbtest {
namespace {

using wb::Text;

class InternalHostsEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(kGtkmmReady); }
};

// Two areas of 400 x 200 pixels, one above the other, each running `top` and `bottom` when
// clicked: a click is the person's gesture the engine asks for before a page opens a window.
std::string TwoButtons(const std::string& title, const std::string& top, const std::string& bottom,
                       const std::string& extra = "") {
  auto area = [](const char* id, const std::string& action) {
    return std::string("<div id='") + id + "' onclick=\"" + action +
           "\" style='width:400px;height:200px;background:#ccf'>" + id + "</div>";
  };
  return "<html><head><title>" + title + "</title></head><body style='margin:0'>" +
         area("top", top) + area("bottom", bottom) + extra + "</body></html>";
}

// The stand-in default browser, with nothing opened yet.
std::string FreshBrowserHandler() {
  const std::string opened = InstallBrowserHandler();
  std::filesystem::remove(opened);
  return opened;
}

// The same server under the host the patterns leave out.
std::string OutsideBase(const LoopbackServer& server) {
  const std::string base = server.Base();
  return "http://localhost" + base.substr(base.rfind(':'));
}

struct Window : EngineWindow {
  using EngineWindow::EngineWindow;
  WebKitWebView* view() { return WEBKIT_WEB_VIEW(form->View().widget().gobj()); }
  std::vector<Text> History() const { return form->Model().HistoryList(); }
  // The child windows the state reports: address, title and whether shown, one a line.
  std::string Children() {
    std::string out;
    JsonParser* parser = json_parser_new();
    if (json_parser_load_from_data(parser, form->StateJson().c_str(), -1, nullptr)) {
      JsonObject* root = json_node_get_object(json_parser_get_root(parser));
      JsonArray* children = json_object_get_array_member(root, "children");
      for (guint i = 0; children && i < json_array_get_length(children); ++i) {
        JsonObject* child = json_array_get_object_element(children, i);
        out += std::string(json_object_get_string_member(child, "address")) + " " +
               json_object_get_string_member(child, "title") + " " +
               (json_object_get_boolean_member(child, "visible") ? "shown" : "hidden") + "\n";
      }
    }
    g_object_unref(parser);
    return out;
  }
};

TEST_F(InternalHostsEndToEnd, PageNavigationsToOutsideHostsGoToTheDefaultBrowser) {
  const std::string opened = FreshBrowserHandler();
  // An inside address that the server redirects to the outside host.
  std::string landing;
  LoopbackServer server([&landing](const std::string& path) {
    return path == "/hop" ? LoopbackResponse{302, "", "Location: " + landing + "\r\n"}
                          : LoopbackServer::NotFound(path);
  });
  const std::string outside = OutsideBase(server);
  landing = outside + "/landing";
  server.Page("/start", TwoButtons("Start", "location.href='" + outside + "/clicked'",
                                   "document.getElementById('away').click()",
                                   "<a id='away' href='" + outside +
                                       "/linked'>away</a>"
                                       "<iframe src='" +
                                       outside +
                                       "/frame' width='300' height='80'></iframe>"
                                       "<form action='" +
                                       outside + "/sent'><input name='q' value='1'></form>"));
  server.Page("/frame", "<html><body>a frame of another host</body></html>");
  server.Page("/landing", "<html><head><title>Landing</title></head><body>here</body></html>");
  server.Page("/typed", "<html><head><title>Typed</title></head><body>typed</body></html>");
  const std::string start = server.Url("/start");
  Window w({u"go=" + wb::FromUtf8(start), u"internal=127.0.0.1, *.acme.example"});
  ASSERT_TRUE(w.Loaded(start));
  // The frame of the outside host loaded in the page: frames never leave.
  ASSERT_TRUE(SpinUntil([&] { return server.Asked("/frame"); }, 30000));
  const std::vector<Text> history{wb::FromUtf8(start)};

  // A script's navigation, and a link the page clicks.
  for (const std::string& path : {std::string("/clicked"), std::string("/linked")}) {
    SCOPED_TRACE(path);
    ClickAt(w.form->View().widget(), 60, path == "/clicked" ? 60 : 260);
    ASSERT_TRUE(SpinUntil(
        [&] { return ReadFile(opened).find(outside + path + "\n") != std::string::npos; }, 60000))
        << ReadFile(opened);
    EXPECT_TRUE(Stays([&] {
      return w.History() == history && wb::ToUtf8(w.form->AddrText()) == start &&
             wb::ToUtf8(w.form->View().LocationURL()) == start &&
             w.form->View().Title() == u"Start";
    })) << wb::ToUtf8(w.form->AddrText());
  }
  EXPECT_EQ(ReadFile(opened).find("/frame"), std::string::npos);

  // A form the page sends, and a host that refuses the connection: no error page of ours, the
  // default browser has it.
  std::string refused;
  {
    const LoopbackServer gone;
    refused = OutsideBase(gone) + "/closed";
  }
  for (const auto& [script, address] :
       {std::pair<std::string, std::string>{"document.forms[0].submit()", outside + "/sent?q=1"},
        {"location.href = '" + refused + "'", refused}}) {
    SCOPED_TRACE(address);
    RunScript(w.view(), script);
    ASSERT_TRUE(SpinUntil(
        [&] { return ReadFile(opened).find(address + "\n") != std::string::npos; }, 60000))
        << ReadFile(opened);
    EXPECT_TRUE(Stays([&] {
      return w.History() == history && wb::ToUtf8(w.form->View().LocationURL()) == start &&
             !w.form->Model().PageErrorShown() && w.form->View().Title() == u"Start";
    }));
  }

  // A redirect of an inside navigation is part of it, and proceeds.
  w.finished = false;
  RunScript(w.view(), "location.href = '/hop'");
  ASSERT_TRUE(w.Loaded(outside + "/landing"));
  EXPECT_EQ(w.History(), (std::vector<Text>{wb::FromUtf8(start), wb::FromUtf8(landing)}));

  // The program's own navigation to the outside host loads in the window.
  w.Go(outside + "/typed");
  ASSERT_TRUE(w.Loaded(outside + "/typed"));
  EXPECT_EQ(w.History().back(), wb::FromUtf8(outside + "/typed"));
  EXPECT_EQ(ReadFile(opened).find("/landing"), std::string::npos);
  EXPECT_EQ(ReadFile(opened).find("/typed"), std::string::npos);
}

TEST_F(InternalHostsEndToEnd, APopUpToAnInsideHostAnswersItsOpenerAndCloses) {
  const std::string opened = FreshBrowserHandler();
  LoopbackServer server;
  const std::string outside = OutsideBase(server);
  server.Page("/main",
              TwoButtons("Main", "window.open('/signin', 'signin', 'width=400,height=300')",
                         "window.open('" + outside + "/away')",
                         "<script>window.addEventListener('message', function(e) {"
                         "  fetch('/got?' + e.data); });</script>"));
  server.Page("/signin",
              "<html><head><title>Sign in</title></head><body>signing in<script>"
              "window.opener.postMessage('token', '*'); window.close();</script></body></html>");
  server.Page("/stay", "<html><head><title>Stays</title></head><body>open</body></html>");
  const std::string main = server.Url("/main");
  Window w({u"go=" + wb::FromUtf8(main), u"internal=127.0.0.1"});
  ASSERT_TRUE(w.Loaded(main));
  const std::vector<Text> history{wb::FromUtf8(main)};

  // The sign-in pop-up: a child window whose page reaches its opener, then closes itself.
  ClickAt(w.form->View().widget(), 60, 60);
  ASSERT_TRUE(SpinUntil([&] { return w.form->Children().size() == 1; }, 30000));
  ASSERT_TRUE(SpinUntil([&] { return server.Asked("/got?token"); }, 60000));
  EXPECT_TRUE(server.Asked("/signin"));
  ASSERT_TRUE(SpinUntil([&] { return w.form->Children().empty(); }, 30000));
  EXPECT_EQ(w.Children(), "");
  EXPECT_EQ(w.History(), history);
  EXPECT_EQ(wb::ToUtf8(w.form->AddrText()), main);

  // A pop-up that stays is in the state until its page closes it.
  server.Page("/main2", TwoButtons("Main", "window.open('/stay', 'stay')",
                                   "window.open('" + outside + "/away')"));
  const std::string main2 = server.Url("/main2");
  w.Go(main2);
  ASSERT_TRUE(w.Loaded(main2));
  ClickAt(w.form->View().widget(), 60, 60);
  const std::string stay = server.Url("/stay");
  ASSERT_TRUE(SpinUntil([&] { return w.Children() == stay + " Stays shown\n"; }, 60000))
      << w.Children();
  auto* child = WEBKIT_WEB_VIEW(w.form->Children().front()->View().widget().gobj());
  RunScript(child, "window.close()");
  ASSERT_TRUE(SpinUntil([&] { return w.form->Children().empty(); }, 30000)) << w.Children();

  // A pop-up towards an outside host goes to the default browser.
  ClickAt(w.form->View().widget(), 60, 260);
  ASSERT_TRUE(SpinUntil([&] { return !ReadFile(opened).empty(); }, 60000));
  EXPECT_EQ(ReadFile(opened), outside + "/away\n");
  EXPECT_TRUE(w.form->Children().empty());
  EXPECT_FALSE(server.Asked("/away"));
  EXPECT_EQ(w.History(), (std::vector<Text>{wb::FromUtf8(main), wb::FromUtf8(main2)}));
}

// A window opened empty inside the click and sent somewhere once the server has answered, as
// a notebook server's "New" and "Download as" do.
std::string OpenThenSend(const std::string& address, const std::string& write = "") {
  return "var w = window.open('', '_blank');" + write + " setTimeout(function() { w.location = '" +
         address + "'; }, 300);";
}

TEST_F(InternalHostsEndToEnd, AWindowOpenedEmptyGoesWhereItsFirstAddressSays) {
  const std::string opened = FreshBrowserHandler();
  LoopbackServer server;
  const std::string outside = OutsideBase(server);
  server.Page("/notebook",
              "<html><head><title>Notebook</title></head><body>new<script>"
              "window.opener.postMessage('made', '*');</script></body></html>");
  server.Page("/main", TwoButtons("Main", OpenThenSend("/notebook"),
                                  OpenThenSend("/notebook", " w.document.write('<p>Wait</p>');"),
                                  "<script>window.addEventListener('message', function(e) {"
                                  "  fetch('/got?' + e.data); });</script>"));
  const std::string main = server.Url("/main");
  Window w({u"go=" + wb::FromUtf8(main), u"internal=127.0.0.1"});
  ASSERT_TRUE(w.Loaded(main));

  // Plain, and written to before it is sent: a child window at the address, its opener kept.
  for (const int y : {60, 260}) {
    SCOPED_TRACE(y);
    ClickAt(w.form->View().widget(), 60, y);
    const std::string shown = server.Url("/notebook") + " Notebook shown\n";
    ASSERT_TRUE(SpinUntil([&] { return w.Children() == shown; }, 60000)) << w.Children();
    ASSERT_TRUE(
        SpinUntil([&] { return server.Requests("/got?made") == (y == 60 ? 1 : 2); }, 60000));
    EXPECT_TRUE(Stays([&] { return w.Children() == shown; })) << w.Children();
    RunScript(WEBKIT_WEB_VIEW(w.form->Children().front()->View().widget().gobj()),
              "window.close()");
    ASSERT_TRUE(SpinUntil([&] { return w.form->Children().empty(); }, 30000)) << w.Children();
  }
  EXPECT_EQ(ReadFile(opened), "");

  // Sent to an outside host: the default browser has the address and the window goes unseen.
  server.Page("/main2", TwoButtons("Main", OpenThenSend(outside + "/away"), ""));
  w.Go(server.Url("/main2"));
  ASSERT_TRUE(w.Loaded(server.Url("/main2")));
  bool everShown = false;
  ClickAt(w.form->View().widget(), 60, 60);
  ASSERT_TRUE(SpinUntil(
      [&] {
        everShown = everShown || w.Children().find("shown") != std::string::npos;
        return ReadFile(opened) == outside + "/away\n" && w.form->Children().empty();
      },
      60000))
      << ReadFile(opened) << w.Children();
  EXPECT_FALSE(everShown);
  EXPECT_FALSE(server.Asked("/away"));
  EXPECT_EQ(wb::ToUtf8(w.form->View().LocationURL()), server.Url("/main2"));
}

TEST_F(InternalHostsEndToEnd, AWindowOpenedEmptyThatIsNeverSentAnywhereGoesUnseen) {
  LoopbackServer server;
  server.Page("/main", TwoButtons("Main", "window.open('')", "window.open('about:blank')"));
  const std::string main = server.Url("/main");
  Window w({u"go=" + wb::FromUtf8(main)});
  w.views.blankWindowWaitMs = 1500;
  ASSERT_TRUE(w.Loaded(main));
  for (const int y : {60, 260}) {
    SCOPED_TRACE(y);
    ClickAt(w.form->View().widget(), 60, y);
    ASSERT_TRUE(SpinUntil([&] { return w.form->Children().size() == 1; }, 30000));
    bool everShown = false;
    ASSERT_TRUE(SpinUntil(
        [&] {
          everShown = everShown || w.Children().find("shown") != std::string::npos;
          return w.form->Children().empty();
        },
        30000));
    EXPECT_FALSE(everShown);
  }
}

TEST_F(InternalHostsEndToEnd, ADownloadOfAWindowOpenedEmptyIsTheMainWindowsDownload) {
  const std::string opened = FreshBrowserHandler();
  LoopbackServer server;
  server.Page("/export", "the notebook's text\n",
              "Content-Type: text/plain\r\n"
              "Content-Disposition: attachment; filename=\"notebook.txt\"\r\n");
  server.Page("/main", TwoButtons("Main", OpenThenSend("/export"), ""));
  const std::string main = server.Url("/main");
  Window w({u"go=" + wb::FromUtf8(main), u"internal=127.0.0.1"});
  const std::string folder = TestRoot() + "/blank-window-saves";
  std::filesystem::create_directories(folder);
  const std::string target = folder + "/saved.txt";
  std::vector<std::string> questions;
  w.views.chooseDownloadFile = [&](Gtk::Window* parent, const std::string& name,
                                   std::function<void(const std::string&)> answer) {
    questions.push_back(name + (parent == w.form.get() ? " main window" : " other window"));
    answer(target);
  };
  std::vector<std::string> statuses;
  auto status = w.form->View().onStatusText;
  w.form->View().onStatusText = [&](const Text& text) {
    statuses.push_back(wb::ToUtf8(text));
    status(text);
  };
  ASSERT_TRUE(w.Loaded(main));
  ClickAt(w.form->View().widget(), 60, 60);
  ASSERT_TRUE(SpinUntil([&] { return ReadFile(target) == "the notebook's text\n"; }, 60000));
  ASSERT_TRUE(SpinUntil([&] { return w.form->Children().empty(); }, 30000)) << w.Children();
  EXPECT_EQ(questions, (std::vector<std::string>{"notebook.txt main window"}));
  EXPECT_NE(
      std::find_if(statuses.begin(), statuses.end(),
                   [](const std::string& s) { return s.find("saved.txt") != std::string::npos; }),
      statuses.end());
  EXPECT_TRUE(Stays([&] {
    return w.form->Children().empty() && wb::ToUtf8(w.form->View().LocationURL()) == main;
  }));
  EXPECT_EQ(ReadFile(opened), "");
}

// A child window has no status bar: the downloads of its page, and of the windows its page
// opens, show their progress and end in the main window's.
TEST_F(InternalHostsEndToEnd, ADownloadOfAChildWindowsPageShowsInTheMainWindow) {
  LoopbackServer server;
  server.Page("/export", "the child's export\n",
              "Content-Type: text/plain\r\n"
              "Content-Disposition: attachment; filename=\"export.txt\"\r\n");
  server.Page("/main", TwoButtons("Main", "window.open('/child', 'child')", ""));
  server.Page("/child", TwoButtons("Child", "window.open('/grandchild', 'grandchild')", ""));
  server.Page("/grandchild", TwoButtons("Grandchild", "location.href = '/export'", ""));
  const std::string main = server.Url("/main");
  Window w({u"go=" + wb::FromUtf8(main), u"internal=127.0.0.1"});
  const std::string folder = TestRoot() + "/child-window-saves";
  std::filesystem::create_directories(folder);
  const std::string target = folder + "/export.txt";
  w.views.chooseDownloadFile = [&](Gtk::Window*, const std::string&,
                                   std::function<void(const std::string&)> answer) {
    answer(target);
  };
  ASSERT_TRUE(w.Loaded(main));
  ClickAt(w.form->View().widget(), 60, 60);
  const std::string child = server.Url("/child"), grandchild = server.Url("/grandchild");
  ASSERT_TRUE(SpinUntil([&] { return w.Children() == child + " Child shown\n"; }, 60000))
      << w.Children();
  ClickAt(w.form->Children().front()->View().widget(), 60, 60);
  ASSERT_TRUE(SpinUntil(
      [&] {
        return w.form->Children().size() == 2 &&
               w.Children().ends_with(grandchild + " Grandchild shown\n");
      },
      60000))
      << w.Children();
  ClickAt(w.form->Children().back()->View().widget(), 60, 60);
  ASSERT_TRUE(SpinUntil([&] { return ReadFile(target) == "the child's export\n"; }, 60000));
  EXPECT_TRUE(SpinUntil(
      [&] { return wb::ToUtf8(w.form->StatusText()) == "Download complete: " + target; }, 30000))
      << wb::ToUtf8(w.form->StatusText());
}

TEST_F(InternalHostsEndToEnd, WithoutTheKeyPopUpsGoToTheDefaultBrowser) {
  const std::string opened = FreshBrowserHandler();
  LoopbackServer server;
  const std::string outside = OutsideBase(server);
  server.Page("/main", TwoButtons("Main", "window.open('/signin')",
                                  "location.href='" + outside + "/elsewhere'"));
  server.Page("/elsewhere", "<html><head><title>Elsewhere</title></head><body>x</body></html>");
  const std::string main = server.Url("/main");
  Window w({u"go=" + wb::FromUtf8(main)});
  ASSERT_TRUE(w.Loaded(main));

  ClickAt(w.form->View().widget(), 60, 60);
  ASSERT_TRUE(SpinUntil([&] { return !ReadFile(opened).empty(); }, 60000));
  EXPECT_EQ(ReadFile(opened), server.Url("/signin") + "\n");
  EXPECT_TRUE(w.form->Children().empty());
  EXPECT_FALSE(server.Asked("/signin"));

  // The page's navigation to another host proceeds in the window.
  ClickAt(w.form->View().widget(), 60, 260);
  ASSERT_TRUE(w.Loaded(outside + "/elsewhere"));
  EXPECT_EQ(w.History(),
            (std::vector<Text>{wb::FromUtf8(main), wb::FromUtf8(outside + "/elsewhere")}));
  EXPECT_EQ(ReadFile(opened), server.Url("/signin") + "\n");
}

}  // namespace
}  // namespace wbtest
