#pragma once
// One window per copy (configuration key single=1): a second start of the copy hands its
// command-line address to the window that runs already and ends, before it has opened the
// display or started a web process.
#include <string>
#include <vector>

namespace wb {

// The start-up notification id the desktop gave this start: XDG_ACTIVATION_TOKEN (Wayland),
// else DESKTOP_STARTUP_ID (X11); empty when neither is set or the value cannot be one.
std::string StartupIdFromEnvironment();

// The address a second start hands over for its first argument: a relative path of an
// existing file becomes its file URI, since the running window resolves addresses in its own
// working directory; everything else goes as it is.
std::string HandOverAddress(const std::string& argument);

// Hands the start over to the newest running window of application `app` in the channel
// directory: a "go=" copy-data record with `address` when it is not empty, then a present
// record with `startupId`. Returns true when a window took both; false when no window of the
// application runs or none answered within `timeoutMs`, so that the caller starts as usual.
// Never throws.
bool HandToRunningWindow(const std::string& app, const std::string& address,
                         const std::string& startupId, int timeoutMs = 3000);

}  // namespace wb
