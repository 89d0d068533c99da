#pragma once
// The browser window's rules without a widget: its back/forward history (a History), the
// address box's text and its list of recently used addresses, the status and progress texts, the
// enable rules of Back and Forward, `go` and its skip rule, the link entries of the link bar
// and the configuration the window applies. TWebForm shows this model: it forwards the
// events of its widgets and of the web view here, and renders what the model reports as
// changed. Names are the window's own (webBeforeNavigate2, BackClick, go ...), so each rule
// is found under the name of the handler that runs it.
#include <cstddef>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "model/history.h"
#include "storage/value_list.h"
#include "storage/window_config.h"
#include "support/page_error.h"
#include "support/text.h"

namespace wb {

// What the model needs from the window that shows it: the web view's navigation, and the
// controls to update. Each notification names one change, so the window updates that control
// (one row of the address list) instead of reading the model back.
class WebFormHost {
 public:
  virtual ~WebFormHost() = default;
  // Asks the web view to load `address` unchanged. Returns whether a navigation started (an
  // address of blanks only starts none).
  [[nodiscard]] virtual bool Navigate(const Text& address) = 0;
  // Whether the page shown is asking whether the person wants to leave it.
  virtual bool LeavePromptOpen() const = 0;
  // The web view's LocationURL.
  virtual Text LocationURL() const = 0;

  virtual void AddrTextChanged(const Text& text) = 0;
  virtual void StatusChanged(const Text& text) = 0;
  // `entry` is now the first of the recently used addresses. `from`: it was in the list
  // already, at that position (counted from 0 at the top), and has moved; none: it was
  // inserted.
  virtual void RecentMovedToTop(const Text& entry, std::optional<std::size_t> from) = 0;
  // The history or its position changed, so Back and Forward may be enabled differently.
  virtual void HistoryChanged() = 0;
  // Link entries were added or removed.
  virtual void LinksChanged() = 0;
};

class WebFormModel {
 public:
  explicit WebFormModel(WebFormHost& host) : host_(host) {}
  WebFormModel(const WebFormModel&) = delete;
  WebFormModel& operator=(const WebFormModel&) = delete;

  // --- Configuration ---------------------------------------------------------------------

  // The creation step's part without widgets: the configuration block `resList` becomes
  // ResList, its parsed form Config(), and the link entries of LinkList. Empties the history
  // first. Navigation to the start address is left to the window, which first applies the
  // rest of the configuration to its widgets.
  void Configure(WindowConfig config);
  void Configure(const ValueList& resList) { Configure(WindowConfigFromValues(resList)); }
  const ValueList& ResList() const { return config_.resList; }
  const WindowConfig& Config() const { return config_; }

  // --- Link bar --------------------------------------------------------------------------

  struct LinkEntry {
    Text caption;
    Text address;      // the button's hint, which a click navigates to
    int icon = 0;      // link image index
    std::string name;  // "btLink_" and the running number LinkCt had when it was made
    bool operator==(const LinkEntry&) const = default;
  };
  // Rebuilds the entries from `st` (null: LinkList); `del` removes every entry first.
  void AddLinkList(const ValueList* st, bool del);
  // Adds one entry at the front of the bar.
  void AddLink(const Text& n, const Text& url, int ImgIdx);
  // Removes the entries captioned `n` exactly, or all of them for "*".
  void DelLink(const Text& n);
  // In bar order, left to right.
  const std::vector<LinkEntry>& Links() const { return links_; }
  const ValueList& LinkList() const { return linkList_; }
  int LinkCt() const { return linkCt_; }
  // A click on the link entry at `index`: `go` with its address.
  bool LinksClick(std::size_t index);

  // --- Navigation ------------------------------------------------------------------------

  // Navigates to `url` through the address box. Nothing happens for an empty `url`. `noRef`
  // 0 never skips; 1 skips when the address box's text contains `url`; 2 skips when they are
  // equal (both compared with A-Z lower-cased). Returns whether it navigated, so that the
  // window can give the web view the keyboard focus.
  bool go(const Text& url, int noRef = 0);
  // Sets UpdateCombo, shows "Load: " and the address box's text, and navigates to the text.
  void FindAddress();
  // The maker's home page, whatever the start address.
  void HomePageRequest();
  void BackClick();
  void ForwardClick();
  // Navigates again to the address box's text, edited or not.
  void RefreshClick();
  // Enter in the address box, and a selection moved to an entry of its list.
  void AddrKeyDown() { FindAddress(); }
  void AddrClick() { FindAddress(); }
  // The enable rules of acBack and acForward.
  bool acBackUpdate() const;
  bool acForwardUpdate() const;

  // --- Events of the web view ------------------------------------------------------------

  void webBeforeNavigate2(const Text& u);
  void webProgressChange(int progress, int progressMax);
  // The navigation announced last did not happen: the window returns to the page shown.
  void webNavigationCalledOff();
  // The view explains why the page asked for is not shown (null: a page has loaded again).
  void webPageError(const PageError* error) {
    pageError_ = error ? std::optional<PageError>(*error) : std::nullopt;
  }
  const std::optional<PageError>& PageErrorShown() const { return pageError_; }

  // --- Address box and status ------------------------------------------------------------

  const Text& AddrText() const { return addrText_; }
  // The program sets the text; the window is told.
  void SetAddrText(const Text& text);
  // The person edited the text in the box; the box shows it already.
  void AddrEdited(const Text& text) { addrText_ = text; }
  // The recently used addresses, most recent first.
  std::vector<Text> AddrItems() const;
  const std::list<Text>& Recent() const { return recent_; }
  // The listed address equal to `text` exactly, or null.
  const Text* ListedExactly(const Text& text) const;
  // The same as a position in Recent(), or its end.
  std::list<Text>::const_iterator FindListedExactly(const Text& text) const;
  const Text& StatusText() const { return statusText_; }
  void SetStatus(const Text& text);

  // --- State fields ----------------------------------------------------------------------

  const History& history() const { return history_; }
  const std::vector<Text>& HistoryList() const { return history_.Entries(); }
  int HistoryIndex() const { return history_.Index(); }
  bool UpdateCombo() const { return updateCombo_; }

 private:
  void MoveToTopOfList(const Text& u);

  WebFormHost& host_;
  WindowConfig config_;
  ValueList linkList_;
  std::vector<LinkEntry> links_;
  int linkCt_ = 0;

  // An index of the recent entries by their lower-cased text, so that finding an address costs
  // the same however long the list grows. It holds positions, never a copy of the text: a long
  // day's addresses are each kept once, in the list itself.
  struct LoweredKey {
    std::size_t hash;
    Text lowered;
  };
  static LoweredKey KeyOf(const Text& text);
  struct ByLoweredText {
    using is_transparent = void;
    using Position = std::list<Text>::iterator;
    std::size_t operator()(const Position& p) const { return KeyOf(*p).hash; }
    std::size_t operator()(const LoweredKey& k) const { return k.hash; }
    bool operator()(const Position& a, const Position& b) const {
      return KeyOf(*a).lowered == KeyOf(*b).lowered;
    }
    bool operator()(const LoweredKey& k, const Position& p) const {
      return k.lowered == KeyOf(*p).lowered;
    }
    bool operator()(const Position& p, const LoweredKey& k) const { return (*this)(k, p); }
  };

  History history_;
  bool updateCombo_ = false;

  std::list<Text> recent_;
  std::unordered_set<std::list<Text>::iterator, ByLoweredText, ByLoweredText> recentPositions_;

  Text addrText_;
  Text statusText_;
  std::optional<PageError> pageError_;
};

}  // namespace wb
