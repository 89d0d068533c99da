// The rules of a portable copy's notice of a newer version: what signed text is a notice, which
// notice names a newer version of this copy, and when the next look is due.
#include "support/update_notice.h"

#include <gtest/gtest.h>

#include <string>

namespace wbtest {
namespace {

TEST(UpdateNotice, ReadsTheThreeFieldsAndRefusesEverythingElse) {
  struct Case {
    std::string text;
    bool valid;
    const char* version;
    const char* page;
  };
  const std::string big(wb::kMaxUpdateNoticeBytes, ' ');
  const Case cases[] = {
      {"Package: acme\nVersion: 2.0-1\nPage: https://acme.example/dl\n", true, "2.0-1",
       "https://acme.example/dl"},
      // CR LF, blanks around the values, names in any case, lines in any order, other names.
      {"page:  http://acme.example/ \r\nVERSION:\t1:3.0~rc1\r\nComment: x\r\nPackage: acme\r\n",
       true, "1:3.0~rc1", "http://acme.example/"},
      {"\nPackage: acme\n\nVersion: 2\nPage: https://acme.example\n\n", true, "2",
       "https://acme.example"},
      // A field missing, given twice, or not valid.
      {"Package: acme\nVersion: 2.0\n", false, "", ""},
      {"Package: acme\nVersion: 2.0\nVersion: 3.0\nPage: https://acme.example\n", false, "", ""},
      {"Package: acme\nVersion: two\nPage: https://acme.example\n", false, "", ""},
      {"Package: Acme\nVersion: 2.0\nPage: https://acme.example\n", false, "", ""},
      {"Package: acme\nVersion: 2.0\nPage: file:///etc/passwd\n", false, "", ""},
      {"Package: acme\nVersion: 2.0\nPage: javascript:alert(1)\n", false, "", ""},
      // A line that is no field, and a text above the limit.
      {"Package: acme\nVersion 2.0\nPage: https://acme.example\n", false, "", ""},
      {"Package: acme\nVersion: 2.0\nPage: https://acme.example\n" + big, false, "", ""},
      {"", false, "", ""},
  };
  for (const Case& c : cases) {
    const auto notice = wb::ParseUpdateNotice(c.text);
    ASSERT_EQ(notice.has_value(), c.valid) << c.text;
    if (!notice) continue;
    EXPECT_EQ(notice->package, "acme") << c.text;
    EXPECT_EQ(notice->version, c.version) << c.text;
    EXPECT_EQ(notice->page, c.page) << c.text;
  }
}

TEST(UpdateNotice, NewerOnlyForThisCopyAndAHigherVersion) {
  struct Case {
    const char* package;
    const char* announced;
    const char* copyName;
    const char* own;
    bool newer;
  };
  const Case cases[] = {
      {"acme", "2.0", "acme", "1.9", true},
      {"acme", "2.0", "acme", "2.0", false},
      {"acme", "2.0", "acme", "2.1", false},
      // dpkg's order, not the characters': 10 after 9, "~" before the release, the epoch first.
      {"acme", "1.10", "acme", "1.9", true},
      {"acme", "2.0~rc1", "acme", "2.0", false},
      {"acme", "2.0", "acme", "2.0~rc1", true},
      {"acme", "1:1.0", "acme", "9.9", true},
      {"acme", "2.0-2", "acme", "2.0-1", true},
      // The copy's name as its package is named; another copy's notice is none of its business.
      {"acme-shop", "2.0", "Acme_Shop", "1.0", true},
      {"other", "2.0", "acme", "1.0", false},
      // A copy that does not know its own version cannot tell what is newer.
      {"acme", "2.0", "acme", "", false},
      {"acme", "2.0", "acme", "latest", false},
  };
  for (const Case& c : cases) {
    const wb::UpdateNotice notice{c.package, c.announced, "https://acme.example"};
    EXPECT_EQ(wb::UpdateIsNewer(notice, c.copyName, c.own), c.newer)
        << c.package << " " << c.announced << " for " << c.copyName << " " << c.own;
  }
}

TEST(UpdateNotice, DueOnceADayAndAfterTheClockWentBack) {
  constexpr std::int64_t kDay = wb::kUpdateCheckInterval;
  const std::int64_t now = 1'800'000'000;
  struct Case {
    std::int64_t last;
    bool due;
  };
  const Case cases[] = {
      {0, true},                // never looked
      {now - kDay, true},       // a day ago
      {now - kDay + 1, false},  // a second short of a day
      {now, false},             // just now
      {now + 3600, true},       // in the future: the clock was wrong, or is now
      {-5, true},
  };
  for (const Case& c : cases) EXPECT_EQ(wb::UpdateCheckDue(c.last, now), c.due) << c.last;
}

}  // namespace
}  // namespace wbtest
