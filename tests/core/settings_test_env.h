#pragma once
// A fresh settings world for one test: its own XDG_CONFIG_HOME (so its own registry hive), its
// own program, data and work folders, and process values for an executable named
// "my.app.bin" with the title "WebBrowser". The process values and the environment are
// restored afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "storage/atomic_file.h"
#include "storage/process_values.h"
#include "support/text.h"
#include "tests/common/test_env.h"

namespace wbtest {

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    saved_ = wb::Process();
    const char* config = getenv("XDG_CONFIG_HOME");
    savedConfig_ = config ? config : "";
    root_ = base_ + "/settings-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    std::filesystem::create_directories(root_ + "/prog");
    setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);
    auto& p = wb::Process();
    p.applicationTitle = u"WebBrowser";
    p.startupTitle = u"WebBrowser";
    p.executablePath = wb::FromUtf8(root_ + "/prog/my.app.bin");
    p.programFolder = wb::FromUtf8(root_ + "/prog/");
    p.dataFolder = wb::FromUtf8(root_ + "/data/WebBrowser/");
    p.workFolder = wb::FromUtf8(root_ + "/work/WebBrowser/");
    p.portable = 0;
  }
  void TearDown() override {
    if (base_ != TestRoot()) std::filesystem::remove_all(root_);
    wb::Process() = saved_;
    setenv("XDG_CONFIG_HOME", savedConfig_.c_str(), 1);
  }

  std::string HivePath() const { return root_ + "/config/Morvane/HKEY_CURRENT_USER.reg"; }
  // The settings file in the data folder (the program folder in portable operation).
  std::string IniPath() const { return wb::ToUtf8(wb::Process().dataFolder) + "my.app.ini"; }
  static std::string Contents(const std::string& path) {
    return wb::ReadWholeFile(path).value_or("<missing>");
  }
  static void Put(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }

  // Tests that write thousands of times put their files into memory (/dev/shm) where that is
  // available: flushing to a busy disk would make them slow, and what they check (locking,
  // re-reading, atomic replacement) does not depend on the kind of file system.
  void UseMemoryFileSystem() {
    if (access("/dev/shm", W_OK) == 0) base_ = "/dev/shm";
  }

  std::string base_ = TestRoot();
  std::string root_;

 private:
  wb::ProcessValues saved_;
  std::string savedConfig_;
};

}  // namespace wbtest
