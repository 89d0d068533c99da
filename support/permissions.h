#pragma once
// What a page may ask for, in the words a person reads on the permission bar and under the
// names the settings store and the "allow" key use.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wb {

enum class PermissionKind {
  kNotifications,
  kGeolocation,
  kCamera,
  kMicrophone,
  kScreen,
  kDeviceInfo,
  kMediaKeys,
  kPointerLock,
  kClipboard,
};

// "notifications", "geolocation", "camera", "microphone", "screen", "device-info",
// "media-keys", "pointer-lock", "clipboard".
std::string_view PermissionKindName(PermissionKind kind);
// The kind of a name above (compared without regard to ASCII case), or none.
std::optional<PermissionKind> PermissionKindNamed(std::string_view name);

// Every kind's name, divided by ", ", for messages.
std::string PermissionKindNames();

// The kinds' names divided by " ", as the window's state shows them ("camera microphone").
std::string PermissionKindsText(const std::vector<PermissionKind>& kinds);

// The bar's question: "HOST wants to show notifications", "... to use your camera and
// microphone" and so on.
std::string PermissionQuestion(std::string_view host, const std::vector<PermissionKind>& kinds);

// The value of the "allow" key: kind names divided by ",".
struct AllowList {
  std::vector<PermissionKind> kinds;
  std::vector<std::string> invalid;  // the items that name no kind, trimmed
  bool Holds(PermissionKind kind) const;
};
AllowList ParseAllowList(std::string_view value);

// The origin of an address, as pages' permissions are kept: "scheme://host" with ":port"
// when the port is not the scheme's default; scheme and host in lower case. Empty text for an
// address without a host (about:, data:, file:).
std::string OriginOf(std::string_view address);

// A page's request: the origin and host of the page that asks, and what it asks for.
struct PermissionRequest {
  std::string origin;
  std::string host;
  std::vector<PermissionKind> kinds;
};

// The settings store's value name for an answer: "ORIGIN KIND".
std::string PermissionValueName(std::string_view origin, PermissionKind kind);

}  // namespace wb
