#pragma once
// One window per copy (configuration key single=1): a second start of the copy hands its
// command-line address to the window that runs already and ends, before it has opened the
// display or started a web process.
#include <sys/types.h>

#include <string>
#include <vector>

#include "storage/unique_fd.h"

namespace wb {

// Keeps two starts of a single-window copy at the same moment (a double click) from both
// opening a window: a start holds the lock of its application from before it looks for a
// running window until its own window answers on the channel, so the other start waits and
// then finds that window. The wait is bounded: after `timeoutMs` (a start that hangs while it
// holds the lock, a runtime folder without locks) the start goes on as if there were no lock.
class SingleStartLock {
 public:
  SingleStartLock(const std::string& app, int timeoutMs = 5000);
  bool held() const { return static_cast<bool>(fd_); }
  // Lets the next start look; also when the object goes.
  void Release() { fd_.reset(); }

 private:
  UniqueFd fd_;
};

// The start-up notification id the desktop gave this start: XDG_ACTIVATION_TOKEN (Wayland),
// else DESKTOP_STARTUP_ID (X11); empty when neither is set or the value cannot be one.
std::string StartupIdFromEnvironment();

// The address a second start hands over for its first argument: a relative path of an
// existing file becomes its file URI, since the running window resolves addresses in its own
// working directory; everything else goes as it is.
std::string HandOverAddress(const std::string& argument);

// Whether process `pid` runs the executable file at `exe` (its path as /proc/self/exe gives
// it). Copies of the same name in other folders are other applications, though their windows'
// sockets carry the same name.
bool RunsExecutable(pid_t pid, const std::string& exe);

// Whether a start handed over brings the running window to the front (a start from the menu),
// or only makes sure that one runs and leaves it where it is (the hidden start at login).
enum class StartHandOver { kPresent, kQuiet };

// Hands the start over to the newest running window of application `app` in the channel
// directory whose process runs this very executable: a "go=" copy-data record with `address` when
// it is not empty, then a present record with `startupId` (kQuiet: a state query in its place).
// Returns true when a window took both; false when no window of the application runs or none
// answered within `timeoutMs`, so that the caller starts as usual. Never throws.
bool HandToRunningWindow(const std::string& app, const std::string& address,
                         const std::string& startupId, StartHandOver how = StartHandOver::kPresent,
                         int timeoutMs = 3000);

}  // namespace wb
