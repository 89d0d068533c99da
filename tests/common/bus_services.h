#pragma once
// A session bus of the test's own and desktop services of the test's own on it: the task
// bar's status-notifier watcher and the desktop's settings portal, each on a connection of its
// own, so that the program under test (in this process or another) reaches them as it would
// reach a desktop's, and nothing reaches the real desktop.
#include <gio/gio.h>
#include <glib/gstdio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/loop_spin.h"

namespace wbtest {

// A private bus (dbus-daemon). For kThisProcess it is the session bus of this process (and of
// the programs it starts) while it lives, and its end waits until this process has let go of
// it. For kOtherPrograms this process keeps its own session bus (the toolkit holds that one on
// Wayland, and would never let go of the private one) and reaches the private bus only through
// Connect(); the programs it starts are put on it with Environment(). Either bus starts no
// services of the system's. Ready() is false where dbus-daemon is not installed.
class PrivateBus {
 public:
  enum class Use { kThisProcess, kOtherPrograms };
  explicit PrivateBus(Use use = Use::kThisProcess) {
    gchar* daemon = g_find_program_in_path("dbus-daemon");
    if (!daemon) return;
    g_free(daemon);
    if (use == Use::kOtherPrograms) {
      StartDaemon();
      return;
    }
    // The bus takes the display's variables away (so that nothing on it starts an X11 bus of
    // its own); the programs the test starts still need them.
    std::vector<std::pair<const char*, std::string>> kept;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"})
      if (const char* value = g_getenv(name)) kept.emplace_back(name, value);
    bus_ = g_test_dbus_new(G_TEST_DBUS_NONE);
    g_test_dbus_up(bus_);
    address_ = g_test_dbus_get_bus_address(bus_);
    for (const auto& [name, value] : kept) g_setenv(name, value.c_str(), TRUE);
  }
  ~PrivateBus() {
    if (bus_) {
      g_test_dbus_down(bus_);
      g_object_unref(bus_);
    }
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (!config_.empty()) g_remove(config_.c_str());
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool Ready() const { return !address_.empty(); }
  std::string Address() const { return address_; }
  // The environment entry that puts a program started by the test on this bus.
  std::string Environment() const { return "DBUS_SESSION_BUS_ADDRESS=" + Address(); }
  // A new connection of the test's own to the bus; the caller unrefs it.
  GDBusConnection* Connect() const {
    if (address_.empty()) return nullptr;
    return g_dbus_connection_new_for_address_sync(
        address_.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
  }

 private:
  // A dbus-daemon of the test's own, with a configuration that lets everyone own and call
  // everything and knows no services to start; its address is the first line it prints.
  void StartDaemon() {
    gchar* path = nullptr;
    const int fd = g_file_open_tmp("wb-bus-XXXXXX.conf", &path, nullptr);
    if (fd < 0) return;
    config_ = path;
    g_free(path);
    const std::string text =
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
        "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
        "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
        "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
        "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>";
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    if (!written) return;
    const std::string option = "--config-file=" + config_;
    const char* argv[] = {"dbus-daemon", option.c_str(), "--nofork", "--print-address=1", nullptr};
    int out = -1;
    if (!g_spawn_async_with_pipes(
            nullptr, const_cast<gchar**>(argv), nullptr,
            static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD |
                                     G_SPAWN_STDERR_TO_DEV_NULL),
            nullptr, nullptr, &pid_, nullptr, &out, nullptr, nullptr)) {
      pid_ = 0;
      return;
    }
    std::string line;
    char c = 0;
    while (::read(out, &c, 1) == 1 && c != '\n') line += c;
    ::close(out);
    address_ = line;
  }

  GTestDBus* bus_ = nullptr;
  GPid pid_ = 0;
  std::string config_;
  std::string address_;
};

// A method call on `bus`, answered while the loop runs (the answer may come from an object of
// this very process). The reply, or null with `error` set to the error's name; the caller
// unrefs the reply.
inline GVariant* CallAndWait(GDBusConnection* bus, const std::string& destination,
                             const std::string& path, const std::string& interface,
                             const std::string& method, GVariant* parameters,
                             std::string* error = nullptr, int limitMs = 10000) {
  struct Result {
    bool done = false;
    GVariant* reply = nullptr;
    std::string error;
  } result;
  g_dbus_connection_call(
      bus, destination.c_str(), path.c_str(), interface.c_str(), method.c_str(), parameters,
      nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, limitMs, nullptr,
      [](GObject* source, GAsyncResult* res, gpointer data) {
        auto* r = static_cast<Result*>(data);
        GError* e = nullptr;
        r->reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), res, &e);
        if (e) {
          gchar* name = g_dbus_error_get_remote_error(e);
          r->error = name ? name : e->message;
          g_free(name);
          g_error_free(e);
        }
        r->done = true;
      },
      &result);
  RunLoopUntil([&] { return result.done; }, limitMs + 1000);
  if (error) *error = result.error;
  return result.reply;
}

// One property of an object, read with org.freedesktop.DBus.Properties.Get; null when it
// cannot be read. The caller unrefs it.
inline GVariant* PropertyOf(GDBusConnection* bus, const std::string& destination,
                            const std::string& path, const std::string& interface,
                            const std::string& name) {
  GVariant* reply = CallAndWait(bus, destination, path, "org.freedesktop.DBus.Properties", "Get",
                                g_variant_new("(ss)", interface.c_str(), name.c_str()));
  if (!reply) return nullptr;
  GVariant* value = nullptr;
  g_variant_get(reply, "(v)", &value);
  g_variant_unref(reply);
  return value;
}

// A string property, or "(none)".
inline std::string StringProperty(GDBusConnection* bus, const std::string& destination,
                                  const std::string& path, const std::string& interface,
                                  const std::string& name) {
  GVariant* value = PropertyOf(bus, destination, path, interface, name);
  if (!value) return "(none)";
  std::string out = g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) ||
                            g_variant_is_of_type(value, G_VARIANT_TYPE_OBJECT_PATH)
                        ? g_variant_get_string(value, nullptr)
                        : "(not a string)";
  g_variant_unref(value);
  return out;
}

// A service of the test's own: an object with one interface at one path, under a name it owns
// on its own connection. Calls go to `onCall`, which answers them.
class TestService {
 public:
  using OnCall = std::function<void(const std::string& method, GVariant* parameters,
                                    GDBusMethodInvocation* call)>;
  TestService(const PrivateBus& bus, const std::string& name, const std::string& path,
              const std::string& xml, OnCall onCall)
      : onCall_(std::move(onCall)), path_(path) {
    bus_ = bus.Connect();
    if (!bus_) return;
    info_ = g_dbus_node_info_new_for_xml(xml.c_str(), nullptr);
    static const GDBusInterfaceVTable vtable = {
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
           GVariant* parameters, GDBusMethodInvocation* call,
           gpointer data) { static_cast<TestService*>(data)->onCall_(method, parameters, call); },
        nullptr,
        nullptr,
        {}};
    object_ = g_dbus_connection_register_object(bus_, path.c_str(), info_->interfaces[0], &vtable,
                                                this, nullptr, nullptr);
    owner_ = g_bus_own_name_on_connection(
        bus_, name.c_str(), G_BUS_NAME_OWNER_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, gpointer data) {
          static_cast<TestService*>(data)->owned_ = true;
        },
        nullptr, this, nullptr);
    RunLoopUntil([&] { return owned_; }, 10000);
  }
  ~TestService() { Stop(); }
  TestService(const TestService&) = delete;
  TestService& operator=(const TestService&) = delete;

  bool Ready() const { return owned_; }
  GDBusConnection* connection() const { return bus_; }
  // Ends the service: its name goes from the bus, as when the program behind it ends.
  void Stop() {
    if (!bus_) return;
    if (owner_) g_bus_unown_name(owner_);
    if (object_) g_dbus_connection_unregister_object(bus_, object_);
    g_dbus_connection_close_sync(bus_, nullptr, nullptr);
    if (info_) g_dbus_node_info_unref(info_);
    g_object_unref(bus_);
    bus_ = nullptr;
    owned_ = false;
  }
  void Emit(const std::string& interface, const std::string& signal, GVariant* parameters) {
    g_dbus_connection_emit_signal(bus_, nullptr, path_.c_str(), interface.c_str(), signal.c_str(),
                                  parameters, nullptr);
    g_dbus_connection_flush_sync(bus_, nullptr, nullptr);
  }

 private:
  OnCall onCall_;
  std::string path_;
  GDBusConnection* bus_ = nullptr;
  GDBusNodeInfo* info_ = nullptr;
  guint object_ = 0, owner_ = 0;
  bool owned_ = false;
};

// The task bar's watcher: the items registered with it (the bus names they gave), or, with
// `refuse`, an error for each.
class TestWatcher {
 public:
  explicit TestWatcher(const PrivateBus& bus, bool refuse = false)
      : service_(
            bus, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
            "<node><interface name='org.kde.StatusNotifierWatcher'>"
            "<method name='RegisterStatusNotifierItem'>"
            "<arg type='s' name='service' direction='in'/></method>"
            "</interface></node>",
            [this, refuse](const std::string&, GVariant* parameters, GDBusMethodInvocation* call) {
              const gchar* service = nullptr;
              g_variant_get(parameters, "(&s)", &service);
              if (refuse) {
                ++refused;
                g_dbus_method_invocation_return_dbus_error(
                    call, "org.freedesktop.DBus.Error.AccessDenied", "no");
                return;
              }
              items.push_back(service);
              g_dbus_method_invocation_return_value(call, nullptr);
            }) {}
  bool Ready() const { return service_.Ready(); }
  void Stop() { service_.Stop(); }
  GDBusConnection* connection() const { return service_.connection(); }
  std::vector<std::string> items;
  int refused = 0;

 private:
  TestService service_;
};

// The desktop's settings portal, answering org.freedesktop.appearance color-scheme with
// `value` (a GVariant text, "uint32 1"); with `readOne` false it is a portal older than
// ReadOne and knows only Read, which wraps the value in one more variant.
class TestPortal {
 public:
  TestPortal(const PrivateBus& bus, std::string value, bool readOne = true)
      : value(std::move(value)),
        service_(
            bus, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
            std::string("<node><interface name='org.freedesktop.portal.Settings'>") +
                (readOne ? "<method name='ReadOne'><arg type='s' direction='in'/>"
                           "<arg type='s' direction='in'/>"
                           "<arg type='v' direction='out'/></method>"
                         : "") +
                "<method name='Read'><arg type='s' direction='in'/>"
                "<arg type='s' direction='in'/><arg type='v' direction='out'/></method>"
                "<signal name='SettingChanged'><arg type='s'/><arg type='s'/>"
                "<arg type='v'/></signal></interface></node>",
            [this](const std::string& method, GVariant* parameters, GDBusMethodInvocation* call) {
              const gchar *space = nullptr, *key = nullptr;
              g_variant_get(parameters, "(&s&s)", &space, &key);
              asked.push_back(method + " " + space + " " + key);
              if (g_strcmp0(space, "org.freedesktop.appearance") != 0 ||
                  g_strcmp0(key, "color-scheme") != 0) {
                g_dbus_method_invocation_return_dbus_error(
                    call, "org.freedesktop.portal.Error.NotFound", "no such setting");
                return;
              }
              GVariant* v =
                  g_variant_parse(nullptr, this->value.c_str(), nullptr, nullptr, nullptr);
              if (method == "Read") v = g_variant_new_variant(v);
              g_dbus_method_invocation_return_value(call, g_variant_new("(v)", v));
            }) {}
  bool Ready() const { return service_.Ready(); }
  void Stop() { service_.Stop(); }
  // The person changes the scheme: the signal with `text` (a GVariant text) as its value.
  void Change(const std::string& text, const char* space = "org.freedesktop.appearance",
              const char* key = "color-scheme") {
    GVariant* v = g_variant_parse(nullptr, text.c_str(), nullptr, nullptr, nullptr);
    service_.Emit("org.freedesktop.portal.Settings", "SettingChanged",
                  g_variant_new("(ssv)", space, key, v));
  }
  std::string value;
  std::vector<std::string> asked;  // "METHOD NAMESPACE KEY" for each call

 private:
  TestService service_;
};

}  // namespace wbtest
