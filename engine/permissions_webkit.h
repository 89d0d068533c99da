#pragma once
// A page's permission requests and questions of one WebKitGTK view, put to the window through
// the web view's onPermissionRequest and onPermissionState.
#include <webkit2/webkit2.h>

#include <string>
#include <vector>

#include "support/permissions.h"

namespace wb {

class WebView;

// The kinds a request asks for; empty for one no page may be granted (the engine's own plug-in
// installation).
std::vector<PermissionKind> PermissionKindsOf(WebKitPermissionRequest* request);

// Puts a page's request to `owner`'s onPermissionRequest as the request of the page at
// `pageAddress`, the page shown (not the one a load under way is bringing). A page that is
// being left gets what the person answered before for it, and no question: it would wait on
// the bar over the next page.
void AskPermission(WebView& owner, WebKitPermissionRequest* request, const std::string& pageAddress,
                   bool pageBeingLeft);

// Connects the view's question whether a page has a permission to `owner`'s onPermissionState;
// g_signal_handlers_disconnect_by_data(view, &owner) disconnects it.
void ConnectPermissionQueries(WebKitWebView* view, WebView& owner);

}  // namespace wb
