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

// Whether the answers to a page's requests are asked for and kept for `origin` (as OriginOf
// gives it). Never for empty text, the origin of an address without a host, nor for
// "file://", which every file address shares: an answer given to one file would hold for
// every file on the computer, the ones a download has just written included.
bool AnswersKeptFor(std::string_view origin);

// A page's request: the origin and site (SiteOfAddress) of the page that asks, and what it asks
// for: the kinds of a permission, or, when `scheme` is set, that an address of that scheme be
// handed to the program the desktop has for it. Such a request holds no kinds.
struct PermissionRequest {
  std::string origin;
  std::string host;
  std::vector<PermissionKind> kinds;
  std::string scheme = {};  // in lower case, without its ":"
};

// The scheme of an address in lower case without its ":" ("mailto" for "MailTo:x"), as
// ParseAddress reads it; empty text for one without a scheme.
std::string SchemeOf(std::string_view address);

// Whether an address may go to the default browser without asking: one of the web's own
// schemes, http: and https:. Any other program could be made to do what a page wants with it.
bool OpensWithoutAsking(std::string_view address);

// The port of an http: or https: address when it is one a web view never connects to, since it
// belongs to another kind of service (mail, name lookup, the X server...: the list browsers
// share); 0 otherwise. The engine turns a load of such an address into an empty page without a
// word.
int RestrictedPortOf(std::string_view address);

// The names a request's answer is kept under after the origin: each kind's name, or
// "external:SCHEME" for handing an address to another program. The window's state shows
// them too, divided by " ".
std::vector<std::string> PermissionGrantNames(const PermissionRequest& request);
std::string PermissionRequestText(const PermissionRequest& request);

// The bar's question for a request: PermissionQuestion for its kinds, or "HOST wants to open
// a SCHEME: link with another program".
std::string PermissionRequestQuestion(const PermissionRequest& request);

// The settings store's value name for an answer: "ORIGIN KIND", or "ORIGIN NAME" for a name
// of PermissionGrantNames.
std::string PermissionValueName(std::string_view origin, PermissionKind kind);
std::string PermissionValueName(std::string_view origin, std::string_view grantName);

}  // namespace wb
