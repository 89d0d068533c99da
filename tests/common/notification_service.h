#pragma once
// A desktop notification service of the test's own on the process's session bus: what it is
// asked to show and to close, answered at once or when the test says, and a person's click.
#include <gio/gio.h>

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace wbtest {

// The service, on the process's session bus. It answers GetCapabilities with `capabilities`,
// or, without them, does not know the method. With `holdNotify` it keeps the answers to
// Notify until Answer() is called.
class NotificationService {
 public:
  explicit NotificationService(std::optional<std::vector<std::string>> capabilities = std::nullopt,
                               bool holdNotify = false)
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
    owner_ = g_bus_own_name_on_connection(bus_, "org.freedesktop.Notifications",
                                          G_BUS_NAME_OWNER_FLAGS_REPLACE, OnOwned, nullptr, this,
                                          nullptr);
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
  // The person clicks notification `id` (its default action).
  void Click(guint32 id) {
    g_dbus_connection_emit_signal(bus_, nullptr, "/org/freedesktop/Notifications",
                                  "org.freedesktop.Notifications", "ActionInvoked",
                                  g_variant_new("(us)", id, "default"), nullptr);
  }
  // Answers the Notify calls held so far, numbering them from 1 in the order they came.
  void Answer() {
    for (GDBusMethodInvocation* call : held_)
      g_dbus_method_invocation_return_value(call, g_variant_new("(u)", ++answered_));
    held_.clear();
  }

  struct Shown {
    std::string app, summary, body;
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
      self->shown.push_back({app, summary, body});
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

}  // namespace wbtest
