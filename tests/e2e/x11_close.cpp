#include "tests/e2e/x11_close.h"

#include <cstdio>
#include <sstream>

#include "tests/common/run_tool.h"

// Xlib last: its macros (None, Status, Bool) would break the headers above.
#include <X11/Xlib.h>

namespace wbtest {

int CloseWindows(const std::string& title) {
  std::istringstream ids(RunCommand("xdotool search --name '^" + title + "$' 2>/dev/null"));
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 0;
  int asked = 0;
  for (unsigned long id = 0; ids >> id;) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = id;
    e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    if (XSendEvent(display, id, False, NoEventMask, &e)) ++asked;
  }
  XFlush(display);
  XCloseDisplay(display);
  return asked;
}

}  // namespace wbtest
