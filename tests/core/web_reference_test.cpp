// Addresses resolved as a page's references are.
#include "support/web_reference.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

TEST(ResolveWebReference, ResolvesAsAPageDoes) {
  const struct {
    const char* base;
    const char* ref;
    const char* out;  // nullptr: no web address
  } cases[] = {
      {"http://a.example/x/y.html", "m.json", "http://a.example/x/m.json"},
      {"http://a.example/x/y.html", "/m.json", "http://a.example/m.json"},
      {"http://a.example/x/y.html", "../m.json", "http://a.example/m.json"},
      {"http://a.example/x/y.html", "../../../m.json", "http://a.example/m.json"},
      {"http://a.example/x/y.html", "./", "http://a.example/x/"},
      {"http://a.example/x/y.html", "?q=1", "http://a.example/x/y.html?q=1"},
      {"http://a.example/x/y.html", "#top", "http://a.example/x/y.html"},
      {"http://a.example/x/y.html", "", "http://a.example/x/y.html"},
      {"https://a.example/x", "//b.example/i.png", "https://b.example/i.png"},
      {"http://a.example/", "HTTPS://B.Example:443/p", "https://b.example/p"},
      {"http://a.example:8080/", "/s", "http://a.example:8080/s"},
      {"http://a.example:80/", "/s", "http://a.example/s"},
      {"http://[::1]:9/", "i", "http://[::1]:9/i"},
      {"http://a.example/", "  /padded  ", "http://a.example/padded"},
      {"http://a.example/", "javascript:alert(1)", nullptr},
      {"http://a.example/", "data:image/png;base64,AA", nullptr},
      {"http://a.example/", "file:///etc/passwd", nullptr},
      {"http://a.example/", "http://user@b.example/", nullptr},
      {"http://a.example/", "http://b.example:99999/", nullptr},
      {"http://a.example/", "http:///nohost", nullptr},
      {"http://a.example/", "a b", nullptr},
      {"ftp://a.example/", "x", nullptr},
      // Read with the one address parser: the host as a load can use it, "\\" as "/".
      {"http://a.example/", "http://[host]/", nullptr},
      {"http://a.example/", "http://sh<op.example/", nullptr},
      {"http://a.example/", "http://b.example:0080/p", "http://b.example/p"},
      {"http://a.example/", "/x\\..\\y", "http://a.example/y"},
      {"http://a.example/", "http://evil.example\\@good.example/",
       "http://evil.example/@good.example/"},
  };
  for (const auto& c : cases) {
    const auto out = ResolveWebReference(c.base, c.ref);
    if (c.out == nullptr) {
      EXPECT_FALSE(out) << c.base << " + " << c.ref << " gave " << out.value_or("");
    } else {
      EXPECT_EQ(out.value_or("(none)"), c.out) << c.base << " + " << c.ref;
    }
  }
}

}  // namespace
}  // namespace wb
