#include "shell/shortcuts.h"

namespace wb {

WindowCommand ShortcutCommand(guint keyval, guint state) {
  constexpr guint kCounted = GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SUPER_MASK;
  constexpr guint kCountedStrictly = kCounted | GDK_HYPER_MASK | GDK_BUTTON1_MASK |
                                     GDK_BUTTON2_MASK | GDK_BUTTON3_MASK | GDK_BUTTON4_MASK |
                                     GDK_BUTTON5_MASK;
  const guint key = gdk_keyval_to_lower(keyval);
  constexpr guint kNoMods = 0, kCtrl = GDK_CONTROL_MASK, kAlt = GDK_MOD1_MASK,
                  kShift = GDK_SHIFT_MASK, kCtrlShift = GDK_CONTROL_MASK | GDK_SHIFT_MASK;
  struct Entry {
    guint key;
    guint mods;
    WindowCommand command;
    guint counted = kCounted;  // the modifiers that must be exactly `mods`
  };
  static constexpr Entry kTable[] = {
      {GDK_KEY_Left, kAlt, WindowCommand::kBack, kCountedStrictly},
      {GDK_KEY_KP_Left, kAlt, WindowCommand::kBack, kCountedStrictly},
      {GDK_KEY_Right, kAlt, WindowCommand::kForward, kCountedStrictly},
      {GDK_KEY_KP_Right, kAlt, WindowCommand::kForward, kCountedStrictly},
      {GDK_KEY_l, kCtrl, WindowCommand::kFocusAddress},
      {GDK_KEY_d, kAlt, WindowCommand::kFocusAddress},
      {GDK_KEY_F6, kNoMods, WindowCommand::kFocusAddress},
      {GDK_KEY_F5, kNoMods, WindowCommand::kRefresh},
      {GDK_KEY_r, kCtrl, WindowCommand::kRefresh},
      {GDK_KEY_Escape, kNoMods, WindowCommand::kEscape},
      {GDK_KEY_p, kCtrl, WindowCommand::kPrint},
      {GDK_KEY_F11, kNoMods, WindowCommand::kFullScreen},
      {GDK_KEY_Home, kAlt, WindowCommand::kHome},
      {GDK_KEY_KP_Home, kAlt, WindowCommand::kHome},
      {GDK_KEY_f, kCtrl, WindowCommand::kFind},
      {GDK_KEY_F3, kNoMods, WindowCommand::kFindNext},
      {GDK_KEY_g, kCtrl, WindowCommand::kFindNext},
      {GDK_KEY_F3, kShift, WindowCommand::kFindPrevious},
      {GDK_KEY_g, kCtrlShift, WindowCommand::kFindPrevious},
      {GDK_KEY_plus, kCtrl, WindowCommand::kZoomIn},
      {GDK_KEY_plus, kCtrlShift, WindowCommand::kZoomIn},
      {GDK_KEY_equal, kCtrl, WindowCommand::kZoomIn},
      {GDK_KEY_KP_Add, kCtrl, WindowCommand::kZoomIn},
      {GDK_KEY_minus, kCtrl, WindowCommand::kZoomOut},
      {GDK_KEY_KP_Subtract, kCtrl, WindowCommand::kZoomOut},
      {GDK_KEY_0, kCtrl, WindowCommand::kZoomReset},
      {GDK_KEY_KP_0, kCtrl, WindowCommand::kZoomReset},
      {GDK_KEY_KP_Insert, kCtrl, WindowCommand::kZoomReset},
  };
  for (const Entry& e : kTable)
    if (e.key == key && e.mods == (state & e.counted)) return e.command;
  return WindowCommand::kNone;
}

}  // namespace wb
