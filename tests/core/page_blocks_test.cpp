// The style and script blocks of a copy: written beside the configuration and the icon, read
// back as they were, refused when they could not be used.
#include "storage/page_blocks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "storage/fsx.h"
#include "storage/icon_block.h"
#include "storage/window_config.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

std::string CopyPath(const std::string& name) {
  const std::string dir = wbtest::TestRoot() + "/page-blocks";
  std::filesystem::create_directories(dir);
  return dir + "/" + name;
}

// A copy as wbctl brand writes it: the configuration, the icon, the style and the script
// block, each left out when empty.
std::string WriteCopy(const std::string& name, const std::string& config, const std::string& style,
                      const std::string& script) {
  const std::string path = CopyPath(name);
  wbtest::WriteFile(path,
                    "\x7F"
                    "ELF image bytes");
  TFSx file(path, u"w");
  file.wBlock(kConfigBlockName, FromAnsi(config));
  file.wBlock(kIconBlockName, FromAnsi(IconBlockContent("\x89PNG")));
  if (!style.empty()) file.wBlock(kStyleBlockName, FromAnsi(style));
  if (!script.empty()) file.wBlock(kScriptBlockName, FromAnsi(script));
  return path;
}

TEST(PageBlocks, ReadBackBesideTheOtherBlocks) {
  const struct {
    const char* what;
    std::string style, script;
  } cases[] = {
      {"both", "body { color: red }\n.app-banner { display: none !important }",
       "document.title = 'x';\r\n"},
      // Text beyond the block's code page, and lines that look like a block boundary.
      {"UTF-8 and boundaries", "/* caf\xC3\xA9 \xE2\x9C\x93 */\n--!WebBrowser[\n",
       "// \xF0\x9F\x98\x80\n-->"},
      {"style only", "p{}", ""},
      {"script only", "", "1;"},
      {"neither", "", ""},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = WriteCopy("copy" + std::to_string(n++), "title=T",
                                       c.style.empty() ? "" : PageBlockContent(c.style),
                                       c.script.empty() ? "" : PageBlockContent(c.script));
    EXPECT_EQ(ReadPageBlock(path, kStyleBlockName), c.style) << c.what;
    EXPECT_EQ(ReadPageBlock(path, kScriptBlockName), c.script) << c.what;
    const WindowConfig config = ReadWindowConfig("", path);
    EXPECT_EQ(config.style, c.style) << c.what;
    EXPECT_EQ(config.script, c.script) << c.what;
    EXPECT_EQ(config.caption, u"T") << c.what;
  }
}

TEST(PageBlocks, WhatCannotBeCarried) {
  const struct {
    std::string text;
    const char* problem;
  } cases[] = {
      {"body{}", ""},
      {"", ""},
      {std::string(kMaxPageBlockBytes, 'a'), ""},
      {std::string(kMaxPageBlockBytes + 1, 'a'), "larger than 1048576 bytes"},
      {"caf\xE9", "not valid UTF-8"},
      {"\xC3", "not valid UTF-8"},
      {"\xED\xA0\x80", "not valid UTF-8"},
      {std::string("a\0b", 3), "holds a NUL character"},
  };
  for (const auto& c : cases) EXPECT_EQ(PageBlockProblem(c.text), c.problem) << c.text.size();
}

TEST(PageBlocks, ADamagedBlockGivesNothing) {
  const struct {
    const char* what;
    std::string content;
  } cases[] = {
      {"not Base64", "body { color: red }"},
      {"not UTF-8 inside", PageBlockContent("caf\xE9")},
      {"more than the limit", PageBlockContent(std::string(kMaxPageBlockBytes + 1, 'p'))},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string path = WriteCopy("bad" + std::to_string(n++), "title=T", c.content, "");
    EXPECT_EQ(ReadPageBlock(path, kStyleBlockName), "") << c.what;
    EXPECT_EQ(ReadConfigBlock(path), "title=T") << c.what;
  }
  const std::string missing = CopyPath("missing");
  EXPECT_EQ(ReadPageBlock(missing, kScriptBlockName), "");
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace wb
