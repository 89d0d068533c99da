#pragma once
// What the copy's status-notifier item (tray=1) tells the desktop, without the bus: the menu
// as the task bar's menu protocol asks for it, the item's fixed properties, and its icon as
// the pixel format the protocol wants. The platform layer only wraps these in bus values.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace wb {

// What a choice in the item's menu asks of the program.
enum class TrayCommand { kNone, kShow, kQuit };

// The menu's item ids: the root (0, the menu itself) and its two entries.
inline constexpr int kTrayMenuRoot = 0;
inline constexpr int kTrayMenuShow = 1;
inline constexpr int kTrayMenuQuit = 2;

// A menu item's property value: the protocol's strings and booleans are all this menu uses.
using TrayMenuValue = std::variant<std::string, bool>;
using TrayMenuProperties = std::vector<std::pair<std::string, TrayMenuValue>>;

struct TrayMenuNode {
  int id = 0;
  TrayMenuProperties properties;
  std::vector<TrayMenuNode> children;
  bool operator==(const TrayMenuNode&) const = default;
};

// The most property names and ids one request is served: a task bar asks for a handful, and a
// longer list is somebody else's mistake that must not cost the window its time.
inline constexpr std::size_t kTrayMenuMaxNames = 64;
inline constexpr std::size_t kTrayMenuMaxIds = 64;

// The layout below item `parentId` ("GetLayout"): the item with its properties and its
// children down to `depth` levels (-1 or any negative: all of them, 0: none). `names` limits
// the properties to those named (empty: all; names beyond kTrayMenuMaxNames are not
// looked at). Nothing when no item has the id.
std::optional<TrayMenuNode> TrayMenuLayout(int parentId, int depth,
                                           const std::vector<std::string>& names);

// The properties of the items `ids` ("GetGroupProperties"), in the order asked, each id once;
// ids no item has are left out, as are ids beyond kTrayMenuMaxIds. `names` as above.
std::vector<std::pair<int, TrayMenuProperties>> TrayMenuGroupProperties(
    const std::vector<int>& ids, const std::vector<std::string>& names);

// Whether item `id` exists.
bool IsTrayMenuItem(int id);

// The command of event `eventId` on item `id` ("Event"): "clicked" on Show or Quit; every
// other event ("hovered", "opened", "closed") and every other item asks nothing.
TrayCommand TrayMenuEvent(int id, std::string_view eventId);

// The item's properties that do not change while it lives.
inline constexpr const char* kTrayCategory = "ApplicationStatus";
inline constexpr const char* kTrayStatus = "Active";
inline constexpr const char* kTrayMenuPath = "/MenuBar";
inline constexpr const char* kTrayItemPath = "/StatusNotifierItem";

// The text the item shows as its Id and Title: `text` with blanks at both ends removed, control
// characters replaced by blanks, at most kTrayMaxText bytes (cut before a character that would
// not fit whole), and never empty: `fallback` then. A caption is made by a maker, a name by
// whoever copied the file; both end up in a task bar.
inline constexpr std::size_t kTrayMaxText = 256;
std::string TrayText(std::string_view text, std::string_view fallback);

// One picture of the item's icon as the protocol carries it: width, height and the pixels, row
// after row, 4 bytes each: alpha, red, green, blue (ARGB32 in network byte order).
struct TrayPixmap {
  int width = 0;
  int height = 0;
  std::string argb;
  bool operator==(const TrayPixmap&) const = default;
};

// The largest side the item's icon is sent with; task bars draw it at 16 to 64 pixels.
inline constexpr int kTrayMaxIconSide = 256;

// `pixels` (rows of `width` pixels of `channels` bytes each, red, green, blue and, with 4
// channels, alpha, not premultiplied, as GDK holds them; each row `rowstride` bytes long, the
// last one at least width * channels) as a TrayPixmap, opaque when there is no alpha.
// Nothing when the sizes do not fit the bytes, the sides are outside 1 to kTrayMaxIconSide,
// or `channels` is neither 3 nor 4.
std::optional<TrayPixmap> TrayPixmapOf(std::string_view pixels, int width, int height,
                                       int rowstride, int channels);

}  // namespace wb
