// The status-notifier item and the desktop's colour scheme on a session bus of the test's own,
// with a watcher and a settings portal of the test's own on it: the registration as watchers
// come and go, what the item says about itself, its menu's answers and clicks, and the scheme
// as the portal answers it and changes it.
#include "platform/status_notifier_item.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/desktop_color_scheme.h"
#include "tests/common/bus_services.h"
#include "tests/common/loop_spin.h"

namespace wb {
namespace {

using wbtest::CallAndWait;
using wbtest::PrivateBus;
using wbtest::RunLoopUntil;
using wbtest::StringProperty;
using wbtest::TestPortal;
using wbtest::TestWatcher;

constexpr const char kItem[] = "org.kde.StatusNotifierItem";
constexpr const char kMenu[] = "com.canonical.dbusmenu";

class StatusNotifierItemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!bus_.Ready()) GTEST_SKIP() << "dbus-daemon is not installed";
    client_ = bus_.Connect();
    ASSERT_TRUE(client_);
  }
  void TearDown() override {
    if (client_) g_object_unref(client_);
  }

  std::unique_ptr<StatusNotifierItem> MakeItem() {
    StatusNotifierItem::Content content{
        "acme-portal", "Acme Portal", {TrayPixmap{1, 1, std::string("\xFF\x01\x02\x03", 4)}}};
    StatusNotifierItem::Handlers handlers;
    handlers.activate = [this] { events.push_back("activate"); };
    handlers.command = [this](TrayCommand c) {
      events.push_back(c == TrayCommand::kShow ? "show" : c == TrayCommand::kQuit ? "quit" : "?");
    };
    handlers.registrationChanged = [this](bool r) {
      events.push_back(r ? "registered" : "unregistered");
    };
    return std::make_unique<StatusNotifierItem>(content, handlers);
  }

  PrivateBus bus_;
  GDBusConnection* client_ = nullptr;
  std::vector<std::string> events;
};

TEST_F(StatusNotifierItemTest, RegistersWithEachWatcherThatComesAndShowsItsFacts) {
  auto item = MakeItem();
  // No watcher yet: the item waits.
  RunLoopUntil([&] { return !item->busName().empty(); }, 5000);
  EXPECT_FALSE(item->registered());
  {
    TestWatcher watcher(bus_);
    ASSERT_TRUE(watcher.Ready());
    ASSERT_TRUE(RunLoopUntil([&] { return item->registered(); }, 10000));
    ASSERT_EQ(watcher.items.size(), 1u);
    const std::string name = watcher.items.front();
    EXPECT_EQ(name, item->busName());
    EXPECT_EQ(name.rfind("org.kde.StatusNotifierItem-", 0), 0u) << name;
    const struct {
      const char* property;
      const char* value;
    } facts[] = {
        {"Id", "acme-portal"},  {"Title", "Acme Portal"}, {"Category", "ApplicationStatus"},
        {"Status", "Active"},   {"Menu", "/MenuBar"},     {"IconName", ""},
        {"Nonsense", "(none)"},
    };
    for (const auto& f : facts)
      EXPECT_EQ(StringProperty(client_, name, "/StatusNotifierItem", kItem, f.property), f.value)
          << f.property;
    GVariant* pixmaps =
        wbtest::PropertyOf(client_, name, "/StatusNotifierItem", kItem, "IconPixmap");
    ASSERT_TRUE(pixmaps);
    gchar* text = g_variant_print(pixmaps, TRUE);
    EXPECT_STREQ(text, "[(1, 1, [byte 0xff, 0x01, 0x02, 0x03])]");
    g_free(text);
    g_variant_unref(pixmaps);
    GVariant* tip = wbtest::PropertyOf(client_, name, "/StatusNotifierItem", kItem, "ToolTip");
    ASSERT_TRUE(tip);
    const gchar* title = nullptr;
    g_variant_get_child(tip, 2, "&s", &title);
    EXPECT_STREQ(title, "Acme Portal");
    g_variant_unref(tip);

    // A new title is signalled and read back.
    int newTitles = 0;
    const guint id = g_dbus_connection_signal_subscribe(
        client_, name.c_str(), kItem, "NewTitle", "/StatusNotifierItem", nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
           gpointer data) { ++*static_cast<int*>(data); },
        &newTitles, nullptr);
    // A call after the subscription has the bus install its rule before the signal goes out.
    EXPECT_EQ(StringProperty(client_, name, "/StatusNotifierItem", kItem, "Title"), "Acme Portal");
    item->SetTitle("(2) Acme Portal");
    item->SetTitle("(2) Acme Portal");
    EXPECT_TRUE(RunLoopUntil([&] { return newTitles == 1; }, 5000));
    EXPECT_EQ(StringProperty(client_, name, "/StatusNotifierItem", kItem, "Title"),
              "(2) Acme Portal");
    EXPECT_EQ(newTitles, 1);
    g_dbus_connection_signal_unsubscribe(client_, id);

    // A tooltip of its own (a page's badge) leaves the title alone; an empty one follows the
    // title again.
    auto toolTip = [&] {
      GVariant* tip = wbtest::PropertyOf(client_, name, "/StatusNotifierItem", kItem, "ToolTip");
      std::string text = "(none)";
      if (tip) {
        const gchar* t = nullptr;
        g_variant_get_child(tip, 2, "&s", &t);
        text = t;
        g_variant_unref(tip);
      }
      return text;
    };
    item->SetToolTip("(5) (2) Acme Portal");
    EXPECT_EQ(toolTip(), "(5) (2) Acme Portal");
    EXPECT_EQ(StringProperty(client_, name, "/StatusNotifierItem", kItem, "Title"),
              "(2) Acme Portal");
    item->SetToolTip("");
    EXPECT_EQ(toolTip(), "(2) Acme Portal");
  }
  // The watcher went away; the next one is given the item again.
  ASSERT_TRUE(RunLoopUntil([&] { return !item->registered(); }, 10000));
  TestWatcher again(bus_);
  ASSERT_TRUE(RunLoopUntil([&] { return item->registered(); }, 10000));
  EXPECT_EQ(again.items, std::vector<std::string>{item->busName()});
  EXPECT_EQ(events, (std::vector<std::string>{"registered", "unregistered", "registered"}));
}

TEST_F(StatusNotifierItemTest, AWatcherThatRefusesLeavesItUnregistered) {
  TestWatcher watcher(bus_, true);
  ASSERT_TRUE(watcher.Ready());
  auto item = MakeItem();
  ASSERT_TRUE(RunLoopUntil([&] { return watcher.refused == 1; }, 10000));
  EXPECT_TRUE(wbtest::RunLoopUntil([&] { return item->registered(); }, 300) == false);
  EXPECT_TRUE(events.empty());
}

TEST_F(StatusNotifierItemTest, TheMenuAnswersAndItsClicksAreCommands) {
  TestWatcher watcher(bus_);
  auto item = MakeItem();
  ASSERT_TRUE(RunLoopUntil([&] { return item->registered(); }, 10000));
  const std::string name = item->busName();
  auto call = [&](const char* interface, const char* path, const char* method, GVariant* parameters,
                  std::string* error) {
    GVariant* reply = CallAndWait(client_, name, path, interface, method, parameters, error);
    if (!reply) return std::string();
    gchar* printed = g_variant_print(reply, FALSE);
    std::string text = printed;
    g_free(printed);
    g_variant_unref(reply);
    return text;
  };
  const struct {
    const char* method;
    const char* parameters;  // a GVariant text
    const char* reply;       // a GVariant text; empty: an error
    std::vector<std::string> events;
  } cases[] = {
      {"GetLayout",
       "(0, -1, @as [])",
       "(1, (0, {'children-display': <'submenu'>}, [<(1, {'label': <'Show'>, 'enabled': <true>, "
       "'visible': <true>}, @av [])>, <(2, {'label': <'Quit'>, 'enabled': <true>, 'visible': "
       "<true>}, @av [])>]))",
       {}},
      {"GetLayout", "(0, 0, ['label'])", "(1, (0, {}, []))", {}},
      {"GetLayout", "(7, -1, @as [])", "", {}},
      {"GetGroupProperties", "([2, 9], ['label'])", "([(2, {'label': <'Quit'>})],)", {}},
      {"GetProperty", "(1, 'label')", "(<'Show'>,)", {}},
      {"GetProperty", "(1, 'nonsense')", "", {}},
      {"AboutToShow", "(0,)", "(false,)", {}},
      {"AboutToShow", "(5,)", "", {}},
      {"AboutToShowGroup", "([0, 5],)", "([], [5])", {}},
      {"Event", "(1, 'hovered', <''>, uint32 0)", "()", {}},
      {"Event", "(1, 'clicked', <0>, uint32 0)", "()", {"show"}},
      {"Event", "(9, 'clicked', <0>, uint32 0)", "", {}},
      {"EventGroup",
       "([(2, 'clicked', <0>, uint32 0), (8, 'clicked', <0>, uint32 0)],)",
       "([8],)",
       {"quit"}},
      {"EventGroup", "([(8, 'clicked', <0>, uint32 0)],)", "", {}},
      // The arguments are checked against the interface before anything reads them.
      {"Event", "('1', 'clicked')", "", {}},
  };
  events.clear();
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.method) + c.parameters);
    GVariant* parameters = g_variant_parse(nullptr, c.parameters, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parameters);
    std::string error;
    EXPECT_EQ(call(kMenu, "/MenuBar", c.method, parameters, &error), c.reply) << error;
    EXPECT_EQ(std::string(c.reply).empty(), !error.empty()) << error;
    EXPECT_EQ(events, c.events);
    events.clear();
  }
  EXPECT_EQ(StringProperty(client_, name, "/MenuBar", kMenu, "Status"), "normal");
  std::string error;
  EXPECT_EQ(call(kItem, "/StatusNotifierItem", "Activate", g_variant_new("(ii)", 3, 4), &error),
            "()");
  EXPECT_EQ(
      call(kItem, "/StatusNotifierItem", "SecondaryActivate", g_variant_new("(ii)", 3, 4), &error),
      "()");
  EXPECT_EQ(events, std::vector<std::string>{"activate"});
}

TEST(PortalColorSchemeValue, TakesAUint32InAtMostTwoVariants) {
  const struct {
    const char* value;
    std::optional<std::uint32_t> read;
  } cases[] = {
      {"uint32 1", 1},
      {"<uint32 2>", 2},
      {"<<uint32 0>>", 0},
      {"<<<uint32 1>>>", std::nullopt},
      {"<int32 1>", std::nullopt},
      {"<'dark'>", std::nullopt},
      {"<(uint32 1,)>", std::nullopt},
      {"@au [1]", std::nullopt},
  };
  for (const auto& c : cases) {
    GVariant* v = g_variant_ref_sink(g_variant_parse(nullptr, c.value, nullptr, nullptr, nullptr));
    ASSERT_TRUE(v) << c.value;
    EXPECT_EQ(PortalColorSchemeValue(v), c.read) << c.value;
    g_variant_unref(v);
  }
  EXPECT_EQ(PortalColorSchemeValue(nullptr), std::nullopt);
}

using DesktopColorSchemeTest = StatusNotifierItemTest;

TEST_F(DesktopColorSchemeTest, FollowsThePortalAsItAnswersChangesAndGoes) {
  const struct {
    const char* what;
    bool readOne;
    const char* value;
    std::optional<ColorScheme> first;
  } cases[] = {
      {"ReadOne dark", true, "uint32 1", ColorScheme::kDark},
      {"ReadOne light", true, "uint32 2", ColorScheme::kLight},
      {"Read only, dark", false, "uint32 1", ColorScheme::kDark},
      {"no preference", true, "uint32 0", ColorScheme::kNoPreference},
      {"a string", true, "'dark'", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestPortal portal(bus_, c.value, c.readOne);
    ASSERT_TRUE(portal.Ready());
    std::vector<std::optional<ColorScheme>> seen;
    DesktopColorScheme scheme([&](std::optional<ColorScheme> s) { seen.push_back(s); });
    // The old portal's bus refuses ReadOne before the portal sees it; Read follows.
    ASSERT_TRUE(RunLoopUntil([&] { return portal.asked.size() == 1; }, 10000));
    if (c.first) {
      ASSERT_TRUE(RunLoopUntil([&] { return !seen.empty(); }, 10000));
      EXPECT_EQ(scheme.current(), c.first);
    } else {
      EXPECT_FALSE(RunLoopUntil([&] { return !seen.empty(); }, 300));
    }
    EXPECT_EQ(portal.asked.back(), std::string(c.readOne ? "ReadOne" : "Read") +
                                       " org.freedesktop.appearance color-scheme");
    seen.clear();
    // Another key, another namespace and a value of another type change nothing.
    portal.Change("uint32 2", "org.freedesktop.appearance", "accent-color");
    portal.Change("uint32 2", "org.gnome.desktop.interface", "color-scheme");
    portal.Change("<'light'>");
    portal.Change(c.first == ColorScheme::kLight ? "uint32 1" : "uint32 2");
    ASSERT_TRUE(RunLoopUntil([&] { return !seen.empty(); }, 10000));
    EXPECT_EQ(seen,
              (std::vector<std::optional<ColorScheme>>{
                  c.first == ColorScheme::kLight ? ColorScheme::kDark : ColorScheme::kLight}));
    seen.clear();
    portal.Stop();
    ASSERT_TRUE(RunLoopUntil([&] { return !seen.empty(); }, 10000));
    EXPECT_EQ(seen, std::vector<std::optional<ColorScheme>>{std::nullopt});
  }
}

}  // namespace
}  // namespace wb
