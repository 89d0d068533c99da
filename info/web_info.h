#pragma once
// The info banner: a small borderless window that hangs below the main window, shows the
// info page of the maker's gateway in its own web view and reloads it on a timer. Any load
// error hides it without a message; the tiny "x" closes it. Nothing but another exec brings
// it back.
#include <gtkmm/overlay.h>
#include <gtkmm/window.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/web_view.h"
#include "info/controls.h"
#include "info/window_timer.h"
#include "support/text.h"

namespace wb {

// What the banner needs from outside; tests substitute every part.
struct WebInfoDeps {
  // The gateway address for a command, with the standard query.
  std::function<Text(const Text& command)> gatewayAddress;
  // The local time of day in milliseconds since midnight, 0 to 86399999.
  std::function<std::int64_t()> timeOfDay;
  // The reload timer; null takes the main-loop timer.
  std::unique_ptr<WindowTimer> timer;
  // Opens an address in the user's default browser: where a page of the banner asks for a
  // new window, since the banner itself is far too small to browse in.
  std::function<void(const Text& address)> open;
};

// The dependencies of the running program: the gateway of the maker's web site, the system
// clock, the main-loop timer and ShellOpen.
WebInfoDeps ProgramWebInfoDeps();

// The number that the banner appends to its address as "tst": the local time of day as a
// fraction of the day times 10000, rounded up to the next whole number, 0 at midnight and
// 10000 just before the next. It changes about every 8.64 seconds.
std::int64_t TimeOfDayNumber(std::int64_t msSinceMidnight);

// The local time of day of the system clock, in milliseconds since midnight.
std::int64_t LocalTimeOfDay();

class TWebInfo : public Gtk::Window {
 public:
  // `related` is the main window's web view: the banner's view shares its web process.
  TWebInfo(WebViewFactory& factory, WebView* related, WebInfoDeps deps);
  ~TWebInfo() override;

  // Whether the display lets a program place its own windows (not so on Wayland). Where it
  // does not, the host should pass a container at the bottom of its window to exec instead
  // of itself, and the banner docks there.
  static bool CanPlaceWindows(const Gtk::Widget& host);

  // Starts the banner below the host `f`: a window (the banner follows it) or a container
  // (the banner docks into it). `TimerVal` is the reload interval in minutes: greater than 0
  // sets it, 0 keeps the interval as it is, a negative value loads the page once.
  void exec(Gtk::Widget& f, int TimerVal);
  // Shows the banner if hidden and loads `url`, or the gateway's info page when it is empty.
  void go(const Text& url);
  // Places the banner below its host window, with the host's left edge and width.
  void MainResize();

  // Handlers.
  void FormShow();
  void FormClose();
  void TimerTimer();
  void btOClick();
  void btXClick();
  void wbNavigateError(const Text& address, int statusCode);

  // Whether the banner is shown, as a window or docked.
  bool Visible() const;

  // The host window went where no one sees it (hidden in its tray item, minimised), or came
  // back. Meanwhile the timer stops, since a reload would fetch a page no one sees; back, it
  // runs again, and a reload that fell due meanwhile happens at once.
  void SetHostUnseen(bool unseen);

  // The state the remote channel reports.
  struct State {
    bool visible = false;
    Text address;           // the last address the banner loaded
    unsigned interval = 0;  // the timer's interval in milliseconds
    bool timer = false;     // whether the timer is enabled
  };
  State GetState() const;

  // The parts of the design, for the owner and for tests.
  WindowTimer& Timer() { return *timer_; }
  Gtk::Window* MainForm = nullptr;  // not owned
  WebView& wb() { return *wb_; }
  LabelControl& btO() { return btO_; }
  LabelControl& btX() { return btX_; }
  BevelBox& PanelC() { return panelC_; }

 protected:
  bool on_delete_event(GdkEventAny* event) override;

 private:
  void SetVisible(bool visible);
  void Close();

  WebInfoDeps deps_;
  std::unique_ptr<WindowTimer> timer_;
  std::unique_ptr<WebView> wb_;
  Gtk::Overlay content_;
  BevelBox panelC_;
  LabelControl btO_{10, 12};
  LabelControl btX_{10, 12};
  Gtk::Container* dockParent_ = nullptr;  // the control the banner is docked in, or null
  sigc::connection hostResize_;
  Text address_;
  bool hostUnseen_ = false;
  bool timerBeforeUnseen_ = false;  // the timer ran when the host went out of sight
  std::int64_t unseenSinceUs_ = 0;  // when that was, on the monotonic clock
};

}  // namespace wb
