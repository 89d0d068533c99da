#include "engine/http_auth_webkit.h"

#include "platform/secret_service.h"

namespace wb {

namespace {

gboolean OnAuthenticate(WebKitWebView*, WebKitAuthenticationRequest* request, gpointer) {
  // The engine says whether it would keep the password (not in an ephemeral profile, for
  // one); it keeps it in the secret service, so without one a ticked box would keep nothing.
  const bool engineKeeps = webkit_authentication_request_can_save_credentials(request);
  webkit_authentication_request_set_can_save_credentials(request,
                                                         engineKeeps && SecretService().Answers());
  return FALSE;
}

}  // namespace

void ConnectHttpAuthentication(WebKitWebView* view, gpointer owner) {
  SecretService();
  g_signal_connect(view, "authenticate", G_CALLBACK(OnAuthenticate), owner);
}

}  // namespace wb
