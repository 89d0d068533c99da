#pragma once
// The copy's badge: the count or flag a page of the copy's own hosts gives itself with
// navigator.setAppBadge, and the unread count that badge=1 reads from the title. Which one the
// launcher entry and the tray item show is decided here, without the engine or the bus.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/host_patterns.h"

namespace wb {

// What the copy's badge shows: nothing, a mark without a number, or a count above 0.
struct AppBadge {
  enum class Kind { kNone, kFlag, kCount };
  Kind kind = Kind::kNone;
  std::int64_t count = 0;  // kCount only: 1 to kAppBadgeMaxCount
  bool operator==(const AppBadge&) const = default;
};

// The largest count a page can give: the largest integer a script's number holds exactly, as
// the Badging API bounds it.
inline constexpr std::int64_t kAppBadgeMaxCount = 9007199254740991;

// The value of a message the page's script sends: "flag", "clear", or a count in decimal
// digits without sign (1 to kAppBadgeMaxCount, no leading zero; "0" is the same as "clear",
// as the API has it). Anything else, of any length, is nothing: the page is not trusted to
// have gone through the script's own checks.
std::optional<AppBadge> AppBadgeOfMessage(std::string_view value);

// Whether `address` is a page of the copy's own hosts, where the page has the badge functions:
// an "http" or "https" address whose host is `startHost` or inside `internal`.
bool IsOwnPageAddress(std::string_view address, std::string_view startHost,
                      const HostPatterns& internal);

// The badge the copy shows. With badge=1 it follows the title's count; once a page has set
// or cleared its own badge, the page's word holds for the rest of the run, since a site that
// calls the function knows its count better than its title says it.
class AppBadgeState {
 public:
  // The title's count changed (badge=1 only); none or 0 or less is no badge.
  void TitleCount(std::optional<long> count);
  // A page set or cleared its own badge.
  void PageBadge(const AppBadge& badge);

  AppBadge Shown() const;
  // The count the window's state reports: a shown count, else none (also for a flag).
  std::optional<long> ShownCount() const;
  // The text of the tray item's tooltip for the window title `title`. The title already
  // carries a count that badge=1 reads from it; a page's own badge comes before it as "(5) "
  // or "(•) " for a flag, as sites write it themselves.
  std::string TrayToolTip(std::string_view title) const;

 private:
  AppBadge title_;
  std::optional<AppBadge> page_;
};

}  // namespace wb
