#include "platform/status_notifier_item.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/glib_ptr.h"

namespace wb {
namespace {

constexpr const char kItemInterface[] = "org.kde.StatusNotifierItem";
constexpr const char kMenuInterface[] = "com.canonical.dbusmenu";
constexpr const char kWatcherName[] = "org.kde.StatusNotifierWatcher";
constexpr const char kWatcherPath[] = "/StatusNotifierWatcher";
constexpr const char kInvalidArgs[] = "org.freedesktop.DBus.Error.InvalidArgs";
// The menu never changes, so its layout keeps its first revision.
constexpr guint32 kMenuRevision = 1;
// How long the watcher may take to answer the registration.
constexpr int kRegisterTimeoutMs = 10000;

constexpr const char kItemXml[] =
    "<node><interface name='org.kde.StatusNotifierItem'>"
    "<property name='Category' type='s' access='read'/>"
    "<property name='Id' type='s' access='read'/>"
    "<property name='Title' type='s' access='read'/>"
    "<property name='Status' type='s' access='read'/>"
    "<property name='WindowId' type='i' access='read'/>"
    "<property name='IconThemePath' type='s' access='read'/>"
    "<property name='IconName' type='s' access='read'/>"
    "<property name='IconPixmap' type='a(iiay)' access='read'/>"
    "<property name='OverlayIconName' type='s' access='read'/>"
    "<property name='OverlayIconPixmap' type='a(iiay)' access='read'/>"
    "<property name='AttentionIconName' type='s' access='read'/>"
    "<property name='AttentionIconPixmap' type='a(iiay)' access='read'/>"
    "<property name='AttentionMovieName' type='s' access='read'/>"
    "<property name='ToolTip' type='(sa(iiay)ss)' access='read'/>"
    "<property name='ItemIsMenu' type='b' access='read'/>"
    "<property name='Menu' type='o' access='read'/>"
    "<method name='ContextMenu'><arg name='x' type='i' direction='in'/>"
    "<arg name='y' type='i' direction='in'/></method>"
    "<method name='Activate'><arg name='x' type='i' direction='in'/>"
    "<arg name='y' type='i' direction='in'/></method>"
    "<method name='SecondaryActivate'><arg name='x' type='i' direction='in'/>"
    "<arg name='y' type='i' direction='in'/></method>"
    "<method name='Scroll'><arg name='delta' type='i' direction='in'/>"
    "<arg name='orientation' type='s' direction='in'/></method>"
    "<signal name='NewTitle'/><signal name='NewIcon'/><signal name='NewAttentionIcon'/>"
    "<signal name='NewOverlayIcon'/><signal name='NewToolTip'/>"
    "<signal name='NewStatus'><arg name='status' type='s'/></signal>"
    "</interface></node>";

constexpr const char kMenuXml[] =
    "<node><interface name='com.canonical.dbusmenu'>"
    "<property name='Version' type='u' access='read'/>"
    "<property name='TextDirection' type='s' access='read'/>"
    "<property name='Status' type='s' access='read'/>"
    "<property name='IconThemePath' type='as' access='read'/>"
    "<method name='GetLayout'><arg type='i' name='parentId' direction='in'/>"
    "<arg type='i' name='recursionDepth' direction='in'/>"
    "<arg type='as' name='propertyNames' direction='in'/>"
    "<arg type='u' name='revision' direction='out'/>"
    "<arg type='(ia{sv}av)' name='layout' direction='out'/></method>"
    "<method name='GetGroupProperties'><arg type='ai' name='ids' direction='in'/>"
    "<arg type='as' name='propertyNames' direction='in'/>"
    "<arg type='a(ia{sv})' name='properties' direction='out'/></method>"
    "<method name='GetProperty'><arg type='i' name='id' direction='in'/>"
    "<arg type='s' name='name' direction='in'/><arg type='v' name='value' direction='out'/>"
    "</method>"
    "<method name='Event'><arg type='i' name='id' direction='in'/>"
    "<arg type='s' name='eventId' direction='in'/><arg type='v' name='data' direction='in'/>"
    "<arg type='u' name='timestamp' direction='in'/></method>"
    "<method name='EventGroup'><arg type='a(isvu)' name='events' direction='in'/>"
    "<arg type='ai' name='idErrors' direction='out'/></method>"
    "<method name='AboutToShow'><arg type='i' name='id' direction='in'/>"
    "<arg type='b' name='needUpdate' direction='out'/></method>"
    "<method name='AboutToShowGroup'><arg type='ai' name='ids' direction='in'/>"
    "<arg type='ai' name='updatesNeeded' direction='out'/>"
    "<arg type='ai' name='idErrors' direction='out'/></method>"
    "<signal name='ItemsPropertiesUpdated'><arg type='a(ia{sv})' name='updatedProps'/>"
    "<arg type='a(ias)' name='removedProps'/></signal>"
    "<signal name='LayoutUpdated'><arg type='u' name='revision'/>"
    "<arg type='i' name='parent'/></signal>"
    "<signal name='ItemActivationRequested'><arg type='i' name='id'/>"
    "<arg type='u' name='timestamp'/></signal>"
    "</interface></node>";

struct NodeInfoUnref {
  void operator()(GDBusNodeInfo* p) const { g_dbus_node_info_unref(p); }
};
using NodeInfoPtr = std::unique_ptr<GDBusNodeInfo, NodeInfoUnref>;

GVariant* PixmapsOf(const std::vector<TrayPixmap>& icon) {
  GVariantBuilder list;
  g_variant_builder_init(&list, G_VARIANT_TYPE("a(iiay)"));
  for (const TrayPixmap& p : icon) {
    GVariant* bytes =
        g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, p.argb.data(), p.argb.size(), sizeof(char));
    g_variant_builder_add(&list, "(ii@ay)", p.width, p.height, bytes);
  }
  return g_variant_builder_end(&list);
}

GVariant* NoPixmaps() {
  return g_variant_new_array(G_VARIANT_TYPE("(iiay)"), nullptr, 0);
}

GVariant* PropertiesOf(const TrayMenuProperties& properties) {
  GVariantBuilder dict;
  g_variant_builder_init(&dict, G_VARIANT_TYPE("a{sv}"));
  for (const auto& [name, value] : properties) {
    GVariant* v = std::holds_alternative<bool>(value)
                      ? g_variant_new_boolean(std::get<bool>(value))
                      : g_variant_new_string(std::get<std::string>(value).c_str());
    g_variant_builder_add(&dict, "{sv}", name.c_str(), v);
  }
  return g_variant_builder_end(&dict);
}

GVariant* LayoutOf(const TrayMenuNode& node) {
  GVariantBuilder children;
  g_variant_builder_init(&children, G_VARIANT_TYPE("av"));
  for (const TrayMenuNode& child : node.children)
    g_variant_builder_add(&children, "v", LayoutOf(child));
  return g_variant_new("(i@a{sv}av)", node.id, PropertiesOf(node.properties), &children);
}

// The strings of an "as" value, no more than `limit` of them.
std::vector<std::string> StringsOf(GVariant* array, std::size_t limit) {
  std::vector<std::string> out;
  const std::size_t n = std::min(g_variant_n_children(array), limit);
  for (std::size_t i = 0; i < n; ++i) {
    GPtr<GVariant> s(g_variant_get_child_value(array, i));
    out.emplace_back(g_variant_get_string(s.get(), nullptr));
  }
  return out;
}

// The ids of an "ai" value, no more than `limit` of them.
std::vector<int> IdsOf(GVariant* array, std::size_t limit) {
  gsize n = 0;
  const gint32* ids =
      static_cast<const gint32*>(g_variant_get_fixed_array(array, &n, sizeof(gint32)));
  return std::vector<int>(ids, ids + std::min<std::size_t>(n, limit));
}

GVariant* IdList(const std::vector<int>& ids) {
  return g_variant_new_fixed_array(G_VARIANT_TYPE_INT32, ids.data(), ids.size(), sizeof(gint32));
}

}  // namespace

struct StatusNotifierItem::State {
  Content content;
  std::string toolTip;  // a text of its own for the tooltip; empty: the title
  Handlers handlers;
  GObjectPtr<GDBusConnection> bus;
  GObjectPtr<GCancellable> cancel{g_cancellable_new()};
  NodeInfoPtr itemInfo, menuInfo;
  guint itemObject = 0, menuObject = 0, owner = 0, watch = 0;
  std::string name;  // the name the watcher is given, once the item has one
  bool watcherThere = false;
  bool registering = false;
  bool registered = false;
  // Counts the watchers seen, so that the answer for one that went away is not taken for
  // the answer of the next.
  unsigned watcherGeneration = 0;
  std::weak_ptr<State> self;  // for the answers that may come after the item has gone

  void SetRegistered(bool now) {
    if (now == registered) return;
    registered = now;
    if (handlers.registrationChanged) handlers.registrationChanged(now);
  }

  void Register() {
    if (!watcherThere || name.empty() || registering || registered) return;
    registering = true;
    struct Call {
      std::weak_ptr<State> state;
      unsigned generation;
    };
    g_dbus_connection_call(
        bus.get(), kWatcherName, kWatcherPath, kWatcherName, "RegisterStatusNotifierItem",
        g_variant_new("(s)", name.c_str()), G_VARIANT_TYPE("()"), G_DBUS_CALL_FLAGS_NONE,
        kRegisterTimeoutMs, cancel.get(),
        [](GObject* source, GAsyncResult* result, gpointer data) {
          std::unique_ptr<Call> call(static_cast<Call*>(data));
          GPtr<GError> error;
          GPtr<GVariant> reply(
              g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, OutPtr(error)));
          std::shared_ptr<State> state = call->state.lock();
          if (!state) return;
          state->registering = false;
          if (call->generation != state->watcherGeneration) {
            // Another watcher came meanwhile: it is asked afresh.
            state->Register();
            return;
          }
          if (!reply) {
            std::fprintf(stderr, "%s: the task bar did not take the tray item: %s\n",
                         g_get_prgname(), MessageOf(error.get()).c_str());
            return;
          }
          state->SetRegistered(true);
        },
        new Call{self, watcherGeneration});
  }

  GVariant* Property(const char* interface, const char* property) {
    const std::string p = property;
    if (g_strcmp0(interface, kMenuInterface) == 0) {
      if (p == "Version") return g_variant_new_uint32(3);
      if (p == "TextDirection") return g_variant_new_string("ltr");
      if (p == "Status") return g_variant_new_string("normal");
      if (p == "IconThemePath") return g_variant_new_strv(nullptr, 0);
      return nullptr;
    }
    if (p == "Category") return g_variant_new_string(kTrayCategory);
    if (p == "Id") return g_variant_new_string(content.id.c_str());
    if (p == "Title") return g_variant_new_string(content.title.c_str());
    if (p == "Status") return g_variant_new_string(kTrayStatus);
    if (p == "WindowId") return g_variant_new_int32(0);
    if (p == "IconPixmap") return PixmapsOf(content.icon);
    if (p == "OverlayIconPixmap" || p == "AttentionIconPixmap") return NoPixmaps();
    if (p == "ToolTip")
      return g_variant_new("(s@a(iiay)ss)", "", PixmapsOf(content.icon),
                           (toolTip.empty() ? content.title : toolTip).c_str(), "");
    if (p == "ItemIsMenu") return g_variant_new_boolean(FALSE);
    if (p == "Menu") return g_variant_new_object_path(kTrayMenuPath);
    // The names of icons and the movie: the item sends its pixels instead.
    return g_variant_new_string("");
  }

  void ItemCall(const char* method, GDBusMethodInvocation* call) {
    g_dbus_method_invocation_return_value(call, nullptr);
    // The menu is the one the Menu property names; a task bar that asks the item to show it
    // reads that. A click shows the window; the other gestures mean nothing here.
    if (g_strcmp0(method, "Activate") == 0 && handlers.activate) handlers.activate();
  }

  void MenuCall(const char* method, GVariant* parameters, GDBusMethodInvocation* call) {
    const std::string m = method;
    if (m == "GetLayout") {
      gint32 parent = 0, depth = 0;
      GVariant* names = nullptr;
      g_variant_get(parameters, "(ii@as)", &parent, &depth, &names);
      GPtr<GVariant> owned(names);
      const auto layout = TrayMenuLayout(parent, depth, StringsOf(names, kTrayMenuMaxNames));
      if (!layout) {
        g_dbus_method_invocation_return_dbus_error(call, kInvalidArgs, "no such menu item");
        return;
      }
      g_dbus_method_invocation_return_value(
          call, g_variant_new("(u@(ia{sv}av))", kMenuRevision, LayoutOf(*layout)));
    } else if (m == "GetGroupProperties") {
      GVariant *ids = nullptr, *names = nullptr;
      g_variant_get(parameters, "(@ai@as)", &ids, &names);
      GPtr<GVariant> ownedIds(ids), ownedNames(names);
      GVariantBuilder list;
      g_variant_builder_init(&list, G_VARIANT_TYPE("a(ia{sv})"));
      for (const auto& [id, properties] : TrayMenuGroupProperties(
               IdsOf(ids, kTrayMenuMaxIds), StringsOf(names, kTrayMenuMaxNames)))
        g_variant_builder_add(&list, "(i@a{sv})", id, PropertiesOf(properties));
      g_dbus_method_invocation_return_value(call, g_variant_new("(a(ia{sv}))", &list));
    } else if (m == "GetProperty") {
      gint32 id = 0;
      const gchar* name = nullptr;
      g_variant_get(parameters, "(i&s)", &id, &name);
      const auto found = TrayMenuGroupProperties({id}, {name});
      if (found.empty() || found.front().second.empty()) {
        g_dbus_method_invocation_return_dbus_error(call, kInvalidArgs, "no such property");
        return;
      }
      GPtr<GVariant> dict(g_variant_ref_sink(PropertiesOf(found.front().second)));
      GPtr<GVariant> value(g_variant_lookup_value(dict.get(), name, nullptr));
      g_dbus_method_invocation_return_value(call, g_variant_new("(v)", value.get()));
    } else if (m == "Event") {
      gint32 id = 0;
      const gchar* event = nullptr;
      g_variant_get(parameters, "(i&svu)", &id, &event, nullptr, nullptr);
      if (!IsTrayMenuItem(id)) {
        g_dbus_method_invocation_return_dbus_error(call, kInvalidArgs, "no such menu item");
        return;
      }
      const TrayCommand command = TrayMenuEvent(id, event);
      g_dbus_method_invocation_return_value(call, nullptr);
      // Last: the command may end the program, and with it this object.
      if (command != TrayCommand::kNone && handlers.command) handlers.command(command);
    } else if (m == "EventGroup") {
      GVariant* events = g_variant_get_child_value(parameters, 0);
      GPtr<GVariant> owned(events);
      std::vector<int> errors;
      std::vector<TrayCommand> commands;
      const std::size_t n = g_variant_n_children(events);
      for (std::size_t i = 0; i < n && i < kTrayMenuMaxIds; ++i) {
        gint32 id = 0;
        const gchar* event = nullptr;
        g_variant_get_child(events, i, "(i&svu)", &id, &event, nullptr, nullptr);
        if (!IsTrayMenuItem(id)) {
          errors.push_back(id);
          continue;
        }
        if (TrayCommand c = TrayMenuEvent(id, event); c != TrayCommand::kNone)
          commands.push_back(c);
      }
      if (n > 0 && errors.size() == std::min<std::size_t>(n, kTrayMenuMaxIds)) {
        g_dbus_method_invocation_return_dbus_error(call, kInvalidArgs, "no such menu items");
        return;
      }
      g_dbus_method_invocation_return_value(call, g_variant_new("(@ai)", IdList(errors)));
      // One command per group: the first; a second click in the same group is its echo.
      if (!commands.empty() && handlers.command) handlers.command(commands.front());
    } else if (m == "AboutToShow") {
      gint32 id = 0;
      g_variant_get(parameters, "(i)", &id);
      if (!IsTrayMenuItem(id)) {
        g_dbus_method_invocation_return_dbus_error(call, kInvalidArgs, "no such menu item");
        return;
      }
      g_dbus_method_invocation_return_value(call, g_variant_new("(b)", FALSE));
    } else if (m == "AboutToShowGroup") {
      GVariant* ids = g_variant_get_child_value(parameters, 0);
      GPtr<GVariant> owned(ids);
      std::vector<int> errors;
      for (int id : IdsOf(ids, kTrayMenuMaxIds))
        if (!IsTrayMenuItem(id)) errors.push_back(id);
      g_dbus_method_invocation_return_value(call,
                                            g_variant_new("(@ai@ai)", IdList({}), IdList(errors)));
    } else {
      g_dbus_method_invocation_return_dbus_error(call, "org.freedesktop.DBus.Error.UnknownMethod",
                                                 method);
    }
  }
};

namespace {

StatusNotifierItem::State* StateOf(gpointer data) {
  return static_cast<StatusNotifierItem::State*>(data);
}

}  // namespace

StatusNotifierItem::StatusNotifierItem(Content content, Handlers handlers)
    : state_(std::make_shared<State>()) {
  State& s = *state_;
  s.self = state_;
  s.content = std::move(content);
  s.handlers = std::move(handlers);
  s.bus.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
  if (!s.bus) return;
  s.itemInfo.reset(g_dbus_node_info_new_for_xml(kItemXml, nullptr));
  s.menuInfo.reset(g_dbus_node_info_new_for_xml(kMenuXml, nullptr));
  g_assert(s.itemInfo && s.menuInfo);

  static const GDBusInterfaceVTable vtable = {
      [](GDBusConnection*, const gchar*, const gchar*, const gchar* interface, const gchar* method,
         GVariant* parameters, GDBusMethodInvocation* call, gpointer data) {
        if (g_strcmp0(interface, kItemInterface) == 0)
          StateOf(data)->ItemCall(method, call);
        else
          StateOf(data)->MenuCall(method, parameters, call);
      },
      [](GDBusConnection*, const gchar*, const gchar*, const gchar* interface,
         const gchar* property, GError** error, gpointer data) -> GVariant* {
        GVariant* value = StateOf(data)->Property(interface, property);
        if (!value)
          g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "no property %s",
                      property);
        return value;
      },
      nullptr,
      {}};
  s.itemObject = g_dbus_connection_register_object(
      s.bus.get(), kTrayItemPath, s.itemInfo->interfaces[0], &vtable, &s, nullptr, nullptr);
  s.menuObject = g_dbus_connection_register_object(
      s.bus.get(), kTrayMenuPath, s.menuInfo->interfaces[0], &vtable, &s, nullptr, nullptr);

  // The name the protocol suggests for an item: the process and a number. Should it be taken,
  // the connection's own name serves as well, which every watcher accepts too.
  const std::string wanted = "org.kde.StatusNotifierItem-" + std::to_string(::getpid()) + "-1";
  s.owner = g_bus_own_name_on_connection(
      s.bus.get(), wanted.c_str(), G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
      [](GDBusConnection*, const gchar* name, gpointer data) {
        State* state = StateOf(data);
        if (!state->name.empty()) return;
        state->name = name;
        state->Register();
      },
      [](GDBusConnection* bus, const gchar*, gpointer data) {
        State* state = StateOf(data);
        if (!state->name.empty() || !bus) return;
        if (const gchar* unique = g_dbus_connection_get_unique_name(bus)) {
          state->name = unique;
          state->Register();
        }
      },
      &s, nullptr);

  s.watch = g_bus_watch_name_on_connection(
      s.bus.get(), kWatcherName, G_BUS_NAME_WATCHER_FLAGS_NONE,
      [](GDBusConnection*, const gchar*, const gchar*, gpointer data) {
        State* state = StateOf(data);
        state->watcherThere = true;
        ++state->watcherGeneration;
        state->SetRegistered(false);
        state->Register();
      },
      [](GDBusConnection*, const gchar*, gpointer data) {
        State* state = StateOf(data);
        state->watcherThere = false;
        ++state->watcherGeneration;
        state->SetRegistered(false);
      },
      &s, nullptr);
}

StatusNotifierItem::~StatusNotifierItem() {
  State& s = *state_;
  if (!s.bus) return;
  g_cancellable_cancel(s.cancel.get());
  if (s.watch) g_bus_unwatch_name(s.watch);
  if (s.owner) g_bus_unown_name(s.owner);
  if (s.menuObject) g_dbus_connection_unregister_object(s.bus.get(), s.menuObject);
  if (s.itemObject) g_dbus_connection_unregister_object(s.bus.get(), s.itemObject);
  // The answer to the last call (the menu's Quit among them) still reaches its caller.
  g_dbus_connection_flush_sync(s.bus.get(), nullptr, nullptr);
}

bool StatusNotifierItem::registered() const {
  return state_->registered;
}

std::string StatusNotifierItem::busName() const {
  return state_->name;
}

void StatusNotifierItem::SetTitle(const std::string& title) {
  State& s = *state_;
  if (title == s.content.title) return;
  s.content.title = title;
  if (!s.bus) return;
  for (const char* signal : {"NewTitle", "NewToolTip"})
    g_dbus_connection_emit_signal(s.bus.get(), nullptr, kTrayItemPath, kItemInterface, signal,
                                  nullptr, nullptr);
}

void StatusNotifierItem::SetToolTip(const std::string& text) {
  State& s = *state_;
  if (text == s.toolTip) return;
  s.toolTip = text;
  if (!s.bus) return;
  g_dbus_connection_emit_signal(s.bus.get(), nullptr, kTrayItemPath, kItemInterface, "NewToolTip",
                                nullptr, nullptr);
}

}  // namespace wb
