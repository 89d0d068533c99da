#include "storage/icon_block.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "storage/fsx.h"
#include "storage/window_config.h"
#include "support/base64.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

// Every byte value, as a picture file holds them.
std::string AllBytes() {
  std::string bytes;
  for (int round = 0; round < 4; ++round) {
    for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  }
  return bytes;
}

std::string CopyPath(const std::string& name) {
  const std::string dir = wbtest::TestRoot() + "/icon-block";
  std::filesystem::create_directories(dir);
  return dir + "/" + name;
}

// A copy as wbctl brand writes it: some image bytes, the configuration block, then the icon
// block with `iconContent` (none when it is empty).
std::string WriteCopy(const std::string& name, const std::string& config,
                      const std::string& iconContent) {
  const std::string path = CopyPath(name);
  wbtest::WriteFile(path,
                    "\x7F"
                    "ELF image bytes");
  TFSx file(path, u"w");
  file.wBlock(kConfigBlockName, FromAnsi(config));
  if (!iconContent.empty()) file.wBlock(kIconBlockName, FromAnsi(iconContent));
  return path;
}

TEST(IconBlock, TheContentNeverHoldsABoundary) {
  // Base64 has neither "-" nor "!", so no picture can end the block early or start another.
  const std::string content = IconBlockContent(AllBytes());
  EXPECT_FALSE(TFSx("memory", u"m").HoldsBoundary(FromAnsi(content)));
  EXPECT_EQ(content.find_first_not_of(
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=\r\n"),
            std::string::npos);
}

TEST(IconBlock, ReadsBackBesideTheConfiguration) {
  struct Case {
    const char* what;
    std::string config;
    std::string icon;
  };
  const Case cases[] = {
      {"a configuration and an icon", "title=Shop\r\ngo=https://shop.example/", AllBytes()},
      {"an empty configuration", "", "\x89PNG"},
      {"a one-byte icon", "single=1", "x"},
      {"no icon", "title=Plain", ""},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = WriteCopy("copy" + std::to_string(n++), c.config,
                                       c.icon.empty() ? "" : IconBlockContent(c.icon));
    EXPECT_EQ(ReadIconBlock(path), c.icon) << c.what;
    // The configuration ends where the icon block begins.
    EXPECT_EQ(ReadConfigBlock(path), c.config) << c.what;
  }
}

TEST(IconBlock, ABlockThatIsNoIconGivesNone) {
  struct Case {
    const char* what;
    std::string content;
  };
  const Case cases[] = {
      {"not Base64", "this is no picture!"},
      {"Base64 cut short", IconBlockContent("abcd").substr(0, 6)},
      {"more than the limit", IconBlockContent(std::string(kMaxIconBytes + 1, 'p'))},
      {"blanks only", " \r\n "},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = WriteCopy("bad" + std::to_string(n++), "title=T", c.content);
    EXPECT_EQ(ReadIconBlock(path), "") << c.what;
    EXPECT_EQ(ReadConfigBlock(path), "title=T") << c.what;
  }
  // The largest icon still reads.
  const std::string largest(kMaxIconBytes, 'q');
  EXPECT_EQ(ReadIconBlock(WriteCopy("largest", "", IconBlockContent(largest))), largest);
}

TEST(IconBlock, AMissingFileHasNoIconAndStaysMissing) {
  const std::string path = CopyPath("missing");
  EXPECT_EQ(ReadIconBlock(path), "");
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(IconBlock, OnlyTheExactNameIsTheIcon) {
  const std::string path = CopyPath("other-names");
  wbtest::WriteFile(path, "image");
  {
    TFSx file(path, u"w");
    file.wBlock(u"WebBrowser", u"title=T");
    file.wBlock(u"webbrowser.icon", FromAnsi(IconBlockContent("lower")));
    file.wBlock(u"WebBrowser.icon", FromAnsi(IconBlockContent("exact")));
  }
  EXPECT_EQ(ReadIconBlock(path), "exact");
}

}  // namespace
}  // namespace wb
