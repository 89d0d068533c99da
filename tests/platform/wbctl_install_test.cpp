// wbctl install and uninstall into a temporary data folder: the desktop entry and the icons a
// copy needs on the desktop, and afterwards nothing of them.
#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/common/pictures.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

using wbtest::BrandAt;
using wbtest::kProgram;

namespace fs = std::filesystem;
using wbtest::LoadPixels;
using wbtest::ReadFile;
using wbtest::RunTool;
using wbtest::Wbctl;
using wbtest::WriteFile;

std::string Path(const std::string& name) {
  const std::string dir = wbtest::TestRoot() + "/wbctl-install";
  fs::create_directories(dir);
  return dir + "/" + name;
}

// Every file and folder below `root` with its content ("/" for a folder), so that two
// snapshots are equal exactly when nothing was added, removed or changed.
std::map<std::string, std::string> Snapshot(const std::string& root) {
  std::map<std::string, std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(e.path(), root).string();
    tree[relative] = e.is_directory() ? "/" : ReadFile(e.path());
  }
  return tree;
}

std::string Brand(const std::string& name, const std::vector<std::string>& extra) {
  return BrandAt(Path(name), extra);
}

// desktop-file-validate's verdict: empty when the entry passes (it prints only problems).
std::string Validate(const std::string& entry) {
  gchar* tool = g_find_program_in_path("desktop-file-validate");
  if (tool == nullptr) return "desktop-file-validate is not installed (scripts/install-deps.sh)";
  auto run = RunTool({tool, entry});
  g_free(tool);
  return run.status == 0 && run.out.empty() ? "" : run.out + run.err;
}

TEST(WbctlInstall, WritesTheEntryAndIconsAndUninstallTakesThemAway) {
  const std::string png = Path("shop.png");
  wbtest::WritePng(png, 64, 32);
  const std::string copy = Brand("acme-shop", {"--icon", png, "title=Acme Shop & Co"});
  const std::string prefix = Path("share");
  // Something of another program is there already, and stays.
  WriteFile(prefix + "/applications/other.desktop", "[Desktop Entry]\nName=Other\n");
  WriteFile(prefix + "/icons/hicolor/48x48/apps/other.png", "other");
  const auto before = Snapshot(prefix);

  auto install = Wbctl({"install", "--exe", copy, "--prefix", prefix});
  ASSERT_EQ(install.status, 0) << install.err;
  const std::string entry = prefix + "/applications/acme-shop.desktop";
  const std::vector<std::string> icons = {
      prefix + "/icons/hicolor/48x48/apps/acme-shop.png",
      prefix + "/icons/hicolor/128x128/apps/acme-shop.png",
      prefix + "/icons/hicolor/256x256/apps/acme-shop.png",
  };
  for (const auto& path : icons) {
    EXPECT_NE(install.out.find("wrote " + path + "\n"), std::string::npos) << install.out;
  }
  EXPECT_NE(install.out.find("wrote " + entry + "\n"), std::string::npos) << install.out;
  EXPECT_FALSE(fs::exists(prefix + "/icons/hicolor/scalable"));

  EXPECT_EQ(Validate(entry), "");
  const std::string text = ReadFile(entry);
  for (const std::string& line : std::vector<std::string>{
           "\nName=Acme Shop & Co\n", "\nExec=" + copy + " %u\n", "\nIcon=acme-shop\n",
           "\nStartupWMClass=Acme-shop\n", "\nCategories=Network;\n", "\nStartupNotify=true\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
  }
  EXPECT_EQ(text.find("MimeType"), std::string::npos) << text;
  // Square icons of each size, the 64 x 32 picture centred in them.
  for (const int size : {48, 128, 256}) {
    const auto pixels = LoadPixels(prefix + "/icons/hicolor/" + std::to_string(size) + "x" +
                                   std::to_string(size) + "/apps/acme-shop.png");
    EXPECT_EQ(pixels.width, size);
    EXPECT_EQ(pixels.height, size);
    ASSERT_EQ(pixels.channels, 4);
    EXPECT_EQ(pixels.bytes[3], 0) << "the top left corner is transparent";
    const std::size_t middle = (static_cast<std::size_t>(size / 2) * size + size / 2) * 4;
    EXPECT_NE(pixels.bytes[middle + 3], 0) << "the middle is the picture";
  }

  auto uninstall = Wbctl({"uninstall", "--exe", copy, "--prefix", prefix});
  ASSERT_EQ(uninstall.status, 0) << uninstall.err;
  EXPECT_NE(uninstall.out.find("removed " + entry + "\n"), std::string::npos) << uninstall.out;
  EXPECT_EQ(Snapshot(prefix), before);

  // Nothing is installed any more.
  auto again = Wbctl({"uninstall", "--exe", copy, "--prefix", prefix});
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.err.find("not installed"), std::string::npos) << again.err;
}

// The site's shortcuts become the entry's actions and its schemes and file types its media
// types, and every such entry is one the desktop accepts, whatever the names and addresses hold.
TEST(WbctlInstall, ShortcutsAndHandlersMakeAValidEntry) {
  const std::string png = Path("site.png");
  wbtest::WritePng(png, 32, 32);
  const std::string prefix = Path("share-site");
  const struct {
    std::vector<std::string> keys;
    std::vector<std::string> lines;  // each found in the entry
  } cases[] = {
      {{"shortcuts=Inbox=https://m.example/inbox|Neue Nachricht & $mehr=https://m.example/"
        "n?to=a%20b&x=\"1\"",
        "single=1"},
       {"\nActions=shortcut1;shortcut2;\n",
        "\n[Desktop Action shortcut1]\nName=Inbox\nExec=", " https://m.example/inbox\n",
        "\nName=Neue Nachricht & $mehr\n", " \"https://m.example/n?to=a%%20b&x=\\\\\"1\\\\\"\"\n"}},
      {{"schemes=web+mail=https://m.example/c?to=%s|mailto=https://m.example/m?%s",
        "files=text/csv .csv,text/plain .txt=https://m.example/open"},
       {"\nMimeType=x-scheme-handler/web+mail;x-scheme-handler/mailto;text/csv;text/plain;\n"}},
      {{"shortcuts= Ç'a ; \\ x=https://m.example/%C3%A7?a=;b|Tab\tName=https://m.example/"},
       {"\nActions=shortcut1;\n", "\nName=Ç'a ; \\\\ x\n"}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    std::vector<std::string> args = {"--icon", png, "--force"};
    args.insert(args.end(), c.keys.begin(), c.keys.end());
    const std::string name = "site" + std::to_string(i);
    const std::string copy = Brand(name, args);
    auto install = Wbctl({"install", "--exe", copy, "--prefix", prefix});
    ASSERT_EQ(install.status, 0) << install.err;
    const std::string entry = prefix + "/applications/" + name + ".desktop";
    EXPECT_EQ(Validate(entry), "") << ReadFile(entry);
    const std::string text = ReadFile(entry);
    for (const std::string& line : c.lines)
      EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    // The record stays in the main group, where uninstall reads it.
    EXPECT_EQ(Wbctl({"uninstall", "--exe", copy, "--prefix", prefix}).status, 0);
    EXPECT_FALSE(fs::exists(entry));
  }
}

TEST(WbctlInstall, TheAutostartEntryReplacesOnlyItsOwnAndGoesWithUninstall) {
  const std::string png = Path("login.png");
  wbtest::WritePng(png, 16, 16);
  const std::string copy = Brand("login-mail", {"--icon", png, "tray=1", "single=1"});
  const std::string prefix = Path("login-share");
  const std::string start = std::string(g_get_user_config_dir()) + "/autostart/login-mail.desktop";
  // Someone else's entry of the same name stops install before it writes anything.
  WriteFile(start, "[Desktop Entry]\nType=Application\nName=Mine\nExec=mine\n");
  auto refused = Wbctl({"install", "--exe", copy, "--prefix", prefix, "--autostart"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find(start), std::string::npos) << refused.err;
  EXPECT_EQ(ReadFile(start), "[Desktop Entry]\nType=Application\nName=Mine\nExec=mine\n");
  EXPECT_FALSE(fs::exists(prefix + "/applications/login-mail.desktop"));

  auto forced = Wbctl({"install", "--exe", copy, "--prefix", prefix, "--autostart", "--force"});
  ASSERT_EQ(forced.status, 0) << forced.err;
  EXPECT_NE(forced.out.find("wrote " + start + "\n"), std::string::npos) << forced.out;
  EXPECT_EQ(Validate(start), "");
  // Once it is install's own, a second install replaces it without --force.
  auto again = Wbctl({"install", "--exe", copy, "--prefix", prefix, "--autostart"});
  EXPECT_EQ(again.status, 0) << again.err;

  auto uninstall = Wbctl({"uninstall", "--exe", copy, "--prefix", prefix});
  ASSERT_EQ(uninstall.status, 0) << uninstall.err;
  EXPECT_NE(uninstall.out.find("removed " + start + "\n"), std::string::npos) << uninstall.out;
  EXPECT_FALSE(fs::exists(start));
}

TEST(WbctlInstall, AnSvgIconAlsoGoesInAsScalable) {
  const std::string svg = Path("icon.svg");
  WriteFile(svg,
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\">"
            "<circle cx=\"8\" cy=\"8\" r=\"8\" fill=\"#1B2A4A\"/></svg>\n");
  const std::string copy = Brand("vector", {"--icon", svg});
  const std::string prefix = Path("empty-share");
  fs::create_directories(prefix);
  auto install = Wbctl({"install", "--exe", copy, "--prefix", prefix});
  ASSERT_EQ(install.status, 0) << install.err;
  EXPECT_EQ(ReadFile(prefix + "/icons/hicolor/scalable/apps/vector.svg"), ReadFile(svg));
  // Drawn at each size, not scaled up from 16 pixels: the edge of the disc is as sharp.
  EXPECT_EQ(LoadPixels(prefix + "/icons/hicolor/256x256/apps/vector.png").width, 256);
  EXPECT_EQ(Validate(prefix + "/applications/vector.desktop"), "");

  // Installed again with a PNG icon, the SVG file goes.
  const std::string png = Path("vector.png");
  wbtest::WritePng(png, 16, 16);
  const std::string rebranded = Brand("vector", {"--icon", png});
  ASSERT_EQ(Wbctl({"install", "--exe", rebranded, "--prefix", prefix}).status, 0);
  EXPECT_FALSE(fs::exists(prefix + "/icons/hicolor/scalable/apps/vector.svg"));
  EXPECT_TRUE(fs::exists(prefix + "/icons/hicolor/48x48/apps/vector.png"));

  ASSERT_EQ(Wbctl({"uninstall", "--exe", copy, "--prefix", prefix}).status, 0);
  EXPECT_TRUE(Snapshot(prefix).empty());
}

TEST(WbctlInstall, TheUnbrandedProgramGetsItsOwnIconAndMimeTypesWhenAsked) {
  const std::string prefix = Path("own");
  auto install = Wbctl({"install", "--exe", kProgram, "--prefix", prefix, "--mime",
                        "x-scheme-handler/acme;text/html"});
  ASSERT_EQ(install.status, 0) << install.err;
  const std::string name = fs::path(kProgram).stem().string();
  const std::string entry = prefix + "/applications/" + name + ".desktop";
  EXPECT_EQ(Validate(entry), "");
  EXPECT_NE(ReadFile(entry).find("\nMimeType=x-scheme-handler/acme;text/html;\n"),
            std::string::npos);
  EXPECT_EQ(LoadPixels(prefix + "/icons/hicolor/256x256/apps/" + name + ".png"),
            LoadPixels(std::string(WB_SOURCE_DIR) + "/resources/webbrowser.png"));

  auto bad = Wbctl({"install", "--exe", kProgram, "--prefix", prefix, "--mime", "text html"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("not a media type"), std::string::npos) << bad.err;
}

TEST(WbctlInstall, AnEntryOfSomeoneElseIsLeftAlone) {
  const std::string copy = Brand("taken", {"title=Taken"});
  const std::string prefix = Path("taken-share");
  const std::string entry = prefix + "/applications/taken.desktop";
  WriteFile(entry, "[Desktop Entry]\nType=Application\nName=Someone Else\nExec=x\n");
  const auto before = Snapshot(prefix);
  auto install = Wbctl({"install", "--exe", copy, "--prefix", prefix});
  EXPECT_EQ(install.status, 1);
  EXPECT_NE(install.err.find("not written by wbctl install"), std::string::npos) << install.err;
  auto uninstall = Wbctl({"uninstall", "--exe", copy, "--prefix", prefix});
  EXPECT_EQ(uninstall.status, 1);
  EXPECT_EQ(Snapshot(prefix), before);
}

// The entry lies in the user's folder, where anything may change it; its record of files is
// obeyed only for the files install writes for this copy.
TEST(WbctlInstall, UninstallRemovesNothingTheRecordMerelyNames) {
  const std::string copy = Brand("tampered", {});
  const std::string prefix = Path("tampered-share");
  ASSERT_EQ(Wbctl({"install", "--exe", copy, "--prefix", prefix}).status, 0);
  const std::string victim = Path("victim.txt");
  WriteFile(victim, "keep me");
  WriteFile(prefix + "/icons/hicolor/48x48/apps/other.png", "other");
  const std::string entry = prefix + "/applications/tampered.desktop";
  std::string text = ReadFile(entry);
  const std::string key = "X-WebBrowser-Files=";
  text.insert(text.find(key) + key.size(),
              "../../victim.txt;" + victim + ";icons/hicolor/48x48/apps/other.png;");
  text.insert(text.find("X-WebBrowser-Folders=") + 21, "..;icons/hicolor/48x48/apps;");
  WriteFile(entry, text);

  auto uninstall = Wbctl({"uninstall", "--exe", copy, "--prefix", prefix});
  EXPECT_EQ(uninstall.status, 0) << uninstall.err;
  EXPECT_EQ(ReadFile(victim), "keep me");
  EXPECT_EQ(ReadFile(prefix + "/icons/hicolor/48x48/apps/other.png"), "other");
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_FALSE(fs::exists(prefix + "/icons/hicolor/48x48/apps/tampered.png"));
}

// A file at one of the icon paths that install did not write (another program's icon of the
// same name, a link, or its own icon changed since) stops the installation before anything is
// written; with --force it is replaced, a link as a link, and uninstall then removes it.
TEST(WbctlInstall, AFileInstallDidNotWriteIsReplacedOnlyWithForce) {
  const std::string copy = Brand("clash", {});
  const std::string icon = "icons/hicolor/128x128/apps/clash.png";
  const std::string outside = Path("outside.png");
  const std::string entry = "applications/clash.desktop";
  const struct {
    const char* what;
    std::function<void(const std::string& prefix)> setUp;
    std::string named;  // the file the refusal names
  } cases[] = {
      {"another program's icon",
       [&](const std::string& prefix) { WriteFile(prefix + "/" + icon, "another program"); }, icon},
      {"a link to another file",
       [&](const std::string& prefix) {
         WriteFile(outside, "another program");
         fs::create_directories(fs::path(prefix + "/" + icon).parent_path());
         fs::create_symlink(outside, prefix + "/" + icon);
       },
       icon},
      {"its own icon, changed since",
       [&](const std::string& prefix) {
         ASSERT_EQ(Wbctl({"install", "--exe", copy, "--prefix", prefix}).status, 0);
         WriteFile(prefix + "/" + icon, "edited by hand");
       },
       icon},
      {"its own icon, a foreign entry beside it",
       [&](const std::string& prefix) {
         ASSERT_EQ(Wbctl({"install", "--exe", copy, "--prefix", prefix}).status, 0);
         WriteFile(prefix + "/" + entry, "[Desktop Entry]\nName=Clash\n");
       },
       entry},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string prefix = Path("clash-" + std::to_string(++n));
    c.setUp(prefix);
    const auto before = Snapshot(prefix);
    auto refused = Wbctl({"install", "--exe", copy, "--prefix", prefix});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("not written by wbctl install"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("\"" + prefix + "/" + c.named + "\""), std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(Snapshot(prefix), before);

    auto forced = Wbctl({"install", "--exe", copy, "--prefix", prefix, "--force"});
    ASSERT_EQ(forced.status, 0) << forced.err;
    EXPECT_FALSE(fs::is_symlink(prefix + "/" + icon));
    EXPECT_EQ(LoadPixels(prefix + "/" + icon).width, 128);
    if (fs::exists(outside)) {
      EXPECT_EQ(ReadFile(outside), "another program");
    }
    // Written by install now, so a second installation and the uninstallation take it.
    ASSERT_EQ(Wbctl({"install", "--exe", copy, "--prefix", prefix}).status, 0);
    ASSERT_EQ(Wbctl({"uninstall", "--exe", copy, "--prefix", prefix}).status, 0);
    EXPECT_FALSE(fs::exists(prefix + "/" + icon));
    fs::remove(outside);
  }
}

// Uninstall takes only files that still hold what install wrote; a file changed or replaced
// since is reported and left.
TEST(WbctlInstall, UninstallLeavesAFileChangedAfterInstall) {
  const std::string copy = Brand("edited", {});
  const std::string prefix = Path("edited-share");
  ASSERT_EQ(Wbctl({"install", "--exe", copy, "--prefix", prefix}).status, 0);
  const std::string changed = prefix + "/icons/hicolor/128x128/apps/edited.png";
  const std::string replaced = prefix + "/icons/hicolor/256x256/apps/edited.png";
  const std::string outside = Path("edited-outside.png");
  WriteFile(changed, "edited by hand");
  WriteFile(outside, ReadFile(replaced));  // the same bytes, but through a link
  fs::remove(replaced);
  fs::create_symlink(outside, replaced);

  auto uninstall = Wbctl({"uninstall", "--exe", copy, "--prefix", prefix});
  EXPECT_EQ(uninstall.status, 0) << uninstall.err;
  EXPECT_NE(uninstall.out.find("left " + changed + " ("), std::string::npos) << uninstall.out;
  EXPECT_NE(uninstall.out.find("left " + replaced + " ("), std::string::npos) << uninstall.out;
  EXPECT_EQ(ReadFile(changed), "edited by hand");
  EXPECT_TRUE(fs::is_symlink(replaced));
  EXPECT_FALSE(fs::exists(prefix + "/icons/hicolor/48x48/apps/edited.png"));
  EXPECT_FALSE(fs::exists(prefix + "/applications/edited.desktop"));
  // The folders that still hold something stay.
  EXPECT_TRUE(fs::is_directory(prefix + "/icons/hicolor/128x128/apps"));
  EXPECT_FALSE(fs::exists(prefix + "/icons/hicolor/48x48"));
}

// An entry written before the record kept the files' contents: its files count as install's
// own, as they did when it was written, and the next installation records their contents.
TEST(WbctlInstall, ARecordWithoutContentsIsObeyedAsBefore) {
  const std::string copy = Brand("older", {});
  const std::string prefix = Path("older-share");
  ASSERT_EQ(Wbctl({"install", "--exe", copy, "--prefix", prefix}).status, 0);
  const std::string entry = prefix + "/applications/older.desktop";
  std::string text = ReadFile(entry);
  const auto sums = text.find("X-WebBrowser-Sums=");
  ASSERT_NE(sums, std::string::npos) << text;
  text.erase(sums, text.find('\n', sums) + 1 - sums);
  WriteFile(entry, text);
  const std::string icon = prefix + "/icons/hicolor/48x48/apps/older.png";
  WriteFile(icon, "written by the older install");

  ASSERT_EQ(Wbctl({"install", "--exe", copy, "--prefix", prefix}).status, 0);
  EXPECT_EQ(LoadPixels(icon).width, 48);
  EXPECT_NE(ReadFile(entry).find("X-WebBrowser-Sums="), std::string::npos);
  WriteFile(entry, text);
  ASSERT_EQ(Wbctl({"uninstall", "--exe", copy, "--prefix", prefix}).status, 0);
  EXPECT_TRUE(Snapshot(prefix).empty());
}

// Where the desktop keeps a cache of the icons, install brings it up to date, and uninstall
// again; where it keeps none, none is made.
TEST(WbctlInstall, AnExistingIconCacheIsRefreshed) {
  gchar* tool = g_find_program_in_path("gtk-update-icon-cache");
  if (tool == nullptr) GTEST_SKIP() << "gtk-update-icon-cache is not installed";
  const std::string prefix = Path("cached-share");
  const std::string hicolor = prefix + "/icons/hicolor";
  WriteFile(hicolor + "/48x48/apps/other.png",
            ReadFile(std::string(WB_SOURCE_DIR) + "/resources/webbrowser.png"));
  ASSERT_EQ(RunTool({tool, "--quiet", "--force", "--ignore-theme-index", hicolor}).status, 0);
  g_free(tool);
  const std::string cache = hicolor + "/icon-theme.cache";
  ASSERT_TRUE(fs::exists(cache));
  EXPECT_EQ(ReadFile(cache).find("cached-copy"), std::string::npos);

  const std::string copy = Brand("cached-copy", {});
  auto install = Wbctl({"install", "--exe", copy, "--prefix", prefix});
  ASSERT_EQ(install.status, 0) << install.err;
  EXPECT_NE(install.out.find("refreshed " + hicolor), std::string::npos) << install.out;
  EXPECT_NE(ReadFile(cache).find("cached-copy"), std::string::npos);
  EXPECT_FALSE(fs::exists(prefix + "/applications/mimeinfo.cache"));

  ASSERT_EQ(Wbctl({"uninstall", "--exe", copy, "--prefix", prefix}).status, 0);
  EXPECT_EQ(ReadFile(cache).find("cached-copy"), std::string::npos);
}

}  // namespace
}  // namespace wb

namespace wb {
namespace {

// A folder of the icons that is a symbolic link would take the icons wherever it leads:
// install refuses, with --force too, and writes nothing there or in the prefix.
TEST(WbctlInstall, NeverWritesThroughAnIconFolderThatIsALink) {
  const std::string copy = BrandAt(Path("linked"), {});
  const std::string elsewhere = Path("linked-elsewhere");
  fs::create_directories(elsewhere);
  const char* const linked[] = {"icons", "icons/hicolor", "icons/hicolor/48x48/apps"};
  int n = 0;
  for (const char* folder : linked) {
    SCOPED_TRACE(folder);
    const std::string prefix = Path("linked-" + std::to_string(++n));
    fs::create_directories(fs::path(prefix + "/" + folder).parent_path());
    fs::create_directory_symlink(elsewhere, prefix + "/" + folder);
    const auto before = Snapshot(prefix);
    for (bool force : {false, true}) {
      std::vector<std::string> args = {"install", "--exe", copy, "--prefix", prefix};
      if (force) args.push_back("--force");
      const auto refused = Wbctl(args);
      EXPECT_EQ(refused.status, 1);
      EXPECT_NE(refused.err.find("\"" + prefix + "/" + folder + "\" is a symbolic link"),
                std::string::npos)
          << refused.err;
      EXPECT_EQ(Snapshot(prefix), before);
      EXPECT_TRUE(fs::is_empty(elsewhere));
    }
  }
}

}  // namespace
}  // namespace wb
