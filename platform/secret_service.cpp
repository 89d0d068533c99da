#include "platform/secret_service.h"

#include <gio/gio.h>

#include "platform/glib_ptr.h"

namespace wb {

namespace {

constexpr const char* kName = "org.freedesktop.secrets";
constexpr int kCallTimeoutMs = 5000;

}  // namespace

struct SecretServiceWatch::State {
  bool owned = false;
  bool ownerKnown = false;
  bool activatable = false;
  bool activatableKnown = false;
  GObjectPtr<GCancellable> cancel{g_cancellable_new()};
};

namespace {

using State = SecretServiceWatch::State;
using Link = std::weak_ptr<State>;

void FreeLink(gpointer data) {
  delete static_cast<Link*>(data);
}

void OwnerChanged(gpointer data, bool owned) {
  if (auto state = static_cast<Link*>(data)->lock()) {
    state->owned = owned;
    state->ownerKnown = true;
  }
}

// The bus's list of the names it can start, asked once.
void ActivatableNamesListed(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Link> link(static_cast<Link*>(data));
  GPtr<GVariant> reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, nullptr));
  auto state = link->lock();
  if (!state) return;
  state->activatableKnown = true;
  if (!reply) return;
  GPtr<GVariant> names(g_variant_get_child_value(reply.get(), 0));
  const gchar** list = g_variant_get_strv(names.get(), nullptr);
  for (const gchar** name = list; name && *name; ++name)
    if (g_strcmp0(*name, kName) == 0) state->activatable = true;
  g_free(list);
}

void BusReady(GObject*, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Link> link(static_cast<Link*>(data));
  GObjectPtr<GDBusConnection> bus(g_bus_get_finish(result, nullptr));
  auto state = link->lock();
  if (!state) return;
  if (!bus) {
    state->activatableKnown = true;
    return;
  }
  g_dbus_connection_call(bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                         "org.freedesktop.DBus", "ListActivatableNames", nullptr,
                         G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs,
                         state->cancel.get(), ActivatableNamesListed, link.release());
}

}  // namespace

SecretServiceWatch::SecretServiceWatch() : state_(std::make_shared<State>()) {
  // Watching asks the bus who owns the name, without starting an owner.
  watch_ = g_bus_watch_name(
      G_BUS_TYPE_SESSION, kName, G_BUS_NAME_WATCHER_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, gpointer data) { OwnerChanged(data, true); },
      [](GDBusConnection*, const gchar*, gpointer data) { OwnerChanged(data, false); },
      new Link(state_), FreeLink);
  g_bus_get(G_BUS_TYPE_SESSION, state_->cancel.get(), BusReady, new Link(state_));
}

SecretServiceWatch::~SecretServiceWatch() {
  g_cancellable_cancel(state_->cancel.get());
  g_bus_unwatch_name(watch_);
}

bool SecretServiceWatch::Answers() const {
  return state_->owned || state_->activatable;
}

bool SecretServiceWatch::Known() const {
  return state_->ownerKnown && state_->activatableKnown;
}

SecretServiceWatch& SecretService() {
  // Kept to the process's end: the bus may still answer while the program closes.
  static SecretServiceWatch* watch = new SecretServiceWatch;
  return *watch;
}

}  // namespace wb
