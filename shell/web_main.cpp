#include "shell/web_main.h"

#include <algorithm>
#include <climits>
#include <iostream>
#include <optional>

#include "info/info_state.h"
#include "info/program_icon.h"
#include "model/window_snapshot.h"
#include "storage/value_list.h"
#include "support/address.h"
#include "support/catalog.h"
#include "support/fields.h"
#include "support/permissions.h"
#include "support/site_handlers.h"
#include "support/values.h"

namespace wb {
namespace {

// Minimum heights of the strip's bands: navigation bar, address box, link bar.
constexpr int kNavBandHeight = 26;
constexpr int kAddressBandHeight = 21;
constexpr int kLinkBandHeight = 22;

}  // namespace

TWebMain::TWebMain(WebMainServices services)
    : TWebForm(services.form), mainServices_(std::move(services)) {
  ArrangeBands();
  infoDock.set_name("infoDock");
  infoDock.set_no_show_all(true);
  clientBox.pack_end(infoDock, Gtk::PACK_SHRINK);
  BuildUpdateLink();
  if (mnAbout) mnAbout->signal_activate().connect([this] { mnAboutClick(); });
  // The address box has the keyboard focus at start; a command-line address moves it to the
  // web view when the window is shown.
  set_focus(*Addr.get_entry());
  // Hidden for good ends the program; hidden in the tray item waits to be shown again.
  signal_hide().connect([this] {
    if (!hiddenInTray_ && mainServices_.quit) mainServices_.quit();
  });
  signal_show().connect([this] { LeaveTray(); });
  // Minimised, the window is out of sight as in the tray, and its own work waits as there.
  signal_window_state_event().connect([this](GdkEventWindowState* e) {
    if (e->changed_mask & GDK_WINDOW_STATE_ICONIFIED) {
      minimised_ = (e->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
      SetUnseen(minimised_ || hiddenInTray_);
    }
    return false;
  });
  // File > Exit ends the program, also where closing only hides the window in its tray item.
  acExit.onExecute = [this] { AskToEnd(); };

  if (mainServices_.remote) {
    try {
      channel_ = std::make_unique<RemoteChannel>(
          [this](const remote::Request& r) { return RemoteRecord(r); }, *mainServices_.remote);
    } catch (const RemoteError& e) {
      // The window works without it; only other programs cannot reach it.
      std::cerr << "webbrowser: remote navigation is off: " << e.what() << "\n";
    }
  }
}

TWebMain::~TWebMain() {
  // No record, and no click in the task bar, may reach a window that is going away.
  channel_.reset();
  updateTimer_.disconnect();
  updateCheck_.reset();
  trayTitle_.disconnect();
  hiddenStartWait_.disconnect();
  tray_.reset();
  infoBanner.reset();
  // The controls die before the toolkit's window does; the window must not hand the focus to
  // one of them while it is being disposed.
  unset_focus();
}

void TWebMain::ArrangeBands() {
  // Band 1 (NavBar) and band 2 (the labelled address box) share the first row; band 3 (the
  // labelled link bar) starts a new row. A band's label goes with its control, so vis hiding
  // a control hides its label too.
  NavBar.set_size_request(-1, kNavBandHeight);
  Addr.set_size_request(-1, kAddressBandHeight);
  LinkBar.set_size_request(-1, kLinkBandHeight);
  lbAddress.set_name("lbAddress");
  lbLinks.set_name("lbLinks");
  lbAddress.set_margin_start(6);
  lbLinks.set_margin_start(6);
  lbLinks.set_margin_end(4);
  coolRowNav.pack_start(lbAddress, Gtk::PACK_SHRINK);
  coolRowNav.reorder_child(lbAddress, 1);
  coolRowLinks.pack_start(lbLinks, Gtk::PACK_SHRINK);
  coolRowLinks.reorder_child(lbLinks, 0);
  auto follow = [](Gtk::Widget& control, Gtk::Label& label) {
    label.set_no_show_all(true);
    label.set_visible(control.get_visible());
    control.property_visible().signal_changed().connect(
        [&control, &label] { label.set_visible(control.get_visible()); });
  };
  follow(Addr, lbAddress);
  follow(LinkBar, lbLinks);
}

std::string TWebMain::RemotePath() const {
  return channel_ ? channel_->path() : std::string();
}

void TWebMain::FormShow() {
  // 1. The Help menu, unless vis destroyed the whole menu bar.
  if (mnHelp) mnHelp->show();
  // 2. The command-line address, after the configured start address, so it wins. Only at the
  // first showing: showing the window again must not take the person back there.
  if (!commandLineDone_) {
    commandLineDone_ = true;
    if (!mainServices_.arguments.empty()) go(OpenedAddress(mainServices_.arguments.front()), 0);
  }
  // 3. The info banner.
  if (Model().Config().webinfo && mainServices_.startInfoBanner) {
    mainServices_.startInfoBanner(*this);
  }
}

void TWebMain::mnAboutClick() {
  if (mainServices_.showAbout) mainServices_.showAbout(*this);
}

void TWebMain::WMCopyData(Message& message) {
  Text text = MessageText(message);
  Text name = TakeField(text, u"=");
  if (name == u"url" || name == u"go") go(OpenedAddress(text), 0);
}

Text TWebMain::OpenedAddress(const Text& address) const {
  const WindowConfig& config = Model().Config();
  if (config.schemes.items.empty()) return address;
  const auto opened =
      OwnHandledAddress(config.schemes, ToUtf8(address),
                        HostOfAddress(ResolveAddress(ToUtf8(config.go))), config.internal);
  return opened ? FromUtf8(*opened) : address;
}

void TWebMain::ClearWebsiteData() {
  std::weak_ptr<int> window = alive_;
  services_.views->ClearWebsiteData([this, window](const std::string& error) {
    if (window.expired()) return;
    if (!error.empty()) {
      SetStatus(FromUtf8(Format(Tr("The site's data could not be removed: {1}"), {error})));
      return;
    }
    // The page shown may hold what was removed; it starts afresh.
    RefreshClick();
  });
}

void TWebMain::Present(const std::string& startupId) {
  if (remote::IsStartupId(startupId)) gtk_window_set_startup_id(gobj(), startupId.c_str());
  present();
}

remote::Reply TWebMain::RemoteRecord(const remote::Request& request) {
  switch (request.kind) {
    case remote::kCopyData: {
      CopyDataStruct cds;
      cds.dwData = static_cast<std::uintptr_t>(request.dwData);
      cds.cbData = static_cast<std::uint32_t>(request.data.size());
      cds.lpData = request.data.empty() ? nullptr : request.data.data();
      Message m{WM_COPYDATA, 0, reinterpret_cast<std::intptr_t>(&cds), 0};
      WMCopyData(m);
      return {remote::Status::kHandled, m.result, {}};
    }
    case remote::kHomePageRequest:
      // The message's parameters are ignored and its result stays 0.
      HomePageRequest();
      return {remote::Status::kHandled, 0, {}};
    case remote::kStateQuery:
      return {remote::Status::kHandled, 0, StateJson()};
    case remote::kClearWebsiteData:
      ClearWebsiteData();
      return {remote::Status::kHandled, 1, {}};
    case remote::kPresent:
      Present(request.data);
      return {remote::Status::kHandled, 0, {}};
    default:
      return {remote::Status::kUnknownKind, 0, {}};
  }
}

WindowState TWebMain::State() {
  WindowState s = ModelSnapshot(Model(), pPermission->Prompts(), Find(), ZoomPercent());
  s.caption = FromUtf8(get_title().raw());
  s.leave = View().LeavePromptOpen();
  const BarsShown bars = Bars();
  s.bars = {bars.menu, bars.navbar, bars.address, bars.linkbar, bars.strip, bars.statusbar};
  s.banner = pBanner.get_visible();
  for (const auto& child : Children()) {
    if (child->Closing()) continue;
    s.children.push_back({child->Address(), FromUtf8(child->get_title().raw()),
                          child->get_visible(), child->View().LeavePromptOpen()});
  }
  s.layout = Layout();
  // The window's state as the desktop's window manager set it (all false without one).
  const GdkWindow* shown = get_window() ? get_window()->gobj() : nullptr;
  const GdkWindowState shownState =
      shown ? gdk_window_get_state(const_cast<GdkWindow*>(shown)) : GdkWindowState{};
  s.window = {(shownState & GDK_WINDOW_STATE_MAXIMIZED) != 0,
              (shownState & GDK_WINDOW_STATE_FULLSCREEN) != 0,
              (shownState & GDK_WINDOW_STATE_ABOVE) != 0};
  // A page may give a count far beyond what the state's number holds.
  if (Badge() && Badge()->count())
    s.badge = static_cast<int>(std::min<long>(*Badge()->count(), INT_MAX));
  s.tray = {tray_ && tray_->registered(), hiddenInTray_};
  s.info = InfoState(infoBanner.get());
  s.icon = ProgramIconState();
  if (mainServices_.aboutState) s.about = mainServices_.aboutState();
  return s;
}

WindowState::Layout TWebMain::Layout() {
  // How the room is shared between the bars, the page and a banner docked at the bottom. The
  // content area leaves out what the desktop or the toolkit draws around it (title bar, frame,
  // shadow).
  const Gtk::Allocation area = clientBox.get_allocation();
  std::vector<const Gtk::Widget*> parts;
  for (const Gtk::Widget* part : clientBox.get_children())
    if (part->get_visible()) parts.push_back(part);
  std::ranges::stable_sort(parts, {},
                           [](const Gtk::Widget* w) { return w->get_allocation().get_y(); });
  WindowState::Layout layout{area.get_width(), area.get_height(), {}};
  for (const Gtk::Widget* part : parts) {
    const Gtk::Allocation place = part->get_allocation();
    // The page's area is named after the page's view, which fills it.
    const Gtk::Widget* named = part == &pageArea ? &View().widget() : part;
    layout.parts.push_back({named->get_name().raw(), place.get_y() - area.get_y(),
                            place.get_width(), place.get_height()});
  }
  return layout;
}

}  // namespace wb
