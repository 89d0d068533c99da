// The shortcuts, scheme and file keys: their items as the copy reads them, the values brand
// writes for them, and the address a scheme handler is given.
#include "support/site_handlers.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

TEST(SiteHandlers, KeysKeepValidItemsAndListTheRest) {
  const ShortcutsKey shortcuts = ParseShortcuts(
      " Inbox = https://m.example/inbox | Bad|Name=https://m.example/ | =https://m.example/x |"
      "Ftp=ftp://m.example/ | Neu=https://m.example/a?b=c ");
  EXPECT_EQ(shortcuts.items, (std::vector<SiteShortcut>{{"Inbox", "https://m.example/inbox"},
                                                        {"Name", "https://m.example/"},
                                                        {"Neu", "https://m.example/a?b=c"}}));
  EXPECT_EQ(shortcuts.invalid,
            (std::vector<std::string>{"Bad", "=https://m.example/x", "Ftp=ftp://m.example/"}));

  const SchemesKey schemes = ParseSchemes(
      "WEB+Mail=https://m.example/c?to=%s|web+mail=https://m.example/other?%s|"
      "web+x1=https://m.example/?%s|mailto=https://m.example/?%s|http=https://m.example/?%s|"
      "web+news=https://m.example/no-placeholder");
  EXPECT_EQ(schemes.items, (std::vector<SchemeHandler>{{"web+mail", "https://m.example/c?to=%s"},
                                                       {"mailto", "https://m.example/?%s"}}));
  EXPECT_EQ(schemes.invalid.size(), 4u);

  const FilesKey files = ParseFiles(
      "Text/CSV .CSV,text/plain .txt .text=https://d.example/open?as=file|"
      "text/csv csv=https://d.example/|image/png .png=javascript:x|=https://d.example/");
  ASSERT_EQ(files.items.size(), 1u);
  EXPECT_EQ(files.items[0].action, "https://d.example/open?as=file");
  EXPECT_EQ(files.items[0].types,
            (std::vector<FileType>{{"text/csv", {".csv"}}, {"text/plain", {".txt", ".text"}}}));
  EXPECT_EQ(files.invalid.size(), 3u);
}

TEST(SiteHandlers, EachKeyKeepsAtMostItsMaximum) {
  std::string shortcuts, schemes, files;
  for (int i = 0; i < 50; ++i) {
    const std::string n = std::to_string(i);
    shortcuts += "S" + n + "=https://a.example/" + n + "|";
    schemes += "web+" + std::string(1, static_cast<char>('a' + i % 26)) +
               std::string(static_cast<std::size_t>(i / 26 + 1), 'q') + "=https://a.example/?%s|";
    files += "text/x" + n + " .x" + n + "=https://a.example/" + n + "|";
  }
  EXPECT_EQ(ParseShortcuts(shortcuts).items.size(), kMaxShortcuts);
  EXPECT_EQ(ParseShortcuts(shortcuts).invalid.size(), 50 - kMaxShortcuts);
  EXPECT_EQ(ParseSchemes(schemes).items.size(), kMaxSchemeHandlers);
  EXPECT_EQ(ParseFiles(files).items.size(), kMaxFileHandlers);
  EXPECT_TRUE(
      ParseShortcuts("N=https://a.example/" + std::string(kMaxHandlerAddress, 'a')).items.empty());
  EXPECT_TRUE(
      ParseShortcuts(std::string(kMaxShortcutName + 1, 'n') + "=https://a.example/").items.empty());
}

TEST(SiteHandlers, ValuesReadBackAsTheirItems) {
  const std::vector<SiteShortcut> shortcuts = {{"Neue Nachricht", "https://m.example/n?a=|b"},
                                               {"Posteingang", "https://m.example/"}};
  const ShortcutsKey back = ParseShortcuts(ShortcutsValue(shortcuts));
  ASSERT_EQ(back.items.size(), 2u);
  EXPECT_EQ(back.items[0].address, "https://m.example/n?a=%7Cb");
  EXPECT_EQ(back.items[1], shortcuts[1]);
  const std::vector<SchemeHandler> schemes = {{"web+mail", "https://m.example/?u=%s"},
                                              {"mailto", "https://m.example/to/%s"}};
  EXPECT_EQ(ParseSchemes(SchemesValue(schemes)).items, schemes);
  const std::vector<FileHandler> files = {
      {"https://d.example/open?x=1", {{"text/csv", {".csv"}}, {"application/x-thing", {}}}}};
  EXPECT_EQ(ParseFiles(FilesValue(files)).items, files);
}

TEST(SiteHandlers, NamesSchemesTypesAndExtensions) {
  const struct {
    bool (*check)(std::string_view);
    const char* text;
    bool ok;
  } cases[] = {
      {IsShortcutName, "Compose", true},
      {IsShortcutName, "Écrire un message", true},
      {IsShortcutName, "", false},
      {IsShortcutName, " lead", false},
      {IsShortcutName, "tab\there", false},
      {IsShortcutName, "a|b", false},
      {IsShortcutName, "a=b", false},
      {IsShortcutName, "\xff\xfe", false},
      {IsHandledScheme, "web+mail", true},
      {IsHandledScheme, "web+", false},
      {IsHandledScheme, "web+m4il", false},
      {IsHandledScheme, "web+Mail", false},
      {IsHandledScheme, "mailto", true},
      {IsHandledScheme, "magnet", true},
      {IsHandledScheme, "http", false},
      {IsHandledScheme, "javascript", false},
      {IsHandledScheme, "file", false},
      {IsMediaType, "text/csv", true},
      {IsMediaType, "application/vnd.ms-excel", true},
      {IsMediaType, "text", false},
      {IsMediaType, "text/", false},
      {IsMediaType, "text/csv;charset=utf-8", false},
      {IsMediaType, "a b/c", false},
      {IsFileExtension, ".csv", true},
      {IsFileExtension, ".tar-gz", true},
      {IsFileExtension, "csv", false},
      {IsFileExtension, ".", false},
      {IsFileExtension, ".a/b", false},
      {IsFileExtension, ".abcdefghijklmnopq", false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.check(c.text), c.ok) << c.text;
}

TEST(SiteHandlers, HandledAddressFillsTheFirstPlaceholderEncoded) {
  const std::vector<SchemeHandler> handlers = {{"web+mail", "https://m.example/c?to=%s&x=%s"},
                                               {"mailto", "https://m.example/m/%s"}};
  const struct {
    const char* address;
    std::optional<std::string> opened;
  } cases[] = {
      {"web+mail:ann@b.example", "https://m.example/c?to=web%2Bmail%3Aann%40b.example&x=%s"},
      {"WEB+MAIL:x", "https://m.example/c?to=WEB%2BMAIL%3Ax&x=%s"},
      {"mailto:a b?&#/%", "https://m.example/m/mailto%3Aa%20b%3F%26%23%2F%25"},
      {"mailto:é", "https://m.example/m/mailto%3A%C3%A9"},
      {"web+mail:", std::nullopt},
      {"web+news:x", std::nullopt},
      {"https://m.example/", std::nullopt},
      {"no scheme", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(HandledSchemeAddress(handlers, c.address), c.opened);
  EXPECT_FALSE(HandledSchemeAddress(handlers, "mailto:" + std::string(kMaxHandlerAddress, 'a')));
}

TEST(SiteHandlers, OnlyTheCopysOwnHostsGetTheAddress) {
  const SchemesKey schemes = ParseSchemes(
      "web+mail=https://m.example/c?%s|web+chat=https://chat.example/?%s|"
      "web+away=https://other.example/?%s");
  const HostPatterns internal = ParseHostPatterns("chat.example");
  const struct {
    const char* address;
    const char* startHost;
    std::optional<std::string> opened;
  } cases[] = {
      {"web+mail:x", "m.example", "https://m.example/c?web%2Bmail%3Ax"},
      {"web+chat:x", "m.example", "https://chat.example/?web%2Bchat%3Ax"},
      {"web+away:x", "m.example", std::nullopt},
      {"web+mail:x", "other.example", std::nullopt},
      {"web+mail:x", "", std::nullopt},
      {"web+none:x", "m.example", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OwnHandledAddress(schemes, c.address, c.startHost, internal), c.opened) << c.address;
}

}  // namespace
}  // namespace wb
