#include "shell/web_form.h"

#include <glibmm/main.h>
#include <gtkmm/image.h>
#include <gtkmm/separatormenuitem.h>

#include <algorithm>
#include <stdexcept>

#include "model/window_rules.h"
#include "shell/error_display.h"
#include "shell/recent_list_model.h"
#include "shell/ustring.h"
#include "storage/timeline.h"
#include "support/catalog.h"
#include "support/values.h"

namespace wb {
namespace {

constexpr int kDesignWidth = 784;
constexpr int kDesignHeight = 542;
constexpr int kBannerHeight = 60;
constexpr int kNavButtonWidth = 37;
constexpr int kNavButtonHeight = 26;
// The one picture of the link images; link buttons name pictures by index.
constexpr const char* kLinkImages[] = {"emblem-web"};

Gtk::Image* IconImage(const std::string& name, Gtk::IconSize size) {
  return Gtk::manage(new Gtk::Image(name, size));
}

}  // namespace

TWebForm::TWebForm(WebFormServices services) : services_(std::move(services)) {
  if (!services_.views) throw std::invalid_argument("TWebForm needs a web view factory");
  web = services_.views->Create(nullptr);
  store_.onRefused = [](const SettingsResult& refused) {
    ShowError(FromUtf8(
        Format(Tr("{1} The setting is not kept for the next start."), {refused.Message()})));
  };
  pPermission = std::make_unique<PermissionBar>(store_);
  BuildDesign();
  TimelineMarkOnce("window's controls built");
}

TWebForm::~TWebForm() {
  // The child windows' views were made related to the window's own; they go first.
  dropChildren_.disconnect();
  children_.clear();
  completion_.disconnect();
  // The box's list reads the model's entries, and the model goes before the box.
  gtk_combo_box_set_model(GTK_COMBO_BOX(Addr.gobj()), nullptr);
  RecentListModelDetach(recentRows_.get());
  DisconnectPageTools();
  FormDestroy();
  DisconnectView();
  services_.views->notificationOrigins = nullptr;
}

void TWebForm::ConnectView() {
  // The window has no handler of navigate errors: a failed load shows our explanation page,
  // which reaches the window as a page error.
  WebViewEvents events;
  events.onBeforeNavigate = [this](const Text& u) {
    pPermission->PageLeft();
    model_.webBeforeNavigate2(u);
    // Each page is shown at the zoom remembered for its origin.
    if (!IsScriptAddress(u)) PageShown(u);
  };
  events.onNavigationCalledOff = [this] {
    model_.webNavigationCalledOff();
    PageShown(AddrText());
  };
  events.onPageError = [this](const PageError* error) { model_.webPageError(error); };
  events.onProgressChange = [this](int p, int m) {
    model_.webProgressChange(p, m);
    if (p == 0 && m == 0) PageLoaded();
  };
  events.onNewWindow = [this](const Text& address) { OpenExternal(address, web->LocationURL()); };
  events.onExternalNavigation = [this](const Text& address) {
    OpenExternal(address, web->LocationURL());
  };
  events.onChildWindow = [this](const Text& address) { return OpenChild(*web, address); };
  events.onBlankWindow = [this] { return OpenChild(*web, Text()); };
  events.onStatusText = [this](const Text& text) { model_.SetStatus(text); };
  events.onFindCounted = [this](int matches) {
    find_.Counted(matches);
    ShowFindCount();
  };
  events.pageCommand = [this](WebView::PageCommand command) { return PageCommandState(command); };
  // With badge=1 the unread count follows the page's title, as mail and chat sites write it,
  // until a page of the copy's own hosts gives its badge itself.
  events.onTitleChanged = [this](const Text& title) {
    if (!model_.Config().badge) return;
    badgeState_.TitleCount(UnreadCountOfTitle(ToUtf8(title)));
    ShowBadge();
  };
  events.onAppBadge = [this](const AppBadge& badge) {
    badgeState_.PageBadge(badge);
    ShowBadge();
  };
  pPermission->Handle(events);
  web->SetEvents(std::move(events));
}

void TWebForm::DisconnectView() {
  // The engine's callbacks must not reach a window that is going away.
  if (web) web->ClearEvents();
}

void TWebForm::BuildDesign() {
  set_title(Tr("Web Browser"));
  set_default_size(kDesignWidth, kDesignHeight);
  set_position(Gtk::WIN_POS_CENTER);
  add(clientBox);

  // Actions and their rules.
  for (Action* a : {&acBack, &acForward, &acStop, &acRefresh, &acSave, &acPrint, &acExit})
    actionList.Add(*a);
  acBack.onExecute = [this] { BackClick(); };
  acForward.onExecute = [this] { ForwardClick(); };
  acStop.onExecute = [this] { StopClick(); };
  acRefresh.onExecute = [this] { RefreshClick(); };
  acSave.onExecute = [this] { acClick(acSave); };
  acPrint.onExecute = [this] { acClick(acPrint); };
  acExit.onExecute = [this] { acClick(acExit); };
  acBack.onUpdate = [this](Action& a) { a.SetEnabled(model_.acBackUpdate()); };
  acForward.onUpdate = [this](Action& a) { a.SetEnabled(model_.acForwardUpdate()); };
  acForward.SetEnabled(false);
  acSave.SetVisible(false);

  BuildMenu();

  // The tool-bar strip: navigation bar and address box on the first row, links below.
  NavBar.set_toolbar_style(Gtk::TOOLBAR_ICONS);
  NavBar.set_show_arrow(false);
  NavBar.set_icon_size(Gtk::ICON_SIZE_LARGE_TOOLBAR);
  BackBtn.set_name("BackBtn");
  ForwardBtn.set_name("ForwardBtn");
  StopBtn.set_name("StopBtn");
  RefreshBtn.set_name("RefreshBtn");
  btPrint.set_name("btPrint");
  BindNavButton(BackBtn, acBack);
  BindNavButton(ForwardBtn, acForward);
  BindNavButton(StopBtn, acStop);
  BindNavButton(RefreshBtn, acRefresh);
  BindNavButton(btPrint, acPrint);
  NavBar.set_name("NavBar");

  BuildAddressBox();

  LinkBar.set_name("LinkBar");
  LinkBar.set_toolbar_style(Gtk::TOOLBAR_BOTH_HORIZ);
  LinkBar.set_icon_size(Gtk::ICON_SIZE_MENU);
  LinkBar.set_hexpand(true);
  // The link row places the buttons and offers those that do not fit in its own menu.
  LinkBar.set_show_arrow(false);
  linkItem.set_expand(true);
  linkItem.add(linkStrip);
  linkStrip.show();
  linkItem.show();
  LinkBar.insert(linkItem, -1);
  LinkBar.property_visible().signal_changed().connect([this] {
    if (barsApplied_ && linksStale_ && LinkBar.get_visible()) FillLinkBar();
  });

  CoolBar.set_name("CoolBar");
  coolRowNav.pack_start(NavBar, Gtk::PACK_SHRINK);
  coolRowNav.pack_start(Addr, Gtk::PACK_EXPAND_WIDGET, 4);
  coolRowLinks.pack_start(LinkBar, Gtk::PACK_EXPAND_WIDGET);
  CoolBar.pack_start(coolRowNav, Gtk::PACK_SHRINK);
  CoolBar.pack_start(coolRowLinks, Gtk::PACK_SHRINK);
  clientBox.pack_start(CoolBar, Gtk::PACK_SHRINK);

  // The banner: the title, centred, in large bold letters on the window's colour.
  pBanner.set_name("pBanner");
  bannerLabel.set_name("pBannerCaption");
  pBanner.set_size_request(-1, kBannerHeight);
  pBanner.set_visible_window(true);
  bannerLabel.set_halign(Gtk::ALIGN_CENTER);
  // A long title is cut with an ellipsis rather than widening the window.
  bannerLabel.set_ellipsize(Pango::ELLIPSIZE_END);
  bannerLabel.set_valign(Gtk::ALIGN_CENTER);
  pBanner.add(bannerLabel);
  clientBox.pack_start(pBanner, Gtk::PACK_SHRINK);
  pBanner.set_no_show_all(true);
  bannerLabel.show();

  Gtk::Widget& view = web->widget();
  view.set_name("web");
  view.set_hexpand(true);
  view.set_vexpand(true);
  pageArea.add(view);
  pPermission->set_valign(Gtk::ALIGN_START);
  pageArea.add_overlay(*pPermission);
  pPermission->onHidden = [this] { FocusThePageIfLost(); };
  clientBox.pack_start(pageArea, Gtk::PACK_EXPAND_WIDGET);

  StatusBar.set_name("StatusBar");
  StatusBar.set_margin_top(0);
  StatusBar.set_margin_bottom(0);
  if (auto* area = dynamic_cast<Gtk::Box*>(StatusBar.get_message_area())) {
    for (Gtk::Widget* child : area->get_children()) {
      if (auto* label = dynamic_cast<Gtk::Label*>(child)) {
        // The panel asks for no width of its own: the configured width is the window's, and a
        // long text is cut with an ellipsis at the window's edge.
        label->set_ellipsize(Pango::ELLIPSIZE_END);
        label->set_xalign(0.0f);
      }
    }
  }
  clientBox.pack_start(StatusBar, Gtk::PACK_SHRINK);

  ConnectView();
  signal_key_press_event().connect([this](GdkEventKey* e) { return FormKeyDown(e); }, false);
  BuildPageTools();

  css_ = Gtk::CssProvider::create();
  ApplyCss();
  for (Gtk::Widget* w : {static_cast<Gtk::Widget*>(this), static_cast<Gtk::Widget*>(&pBanner),
                         static_cast<Gtk::Widget*>(&bannerLabel), static_cast<Gtk::Widget*>(&Addr)})
    w->get_style_context()->add_provider(css_, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

  clientBox.show_all();
  pBanner.hide();
  // Controls bound to a hidden action follow the action, not show_all.
  for (Action* a : {&acBack, &acForward, &acStop, &acRefresh, &acSave, &acPrint, &acExit})
    a->Reapply();
  actionList.Invalidate();
}

void TWebForm::BindNavButton(Gtk::ToolButton& button, Action& action) {
  button.set_icon_widget(*IconImage(action.IconName(), Gtk::ICON_SIZE_LARGE_TOOLBAR));
  button.set_label(action.Caption());
  button.set_size_request(kNavButtonWidth, kNavButtonHeight);
  action.Bind(button);
  NavBar.append(button);
}

Gtk::MenuItem* TWebForm::ActionItem(Action& action) {
  auto* item = Gtk::manage(new Gtk::MenuItem());
  auto* box = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 6));
  box->pack_start(*IconImage(action.IconName(), Gtk::ICON_SIZE_MENU), Gtk::PACK_SHRINK);
  box->pack_start(*Gtk::manage(new Gtk::Label(action.Caption())), Gtk::PACK_SHRINK);
  item->add(*box);
  item->show_all();
  action.Bind(*item);
  return item;
}

void TWebForm::BuildMenu() {
  MainMenu = std::make_unique<Gtk::MenuBar>();
  MainMenu->set_name("MainMenu");
  auto submenu = [this](const char* caption, const char* name) {
    auto* item = Gtk::manage(new Gtk::MenuItem(caption, true));
    item->set_name(name);
    item->set_submenu(*Gtk::manage(new Gtk::Menu()));
    MainMenu->append(*item);
    return item;
  };
  auto add = [](Gtk::MenuItem* menu, Gtk::MenuItem* item, const char* name) {
    item->set_name(name);
    menu->get_submenu()->append(*item);
    return item;
  };
  mnFile = submenu(Tr("_File"), "mnFile");
  mnSave = add(mnFile, ActionItem(acSave), "mnSave");
  mnPrint = add(mnFile, ActionItem(acPrint), "mnPrint");
  mnFile->get_submenu()->append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
  mnExit = add(mnFile, ActionItem(acExit), "mnExit");

  mnView = submenu(Tr("_View"), "mnView");
  mnToolBar = Gtk::manage(new Gtk::CheckMenuItem(Tr("_Toolbar"), true));
  mnStatusBar = Gtk::manage(new Gtk::CheckMenuItem(Tr("Status _Bar"), true));
  mnToolBar->set_active(true);
  mnStatusBar->set_active(true);
  add(mnView, mnToolBar, "mnToolBar");
  add(mnView, mnStatusBar, "mnStatusBar");
  mnToolBar->signal_toggled().connect([this] { mnToolBarClick(); });
  mnStatusBar->signal_toggled().connect([this] { mnStatusBarClick(); });
  mnView->get_submenu()->append(*Gtk::manage(new Gtk::SeparatorMenuItem()));
  mnStop = add(mnView, ActionItem(acStop), "mnStop");
  mnRefresh = add(mnView, ActionItem(acRefresh), "mnRefresh");

  mnGo = submenu(Tr("_Go"), "mnGo");
  mnBack = add(mnGo, ActionItem(acBack), "mnBack");
  mnForward = add(mnGo, ActionItem(acForward), "mnForward");

  mnHelp = submenu(Tr("_Help"), "mnHelp");
  mnAbout = Gtk::manage(new Gtk::MenuItem());
  {
    auto* box = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 6));
    box->pack_start(*IconImage("help-about", Gtk::ICON_SIZE_MENU), Gtk::PACK_SHRINK);
    auto* label = Gtk::manage(new Gtk::Label(Tr("_About..."), true));
    box->pack_start(*label, Gtk::PACK_SHRINK);
    mnAbout->add(*box);
  }
  add(mnHelp, mnAbout, "mnAbout");

  MainMenu->show_all();
  mnHelp->set_no_show_all(true);
  mnHelp->hide();
  clientBox.pack_start(*MainMenu, Gtk::PACK_SHRINK);
}

void TWebForm::DestroyMenu() {
  if (!MainMenu) return;
  for (auto [action, item] : {std::pair{&acSave, mnSave},
                              {&acPrint, mnPrint},
                              {&acExit, mnExit},
                              {&acStop, mnStop},
                              {&acRefresh, mnRefresh},
                              {&acBack, mnBack},
                              {&acForward, mnForward}})
    action->Unbind(*item);
  clientBox.remove(*MainMenu);
  MainMenu.reset();
  mnFile = mnSave = mnPrint = mnExit = mnView = mnStop = mnRefresh = nullptr;
  mnGo = mnBack = mnForward = mnHelp = mnAbout = nullptr;
  mnToolBar = mnStatusBar = nullptr;
}

void TWebForm::ApplyCss() {
  std::string css =
      "#pBannerCaption { font-family: \"Liberation Sans\", Arial, sans-serif; font-weight: bold;"
      " font-size: 24px; color: #000080; }\n";
  if (color_ > 0) {
    std::string c = WebColor(color_);
    css += "window, #pBanner { background-color: " + c + "; background-image: none; }\n";
  }
  css_->load_from_data(css);
}

void TWebForm::SetWindowColor(std::int32_t color) {
  color_ = color;
  ApplyCss();
}

// --- Creation, destruction, resize -------------------------------------------------------

void TWebForm::FormDestroy() {
  linkStrip.Clear();
  linkButtons.clear();
}

void TWebForm::FormResize() {
  // The navigation bar ends at its last button.
  if (!btPrint.get_realized() || !NavBar.get_visible()) return;
  int x = 0, y = 0;
  if (!btPrint.translate_coordinates(NavBar, 0, 0, x, y)) return;
  int width = x + btPrint.get_allocated_width();
  int w = 0, h = 0;
  NavBar.get_size_request(w, h);
  if (width > 0 && width != w) NavBar.set_size_request(width, h);
}

void TWebForm::on_size_allocate(Gtk::Allocation& allocation) {
  Gtk::Window::on_size_allocate(allocation);
  if (allocation.get_width() == lastWidth_ && allocation.get_height() == lastHeight_) return;
  lastWidth_ = allocation.get_width();
  lastHeight_ = allocation.get_height();
  FormResize();
}

void TWebForm::on_show() {
  Gtk::Window::on_show();
  FormShow();
}

// --- Navigation ---------------------------------------------------------------------------

void TWebForm::go(const Text& url, int noRef) {
  if (model_.go(url, noRef) && get_visible()) web->widget().grab_focus();
}

void TWebForm::StopClick() {
  web->Stop();
}

void TWebForm::acClick(Action& sender) {
  if (&sender == &acSave)
    web->Save();
  else if (&sender == &acPrint)
    web->Print();
  else if (&sender == &acExit)
    close();
}

void TWebForm::LinksClick(Gtk::Button& button) {
  for (std::size_t i = 0; i < linkButtons.size(); ++i)
    if (linkButtons[i] == &button) {
      if (model_.LinksClick(i) && get_visible()) web->widget().grab_focus();
      return;
    }
}

bool TWebForm::FormKeyDown(GdkEventKey* event) {
  // Back and Forward go before the page, which would use Alt+Left and Alt+Right itself.
  const WindowCommand command = ShortcutCommand(event->keyval, event->state);
  if (command != WindowCommand::kBack && command != WindowCommand::kForward) return false;
  return RunShortcut(command);
}

bool TWebForm::ClickIfEnabled(Action& action, Gtk::ToolButton& button) {
  // A key whose action is disabled is not ours: it passes on to the page unchanged.
  action.Update();
  if (!button.get_sensitive() || !action.Enabled()) return false;
  g_signal_emit_by_name(button.gobj(), "clicked");
  return true;
}

void TWebForm::mnToolBarClick() {
  if (!mnToolBar) return;
  bars_.ShowStrip(mnToolBar->get_active());
  ShowBars();
}

void TWebForm::mnStatusBarClick() {
  if (!mnStatusBar) return;
  bars_.ShowStatusBar(mnStatusBar->get_active());
  ShowBars();
}

void TWebForm::ShowBars() {
  const BarsShown shown = bars_.Shown();
  if (MainMenu) MainMenu->set_visible(shown.menu);
  NavBar.set_visible(shown.navbar);
  Addr.set_visible(shown.address);
  LinkBar.set_visible(shown.linkbar);
  coolRowNav.set_visible(shown.navRow);
  coolRowLinks.set_visible(shown.linkRow);
  CoolBar.set_visible(shown.strip);
  StatusBar.set_visible(shown.statusbar);
}

// --- Status and link bar: the model's changes -----------------------------------------

void TWebForm::StatusChanged(const Text& text) {
  StatusBar.remove_all_messages();
  StatusBar.push(U(text));
}

void TWebForm::LinksChanged() {
  // A configuration may hold tens of thousands of links, and most people who have that many
  // keep the bar hidden: a hidden bar gets its buttons when it is first shown.
  linksStale_ = true;
  if (barsApplied_ && LinkBar.get_visible()) FillLinkBar();
}

void TWebForm::FillLinkBar() {
  // The buttons are made again for the model's entries, in bar order, each appended to the
  // row in constant time: the bar costs time in proportion to the number of links.
  linksStale_ = false;
  linkStrip.Clear();
  linkButtons.clear();
  const auto& links = model_.Links();
  linkButtons.reserve(links.size());
  for (const auto& link : links) {
    auto* button = Gtk::manage(new Gtk::Button(U(link.caption)));
    button->set_name(link.name);
    button->set_tooltip_text(U(link.address));
    button->set_relief(Gtk::RELIEF_NONE);
    button->set_focus_on_click(false);
    if (link.icon >= 0 && link.icon < static_cast<int>(std::size(kLinkImages))) {
      // Named as a themed icon, so that the row's overflow menu can show the same picture.
      auto* image = Gtk::manage(new Gtk::Image());
      image->set_from_icon_name(kLinkImages[link.icon], Gtk::ICON_SIZE_MENU);
      button->set_image(*image);
      button->set_always_show_image(true);
    }
    button->signal_clicked().connect([this, button] { LinksClick(*button); });
    button->show_all();
    linkStrip.Append(*button);
    linkButtons.push_back(button);
  }
}

// --- Focus ---------------------------------------------------------------------------------

void TWebForm::FocusThePageIfLost() {
  // Shown within this window, whether or not the window itself is shown yet.
  auto shown = [this](Gtk::Widget* widget) {
    for (; widget && widget != this; widget = widget->get_parent())
      if (!widget->get_visible()) return false;
    return widget == this;
  };
  Gtk::Widget* focus = get_focus();
  if (focus && shown(focus)) return;
  unset_focus();
  web->widget().grab_focus();
}

}  // namespace wb
