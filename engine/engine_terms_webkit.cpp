#include "engine/engine_terms_webkit.h"

#include <cstdio>

#include "support/own_page.h"

namespace wb {

std::string AddressOf(const char* uri) {
  return uri ? uri : "";
}

void TraceNavigation(const char* what, const std::string& detail) {
  static const bool on = [] {
    const char* value = g_getenv("WB_TRACE_NAVIGATION");
    return value && *value == '1';
  }();
  if (on)
    std::fprintf(stderr, "navigation %.3f %s %s\n",
                 static_cast<double>(g_get_monotonic_time()) / G_USEC_PER_SEC, what,
                 detail.c_str());
}

LoadFailure FailureOf(const GError* error) {
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED))
    return LoadFailure::kCancelled;
  if (g_error_matches(error, WEBKIT_POLICY_ERROR,
                      WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE))
    return LoadFailure::kBecameDownload;
  if (g_error_matches(error, WEBKIT_DOWNLOAD_ERROR, WEBKIT_DOWNLOAD_ERROR_DESTINATION))
    return LoadFailure::kDownloadFailed;
  if (error && error->domain == WEBKIT_POLICY_ERROR) return LoadFailure::kRefused;
  // The engine's own "internal error", which has no public name: what its web process gives
  // every load under way when the network process's connection closes.
  static const GQuark engineDomain = g_quark_from_static_string("WebKitErrorDomain");
  if (error && error->domain == engineDomain && error->code == 300) return LoadFailure::kEngineLost;
  return LoadFailure::kNetwork;
}

NavigationKind KindOf(WebKitNavigationType type) {
  switch (type) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
      return NavigationKind::kLink;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
      return NavigationKind::kForm;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
      return NavigationKind::kBackForward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
      return NavigationKind::kReload;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
      return NavigationKind::kFormResubmit;
    default:
      return NavigationKind::kOther;
  }
}

const char* RequestedAddress(WebKitPolicyDecision* decision) {
  WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
      WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  return request ? webkit_uri_request_get_uri(request) : nullptr;
}

bool IsActionAddress(const char* uri) {
  return uri && g_str_has_prefix(uri, std::string(kActionScheme).c_str());
}

bool IsAttachment(WebKitURIResponse* response) {
  SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
  const char* disposition =
      headers ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
  return disposition && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
}

ProcessEnd ProcessEndOf(WebKitWebProcessTerminationReason reason) {
  return reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT ? ProcessEnd::kExceededMemory
         : reason == WEBKIT_WEB_PROCESS_TERMINATED_BY_API   ? ProcessEnd::kEndedByProgram
                                                            : ProcessEnd::kCrashed;
}

}  // namespace wb
