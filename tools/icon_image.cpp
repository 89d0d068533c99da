#include "tools/icon_image.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "platform/glib_ptr.h"

namespace wbctl {
namespace {

using wb::GObjectPtr;
using wb::GPtr;
using wb::OutPtr;

struct Loaded {
  GObjectPtr<GdkPixbuf> pixbuf;
  IconPicture picture;
};

[[noreturn]] void Refuse(const std::string& where, const std::string& reason) {
  throw std::runtime_error(where + ": " + reason);
}

// The size a PNG file declares in its header, read before any pixel is loaded, so that a small
// file that unpacks to a vast picture is refused without the memory it would take. Zero when
// the bytes do not start as a PNG file.
std::pair<std::uint32_t, std::uint32_t> DeclaredPngSize(std::string_view bytes) {
  constexpr std::string_view kSignature = "\x89PNG\r\n\x1a\n";
  // Signature, then the IHDR chunk: its length, its type, width and height (big-endian).
  if (bytes.size() < 24 || bytes.substr(0, 8) != kSignature || bytes.substr(12, 4) != "IHDR") {
    return {0, 0};
  }
  auto number = [&](std::size_t at) {
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < 4; ++i) n = (n << 8) | static_cast<unsigned char>(bytes[at + i]);
    return n;
  };
  return {number(16), number(20)};
}

// Loads the whole file. With `size` above 0 an SVG file is drawn so that its longer side has
// that many pixels; a PNG file keeps its own pixels.
Loaded Load(std::string_view bytes, int size, const std::string& where, bool acceptIco = false) {
  const auto [declaredW, declaredH] = DeclaredPngSize(bytes);
  if (declaredW > kMaxIconSide || declaredH > kMaxIconSide) {
    Refuse(where, std::to_string(declaredW) + "x" + std::to_string(declaredH) +
                      " pixels; an icon has at most " + std::to_string(kMaxIconSide) +
                      " on a side");
  }
  GObjectPtr<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
  struct Wanted {
    int size;
    bool vector = false;
  } wanted{size};
  // The format is known once the header is read, before any pixel is drawn; only then can a
  // drawing size be given.
  g_signal_connect(loader.get(), "size-prepared",
                   G_CALLBACK(+[](GdkPixbufLoader* l, gint width, gint height, gpointer data) {
                     auto* w = static_cast<Wanted*>(data);
                     GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(l);
                     GPtr<gchar> name(format ? gdk_pixbuf_format_get_name(format) : nullptr);
                     w->vector = name && std::string_view(name.get()) == "svg";
                     if (!w->vector || width <= 0 || height <= 0) return;
                     int side = w->size > 0 ? w->size : std::max(width, height);
                     side = std::min(side, kMaxIconSide);
                     const double scale = static_cast<double>(side) / std::max(width, height);
                     gdk_pixbuf_loader_set_size(l, std::max(1, static_cast<int>(width * scale)),
                                                std::max(1, static_cast<int>(height * scale)));
                   }),
                   &wanted);
  GPtr<GError> error;
  const bool written = gdk_pixbuf_loader_write(
      loader.get(), reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), OutPtr(error));
  GPtr<GError> closeError;
  const bool closed = gdk_pixbuf_loader_close(loader.get(), OutPtr(closeError));
  if (!written || !closed) {
    const GError* e = error ? error.get() : closeError.get();
    Refuse(where, std::string("not a picture that can be loaded") +
                      (e && e->message ? std::string(" (") + e->message + ")" : std::string()));
  }
  GdkPixbufFormat* format = gdk_pixbuf_loader_get_format(loader.get());
  GPtr<gchar> name(format ? gdk_pixbuf_format_get_name(format) : nullptr);
  const std::string formatName = name ? name.get() : "";
  if (formatName != "png" && formatName != "svg" && !(acceptIco && formatName == "ico")) {
    Refuse(where, "a " + (formatName.empty() ? std::string("picture") : formatName) +
                      " file; an icon must be a PNG or SVG file");
  }
  // The PNG loader gives the rows it has of a file that ends early; such a file is damaged.
  constexpr std::string_view kPngEnd("\0\0\0\0IEND\xAE\x42\x60\x82", 12);
  if (formatName == "png" &&
      (bytes.size() < kPngEnd.size() || bytes.substr(bytes.size() - kPngEnd.size()) != kPngEnd)) {
    Refuse(where, "not a picture that can be loaded (the PNG file ends before its end chunk)");
  }
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.get());
  if (pixbuf == nullptr) Refuse(where, "the picture has no pixels");
  Loaded loaded{wb::RefObject(pixbuf), {formatName, 0, 0}};
  loaded.picture.width = gdk_pixbuf_get_width(pixbuf);
  loaded.picture.height = gdk_pixbuf_get_height(pixbuf);
  return loaded;
}

std::string PngBytes(GdkPixbuf* pixbuf, const std::string& where) {
  gchar* buffer = nullptr;
  gsize size = 0;
  GPtr<GError> error;
  if (!gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", OutPtr(error), nullptr)) {
    Refuse(where, std::string("cannot make a PNG file") +
                      (error ? std::string(" (") + error->message + ")" : std::string()));
  }
  GPtr<gchar> owner(buffer);
  return std::string(buffer, size);
}

}  // namespace

IconPicture CheckIconPicture(std::string_view bytes, const std::string& where) {
  // An SVG file is drawn at a small size: whether it can be drawn is all that is asked here.
  return Load(bytes, 64, where).picture;
}

std::string SquareIconPng(std::string_view bytes, int size, const std::string& where) {
  const Loaded loaded = Load(bytes, size, where);
  GdkPixbuf* source = loaded.pixbuf.get();
  const int w = gdk_pixbuf_get_width(source);
  const int h = gdk_pixbuf_get_height(source);
  const double scale = static_cast<double>(size) / std::max(w, h);
  const int scaledW = std::clamp(static_cast<int>(w * scale + 0.5), 1, size);
  const int scaledH = std::clamp(static_cast<int>(h * scale + 0.5), 1, size);
  // Scaled on its own and then copied, not composited: compositing onto the transparent
  // ground would round the colours of partly transparent pixels.
  GObjectPtr<GdkPixbuf> scaled;
  if (scaledW == w && scaledH == h) {
    scaled = wb::RefObject(source);
  } else {
    scaled.reset(gdk_pixbuf_scale_simple(source, scaledW, scaledH, GDK_INTERP_HYPER));
  }
  GObjectPtr<GdkPixbuf> withAlpha(gdk_pixbuf_add_alpha(scaled.get(), FALSE, 0, 0, 0));
  GObjectPtr<GdkPixbuf> square(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, size, size));
  if (!withAlpha || !square) Refuse(where, "out of memory");
  gdk_pixbuf_fill(square.get(), 0x00000000);
  gdk_pixbuf_copy_area(withAlpha.get(), 0, 0, scaledW, scaledH, square.get(), (size - scaledW) / 2,
                       (size - scaledH) / 2);
  return PngBytes(square.get(), where);
}

std::string IconPng(std::string_view bytes, const std::string& where) {
  const Loaded loaded = Load(bytes, 0, where);
  return PngBytes(loaded.pixbuf.get(), where);
}

std::string SiteIconFile(std::string_view bytes, const std::string& where) {
  const Loaded loaded = Load(bytes, 64, where, true);
  if (loaded.picture.format != "ico") return std::string(bytes);
  if (loaded.picture.width > kMaxIconSide || loaded.picture.height > kMaxIconSide) {
    Refuse(where, "the picture is larger than an icon may be");
  }
  return PngBytes(loaded.pixbuf.get(), where);
}

}  // namespace wbctl
