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
      // A text the code page cannot hold goes whole as UTF-8, which keeps it.
      {u"\u4E2D", false, u"%E4%B8%AD"},
      {u"\U0001F600", false, u"%F0%9F%98%80"},  // one character, though two code units
      {Text(1, char16_t(0xD800)) + u"a", false, u"%EF%BF%BDa"},  // UTF-8 has no lone surrogate
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(UrlEncode(c.in, c.plus)), ToUtf8(c.out)) << ToUtf8(c.in);
  }
}

TEST(UrlEncode, SendsATextInOneCodePageTheGatewayCanTellFromTheBytes) {
  struct Case {
    Text in;
    std::string out;
  } const cases[] = {
      // Windows-1252 holds these, so they go as they always did.
      {u"Caf\u00E9 M\u00FCller", "Caf%E9%20M%FCller"},
      {u"Acme\u2122 \u20AC5", "Acme%99%20%805"},
      // One character the code page lacks sends the whole title as UTF-8, "\u00E9" included:
      // bytes mixed from both would be neither.
      {u"\u00E9\u4E2D", "%C3%A9%E4%B8%AD"},
      {u"\u0391\u03B8\u03AE\u03BD\u03B1", "%CE%91%CE%B8%CE%AE%CE%BD%CE%B1"},  // Greek
      {u"\u041C\u0438\u0440", "%D0%9C%D0%B8%D1%80"},                          // Russian
      {u"\u0633\u0648\u0642", "%D8%B3%D9%88%D9%82"},                          // Arabic
      {u"\u5546\u5E97 A", "%E5%95%86%E5%BA%97%20A"},                          // Chinese
      // Windows-1252 bytes that would read as UTF-8 ("\u00C3\u00A9" is C3 A9, the UTF-8 of
      // "\u00E9") go as UTF-8, so the gateway reads the title as it is.
      {u"\u00C3\u00A9", "%C3%83%C2%A9"},
  };
  for (const auto& c : cases) EXPECT_EQ(ToUtf8(UrlEncode(c.in, false)), c.out) << ToUtf8(c.in);
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
