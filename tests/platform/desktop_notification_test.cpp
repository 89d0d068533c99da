// Notifications on a session bus of the test's own, with a notification service of the test's
// own on it: what the service is asked to show, and when a notification is closed.
#include "platform/desktop_notification.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/common/loop_spin.h"

namespace wb {
namespace {

using wbtest::RunLoopUntil;

// The service, on the process's session bus. It answers GetCapabilities with `capabilities`,
// or, without them, does not know the method. With `holdNotify` it keeps the answers to
// Notify until Answer() is called.
class NotificationService {
 public:
  NotificationService(std::optional<std::vector<std::string>> capabilities, bool holdNotify)
      : capabilities_(std::move(capabilities)), holdNotify_(holdNotify) {
    std::string xml =
        "<node><interface name='org.freedesktop.Notifications'>"
        "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
        "<arg type='s' direction='in'/><arg type='s' direction='in'/>"
        "<arg type='s' direction='in'/><arg type='as' direction='in'/>"
        "<arg type='a{sv}' direction='in'/><arg type='i' direction='in'/>"
        "<arg type='u' direction='out'/></method>"
        "<method name='CloseNotification'><arg type='u' direction='in'/></method>";
    if (capabilities_)
      xml += "<method name='GetCapabilities'><arg type='as' direction='out'/></method>";
    xml +=
        "<signal name='ActionInvoked'><arg type='u'/><arg type='s'/></signal>"
        "<signal name='NotificationClosed'><arg type='u'/><arg type='u'/></signal>"
        "</interface></node>";
    bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus_) return;
    info_ = g_dbus_node_info_new_for_xml(xml.c_str(), nullptr);
    static const GDBusInterfaceVTable vtable = {OnCall, nullptr, nullptr, {}};
    object_ =
        g_dbus_connection_register_object(bus_, "/org/freedesktop/Notifications",
                                          info_->interfaces[0], &vtable, this, nullptr, nullptr);
    owner_ =
        g_bus_own_name_on_connection(bus_, "org.freedesktop.Notifications",
                                     G_BUS_NAME_OWNER_FLAGS_NONE, OnOwned, nullptr, this, nullptr);
  }
  ~NotificationService() {
    for (GDBusMethodInvocation* call : held_)
      g_dbus_method_invocation_return_dbus_error(call, "org.freedesktop.DBus.Error.Failed", "");
    if (owner_) g_bus_unown_name(owner_);
    if (object_) g_dbus_connection_unregister_object(bus_, object_);
    if (info_) g_dbus_node_info_unref(info_);
    if (bus_) g_object_unref(bus_);
  }
  NotificationService(const NotificationService&) = delete;
  NotificationService& operator=(const NotificationService&) = delete;

  bool Ready() const { return owned_; }
  // Answers the Notify calls held so far, numbering them from 1 in the order they came.
  void Answer() {
    for (GDBusMethodInvocation* call : held_)
      g_dbus_method_invocation_return_value(call, g_variant_new("(u)", ++answered_));
    held_.clear();
  }

  struct Shown {
    std::string summary, body;
  };
  std::vector<Shown> shown;
  std::vector<guint32> closed;
  std::size_t held() const { return held_.size(); }

 private:
  static void OnOwned(GDBusConnection*, const gchar*, gpointer data) {
    static_cast<NotificationService*>(data)->owned_ = true;
  }
  static void OnCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                     const gchar* method, GVariant* parameters, GDBusMethodInvocation* call,
                     gpointer data) {
    auto* self = static_cast<NotificationService*>(data);
    if (g_strcmp0(method, "GetCapabilities") == 0) {
      GVariantBuilder list;
      g_variant_builder_init(&list, G_VARIANT_TYPE("as"));
      for (const auto& c : *self->capabilities_) g_variant_builder_add(&list, "s", c.c_str());
      g_dbus_method_invocation_return_value(call, g_variant_new("(as)", &list));
    } else if (g_strcmp0(method, "Notify") == 0) {
      const gchar *app, *icon, *summary, *body;
      guint32 replaces;
      g_variant_get(parameters, "(&su&s&s&s@as@a{sv}i)", &app, &replaces, &icon, &summary, &body,
                    nullptr, nullptr, nullptr);
      self->shown.push_back({summary, body});
      // The call is answered now or later; answering it lets go of it.
      self->held_.push_back(call);
      if (!self->holdNotify_) self->Answer();
    } else {
      guint32 id = 0;
      g_variant_get(parameters, "(u)", &id);
      self->closed.push_back(id);
      g_dbus_method_invocation_return_value(call, nullptr);
    }
  }

  std::optional<std::vector<std::string>> capabilities_;
  bool holdNotify_;
  GDBusConnection* bus_ = nullptr;
  GDBusNodeInfo* info_ = nullptr;
  guint object_ = 0;
  guint owner_ = 0;
  bool owned_ = false;
  guint32 answered_ = 0;
  std::vector<GDBusMethodInvocation*> held_;
};

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
