#pragma once
// Picture files for the icon tests, made and compared with gdk-pixbuf.
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <string>

namespace wbtest {

// The pixels of a picture: its size, channel count and the bytes of its rows without their
// padding, so that two files compare equal exactly when they show the same picture.
struct Pixels {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::string bytes;
  bool operator==(const Pixels&) const = default;
};

inline Pixels PixelsOf(GdkPixbuf* pixbuf) {
  Pixels p;
  if (pixbuf == nullptr) return p;
  p.width = gdk_pixbuf_get_width(pixbuf);
  p.height = gdk_pixbuf_get_height(pixbuf);
  p.channels = gdk_pixbuf_get_n_channels(pixbuf);
  const guchar* data = gdk_pixbuf_read_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < p.height; ++y) {
    p.bytes.append(reinterpret_cast<const char*>(data) + static_cast<std::ptrdiff_t>(y) * stride,
                   static_cast<std::size_t>(p.width) * p.channels);
  }
  return p;
}

// The pixels of the picture file `path`; an empty Pixels when it cannot be loaded.
inline Pixels LoadPixels(const std::string& path) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_file(path.c_str(), nullptr);
  Pixels p = PixelsOf(pixbuf);
  if (pixbuf) g_object_unref(pixbuf);
  return p;
}

// Writes a PNG file of `width` x `height` pixels with an alpha channel, every pixel different
// (so that a picture that is shifted, scaled or flipped no longer compares equal).
inline void WritePng(const std::string& path, int width, int height) {
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
  guchar* data = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      guchar* px = data + y * stride + x * 4;
      px[0] = static_cast<guchar>(x * 7);
      px[1] = static_cast<guchar>(y * 5);
      px[2] = static_cast<guchar>(x ^ y);
      px[3] = static_cast<guchar>(255 - (x + y) % 128);
    }
  }
  gdk_pixbuf_save(pixbuf, path.c_str(), "png", nullptr, nullptr);
  g_object_unref(pixbuf);
}

}  // namespace wbtest
