#include "platform/desktop_notification.h"

#include <gio/gio.h>

#include <utility>

#include "platform/glib_ptr.h"
#include "support/notification_markup.h"

namespace wb {

namespace {

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr int kCallTimeoutMs = 5000;

// The texts of the service are UTF-8; a page's text that is not would be refused by GVariant.
std::string ValidUtf8(const std::string& text) {
  GPtr<gchar> valid(g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size())));
  return valid ? std::string(valid.get()) : std::string();
}

}  // namespace

struct DesktopNotification::State {
  GObjectPtr<GDBusConnection> bus;
  GObjectPtr<GCancellable> cancel{g_cancellable_new()};
  DesktopNotification::Content content;  // valid UTF-8, until it has been sent
  guint32 id = 0;                        // the service's number for it, once it has answered
  bool sent = false;                     // Notify has gone to the service
  bool closeAsked = false;
  // The state itself, while a notification closed and then forgotten waits for the service's
  // number, so that it can still be closed on the desktop when the number comes.
  std::shared_ptr<State> closing;
  guint actionSignal = 0;
  guint closedSignal = 0;
  std::function<void()> clicked;
  std::function<void()> closed;

  void CloseOnService() {
    if (!bus || id == 0) return;
    g_dbus_connection_call(bus.get(), kService, kPath, kService, "CloseNotification",
                           g_variant_new("(u)", id), nullptr, G_DBUS_CALL_FLAGS_NONE,
                           kCallTimeoutMs, nullptr, nullptr, nullptr);
  }
};

namespace {

using State = DesktopNotification::State;

// The callbacks' data: the notification's state while the object lives.
struct Link {
  std::weak_ptr<State> state;
};

void FreeLink(gpointer data) {
  delete static_cast<Link*>(data);
}

void OnSignal(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
              GVariant* parameters, gpointer data) {
  std::shared_ptr<State> state = static_cast<Link*>(data)->state.lock();
  if (!state || state->id == 0) return;
  guint32 id = 0;
  if (g_strcmp0(signal, "ActionInvoked") == 0 &&
      g_variant_is_of_type(parameters, G_VARIANT_TYPE("(us)"))) {
    const gchar* action = nullptr;
    g_variant_get(parameters, "(u&s)", &id, &action);
    if (id == state->id && g_strcmp0(action, "default") == 0 && state->clicked) state->clicked();
  } else if (g_strcmp0(signal, "NotificationClosed") == 0 &&
             g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) {
    guint32 reason = 0;
    g_variant_get(parameters, "(uu)", &id, &reason);
    if (id != state->id) return;
    state->id = 0;
    if (state->closed) state->closed();
  }
}

void OnNotified(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Link> link(static_cast<Link*>(data));
  GPtr<GError> error;
  GPtr<GVariant> reply(
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, OutPtr(error)));
  std::shared_ptr<State> state = link->state.lock();
  if (!state) return;
  const std::shared_ptr<State> closing = std::move(state->closing);
  if (!reply || !g_variant_is_of_type(reply.get(), G_VARIANT_TYPE("(u)"))) return;
  g_variant_get(reply.get(), "(u)", &state->id);
  if (state->closeAsked) state->CloseOnService();
}

// Whether the service reads markup in the body. One that says it does not shows the body as
// plain text, where an escaped "&" would show as "&amp;". One that gives no usable answer
// might still read markup, so its body is escaped: a stray entity is better than a page's
// link or picture on the desktop.
bool ReadsBodyMarkup(GVariant* capabilities) {
  if (!capabilities || !g_variant_is_of_type(capabilities, G_VARIANT_TYPE("(as)"))) return true;
  GPtr<GVariant> list(g_variant_get_child_value(capabilities, 0));
  GVariantIter iter;
  g_variant_iter_init(&iter, list.get());
  const gchar* item = nullptr;
  while (g_variant_iter_next(&iter, "&s", &item))
    if (g_strcmp0(item, "body-markup") == 0) return true;
  return false;
}

// The service's capabilities have come (or its failure to tell them): the notification is
// sent, its body escaped where the service reads markup, unless it was closed meanwhile.
void OnCapabilities(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<Link> link(static_cast<Link*>(data));
  GPtr<GError> error;
  GPtr<GVariant> reply(
      g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, OutPtr(error)));
  std::shared_ptr<State> state = link->state.lock();
  if (!state || state->closeAsked ||
      g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
    return;
  }
  const DesktopNotification::Content content = std::move(state->content);
  state->sent = true;
  const std::string body =
      ReadsBodyMarkup(reply.get()) ? EscapeNotificationMarkup(content.body) : content.body;
  GVariantBuilder actions;
  g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
  g_variant_builder_add(&actions, "s", "default");
  g_variant_builder_add(&actions, "s", "Open");
  GVariantBuilder hints;
  g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
  g_dbus_connection_call(
      state->bus.get(), kService, kPath, kService, "Notify",
      g_variant_new("(susssasa{sv}i)", content.appName.c_str(), 0u, content.icon.c_str(),
                    content.summary.c_str(), body.c_str(), &actions, &hints, -1),
      G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, state->cancel.get(),
      OnNotified, new Link{state});
}

}  // namespace

DesktopNotification::DesktopNotification(const Content& content, std::function<void()> clicked,
                                         std::function<void()> closed)
    : state_(std::make_shared<State>()) {
  state_->clicked = std::move(clicked);
  state_->closed = std::move(closed);
  state_->bus.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
  if (!state_->bus) return;
  GDBusConnection* bus = state_->bus.get();
  for (const char* signal : {"ActionInvoked", "NotificationClosed"}) {
    guint id = g_dbus_connection_signal_subscribe(bus, kService, kService, signal, kPath, nullptr,
                                                  G_DBUS_SIGNAL_FLAGS_NONE, OnSignal,
                                                  new Link{state_}, FreeLink);
    (g_strcmp0(signal, "ActionInvoked") == 0 ? state_->actionSignal : state_->closedSignal) = id;
  }
  state_->content = {ValidUtf8(content.appName), ValidUtf8(content.icon),
                     ValidUtf8(content.summary), ValidUtf8(content.body)};
  // Whether the body may carry markup depends on the service, so it is asked first; the
  // notification is sent when it has answered.
  g_dbus_connection_call(bus, kService, kPath, kService, "GetCapabilities", nullptr,
                         G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs,
                         state_->cancel.get(), OnCapabilities, new Link{state_});
}

DesktopNotification::~DesktopNotification() {
  state_->clicked = nullptr;
  state_->closed = nullptr;
  // A notification closed before the service gave its number is closed when the number
  // comes; otherwise a page's notifications that the window closes to make room for newer
  // ones would stay on the desktop.
  if (state_->closeAsked && state_->sent && state_->id == 0) {
    state_->closing = state_;
  } else {
    g_cancellable_cancel(state_->cancel.get());
  }
  if (state_->bus) {
    if (state_->actionSignal)
      g_dbus_connection_signal_unsubscribe(state_->bus.get(), state_->actionSignal);
    if (state_->closedSignal)
      g_dbus_connection_signal_unsubscribe(state_->bus.get(), state_->closedSignal);
  }
}

void DesktopNotification::Close() {
  state_->closeAsked = true;
  state_->CloseOnService();
}

}  // namespace wb
