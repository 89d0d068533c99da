#pragma once
// The copy's status-notifier item on the session bus: the object task bars show as an icon,
// "org.kde.StatusNotifierItem" at /StatusNotifierItem, with its menu ("com.canonical.dbusmenu")
// at the path its Menu property names. The item owns a name of its own on the bus and hands it
// to the task bar's watcher (org.kde.StatusNotifierWatcher) whenever a watcher is there: at
// once, and again when a watcher appears later or comes back. What it shows and what its menu
// holds are decided in support/tray_item.h; here they only travel.
#include <gio/gio.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/tray_item.h"

namespace wb {

class StatusNotifierItem {
 public:
  struct Content {
    std::string id;                // the copy's name
    std::string title;             // the window's title
    std::vector<TrayPixmap> icon;  // the icon at a few sizes; may be empty
  };
  struct Handlers {
    // The person clicked the item (Activate) or chose an entry of its menu.
    std::function<void()> activate;
    std::function<void(TrayCommand)> command;
    // The watcher took the item, or lost it (the watcher went away).
    std::function<void(bool registered)> registrationChanged;
  };

  // Puts the item on the session bus and registers it with the watcher when there is one.
  // Without a session bus the item is never registered. No handler runs once the object is
  // gone.
  StatusNotifierItem(Content content, Handlers handlers);
  ~StatusNotifierItem();
  StatusNotifierItem(const StatusNotifierItem&) = delete;
  StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

  // Whether a watcher has taken the item and is still there.
  bool registered() const;
  // The name the item has on the bus, which the watcher was given; empty before it has one.
  std::string busName() const;
  // A new title for the item and its tooltip, signalled to the task bar when it differs.
  void SetTitle(const std::string& title);
  // A text of its own for the tooltip (empty: the title again), signalled when it differs.
  void SetToolTip(const std::string& text);

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace wb
