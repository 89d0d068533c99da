// Partial addresses resolved as a browser's address bar does: which addresses have a scheme,
// file URIs encoded as the desktop writes them, and the resolution itself.
#include "support/address.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/common/test_env.h"

namespace wb {
namespace {

TEST(HasScheme, ALetterThenSchemeCharactersThenAColonButNoPort) {
  const struct {
    const char* in;
    bool scheme;
  } cases[] = {
      {"http://a.example/", true},
      {"about:blank", true},
      {"mailto:someone@example.org", true},
      {"view-source+x.y:z", true},
      {"ab:", true},  // nothing needs to follow the colon
      {"c:", true},
      {"localhost:8080", false},  // a host and its port
      {"localhost:8080/x", false},
      {"localhost:8080?q", false},
      {"localhost:8080#f", false},
      {"localhost:80x", true},  // not only digits: a scheme after all
      {"example.org", false},
      {"1http://a/", false},  // a scheme starts with a letter
      {"ht tp://a/", false},
      {"_x:y", false},
      {":x", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(HasScheme(c.in), c.scheme) << c.in;
}

TEST(FileUri, EncodesTheBytesOutsideThePathSetAndResolvesDotsByName) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"/tmp/page.html", "file:///tmp/page.html"},
      {"/a b/c d", "file:///a%20b/c%20d"},
      {"/x#y?z", "file:///x%23y%3Fz"},
      {"/100%", "file:///100%25"},
      {"/\xC3\xA4\xE2\x82\xAC", "file:///%C3%A4%E2%82%AC"},  // UTF-8 bytes
      {"/!$&'()*+,-.:=@_~", "file:///!$&'()*+,-.:=@_~"},
      {"/\"<>[\\]^`{|};", "file:///%22%3C%3E%5B%5C%5D%5E%60%7B%7C%7D%3B"},
      {"/\t\x7F", "file:///%09%7F"},
      {"/a/./b/../c", "file:///a/c"},
      {"/a//b/", "file:///a/b"},
      {"/../a", "file:///a"},  // nothing is above the root
      {"/a/..", "file:///"},
      {"/", "file:///"},
      {"//a/b", "file:////a/b"},  // exactly two slashes at the start stay
      {"///a", "file:///a"},
      {"/a/.../..b", "file:///a/.../..b"},
  };
  for (const auto& c : cases) EXPECT_EQ(FileUri(c.in), c.out) << c.in;
}

TEST(ResolveAddress, PartialAddressesAsAnAddressBarDoes) {
  const std::string dir = wbtest::TestRoot() + "/resolve";
  std::filesystem::create_directories(dir);
  std::string file = dir + "/page.html";
  std::ofstream(file) << "<html></html>";
  std::string odd = dir + "/a b#%\xC3\xA4.html";
  std::ofstream(odd) << "<html></html>";
  const std::string relative = std::filesystem::relative(file).string();
  ASSERT_FALSE(std::filesystem::path(relative).is_absolute());
  struct Case {
    std::string in, out;
  } cases[] = {
      {"http://a.example/x", "http://a.example/x"},
      {"about:blank", "about:blank"},
      {"mailto:someone@example.org", "mailto:someone@example.org"},
      {"example.org", "http://example.org"},
      {"localhost:8080/x", "http://localhost:8080/x"},
      {"  example.org  ", "http://example.org"},
      {"\texample.org\r\n", "http://example.org"},
      {file, "file://" + file},
      {" " + file + " ", "file://" + file},
      {relative, "file://" + file},  // relative to the working directory
      {dir + "/./page.html", "file://" + file},
      {odd, "file://" + dir + "/a%20b%23%25%C3%A4.html"},
      {dir + "/missing.html", "http://" + dir + "/missing.html"},
      {"   ", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolveAddress(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace wb
