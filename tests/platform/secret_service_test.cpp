// Whether the secret service answers, on a session bus of the test's own: a name owned by the
// test, or a service the bus could start from a folder of the test's own.
#include "platform/secret_service.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/common/loop_spin.h"
#include "tests/common/test_env.h"

namespace wb {
namespace {

using wbtest::RunLoopUntil;

bool HaveBusDaemon() {
  gchar* daemon = g_find_program_in_path("dbus-daemon");
  g_free(daemon);
  return daemon != nullptr;
}

// A session bus of the test's own while it lives, with, when `startable`, a service folder
// holding one that would start a secret service.
class PrivateBus {
 public:
  explicit PrivateBus(bool startable) : bus_(g_test_dbus_new(G_TEST_DBUS_NONE)) {
    if (startable) {
      const std::string folder = wbtest::TestRoot() + "/bus-services";
      std::filesystem::create_directories(folder);
      std::ofstream(folder + "/org.freedesktop.secrets.service")
          << "[D-BUS Service]\nName=org.freedesktop.secrets\nExec=/bin/false\n";
      g_test_dbus_add_service_dir(bus_, folder.c_str());
    }
    g_test_dbus_up(bus_);
  }
  ~PrivateBus() {
    if (owner_) Release();
    g_test_dbus_down(bus_);
    g_object_unref(bus_);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  // Owns the service's name on the bus until Release.
  bool Own() {
    connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    owner_ = g_bus_own_name_on_connection(
        connection_, "org.freedesktop.secrets", G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, gpointer data) { *static_cast<bool*>(data) = true; },
        nullptr, &owned_, nullptr);
    return RunLoopUntil([&] { return owned_; }, 10000);
  }
  void Release() {
    g_bus_unown_name(owner_);
    owner_ = 0;
    g_object_unref(connection_);
  }

 private:
  GTestDBus* bus_;
  GDBusConnection* connection_ = nullptr;
  guint owner_ = 0;
  bool owned_ = false;
};

TEST(SecretService, AnswersWhereTheNameHasAnOwnerOrCanBeStarted) {
  if (!HaveBusDaemon()) GTEST_SKIP() << "dbus-daemon is not installed";
  const struct {
    const char* what;
    bool owned, startable, answers;
  } cases[] = {
      {"nothing on the bus", false, false, false},
      {"owned", true, false, true},
      {"startable", false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PrivateBus bus(c.startable);
    if (c.owned) {
      ASSERT_TRUE(bus.Own());
    }
    SecretServiceWatch watch;
    ASSERT_TRUE(RunLoopUntil([&] { return watch.Known(); }, 10000));
    EXPECT_EQ(watch.Answers(), c.answers);
    // Nothing the watch asked changes that: it starts no service.
    EXPECT_FALSE(RunLoopUntil([&] { return watch.Answers() != c.answers; }, 300));
  }
}

TEST(SecretService, FollowsAnOwnerThatComesAndGoes) {
  if (!HaveBusDaemon()) GTEST_SKIP() << "dbus-daemon is not installed";
  PrivateBus bus(false);
  SecretServiceWatch watch;
  ASSERT_TRUE(RunLoopUntil([&] { return watch.Known(); }, 10000));
  EXPECT_FALSE(watch.Answers());
  ASSERT_TRUE(bus.Own());
  EXPECT_TRUE(RunLoopUntil([&] { return watch.Answers(); }, 10000));
  bus.Release();
  EXPECT_TRUE(RunLoopUntil([&] { return !watch.Answers(); }, 10000));
}

}  // namespace
}  // namespace wb
