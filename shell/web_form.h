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
#include <gtkmm/statusbar.h>
#include <gtkmm/toolbar.h>
#include <gtkmm/toolbutton.h>
#include <gtkmm/window.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "shell/action.h"
#include "shell/web_view.h"
#include "storage/value_list.h"
#include "support/text.h"

namespace wb {

// What the window needs from outside. The program passes the engine, the real configuration
// sources and the desktop's default handler; tests pass fakes.
struct WebFormServices {
  WebViewFactory* views = nullptr;  // required
  // rParam: the configuration block merged from its sources. Empty function: no configuration.
  std::function<ValueList()> readConfig;
  // Opens an address in the user's default browser (new-window requests of the page).
  std::function<void(const Text& address)> openExternal;
};

class TWebForm : public Gtk::Window {
 public:
  explicit TWebForm(WebFormServices services);
  ~TWebForm() override;
  TWebForm(const TWebForm&) = delete;
  TWebForm& operator=(const TWebForm&) = delete;

  // The window's creation step: reads and applies the configuration, builds the link bar and
  // navigates to the start address. Runs once; a second call does nothing.
  virtual void FormCreate();

  // Navigation entry: navigates to `url` through the address box. Nothing happens for an
  // empty `url`. `noRef` 0 never skips; 1 skips when the address box's text contains `url`;
  // 2 skips when they are equal (both compared with A-Z lower-cased).
  void go(const Text& url, int noRef = 0);
  void FindAddress();
  // The request from other processes to show the maker's home page.
  void HomePageRequest();

  // The window's resize notification. It runs FormResize until someone else (the attached
  // info banner) takes it over by replacing it.
  std::function<void()> onResize;
  void RaiseResize();

  // Configuration values other windows share.
  const ValueList& Config() const { return ResList; }
  std::int32_t ColorValue() const { return color_; }  // 0: the design colour
  WebView& View() { return *web; }

 protected:
  // Handlers, named after their controls and events.
  virtual void FormShow() {}
  void FormDestroy();
  void FormResize();
  void BackClick();
  void ForwardClick();
  void StopClick();
  void RefreshClick();
  void acClick(Action& sender);
  void acBackUpdate(Action& action);
  void acForwardUpdate(Action& action);
  bool AddrKeyDown(GdkEventKey* event);
  void AddrClick();
  void LinksClick(Gtk::ToolButton& button);
  bool FormKeyDown(GdkEventKey* event);
  void mnToolBarClick();
  void mnStatusBarClick();
  void webBeforeNavigate2(const Text& u);
  void webProgressChange(int progress, int progressMax);
  void webNavigationCalledOff();

  // Configuration and link bar.
  void vis(const Text& s);
  // Rebuilds the link bar from `st` (null: LinkList); `del` first removes every link button.
  void AddLinkList(const ValueList* st, bool del);
  void AddLink(const Text& n, const Text& url, int ImgIdx);
  // Removes the link buttons captioned `n` exactly, or all of them for "*".
  void DelLink(const Text& n);
  void SetWindowColor(std::int32_t color);

  // Text helpers for the controls.
  Text AddrText() const;
  void SetAddrText(const Text& text);
  std::vector<Text> AddrItems() const;
  Text StatusText() const { return statusText_; }
  void SetStatus(const Text& text);
  // Destroys the menu bar with all its items for the window's life.
  void DestroyMenu();

  void on_show() override;
  void on_size_allocate(Gtk::Allocation& allocation) override;

  WebFormServices services_;

  // Lists and state.
  std::vector<Text> HistoryList;
  int HistoryIndex = -1;
  bool UpdateCombo = false;
  ValueList LinkList;
  ValueList ResList;
  int LinkCt = 0;

  // Actions.
  ActionList actionList;
  Action acBack{"Back", "go-previous"};
  Action acForward{"Forward", "go-next"};
  Action acStop{"Stop", "process-stop"};
  Action acRefresh{"Refresh", "view-refresh"};
  Action acSave{"Save", "document-save"};
  Action acPrint{"Print", "document-print"};
  Action acExit{"Exit", "application-exit"};

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
  Gtk::EventBox pBanner;
  Gtk::Label bannerLabel;
  std::unique_ptr<WebView> web;
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

  struct LinkButton {
    Gtk::ToolButton* button;  // owned by LinkBar
    Text caption;
    Text hint;     // the address the button navigates to
    int icon = 0;  // the link image index it was created with (the state query reports it)
  };
  std::vector<LinkButton> linkButtons;  // in bar order, left to right

 private:
  void BuildDesign();
  void BuildMenu();
  Gtk::MenuItem* ActionItem(Action& action);
  void BindNavButton(Gtk::ToolButton& button, Action& action);
  void MoveToTopOfList(const Text& u);
  void ScheduleCompletion();
  void CompleteAddress();
  void ApplyCss();

  // What the last navigation event changed in the history, so that a navigation called off
  // after its announcement can be undone.
  struct NavigationUndo {
    bool undo = false;
    int index = -1;         // HistoryIndex before the event
    bool appended = false;  // the event appended its address
    std::vector<Text> cut;  // the entries ahead that the append removed
  } calledOff_;

  bool created_ = false;
  bool settingAddr_ = false;  // the program, not the user, is changing the address box
  Text statusText_;
  // The drop-down entry the selection last moved to. Editing the text keeps it, so typing on
  // within a completed entry does not count as moving the selection again.
  Text selectedEntry_;
  std::int32_t color_ = 0;
  Glib::RefPtr<Gtk::CssProvider> css_;
  sigc::connection completion_;
  int lastWidth_ = -1, lastHeight_ = -1;
};

// The colour value (red in the lowest byte, then green, then blue) as a CSS colour.
std::string CssColor(std::int32_t color);

}  // namespace wb
