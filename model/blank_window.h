#pragma once
// A window that a page opened without an address (window.open() or "about:blank"), to send it
// somewhere once it knows where, often after the server has answered. Its first address
// decides what it becomes, by the rule for a new window opened with that address: a child
// window for an inside host, else the address goes where the opener's new windows go and the
// window closes. Until then it stays out of sight, unless the page writes into it; one that is
// neither written to nor sent anywhere within a limit is closed without ever showing. A
// download it starts before any page of its own is the opener's download.
#include <cstdint>
#include <string>

namespace wb {

class BlankWindow {
 public:
  // What the window's side does next.
  enum class Step {
    kNone,
    kShow,                      // show the window
    kLoadHere,                  // let the navigation proceed: a child window from now on
    kSendOut,                   // refuse the navigation, hand its address to the opener; close
    kClose,                     // close the window, never shown
    kDownloadInOpener,          // refuse the answer and download its address from the opener
    kDownloadInOpenerAndClose,  // the same, then close the window, never shown
  };
  // How long a window may wait, neither written to nor sent anywhere.
  static constexpr std::int64_t kWaitMs = 10000;

  explicit BlankWindow(std::int64_t createdMs, std::int64_t waitMs = kWaitMs)
      : createdMs_(createdMs), waitMs_(waitMs) {}

  // A navigation of the window's main frame is to be decided; `inside` is the new-window rule's
  // verdict for its address (a child window). Blank addresses are the page's own and decide
  // nothing.
  Step Navigation(const std::string& address, bool inside);
  // What the page has written into the window so far, looked at `nowMs`.
  Step Looked(bool written, std::int64_t nowMs);
  // The engine would show the window now.
  Step ReadyToShow();
  // A page of the window's own address has been committed.
  Step Committed();
  // The answer to the window's address is a download rather than a page.
  Step Download();

  // Nothing has decided yet what the window is: it is to be looked at again.
  bool Waiting() const { return state_ == State::kWaiting || state_ == State::kWritten; }
  bool Shown() const { return shown_; }

 private:
  enum class State { kWaiting, kWritten, kLoading, kChild, kGone };
  Step Show();

  std::int64_t createdMs_;
  std::int64_t waitMs_;
  State state_ = State::kWaiting;
  bool shown_ = false;
  bool readyAsked_ = false;  // the engine would have shown it before its page came
};

// Whether `address` is one that a page opens a window with before it knows where to send it.
bool IsBlankAddress(const std::string& address);

}  // namespace wb
