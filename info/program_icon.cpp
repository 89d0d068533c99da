#include "info/program_icon.h"

#include <gdkmm/pixbufloader.h>
#include <gtkmm/window.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "platform/resources.h"
#include "storage/icon_block.h"

namespace wb {

Glib::RefPtr<Gdk::Pixbuf> IconFromPicture(std::string_view bytes) {
  if (bytes.empty()) return {};
  try {
    auto loader = Gdk::PixbufLoader::create();
    // A vector picture is drawn at a size fit for a window icon, whatever size it declares.
    loader->signal_size_prepared().connect([&loader](int width, int height) {
      const Gdk::PixbufFormat format = loader->get_format();
      if (format.get_name() != "svg" || width <= 0 || height <= 0) return;
      const double scale = static_cast<double>(kWindowIconSide) / std::max(width, height);
      loader->set_size(std::max(1, static_cast<int>(width * scale)),
                       std::max(1, static_cast<int>(height * scale)));
    });
    loader->write(reinterpret_cast<const guint8*>(bytes.data()), bytes.size());
    loader->close();
    return loader->get_pixbuf();
  } catch (const Glib::Error&) {
    return {};
  }
}

Glib::RefPtr<Gdk::Pixbuf> ReadProgramIcon(const std::string& exePath) {
  Glib::RefPtr<Gdk::Pixbuf> icon;
  try {
    icon = IconFromPicture(ReadIconBlock(exePath));
  } catch (const std::exception&) {
    // A copy whose file cannot be read has failed its configuration already; the icon is no
    // reason for a second message.
  }
  if (!icon) icon = IconFromPicture(LoadResText(kProgramIconResourceName));
  return icon;
}

std::vector<Glib::RefPtr<Gdk::Pixbuf>> WindowIconList(const Glib::RefPtr<Gdk::Pixbuf>& icon) {
  std::vector<Glib::RefPtr<Gdk::Pixbuf>> list;
  if (!icon || icon->get_width() <= 0 || icon->get_height() <= 0) return list;
  const int width = icon->get_width();
  const int height = icon->get_height();
  const int longest = std::max(width, height);
  auto drawn = [&](int side) {
    const double scale = static_cast<double>(side) / longest;
    return icon->scale_simple(std::max(1, static_cast<int>(width * scale + 0.5)),
                              std::max(1, static_cast<int>(height * scale + 0.5)),
                              Gdk::INTERP_HYPER);
  };
  list.push_back(longest <= kWindowIconSides[0] ? icon : drawn(kWindowIconSides[0]));
  for (int side : kWindowIconSides) {
    if (side < std::min(longest, kWindowIconSides[0])) list.push_back(drawn(side));
  }
  return list;
}

void UseProgramIcon(const Glib::RefPtr<Gdk::Pixbuf>& icon) {
  const auto list = WindowIconList(icon);
  if (!list.empty()) Gtk::Window::set_default_icon_list(list);
}

std::string PixelDigest(const Glib::RefPtr<Gdk::Pixbuf>& pixbuf) {
  if (!pixbuf) return {};
  // FNV-1a over the size, the channel count and the pixel bytes row by row (without the
  // padding at the end of each row, which is not part of the picture).
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  auto add = [&hash](std::uint8_t byte) {
    hash ^= byte;
    hash *= 0x100000001b3ULL;
  };
  const int width = pixbuf->get_width();
  const int height = pixbuf->get_height();
  const int channels = pixbuf->get_n_channels();
  for (int value : {width, height, channels}) {
    for (int shift = 0; shift < 32; shift += 8) add(static_cast<std::uint8_t>(value >> shift));
  }
  const guint8* pixels = pixbuf->get_pixels();
  const int stride = pixbuf->get_rowstride();
  const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
  for (int y = 0; y < height; ++y) {
    const guint8* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
    for (std::size_t x = 0; x < rowBytes; ++x) add(row[x]);
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::optional<WindowState::Icon> ProgramIconState() {
  const auto icons = Gtk::Window::get_default_icon_list();
  if (icons.empty() || !icons.front()) return std::nullopt;
  return WindowState::Icon{icons.front()->get_width(), icons.front()->get_height(),
                           PixelDigest(icons.front())};
}

}  // namespace wb
