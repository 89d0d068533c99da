#pragma once
// A notification on the desktop, through the freedesktop notification service on the session
// bus. Without a session bus or a service the notification is simply not shown.
#include <functional>
#include <memory>
#include <string>

namespace wb {

class DesktopNotification {
 public:
  struct Content {
    std::string appName;  // the program's name, as the desktop lists it
    std::string icon;     // an icon name or a file path; may be empty
    std::string summary;  // plain text: the service reads no markup in it
    // Plain text as well: where the service reads markup in the body, the text is escaped
    // for it, so a page's "<a href>" or "&amp;" is shown as the characters it wrote.
    std::string body;
  };

  // Shows the notification. `clicked` runs when the person clicks it (its default action),
  // `closed` when the desktop has closed it (dismissed, expired or clicked). Neither runs once
  // the object is gone.
  DesktopNotification(const Content& content, std::function<void()> clicked,
                      std::function<void()> closed);
  // Forgets the notification; it stays on the desktop until the desktop closes it, unless it
  // was closed with Close(), even before the service had answered.
  ~DesktopNotification();
  DesktopNotification(const DesktopNotification&) = delete;
  DesktopNotification& operator=(const DesktopNotification&) = delete;

  // Takes the notification off the desktop.
  void Close();

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace wb
