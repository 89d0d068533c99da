#pragma once
// Small rules of the browser window that need no widget: which address is a script, what
// Escape does, which origins a new web process is told about for notifications, which recent
// address completes what the person types, which bars are shown, and how many windows a page
// may open. The window asks these and carries out the answer on its widgets.
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "storage/value_list.h"
#include "storage/window_config.h"
#include "support/rate_limit.h"
#include "support/text.h"

namespace wb {

// A "javascript:" address runs a script in the page shown: it is no page of its own, so it
// enters neither the history nor the zoom's memory.
bool IsScriptAddress(const Text& address);

// What Escape does: the page focused and loading stops; else an open find bar closes; else the
// key passes on.
enum class EscapeAction { kStop, kCloseFindBar, kPass };
EscapeAction EscapeFor(bool pageFocused, bool loading, bool findBarOpen);

// The origins a web process learns notification answers for: the start address's and those of
// `addresses` (the link entries' and the history's), once each, sorted, leaving out those
// whose answers are never kept (a page without an origin, such as about: or data:, and a
// file page).
std::vector<std::string> NotificationOrigins(const std::string& startOrigin,
                                             const std::vector<const Text*>& addresses);

// The completion of `typed` from the recent addresses (newest first): the first whose start
// equals `typed` (letters compared as SameName does). `alreadySelected`: it is the entry the
// box has selected already, so the box only shows its text instead of navigating again.
struct Completion {
  int index = -1;
  Text entry;
  bool alreadySelected = false;
};
template <class Entries>
std::optional<Completion> CompleteFrom(const Entries& recent, const Text& typed,
                                       const Text& selected) {
  if (typed.empty()) return std::nullopt;
  int index = -1;
  for (const Text& entry : recent) {
    ++index;
    if (entry.size() < typed.size() || !SameName(TextView(entry).substr(0, typed.size()), typed))
      continue;
    return Completion{index, entry, entry == selected};
  }
  return std::nullopt;
}

// The window's bars as they are on screen.
struct BarsShown {
  bool menu = true;    // false: the vis key has the menu bar destroyed for the window's life
  bool navbar = true;  // the strip's rows and their parts
  bool address = true;
  bool linkbar = true;
  bool navRow = true;   // the row of the navigation buttons and the address box
  bool linkRow = true;  // the row of the link buttons
  bool strip = true;    // the tool strip that holds both rows
  bool statusbar = true;
  bool operator==(const BarsShown&) const = default;
};

// What the vis key leaves, what the person's View menu shows or hides (the tool strip, the
// status bar), and full screen, which hides the menu bar, the strip and the status bar and,
// when left (by the person or by the desktop), shows again those that were shown before it.
// What the menu changes during full screen is shown once it is left.
class WindowBars {
 public:
  explicit WindowBars(const BarVisibility& vis);
  BarsShown Shown() const;
  bool FullScreen() const { return fullScreen_; }
  void ShowStrip(bool shown) { chosen_.strip = shown; }
  void ShowStatusBar(bool shown) { chosen_.statusbar = shown; }
  // Returns whether full screen changed.
  bool SetFullScreen(bool on);

 private:
  BarsShown chosen_;  // outside full screen
  bool fullScreen_ = false;
};

// What becomes of an address a page hands to another program: a web address goes to the
// default browser at once; any other scheme starts whatever program the desktop has for it
// (a file share, a remote shell, a game) with what the page wrote, so the person is asked
// first, once for each site and scheme; an address without a scheme goes nowhere.
enum class HandOver { kOpen, kAsk, kRefuse };
HandOver HandOverFor(const std::string& target);

// Whether the page's context menu offers a command of the window: as the window's own action
// says, and Stop only while there is something to stop, as the engine's own menu would (the
// window's Stop is always there to press).
enum class PageMenuCommand { kBack, kForward, kStop, kRefresh };
bool PageMenuOffers(PageMenuCommand command, bool windowEnabled, bool loading);

// Whether the window's size and position now are its normal ones, which it remembers and
// returns to: not while the window system has it maximised or full screen, nor in the
// window's own full screen.
bool ShowsNormalPlacement(bool maximized, bool windowFullScreen, bool ownFullScreen);

// How many windows a page may open: at most kMaxChildWindows of its own at once, and, with
// the windows and browsers it sends elsewhere, at most kNewWindowsPerSecond a second, so a
// page that opens windows in a loop cannot flood the desktop.
class NewWindowLimits {
 public:
  static constexpr std::size_t kMaxChildWindows = 8;
  static constexpr std::size_t kNewWindowsPerSecond = 5;
  using Clock = RateLimit::Clock;
  // `open`: the child windows open now.
  bool MayOpenChild(std::size_t open, Clock::time_point now = Clock::now()) {
    return open < kMaxChildWindows && recent_.Take(now);
  }
  bool MayOpenElsewhere(Clock::time_point now = Clock::now()) { return recent_.Take(now); }

 private:
  RateLimit recent_{kNewWindowsPerSecond, std::chrono::seconds(1)};
};

}  // namespace wb
