// wbctl profile clear against profile folders that hold symbolic links: a link goes as a
// link, whatever it leads to stays, and a profile reached through a link is not the copy's.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

namespace fs = std::filesystem;
using wbtest::kProgram;
using wbtest::ReadFile;
using wbtest::Wbctl;
using wbtest::WriteFile;

// A branded copy named `name` in a folder of its own, portable when asked.
std::string Copy(const std::string& name, bool portable) {
  const std::string folder = wbtest::TestRoot() + "/profile-" + name;
  fs::create_directories(folder);
  const std::string exe = folder + "/" + name;
  EXPECT_EQ(Wbctl({"brand", kProgram, exe}).status, 0);
  if (portable) WriteFile(exe + ".ini", "[" + name + "]\nPortable=1\n");
  return exe;
}

// Files outside every profile that links lead to: the test checks that each keeps its content.
struct Outside {
  std::string folder;
  explicit Outside(const std::string& name) : folder(wbtest::TestRoot() + "/outside-" + name) {
    WriteFile(folder + "/keep.txt", "keep");
    WriteFile(folder + "/sub/deep.txt", "deep");
  }
  bool Intact() const {
    return ReadFile(folder + "/keep.txt") == "keep" && ReadFile(folder + "/sub/deep.txt") == "deep";
  }
};

TEST(WbctlProfile, ClearRemovesLinksAsLinksAndNeverWhatTheyLeadTo) {
  struct Case {
    const char* what;
    bool portable;
    // Makes the profile's folders; `data` and `cache` are the paths "profile path" printed.
    std::function<void(const std::string& data, const std::string& cache, const Outside&)> make;
  };
  const Case cases[] = {
      {"the data folder is a link", false,
       [](const std::string& data, const std::string& cache, const Outside& outside) {
         fs::create_directories(fs::path(data).parent_path().parent_path());
         fs::create_directory_symlink(outside.folder, fs::path(data).parent_path());
         WriteFile(cache + "/entry", "cached");
       }},
      {"links inside the profile", false,
       [](const std::string& data, const std::string& cache, const Outside& outside) {
         WriteFile(data + "/cookies.sqlite", "cookies");
         fs::create_directory_symlink(outside.folder, data + "/folder-link");
         fs::create_symlink(outside.folder + "/keep.txt", data + "/file-link");
         WriteFile(cache + "/sub/entry", "cached");
         fs::create_directory_symlink(outside.folder + "/sub", cache + "/sub/link");
       }},
      {"a portable copy's data folder is a link", true,
       [](const std::string& data, const std::string& cache, const Outside& outside) {
         fs::create_directories(fs::path(data).parent_path().parent_path());
         fs::create_directory_symlink(outside.folder, fs::path(data).parent_path());
         fs::create_directory_symlink(outside.folder + "/sub", fs::path(cache).parent_path());
       }},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = "clear" + std::to_string(++n);
    const std::string exe = Copy(name, c.portable);
    auto path = Wbctl({"profile", "--exe", exe, "path"});
    ASSERT_EQ(path.status, 0) << path.err;
    const auto value = [&path](const std::string& key) {
      const auto at = path.out.find(key + "=");
      return path.out.substr(at + key.size() + 1, path.out.find('\n', at) - at - key.size() - 1);
    };
    const std::string data = value("data"), cache = value("cache");
    ASSERT_EQ(data.back(), '/');
    if (c.portable) {
      EXPECT_EQ(data.rfind(fs::path(exe).parent_path().string() + "/profiles/", 0), 0u) << data;
    }
    const Outside outside(name);
    c.make(data, cache, outside);

    auto clear = Wbctl({"profile", "--exe", exe, "clear"});
    EXPECT_EQ(clear.status, 0) << clear.err;
    EXPECT_EQ(clear.out, "removed=" + data + "\nremoved=" + cache + "\n");
    EXPECT_TRUE(outside.Intact());
    for (const std::string& folder : {data, cache}) {
      const fs::path without = fs::path(folder).parent_path();
      EXPECT_FALSE(fs::exists(fs::symlink_status(without))) << without;
    }
  }
}

// A profile that lies below a link in the copy's own part of the path (the folder of all
// profiles beside a portable copy, unpacked from an archive) is not the copy's: nothing goes.
TEST(WbctlProfile, ClearRefusesAProfileReachedThroughALinkOrNoFolder) {
  struct Case {
    const char* what;
    bool portable;
    std::function<void(const std::string& exe, const std::string& data, const Outside&)> make;
    std::string refused;  // what the message names, relative to the copy's folder or data
  };
  const Case cases[] = {
      {"the profiles folder beside a portable copy is a link", true,
       [](const std::string& exe, const std::string&, const Outside& outside) {
         fs::create_directories(outside.folder + "/refuse1/data");
         WriteFile(outside.folder + "/refuse1/data/keep.txt", "keep");
         fs::create_directory_symlink(outside.folder, fs::path(exe).parent_path() / "profiles");
       },
       "/profiles/: a symbolic link"},
      {"the profile is a file", false,
       [](const std::string&, const std::string& data, const Outside&) {
         WriteFile(fs::path(data).parent_path(), "a file");
       },
       "not a folder"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = "refuse" + std::to_string(++n);
    const std::string exe = Copy(name, c.portable);
    auto path = Wbctl({"profile", "--exe", exe, "path"});
    ASSERT_EQ(path.status, 0) << path.err;
    const std::string data = path.out.substr(5, path.out.find('\n') - 5);
    const Outside outside(name);
    c.make(exe, data, outside);
    const std::string cacheFile = wbtest::TestRoot() + "/cache/webbrowser/" + name + "/entry";
    if (!c.portable) WriteFile(cacheFile, "cached");

    auto clear = Wbctl({"profile", "--exe", exe, "clear"});
    EXPECT_EQ(clear.status, 1);
    EXPECT_NE(clear.err.find(c.refused), std::string::npos) << clear.err;
    EXPECT_EQ(clear.out, "");
    EXPECT_TRUE(outside.Intact());
    if (c.portable) {
      EXPECT_EQ(ReadFile(outside.folder + "/" + name + "/data/keep.txt"), "keep");
    } else {
      EXPECT_EQ(ReadFile(cacheFile), "cached");  // the other folder stays too
    }
  }
}

}  // namespace
}  // namespace wb

namespace wb {
namespace {

// A copy's name is its file name without the extension, so "..x" is named "." and "...x"
// "..": names of no folder of their own, which once became the program's own profile folder.
// Such a copy has no profile: its "profile clear" removes nothing of the program's, and brand
// does not make one.
TEST(WbctlProfile, ACopyNamedWithDotsAloneNeverTouchesTheProgramsProfile) {
  const auto own = Wbctl({"profile", "--exe", kProgram, "path"});
  ASSERT_EQ(own.status, 0) << own.err;
  const std::string data = own.out.substr(5, own.out.find('\n') - 5);
  WriteFile(data + "cookies.sqlite", "the program's cookies");
  for (const char* name : {"..x", "...x"}) {
    SCOPED_TRACE(name);
    const std::string folder = wbtest::TestRoot() + "/dots-" + std::to_string(name[2] == '.');
    fs::create_directories(folder);
    const std::string exe = folder + "/" + name;
    const auto brand = Wbctl({"brand", kProgram, exe, "title=Dots"});
    EXPECT_EQ(brand.status, 1);
    EXPECT_NE(brand.err.find("made of dots alone"), std::string::npos) << brand.err;
    EXPECT_FALSE(fs::exists(exe));

    fs::copy_file(kProgram, exe);
    for (const char* action : {"path", "clear"}) {
      const auto run = Wbctl({"profile", "--exe", exe, action});
      EXPECT_EQ(run.status, 1) << action << ": " << run.out;
      EXPECT_NE(run.err.find("made of dots alone"), std::string::npos) << run.err;
    }
    EXPECT_EQ(ReadFile(data + "cookies.sqlite"), "the program's cookies");
  }
}

}  // namespace
}  // namespace wb
