// The browser window's everyday controls beyond its design: find in page, zoom, the keyboard
// shortcuts, full screen, the mouse's back and forward buttons, the window's own commands in
// the page's context menu and the window that remembers its size. The rules live below the
// widgets (model/find_in_page.h, model/page_zoom.h, model/window_memory.h); this file wires
// them to the window's controls and the web view.
#include <gdk/gdk.h>

#include <iostream>

#include "info/web_info.h"
#include "model/window_rules.h"
#include "platform/remote_channel.h"
#include "shell/web_form.h"
#include "support/copy_keys.h"

namespace wb {

void TWebForm::BuildPageTools() {
  // The find bar sits right above the status bar.
  findBar.set_no_show_all(true);
  clientBox.pack_start(findBar, Gtk::PACK_SHRINK);
  int statusAt = 0;
  for (Gtk::Widget* child : clientBox.get_children()) {
    if (child == &StatusBar) break;
    ++statusAt;
  }
  clientBox.reorder_child(findBar, statusAt);
  findBar.hide();
  findBar.onChanged = [this] { FindChanged(); };
  findBar.onNext = [this] { FindNextClick(true); };
  findBar.onPrevious = [this] { FindNextClick(false); };
  findBar.onClose = [this] { CloseFindBar(); };

  // Keys: the window's before the focus widget gets them, unless the page has the focus; the
  // page then sees them first and the window takes those it leaves (the engine hands a key the
  // page did not handle back to the widget, where the handler after its own runs).
  toolConnections_.push_back(
      signal_key_press_event().connect([this](GdkEventKey* e) { return WindowKey(e); }, false));
  Gtk::Widget& view = web->widget();
  toolConnections_.push_back(view.signal_key_press_event().connect(
      [this](GdkEventKey* e) { return PageKeyNotHandled(e); }, true));
  // The mouse's back and forward buttons and Ctrl+wheel go to the window before the engine,
  // which would use its own history for the buttons.
  view.add_events(Gdk::BUTTON_PRESS_MASK | Gdk::BUTTON_RELEASE_MASK | Gdk::SCROLL_MASK |
                  Gdk::SMOOTH_SCROLL_MASK);
  toolConnections_.push_back(view.signal_button_press_event().connect(
      [this](GdkEventButton* e) { return PageButton(e); }, false));
  toolConnections_.push_back(view.signal_button_release_event().connect(
      [](GdkEventButton* e) { return e->button == 8 || e->button == 9; }, false));
  toolConnections_.push_back(view.signal_scroll_event().connect(
      [this](GdkEventScroll* e) { return PageScroll(e); }, false));

  toolConnections_.push_back(signal_window_state_event().connect(
      [this](GdkEventWindowState* e) { return WindowStateChanged(e); }));
  toolConnections_.push_back(signal_configure_event().connect(
      [this](GdkEventConfigure*) {
        NoteNormalPlacement();
        return false;
      },
      false));
  toolConnections_.push_back(signal_hide().connect([this] { RememberPlacement(); }));
}

void TWebForm::DisconnectPageTools() {
  // The toolkit may still report a hide or a key while the window is being taken apart.
  for (sigc::connection& c : toolConnections_) c.disconnect();
  toolConnections_.clear();
}

WebView::PageCommandState TWebForm::PageCommandState(WebView::PageCommand command) {
  // The page's context menu offers the window's commands in place of the engine's.
  Action* action = command == WebView::PageCommand::kBack      ? &acBack
                   : command == WebView::PageCommand::kForward ? &acForward
                   : command == WebView::PageCommand::kStop    ? &acStop
                                                               : &acRefresh;
  action->Update();
  const PageMenuCommand asked =
      command == WebView::PageCommand::kBack      ? PageMenuCommand::kBack
      : command == WebView::PageCommand::kForward ? PageMenuCommand::kForward
      : command == WebView::PageCommand::kStop    ? PageMenuCommand::kStop
                                                  : PageMenuCommand::kRefresh;
  const bool enabled = PageMenuOffers(asked, action->Enabled(), web->IsLoading());
  return WebView::PageCommandState{FromUtf8(action->Caption().raw()), enabled,
                                   [action] { action->Execute(); }};
}

void TWebForm::ConfigurePageTools() {
  const WindowConfig& config = model_.Config();
  zoom_.SetDefault(config.zoom);
  web->SetZoomPercent(zoom_.Percent());
  remember_ = config.remember;
  if (!remember_) return;
  // The size the person left the window at replaces the configured one.
  std::optional<WindowPlacement> placement = ReadWindowPlacement(store_);
  if (!placement) return;
  normal_ = *placement;
  set_default_size(placement->width, placement->height);
  if (placement->hasPosition && TWebInfo::CanPlaceWindows(*this)) {
    set_position(Gtk::WIN_POS_NONE);
    move(placement->left, placement->top);
  }
  if (placement->maximized) maximize();
}

void TWebForm::ApplyStartState() {
  const WindowConfig& config = model_.Config();
  switch (config.start) {
    case WindowStart::kMaximized:
      maximize();
      break;
    case WindowStart::kFullscreen:
      if (!IsFullScreen()) FullScreenClick();
      break;
    case WindowStart::kNormal:
      break;
  }
  if (config.ontop) set_keep_above(true);
  if (config.badge && !badge_) {
    // The count follows the page's title, as mail and chat sites write it there.
    badge_ = std::make_unique<LauncherBadge>(OwnAppName() + ".desktop");
  }
}

void TWebForm::ShowBadge() {
  if (!badge_) badge_ = std::make_unique<LauncherBadge>(OwnAppName() + ".desktop");
  badge_->Show(badgeState_.Shown());
  BadgeShown();
}

void TWebForm::NoteNormalPlacement() {
  if (!ShowsNormalPlacement(maximized_, windowFullScreen_, IsFullScreen())) return;
  get_size(normal_.width, normal_.height);
  get_position(normal_.left, normal_.top);
}

void TWebForm::RememberPlacement() {
  if (!remember_) return;
  NoteNormalPlacement();
  WindowPlacement placement = normal_;
  placement.maximized = maximized_;
  placement.hasPosition = TWebInfo::CanPlaceWindows(*this);
  // The window is closing; its size is not worth a message box on the way out, so the reason
  // goes to the standard error output. The copy's own store is used, not the reporting one.
  const SettingsResult stored = WriteWindowPlacement(*copyStore_, placement);
  if (!stored.ok())
    std::cerr << "webbrowser: the window's size was not stored: " << stored.Message() << "\n";
}

bool TWebForm::WindowStateChanged(GdkEventWindowState* event) {
  if (event->changed_mask & GDK_WINDOW_STATE_MAXIMIZED)
    maximized_ = (event->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) != 0;
  if (event->changed_mask & GDK_WINDOW_STATE_FULLSCREEN) {
    windowFullScreen_ = (event->new_window_state & GDK_WINDOW_STATE_FULLSCREEN) != 0;
    // Left full screen by the desktop's own means: the bars come back.
    if (!windowFullScreen_ && bars_.SetFullScreen(false)) ShowBars();
  }
  return false;
}

void TWebForm::PageShown(const Text& address) {
  const int before = zoom_.Percent();
  if (zoom_.Navigated(address) != before || web->ZoomPercent() != zoom_.Percent())
    web->SetZoomPercent(zoom_.Percent());
}

// --- Keys and mouse ----------------------------------------------------------------------

bool TWebForm::WindowKey(GdkEventKey* event) {
  // The page first when it is the window's focus widget, whether or not the window manager
  // has said yet that the window is active: a key can arrive before that word does.
  if (web->widget().is_focus()) return false;
  return RunShortcut(ShortcutCommand(event->keyval, event->state));
}

bool TWebForm::PageKeyNotHandled(GdkEventKey* event) {
  return RunShortcut(ShortcutCommand(event->keyval, event->state));
}

bool TWebForm::RunShortcut(WindowCommand command) {
  switch (command) {
    case WindowCommand::kNone:
      return false;
    case WindowCommand::kBack:
      return ClickIfEnabled(acBack, BackBtn);
    case WindowCommand::kForward:
      return ClickIfEnabled(acForward, ForwardBtn);
    case WindowCommand::kFocusAddress:
      return FocusAddress();
    case WindowCommand::kRefresh:
      acRefresh.Execute();
      return true;
    case WindowCommand::kEscape:
      switch (EscapeFor(web->widget().is_focus(), web->IsLoading(), find_.IsOpen())) {
        case EscapeAction::kStop:
          acStop.Execute();
          return true;
        case EscapeAction::kCloseFindBar:
          CloseFindBar();
          return true;
        case EscapeAction::kPass:
          return false;
      }
      return false;
    case WindowCommand::kPrint:
      acPrint.Execute();
      return true;
    case WindowCommand::kFullScreen:
      FullScreenClick();
      return true;
    case WindowCommand::kHome:
      go(model_.Config().go, 0);
      return true;
    case WindowCommand::kFind:
      ShowFindBar();
      return true;
    case WindowCommand::kFindNext:
      FindNextClick(true);
      return true;
    case WindowCommand::kFindPrevious:
      FindNextClick(false);
      return true;
    case WindowCommand::kZoomIn:
      ZoomInClick();
      return true;
    case WindowCommand::kZoomOut:
      ZoomOutClick();
      return true;
    case WindowCommand::kZoomReset:
      ZoomResetClick();
      return true;
  }
  return false;
}

bool TWebForm::FocusAddress() {
  // Shown means shown on the screen: the box, its row and the strip.
  if (!Addr.is_visible() || !CoolBar.get_visible() || !coolRowNav.get_visible()) return false;
  Gtk::Entry* entry = Addr.get_entry();
  entry->grab_focus();
  entry->select_region(0, -1);
  return true;
}

bool TWebForm::PageButton(GdkEventButton* event) {
  if (event->button != 8 && event->button != 9) return false;
  if (event->type == GDK_BUTTON_PRESS) {
    // The same rules as Alt+Left and Alt+Right: only while the action is enabled.
    Action& action = event->button == 8 ? acBack : acForward;
    action.Update();
    if (action.Enabled()) action.Execute();
  }
  return true;  // never the engine's own history
}

bool TWebForm::PageScroll(GdkEventScroll* event) {
  const guint mods = event->state & (GDK_SHIFT_MASK | GDK_CONTROL_MASK | GDK_MOD1_MASK);
  if (mods != GDK_CONTROL_MASK) return false;
  double delta = 0;
  switch (event->direction) {
    case GDK_SCROLL_UP:
      delta = -1;
      break;
    case GDK_SCROLL_DOWN:
      delta = 1;
      break;
    case GDK_SCROLL_SMOOTH:
      delta = event->delta_y;
      break;
    default:
      return false;
  }
  const int before = zoom_.Percent();
  if (zoom_.Wheel(delta) != before) web->SetZoomPercent(zoom_.Percent());
  return true;
}

// --- Find in page ------------------------------------------------------------------------

void TWebForm::ShowFindBar() {
  const bool wasOpen = find_.IsOpen();
  if (!wasOpen) findFromAddress_ = get_focus() == Addr.get_entry();
  find_.Open();
  findBar.show();
  findBar.FocusEntry();
  // Opened again with the text it had: the search is shown again.
  if (!wasOpen) FindChanged();
}

void TWebForm::CloseFindBar() {
  if (!find_.IsOpen()) return;
  find_.Close();
  web->FindEnd();
  findBar.hide();
  findBar.ShowCount({});
  // The keys go back where they went before the bar took them.
  if (!findFromAddress_ || !FocusAddress()) web->widget().grab_focus();
}

void TWebForm::FindChanged() {
  if (!find_.IsOpen()) return;
  if (find_.SetText(findBar.SearchText(), findBar.MatchCase()))
    web->FindText(find_.TextSought(), find_.MatchCase(), kMaxCountedMatches);
  else
    web->FindEnd();
  ShowFindCount();
}

void TWebForm::FindNextClick(bool forward) {
  if (!find_.IsOpen()) {
    ShowFindBar();
    return;
  }
  if (find_.TextSought().empty()) return;
  web->FindNext(forward);
  if (forward)
    find_.Next();
  else
    find_.Previous();
  ShowFindCount();
}

void TWebForm::ShowFindCount() {
  findBar.ShowCount(find_.CountText());
}

// --- Zoom and full screen ------------------------------------------------------------------

void TWebForm::ZoomInClick() {
  web->SetZoomPercent(zoom_.ZoomIn());
}

void TWebForm::ZoomOutClick() {
  web->SetZoomPercent(zoom_.ZoomOut());
}

void TWebForm::ZoomResetClick() {
  web->SetZoomPercent(zoom_.Reset());
}

void TWebForm::FullScreenClick() {
  bars_.SetFullScreen(!IsFullScreen());
  ShowBars();
  if (IsFullScreen())
    fullscreen();
  else
    unfullscreen();
}

}  // namespace wb
