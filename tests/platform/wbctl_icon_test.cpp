// wbctl brand --icon and show --icon on the real program: the icon a copy carries, and the
// program's own when it carries none.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "storage/fsx.h"
#include "storage/icon_block.h"
#include "tests/common/pictures.h"
#include "tests/common/run_tool.h"
#include "tests/common/test_env.h"
#include "tests/common/test_files.h"

namespace wb {
namespace {

using wbtest::kProgram;

using wbtest::LoadPixels;
using wbtest::ReadFile;
using wbtest::Wbctl;
using wbtest::WriteFile;

std::string Path(const std::string& name) {
  const std::string dir = wbtest::TestRoot() + "/wbctl-icon";
  std::filesystem::create_directories(dir);
  return dir + "/" + name;
}

const char kSvg[] =
    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"40\" height=\"20\">"
    "<rect width=\"40\" height=\"20\" fill=\"#C8102E\"/></svg>\n";

TEST(WbctlIcon, ShowGivesBackThePixelsBrandStored) {
  struct Case {
    int width;
    int height;
  };
  for (const Case c : {Case{64, 64}, Case{1, 1}, Case{300, 17}}) {
    const std::string tag = std::to_string(c.width) + "x" + std::to_string(c.height);
    const std::string png = Path("icon-" + tag + ".png");
    wbtest::WritePng(png, c.width, c.height);
    const std::string copy = Path("copy-" + tag);
    auto brand = Wbctl({"brand", kProgram, copy, "--icon", png, "title=Icon " + tag});
    ASSERT_EQ(brand.status, 0) << brand.err;

    const std::string out = Path("out-" + tag + ".png");
    auto show = Wbctl({"show", "--icon", out, copy});
    ASSERT_EQ(show.status, 0) << show.err;
    EXPECT_EQ(show.out, "icon=copy\n");
    EXPECT_EQ(LoadPixels(out), LoadPixels(png)) << tag;
    EXPECT_EQ(LoadPixels(out).width, c.width);

    // The configuration is unchanged by the block after it.
    auto config = Wbctl({"show", copy});
    EXPECT_EQ(config.status, 0);
    EXPECT_NE(config.out.find("title=Icon " + tag + "\n"), std::string::npos) << config.out;
    EXPECT_EQ(config.out.find("iVBOR"), std::string::npos) << config.out;
  }
}

// The maker's logo travels in its own block beside the icon and comes back out as it went in;
// a copy without one has none to give.
TEST(WbctlIcon, TheLogoTravelsBesideTheIcon) {
  const std::string png = Path("logo.png"), svg = Path("logo.svg");
  wbtest::WritePng(png, 120, 30);
  WriteFile(svg, kSvg);
  const std::string copy = Path("copy-logo");
  auto brand = Wbctl({"brand", kProgram, copy, "--logo", png, "maker=Greenleaf"});
  ASSERT_EQ(brand.status, 0) << brand.err;
  EXPECT_EQ(ReadLogoBlock(copy).substr(1, 3), "PNG");
  const std::string out = Path("logo-out.png");
  ASSERT_EQ(Wbctl({"show", "--logo", out, copy}).status, 0);
  EXPECT_EQ(LoadPixels(out), LoadPixels(png));
  EXPECT_EQ(Wbctl({"check", copy}).out, "");

  const std::string svgCopy = Path("copy-logo-svg");
  ASSERT_EQ(Wbctl({"brand", kProgram, svgCopy, "--logo=" + svg}).status, 0);
  const std::string svgOut = Path("logo-out.svg");
  ASSERT_EQ(Wbctl({"show", "--logo", svgOut, svgCopy}).status, 0);
  EXPECT_EQ(ReadFile(svgOut), kSvg);

  const std::string plain = Path("copy-no-logo");
  ASSERT_EQ(Wbctl({"brand", kProgram, plain, "title=T"}).status, 0);
  auto none = Wbctl({"show", "--logo", Path("none.png"), plain});
  EXPECT_NE(none.status, 0);
  EXPECT_NE(none.err.find("carries no logo"), std::string::npos) << none.err;
  auto notPicture = Wbctl({"brand", kProgram, Path("copy-bad-logo"), "--logo", svg + ".none"});
  EXPECT_NE(notPicture.status, 0);
}

TEST(WbctlIcon, AnSvgIconIsKeptAsItIs) {
  const std::string svg = Path("icon.svg");
  wbtest::WriteFile(svg, kSvg);
  const std::string copy = Path("copy-svg");
  auto brand = Wbctl({"brand", kProgram, copy, "--icon", svg});
  ASSERT_EQ(brand.status, 0) << brand.err;
  EXPECT_EQ(ReadIconBlock(copy), kSvg);

  const std::string asSvg = Path("out.svg");
  ASSERT_EQ(Wbctl({"show", "--icon", asSvg, copy}).status, 0);
  EXPECT_EQ(wbtest::ReadFile(asSvg), kSvg);
  // Asked for a PNG file, it is drawn at the size it declares.
  const std::string asPng = Path("out-svg.png");
  ASSERT_EQ(Wbctl({"show", "--icon", asPng, copy}).status, 0);
  const auto drawn = LoadPixels(asPng);
  EXPECT_EQ(drawn.width, 40);
  EXPECT_EQ(drawn.height, 20);
  ASSERT_GE(drawn.bytes.size(), 3u);
  EXPECT_EQ(static_cast<unsigned char>(drawn.bytes[0]), 0xC8);
}

TEST(WbctlIcon, ACopyWithoutAnIconShowsTheProgramsOwn) {
  const std::string copy = Path("plain");
  ASSERT_EQ(Wbctl({"brand", kProgram, copy, "title=Plain"}).status, 0);
  EXPECT_EQ(ReadIconBlock(copy), "");
  const std::string out = Path("program.png");
  auto show = Wbctl({"show", "--icon", out, copy});
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_EQ(show.out, "icon=program\n");
  EXPECT_EQ(LoadPixels(out), LoadPixels(std::string(WB_SOURCE_DIR) + "/resources/webbrowser.png"));
}

TEST(WbctlIcon, BrandRefusesWhatIsNoIconAndWritesNothing) {
  struct Case {
    const char* what;
    std::string bytes;
    const char* message;
  };
  const std::string small = Path("small.png");
  wbtest::WritePng(small, 8, 8);
  const std::string png = wbtest::ReadFile(small);
  ASSERT_GE(png.size(), 60u);
  // The same file with a header that declares 5000 x 5000 pixels, which would unpack to 100 MB.
  std::string huge = png;
  for (int at : {16, 20}) {
    huge[at] = 0;
    huge[at + 1] = 0;
    huge[at + 2] = 0x13;
    huge[at + 3] = static_cast<char>(0x88);
  }
  const Case cases[] = {
      {"text", "just some text\n", "not a picture"},
      {"a truncated PNG file", png.substr(0, png.size() / 2), "not a picture"},
      {"a GIF file", wbtest::ReadFile(std::string(WB_SOURCE_DIR) + "/resources/about_emblem.gif"),
       "gif file"},
      {"a huge PNG file", huge, "5000x5000"},
      {"an empty file", "", "not a picture"},
      {"more than the limit", std::string(kMaxIconBytes + 1, 'x'), "larger than"},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string file = Path("bad" + std::to_string(n));
    const std::string copy = Path("bad-copy" + std::to_string(n++));
    wbtest::WriteFile(file, c.bytes);
    auto brand = Wbctl({"brand", kProgram, copy, "--icon", file});
    EXPECT_EQ(brand.status, 1) << c.what;
    EXPECT_NE(brand.err.find(c.message), std::string::npos) << c.what << ": " << brand.err;
    EXPECT_FALSE(std::filesystem::exists(copy)) << c.what;
  }
  auto missing = Wbctl({"brand", kProgram, Path("never"), "--icon", Path("no-such.png")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_FALSE(std::filesystem::exists(Path("never")));
}

}  // namespace
}  // namespace wb
