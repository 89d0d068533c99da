// The settings store at its limits: a file grown past the size limit, a read-only and a full
// file system. A change it cannot make is refused with its reason and leaves the file as it
// was; a file past the limit is read key by key up to it, never a key in half.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "model/reporting_store.h"
#include "storage/atomic_file.h"
#include "storage/copy_store.h"
#include "storage/ini_file.h"
#include "storage/settings_store.h"
#include "tests/common/tmpfs_mount.h"
#include "tests/core/settings_test_env.h"

namespace wb {
namespace {

using wbtest::SettingsTest;
using wbtest::TmpfsMount;

constexpr char kKeyLine[] = "[HKEY_CURRENT_USER\\Software\\Morvane\\";

// A hive larger than the limit: the key "Early" lies well within it, "Straddle" has one value
// before the limit and one after it, and "Late" lies wholly past it.
std::string OversizedHive() {
  std::string hive = "Windows Registry Editor Version 5.00\r\n\r\n";
  hive += std::string(kKeyLine) + "Early]\r\n\"n\"=\"early\"\r\n\r\n";
  hive += std::string(kKeyLine) + "Filler]\r\n";
  const std::string filler(1000, 'f');
  for (int i = 0; hive.size() < kMaxSettingsFileSize - 2000; ++i)
    hive += "\"f" + std::to_string(i) + "\"=\"" + filler + "\"\r\n";
  hive += "\r\n" + std::string(kKeyLine) + "Straddle]\r\n\"a\"=\"1\"\r\n";
  hive += "\"pad\"=\"" + std::string(3000, 'p') + "\"\r\n\"b\"=\"2\"\r\n";
  hive += "\r\n" + std::string(kKeyLine) + "Late]\r\n\"v\"=\"late\"\r\n";
  return hive;
}

class SettingsLimits : public SettingsTest {};

TEST_F(SettingsLimits, AHivePastTheLimitIsReadWholeKeysOnlyAndRefusesChangesWithTheReason) {
  const std::string hive = OversizedHive();
  ASSERT_GT(hive.size(), kMaxSettingsFileSize);
  Put(HivePath(), hive);

  const struct {
    const char16_t* key;
    const char16_t* name;
    const char16_t* value;
  } reads[] = {
      {u"Early", u"n", u"early"},
      {u"Filler", u"f0", nullptr},       // filled below: a key before the cut is read whole
      {u"Straddle", u"a", u"<absent>"},  // its key runs past the limit: not read in half
      {u"Straddle", u"b", u"<absent>"},
      {u"Late", u"v", u"<absent>"},
  };
  for (const auto& r : reads) {
    const Text expected = r.value ? Text(r.value) : Text(1000, u'f');
    EXPECT_EQ(ReadVar(r.key, r.name, u"<absent>"), expected) << ToUtf8(r.key);
  }

  const SettingsResult refused = WriteVars(u"Early", {{u"n", u"changed"}});
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.reason.find("larger than 16 MiB"), std::string::npos) << refused.reason;
  EXPECT_EQ(refused.path, HivePath());
  EXPECT_NE(refused.Message().find(HivePath()), std::string::npos);
  EXPECT_FALSE(WriteVar(u"Early", u"n", u"changed"));
  EXPECT_TRUE(ReadWholeFile(HivePath(), 2 * hive.size()) == hive) << "the hive was changed";
}

// The two places a copy's settings go, each on a file system that cannot take a change.
class SettingsOnABadFileSystem : public SettingsTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    Process().portable = GetParam();
  }
  // The folder that holds the settings file of this parameter.
  std::string Folder() const {
    return GetParam() == 1 ? ToUtf8(Process().dataFolder) : root_ + "/config/Morvane";
  }
  std::string File() const { return GetParam() == 1 ? IniPath() : HivePath(); }
};

TEST_P(SettingsOnABadFileSystem, AReadOnlyOneGivesTheReasonAndKeepsTheFile) {
  TmpfsMount mount(Folder(), 1 << 20);
  ASSERT_TRUE(WriteVar(u"K", u"v", u"before"));
  const std::string before = Contents(File());
  std::string reason;
  if (mount.MakeReadOnly()) {
    reason = "Read-only file system";
  } else if (geteuid() != 0) {
    // Without root, the folder's mode makes it read-only as well.
    ASSERT_EQ(::chmod(Folder().c_str(), 0500), 0);
    reason = "Permission denied";
  } else {
    GTEST_SKIP() << "neither a read-only mount nor file modes can refuse root here: "
                 << mount.Why();
  }
  const SettingsResult refused = WriteVars(u"K", {{u"v", u"after"}, {u"w", u"more"}});
  ::chmod(Folder().c_str(), 0700);
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.reason.find(reason), std::string::npos) << refused.reason;
  EXPECT_EQ(Contents(File()), before);
  EXPECT_EQ(ReadVar(u"K", u"v"), u"before");
  EXPECT_EQ(ReadVar(u"K", u"w", u"<absent>"), u"<absent>");
}

TEST_P(SettingsOnABadFileSystem, AFullOneGivesTheReasonAndKeepsTheFile) {
  TmpfsMount mount(Folder(), 64 << 10);
  if (!mount.Mounted()) GTEST_SKIP() << "a full file system needs a small mount: " << mount.Why();
  ASSERT_TRUE(WriteVar(u"K", u"v", Text(20 << 10, u'a')));
  const std::string before = Contents(File());
  const SettingsResult refused = WriteVars(u"K", {{u"w", Text(30 << 10, u'b')}});
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.reason.find("No space left on device"), std::string::npos) << refused.reason;
  EXPECT_EQ(Contents(File()), before);
  // The settings file's reads stop at 2047 characters, the hive's do not.
  EXPECT_EQ(ReadVar(u"K", u"v").substr(0, 2047), Text(2047, u'a'));
  // Once there is room again the same change is made.
  ASSERT_TRUE(WriteVars(u"K", {{u"v", {}}}).ok());
  EXPECT_TRUE(WriteVars(u"K", {{u"w", Text(30 << 10, u'b')}}).ok());
}

INSTANTIATE_TEST_SUITE_P(HiveAndIni, SettingsOnABadFileSystem, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "Ini" : "Hive"; });

TEST_F(SettingsLimits, SeveralValuesOfOneKeyAreOneReplacementOfTheFile) {
  ASSERT_TRUE(WriteVar(u"W", u"Left", u"5"));
  struct stat before;
  ASSERT_EQ(::stat(HivePath().c_str(), &before), 0);
  ASSERT_TRUE(
      WriteVars(u"W", {{u"Width", u"640"}, {u"Height", u"480"}, {u"Left", {}}, {u"Top", {}}}).ok());
  struct stat after;
  ASSERT_EQ(::stat(HivePath().c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);  // replaced
  EXPECT_EQ(ReadVar(u"W", u"Width"), u"640");
  EXPECT_EQ(ReadVar(u"W", u"Height"), u"480");
  EXPECT_EQ(ReadVar(u"W", u"Left", u"<absent>"), u"<absent>");
  // A change that changes nothing leaves the file alone.
  ASSERT_TRUE(WriteVars(u"W", {{u"Width", u"640"}, {u"Top", {}}}).ok());
  struct stat still;
  ASSERT_EQ(::stat(HivePath().c_str(), &still), 0);
  EXPECT_EQ(still.st_ino, after.st_ino);
  // One value the hive cannot hold refuses them all.
  EXPECT_FALSE(WriteVars(u"W", {{u"Width", u"700"}, {u"bad\nname", u"x"}}).ok());
  EXPECT_EQ(ReadVar(u"W", u"Width"), u"640");
}

TEST_F(SettingsLimits, PortableIsFoundWhereverItStandsInALargeIni) {
  const std::string path = root_ + "/big.ini";
  std::string ini = "[my.app]\r\nOther=1\r\n";
  while (ini.size() < kMaxSettingsFileSize + (1 << 20)) ini += "; " + std::string(4000, 'c') + "\n";
  ini += std::string(100000, 'l') + "\n";  // a line longer than the scan keeps
  ini += "  portable = \"1\"  \r\n[my.app]\r\nPortable=2\r\n";
  Put(path, ini);
  EXPECT_EQ(ReadIniEntryAnywhere(path, u"MY.APP", u"Portable"), Text(u"1"));
  EXPECT_EQ(ReadIniEntryAnywhere(path, u"my.app", u"Missing"), std::nullopt);
  EXPECT_EQ(ReadIniEntryAnywhere(path + ".none", u"my.app", u"Portable"), std::nullopt);
}

TEST(IniEntryScan, FindsWhatTheDocumentFinds) {
  const char* const files[] = {
      "[a]\nx=1\n[b]\nx=2\n",
      "\xEF\xBB\xBF[a]\r\n x = ' quoted ' \r\n",
      "[a]\n;x=comment\nx\nx=3\n",
      "[b]\nx=1\n[a\nx=damaged\n[a]\nx=4\n",
      "[a]\n[c]\nx=5\n[a]\nx=second section\n",
      "x=no section\n[ A ]\nX=6",
      "",
  };
  for (const char* file : files) {
    for (const char16_t* section : {u"a", u"b", u"c"}) {
      IniEntryScan scan(section, u"x");
      std::string_view rest = file;
      if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
      while (!rest.empty()) {
        const size_t end = rest.find('\n');
        if (!scan.Feed(rest.substr(0, end))) break;
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
      }
      EXPECT_EQ(scan.Result(), IniDocument(file).Read(section, u"x"))
          << file << " [" << ToUtf8(section) << "]";
    }
  }
}

TEST(ReportingCopyStore, EachCauseIsReportedOnce) {
  MemoryCopyStore inner;
  ReportingCopyStore store(inner);
  std::vector<std::string> reported;
  store.onRefused = [&](const SettingsResult& r) { reported.push_back(r.reason); };
  const char* const refusals[] = {"", "No space left on device", "No space left on device",
                                  "", "Read-only file system",   "No space left on device"};
  for (const char* refusal : refusals) {
    inner.refusal = refusal;
    const SettingsResult result = store.Write(CopyKey::kZoom, u"http://a", u"110");
    EXPECT_EQ(result.reason, refusal);
  }
  EXPECT_EQ(reported,
            (std::vector<std::string>{"No space left on device", "Read-only file system"}));
  EXPECT_EQ(store.Read(CopyKey::kZoom, u"http://a"), u"110");
}

TEST(CopyStore, EveryKeyLiesUnderTheCopysOwnName) {
  const struct {
    CopyKey key;
    const char16_t* path;
  } keys[] = {
      {CopyKey::kPermissions, u"#n\\Permissions"},
      {CopyKey::kZoom, u"#n\\Zoom"},
      {CopyKey::kWindow, u"#n\\Window"},
      {CopyKey::kFolders, u"#n\\Folders"},
  };
  for (const auto& k : keys) EXPECT_EQ(CopyKeyPath(k.key), k.path);
}

}  // namespace
}  // namespace wb
