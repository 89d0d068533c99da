// Notifications on a session bus of the test's own, with a notification service of the test's
// own on it: what the service is asked to show, and when a notification is closed.
#include "platform/desktop_notification.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/common/loop_spin.h"
#include "tests/common/notification_service.h"

namespace wb {
namespace {

using wbtest::NotificationService;
using wbtest::RunLoopUntil;

// Each case gets a session bus of its own, so no notification reaches the real desktop.
class DesktopNotificationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gchar* daemon = g_find_program_in_path("dbus-daemon");
    if (daemon == nullptr) GTEST_SKIP() << "dbus-daemon is not installed";
    g_free(daemon);
    bus_ = g_test_dbus_new(G_TEST_DBUS_NONE);
    g_test_dbus_up(bus_);
  }
  void TearDown() override {
    if (!bus_) return;
    // Waits, running the loop, until whatever the case left in flight has let go of the
    // connection.
    g_test_dbus_down(bus_);
    g_object_unref(bus_);
  }

  static DesktopNotification::Content Content(const std::string& summary, const std::string& body) {
    return {"Acme Portal", "", summary, body};
  }

 private:
  GTestDBus* bus_ = nullptr;
};

TEST_F(DesktopNotificationTest, ThePagesMarkupIsShownAsItsText) {
  const std::string markup = "<a href=\"x\">&amp;</a> <img src=\"y\"/>";
  const std::string escaped = "&lt;a href=\"x\"&gt;&amp;amp;&lt;/a&gt; &lt;img src=\"y\"/&gt;";
  const struct {
    const char* what;
    std::optional<std::vector<std::string>> capabilities;
    std::string body;
  } cases[] = {
      {"reads body markup", std::vector<std::string>{"actions", "body", "body-markup"}, escaped},
      {"shows plain text", std::vector<std::string>{"actions", "body"}, markup},
      {"does not tell", std::nullopt, escaped},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NotificationService service(c.capabilities, false);
    ASSERT_TRUE(RunLoopUntil([&] { return service.Ready(); }, 10000));
    {
      DesktopNotification shown(Content("<b>Sale</b> & more", markup), nullptr, nullptr);
      ASSERT_TRUE(RunLoopUntil([&] { return !service.shown.empty(); }, 10000));
    }
    EXPECT_EQ(service.shown[0].body, c.body);
    // The summary is plain text for every service.
    EXPECT_EQ(service.shown[0].summary, "<b>Sale</b> & more");
  }
}

// A notification closed at once (the page closed it, or the window made room for a newer one)
// never reaches the desktop, and one closed while the service has not yet given its number
// goes from the desktop when the number comes, though the object is gone by then.
TEST_F(DesktopNotificationTest, AClosedNotificationLeavesNothingOnTheDesktop) {
  NotificationService service(std::vector<std::string>{"body"}, true);
  ASSERT_TRUE(RunLoopUntil([&] { return service.Ready(); }, 10000));
  {
    DesktopNotification early(Content("early", ""), nullptr, nullptr);
    early.Close();
    // Calls on one connection arrive in order, so the one sent next shows that the first
    // would have arrived by then.
    DesktopNotification next(Content("next", ""), nullptr, nullptr);
    ASSERT_TRUE(RunLoopUntil([&] { return service.held() == 1; }, 10000));
    ASSERT_EQ(service.shown.size(), 1u);
    EXPECT_EQ(service.shown[0].summary, "next");
    next.Close();
  }
  EXPECT_TRUE(service.closed.empty());
  service.Answer();
  ASSERT_TRUE(RunLoopUntil([&] { return !service.closed.empty(); }, 10000));
  EXPECT_EQ(service.closed, std::vector<guint32>{1});
}

}  // namespace
}  // namespace wb
