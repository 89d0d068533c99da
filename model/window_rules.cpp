#include "model/window_rules.h"

#include <algorithm>
#include <utility>

#include "support/address_parts.h"
#include "support/permissions.h"

namespace wb {

bool IsScriptAddress(const Text& address) {
  return address.find(u"javascript:") != Text::npos;
}

EscapeAction EscapeFor(bool pageFocused, bool loading, bool findBarOpen) {
  if (pageFocused && loading) return EscapeAction::kStop;
  if (findBarOpen) return EscapeAction::kCloseFindBar;
  return EscapeAction::kPass;
}

std::vector<std::string> NotificationOrigins(const std::string& startOrigin,
                                             const std::vector<const Text*>& addresses) {
  std::vector<std::string> origins{startOrigin};
  origins.reserve(addresses.size() + 1);
  for (const Text* address : addresses) origins.push_back(OriginOf(ToUtf8(*address)));
  std::ranges::sort(origins);
  origins.erase(std::unique(origins.begin(), origins.end()), origins.end());
  std::erase_if(origins, [](const std::string& origin) { return !AnswersKeptFor(origin); });
  return origins;
}

WindowBars::WindowBars(const BarVisibility& vis) {
  chosen_.menu = vis.menu;
  chosen_.navbar = vis.navbar;
  chosen_.address = vis.address;
  chosen_.linkbar = vis.linkbar;
  chosen_.navRow = vis.navbar || vis.address;
  chosen_.linkRow = vis.linkbar;
  chosen_.strip = vis.navbar || vis.address || vis.linkbar;
  chosen_.statusbar = vis.statusbar;
}

BarsShown WindowBars::Shown() const {
  BarsShown shown = chosen_;
  if (fullScreen_) shown.menu = shown.strip = shown.statusbar = false;
  return shown;
}

bool WindowBars::SetFullScreen(bool on) {
  return std::exchange(fullScreen_, on) != on;
}

HandOver HandOverFor(const std::string& target) {
  if (OpensWithoutAsking(target)) return HandOver::kOpen;
  return SchemeOf(target).empty() ? HandOver::kRefuse : HandOver::kAsk;
}

bool PageMenuOffers(PageMenuCommand command, bool windowEnabled, bool loading) {
  return windowEnabled && (command != PageMenuCommand::kStop || loading);
}

bool ShowsNormalPlacement(bool maximized, bool windowFullScreen, bool ownFullScreen) {
  return !maximized && !windowFullScreen && !ownFullScreen;
}

}  // namespace wb
