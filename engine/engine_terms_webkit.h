#pragma once
// What the engine tells, in the navigation tracker's terms, and the trace of it.
#include <webkit2/webkit2.h>

#include <string>

#include "model/navigation_tracker.h"

namespace wb {

// The engine's address, empty for none.
std::string AddressOf(const char* uri);

// WB_TRACE_NAVIGATION=1 writes each main-frame event of the engine and each command the view
// gives it to the standard error stream, with the monotonic clock in seconds: what a navigation
// that went wrong once needs to be understood. The end-to-end tests turn it on, so a failing
// case shows it.
void TraceNavigation(const char* what, const std::string& detail = {});

LoadFailure FailureOf(const GError* error);
NavigationKind KindOf(WebKitNavigationType type);
ProcessEnd ProcessEndOf(WebKitWebProcessTerminationReason reason);

// The address a navigation or new-window decision is about; null for none.
const char* RequestedAddress(WebKitPolicyDecision* decision);
// Whether `uri` is our pages' button's, which never leaves the window.
bool IsActionAddress(const char* uri);
// Whether the response asks to be saved rather than shown (Content-Disposition: attachment).
bool IsAttachment(WebKitURIResponse* response);

}  // namespace wb
