#pragma once
// The model's part of the main window's state: everything `wbctl state` reports that the
// window's rules hold, with no widget read. The window adds what only its widgets know.
#include "model/find_in_page.h"
#include "model/permission_prompts.h"
#include "model/web_form_model.h"
#include "support/window_state.h"

namespace wb {

WindowState ModelSnapshot(const WebFormModel& model, const PermissionPrompts& prompts,
                          const FindInPage& find, int zoomPercent);

}  // namespace wb
