#pragma once
// HTTP authentication on WebKitGTK. The engine's own dialog asks for the user name and the
// password, and offers to remember the password only where the system's secret service can
// keep it. The sign-ins the engine holds in memory live in its network process, which keeps
// them through every removal of website data until it ends: forgetting them means ending it.
#include <webkit2/webkit2.h>

#include <functional>
#include <string>

namespace wb {

// Connects the view's sign-in requests ("authenticate") with `owner` as the handler's data, so
// that g_signal_handlers_disconnect_by_data(view, owner) disconnects it. The engine's dialog
// still asks; it offers "Remember password" only where the engine would keep the password and
// the secret service answers (SecretService(), which the first call starts watching).
void ConnectHttpAuthentication(WebKitWebView* view, gpointer owner);

// Ends the program's engine network process and calls `done` once it has ended, with an empty
// text, or with what went wrong. The engine starts a new one for the next request, which
// knows no sign-in of the old one; whatever the old one was still loading or downloading
// fails. Without a network process `done` is called at once.
void EndNetworkProcess(std::function<void(const std::string& error)> done);

}  // namespace wb
