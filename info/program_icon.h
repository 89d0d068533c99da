#pragma once
// The icon of the program's windows: the picture a branded copy carries in its icon block,
// else the program's own icon from the embedded resources. It is read once, at start, and made
// the default icon of every window, so the main window, the about box and the banner all show
// it without an icon of their own.
#include <gdkmm/pixbuf.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/window_state.h"

namespace wb {

// The longest side the icon is drawn with when the copy carries an SVG file.
inline constexpr int kWindowIconSide = 256;

// The picture file `bytes` (PNG or SVG) as pixels; null when it cannot be loaded.
Glib::RefPtr<Gdk::Pixbuf> IconFromPicture(std::string_view bytes);

// The icon the executable `exePath` shows: its icon block's picture when there is one that
// loads, else the program's own embedded icon; null when neither loads.
Glib::RefPtr<Gdk::Pixbuf> ReadProgramIcon(const std::string& exePath);

// The sides a task bar, a window switcher and a title bar ask for, largest first. The X11
// window icon property carries at most 262144 32-bit words, so a single 512-pixel picture
// (262146 with its size) would leave the window without any icon.
inline constexpr int kWindowIconSides[] = {256, 128, 64, 48, 32, 24, 16};

// The icon at the sizes of kWindowIconSides, largest first, each with its longest side at
// most that size and the picture's proportions: the picture itself first when it is no larger
// than the largest, else drawn down to it, then every smaller size drawn from it. Empty for a
// null icon.
std::vector<Glib::RefPtr<Gdk::Pixbuf>> WindowIconList(const Glib::RefPtr<Gdk::Pixbuf>& icon);

// Makes `icon` the default icon of every window, at the sizes of WindowIconList. A null icon
// changes nothing.
void UseProgramIcon(const Glib::RefPtr<Gdk::Pixbuf>& icon);

// A short fingerprint of the pixels (size, channels and every pixel's bytes), as hex text:
// equal pictures give equal fingerprints, whatever file they came from.
std::string PixelDigest(const Glib::RefPtr<Gdk::Pixbuf>& pixbuf);

// The icon's part of a window's state: the default icon's width, height and PixelDigest;
// nothing when the program has none.
std::optional<WindowState::Icon> ProgramIconState();

}  // namespace wb
