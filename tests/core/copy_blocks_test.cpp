// The Base64 blocks of a copy (the icon, the style and the script): written beside the
// configuration, read back as they were, refused when they could not be used.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "storage/base64_block.h"
#include "storage/fsx.h"
#include "storage/icon_block.h"
#include "storage/page_blocks.h"
#include "storage/window_config.h"
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
  const std::string dir = wbtest::TestRoot() + "/copy-blocks";
  std::filesystem::create_directories(dir);
  return dir + "/" + name;
}

// The contents of the blocks after the configuration, each left out when empty.
struct Contents {
  std::string icon, style, script;
};

// A copy as wbctl brand writes it: some image bytes, the configuration block, then the icon,
// the style and the script block with the contents given.
std::string WriteCopy(const std::string& name, const std::string& config, const Contents& in) {
  const std::string path = CopyPath(name);
  wbtest::WriteFile(path,
                    "\x7F"
                    "ELF image bytes");
  TFSx file(path, u"w");
  file.wBlock(kConfigBlockName, FromAnsi(config));
  if (!in.icon.empty()) file.wBlock(kIconBlockName, FromAnsi(in.icon));
  if (!in.style.empty()) file.wBlock(kStyleBlockName, FromAnsi(in.style));
  if (!in.script.empty()) file.wBlock(kScriptBlockName, FromAnsi(in.script));
  return path;
}

std::string ContentOf(const std::string& bytes) {
  return bytes.empty() ? "" : Base64BlockContent(bytes);
}

// What the program reads of the block `name`, by the reader the program uses for it.
std::string ReadBlock(const std::string& path, std::u16string_view name) {
  return name == kIconBlockName ? ReadIconBlock(path) : ReadPageBlock(path, name);
}

TEST(CopyBlocks, TheContentNeverHoldsABoundary) {
  // Base64 has neither "-" nor "!", so no picture can end the block early or start another.
  const std::string content = Base64BlockContent(AllBytes());
  EXPECT_FALSE(TFSx("memory", u"m").HoldsBoundary(FromAnsi(content)));
  EXPECT_EQ(content.find_first_not_of(
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=\r\n"),
            std::string::npos);
}

TEST(CopyBlocks, ReadBackBesideTheConfiguration) {
  const struct {
    const char* what;
    std::string config;
    std::u16string caption;
    std::string icon, style, script;
  } cases[] = {
      {"a configuration and an icon", "title=Shop\r\ngo=https://shop.example/", u"Shop", AllBytes(),
       "", ""},
      {"an empty configuration", "", u"", "\x89PNG", "", ""},
      {"a one-byte icon", "single=1", u"", "x", "", ""},
      {"no icon", "title=Plain", u"Plain", "", "", ""},
      {"style and script", "title=T", u"T", "\x89PNG",
       "body { color: red }\n.app-banner { display: none !important }",
       "document.title = 'x';\r\n"},
      // Text beyond the block's code page, and lines that look like a block boundary.
      {"UTF-8 and boundaries", "title=T", u"T", "\x89PNG",
       "/* caf\xC3\xA9 \xE2\x9C\x93 */\n--!WebBrowser[\n", "// \xF0\x9F\x98\x80\n-->"},
      {"style only", "title=T", u"T", "\x89PNG", "p{}", ""},
      {"script only", "title=T", u"T", "\x89PNG", "", "1;"},
      {"neither", "title=T", u"T", "\x89PNG", "", ""},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path =
        WriteCopy("copy" + std::to_string(n++), c.config,
                  {ContentOf(c.icon), ContentOf(c.style), ContentOf(c.script)});
    EXPECT_EQ(ReadIconBlock(path), c.icon);
    EXPECT_EQ(ReadPageBlock(path, kStyleBlockName), c.style);
    EXPECT_EQ(ReadPageBlock(path, kScriptBlockName), c.script);
    // The configuration ends where the next block begins.
    EXPECT_EQ(ReadConfigBlock(path), c.config);
    const WindowConfig config = ReadWindowConfig("", path);
    EXPECT_EQ(config.style, c.style);
    EXPECT_EQ(config.script, c.script);
    EXPECT_EQ(config.caption, c.caption);
  }
}

TEST(CopyBlocks, WhatCannotBeCarried) {
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

// A damaged block gives nothing, and what is wrong with it; the configuration before it and the
// blocks beside it still read.
TEST(CopyBlocks, ADamagedBlockGivesNothing) {
  const struct {
    const char* what;
    std::u16string_view name;
    std::string content;
    const char* problem;
  } cases[] = {
      {"icon not Base64", kIconBlockName, "this is no picture!", "not Base64"},
      {"icon Base64 cut short", kIconBlockName, Base64BlockContent("abcd").substr(0, 6),
       "not Base64"},
      {"icon more than the limit", kIconBlockName,
       Base64BlockContent(std::string(kMaxIconBytes + 1, 'p')), "larger than 1048576 bytes"},
      {"icon blanks only", kIconBlockName, " \r\n ", ""},
      {"style not Base64", kStyleBlockName, "body { color: red }", "not Base64"},
      {"style not UTF-8 inside", kStyleBlockName, Base64BlockContent("caf\xE9"), "not valid UTF-8"},
      {"style more than the limit", kStyleBlockName,
       Base64BlockContent(std::string(kMaxPageBlockBytes + 1, 'p')), "larger than 1048576 bytes"},
      {"script holding a NUL", kScriptBlockName, Base64BlockContent(std::string("a\0b", 3)),
       "holds a NUL character"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Contents contents{ContentOf("\x89PNG"), ContentOf("p{}"), ContentOf("1;")};
    if (c.name == kIconBlockName) contents.icon = c.content;
    if (c.name == kStyleBlockName) contents.style = c.content;
    if (c.name == kScriptBlockName) contents.script = c.content;
    const std::string path = WriteCopy("bad" + std::to_string(n++), "title=T", contents);
    EXPECT_EQ(ReadBlock(path, c.name), "");
    if (c.name == kIconBlockName) {
      EXPECT_EQ(ReadBase64Block(path, c.name, kMaxIconBytes).problem, c.problem);
    } else {
      const PageBlock block = ReadPageBlockChecked(path, c.name);
      EXPECT_TRUE(block.present);
      EXPECT_EQ(block.problem, c.problem);
    }
    EXPECT_EQ(ReadConfigBlock(path), "title=T");
    for (const auto other : {kIconBlockName, kStyleBlockName, kScriptBlockName}) {
      if (other != c.name) {
        EXPECT_NE(ReadBlock(path, other), "") << ToUtf8(other);
      }
    }
  }
}

TEST(CopyBlocks, TheLargestBlocksStillRead) {
  const std::string largestIcon(kMaxIconBytes, 'q');
  EXPECT_EQ(ReadIconBlock(WriteCopy("largest-icon", "", {ContentOf(largestIcon), "", ""})),
            largestIcon);
  const std::string largestStyle(kMaxPageBlockBytes, 'q');
  EXPECT_EQ(ReadPageBlock(WriteCopy("largest-style", "", {"", ContentOf(largestStyle), ""}),
                          kStyleBlockName),
            largestStyle);
}

TEST(CopyBlocks, AMissingFileHasNoBlocksAndStaysMissing) {
  const std::string path = CopyPath("missing");
  for (const auto name : {kIconBlockName, kStyleBlockName, kScriptBlockName}) {
    EXPECT_EQ(ReadBlock(path, name), "") << ToUtf8(name);
    EXPECT_FALSE(ReadBase64Block(path, name, kMaxPageBlockBytes).present) << ToUtf8(name);
  }
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(CopyBlocks, OnlyTheExactNameIsTheBlock) {
  const std::string path = CopyPath("other-names");
  wbtest::WriteFile(path, "image");
  {
    TFSx file(path, u"w");
    file.wBlock(u"WebBrowser", u"title=T");
    WriteBase64Block(file, u"webbrowser.icon", "lower");
    WriteBase64Block(file, u"WebBrowser.icon", "exact");
    WriteBase64Block(file, u"webbrowser.CSS", "lower{}");
    WriteBase64Block(file, u"WebBrowser.css", "exact{}");
  }
  EXPECT_EQ(ReadIconBlock(path), "exact");
  EXPECT_EQ(ReadPageBlock(path, kStyleBlockName), "exact{}");
}

}  // namespace
}  // namespace wb
