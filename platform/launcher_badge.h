#pragma once
// The unread count of a copy on its launcher entry: docks and task bars read the signal
// "Update" of the interface com.canonical.Unity.LauncherEntry on the session bus, naming the
// application by its desktop entry ("application://NAME.desktop") with the properties "count"
// and "count-visible".
#include <gio/gio.h>

#include <optional>
#include <string>

#include "platform/glib_ptr.h"
#include "support/app_badge.h"

namespace wb {

class LauncherBadge {
 public:
  // `desktopId` is the copy's desktop entry name, "NAME.desktop".
  explicit LauncherBadge(std::string desktopId);
  LauncherBadge(const LauncherBadge&) = delete;
  LauncherBadge& operator=(const LauncherBadge&) = delete;

  // Shows `count` on the entry, or clears it (nothing, or a count of 0 or less: nothing unread
  // is no badge): the signal goes out only when the count changes, so a page that sets its
  // title often costs the bus nothing. Without a session bus the count is kept and nothing is
  // sent.
  void Show(std::optional<long> count);
  // Shows `badge` the same way; a flag is a badge without a number, "count-visible" with a
  // count of 0, which each dock draws its own way.
  void Show(const AppBadge& badge);
  std::optional<long> count() const;
  const std::string& appUri() const { return appUri_; }

 private:
  std::string appUri_;
  std::string objectPath_;
  AppBadge shown_;
  bool sent_ = false;  // whether any Update went out, so a first "none" sends nothing
  GObjectPtr<GDBusConnection> bus_;
};

}  // namespace wb
