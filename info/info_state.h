#pragma once
// The info banner's part of the main window's state, as the remote channel reports it.
#include <json-glib/json-glib.h>

#include "info/web_info.h"

namespace wb {

// Adds the member "info" to a state object: null while there is no banner, else
// { "visible": bool, "address": text, "interval": ms, "timer": bool }.
void AddInfoState(JsonObject* state, const TWebInfo* banner);

}  // namespace wb
