#include "engine/page_notifications_webkit.h"

#include <gtkmm/window.h>

#include <algorithm>
#include <utility>

#include "engine/dialogs.h"

namespace wb {

PageNotifications::PageNotifications(WebKitWebView* view, const std::string& appName,
                                     const std::string& icon)
    : view_(view), appName_(appName), icon_(icon) {
  g_signal_connect(view, "show-notification", G_CALLBACK(OnShow), this);
}

PageNotifications::~PageNotifications() {
  if (forgetIdle_) g_source_remove(forgetIdle_);
  g_signal_handlers_disconnect_by_data(view_, this);
  for (auto& entry : entries_) g_signal_handlers_disconnect_by_data(entry->page.get(), this);
}

gboolean PageNotifications::OnShow(WebKitWebView*, WebKitNotification* notification,
                                   gpointer data) {
  auto* self = static_cast<PageNotifications*>(data);
  // Handled either way: a notification refused here is not shown by the engine either.
  if (!self->rate_.Take()) return TRUE;
  while (self->entries_.size() >= kMaxShown) self->CloseOldest();
  auto entry = std::make_unique<Entry>();
  entry->page = RefObject(notification);
  const char* title = webkit_notification_get_title(notification);
  const char* body = webkit_notification_get_body(notification);
  const DesktopNotification::Content content{self->appName_, self->icon_, title ? title : "",
                                             body ? body : ""};
  entry->shown = std::make_unique<DesktopNotification>(
      content,
      [self, notification] {
        if (Gtk::Window* window = ToplevelOf(GTK_WIDGET(self->view_))) window->present();
        webkit_notification_clicked(notification);
      },
      [self, notification] {
        // Closed on the desktop: the page hears of it and the entry goes, once the
        // notification service's callback has returned.
        self->closedOnDesktop_.push_back(notification);
        if (!self->forgetIdle_) self->forgetIdle_ = g_idle_add(ForgetClosed, self);
      });
  g_signal_connect(notification, "closed", G_CALLBACK(OnClosedByPage), self);
  self->entries_.push_back(std::move(entry));
  return TRUE;
}

gboolean PageNotifications::ForgetClosed(gpointer data) {
  auto* self = static_cast<PageNotifications*>(data);
  self->forgetIdle_ = 0;
  const std::vector<WebKitNotification*> closed = std::move(self->closedOnDesktop_);
  self->closedOnDesktop_.clear();
  for (WebKitNotification* notification : closed) {
    auto found = self->Find(notification);
    if (found == self->entries_.end()) continue;
    g_signal_handlers_disconnect_by_data((*found)->page.get(), self);
    GObjectPtr<WebKitNotification> page = std::move((*found)->page);
    self->entries_.erase(found);
    webkit_notification_close(page.get());
  }
  return G_SOURCE_REMOVE;
}

// The page closed its notification (or the engine did, for a page that went away).
void PageNotifications::OnClosedByPage(WebKitNotification* notification, gpointer data) {
  auto* self = static_cast<PageNotifications*>(data);
  auto found = self->Find(notification);
  if (found == self->entries_.end()) return;
  (*found)->shown->Close();
  self->Forget(found);
}

void PageNotifications::CloseOldest() {
  auto oldest = entries_.begin();
  g_signal_handlers_disconnect_by_data((*oldest)->page.get(), this);
  Entry entry = std::move(**oldest);
  entries_.erase(oldest);
  entry.shown->Close();
  webkit_notification_close(entry.page.get());
}

void PageNotifications::Forget(std::vector<std::unique_ptr<Entry>>::iterator entry) {
  g_signal_handlers_disconnect_by_data((*entry)->page.get(), this);
  entries_.erase(entry);
}

std::vector<std::unique_ptr<PageNotifications::Entry>>::iterator PageNotifications::Find(
    WebKitNotification* notification) {
  return std::ranges::find_if(
      entries_, [notification](const auto& e) { return e->page.get() == notification; });
}

}  // namespace wb
