#pragma once
// Helpers of the tests on real GTK widgets: the C++ wrappers made ready, the main loop spun
// until a condition holds or until nothing is left to run, and a mouse click as the display
// would deliver it.
#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif
#include <gtkmm/button.h>
#include <gtkmm/main.h>
#include <gtkmm/widget.h>

#include <functional>

#include "tests/common/loop_spin.h"

namespace wbtest {

// The shared test entry initialises GTK through its C interface; the C++ wrappers need their
// own tables too. Idempotent, so every suite that needs it may ask.
inline const bool kGtkmmReady = [] {
  Gtk::Main::init_gtkmm_internals();
  return true;
}();

// Runs the main loop until `done` holds or the time limit has passed; returns whether it held.
inline bool SpinUntil(const std::function<bool()>& done, int limitMs = 10000) {
  return RunLoopUntil(done, limitMs);
}

// Runs everything that is ready, idle handlers included.
inline void SpinIdle() {
  for (int i = 0; i < 1000 && g_main_context_pending(nullptr); ++i)
    g_main_context_iteration(nullptr, FALSE);
}

// Whether the test runs on a Wayland display (tests/run-wayland.sh) rather than an X one.
inline bool OnWayland() {
#ifdef GDK_WINDOWING_WAYLAND
  return GDK_IS_WAYLAND_DISPLAY(gdk_display_get_default());
#else
  return false;
#endif
}

// Whether the display has a seat with a keyboard and a pointer. A headless compositor may have
// none: it gives no window the keyboard's focus and opens no pop-up menu, so the tests of keys,
// focus and menus have nothing to test there.
inline bool HasInputSeat() {
  GdkDisplay* display = gdk_display_get_default();
  GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
  constexpr auto kBoth =
      static_cast<GdkSeatCapabilities>(GDK_SEAT_CAPABILITY_KEYBOARD | GDK_SEAT_CAPABILITY_POINTER);
  return seat && (gdk_seat_get_capabilities(seat) & kBoth) == kBoth;
}

#define WB_SKIP_WITHOUT_INPUT_SEAT() \
  if (!::wbtest::HasInputSeat())     \
  GTEST_SKIP() << "the display has no input seat (a headless compositor): no focus, keys or menus"

// Clicks inside `widget`'s window at (x, y) as the mouse does: press and release of button 1,
// so the toolkit and the engine see a user's gesture.
// A button's click as its "clicked" signal, without the pointer.
inline void Click(Gtk::Button& button) {
  g_signal_emit_by_name(button.gobj(), "clicked");
}

inline void ClickAt(Gtk::Widget& widget, double x, double y) {
  GdkWindow* window = widget.get_window()->gobj();
  GdkSeat* seat = gdk_display_get_default_seat(gdk_window_get_display(window));
  for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
    GdkEvent* ev = gdk_event_new(type);
    ev->button.window = GDK_WINDOW(g_object_ref(window));
    ev->button.send_event = TRUE;
    ev->button.time = GDK_CURRENT_TIME;
    ev->button.x = x;
    ev->button.y = y;
    ev->button.button = 1;
    ev->button.state = type == GDK_BUTTON_RELEASE ? GDK_BUTTON1_MASK : 0;
    gdk_event_set_device(ev, gdk_seat_get_pointer(seat));
    gtk_main_do_event(ev);
    gdk_event_free(ev);
  }
}

}  // namespace wbtest
