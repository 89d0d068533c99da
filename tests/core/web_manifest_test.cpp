// The manifest's fields, resolved against its own address.
#include "support/web_manifest.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

TEST(ReadManifest, TakesTheFieldsResolvedAgainstItsOwnAddress) {
  std::string error;
  const auto facts = ReadManifest(
      R"({"name":" Team  Mail ","short_name":"Mail","start_url":"../inbox?from=app",
          "scope":"https://other.example/","theme_color":"#1A2B3C","display":"Fullscreen",
          "icons":[{"src":"i/192.png","sizes":"192x192","type":"image/png"},
                   {"src":"javascript:x","sizes":"512x512"},
                   {"sizes":"64x64"},
                   7,
                   {"src":"i/m.png","sizes":"512x512","purpose":"maskable"}],
          "name":"Last Name Wins"})",
      "http://mail.example/app/m/manifest.json", &error);
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->name, "Last Name Wins");
  EXPECT_EQ(facts->shortName, "Mail");
  EXPECT_EQ(facts->startUrl, "http://mail.example/app/inbox?from=app");
  EXPECT_EQ(facts->scope, "https://other.example/");
  EXPECT_EQ(facts->themeColor, "#1A2B3C");
  EXPECT_EQ(facts->display, "fullscreen");
  ASSERT_EQ(facts->icons.size(), 2u);
  EXPECT_EQ(facts->icons[0].src, "http://mail.example/app/m/i/192.png");
  EXPECT_EQ(facts->icons[1].purpose, "maskable");

  const struct {
    const char* text;
    bool ok;
  } shapes[] = {
      {"[]", false},
      {"\"x\"", false},
      {"<html></html>", false},
      {"{\"name\":5}", true},
      {"{\"icons\":\"none\",\"start_url\":[1]}", true},
  };
  for (const auto& s : shapes) {
    EXPECT_EQ(ReadManifest(s.text, "http://a.example/", &error).has_value(), s.ok) << s.text;
  }
  const auto wrongTypes =
      ReadManifest("{\"name\":5,\"start_url\":[1]}", "http://a.example/", &error);
  ASSERT_TRUE(wrongTypes);
  EXPECT_EQ(wrongTypes->name, "");
  EXPECT_EQ(wrongTypes->startUrl, "");
}

// The dropped items' names and reasons in one text, for tables.
std::string Drops(const ManifestFacts& facts) {
  std::string out;
  for (const auto& d : facts.dropped) out += d.what + ": " + d.reason + "\n";
  return out;
}

TEST(ReadManifest, TakesShortcutsAndHandlersOnTheSiteOnly) {
  std::string error;
  const auto facts = ReadManifest(
      R"({"start_url":"/app/",
          "shortcuts":[{"name":"Compose","url":"compose"},
                       {"short_name":"Inbox","url":"/inbox","icons":[]},
                       {"name":"Away","url":"https://other.example/"},
                       {"name":"Bad|Name","url":"x"},
                       {"url":"x"},
                       "text"],
          "protocol_handlers":[{"protocol":"WEB+Mail","url":"/c?to=%s"},
                               {"protocol":"mailto","url":"/m?to=%s"},
                               {"protocol":"web+mail","url":"/again?%s"},
                               {"protocol":"http","url":"/h?%s"},
                               {"protocol":"web+news","url":"/n"},
                               {"protocol":"web+away","url":"https://other.example/?%s"}],
          "file_handlers":[{"action":"/open","accept":{"text/csv":[".csv",".CSV2"],
                                                      "text/plain":".txt"}},
                           {"action":"/open","accept":{"text/csv":"csv"}},
                           {"action":"/open","accept":["text/csv"]},
                           {"accept":{"text/csv":".csv"}}]})",
      "https://mail.example/static/manifest.json", &error, "https://mail.example/app/");
  ASSERT_TRUE(facts) << error;
  EXPECT_EQ(facts->shortcuts,
            (std::vector<SiteShortcut>{{"Compose", "https://mail.example/static/compose"},
                                       {"Inbox", "https://mail.example/inbox"}}));
  EXPECT_EQ(facts->protocolHandlers,
            (std::vector<SchemeHandler>{{"web+mail", "https://mail.example/c?to=%s"},
                                        {"mailto", "https://mail.example/m?to=%s"}}));
  ASSERT_EQ(facts->fileHandlers.size(), 1u);
  EXPECT_EQ(facts->fileHandlers[0].action, "https://mail.example/open");
  EXPECT_EQ(facts->fileHandlers[0].types,
            (std::vector<FileType>{{"text/csv", {".csv", ".csv2"}}, {"text/plain", {".txt"}}}));
  EXPECT_EQ(Drops(*facts),
            "the icons of the shortcut Inbox: the launcher shows the copy's own icon for its "
            "shortcuts\n"
            "shortcuts[2]: its url is on another origin\n"
            "shortcuts[3]: it has no name of 1 to 100 characters without control characters, "
            "\"|\" and \"=\"\n"
            "shortcuts[4]: it has no name of 1 to 100 characters without control characters, "
            "\"|\" and \"=\"\n"
            "shortcuts[5]: it is no object\n"
            "protocol_handlers[2]: its protocol web+mail is handled already\n"
            "protocol_handlers[3]: its protocol is neither web+ and letters nor a safelisted "
            "scheme\n"
            "protocol_handlers[4]: its url holds no %s\n"
            "protocol_handlers[5]: its url is on another origin\n"
            "file_handlers[1]: an extension of text/csv is malformed\n"
            "file_handlers[2]: its accept is no map of media types to extensions\n"
            "file_handlers[3]: it has no action\n");
}

TEST(ReadManifest, MembersOfTheWrongShapeOrSizeAreToldNotTaken) {
  std::string many = "[";
  for (int i = 0; i < 5000; ++i)
    many += std::string(i ? "," : "") + R"({"name":"S","url":"/)" + std::to_string(i) + "\"}";
  many += "]";
  const struct {
    std::string text;
    std::size_t shortcuts;
    std::string drops;
  } cases[] = {
      {"{}", 0, ""},
      {R"({"shortcuts":{},"protocol_handlers":"x","file_handlers":5})", 0,
       "shortcuts: it is no list\nprotocol_handlers: it is no list\nfile_handlers: it is no "
       "list\n"},
      {R"({"shortcuts":[{"name":5,"url":"/"},{"name":"A","url":["/"]}]})", 0,
       "shortcuts[0]: it has no name of 1 to 100 characters without control characters, \"|\" "
       "and \"=\"\nshortcuts[1]: it has no url\n"},
      {R"({"shortcuts":[{"name":"A","url":"javascript:x"}]})", 0,
       "shortcuts[0]: its url is no web address\n"},
      {R"({"shortcuts":)" + many + "}", kMaxShortcuts,
       "shortcuts: 4990 past the first 10 are left out\n"},
      {R"({"shortcuts":[{"name":")" + std::string(5000, 'n') + R"(","url":"/"}]})", 0,
       "shortcuts[0]: it has no name of 1 to 100 characters without control characters, \"|\" "
       "and \"=\"\n"},
      {R"({"shortcuts":[{"name":"A","url":"/)" + std::string(5000, 'u') + R"("}]})", 0,
       "shortcuts[0]: its url is too long\n"},
  };
  for (const auto& c : cases) {
    std::string error;
    const auto facts = ReadManifest(c.text, "http://a.example/m.json", &error);
    ASSERT_TRUE(facts) << error;
    EXPECT_EQ(facts->shortcuts.size(), c.shortcuts) << c.text.substr(0, 80);
    EXPECT_EQ(Drops(*facts), c.drops) << c.text.substr(0, 80);
  }
}

}  // namespace
}  // namespace wb
