#include "support/desktop_entry.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace wb {
namespace {

TEST(DesktopEntry, QuotesExecArgumentsWithReservedCharacters) {
  struct Case {
    std::string argument;
    std::string quoted;
  };
  const Case cases[] = {
      {"/opt/shop/shop", "/opt/shop/shop"},
      {"/opt/my shop/shop", "\"/opt/my shop/shop\""},
      {"/opt/a\"b", "\"/opt/a\\\"b\""},
      {"/opt/$HOME", "\"/opt/\\$HOME\""},
      {"/opt/a`b`", "\"/opt/a\\`b\\`\""},
      {"/opt/a\\b", "\"/opt/a\\\\b\""},
      {"/opt/it's", "\"/opt/it's\""},
      {"/opt/a;b&c|d", "\"/opt/a;b&c|d\""},
      {"/opt/~x/(y)*?#<>", "\"/opt/~x/(y)*?#<>\""},
      // A "%" would start a field code, quoted or not.
      {"/opt/100%", "/opt/100%%"},
      {"/opt/100% off", "\"/opt/100%% off\""},
      {"/opt/caf\xC3\xA9", "/opt/caf\xC3\xA9"},
      {"", "\"\""},
  };
  for (const auto& c : cases) EXPECT_EQ(QuoteExecArgument(c.argument), c.quoted) << c.argument;
}

TEST(DesktopEntry, EscapesValuesReversibly) {
  struct Case {
    std::string value;
    std::string escaped;
  };
  const Case cases[] = {
      {"Shop", "Shop"},
      {"a\\b", "a\\\\b"},
      {"two\nlines", "two\\nlines"},
      {"tab\there\r", "tab\\there\\r"},
      {" leading", "\\sleading"},
      {"inner space ", "inner space "},
      {"M\xC3\xBCller & S\xC3\xB6hne", "M\xC3\xBCller & S\xC3\xB6hne"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeDesktopValue(c.value), c.escaped) << c.value;
    EXPECT_EQ(UnescapeDesktopValue(c.escaped), c.value) << c.value;
  }
  EXPECT_EQ(UnescapeDesktopValue("a\\qb\\"), "aqb");
}

TEST(DesktopEntry, NamesAreFileNamesTheDesktopAccepts) {
  struct Case {
    std::string name;
    bool ok;
  };
  const Case cases[] = {
      {"shop", true},
      {"acme-portal", true},
      {"Shop_2.beta", true},
      {"webbrowser", true},
      {"", false},
      {".hidden", false},
      {"-option", false},
      {"my shop", false},
      {"a/b", false},
      {"caf\xC3\xA9", false},
      {"a;b", false},
      {std::string(255, 'n'), true},
      {std::string(256, 'n'), false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsDesktopName(c.name), c.ok) << c.name;
}

TEST(DesktopEntry, TheWindowClassIsTheFileNameWithAnUpperCaseFirstLetter) {
  const std::pair<std::string, std::string> cases[] = {
      {"acme-portal", "Acme-portal"},
      {"Shop", "Shop"},
      {"shop.bin", "Shop.bin"},
      {"2shop", "2shop"},
      {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"},
      {"", ""},
  };
  for (const auto& [file, windowClass] : cases) EXPECT_EQ(WindowClassOf(file), windowClass);
}

DesktopEntry ShopEntry() {
  DesktopEntry entry;
  entry.name = "Acme Shop";
  entry.executable = "/home/u/Apps/acme shop";
  entry.icon = "acme-shop";
  entry.windowClass = "Acme-shop";
  entry.files = InstalledIconPaths("acme-shop", false);
  entry.folders = {"applications", "icons/hicolor/48x48", "icons/hicolor/48x48/apps"};
  return entry;
}

TEST(DesktopEntry, TheEntryHoldsTheKeysTheDesktopReads) {
  const std::string text = DesktopEntryText(ShopEntry());
  const char* lines[] = {
      "[Desktop Entry]\n",
      "\nType=Application\n",
      "\nName=Acme Shop\n",
      // The quoted path is escaped once more as a string value.
      "\nExec=\"/home/u/Apps/acme shop\" %u\n",
      "\nTryExec=/home/u/Apps/acme shop\n",
      "\nIcon=acme-shop\n",
      "\nStartupWMClass=Acme-shop\n",
      "\nStartupNotify=true\n",
      "\nCategories=Network;\n",
  };
  for (const char* line : lines) EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_EQ(text.find("MimeType"), std::string::npos);

  DesktopEntry withTypes = ShopEntry();
  withTypes.mimeTypes = {"x-scheme-handler/acme", "text/html"};
  EXPECT_NE(DesktopEntryText(withTypes).find("\nMimeType=x-scheme-handler/acme;text/html;\n"),
            std::string::npos);

  DesktopEntry backslash = ShopEntry();
  backslash.executable = "/opt/a\\b";
  EXPECT_NE(DesktopEntryText(backslash).find("\nExec=\"/opt/a\\\\\\\\b\" %u\n"), std::string::npos);
}

TEST(DesktopEntry, TheAutostartEntryStartsTheCopyHiddenAndIsNoMenuEntry) {
  DesktopEntry entry = ShopEntry();
  entry.autostart = true;
  entry.mimeTypes = {"text/html"};
  entry.files.clear();
  entry.folders.clear();
  const std::string text = DesktopEntryText(entry);
  const struct {
    const char* line;
    bool held;
  } cases[] = {
      // No address field: a start at login has none, and --hidden is the one argument.
      {"\nExec=\"/home/u/Apps/acme shop\" --hidden\n", true},
      {"\nStartupNotify=false\n", true},
      {"\nTryExec=/home/u/Apps/acme shop\n", true},
      {"%u", false},
      {"\nCategories=", false},
      {"\nMimeType=", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(text.find(c.line) != std::string::npos, c.held) << c.line << " in\n" << text;
  // Uninstall knows it by its record, which lists nothing beside it.
  const InstallRecord record = ReadInstallRecord(text);
  EXPECT_TRUE(record.ours);
  EXPECT_TRUE(record.files.empty());
}

TEST(DesktopEntry, TheRecordReadsBackAsWritten) {
  DesktopEntry entry = ShopEntry();
  entry.files.push_back("odd;name\\with escapes");
  const InstallRecord record = ReadInstallRecord(DesktopEntryText(entry));
  EXPECT_TRUE(record.ours);
  EXPECT_EQ(record.files, entry.files);
  EXPECT_EQ(record.folders, entry.folders);

  entry.files.clear();
  entry.folders.clear();
  const InstallRecord empty = ReadInstallRecord(DesktopEntryText(entry));
  EXPECT_TRUE(empty.ours);
  EXPECT_TRUE(empty.files.empty());
  EXPECT_TRUE(empty.folders.empty());
}

// The record keeps what install wrote into each file, so that a file changed or replaced since
// is told from install's own; a record from before it kept them says so.
TEST(DesktopEntry, TheRecordKeepsTheFilesContents) {
  const std::string a(64, 'a'),
      b = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
  DesktopEntry entry = ShopEntry();
  entry.sums = {{entry.files[0], a}, {entry.files[1], b}, {"odd;name\\with escapes", a}};
  const InstallRecord record = ReadInstallRecord(DesktopEntryText(entry));
  EXPECT_TRUE(record.hasSums);
  EXPECT_EQ(record.sums, entry.sums);

  const std::string head = "[Desktop Entry]\nX-WebBrowser-Files=x;\nX-WebBrowser-Folders=\n";
  const struct {
    const char* what;
    std::string text;
    bool hasSums;
    std::map<std::string, std::string> sums;
  } cases[] = {
      {"a record from before", head, false, {}},
      {"no contents kept", head + "X-WebBrowser-Sums=\n", true, {}},
      {"a path with a blank", head + "X-WebBrowser-Sums=" + a + " x y;\n", true, {{"x y", a}}},
      {"no well-formed sum",
       head + "X-WebBrowser-Sums=" + std::string(64, 'A') + " x;" + std::string(63, 'a') + " x;" +
           std::string(64, 'g') + " x;" + a + ";" + a + " ;\n",
       true,
       {}},
      {"the first for a path",
       head + "X-WebBrowser-Sums=" + a + " x;" + b + " x;\n",
       true,
       {{"x", a}}},
      {"in another group", head + "[Other]\nX-WebBrowser-Sums=" + a + " x;\n", false, {}},
  };
  for (const auto& c : cases) {
    const InstallRecord read = ReadInstallRecord(c.text);
    EXPECT_TRUE(read.ours) << c.what;
    EXPECT_EQ(read.hasSums, c.hasSums) << c.what;
    EXPECT_EQ(read.sums, c.sums) << c.what;
  }
}

TEST(DesktopEntry, OnlyTheMainGroupHoldsTheRecord) {
  struct Case {
    const char* what;
    std::string text;
    bool ours;
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {"another program's entry", "[Desktop Entry]\nType=Application\nName=Other\n", false, {}},
      {"the record in another group",
       "[Desktop Entry]\nName=X\n[Desktop Action new]\nX-WebBrowser-Files=a;\n"
       "X-WebBrowser-Folders=\n",
       false,
       {}},
      {"only one of the two keys", "[Desktop Entry]\nX-WebBrowser-Files=a;\n", false, {"a"}},
      {"CR LF lines, blanks around =",
       "[Desktop Entry]\r\nX-WebBrowser-Files = a;b\r\nX-WebBrowser-Folders =\r\n",
       true,
       {"a", "b"}},
      {"the first of a repeated key",
       "[Desktop Entry]\nX-WebBrowser-Files=a;\nX-WebBrowser-Files=b;\nX-WebBrowser-Folders=\n",
       true,
       {"a"}},
      {"comments and empty items",
       "# X-WebBrowser-Files=c;\n[Desktop Entry]\n"
       "X-WebBrowser-Files=;;a;;\nX-WebBrowser-Folders=;\n",
       true,
       {"a"}},
      {"an escape at the end that stands for nothing",
       "[Desktop Entry]\nX-WebBrowser-Files=a;\\\nX-WebBrowser-Folders=\\\n",
       true,
       {"a"}},
      {"nothing", "", false, {}},
  };
  for (const auto& c : cases) {
    const InstallRecord record = ReadInstallRecord(c.text);
    EXPECT_EQ(record.ours, c.ours) << c.what;
    EXPECT_EQ(record.files, c.files) << c.what;
  }
}

// The record is read from a file in the user's folder; uninstall obeys it only where it names
// what install writes.
TEST(DesktopEntry, ARecordNamesOnlyWhatInstallWrites) {
  struct Case {
    std::string path;
    bool icon;
    bool folder;
  };
  const Case cases[] = {
      {"icons/hicolor/48x48/apps/shop.png", true, false},
      {"icons/hicolor/128x128/apps/shop.png", true, false},
      {"icons/hicolor/256x256/apps/shop.png", true, false},
      {"icons/hicolor/scalable/apps/shop.svg", true, false},
      {"icons/hicolor/64x64/apps/shop.png", false, false},
      {"icons/hicolor/48x48/apps/other.png", false, false},
      {"icons/hicolor/48x48/apps/shop.svg", false, false},
      {"icons/hicolor/48x48/apps/../../../../.bashrc", false, false},
      {"/icons/hicolor/48x48/apps/shop.png", false, false},
      {"applications/shop.desktop", false, false},
      {"applications", false, true},
      {"icons", false, true},
      {"icons/hicolor", false, true},
      {"icons/hicolor/48x48", false, true},
      {"icons/hicolor/256x256/apps", false, true},
      {"icons/hicolor/scalable/apps", false, true},
      {"icons/hicolor/64x64", false, false},
      {"..", false, false},
      {"", false, false},
      {"icons/", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsInstalledIconPath(c.path, "shop"), c.icon) << c.path;
    EXPECT_EQ(IsInstallFolder(c.path), c.folder) << c.path;
  }
  EXPECT_FALSE(IsInstalledIconPath("icons/hicolor/48x48/apps/...png", ".."));
}

}  // namespace
}  // namespace wb
