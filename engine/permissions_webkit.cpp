#include "engine/permissions_webkit.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "engine/web_view.h"
#include "platform/glib_ptr.h"
#include "support/address_parts.h"
#include "support/host_patterns.h"

namespace wb {

std::vector<PermissionKind> PermissionKindsOf(WebKitPermissionRequest* request) {
  using K = PermissionKind;
  if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) return {K::kNotifications};
  if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) return {K::kGeolocation};
  if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
    auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
    std::vector<K> kinds;
    if (webkit_user_media_permission_is_for_display_device(media)) kinds.push_back(K::kScreen);
    if (webkit_user_media_permission_is_for_video_device(media)) kinds.push_back(K::kCamera);
    if (webkit_user_media_permission_is_for_audio_device(media)) kinds.push_back(K::kMicrophone);
    return kinds;
  }
  if (WEBKIT_IS_DEVICE_INFO_PERMISSION_REQUEST(request)) return {K::kDeviceInfo};
  if (WEBKIT_IS_MEDIA_KEY_SYSTEM_PERMISSION_REQUEST(request)) return {K::kMediaKeys};
  if (WEBKIT_IS_POINTER_LOCK_PERMISSION_REQUEST(request)) return {K::kPointerLock};
  if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request)) return {K::kClipboard};
  return {};
}

// A page's request waits for the window's answer; the engine refuses it if the answer never
// comes (the request is let go with the last copy of the answer).
void AskPermission(WebView& view, WebKitPermissionRequest* request, const std::string& pageAddress,
                   bool pageBeingLeft) {
  WebView* owner = &view;
  PermissionRequest asked{OriginOf(pageAddress), SiteOfAddress(pageAddress),
                          PermissionKindsOf(request)};
  if (asked.kinds.empty() || !AnswersKeptFor(asked.origin) || !owner->onPermissionRequest) {
    webkit_permission_request_deny(request);
    return;
  }
  if (pageBeingLeft) {
    bool allowed = static_cast<bool>(owner->onPermissionState);
    for (PermissionKind kind : asked.kinds)
      allowed = allowed && owner->onPermissionState(asked.origin, kind).value_or(false);
    if (allowed)
      webkit_permission_request_allow(request);
    else
      webkit_permission_request_deny(request);
    return;
  }
  const std::shared_ptr<WebKitPermissionRequest> held = RefObject(request);
  auto answered = std::make_shared<bool>(false);
  owner->onPermissionRequest(asked, [held, answered](bool allow) {
    if (*answered) return;
    *answered = true;
    if (allow)
      webkit_permission_request_allow(held.get());
    else
      webkit_permission_request_deny(held.get());
  });
}

namespace {

gboolean OnPermissionQuery(WebKitWebView*, WebKitPermissionStateQuery* query, gpointer data) {
  auto* owner = static_cast<WebView*>(data);
  static const std::pair<const char*, PermissionKind> kNames[] = {
      {"notifications", PermissionKind::kNotifications},
      {"geolocation", PermissionKind::kGeolocation},
      {"camera", PermissionKind::kCamera},
      {"microphone", PermissionKind::kMicrophone},
      {"clipboard-read", PermissionKind::kClipboard},
  };
  const char* name = webkit_permission_state_query_get_name(query);
  auto kind =
      std::ranges::find_if(kNames, [name](const auto& n) { return g_strcmp0(n.first, name) == 0; });
  WebKitSecurityOrigin* from = webkit_permission_state_query_get_security_origin(query);
  if (kind == std::end(kNames) || !from || !owner->onPermissionState) return FALSE;
  GPtr<gchar> text(webkit_security_origin_to_string(from));
  const std::optional<bool> known =
      owner->onPermissionState(OriginOf(text ? text.get() : ""), kind->second);
  webkit_permission_state_query_finish(query, !known   ? WEBKIT_PERMISSION_STATE_PROMPT
                                              : *known ? WEBKIT_PERMISSION_STATE_GRANTED
                                                       : WEBKIT_PERMISSION_STATE_DENIED);
  return TRUE;
}

}  // namespace

void ConnectPermissionQueries(WebKitWebView* view, WebView& owner) {
  g_signal_connect(view, "query-permission-state", G_CALLBACK(OnPermissionQuery), &owner);
}

}  // namespace wb
