#pragma once
// The pictures wbctl handles for icons: a PNG or SVG file checked by loading it, and PNG files
// of it in the sizes a desktop asks for. Loading goes through gdk-pixbuf, which needs no
// display.
#include <string>
#include <string_view>

namespace wbctl {

// The largest side of a PNG icon wbctl takes; SVG files have no pixels of their own.
inline constexpr int kMaxIconSide = 4096;

struct IconPicture {
  std::string format;  // "png" or "svg"
  int width = 0;       // the picture's own size; for SVG the size it declares
  int height = 0;
};

// Loads the picture file `bytes` completely. Raises std::runtime_error starting with `where`
// when it is not a PNG or SVG file, cannot be loaded whole, or is a PNG file with a side
// larger than kMaxIconSide.
IconPicture CheckIconPicture(std::string_view bytes, const std::string& where);

// A PNG file of the picture `bytes` drawn in a square of `size` pixels: scaled to fit with its
// proportions kept (an SVG file drawn at that size), centred on a transparent ground. Raises
// std::runtime_error as CheckIconPicture does.
std::string SquareIconPng(std::string_view bytes, int size, const std::string& where);

// A PNG file of the picture at its own size (an SVG file at the size it declares, its longer
// side kept within kMaxIconSide). Raises std::runtime_error as CheckIconPicture does.
std::string IconPng(std::string_view bytes, const std::string& where);

// The icon file a site's picture `bytes` gives: a PNG or SVG file unchanged, an ICO file (the
// picture it holds that the loader takes, the largest) as a PNG file. Raises std::runtime_error
// as CheckIconPicture does for anything else.
std::string SiteIconFile(std::string_view bytes, const std::string& where);

}  // namespace wbctl
