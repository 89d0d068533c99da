// The browser window's creation step: the configuration applied to the design, the
// permission bar's and the notifications' configuration, and the visible bars.
#include <optional>
#include <string>
#include <vector>

#include "model/window_rules.h"
#include "shell/ustring.h"
#include "shell/web_form.h"
#include "storage/timeline.h"
#include "storage/window_config.h"
#include "support/address.h"
#include "support/address_parts.h"
#include "support/permissions.h"

namespace wb {

void TWebForm::FormCreate() {
  if (created_) return;
  created_ = true;
  // Step 1 is the construction: empty history and lists, no link buttons yet. 2: the
  // configuration block from its sources; the model parses it and makes the link entries
  // of step 7 from the link list of steps 5 and 6.
  model_.Configure(services_.readConfig ? services_.readConfig() : WindowConfigFromValues({}));
  TimelineMarkOnce("window's configuration read");
  const WindowConfig& config = model_.Config();
  services_.views->ApplyConfig(config);
  // 3 and 4: title and banner.
  bannerLabel.set_text(U(config.bannerCaption));
  if (!config.caption.empty()) set_title(U(config.caption));
  pBanner.set_visible(config.bannerShown);
  // 8: the visible bars. The link buttons are made only now, and only for a link bar that
  // stays shown.
  if (config.visApplied) vis(config.vis);
  barsApplied_ = true;
  if (linksStale_ && LinkBar.get_visible()) FillLinkBar();
  // 9 and 10: size and colour.
  if (config.width > 0 || config.height > 0) {
    int w = 0, h = 0;
    get_default_size(w, h);
    set_default_size(config.width > 0 ? config.width : w, config.height > 0 ? config.height : h);
  }
  if (config.color > 0) SetWindowColor(config.color);
  ApplyPermissionConfig();
  ConfigurePageTools();
  ApplyStartState();
  // 11: the start address.
  if (!config.go.empty()) go(config.go, 0);
  actionList.Invalidate();
}

void TWebForm::ApplyPermissionConfig() {
  const WindowConfig& config = model_.Config();
  const std::string startOrigin = OriginOf(ResolveAddress(ToUtf8(config.go)));
  pPermission->Prompts().Configure(startOrigin, config.allow);
  // Notifications on the desktop carry the window's title; a new web process learns which of
  // the site's origins were allowed or refused them, as Notification.permission shows.
  services_.views->notificationAppName = get_title();
  services_.views->notificationOrigins = [this, startOrigin](std::vector<std::string>& allowed,
                                                             std::vector<std::string>& blocked) {
    std::vector<const Text*> addresses;
    for (const auto& link : model_.Links()) addresses.push_back(&link.address);
    for (const auto& address : model_.HistoryList()) addresses.push_back(&address);
    for (const auto& origin : NotificationOrigins(startOrigin, addresses)) {
      const std::optional<bool> known =
          pPermission->Prompts().Known(origin, {PermissionKind::kNotifications});
      if (known) (*known ? allowed : blocked).push_back(origin);
    }
  };
}

void TWebForm::vis(const Text& s) {
  bars_ = WindowBars(ParseVis(s));
  if (!bars_.Shown().menu) DestroyMenu();
  ShowBars();
  // A hidden address box cannot take keys: the focus it had at start goes to the page, which
  // would otherwise get no key until the person clicks into it.
  FocusThePageIfLost();
}

}  // namespace wb
