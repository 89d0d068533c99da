// A copy with vendor= keeps everything under its vendor's names, and one without it keeps
// every path it always had; a copy given a vendor later keeps the settings it stored before.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/folders.h"
#include "platform/profile.h"
#include "storage/process_values.h"
#include "storage/registry_file.h"
#include "storage/settings_store.h"
#include "support/vendor_name.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

namespace fs = std::filesystem;

using wbtest::ReadFile;
using wbtest::WriteFile;

TEST(VendorName, FolderNamesOnly) {
  const struct {
    TextView value;
    TextView name;  // what VendorName keeps
  } cases[] = {
      {u"Greenleaf", u"Greenleaf"},
      {u"  Green Leaf Ltd.  ", u"Green Leaf Ltd."},
      {u"Grünblatt", u"Grünblatt"},
      {u"", u""},
      {u"   ", u""},
      {u"a/b", u""},
      {u"/", u""},
      {u".", u""},
      {u" .. ", u""},
      {u"...", u"..."},
      {u"tab\there", u""},
      {TextView(u"nul\0x", 5), u""},
      {u"c1\u0085", u""},
      {u"del\u007F", u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ToUtf8(VendorName(c.value)), ToUtf8(c.name)) << ToUtf8(c.value);
  EXPECT_EQ(VendorName(Text(kMaxVendorName, u'x')), Text(kMaxVendorName, u'x'));
  EXPECT_EQ(VendorName(Text(kMaxVendorName + 1, u'x')), u"");
  EXPECT_FALSE(VendorNameProblem(Text(kMaxVendorName + 1, u'x')).empty());
}

class VendorFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Process();
    cwd_ = fs::current_path();
    root_ = fs::path(wbtest::TestRoot()) / "vendor-folders";
    WriteFile(root_ / "shop.bin", "not really a program");
    config_ = std::getenv("XDG_CONFIG_HOME");
    data_ = std::getenv("XDG_DATA_HOME");
    cache_ = std::getenv("XDG_CACHE_HOME");
    fs::create_directories(config_);
  }
  void TearDown() override {
    fs::current_path(cwd_);
    Process() = saved_;
    fs::remove_all(root_);
    for (const char* name : {"Morvane", "Greenleaf"}) fs::remove_all(fs::path(config_) / name);
  }
  void UseVendor(const char16_t* vendor) {
    Process() = ProcessValues{};
    Process().executablePath = FromUtf8((root_ / "shop.bin").string());
    Process().applicationTitle = u"WebBrowser";
    Process().vendor = vendor;
    SetUpFolders();
  }
  std::string Hive(const std::string& folder) const {
    return config_ + "/" + folder + "/HKEY_CURRENT_USER.reg";
  }

  ProcessValues saved_;
  fs::path cwd_, root_;
  std::string config_, data_, cache_;
};

// Without a vendor every path is the one a copy always had, byte for byte.
TEST_F(VendorFolders, PathsFollowTheVendor) {
  const struct {
    const char16_t* vendor;
    std::string hive, data, cache, settingsFolder;
  } cases[] = {
      {u"", Hive("Morvane"), data_ + "/webbrowser/shop/", cache_ + "/webbrowser/shop/",
       config_ + "/WebBrowser/"},
      {u"Greenleaf", Hive("Greenleaf"), data_ + "/Greenleaf/shop/", cache_ + "/Greenleaf/shop/",
       config_ + "/Greenleaf/"},
  };
  for (const auto& c : cases) {
    UseVendor(c.vendor);
    const Profile profile = ProfileFor("shop", false);
    EXPECT_EQ(CurrentUserHivePath(), c.hive) << ToUtf8(c.vendor);
    EXPECT_EQ(profile.data, c.data) << ToUtf8(c.vendor);
    EXPECT_EQ(profile.cache, c.cache) << ToUtf8(c.vendor);
    EXPECT_EQ(ToUtf8(Process().dataFolder), c.settingsFolder) << ToUtf8(c.vendor);
    EXPECT_EQ(ToUtf8(FolderForKey(u"*dat")) + "/", c.settingsFolder) << ToUtf8(c.vendor);
  }
}

// The earlier hive is copied whole, once, only for a copy it has settings of, and never over a
// hive the vendor's place already has; the earlier file stays as it was.
TEST_F(VendorFolders, SettingsStoredBeforeTheVendorAreCarriedOver) {
  const std::string ours =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Morvane\\shop\\Zoom]\r\n\"https://a.example\"=\"150\"\r\n";
  const std::string others =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Morvane\\other\\Zoom]\r\n\"https://a.example\"=\"150\"\r\n";
  const std::string vendors = "Windows Registry Editor Version 5.00\r\n\r\n";
  const struct {
    const char* what;
    const char16_t* vendor;
    std::string earlier, before;  // the hive without vendor, the vendor's hive ("": none)
    bool carried;
    std::string after;  // the vendor's hive afterwards ("": none)
  } cases[] = {
      {"copy's settings", u"Greenleaf", ours, "", true, ours},
      {"another copy's only", u"Greenleaf", others, "", false, ""},
      {"no earlier hive", u"Greenleaf", "", "", false, ""},
      {"vendor's hive exists", u"Greenleaf", ours, vendors, false, vendors},
      {"no vendor", u"", ours, "", false, ""},
  };
  for (const auto& c : cases) {
    TearDown();
    SetUp();
    if (!c.earlier.empty()) WriteFile(Hive("Morvane"), c.earlier);
    if (!c.before.empty()) WriteFile(Hive("Greenleaf"), c.before);
    UseVendor(c.vendor);
    EXPECT_EQ(CarryOverEarlierSettings(), c.carried) << c.what;
    EXPECT_EQ(fs::exists(Hive("Greenleaf")) ? ReadFile(Hive("Greenleaf")) : "", c.after) << c.what;
    EXPECT_EQ(fs::exists(Hive("Morvane")) ? ReadFile(Hive("Morvane")) : "", c.earlier) << c.what;
    if (c.carried) {
      EXPECT_EQ(ReadVar(u"#n\\Zoom", u"https://a.example"), u"150") << c.what;
    }
  }
}

// A tool acting for a copy takes the vendor from the copy's block.
TEST_F(VendorFolders, ToolsFollowTheCopysVendor) {
  const std::string program = (root_ / "program").string();
  fs::copy_file(WB_WBCTL_PATH, program);
  const std::string copy = (root_ / "greenleaf").string();
  const wbtest::ToolRun brand = wbtest::Wbctl({"brand", program, copy, "vendor=Greenleaf"});
  ASSERT_EQ(brand.status, 0) << brand.err;
  const wbtest::ToolRun paths = wbtest::Wbctl({"paths", "--exe", copy});
  ASSERT_EQ(paths.status, 0) << paths.err;
  EXPECT_NE(paths.out.find("settings=" + Hive("Greenleaf") + "\n"), std::string::npos) << paths.out;
  EXPECT_NE(paths.out.find("data=" + config_ + "/Greenleaf/\n"), std::string::npos) << paths.out;
  SetUpForExecutable(copy, u"WebBrowser");
  EXPECT_EQ(Process().vendor, u"Greenleaf");
  SetUpForExecutable(program, u"WebBrowser");
  EXPECT_EQ(Process().vendor, u"");
}

}  // namespace
}  // namespace wb
