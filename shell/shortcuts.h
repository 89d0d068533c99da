#pragma once
// The window's keyboard shortcuts: one table from a key and its modifiers to a command of the
// window. Keys not in the table are not the window's; they pass to the page unchanged.
#include <gdk/gdk.h>

namespace wb {

enum class WindowCommand {
  kNone,
  kBack,          // Alt+Left, before the page has the key
  kForward,       // Alt+Right, likewise
  kFocusAddress,  // Ctrl+L, Alt+D, F6
  kRefresh,       // F5, Ctrl+R
  kEscape,        // Escape: closes the find bar, or stops a load of the focused page
  kPrint,         // Ctrl+P
  kFullScreen,    // F11
  kHome,          // Alt+Home: the configured start address
  kFind,          // Ctrl+F
  kFindNext,      // F3, Ctrl+G
  kFindPrevious,  // Shift+F3, Ctrl+Shift+G
  kZoomIn,        // Ctrl+plus, Ctrl+equals, Ctrl+keypad plus
  kZoomOut,       // Ctrl+minus, Ctrl+keypad minus
  kZoomReset,     // Ctrl+0, Ctrl+keypad 0
};

// The command of a key press: `keyval` as GDK gives it, `state` its modifier mask. Only
// Shift, Ctrl, Alt and Super count, and they must be exactly those of the table (Caps Lock and
// Num Lock are ignored); Shift is allowed with Ctrl+plus, which needs it on many layouts. Back
// and Forward count Hyper and the mouse buttons as well: with one of them held, Alt+Left and
// Alt+Right are no shortcut.
WindowCommand ShortcutCommand(guint keyval, guint state);

}  // namespace wb
