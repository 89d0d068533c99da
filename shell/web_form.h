#pragma once
// TWebForm: the browser window a person works in. It hosts the web view and surrounds it
// with a menu bar, a tool-bar strip (navigation bar, address box, link bar), a banner and a
// status bar. It keeps its own back/forward history (the web view's own is never used) and
// the address box's list of recently used addresses, and configures itself once, at
// creation, from the configuration block.
//
// Construction builds the design only; FormCreate() applies the configuration. The two are
// separate so that a derived window (the main window) is complete before the configuration
// is applied: CreateWebForm-style factories call FormCreate() right after construction.
#include <gtkmm/box.h>
#include <gtkmm/checkmenuitem.h>
#include <gtkmm/comboboxtext.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/label.h>
#include <gtkmm/menu.h>
#include <gtkmm/menubar.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/overlay.h>
#include <gtkmm/statusbar.h>
#include <gtkmm/toolbar.h>
#include <gtkmm/toolbutton.h>
#include <gtkmm/toolitem.h>
#include <gtkmm/treeiter.h>
#include <gtkmm/window.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/web_view.h"
#include "model/find_in_page.h"
#include "model/page_zoom.h"
#include "model/reporting_store.h"
#include "model/web_form_model.h"
#include "model/window_memory.h"
#include "model/window_rules.h"
#include "platform/glib_ptr.h"
#include "platform/launcher_badge.h"
#include "shell/action.h"
#include "shell/child_window.h"
#include "shell/find_bar.h"
#include "shell/link_strip.h"
#include "shell/permission_bar.h"
#include "shell/shortcuts.h"
#include "storage/value_list.h"
#include "support/app_badge.h"
#include "support/catalog.h"
#include "support/text.h"

namespace wb {

// What the window needs from outside. The program passes the engine, the real configuration
// sources and the desktop's default handler; tests pass fakes.
struct WebFormServices {
  WebViewFactory* views = nullptr;  // required
  // rParam: the configuration block merged from its sources, parsed. Empty function: no
  // configuration.
  std::function<WindowConfig()> readConfig;
  // Opens an address with the desktop's default handler (new-window requests of the page, with
  // the "internal" key the page's navigations towards other hosts, and the page's links to
  // schemes the view does not show once the person agreed).
  std::function<void(const Text& address)> openExternal;
  // What the copy remembers (permission answers, zoom per site, the window's placement):
  // the program passes the settings store, tests one in memory. Empty: the window keeps
  // them in memory for its own life.
  std::shared_ptr<CopyStore> store;
};

// The window is the view of a WebFormModel, which holds its rules: it forwards the events of
// its widgets and of the web view to the model and renders the changes the model reports.
// Its controls, actions and handlers are public, under the names of the design, so that
// tests and the main window reach them as the design names them.
class TWebForm : public Gtk::Window, private WebFormHost {
 public:
  explicit TWebForm(WebFormServices services);
  ~TWebForm() override;
  TWebForm(const TWebForm&) = delete;
  TWebForm& operator=(const TWebForm&) = delete;

  // The window's creation step: reads and applies the configuration, builds the link bar and
  // navigates to the start address. Runs once; a second call does nothing.
  virtual void FormCreate();

  // Navigation entry: navigates to `url` through the address box (the model's go), then gives
  // the web view the keyboard focus when the window is visible.
  void go(const Text& url, int noRef = 0);
  void FindAddress() { model_.FindAddress(); }
  // The request from other processes to show the maker's home page.
  void HomePageRequest() { model_.HomePageRequest(); }

  // The window's state without its widgets.
  const WebFormModel& Model() const { return model_; }
  // Configuration values other windows share.
  const ValueList& Config() const { return model_.ResList(); }
  std::int32_t ColorValue() const { return color_; }  // 0: the design colour
  WebView& View() { return *web; }

  // Handlers, named after their controls and events.
  void BackClick() { model_.BackClick(); }
  void ForwardClick() { model_.ForwardClick(); }
  void StopClick();
  void RefreshClick() { model_.RefreshClick(); }
  void acClick(Action& sender);
  bool AddrKeyDown(GdkEventKey* event);
  void AddrClick() { model_.AddrClick(); }
  void LinksClick(Gtk::Button& button);
  bool FormKeyDown(GdkEventKey* event);
  // Clicks `button` when its action is enabled; returns whether it did.
  bool ClickIfEnabled(Action& action, Gtk::ToolButton& button);
  void mnToolBarClick();
  void mnStatusBarClick();

  // Configuration and link bar.
  void vis(const Text& s);
  void AddLinkList(const ValueList* st, bool del) { model_.AddLinkList(st, del); }
  void AddLink(const Text& n, const Text& url, int ImgIdx) { model_.AddLink(n, url, ImgIdx); }
  // Removes the link buttons captioned `n` exactly, or all of them for "*".
  void DelLink(const Text& n) { model_.DelLink(n); }
  void SetWindowColor(std::int32_t color);

  // The address box's text, as the model knows it; the program sets it through the model.
  const Text& AddrText() const { return model_.AddrText(); }
  void SetAddrText(const Text& text) { model_.SetAddrText(text); }
  const Text& StatusText() const { return model_.StatusText(); }
  void SetStatus(const Text& text) { model_.SetStatus(text); }
  // Destroys the menu bar with all its items for the window's life.
  void DestroyMenu();

  // Actions.
  ActionList actionList;
  Action acBack{Tr("Back"), "go-previous"};
  Action acForward{Tr("Forward"), "go-next"};
  Action acStop{Tr("Stop"), "process-stop"};
  Action acRefresh{Tr("Refresh"), "view-refresh"};
  Action acSave{Tr("Save"), "document-save"};
  Action acPrint{Tr("Print"), "document-print"};
  Action acExit{Tr("Exit"), "application-exit"};

  // Controls, top to bottom.
  Gtk::Box clientBox{Gtk::ORIENTATION_VERTICAL};
  std::unique_ptr<Gtk::MenuBar> MainMenu;
  Gtk::Box CoolBar{Gtk::ORIENTATION_VERTICAL};
  Gtk::Box coolRowNav{Gtk::ORIENTATION_HORIZONTAL};    // NavBar and Addr
  Gtk::Box coolRowLinks{Gtk::ORIENTATION_HORIZONTAL};  // LinkBar
  Gtk::Toolbar NavBar;
  Gtk::ToolButton BackBtn, ForwardBtn, StopBtn, RefreshBtn, btPrint;
  Gtk::ComboBoxText Addr{true};
  Gtk::Toolbar LinkBar;
  Gtk::ToolItem linkItem;  // LinkBar's only item: linkStrip
  LinkStrip linkStrip;
  Gtk::EventBox pBanner;
  Gtk::Label bannerLabel;
  // The web view, with the permission bar over its top while a page asks: the page does not
  // move when the bar comes and goes, so a click aimed at it lands where it was aimed.
  Gtk::Overlay pageArea;
  std::unique_ptr<PermissionBar> pPermission;
  Gtk::Statusbar StatusBar;

  // Menu items; null once the menu bar is destroyed.
  Gtk::MenuItem* mnFile = nullptr;
  Gtk::MenuItem* mnSave = nullptr;
  Gtk::MenuItem* mnPrint = nullptr;
  Gtk::MenuItem* mnExit = nullptr;
  Gtk::MenuItem* mnView = nullptr;
  Gtk::CheckMenuItem* mnToolBar = nullptr;
  Gtk::CheckMenuItem* mnStatusBar = nullptr;
  Gtk::MenuItem* mnStop = nullptr;
  Gtk::MenuItem* mnRefresh = nullptr;
  Gtk::MenuItem* mnGo = nullptr;
  Gtk::MenuItem* mnBack = nullptr;
  Gtk::MenuItem* mnForward = nullptr;
  Gtk::MenuItem* mnHelp = nullptr;  // hidden in the browser window; the main window shows it
  Gtk::MenuItem* mnAbout = nullptr;

  // The link buttons, in bar order (left to right), one for each of the model's link entries.
  std::vector<Gtk::Button*> linkButtons;  // owned by linkStrip

  // --- The everyday controls beyond the design (web_form_tools.cpp) ----------------------

  // Find in page, above the status bar; hidden until asked for.
  FindBar findBar;
  const FindInPage& Find() const { return find_; }
  void ShowFindBar();
  void CloseFindBar();
  void FindNextClick(bool forward);
  // The page's zoom in percent.
  int ZoomPercent() const { return zoom_.Percent(); }
  void ZoomInClick();
  void ZoomOutClick();
  void ZoomResetClick();
  // F11: full screen without the bars, and back with the bars as they were.
  void FullScreenClick();
  bool IsFullScreen() const { return bars_.FullScreen(); }
  BarsShown Bars() const { return bars_.Shown(); }
  // Selects the address box's text and gives it the keyboard focus, when it is shown.
  bool FocusAddress();
  // Gives the keyboard's focus to the page when no control of the window that is shown has it:
  // a control hidden with its bar, or a bar closed, leaves the keys going nowhere.
  void FocusThePageIfLost();
  // Runs the command of the shortcut table; returns whether it was the window's to run.
  bool RunShortcut(WindowCommand command);

  // The windows that pages opened for hosts of the "internal" key (child windows of theirs
  // included), oldest first; those closing are gone at the next turn of the main loop. They
  // go with this window.
  const std::vector<std::unique_ptr<TChildWindow>>& Children() const { return children_; }
  // The badge on the launcher entry: null until the key "badge" or a page's own badge asks
  // for it.
  const LauncherBadge* Badge() const { return badge_.get(); }

 protected:
  virtual void FormShow() {}
  // The badge changed: the title's count (badge=1) or the page's own.
  virtual void BadgeShown() {}
  void ShowBadge();
  const AppBadgeState& BadgeState() const { return badgeState_; }
  void FormDestroy();
  void FormResize();

  void on_show() override;
  void on_size_allocate(Gtk::Allocation& allocation) override;
  // A page has finished loading (the engine's progress back at (0, 0)).
  virtual void PageLoaded() {}
  // What the copy remembers, with refused writes reported as every other one is.
  CopyStore& Store() { return store_; }

  WebFormServices services_;

 private:
  // WebFormHost: the web view for the model, and the changes it reports.
  bool Navigate(const Text& address) override { return web->Navigate(address); }
  bool LeavePromptOpen() const override { return web->LeavePromptOpen(); }
  Text LocationURL() const override { return web->LocationURL(); }
  void AddrTextChanged(const Text& text) override;
  void StatusChanged(const Text& text) override;
  void RecentMovedToTop(const Text& entry, std::optional<std::size_t> from) override;
  void HistoryChanged() override { actionList.Invalidate(); }
  void LinksChanged() override;
  // Makes the link buttons for the model's entries, replacing those there were.
  void FillLinkBar();

  void BuildDesign();
  // The start origin and the "allow" key for the permission bar, and the desktop
  // notifications' name and known answers for the engine (form_config.cpp, with FormCreate
  // and vis).
  void ApplyPermissionConfig();
  void BuildMenu();
  // The web view's callbacks to the window: all set in one place, all cleared in one.
  void ConnectView();
  void DisconnectView();
  // The window's command offered in the page's context menu.
  WebView::PageCommandState PageCommandState(WebView::PageCommand command);
  // The find bar, the zoom, the mouse's back and forward buttons, and the window that
  // remembers its size.
  void BuildPageTools();
  void ConfigurePageTools();
  // The keys "start" (maximized, or the window's full screen as F11 gives it) and "ontop"
  // (kept above other windows), before the window is first shown.
  void ApplyStartState();
  void DisconnectPageTools();
  void PageShown(const Text& address);
  bool WindowKey(GdkEventKey* event);
  bool PageKeyNotHandled(GdkEventKey* event);
  bool PageButton(GdkEventButton* event);
  bool PageScroll(GdkEventScroll* event);
  void FindChanged();
  void ShowFindCount();
  // Shows the bars as the bars' rule has them now.
  void ShowBars();
  bool WindowStateChanged(GdkEventWindowState* event);
  // Takes the window's size and position as its normal ones, unless it is maximised or full
  // screen now.
  void NoteNormalPlacement();
  void RememberPlacement();
  Gtk::MenuItem* ActionItem(Action& action);
  void BindNavButton(Gtk::ToolButton& button, Action& action);
  void ApplyCss();
  // The address box (address_box.cpp): its list, its handlers and the completion.
  void BuildAddressBox();
  void ScheduleCompletion();
  void CompleteAddress();
  // Shows `text` in the address box and selects its list entry if it has one, without that
  // counting as the person's choice.
  void ShowAddrText(const Text& text);
  // A page's request for a child window, opened by `opener`; null when refused.
  WebView* OpenChild(WebView& opener, const Text& address);
  // A page's address for the default browser or another program, asked for by the page shown
  // at `page`: a web address goes at once, any other after the person's answer.
  void OpenExternal(const Text& address, const Text& page);
  void DropClosedChildren();

  std::unique_ptr<LauncherBadge> badge_;
  AppBadgeState badgeState_;
  std::unique_ptr<WebView> web;
  NewWindowLimits newWindows_;  // the page's new-window requests
  std::vector<std::unique_ptr<TChildWindow>> children_;
  sigc::connection dropChildren_;
  WebFormModel model_{*this};
  bool created_ = false;
  bool findFromAddress_ = false;  // the find bar was opened from the address box
  bool settingAddr_ = false;      // the program, not the user, is changing the address box
  // The address box's list: the model's own list of recent addresses, shown as it is.
  GObjectPtr<GtkTreeModel> recentRows_;
  // The drop-down entry the selection last moved to. Editing the text keeps it, so typing on
  // within a completed entry does not count as moving the selection again.
  Text selectedEntry_;
  std::int32_t color_ = 0;
  Glib::RefPtr<Gtk::CssProvider> css_;
  sigc::connection completion_;
  int lastWidth_ = -1, lastHeight_ = -1;
  // Whether the link buttons no longer show the model's entries; a hidden link bar is filled
  // when it is shown. Until the creation has applied the visible bars, none is filled: the
  // configuration's links come before its vis key.
  bool linksStale_ = false;
  bool barsApplied_ = false;

  FindInPage find_;
  // The copy's memories; a write they refuse is shown once per cause (ReportingCopyStore).
  std::shared_ptr<CopyStore> copyStore_ =
      services_.store ? services_.store : std::make_shared<MemoryCopyStore>();
  ReportingCopyStore store_{*copyStore_};
  PageZoom zoom_{store_};
  WindowBars bars_{BarVisibility{}};
  // The window that remembers: whether it is on, the window system's last word on maximised
  // and full screen, and the size and position the window had when it was neither.
  bool remember_ = false;
  bool maximized_ = false;
  bool windowFullScreen_ = false;
  WindowPlacement normal_;
  std::vector<sigc::connection> toolConnections_;
};

}  // namespace wb
