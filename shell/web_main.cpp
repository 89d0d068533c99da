#include "shell/web_main.h"

#include <algorithm>
#include <iostream>
#include <optional>

#include "platform/glib_ptr.h"
#include "storage/value_list.h"
#include "support/fields.h"
#include "support/permissions.h"
#include "support/values.h"

namespace wb {
namespace {

// Minimum heights of the strip's bands: navigation bar, address box, link bar.
constexpr int kNavBandHeight = 26;
constexpr int kAddressBandHeight = 21;
constexpr int kLinkBandHeight = 22;

void AddString(JsonBuilder* b, const char* name, const Text& value) {
  json_builder_set_member_name(b, name);
  json_builder_add_string_value(b, ToUtf8(value).c_str());
}

void AddBool(JsonBuilder* b, const char* name, bool value) {
  json_builder_set_member_name(b, name);
  json_builder_add_boolean_value(b, value);
}

void AddInt(JsonBuilder* b, const char* name, int value) {
  json_builder_set_member_name(b, name);
  json_builder_add_int_value(b, value);
}

void AddStrings(JsonBuilder* b, const char* name, const std::vector<Text>& values) {
  json_builder_set_member_name(b, name);
  json_builder_begin_array(b);
  for (const auto& v : values) json_builder_add_string_value(b, ToUtf8(v).c_str());
  json_builder_end_array(b);
}

// "find": null while the find bar is closed, else the text sought, the engine's count of its
// matches (-1 while it counts) and the number of the current match (0: none). "zoom": the
// page's zoom in percent.
void AddFindAndZoom(JsonBuilder* b, const TWebForm& form) {
  json_builder_set_member_name(b, "find");
  const FindInPage& find = form.Find();
  if (!find.IsOpen()) {
    json_builder_add_null_value(b);
  } else {
    json_builder_begin_object(b);
    AddString(b, "text", find.TextSought());
    AddInt(b, "matches", find.Matches());
    AddInt(b, "current", find.Current());
    json_builder_end_object(b);
  }
  AddInt(b, "zoom", form.ZoomPercent());
}

}  // namespace

TWebMain::TWebMain(WebMainServices services)
    : TWebForm(services.form), mainServices_(std::move(services)) {
  ArrangeBands();
  infoDock.set_name("infoDock");
  infoDock.set_no_show_all(true);
  clientBox.pack_end(infoDock, Gtk::PACK_SHRINK);
  if (mnAbout) mnAbout->signal_activate().connect([this] { mnAboutClick(); });
  // The address box has the keyboard focus at start; a command-line address moves it to the
  // web view when the window is shown.
  set_focus(*Addr.get_entry());

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
  // No record may reach a window that is going away.
  channel_.reset();
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

void TWebMain::AddStateMembers(std::function<void(JsonObject*)> add) {
  if (add) stateMembers_.push_back(std::move(add));
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
    if (!mainServices_.arguments.empty()) go(mainServices_.arguments.front(), 0);
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
  if (name == u"url" || name == u"go") go(text, 0);
}

void TWebMain::ClearWebsiteData() {
  std::weak_ptr<int> window = alive_;
  services_.views->ClearWebsiteData([this, window](const std::string& error) {
    if (window.expired()) return;
    if (!error.empty()) {
      SetStatus(Ascii("The site's data could not be removed: ") + FromUtf8(error));
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

std::string TWebMain::StateJson() {
  const WebFormModel& model = Model();

  GObjectPtr<JsonBuilder> owner(json_builder_new());
  JsonBuilder* b = owner.get();
  json_builder_begin_object(b);
  AddString(b, "address", model.AddrText());
  AddString(b, "status", model.StatusText());
  AddString(b, "caption", FromUtf8(get_title().raw()));
  AddStrings(b, "history", model.HistoryList());
  json_builder_set_member_name(b, "historyIndex");
  json_builder_add_int_value(b, model.HistoryIndex());
  AddStrings(b, "recent", model.AddrItems());
  // The rules themselves, not the actions, which are updated only when the loop goes idle.
  AddBool(b, "back", model.acBackUpdate());
  AddBool(b, "forward", model.acForwardUpdate());

  json_builder_set_member_name(b, "links");
  json_builder_begin_array(b);
  for (const auto& link : model.Links()) {
    json_builder_begin_object(b);
    AddString(b, "caption", link.caption);
    AddString(b, "address", link.address);
    json_builder_set_member_name(b, "icon");
    json_builder_add_int_value(b, link.icon);
    AddString(b, "name", Ascii(link.name));
    json_builder_end_object(b);
  }
  json_builder_end_array(b);

  json_builder_set_member_name(b, "bars");
  json_builder_begin_object(b);
  AddBool(b, "menu", MainMenu && MainMenu->get_visible());
  AddBool(b, "navbar", NavBar.get_visible());
  AddBool(b, "address", Addr.get_visible());
  AddBool(b, "linkbar", LinkBar.get_visible());
  AddBool(b, "strip", CoolBar.get_visible());
  AddBool(b, "statusbar", StatusBar.get_visible());
  json_builder_end_object(b);
  AddBool(b, "banner", pBanner.get_visible());

  // The explanation shown instead of the page asked for, and the permission question waiting.
  json_builder_set_member_name(b, "error");
  if (const std::optional<PageError>& error = model.PageErrorShown()) {
    json_builder_begin_object(b);
    AddString(b, "kind", FromUtf8(error->kind));
    AddString(b, "address", FromUtf8(error->address));
    AddString(b, "detail", FromUtf8(error->detail));
    if (error->kind == "certificate") {
      AddString(b, "host", FromUtf8(error->host));
      AddString(b, "fingerprint", FromUtf8(error->fingerprint));
    }
    json_builder_end_object(b);
  } else {
    json_builder_add_null_value(b);
  }
  json_builder_set_member_name(b, "prompt");
  if (const PermissionRequest* prompt = pPermission->Prompts().Current()) {
    json_builder_begin_object(b);
    AddString(b, "origin", FromUtf8(prompt->origin));
    AddString(b, "kind", FromUtf8(PermissionRequestText(*prompt)));
    json_builder_end_object(b);
  } else {
    json_builder_add_null_value(b);
  }
  // The child windows that pages opened (the "internal" key), oldest first.
  json_builder_set_member_name(b, "children");
  json_builder_begin_array(b);
  for (const auto& child : Children()) {
    if (child->Closing()) continue;
    json_builder_begin_object(b);
    AddString(b, "address", child->Address());
    AddString(b, "title", FromUtf8(child->get_title().raw()));
    AddBool(b, "visible", child->get_visible());
    json_builder_end_object(b);
  }
  json_builder_end_array(b);
  AddLayout(b);
  AddFindAndZoom(b, *this);
  // The window's state as the desktop's window manager set it (all false without one).
  const GdkWindow* shown = get_window() ? get_window()->gobj() : nullptr;
  const GdkWindowState shownState =
      shown ? gdk_window_get_state(const_cast<GdkWindow*>(shown)) : GdkWindowState{};
  json_builder_set_member_name(b, "badge");
  if (Badge() && Badge()->count())
    json_builder_add_int_value(b, *Badge()->count());
  else
    json_builder_add_null_value(b);
  json_builder_set_member_name(b, "window");
  json_builder_begin_object(b);
  AddBool(b, "maximized", (shownState & GDK_WINDOW_STATE_MAXIMIZED) != 0);
  AddBool(b, "fullscreen", (shownState & GDK_WINDOW_STATE_FULLSCREEN) != 0);
  AddBool(b, "above", (shownState & GDK_WINDOW_STATE_ABOVE) != 0);
  json_builder_end_object(b);
  json_builder_end_object(b);

  GPtr<JsonNode> root(json_builder_get_root(b));
  JsonObject* state = json_node_get_object(root.get());
  for (const auto& add : stateMembers_) add(state);

  GObjectPtr<JsonGenerator> gen(json_generator_new());
  json_generator_set_pretty(gen.get(), FALSE);
  json_generator_set_root(gen.get(), root.get());
  GPtr<gchar> data(json_generator_to_data(gen.get(), nullptr));
  return data ? StringOf(data) : "{}";
}

void TWebMain::AddLayout(JsonBuilder* b) {
  // The shown parts of the window's content area, top to bottom, by their names: how the room
  // is shared between the bars, the page and a banner docked at the bottom. The content area
  // leaves out what the desktop or the toolkit draws around it (title bar, frame, shadow).
  const Gtk::Allocation area = clientBox.get_allocation();
  std::vector<Gtk::Widget*> parts;
  for (Gtk::Widget* part : clientBox.get_children())
    if (part->get_visible()) parts.push_back(part);
  std::ranges::stable_sort(parts, {}, [](Gtk::Widget* w) { return w->get_allocation().get_y(); });

  json_builder_set_member_name(b, "layout");
  json_builder_begin_object(b);
  AddInt(b, "width", area.get_width());
  AddInt(b, "height", area.get_height());
  json_builder_set_member_name(b, "parts");
  json_builder_begin_array(b);
  for (Gtk::Widget* part : parts) {
    const Gtk::Allocation place = part->get_allocation();
    json_builder_begin_object(b);
    // The page's area is named after the page's view, which fills it.
    Gtk::Widget* named = part == &pageArea ? &View().widget() : part;
    AddString(b, "name", FromUtf8(named->get_name().raw()));
    AddInt(b, "y", place.get_y() - area.get_y());
    AddInt(b, "width", place.get_width());
    AddInt(b, "height", place.get_height());
    json_builder_end_object(b);
  }
  json_builder_end_array(b);
  json_builder_end_object(b);
}

}  // namespace wb
