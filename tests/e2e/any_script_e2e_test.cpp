// A copy titled in a script Windows-1252 lacks, with the real program: the title reaches the
// window, its link buttons, the desktop entry that install writes and wbctl show whole.
#include <gtest/gtest.h>
#include <json-glib/json-glib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/loop_spin.h"
#include "tests/common/program_run.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wbtest {
namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

// The window's title and the caption of its first link button, from the program's state.
struct Shown {
  std::string caption;
  std::string link;
};

bool ReadShown(pid_t pid, Shown& shown) {
  const ToolRun run = Wbctl({"state", "--pid", std::to_string(pid)});
  if (run.status != 0) return false;
  JsonParser* parser = json_parser_new();
  bool ok = json_parser_load_from_data(parser, run.out.c_str(), -1, nullptr) &&
            JSON_NODE_HOLDS_OBJECT(json_parser_get_root(parser));
  if (ok) {
    JsonObject* root = json_node_get_object(json_parser_get_root(parser));
    shown.caption = json_object_get_string_member_with_default(root, "caption", "");
    JsonNode* links = json_object_get_member(root, "links");
    ok = links && JSON_NODE_HOLDS_ARRAY(links) && json_array_get_length(json_node_get_array(links));
    if (ok) {
      JsonObject* first = json_array_get_object_element(json_node_get_array(links), 0);
      shown.link = json_object_get_string_member_with_default(first, "caption", "");
    }
  }
  g_object_unref(parser);
  return ok;
}

TEST(AnyScriptEndToEnd, TheTitleReachesTheWindowTheDesktopEntryAndShow) {
  const struct {
    const char* name;
    std::string title;
  } cases[] = {
      {"greek", "\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1 \xCE\xBA\xCE\xB1\xCF\x86\xCE\xAD"},
      {"chinese", "\xE5\x8C\x97\xE4\xBA\xAC\xE5\x95\x86\xE5\xBA\x97"},
      {"arabic",
       "\xD9\x85\xD8\xAA\xD8\xAC\xD8\xB1 \xD8\xA7\xD9\x84\xD9\x82\xD9\x87\xD9\x88\xD8\xA9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string exe =
        BrandAt(TestRoot() + "/" + c.name + "-script",
                {"go=about:blank", "title=" + c.title, "links=" + c.title + "=about:blank"});

    const ToolRun show = Wbctl({"show", exe});
    EXPECT_NE(show.out.find("title=" + c.title + "\n"), std::string::npos) << show.out;

    const std::string prefix = TestRoot() + "/" + c.name + "-prefix";
    const ToolRun install = Wbctl({"install", "--exe", exe, "--prefix", prefix});
    ASSERT_EQ(install.status, 0) << install.err;
    const std::string entry =
        ReadFile(prefix + "/applications/" + std::string(c.name) + "-script.desktop");
    EXPECT_NE(entry.find("\nName=" + c.title + "\n"), std::string::npos) << entry;

    ProgramRun program(exe, {});
    Shown shown;
    EXPECT_TRUE(RunLoopUntil(
        [&] { return !program.Runs() || (ReadShown(program.pid(), shown) && !shown.link.empty()); },
        60000));
    EXPECT_EQ(shown.caption, c.title);
    EXPECT_EQ(shown.link, c.title);
  }
}

#endif

}  // namespace
}  // namespace wbtest
