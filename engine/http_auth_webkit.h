#pragma once
// HTTP authentication on WebKitGTK. The engine's own dialog asks for the user name and the
// password, and offers to remember the password only where the system's secret service can
// keep it.
#include <webkit2/webkit2.h>

namespace wb {

// Connects the view's sign-in requests ("authenticate") with `owner` as the handler's data, so
// that g_signal_handlers_disconnect_by_data(view, owner) disconnects it. The engine's dialog
// still asks; it offers "Remember password" only where the engine would keep the password and
// the secret service answers (SecretService(), which the first call starts watching).
void ConnectHttpAuthentication(WebKitWebView* view, gpointer owner);

}  // namespace wb
