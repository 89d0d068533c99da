#include "support/tray_item.h"

#include <algorithm>

#include "support/text.h"

namespace wb {
namespace {

struct MenuItem {
  int id;
  const char* label;
  TrayCommand command;
};

// The entries of the menu, top to bottom.
constexpr MenuItem kEntries[] = {
    {kTrayMenuShow, "Show", TrayCommand::kShow},
    {kTrayMenuQuit, "Quit", TrayCommand::kQuit},
};

bool Wanted(const std::vector<std::string>& names, std::string_view name) {
  if (names.empty()) return true;
  const auto end =
      names.begin() + static_cast<std::ptrdiff_t>(std::min(names.size(), kTrayMenuMaxNames));
  return std::find(names.begin(), end, name) != end;
}

TrayMenuProperties PropertiesOf(int id, const std::vector<std::string>& names) {
  TrayMenuProperties all;
  if (id == kTrayMenuRoot) {
    // The root is the menu the task bar opens; its entries are that menu.
    all.emplace_back("children-display", std::string("submenu"));
  } else {
    for (const MenuItem& entry : kEntries)
      if (entry.id == id) {
        all.emplace_back("label", std::string(entry.label));
        all.emplace_back("enabled", true);
        all.emplace_back("visible", true);
      }
  }
  TrayMenuProperties chosen;
  for (auto& property : all)
    if (Wanted(names, property.first)) chosen.push_back(std::move(property));
  return chosen;
}

}  // namespace

bool IsTrayMenuItem(int id) {
  if (id == kTrayMenuRoot) return true;
  return std::ranges::any_of(kEntries, [id](const MenuItem& e) { return e.id == id; });
}

std::optional<TrayMenuNode> TrayMenuLayout(int parentId, int depth,
                                           const std::vector<std::string>& names) {
  if (!IsTrayMenuItem(parentId)) return std::nullopt;
  TrayMenuNode node{parentId, PropertiesOf(parentId, names), {}};
  // Only the root has children, and they have none of their own.
  if (parentId == kTrayMenuRoot && depth != 0)
    for (const MenuItem& entry : kEntries)
      node.children.push_back({entry.id, PropertiesOf(entry.id, names), {}});
  return node;
}

std::vector<std::pair<int, TrayMenuProperties>> TrayMenuGroupProperties(
    const std::vector<int>& ids, const std::vector<std::string>& names) {
  std::vector<std::pair<int, TrayMenuProperties>> result;
  const std::size_t count = std::min(ids.size(), kTrayMenuMaxIds);
  for (std::size_t i = 0; i < count; ++i) {
    const int id = ids[i];
    if (!IsTrayMenuItem(id)) continue;
    if (std::ranges::any_of(result, [id](const auto& r) { return r.first == id; })) continue;
    result.emplace_back(id, PropertiesOf(id, names));
  }
  return result;
}

TrayCommand TrayMenuEvent(int id, std::string_view eventId) {
  if (eventId != "clicked") return TrayCommand::kNone;
  for (const MenuItem& entry : kEntries)
    if (entry.id == id) return entry.command;
  return TrayCommand::kNone;
}

std::string TrayText(std::string_view text, std::string_view fallback) {
  // Malformed bytes become U+FFFD on the way through the system's text, so the result is
  // always valid UTF-8, which the bus insists on.
  Text chars = FromUtf8(text);
  for (char16_t& c : chars)
    if (c < 0x20 || c == 0x7f) c = u' ';
  const auto blank = [](char16_t c) { return c == u' '; };
  const auto first = std::find_if_not(chars.begin(), chars.end(), blank);
  const auto last = std::find_if_not(chars.rbegin(), chars.rend(), blank).base();
  std::string out = first < last ? ToUtf8(TextView(&*first, static_cast<std::size_t>(last - first)))
                                 : std::string();
  if (out.size() > kTrayMaxText) {
    std::size_t cut = kTrayMaxText;
    // Back to the start of the character that would not fit whole.
    while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
    out.resize(cut);
  }
  if (out.empty() && !fallback.empty()) return TrayText(fallback, {});
  return out;
}

std::optional<TrayPixmap> TrayPixmapOf(std::string_view pixels, int width, int height,
                                       int rowstride, int channels) {
  if (width < 1 || height < 1 || width > kTrayMaxIconSide || height > kTrayMaxIconSide)
    return std::nullopt;
  if (channels != 3 && channels != 4) return std::nullopt;
  const std::size_t row = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
  if (rowstride < 0 || static_cast<std::size_t>(rowstride) < row) return std::nullopt;
  const std::size_t needed =
      static_cast<std::size_t>(height - 1) * static_cast<std::size_t>(rowstride) + row;
  if (pixels.size() < needed) return std::nullopt;
  TrayPixmap pixmap{width, height, {}};
  pixmap.argb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  for (int y = 0; y < height; ++y) {
    const char* p =
        pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(rowstride);
    for (int x = 0; x < width; ++x, p += channels) {
      pixmap.argb.push_back(channels == 4 ? p[3] : '\xff');
      pixmap.argb.append(p, 3);
    }
  }
  return pixmap;
}

}  // namespace wb
