#pragma once
// Closing a window of another program as a window manager's close button does, on X11: apart
// from the tests, since Xlib's macros collide with the names of the test libraries.
#include <string>

namespace wbtest {

// Sends WM_DELETE_WINDOW to each window titled `title` (the whole title); returns how many
// were asked.
int CloseWindows(const std::string& title);

}  // namespace wbtest
