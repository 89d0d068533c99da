// The main window's status-notifier item (tray=1): the copy's icon and title in the task bar,
// which shows the window again when clicked, and with which closing the window only hides it.
// Without a task bar that takes the item, closing ends the program as before; should the task
// bar go away while the window is hidden, the window comes back, so it is never out of reach.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glibmm/main.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/remote_channel.h"
#include "shell/web_main.h"
#include "support/tray_item.h"

namespace wb {
namespace {

// The sides the icon is sent at: task bars pick the one nearest to what they draw.
constexpr int kTrayIconSides[] = {32, 64};

// The program's icon (every window's default icon) at the sides above, each scaled to fit its
// square; nothing when the program has no icon.
std::vector<TrayPixmap> TrayIcon() {
  std::vector<TrayPixmap> pixmaps;
  const auto icons = Gtk::Window::get_default_icon_list();
  if (icons.empty() || !icons.front()) return pixmaps;
  const Glib::RefPtr<Gdk::Pixbuf>& icon = icons.front();
  const int width = icon->get_width(), height = icon->get_height();
  if (width < 1 || height < 1) return pixmaps;
  for (int side : kTrayIconSides) {
    const int w = width >= height ? side : std::max(1, side * width / height);
    const int h = height >= width ? side : std::max(1, side * height / width);
    Glib::RefPtr<Gdk::Pixbuf> scaled = icon->scale_simple(w, h, Gdk::INTERP_BILINEAR);
    if (!scaled) continue;
    GdkPixbuf* p = scaled->gobj();
    const std::string_view bytes(reinterpret_cast<const char*>(gdk_pixbuf_read_pixels(p)),
                                 gdk_pixbuf_get_byte_length(p));
    if (auto pixmap =
            TrayPixmapOf(bytes, w, h, gdk_pixbuf_get_rowstride(p), gdk_pixbuf_get_n_channels(p)))
      pixmaps.push_back(std::move(*pixmap));
  }
  return pixmaps;
}

}  // namespace

void TWebMain::FormCreate() {
  TWebForm::FormCreate();
  if (Model().Config().tray && !tray_) StartTrayItem();
  // A copy without a start page loads none: its look at the maker's notice comes a minute on.
  if (!updateTimer_.connected()) {
    updateTimer_ = Glib::signal_timeout().connect_seconds(
        [this] {
          StartUpdateCheck();
          return false;
        },
        60);
  }
}

void TWebMain::StartTrayItem() {
  StatusNotifierItem::Content content;
  content.id = TrayText(OwnAppName(), "webbrowser");
  content.title = TrayText(get_title().raw(), content.id);
  content.icon = TrayIcon();
  StatusNotifierItem::Handlers handlers;
  handlers.activate = [this] { ShowFromTray(); };
  handlers.command = [this](TrayCommand command) {
    if (command == TrayCommand::kShow) ShowFromTray();
    if (command == TrayCommand::kQuit) AskToEnd();
  };
  handlers.registrationChanged = [this](bool registered) { TrayRegistrationChanged(registered); };
  tray_ = std::make_unique<StatusNotifierItem>(std::move(content), std::move(handlers));
  trayTitle_ = property_title().signal_changed().connect([this] {
    if (!tray_) return;
    tray_->SetTitle(TrayText(get_title().raw(), TrayText(OwnAppName(), "webbrowser")));
    ShowTrayToolTip();
  });
  ShowTrayToolTip();
}

void TWebMain::BadgeShown() {
  ShowTrayToolTip();
}

void TWebMain::ShowTrayToolTip() {
  if (!tray_) return;
  const std::string title = get_title().raw();
  const std::string tip = BadgeState().TrayToolTip(title);
  // Without a badge of the page's own the tooltip follows the title as it always has.
  tray_->SetToolTip(tip == title ? std::string() : TrayText(tip, OwnAppName()));
}

bool TWebMain::on_delete_event(GdkEventAny*) {
  if (tray_ && tray_->registered()) {
    HideInTray();
    return true;
  }
  AskToEnd();
  return true;
}

void TWebMain::StartHidden(unsigned waitMs) {
  if (!tray_) {
    show();
    return;
  }
  if (tray_->registered()) {
    hiddenInTray_ = true;
    SetUnseen(true);
    return;
  }
  // Until a task bar takes the item, nothing shows and nothing could show the window but a
  // second start.
  SetUnseen(true);
  hiddenStartWait_ = Glib::signal_timeout().connect(
      [this] {
        ShowFromTray();
        return false;
      },
      waitMs);
}

void TWebMain::HideInTray() {
  hiddenInTray_ = true;
  SetUnseen(true);
  // The info banner's own window hangs below this one; it goes and comes back with it.
  bannerInTray_ = infoBanner && infoBanner->get_visible();
  if (bannerInTray_) infoBanner->hide();
  hide();
}

void TWebMain::LeaveTray() {
  hiddenStartWait_.disconnect();
  hiddenInTray_ = false;
  SetUnseen(minimised_);
  if (bannerInTray_ && infoBanner) infoBanner->show();
  bannerInTray_ = false;
}

void TWebMain::ShowFromTray() {
  // Shown and raised; present() does both, and maps a hidden window first.
  present();
}

void TWebMain::TrayRegistrationChanged(bool registered) {
  // A hidden start that waited for a task bar stays hidden in the item it took.
  if (registered && hiddenStartWait_.connected()) {
    hiddenStartWait_.disconnect();
    hiddenInTray_ = true;
    return;
  }
  // Without the item nothing could show the window again.
  if (!registered && hiddenInTray_) ShowFromTray();
}

void TWebMain::SetUnseen(bool unseen) {
  actionList.SetPaused(unseen);
  if (infoBanner) infoBanner->SetHostUnseen(unseen);
}

void TWebMain::AskToEnd() {
  std::weak_ptr<int> window = alive_;
  // The child windows' pages are asked first, each in turn, so that nothing typed into one is
  // lost with the program; each closes as the person lets it go, and staying on any page ends
  // nothing more.
  for (const auto& child : Children()) {
    if (child->Closing() || !child->get_visible()) continue;
    child->AskToClose([this, window] {
      if (!window.expired()) AskToEnd();
    });
    return;
  }
  View().TryClose([this, window] {
    if (window.expired()) return;
    // The page runs its last handlers while the program still runs to send what they send;
    // the window no longer follows its page meanwhile.
    View().ClearEvents();
    View().Unload([this, window] {
      if (!window.expired()) EndProgram();
    });
  });
}

void TWebMain::EndProgram() {
  hiddenStartWait_.disconnect();
  hiddenInTray_ = false;
  if (get_visible())
    hide();  // the hide ends the program, after the window has remembered its size
  else if (mainServices_.quit)
    mainServices_.quit();
}

}  // namespace wb
