#include "storage/window_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "storage/fsx.h"
#include "support/fields.h"
#include "support/maker.h"
#include "support/values.h"
#include "tests/common/test_env.h"

namespace wb {
namespace {

// An "executable": some binary bytes followed by a WebBrowser block holding `block`.
std::string MakeExecutable(const std::string& name, const std::u16string& block) {
  const std::string dir = wbtest::TestRoot() + "/config";
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/" + name;
  std::filesystem::remove(path);
  TFSx file(path, u"c");
  file.Append(
      std::string("\x7f"
                  "ELF\x02\x01\x01\0binary\r\n",
                  17));
  file.wBlock(u"WebBrowser", block);
  return path;
}

WindowConfig Config(const std::string& resource, const std::u16string& block) {
  return ReadWindowConfig(resource, MakeExecutable("exe", block));
}

TEST(ReadConfigSources, TheBlockOverridesTheResourceKeyByKey) {
  const std::string resource = "title=Resource\r\nwidth=1000\r\nvis=-\r\ngo=http://r/\r\n";
  const WindowConfig config = Config(resource, u"title=Block\r\nvis=\r\ngo=http://b/\r\nextra=1");
  EXPECT_EQ(config.resList,
            (ValueList{u"title=Block", u"width=1000", u"go=http://b/", u"extra=1"}));
  EXPECT_EQ(config.caption, u"Block");
  EXPECT_EQ(config.bannerCaption, u"Block");
  EXPECT_TRUE(config.bannerShown);
  EXPECT_EQ(config.width, 1000);
  // The block's empty vis removed the resource's: the design's bars all stay.
  EXPECT_FALSE(config.visApplied);
  EXPECT_EQ(config.bars, BarVisibility{});
  EXPECT_EQ(config.go, u"http://b/");
}

TEST(ReadConfigSources, AnOversizeBlockStillGivesItsFirstLines) {
  // A damaged copy whose block runs far past 16 MiB: the window starts with what it can read.
  std::u16string block = u"title=Huge\r\nwidth=640\r\ngo=";
  block.append(std::size_t{17} << 20, u'x');
  block.append(u"\r\nheight=480");
  const WindowConfig config = Config("title=Resource\r\nheight=800", block);
  EXPECT_EQ(config.caption, u"Huge");
  EXPECT_EQ(config.width, 640);
  EXPECT_EQ(config.height, 800);  // the line after the limit is not read
  EXPECT_EQ(config.go, u"");
}

TEST(ReadConfigSources, MissingSourcesContributeNothing) {
  const std::string missing = wbtest::TestRoot() + "/config-missing-exe";
  EXPECT_EQ(ReadConfigSources("title=R", missing), ValueList{u"title=R"});
  // Reading must not create the file.
  EXPECT_FALSE(std::filesystem::exists(missing));

  const WindowConfig none = ReadWindowConfig("", missing);
  EXPECT_TRUE(none.resList.empty());
  EXPECT_EQ(EffectiveCaption(none), u"Web Browser");
  EXPECT_FALSE(none.bannerShown);
  EXPECT_EQ(none.linkButtons.size(), 4u);
  EXPECT_EQ(none.go, u"");
  EXPECT_EQ(none.width, 0);
  EXPECT_EQ(none.color, 0);
  EXPECT_FALSE(none.webinfo);

  // An executable without an appended block.
  const std::string plain = wbtest::TestRoot() + "/config-plain";
  std::ofstream(plain) << "no block here";
  EXPECT_EQ(ReadConfigSources("a=1", plain), ValueList{u"a=1"});
}

TEST(ReadConfigSources, DecodesBothSourcesWithTheAnsiCodePage) {
  const WindowConfig config = Config("title=Caf\xE9", u"go=http://x/\u20AC");
  EXPECT_EQ(config.caption, u"Caf\u00E9");
  EXPECT_EQ(config.go, u"http://x/\u20AC");
}

TEST(ReadConfigSources, ReadsEachSourceInTheCodePageItsBytesShow) {
  // A UTF-8 block over a Windows-1252 resource, and the other way round: each source is
  // decided on its own bytes.
  const std::string greek = "title=\xCE\x91\xCE\xB8\xCE\xAE\xCE\xBD\xCE\xB1";
  const WindowConfig utf8Block =
      Config("color=#102030\r\nlinks=Caf\xE9=http://c/", FromAnsi(greek));
  EXPECT_EQ(utf8Block.caption, u"\u0391\u03B8\u03AE\u03BD\u03B1");
  ASSERT_EQ(utf8Block.linkButtons.size(), 1u);
  EXPECT_EQ(utf8Block.linkButtons[0].caption, u"Caf\u00E9");

  const WindowConfig utf8Resource =
      Config("links=\xE5\x95\x86\xE5\xBA\x97=http://s/", u"title=M\u00FCller");
  EXPECT_EQ(utf8Resource.caption, u"M\u00FCller");
  ASSERT_EQ(utf8Resource.linkButtons.size(), 1u);
  EXPECT_EQ(utf8Resource.linkButtons[0].caption, u"\u5546\u5E97");
}

TEST(WindowConfig, TitleAndBanner) {
  struct Case {
    const char* what;
    std::u16string block;
    std::u16string caption;
    bool shown;
    std::u16string bannerCaption;
  };
  const Case cases[] = {
      {"no title", u"", u"", false, u""},
      {"title", u"title=Shop", u"Shop", true, u"Shop"},
      {"showbanner without title shows an empty banner", u"showbanner=1", u"", true, u""},
      {"showbanner hides a titled banner", u"title=T\r\nshowbanner=no", u"T", false, u"T"},
      {"empty showbanner leaves the title's choice", u"title=T\r\nshowbanner=", u"T", true, u"T"},
      {"title of blanks is a title", u"title= ", u" ", true, u" "},
  };
  for (const auto& c : cases) {
    const WindowConfig config = WindowConfigFromValues([&] {
      ValueList list;
      TextToValues(c.block, list);
      return list;
    }());
    EXPECT_EQ(config.caption, c.caption) << c.what;
    EXPECT_EQ(config.bannerShown, c.shown) << c.what;
    EXPECT_EQ(config.bannerCaption, c.bannerCaption) << c.what;
  }
}

TEST(WindowConfig, LinkButtons) {
  const Text base = BaseWebAddress();
  struct Case {
    const char* what;
    std::u16string links;
    std::vector<LinkButtonSpec> buttons;
  };
  const Case cases[] = {
      {"built-in links",
       u"",
       {{u"Home", base, 0},
        {u"Support", base + u"/support", 0},
        {u"Download", base + u"/gw/?cmd=dl", 0},
        {u"Shop", base + u"/tavrel", 0}}},
      {"links replace the built-in ones", u"A=x|B=y,2", {{u"A", u"x", 0}, {u"B", u"y", 2}}},
      {"an address is cut at its first comma",
       u"Q=http://h/?a=1,2,b",
       {{u"Q", u"http://h/?a=1", 2}}},
      {"a non-numeric icon is 0", u"A=x,abc", {{u"A", u"x", 0}}},
      {"a repeated name takes the first entry's value",
       u"A=x,1|B=y|a=z,3",
       {{u"A", u"x", 1}, {u"B", u"y", 0}, {u"a", u"x", 1}}},
      {"an entry without = has an empty caption and address",
       u"plain|A=x",
       {{u"", u"", 0}, {u"A", u"x", 0}}},
      {"names and addresses keep their blanks", u" A = x ", {{u" A ", u" x ", 0}}},
      {"empty entries between bars",
       u"A=x||B=y",
       {{u"A", u"x", 0}, {u"", u"", 0}, {u"B", u"y", 0}}},
  };
  for (const auto& c : cases) {
    ValueList list;
    if (!c.links.empty()) list.push_back(u"links=" + c.links);
    EXPECT_EQ(WindowConfigFromValues(list).linkButtons, c.buttons) << c.what;
  }
}

// LinkButtons finds each entry's value through an index of names; these lists hold the cases
// where an index can differ from searching the list for every entry: repeated names in other
// case (in every alphabet the names fold in), an entry without "=" that takes the value of an
// "=value" entry after it, and several entries of the empty name. Each button must also be
// what searching the list with ValueOf gives.
TEST(WindowConfig, LinkButtonsTakeTheFirstEntryOfEachName) {
  struct Case {
    const char* what;
    ValueList links;
    std::vector<LinkButtonSpec> buttons;
  };
  const Case cases[] = {
      {"a later entry of a name takes the first one's value, whatever the case",
       {u"Mail=m,1", u"News=n", u"MAIL=other,2", u"mail=", u"news=x,2"},
       {{u"Mail", u"m", 1},
        {u"News", u"n", 0},
        {u"MAIL", u"m", 1},
        {u"mail", u"m", 1},
        {u"news", u"n", 0}}},
      {"Greek, Cyrillic and accented names fold their case",
       {u"Σ=a", u"Ж=b,1", u"É=c", u"σ=x", u"ж=y", u"é=z"},
       {{u"Σ", u"a", 0},
        {u"Ж", u"b", 1},
        {u"É", u"c", 0},
        {u"σ", u"a", 0},
        {u"ж", u"b", 1},
        {u"é", u"c", 0}}},
      {"an entry without = takes the first =value entry, even one after it",
       {u"plain", u"=first,2", u"", u"=second"},
       {{u"", u"first", 2}, {u"", u"first", 2}, {u"", u"first", 2}, {u"", u"first", 2}}},
      {"blanks belong to the name",
       {u"A=x", u" A=y", u"A =z"},
       {{u"A", u"x", 0}, {u" A", u"y", 0}, {u"A ", u"z", 0}}},
      {"a value may hold = and further commas",
       {u"Q=a=b,3,4", u"q=c"},
       {{u"Q", u"a=b", 3}, {u"q", u"a=b", 3}}},
      {"no entries, no buttons", {}, {}},
  };
  for (const auto& c : cases) {
    const auto buttons = LinkButtons(c.links);
    EXPECT_EQ(buttons, c.buttons) << c.what;
    ASSERT_EQ(buttons.size(), c.links.size()) << c.what;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
      Text value = ValueOf(c.links, EntryName(c.links[i]));
      EXPECT_EQ(buttons[i].address, TakeField(value, u",")) << c.what << " entry " << i;
      EXPECT_EQ(buttons[i].icon, TextToInt(value)) << c.what << " entry " << i;
    }
  }
}

TEST(WindowConfig, VisLetters) {
  struct Case {
    std::u16string vis;
    BarVisibility bars;
  };
  // menu, navbar, address, linkbar, strip, statusbar
  const Case cases[] = {
      {u"mnal", {true, true, true, true, true, true}},
      {u"mnal-s", {true, true, true, true, true, false}},
      {u"n", {false, true, false, false, true, true}},
      {u"-", {false, false, false, false, false, true}},
      {u"MNAL", {false, false, false, false, false, true}},
      {u"l-s", {false, false, false, true, true, false}},
      {u"s-", {false, false, false, false, false, true}},
      {u"xyz", {false, false, false, false, false, true}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseVis(c.vis), c.bars) << ToUtf8(c.vis);
    const WindowConfig config = WindowConfigFromValues({u"vis=" + c.vis});
    EXPECT_TRUE(config.visApplied);
    EXPECT_EQ(config.bars, c.bars) << ToUtf8(c.vis);
  }
}

TEST(WindowConfig, NumbersAndColours) {
  struct Case {
    std::u16string line;
    int width, height;
    std::int32_t color;
  };
  const Case cases[] = {
      {u"width=1000px", 1000, 0, 0},
      {u"width=0", 0, 0, 0},
      {u"height=-5", 0, 0, 0},
      {u"height=x1F", 0, 31, 0},
      {u"color=#F0CAA6", 0, 0, 0xA6CAF0},
      {u"color=15780518", 0, 0, 15780518},
      {u"color=0", 0, 0, 0},
      {u"color=#000000", 0, 0, 0},
      {u"color=-1", 0, 0, 0},
      {u"color=white", 0, 0, 0},
  };
  for (const auto& c : cases) {
    const WindowConfig config = WindowConfigFromValues({c.line});
    EXPECT_EQ(config.width, c.width) << ToUtf8(c.line);
    EXPECT_EQ(config.height, c.height) << ToUtf8(c.line);
    EXPECT_EQ(config.color, c.color) << ToUtf8(c.line);
  }
}

TEST(WindowConfig, GoAndWebinfo) {
  const WindowConfig on = WindowConfigFromValues({u"GO=http://a/", u"WebInfo=yes"});
  EXPECT_EQ(on.go, u"http://a/");
  EXPECT_TRUE(on.webinfo);
  EXPECT_FALSE(WindowConfigFromValues({u"webinfo=0"}).webinfo);
  EXPECT_FALSE(WindowConfigFromValues({u"webinfo=nein"}).webinfo);
}

TEST(WindowConfig, BuiltInLinksFollowTheBaseAddressOverride) {
  SetBaseWebAddressForTests(u"http://127.0.0.1:8080");
  const ValueList links = BuiltInLinkList();
  SetBaseWebAddressForTests(u"");
  EXPECT_EQ(links.front(), u"Home=http://127.0.0.1:8080");
  EXPECT_EQ(BuiltInLinkList().front(), u"Home=https://morvane.example");
}

// A copy's homepage is the base of the built-in links and of every address built for the
// maker; "none" is the one links value that gives no button at all.
TEST(WindowConfig, TheCopysHomepageAndNoLinks) {
  struct Case {
    const char* what;
    ValueList values;
    std::vector<Text> addresses;
  };
  const Case cases[] = {
      {"built-in links over the homepage",
       {u"homepage=https://leaf.example/"},
       {u"https://leaf.example", u"https://leaf.example/support",
        u"https://leaf.example/gw/?cmd=dl", u"https://leaf.example/tavrel"}},
      {"the maker's links stay as they are",
       {u"homepage=https://leaf.example", u"links=A=http://a/"},
       {u"http://a/"}},
      {"none", {u"links=none"}, {}},
      {"none in any case, with blanks", {u"links= NONE "}, {}},
      {"none with the homepage", {u"homepage=https://leaf.example", u"links=none"}, {}},
      {"none among entries is an entry", {u"links=none|A=x"}, {u"", u"x"}},
  };
  for (const auto& c : cases) {
    std::vector<Text> addresses;
    for (const auto& button : WindowConfigFromValues(c.values).linkButtons)
      addresses.push_back(button.address);
    EXPECT_EQ(addresses, c.addresses) << c.what;
  }

  SetBaseWebAddressForTests(u"http://127.0.0.1:8080");
  UseCopyMaker({u"Leaf", u"https://leaf.example", {}, {}, {}});
  EXPECT_EQ(BaseWebAddress(), u"https://leaf.example");
  UseCopyMaker({u"Leaf", {}, {}, {}, {}});
  EXPECT_EQ(BaseWebAddress(), u"http://127.0.0.1:8080");
  UseCopyMaker(CopyMaker());
  SetBaseWebAddressForTests(u"");
  EXPECT_EQ(BaseWebAddress(), u"https://morvane.example");
}

}  // namespace
}  // namespace wb
