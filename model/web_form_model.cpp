#include "model/web_form_model.h"

#include <cstdint>
#include <iterator>
#include <limits>
#include <string>

#include "model/window_rules.h"
#include "support/catalog.h"
#include "support/lower_case.h"
#include "support/maker.h"

namespace wb {

// --- Configuration and link bar ----------------------------------------------------------

void WebFormModel::Configure(WindowConfig config) {
  history_.Clear();
  linkCt_ = 0;
  config_ = std::move(config);
  linkList_ = config_.linkList;
  AddLinkList(nullptr, true);
}

void WebFormModel::AddLinkList(const ValueList* st, bool del) {
  if (del) links_.clear();
  // The configuration's link list was read into buttons once already, with the rest of it.
  const std::vector<LinkButtonSpec> specs = st ? LinkButtons(*st) : config_.linkButtons;
  links_.reserve(links_.size() + specs.size());
  // Each button is placed at the front of the bar, so the rightmost one is made first.
  // The entries are made in that order and go to the front together, in bar order; one
  // notification rebuilds the bar for the whole list.
  std::vector<LinkEntry> made(specs.size());
  for (std::size_t i = specs.size(); i-- > 0;) {
    ++linkCt_;
    made[i] = {specs[i].caption, specs[i].address, specs[i].icon,
               "btLink_" + std::to_string(linkCt_)};
  }
  links_.insert(links_.begin(), std::make_move_iterator(made.begin()),
                std::make_move_iterator(made.end()));
  host_.LinksChanged();
}

void WebFormModel::AddLink(const Text& n, const Text& url, int ImgIdx) {
  ++linkCt_;
  links_.insert(links_.begin(), LinkEntry{n, url, ImgIdx, "btLink_" + std::to_string(linkCt_)});
  host_.LinksChanged();
}

void WebFormModel::DelLink(const Text& n) {
  std::erase_if(links_, [&](const LinkEntry& e) { return n == u"*" || e.caption == n; });
  host_.LinksChanged();
}

bool WebFormModel::LinksClick(std::size_t index) {
  if (index >= links_.size()) return false;
  const Text address = links_[index].address;
  return go(address, 0);
}

// --- Navigation --------------------------------------------------------------------------

bool WebFormModel::go(const Text& url, int noRef) {
  if (url.empty() || host_.LeavePromptOpen()) return false;
  // Only the letters A to Z are lower-cased for this comparison.
  const Text current = AsciiLowerCase(addrText_);
  const Text wanted = AsciiLowerCase(url);
  if (noRef == 1 && current.find(wanted) != Text::npos) return false;
  if (noRef == 2 && current == wanted) return false;
  SetAddrText(url);
  FindAddress();
  return true;
}

void WebFormModel::FindAddress() {
  // While the page asks whether to leave it, the navigation that asked waits for the answer;
  // another would only queue a second question.
  if (host_.LeavePromptOpen()) return;
  updateCombo_ = true;
  // A copy: the navigation event may change the address box's text while the view navigates.
  const Text address = addrText_;
  // The address goes in as text, unconverted, so the status shows exactly what was asked for.
  const Text status = FromUtf8(Tr("Load: {1}"));
  const std::size_t place = status.find(u"{1}");
  SetStatus(place == Text::npos ? status
                                : status.substr(0, place) + address + status.substr(place + 3));
  // The flag is for the navigation this starts; an address that starts none (blanks only)
  // must not leave it to the next link clicked inside the page.
  if (!host_.Navigate(address)) updateCombo_ = false;
}

void WebFormModel::HomePageRequest() {
  if (host_.LeavePromptOpen()) return;
  SetAddrText(BaseWebAddress());
  FindAddress();
}

void WebFormModel::BackClick() {
  const Text* back = history_.Back();
  if (!back || host_.LeavePromptOpen()) return;
  SetAddrText(*back);
  FindAddress();
}

void WebFormModel::ForwardClick() {
  const Text* forward = history_.Forward();
  if (!forward || host_.LeavePromptOpen()) return;
  SetAddrText(*forward);
  FindAddress();
}

void WebFormModel::RefreshClick() {
  FindAddress();
}

bool WebFormModel::acBackUpdate() const {
  return history_.CanGoBack();
}

bool WebFormModel::acForwardUpdate() const {
  return history_.CanGoForward();
}

// --- Events of the web view --------------------------------------------------------------

WebFormModel::LoweredKey WebFormModel::KeyOf(const Text& text) {
  LoweredKey key{0, LowerCase(text)};
  key.hash = std::hash<Text>{}(key.lowered);
  return key;
}

void WebFormModel::webBeforeNavigate2(const Text& u) {
  history_.ForgetCallOff();
  if (IsScriptAddress(u)) return;
  history_.Push(u);
  if (updateCombo_) {
    updateCombo_ = false;
    MoveToTopOfList(u);
  }
  SetAddrText(u);
  SetStatus(u);
  host_.HistoryChanged();
}

void WebFormModel::webNavigationCalledOff() {
  // The navigation just announced did not happen: the window returns to the page that is
  // still shown, as if it had never been announced.
  if (!history_.CallOff()) return;
  const Text shown = history_.Current();
  SetAddrText(shown);
  SetStatus(shown);
  host_.HistoryChanged();
}

void WebFormModel::webProgressChange(int progress, int progressMax) {
  if (progressMax == 0) {
    SetStatus(host_.LocationURL());
    return;
  }
  // Signed 32-bit arithmetic: the product wraps around as the engine's integers do, and the
  // quotient is truncated toward zero.
  auto product =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(progress) * std::uint32_t{100});
  std::int32_t p;
  if (progressMax == -1 && product == std::numeric_limits<std::int32_t>::min())
    p = product;  // the one quotient that does not fit wraps around as well
  else
    p = product / progressMax;
  SetStatus(addrText_ + u" (" + Ascii(std::to_string(p)) + u"%)");
}

// --- Address box and status --------------------------------------------------------------

void WebFormModel::SetAddrText(const Text& text) {
  addrText_ = text;
  host_.AddrTextChanged(addrText_);
}

void WebFormModel::SetStatus(const Text& text) {
  statusText_ = text;
  host_.StatusChanged(statusText_);
}

std::vector<Text> WebFormModel::AddrItems() const {
  return {recent_.begin(), recent_.end()};
}

std::list<Text>::const_iterator WebFormModel::FindListedExactly(const Text& text) const {
  auto it = recentPositions_.find(KeyOf(text));
  return it != recentPositions_.end() && **it == text ? std::list<Text>::const_iterator(*it)
                                                      : recent_.end();
}

const Text* WebFormModel::ListedExactly(const Text& text) const {
  auto it = FindListedExactly(text);
  return it != recent_.end() ? &*it : nullptr;
}

void WebFormModel::MoveToTopOfList(const Text& u) {
  LoweredKey key = KeyOf(u);
  auto found = recentPositions_.find(key);
  if (found != recentPositions_.end()) {
    // The entry keeps its spelling and moves to the top. The window's list moves the row
    // from where it was; the walk is as long as the entry is far down, which an address used
    // again seldom is.
    const std::list<Text>::iterator entry = *found;
    const auto from = static_cast<std::size_t>(std::distance(recent_.begin(), entry));
    recent_.splice(recent_.begin(), recent_, entry);
    host_.RecentMovedToTop(*entry, from);
    return;
  }
  recent_.push_front(u);
  recentPositions_.insert(recent_.begin());
  host_.RecentMovedToTop(recent_.front(), std::nullopt);
}

}  // namespace wb
