#pragma once
// TWebMain: the application's main window. A browser window that arranges its tool-bar strip
// in bands with labels, shows the Help menu with the about box, opens an address given on the
// command line, starts the info banner when the configuration asks for it, and takes
// addresses from other processes of the user through its remote-navigation socket.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtkmm/linkbutton.h>

#include "engine/update_check.h"
#include "info/web_info.h"
#include "platform/remote_channel.h"
#include "platform/status_notifier_item.h"
#include "shell/web_form.h"
#include "support/catalog.h"
#include "support/remote_record.h"
#include "support/sendmsg.h"
#include "support/window_state.h"

namespace wb {

class TWebMain;

// The window message of the home-page request (WM_USER + 4096).
constexpr std::uint32_t WM_HOMEPAGE_REQUEST = 5120;

// What the main window needs beyond a browser window. The info banner and the about box live
// in info/ and are wired in by the program entry; tests pass what they check.
struct WebMainServices {
  WebFormServices form;
  // The program's arguments after its path; the first one is an address to open.
  std::vector<Text> arguments;
  // The remote-navigation socket. Disengaged: no socket (tests of other things).
  std::optional<RemoteChannel::Options> remote = RemoteChannel::Options();
  // Creates the info banner if it does not exist yet (keeping it in the window's infoBanner)
  // and starts it below the window, with its page reloaded every 2 minutes (its exec with the
  // window and 2).
  std::function<void(TWebMain& window)> startInfoBanner;
  // Opens the about box with both of its texts empty.
  std::function<void(TWebMain& window)> showAbout;
  // What the about box shows while it is open, for the window's state; none while it is
  // closed. Empty: no about box (tests).
  std::function<std::optional<WindowState::About>()> aboutState;
  // Ends the program's main loop, once the main window has closed for good (not only hidden in
  // its tray item). Empty: nothing ends (tests).
  std::function<void()> quit;
  // The limits of the look at the maker's notice of a newer version (the key "update").
  UpdateCheckLimits updateLimits;
};

class TWebMain : public TWebForm {
 public:
  explicit TWebMain(WebMainServices services);
  ~TWebMain() override;

  // The browser window's creation step, then, with tray=1, the status-notifier item.
  void FormCreate() override;

  // Ends the program as closing the window without a tray item does: the page is asked first,
  // as when it is left, and once it lets go (at once for a page that does not ask) the program
  // ends as EndProgram does. When the person stays on the page, nothing ends. File > Exit and
  // the tray item's Quit come here, hidden window or not.
  void AskToEnd();
  // Ends the program without asking: the window is hidden (its size remembered), then the main
  // loop ends. The signals of a polite end (logout, kill) come here, since no one may be there
  // to answer a question.
  void EndProgram();
  // Whether closing the window hid it in its tray item, where it waits to be shown again.
  bool HiddenInTray() const { return hiddenInTray_; }
  // The start at login (--hidden): the window is not shown but waits in its tray item, once a
  // task bar has taken the item; shown, as any start shows it, when the copy has no tray item
  // or no task bar takes it within `waitMs` (a task bar may start after the programs of the
  // login). A click on the item or a second start shows it later.
  void StartHidden(unsigned waitMs = kHiddenStartWaitMs);
  static constexpr unsigned kHiddenStartWaitMs = 5000;
  // The status-notifier item (tray=1); null without the key.
  const StatusNotifierItem* TrayItem() const { return tray_.get(); }

  // The window's state: the model's snapshot, and what only the widgets know (caption, bars,
  // banner, child windows, layout, info banner, icon).
  WindowState State();
  // The state as one line of JSON, as a state query answers it.
  std::string StateJson() { return WindowStateJson(State()); }

  // One record from another process, handled on the main loop: copy-data (74), the
  // home-page request (5120), the state query and the present request. Every other kind is
  // refused as unknown.
  remote::Reply RemoteRecord(const remote::Request& request);

  // Brings the window to the front, for a second start of the copy. `startupId` is the
  // start-up notification id that start was given (ignored unless remote::IsStartupId), which
  // lets the window past the desktop's focus-stealing prevention.
  void Present(const std::string& startupId);
  // Removes the site's stored data through the engine, then loads the page again.
  void ClearWebsiteData();

  // The socket other processes reach the window through; empty when it has none.
  std::string RemotePath() const;

  // Where the info banner docks on a display that does not let a program place its windows
  // (Wayland): a strip at the bottom of the window, hidden until the banner goes there.
  Gtk::Box infoDock{Gtk::ORIENTATION_VERTICAL};

  // The info banner, once the start hook has created it. The window owns it, so it goes
  // before the window's own web view, whose web process it shares.
  std::unique_ptr<TWebInfo> infoBanner;

  // Handlers of the window messages. A move of the window needs none: the banner follows the
  // window's configure event itself, which reports both its moves and its size changes.
  void WMCopyData(Message& message);
  // The address that opens `address`: for an address of a scheme of the "schemes" key, the
  // site's handler page for it when that is on the copy's own hosts; else `address` itself.
  Text OpenedAddress(const Text& address) const;

  // At the status bar's end, hidden until the maker's signed notice names a newer version of
  // the copy: the version, linked to the maker's download page (main_update.cpp).
  Gtk::LinkButton updateLink;

  // Band labels of the tool-bar strip.
  Gtk::Label lbAddress{Tr("Address")};
  Gtk::Label lbLinks{Tr("Links:")};

 protected:
  void FormShow() override;
  void PageLoaded() override;
  void mnAboutClick();
  // With the tray item taken by a task bar, closing hides the window in it; without, closing
  // ends the program once the page lets it go (AskToEnd).
  bool on_delete_event(GdkEventAny* event) override;

 private:
  void ArrangeBands();
  // The content area's width and height, and its shown parts top to bottom, each with its
  // name, its top edge within the area, its width and its height.
  WindowState::Layout Layout();

  // The tray item (main_tray.cpp).
  void StartTrayItem();
  void BadgeShown() override;
  // The tray item's tooltip: the title, with the page's own badge before it.
  void ShowTrayToolTip();
  void HideInTray();
  void ShowFromTray();
  // The window is shown, from the tray or otherwise (a second start, a notification's click).
  void LeaveTray();
  void TrayRegistrationChanged(bool registered);
  // No one sees the window (hidden in the tray, or minimised), or someone does again: the
  // window's own periodic and idle work stops meanwhile (main_tray.cpp).
  void SetUnseen(bool unseen);

  // The look at the maker's notice of a newer version (main_update.cpp), after the first page
  // has loaded, and its outcome.
  void BuildUpdateLink();
  void StartUpdateCheck();
  void UpdateCheckDone(const UpdateCheckResult& result);
  bool updateCheckAsked_ = false;
  std::unique_ptr<UpdateCheck> updateCheck_;
  sigc::connection updateTimer_;

  WebMainServices mainServices_;
  std::unique_ptr<RemoteChannel> channel_;
  std::unique_ptr<StatusNotifierItem> tray_;
  sigc::connection trayTitle_;  // the window's title to the tray item
  bool hiddenInTray_ = false;
  bool bannerInTray_ = false;         // the info banner's window went into the tray with the window
  sigc::connection hiddenStartWait_;  // a hidden start waiting for a task bar
  bool minimised_ = false;
  bool commandLineDone_ = false;
  // Lives as long as the window, so a late answer of the engine knows it is gone.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace wb
