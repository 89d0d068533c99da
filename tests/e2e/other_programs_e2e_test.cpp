// A page's addresses of a scheme the engine does not show, on the real engine against a
// loopback server, with a program of the test's own registered for that scheme: a script's
// navigation and a pop-up towards it wait for the person's answer on the permission bar, with
// the "internal" key and without; after "Open" the program starts once, and a redirect or a
// frame towards it never starts it even then.
#include <gtest/gtest.h>
#include <json-glib/json-glib.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/common/browser_handler.h"
#include "tests/common/engine_window.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/loopback_server.h"
#include "tests/common/page_script.h"
#include "tests/common/test_files.h"

namespace wbtest {
namespace {

using wb::Text;

class OtherProgramsEndToEnd : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(kGtkmmReady); }
};

struct Window : EngineWindow {
  using EngineWindow::EngineWindow;
  WebKitWebView* view() { return WEBKIT_WEB_VIEW(form->View().widget().gobj()); }
  // The prompt of the window's state as "ORIGIN KIND", empty when none waits.
  std::string Prompt() {
    std::string out;
    JsonParser* parser = json_parser_new();
    if (json_parser_load_from_data(parser, form->StateJson().c_str(), -1, nullptr)) {
      JsonObject* root = json_node_get_object(json_parser_get_root(parser));
      JsonNode* node = json_object_get_member(root, "prompt");
      if (node && JSON_NODE_HOLDS_OBJECT(node)) {
        JsonObject* prompt = json_node_get_object(node);
        out = std::string(json_object_get_string_member(prompt, "origin")) + " " +
              json_object_get_string_member(prompt, "kind");
      }
    }
    g_object_unref(parser);
    return out;
  }
};

TEST_F(OtherProgramsEndToEnd, NothingStartsWithoutTheAnswerAndOpenStartsItOnce) {
  const std::string started = InstallSchemeHandler("wbtestscheme");
  const struct {
    const char* name;
    std::vector<Text> config;
  } copies[] = {
      {"with the internal key", {u"internal=127.0.0.1"}},
      {"without it", {}},
  };
  for (const auto& copy : copies) {
    SCOPED_TRACE(copy.name);
    std::filesystem::remove(started);
    LoopbackServer server([](const std::string& path) {
      return path == "/hop" ? LoopbackResponse{302, "", "Location: wbtestscheme://redirected\r\n"}
                            : LoopbackServer::NotFound(path);
    });
    server.Page("/start",
                "<html><head><title>Start</title></head><body style='margin:0'>"
                "<div onclick=\"window.open('wbtestscheme://popup')\" "
                "style='width:400px;height:200px;background:#ccf'>pop-up</div></body></html>");
    server.Page("/framed",
                "<html><head><title>Framed</title></head><body>"
                "<iframe src='wbtestscheme://frame'></iframe></body></html>");
    const std::string start = server.Url("/start");
    const std::string asked = server.Base() + " external:wbtestscheme";
    std::vector<Text> config = copy.config;
    config.push_back(u"go=" + wb::FromUtf8(start));
    Window w(config);
    ASSERT_TRUE(w.Loaded(start));

    // A script's navigation: the question, and nothing started while it waits.
    RunScript(w.view(), "location = 'wbtestscheme://script'");
    ASSERT_TRUE(SpinUntil([&] { return w.Prompt() == asked; }, 30000)) << w.Prompt();
    // The bar names the site as its answer is kept: with the server's port.
    EXPECT_EQ(w.form->pPermission->question.get_text(),
              server.Base().substr(std::string("http://").size()) +
                  " wants to open a wbtestscheme: link with another program");
    EXPECT_TRUE(Stays([&] {
      return !std::filesystem::exists(started) && w.Prompt() == asked &&
             wb::ToUtf8(w.form->View().LocationURL()) == start;
    })) << ReadFile(started);

    // Leaving the page refuses it; a pop-up asks again.
    w.Go(start);
    ASSERT_TRUE(w.Loaded(start));
    EXPECT_EQ(w.Prompt(), "");
    ClickAt(w.Page(), 60, 60);
    ASSERT_TRUE(SpinUntil([&] { return w.Prompt() == asked; }, 30000)) << w.Prompt();
    EXPECT_TRUE(Stays([&] { return !std::filesystem::exists(started); })) << ReadFile(started);

    // "Open": the program starts, once.
    g_signal_emit_by_name(w.form->pPermission->allowButton.gobj(), "clicked");
    ASSERT_TRUE(SpinUntil([&] { return !ReadFile(started).empty(); }, 30000));
    EXPECT_TRUE(Stays([&] { return ReadFile(started) == "wbtestscheme://popup\n"; }))
        << ReadFile(started);

    // Allowed for the site now, and still a server's redirect and a frame start nothing.
    RunScript(w.view(), "location = '/hop'");
    ASSERT_TRUE(SpinUntil([&] { return server.Asked("/hop"); }, 30000));
    EXPECT_TRUE(Stays([&] { return ReadFile(started) == "wbtestscheme://popup\n"; }))
        << ReadFile(started);
    w.Go(server.Url("/framed"));
    ASSERT_TRUE(w.Loaded(server.Url("/framed")));
    EXPECT_TRUE(Stays([&] {
      return ReadFile(started) == "wbtestscheme://popup\n" && w.Prompt().empty();
    })) << ReadFile(started);
  }
}

}  // namespace
}  // namespace wbtest
