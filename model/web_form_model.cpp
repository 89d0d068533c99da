#include "model/web_form_model.h"

#include <cstdint>
#include <iterator>
#include <limits>
#include <string>

#include "model/window_rules.h"
#include "support/lower_case.h"
#include "support/maker.h"

namespace wb {

// --- Configuration and link bar ----------------------------------------------------------

void WebFormModel::Configure(WindowConfig config) {
  historyIndex_ = -1;
  history_.clear();
  historyPositions_.clear();
  linkCt_ = 0;
  config_ = std::move(config);
  linkList_ = config_.linkList;
  AddLinkList(nullptr, true);
}

void WebFormModel::AddLinkList(const ValueList* st, bool del) {
  const ValueList list = st ? *st : linkList_;
  if (del) links_.clear();
  std::vector<LinkButtonSpec> specs = LinkButtons(list);
  // Each button is placed at the front of the bar, so the rightmost one is made first.
  for (auto it = specs.rbegin(); it != specs.rend(); ++it) {
    ++linkCt_;
    links_.insert(links_.begin(), LinkEntry{it->caption, it->address, it->icon,
                                            "btLink_" + std::to_string(linkCt_)});
  }
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
  SetStatus(u"Load: " + address);
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
  // The action runs only while its rule allows it; the check keeps the index in the list
  // even if a caller forgets that.
  if (historyIndex_ < 1 || historyIndex_ > static_cast<int>(history_.size()) ||
      host_.LeavePromptOpen())
    return;
  SetAddrText(history_[static_cast<std::size_t>(historyIndex_) - 1]);
  FindAddress();
}

void WebFormModel::ForwardClick() {
  if (historyIndex_ < -1 || historyIndex_ + 1 >= static_cast<int>(history_.size()) ||
      host_.LeavePromptOpen())
    return;
  SetAddrText(history_[static_cast<std::size_t>(historyIndex_ + 1)]);
  FindAddress();
}

void WebFormModel::RefreshClick() {
  FindAddress();
}

bool WebFormModel::acBackUpdate() const {
  return !history_.empty() && historyIndex_ > 0;
}

bool WebFormModel::acForwardUpdate() const {
  return !history_.empty() && historyIndex_ < static_cast<int>(history_.size()) - 1;
}

// --- Events of the web view --------------------------------------------------------------

int WebFormModel::FindInHistory(const Text& u) const {
  auto it = historyPositions_.find(LowerCase(u));
  return it == historyPositions_.end() ? -1 : static_cast<int>(it->second);
}

void WebFormModel::CutHistoryAfter(std::size_t index, std::vector<Text>* into) {
  for (std::size_t i = index + 1; i < history_.size(); ++i) {
    historyPositions_.erase(LowerCase(history_[i]));
    into->push_back(std::move(history_[i]));
  }
  history_.resize(index + 1);
}

void WebFormModel::AppendToHistory(const Text& u) {
  history_.push_back(u);
  historyPositions_[LowerCase(u)] = history_.size() - 1;
}

void WebFormModel::webBeforeNavigate2(const Text& u) {
  calledOff_ = {};
  if (IsScriptAddress(u)) return;
  const int found = FindInHistory(u);
  calledOff_ = {true, historyIndex_, false, {}};
  if (found >= 0) {
    historyIndex_ = found;
  } else {
    // The person has gone back: the entries ahead of the current one give way.
    if (historyIndex_ >= 0 && historyIndex_ < static_cast<int>(history_.size()) - 1)
      CutHistoryAfter(static_cast<std::size_t>(historyIndex_), &calledOff_.cut);
    AppendToHistory(u);
    calledOff_.appended = true;
    historyIndex_ = static_cast<int>(history_.size()) - 1;
  }
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
  if (!calledOff_.undo) return;
  if (calledOff_.appended && !history_.empty()) {
    historyPositions_.erase(LowerCase(history_.back()));
    history_.pop_back();
    for (Text& entry : calledOff_.cut) AppendToHistory(entry);
  }
  historyIndex_ = calledOff_.index;
  calledOff_ = {};
  const Text shown = historyIndex_ >= 0 && historyIndex_ < static_cast<int>(history_.size())
                         ? history_[static_cast<std::size_t>(historyIndex_)]
                         : Text();
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

const Text* WebFormModel::ListedExactly(const Text& text) const {
  auto it = recentPositions_.find(LowerCase(text));
  return it != recentPositions_.end() && *it->second == text ? &*it->second : nullptr;
}

void WebFormModel::MoveToTopOfList(const Text& u) {
  Text key = LowerCase(u);
  auto found = recentPositions_.find(key);
  if (found != recentPositions_.end()) {
    // The entry keeps its spelling and moves to the top.
    recent_.splice(recent_.begin(), recent_, found->second);
    host_.RecentMovedToTop(*found->second, true);
    return;
  }
  recent_.push_front(u);
  recentPositions_.emplace(std::move(key), recent_.begin());
  host_.RecentMovedToTop(recent_.front(), false);
}

}  // namespace wb
