// The window's state as other programs read it: the JSON writer's strings and structure, and
// the snapshot's members in the order scripts have always seen them.
#include <gtest/gtest.h>

#include <string>

#include "support/json_writer.h"
#include "support/window_state.h"

namespace wbtest {
namespace {

TEST(JsonWriter, StringsAreEscapedAndAlwaysValidUtf8) {
  struct Case {
    std::string in, out;
  } const cases[] = {
      {"plain", R"("plain")"},
      {"say \"hi\" \\ there", R"("say \"hi\" \\ there")"},
      {"a\nb\rc\td", R"("a\nb\rc\td")"},
      {std::string("nul\0x", 5), R"("nul\u0000x")"},
      {"\x01\x1f\x7f", "\"\\u0001\\u001f\x7f\""},
      {"caf\xC3\xA9 \xE2\x82\xAC", "\"caf\xC3\xA9 \xE2\x82\xAC\""},  // UTF-8 passes unchanged
      {"bad \xC3( end", "\"bad \xEF\xBF\xBD( end\""},                // malformed: U+FFFD
      {"\xFF", "\"\xEF\xBF\xBD\""},
      {"</script>", R"("</script>")"},
  };
  for (const auto& c : cases) {
    wb::JsonWriter w;
    w.String(std::string_view(c.in));
    EXPECT_EQ(w.Result(), c.out) << c.in;
  }
  wb::JsonWriter lone;
  lone.String(wb::TextView(u"x\xD800y"));  // a lone surrogate in the system's text
  EXPECT_EQ(lone.Result(), "\"x\xEF\xBF\xBDy\"");
}

TEST(JsonWriter, CommasGoBetweenMembersAndElementsAtEveryDepth) {
  wb::JsonWriter w;
  w.BeginObject().Member("a", 1).Key("b").BeginArray().EndArray();
  w.Key("c").BeginArray().Int(-2).BeginObject().EndObject().Null().Bool(false).EndArray();
  w.Key("d").BeginObject().Member("e", true).Member("f", std::string("g")).EndObject();
  w.Member("h", std::vector<wb::Text>{u"i", u"j"}).EndObject();
  EXPECT_EQ(w.Result(), R"({"a":1,"b":[],"c":[-2,{},null,false],"d":{"e":true,"f":"g"},)"
                        R"("h":["i","j"]})");
}

TEST(WindowState, TheSnapshotIsOneLineWithEveryMemberInItsPlace) {
  wb::WindowState s;
  s.address = u"http://two/";
  s.status = u"Done\n";
  s.caption = u"Shop";
  s.history = {u"http://one/", u"http://two/"};
  s.historyIndex = 1;
  s.recent = {u"http://two/", u"http://one/"};
  s.back = true;
  s.links = {{u"A", u"http://a/", 2, "btLink_1"}};
  s.bars.menu = s.bars.statusbar = true;
  s.error = wb::PageError{"certificate", "https://x/", "bad", "x", "AB:CD"};
  s.prompt = wb::WindowState::Prompt{"https://x", "notifications"};
  s.leave = true;
  s.children = {{u"http://c/", u"C", true, true}};
  s.layout = {800, 600, {{"web", 0, 800, 580}, {"StatusBar", 580, 800, 20}}};
  s.find = wb::WindowState::Find{u"shoe", 3, 1};
  s.zoom = 125;
  s.info = wb::WindowState::Info{true, u"http://gw/", 120000, false};
  EXPECT_EQ(wb::WindowStateJson(s),
            R"({"address":"http://two/","status":"Done\n","caption":"Shop",)"
            R"("history":["http://one/","http://two/"],"historyIndex":1,)"
            R"("recent":["http://two/","http://one/"],"back":true,"forward":false,)"
            R"("links":[{"caption":"A","address":"http://a/","icon":2,"name":"btLink_1"}],)"
            R"("bars":{"menu":true,"navbar":false,"address":false,"linkbar":false,"strip":false,)"
            R"("statusbar":true},"banner":false,)"
            R"("error":{"kind":"certificate","address":"https://x/","detail":"bad","host":"x",)"
            R"("fingerprint":"AB:CD"},"prompt":{"origin":"https://x","kind":"notifications"},)"
            R"("leave":true,)"
            R"("children":[{"address":"http://c/","title":"C","visible":true,"leave":true}],)"
            R"("layout":{"width":800,"height":600,"parts":[{"name":"web","y":0,"width":800,)"
            R"("height":580},{"name":"StatusBar","y":580,"width":800,"height":20}]},)"
            R"("find":{"text":"shoe","matches":3,"current":1},"zoom":125,"badge":null,)"
            R"("tray":{"registered":false,"hidden":false},)"
            R"("window":{"maximized":false,"fullscreen":false,"above":false},)"
            R"("info":{"visible":true,"address":"http://gw/","interval":120000,"timer":false},)"
            R"("icon":{},"about":null})");
  // Only a certificate's error names its host; the empty parts are null.
  wb::WindowState other;
  other.error = wb::PageError{"network", "http://y/", "down", "y", ""};
  const std::string text = wb::WindowStateJson(other);
  EXPECT_NE(text.find(R"("error":{"kind":"network","address":"http://y/","detail":"down"})"),
            std::string::npos);
  EXPECT_NE(text.find(R"("prompt":null,"leave":false,)"), std::string::npos);
  EXPECT_NE(text.find(R"("find":null,"zoom":100,"badge":null,)"), std::string::npos);
  EXPECT_NE(text.find(R"("info":null,"icon":{})"), std::string::npos);
  // The about box while shown: what it shows, empty where it leaves a part out.
  other.about = wb::WindowState::About{
      u"Leaf", u"1.0, 01/02/26", u"", {u"Row 1", u"Tel 2"}, u"https://l/", u"", u"https://l/h", 40,
      20};
  EXPECT_NE(wb::WindowStateJson(other).find(
                R"("about":{"title":"Leaf","version":"1.0, 01/02/26","copyright":"",)"
                R"("contact":["Row 1","Tel 2"],"homepage":"https://l/","shop":"",)"
                R"("support":"https://l/h","logo":{"width":40,"height":20}}})"),
            std::string::npos);
  other.badge = 3;
  EXPECT_NE(wb::WindowStateJson(other).find(R"("badge":3,)"), std::string::npos);
  other.tray = {true, true};
  EXPECT_NE(wb::WindowStateJson(other).find(R"("tray":{"registered":true,"hidden":true},)"),
            std::string::npos);
}

}  // namespace
}  // namespace wbtest
