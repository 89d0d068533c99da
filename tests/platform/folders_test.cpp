#include "platform/folders.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "storage/expand_path.h"
#include "storage/process_values.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

using wbtest::WriteFile;

// Each test gets its own program folder with a fake executable, and leaves the process values,
// the current directory and the user-dirs file as it found them.
class Folders : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Process();
    cwd_ = fs::current_path();
    root_ = fs::path(wbtest::TestRoot()) / ("folders-" + std::to_string(++counter_));
    prog_ = root_ / "prog";
    WriteFile(prog_ / "tool.bin", "not really a program");
    home_ = Env("HOME");
    config_ = Env("XDG_CONFIG_HOME");
  }
  void TearDown() override {
    fs::current_path(cwd_);
    Process() = saved_;
    // GLib keeps a cached directory when a reload finds none, so the documents directory is
    // put back explicitly rather than by removing the file.
    if (fs::exists(fs::path(config_) / "user-dirs.dirs")) UseDocumentsDir(home_);
    fs::remove_all(fs::path(home_) / "WebBrowser");
    fs::remove_all(root_);
  }
  void UseDocumentsDir(const std::string& dir) {
    WriteFile(fs::path(config_) / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"" + dir + "\"\n");
    g_reload_user_special_dirs_cache();
  }
  std::string Exe() const { return (prog_ / "tool.bin").string(); }
  std::string Prog() const { return prog_.string() + "/"; }

  ProcessValues saved_;
  fs::path cwd_, root_, prog_;
  std::string home_, config_;
  static inline int counter_ = 0;
};

TEST_F(Folders, SpecialFoldersFollowTheXdgDirectories) {
  EXPECT_EQ(ToUtf8(SpecialFolder(kFolderPersonal)), home_);  // no documents dir configured
  EXPECT_EQ(ToUtf8(SpecialFolder(kFolderAppData)), config_);
  EXPECT_EQ(ToUtf8(SpecialFolder(kFolderCommonAppData)), Env("XDG_CONFIG_DIRS"));
  UseDocumentsDir(home_ + "/Docs");
  EXPECT_EQ(ToUtf8(SpecialFolder(kFolderPersonal)), home_ + "/Docs");
  EXPECT_THROW(SpecialFolder(0), std::system_error);
  EXPECT_THROW(SpecialFolder(36), std::system_error);
}

TEST_F(Folders, FolderForKeyTable) {
  Process().applicationTitle = u"A/B";
  const std::string common = Env("XDG_CONFIG_DIRS");
  const struct {
    const char16_t* key;
    std::string folder;
  } cases[] = {
      {u"*", home_ + "/A-B"},
      {u"doc", home_},
      {u"*DOC", home_ + "/A-B"},
      {u"**", config_ + "/A-B"},
      {u"App", config_},
      {u"dat", config_},
      {u"*app", config_ + "/A-B"},
      {u"*Dat", config_ + "/A-B"},
      {u"adat", common},
      {u"AAPP", common},
      {u"", ""},
      {u"documents", ""},
      {u" doc", ""},
      {u"doc,app", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ToUtf8(FolderForKey(c.key)), c.folder) << ToUtf8(c.key);
}

TEST_F(Folders, StartupFollowsDocumentsAndConfigurationFolders) {
  SetUpForExecutable(Exe(), u"WebBrowser");
  const ProcessValues& p = Process();
  EXPECT_EQ(ToUtf8(p.programFolder), Prog());
  EXPECT_EQ(ToUtf8(p.workFolder), home_ + "/WebBrowser/");
  EXPECT_EQ(ToUtf8(p.dataFolder), config_ + "/WebBrowser/");
  EXPECT_EQ(p.portable, 0);
  EXPECT_EQ(p.startupTitle, u"WebBrowser");
  EXPECT_EQ(ToUtf8(ExpandPath(u".ini", p.dataFolder)), config_ + "/WebBrowser/tool.ini");
  // Nothing is created, and a missing work folder leaves the current directory alone.
  EXPECT_FALSE(fs::exists(home_ + "/WebBrowser"));
  EXPECT_FALSE(fs::exists(config_ + "/WebBrowser"));
  EXPECT_EQ(fs::current_path(), cwd_);
}

TEST_F(Folders, ExistingWorkFolderBecomesTheCurrentDirectory) {
  fs::create_directories(home_ + "/WebBrowser");
  SetUpForExecutable(Exe(), u"WebBrowser");
  EXPECT_EQ(fs::current_path(), fs::path(home_) / "WebBrowser");
}

TEST_F(Folders, TitleWithSlashNamesOneFolder) {
  SetUpForExecutable(Exe(), u"A/B");
  EXPECT_EQ(ToUtf8(Process().workFolder), home_ + "/A-B/");
  EXPECT_EQ(ToUtf8(Process().dataFolder), config_ + "/A-B/");
}

TEST_F(Folders, PortableSettingBesideTheExecutable) {
  const struct {
    std::string ini;
    int portable;
  } cases[] = {
      {"[tool]\nPortable=1\n", 1},   {"[tool]\nPortable=2\n", 2},
      {"[tool]\nportable = 1\n", 1},  // names ignore case and blanks, as profile files do
      {"[other]\nPortable=1\n", 0},  {"[tool]\nPortable=0\n", 0},
      {"[tool]\nPortable=yes\n", 0}, {"", 0},
  };
  for (const auto& c : cases) {
    WriteFile(prog_ / "tool.ini", c.ini);
    SetUpForExecutable(Exe(), u"WebBrowser");
    const ProcessValues& p = Process();
    EXPECT_EQ(p.portable, c.portable) << c.ini;
    if (c.portable > 0) {
      EXPECT_EQ(ToUtf8(p.workFolder), Prog() + "data/") << c.ini;
      EXPECT_EQ(ToUtf8(p.dataFolder), Prog()) << c.ini;
      EXPECT_EQ(ToUtf8(ExpandPath(u".ini", p.dataFolder)), Prog() + "tool.ini");
    } else {
      EXPECT_EQ(ToUtf8(p.workFolder), home_ + "/WebBrowser/") << c.ini;
    }
  }
  fs::remove(prog_ / "tool.ini");
  SetUpForExecutable(Exe(), u"WebBrowser");
  EXPECT_EQ(Process().portable, 0);
}

TEST_F(Folders, PortableIsReadWhereverItStandsInALargeSettingsFile) {
  // 50 MB of comments first: the entry lies far past the settings files' size limit.
  std::string ini = "[tool]\n";
  const std::string comment = "; " + std::string(998, 'c') + "\n";
  ini.reserve(50u << 20);
  while (ini.size() < (50u << 20)) ini += comment;
  WriteFile(prog_ / "tool.ini", ini + "Portable=1\n");
  SetUpForExecutable(Exe(), u"WebBrowser");
  EXPECT_EQ(Process().portable, 1);
  EXPECT_EQ(ToUtf8(Process().dataFolder), Prog());
  fs::remove(prog_ / "tool.ini");
}

TEST_F(Folders, PortableModeIsReadOncePerProcess) {
  WriteFile(prog_ / "tool.ini", "[tool]\nPortable=1\n");
  SetUpForExecutable(Exe(), u"WebBrowser");
  fs::create_directories(prog_ / "data");
  WriteFile(prog_ / "tool.ini", "[tool]\nPortable=0\n");
  StartupSetup();
  EXPECT_EQ(Process().portable, 1);
  EXPECT_EQ(ToUtf8(Process().dataFolder), Prog());
  EXPECT_EQ(fs::current_path(), prog_ / "data");
}

TEST_F(Folders, ProgramInstalledInTheDocumentsFolder) {
  UseDocumentsDir(prog_.string());
  SetUpForExecutable(Exe(), u"WebBrowser");
  EXPECT_EQ(ToUtf8(Process().workFolder), Prog() + "data/");
  EXPECT_EQ(ToUtf8(Process().dataFolder), config_ + "/WebBrowser/");
}

TEST_F(Folders, MissingDocumentsFolderFallsBackToTheProgramFolder) {
  UseDocumentsDir(home_ + "/NoSuchDocuments");
  SetUpForExecutable(Exe(), u"WebBrowser");
  EXPECT_EQ(ToUtf8(Process().documentsFolder), Prog());
  EXPECT_EQ(ToUtf8(Process().workFolder), Prog() + "data/");
  EXPECT_EQ(ToUtf8(Process().dataFolder), config_ + "/WebBrowser/");
}

TEST_F(Folders, FirstRunUsesTheExecutableNameUntilTheTitleIsSet) {
  Process() = ProcessValues{};
  Process().executablePath = FromUtf8(Exe());
  InitializeRuntimeSupport();
  EXPECT_EQ(ToUtf8(Process().workFolder), home_ + "/tool/");
  Process().applicationTitle = u"WebBrowser";
  StartupSetup();
  EXPECT_EQ(ToUtf8(Process().workFolder), home_ + "/WebBrowser/");
}

}  // namespace
}  // namespace wb

namespace wb {
namespace {

TEST(AlignLocale, TakesTheUsersLocaleAndKeepsTheCurrentOneWhenItIsMissing) {
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  const char* savedEnv = std::getenv("LC_ALL");
  const std::string savedLcAll = savedEnv ? savedEnv : "";

  std::setlocale(LC_ALL, "C");
  setenv("LC_ALL", "C.UTF-8", 1);
  AlignLocale();
  EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C.UTF-8");

  setenv("LC_ALL", "xx_NO.SUCH-LOCALE", 1);
  AlignLocale();
  EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C.UTF-8");

  if (savedEnv) {
    setenv("LC_ALL", savedLcAll.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
  std::setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace wb
