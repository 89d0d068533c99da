#include "support/notification_markup.h"

#include <gtest/gtest.h>

#include <string>

namespace wb {
namespace {

TEST(NotificationMarkup, APagesTextIsShownAsWritten) {
  const struct {
    std::string text;
    std::string markup;
  } cases[] = {
      {"Parcel 42", "Parcel 42"},
      {"", ""},
      {"<a href=\"https://x\">win</a>", "&lt;a href=\"https://x\"&gt;win&lt;/a&gt;"},
      {"&amp; &#60; &lt;", "&amp;amp; &amp;#60; &amp;lt;"},    // entities stay characters too
      {"Tom & Jerry's \"cat\"", "Tom &amp; Jerry's \"cat\""},  // quotes mean nothing outside tags
      {"caf\u00E9 > th\u00E9 <", "caf\u00E9 &gt; th\u00E9 &lt;"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeNotificationMarkup(c.text), c.markup) << c.text;
}

}  // namespace
}  // namespace wb
