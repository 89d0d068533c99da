// The about box of a real copy, opened from its Help menu as a person opens it and read back
// through `wbctl state`: a copy shows its maker's texts, links and logo, only those it names,
// and a copy that names none shows ours.
#include <gtest/gtest.h>
#include <json-glib/json-glib.h>

#include <string>
#include <vector>

#include "info/about_box.h"
#include "support/maker.h"
#include "tests/common/gtk_test_util.h"
#include "tests/common/pictures.h"
#include "tests/common/program_run.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"

namespace wbtest {
namespace {

#if defined(WB_WEBBROWSER_PATH) && defined(WB_WBCTL_PATH)

// The box's "about" member in one line: copyright, contact lines divided by ";", homepage,
// shop, support, logo size; "null" while the box is closed, "" when there is no state.
std::string AboutShown(const std::string& stateJson) {
  JsonParser* parser = json_parser_new();
  std::string shown;
  if (json_parser_load_from_data(parser, stateJson.c_str(), -1, nullptr) &&
      JSON_NODE_HOLDS_OBJECT(json_parser_get_root(parser))) {
    JsonObject* root = json_node_get_object(json_parser_get_root(parser));
    JsonNode* node = json_object_get_member(root, "about");
    if (!node || JSON_NODE_HOLDS_NULL(node)) {
      shown = "null";
    } else if (JSON_NODE_HOLDS_OBJECT(node)) {
      JsonObject* about = json_node_get_object(node);
      auto text = [&](const char* name) {
        return std::string(json_object_get_string_member_with_default(about, name, "?"));
      };
      std::string contact;
      JsonArray* lines = json_object_get_array_member(about, "contact");
      for (guint i = 0; lines && i < json_array_get_length(lines); ++i)
        contact += (i ? ";" : "") + std::string(json_array_get_string_element(lines, i));
      JsonObject* logo = json_object_get_object_member(about, "logo");
      shown = text("copyright") + "|" + contact + "|" + text("homepage") + "|" + text("shop") +
              "|" + text("support") + "|" +
              std::to_string(json_object_get_int_member(logo, "width")) + "x" +
              std::to_string(json_object_get_int_member(logo, "height"));
    }
  }
  g_object_unref(parser);
  return shown;
}

// The window's state as `wbctl state` prints it, or "" while it does not answer.
std::string ReadState(const ProgramRun& program, WindowState& state) {
  return ReadWindowState(program.pid(), state) ? state.json : std::string();
}

TEST(AboutEndToEnd, TheBoxShowsWhatTheCopysMakerNames) {
  if (OnWayland()) GTEST_SKIP() << "the Help menu is opened with the X server's input extension";
  const std::string logo = TestRoot() + "/about-logo.png";
  WritePng(logo, 60, 20);
  std::string ourContact;
  for (const wb::Text& line : wb::kAboutContactLines)
    ourContact += (ourContact.empty() ? "" : ";") + wb::ToUtf8(line);
  const std::string ours = wb::ToUtf8(wb::kBaseWebAddress);
  const struct {
    const char* name;
    std::vector<std::string> keys;
    bool logo;
    std::string shown;
  } cases[] = {
      {"about-all",
       {"maker=Greenleaf", "homepage=https://leaf.example/", "contact=1 Row|Leafton|Tel 1",
        "shop=https://leaf.example/shop", "support=https://help.leaf.example"},
       true,
       "Copyright \u00A9 Greenleaf|1 Row;Leafton;Tel 1|https://leaf.example|"
       "https://leaf.example/shop|https://help.leaf.example|60x20"},
      {"about-some",
       {"maker=Greenleaf", "support=https://help.leaf.example"},
       false,
       "Copyright \u00A9 Greenleaf||||https://help.leaf.example|0x0"},
      {"about-none",
       {},
       false,
       wb::ToUtf8(wb::kAboutCopyright) + "|" + ourContact + "|" + ours + "|" + ours + "/tavrel|" +
           ours + "/support|134x28"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string exe = TestRoot() + "/" + c.name;
    std::vector<std::string> args{"brand", WB_WEBBROWSER_PATH,
                                  exe,     "go=about:blank",
                                  "vis=m", std::string("title=") + c.name};
    if (c.logo) args.insert(args.end(), {"--logo", logo});
    args.insert(args.end(), c.keys.begin(), c.keys.end());
    const ToolRun brand = Wbctl(args);
    ASSERT_EQ(brand.status, 0) << brand.err;
    ProgramRun program(exe, {}, {});
    WindowState state;
    ASSERT_TRUE(RunLoopUntil(
        [&] { return !program.Runs() || AboutShown(ReadState(program, state)) == "null"; }, 60000))
        << state.json;
    // Help > About by its mnemonics; asked again while the box has not come, since the first
    // keys may reach the window before it takes the keyboard.
    std::string shown;
    for (int attempt = 0; attempt < 5 && (shown.empty() || shown == "null"); ++attempt) {
      RunCommand("xdotool search --sync --onlyvisible --name '^" + std::string(c.name) +
                 "$' windowfocus --sync key --clearmodifiers alt+h a");
      RunLoopUntil(
          [&] {
            shown = AboutShown(ReadState(program, state));
            return !shown.empty() && shown != "null";
          },
          5000);
    }
    EXPECT_EQ(shown, c.shown) << state.json;
    // Its OK button closes the box, and the state says so.
    RunCommand("xdotool key --clearmodifiers Return");
    EXPECT_TRUE(
        RunLoopUntil([&] { return AboutShown(ReadState(program, state)) == "null"; }, 10000))
        << state.json;
  }
}

#endif

}  // namespace
}  // namespace wbtest
