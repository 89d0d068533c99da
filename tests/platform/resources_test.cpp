#include "platform/resources.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "storage/elf_file.h"
#include "storage/value_list.h"
#include "support/maker.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

using wbtest::ReadFile;
using wbtest::WriteFile;

// The default configuration as the build wrote it from resources/WebBrowser.txt.in.
const std::string kShippedPath = std::string(WB_BINARY_DIR) + "/resources/WebBrowser.txt";

TEST(LoadResText, FindsTheBundleFileWhateverTheCaseAndDots) {
  const std::string shipped = ReadFile(kShippedPath);
  ASSERT_FALSE(shipped.empty());
  for (const char16_t* name :
       {u"WebBrowser.txt", u"webbrowser.TXT", u"WEBBROWSER_TXT", u"WebBrowser_txt"}) {
    EXPECT_EQ(LoadResText(name), shipped) << ToUtf8(name);
  }
  for (const char16_t* name : {u"", u"nope.txt", u"WebBrowser", u"WebBrowser.txt.bak"}) {
    EXPECT_EQ(LoadResText(name), "") << ToUtf8(name);
  }
}

TEST(LoadResText, NamesAreUpperCasedWithEveryDotReplaced) {
  EXPECT_EQ(ResourceName(u"a.b.c"), "A_B_C");
  EXPECT_EQ(ResourceName(u"logo.png"), "LOGO_PNG");
  EXPECT_EQ(ResourceName(u"caf\u00E9.gif"), "CAF\xC3\x89_GIF");
  EXPECT_EQ(ResourcePath(u"WebBrowser.txt"), "/wb/WEBBROWSER_TXT");
}

TEST(LoadResText, ShippedDefaults) {
  const std::string shipped = LoadResText(u"WebBrowser.txt");
  // Every line ends with CR LF, and there is no other line break.
  std::size_t lineEnds = 0;
  for (std::size_t i = 0; i < shipped.size(); ++i) {
    if (shipped[i] == '\n') {
      ++lineEnds;
      EXPECT_TRUE(i > 0 && shipped[i - 1] == '\r') << "LF without CR at " << i;
    } else if (shipped[i] == '\r') {
      EXPECT_TRUE(i + 1 < shipped.size() && shipped[i + 1] == '\n') << "lone CR at " << i;
    }
  }
  ASSERT_FALSE(shipped.empty());
  EXPECT_EQ(shipped.back(), '\n');
  const ValueList expected = {u"title=" + Text(kCompanyName),
                              u"showbanner=0",
                              u"webinfo=0",
                              u"vis=-",
                              u"width=1000",
                              u"height=800",
                              u"color=15780518",
                              u"go=" + Text(kBaseWebAddress)};
  EXPECT_EQ(lineEnds, expected.size());
  ValueList values;
  TextToValues(FromAnsi(shipped), values);
  EXPECT_EQ(values, expected);
}

TEST(LoadResText, ReadsAnotherExecutablesBundleFromItsFile) {
  const std::string own = LoadResText(u"WebBrowser.txt");
  EXPECT_EQ(LoadResTextFromFile(WB_WBCTL_PATH, u"webbrowser.txt"), own);
  EXPECT_EQ(LoadResTextFromFile("/proc/self/exe", u"WebBrowser.txt"), own);
  EXPECT_EQ(LoadResTextFromFile(WB_WBCTL_PATH, u"missing.txt"), "");
  EXPECT_EQ(LoadResTextFromFile(kShippedPath, u"WebBrowser.txt"), "");  // not ELF
  EXPECT_EQ(LoadResTextFromFile(wbtest::TestRoot() + "/none", u"WebBrowser.txt"), "");
}

TEST(LoadResText, ADamagedBundleReadsAsEmpty) {
  const auto range = ElfSectionRange(WB_WBCTL_PATH, ".wbres");
  ASSERT_TRUE(range.has_value());
  ASSERT_GT(range->second, 16u);
  const std::string original = ReadFile(WB_WBCTL_PATH);
  struct Damage {
    const char* what;
    std::uint64_t at, length;
    char fill;
    bool mustBeEmpty;
  };
  const Damage damages[] = {
      {"header overwritten", 0, 8, '\xFF', true},
      {"whole bundle zeroed", 0, range->second, '\0', true},
      {"tail overwritten", range->second / 2, range->second - range->second / 2, '\x7F', false},
  };
  const std::string path = wbtest::TestRoot() + "/damaged";
  for (const auto& d : damages) {
    std::string bytes = original;
    bytes.replace(range->first + d.at, d.length, d.length, d.fill);
    WriteFile(path, bytes);
    const std::string text = LoadResTextFromFile(path, u"WebBrowser.txt");
    // Whatever survives must be empty or the real text, never garbage or a crash.
    if (d.mustBeEmpty) {
      EXPECT_EQ(text, "") << d.what;
    } else {
      EXPECT_TRUE(text.empty() || text == LoadResText(u"WebBrowser.txt")) << d.what;
    }
  }
}

TEST(LoadResText, RegisteredBundleServesResourcePaths) {
  RegisterProgramResources();
  RegisterProgramResources();
  GBytes* bytes = g_resources_lookup_data(ResourcePath(u"WebBrowser.txt").c_str(),
                                          G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(g_bytes_get_size(bytes), LoadResText(u"WebBrowser.txt").size());
  g_bytes_unref(bytes);
}

}  // namespace
}  // namespace wb
