#include "support/app_badge.h"

#include <algorithm>
#include <charconv>

#include "support/ascii.h"

namespace wb {

std::optional<AppBadge> AppBadgeOfMessage(std::string_view value) {
  if (value == "flag") return AppBadge{AppBadge::Kind::kFlag, 0};
  if (value == "clear" || value == "0") return AppBadge{};
  // Sixteen digits hold kAppBadgeMaxCount; a longer text is refused before it is read.
  if (value.empty() || value.size() > 16 || value.front() == '0' ||
      !std::ranges::all_of(value, IsAsciiDigit))
    return std::nullopt;
  std::int64_t count = 0;
  std::from_chars(value.data(), value.data() + value.size(), count);
  if (count > kAppBadgeMaxCount) return std::nullopt;
  return AppBadge{AppBadge::Kind::kCount, count};
}

bool IsOwnPageAddress(std::string_view address, std::string_view startHost,
                      const HostPatterns& internal) {
  const std::string host = HostOfAddress(address);
  if (host.empty()) return false;
  const std::string scheme = AsciiLowerCase(address.substr(0, address.find(':')));
  if (scheme != "http" && scheme != "https") return false;
  return host == AsciiLowerCase(startHost) || internal.Matches(host);
}

void AppBadgeState::TitleCount(std::optional<long> count) {
  title_ = count && *count > 0 ? AppBadge{AppBadge::Kind::kCount, *count} : AppBadge{};
}

void AppBadgeState::PageBadge(const AppBadge& badge) {
  page_ = badge;
}

AppBadge AppBadgeState::Shown() const {
  return page_ ? *page_ : title_;
}

std::optional<long> AppBadgeState::ShownCount() const {
  const AppBadge shown = Shown();
  if (shown.kind != AppBadge::Kind::kCount) return std::nullopt;
  return static_cast<long>(shown.count);
}

std::string AppBadgeState::TrayToolTip(std::string_view title) const {
  if (!page_ || page_->kind == AppBadge::Kind::kNone) return std::string(title);
  const std::string mark =
      page_->kind == AppBadge::Kind::kFlag ? "\xE2\x80\xA2" : std::to_string(page_->count);
  return "(" + mark + ") " + std::string(title);
}

}  // namespace wb
