#include "platform/desktop_color_scheme.h"

#include <string>
#include <utility>

#include "platform/glib_ptr.h"

namespace wb {
namespace {

constexpr const char kPortalName[] = "org.freedesktop.portal.Desktop";
constexpr const char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr const char kSettings[] = "org.freedesktop.portal.Settings";
constexpr const char kNamespace[] = "org.freedesktop.appearance";
constexpr const char kKey[] = "color-scheme";
constexpr int kReadTimeoutMs = 10000;

}  // namespace

std::optional<std::uint32_t> PortalColorSchemeValue(GVariant* value) {
  if (!value) return std::nullopt;
  GPtr<GVariant> v(g_variant_ref(value));
  for (int depth = 0; depth < 2 && g_variant_is_of_type(v.get(), G_VARIANT_TYPE_VARIANT); ++depth)
    v.reset(g_variant_get_variant(v.get()));
  if (!g_variant_is_of_type(v.get(), G_VARIANT_TYPE_UINT32)) return std::nullopt;
  return g_variant_get_uint32(v.get());
}

struct DesktopColorScheme::State {
  std::function<void(std::optional<ColorScheme>)> changed;
  GObjectPtr<GDBusConnection> bus;
  GObjectPtr<GCancellable> cancel{g_cancellable_new()};
  guint watch = 0, subscription = 0;
  std::optional<ColorScheme> scheme;
  // Counts the portals seen, so that a late answer of one that went away is dropped.
  unsigned generation = 0;
  std::weak_ptr<State> self;

  void Set(std::optional<ColorScheme> now) {
    if (now == scheme) return;
    scheme = now;
    if (changed) changed(now);
  }

  // Asks with ReadOne, and with Read where the portal is older than ReadOne.
  void Read(const char* method) {
    struct Call {
      std::weak_ptr<State> state;
      unsigned generation;
      bool readOne;
    };
    g_dbus_connection_call(
        bus.get(), kPortalName, kPortalPath, kSettings, method,
        g_variant_new("(ss)", kNamespace, kKey), G_VARIANT_TYPE("(v)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, kReadTimeoutMs, cancel.get(),
        [](GObject* source, GAsyncResult* result, gpointer data) {
          std::unique_ptr<Call> call(static_cast<Call*>(data));
          GPtr<GError> error;
          GPtr<GVariant> reply(
              g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, OutPtr(error)));
          std::shared_ptr<State> state = call->state.lock();
          if (!state || call->generation != state->generation) return;
          if (!reply) {
            if (call->readOne &&
                g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD))
              state->Read("Read");
            return;
          }
          GPtr<GVariant> value(g_variant_get_child_value(reply.get(), 0));
          if (auto v = PortalColorSchemeValue(value.get()))
            state->Set(ColorSchemeOfPortalValue(*v));
        },
        new Call{self, generation, std::string(method) == "ReadOne"});
  }
};

DesktopColorScheme::DesktopColorScheme(std::function<void(std::optional<ColorScheme>)> changed)
    : state_(std::make_shared<State>()) {
  State& s = *state_;
  s.self = state_;
  s.changed = std::move(changed);
  s.bus.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
  if (!s.bus) return;
  s.subscription = g_dbus_connection_signal_subscribe(
      s.bus.get(), kPortalName, kSettings, "SettingChanged", kPortalPath, kNamespace,
      G_DBUS_SIGNAL_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
         GVariant* parameters, gpointer data) {
        if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ssv)"))) return;
        const gchar *space = nullptr, *key = nullptr;
        GVariant* value = nullptr;
        g_variant_get(parameters, "(&s&sv)", &space, &key, &value);
        GPtr<GVariant> owned(value);
        if (g_strcmp0(space, kNamespace) != 0 || g_strcmp0(key, kKey) != 0) return;
        if (auto v = PortalColorSchemeValue(value))
          static_cast<State*>(data)->Set(ColorSchemeOfPortalValue(*v));
      },
      &s, nullptr);
  s.watch = g_bus_watch_name_on_connection(
      s.bus.get(), kPortalName, G_BUS_NAME_WATCHER_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, gpointer data) {
        State* state = static_cast<State*>(data);
        ++state->generation;
        state->Read("ReadOne");
      },
      [](GDBusConnection*, const gchar*, gpointer data) {
        State* state = static_cast<State*>(data);
        ++state->generation;
        state->Set(std::nullopt);
      },
      &s, nullptr);
}

DesktopColorScheme::~DesktopColorScheme() {
  State& s = *state_;
  if (!s.bus) return;
  g_cancellable_cancel(s.cancel.get());
  if (s.watch) g_bus_unwatch_name(s.watch);
  if (s.subscription) g_dbus_connection_signal_unsubscribe(s.bus.get(), s.subscription);
}

std::optional<ColorScheme> DesktopColorScheme::current() const {
  return state_->scheme;
}

}  // namespace wb
