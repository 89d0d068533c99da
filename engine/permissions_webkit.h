#pragma once
// A page's permission requests and questions of one WebKitGTK view, put to the window through
// the web view's onPermissionRequest and onPermissionState.
#include <webkit2/webkit2.h>

#include <vector>

#include "support/permissions.h"

namespace wb {

class WebView;

// The kinds a request asks for; empty for one no page may be granted (the engine's own plug-in
// installation).
std::vector<PermissionKind> PermissionKindsOf(WebKitPermissionRequest* request);

// Connects the view's permission signals to `owner`'s events; g_signal_handlers_disconnect_by
// _data(view, &owner) disconnects them.
void ConnectPermissions(WebKitWebView* view, WebView& owner);

}  // namespace wb
