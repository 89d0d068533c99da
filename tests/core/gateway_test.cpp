#include "support/gateway.h"

#include <gtest/gtest.h>

namespace wb {
namespace {

QueryValues Sample() {
  QueryValues v;
  v.executablePath = u"/opt/web/webbrowser";
  v.versionText = u"1.2.3.4";
  v.buildDate = 45244.75;  // 2023-11-14 18:00
  v.startupTitle = u"WebBrowser";
  v.systemVersion = u"6.8";
  v.installationId = u"{0123ABCD-4567-489A-ABCD-0123456789AB}";
  return v;
}

TEST(UrlEncode, KeepsTheSafeSetAndEncodesEveryOtherByte) {
  struct Case {
    Text in;
    bool plus;
    Text out;
  } const cases[] = {
      {u"", false, u""},
      {u"AZaz09", false, u"AZaz09"},
      {u"*-./:@_{}", false, u"*-./:@_{}"},
      {u"a b", false, u"a%20b"},
      {u"a b", true, u"a+b"},
      {u"~!'()&=?#%+[]^`|", false, u"%7E%21%27%28%29%26%3D%3F%23%25%2B%5B%5D%5E%60%7C"},
      {u"\t\n\x7F", false, u"%09%0A%7F"},
      {u"\u00E4\u00FF", false, u"%E4%FF"},  // Windows-1252 bytes, not UTF-8
      {u"\u20AC", false, u"%80"},
      {u"\u4E2D", false, u"%3F"},      // not in the code page: its default character
      {u"\U0001F600", false, u"%3F"},  // one character, though two code units
      {Text(1, char16_t(0xD800)) + u"a", false, u"%3Fa"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(UrlEncode(c.in, c.plus)), ToUtf8(c.out)) << ToUtf8(c.in);
  }
}

TEST(StandardQuery, AllEightPairsInOrder) {
  EXPECT_EQ(ToUtf8(StandardQuery(Sample())),
            "id=&e=webbrowser&v=1.2.3.4&d=2023-11-14&t=WebBrowser&l=&o=6.8"
            "&g={0123ABCD-4567-489A-ABCD-0123456789AB}");
  // Empty values leave their keys in place.
  QueryValues empty;
  EXPECT_EQ(ToUtf8(StandardQuery(empty)), "id=&e=&v=&d=1899-12-30&t=&l=&o=&g=");
}

TEST(StandardQuery, EncodesExecutableNameAndTitleOnly) {
  struct Case {
    Text exe;
    Text title;
    std::string e;
    std::string t;
  } const cases[] = {
      {u"/opt/my.tool.exe", u"Web Browser", "e=my", "t=Web%20Browser"},
      {u"/opt/tool", u"A&B", "e=tool", "t=A%26B"},
      {u"/opt/My App.bin", u"50%", "e=My%20App", "t=50%25"},
      {u"/o.d/x~y", u"A/B", "e=x%7Ey", "t=A/B"},
      {u"tool.exe", u"\u00C4", "e=tool", "t=%C4"},
  };
  for (const auto& c : cases) {
    QueryValues v = Sample();
    v.executablePath = c.exe;
    v.startupTitle = c.title;
    const std::string q = ToUtf8(StandardQuery(v));
    EXPECT_NE(q.find("&" + c.e + "&v="), std::string::npos) << q;
    EXPECT_NE(q.find("&" + c.t + "&l="), std::string::npos) << q;
  }
  // Version, system version and id are inserted as they are, even with reserved characters.
  QueryValues v = Sample();
  v.versionText = u"1 2";
  v.systemVersion = u"a&b";
  EXPECT_NE(ToUtf8(StandardQuery(v)).find("&v=1 2&"), std::string::npos);
  EXPECT_NE(ToUtf8(StandardQuery(v)).find("&o=a&b&"), std::string::npos);
}

TEST(GatewayAddress, ParamGivesTheQueryAloneOtherCommandsTheFullAddress) {
  const Text base = u"https://maker.example";
  const Text query = StandardQuery(Sample());
  EXPECT_EQ(GatewayAddress(u"param", base, Sample()), query);
  EXPECT_EQ(GatewayAddress(u"Param", base, Sample()),
            u"https://maker.example/gw/?cmd=Param&" + query);
  EXPECT_EQ(GatewayAddress(u"info", base, Sample()),
            u"https://maker.example/gw/?cmd=info&" + query);
  // The command is not encoded: callers pass further pairs with it.
  EXPECT_EQ(GatewayAddress(u"info&tst=7", base, Sample()),
            u"https://maker.example/gw/?cmd=info&tst=7&" + query);
  EXPECT_EQ(GatewayAddress(u"", base, Sample()), u"https://maker.example/gw/?cmd=&" + query);
}

}  // namespace
}  // namespace wb
