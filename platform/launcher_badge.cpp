#include "platform/launcher_badge.h"

#include <cstdio>
#include <utility>

namespace wb {

LauncherBadge::LauncherBadge(std::string desktopId)
    : appUri_("application://" + std::move(desktopId)) {
  // The path only has to be unique for the application; its hash keeps it a valid path.
  char path[64];
  std::snprintf(path, sizeof path, "/com/canonical/unity/launcherentry/%u",
                g_str_hash(appUri_.c_str()));
  objectPath_ = path;
  bus_.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
}

void LauncherBadge::Show(std::optional<long> count) {
  // Nothing unread is no badge: a "0" on the entry would only draw the eye to nothing.
  Show(count && *count > 0 ? AppBadge{AppBadge::Kind::kCount, *count} : AppBadge{});
}

std::optional<long> LauncherBadge::count() const {
  if (shown_.kind != AppBadge::Kind::kCount) return std::nullopt;
  return static_cast<long>(shown_.count);
}

void LauncherBadge::Show(const AppBadge& badge) {
  const bool none = badge.kind == AppBadge::Kind::kNone;
  if (badge == shown_ && (sent_ || none)) return;
  shown_ = badge;
  if (!bus_) return;
  GVariantBuilder props;
  g_variant_builder_init(&props, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(
      &props, "{sv}", "count",
      g_variant_new_int64(badge.kind == AppBadge::Kind::kCount ? badge.count : 0));
  g_variant_builder_add(&props, "{sv}", "count-visible", g_variant_new_boolean(!none));
  g_dbus_connection_emit_signal(bus_.get(), nullptr, objectPath_.c_str(),
                                "com.canonical.Unity.LauncherEntry", "Update",
                                g_variant_new("(sa{sv})", appUri_.c_str(), &props), nullptr);
  g_dbus_connection_flush(bus_.get(), nullptr, nullptr, nullptr);
  sent_ = true;
}

}  // namespace wb
