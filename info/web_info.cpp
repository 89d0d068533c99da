#include "info/web_info.h"

#include <atkmm/object.h>
#include <gdk/gdk.h>
#include <glibmm/datetime.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

#include <algorithm>
#include <limits>

#include "support/catalog.h"
#include "support/values.h"

namespace wb {

namespace {

constexpr int kDesignWidth = 600;
constexpr int kDesignHeight = 90;
// The timer as designed: six minutes, until exec sets another interval.
constexpr unsigned kDesignInterval = 360000;
constexpr std::int64_t kMsPerDay = 86400000;

}  // namespace

std::int64_t TimeOfDayNumber(std::int64_t msSinceMidnight) {
  std::int64_t ms = std::clamp<std::int64_t>(msSinceMidnight, 0, kMsPerDay - 1);
  // The fraction of the day times 10000 is ms / 8640. Dividing once keeps the value exact
  // whenever it is a whole number, so 02:24:00.000 gives 1000, not 1001 from a fraction that
  // was rounded on its way.
  return RoundAwayFromZero(static_cast<double>(ms) / (kMsPerDay / 10000));
}

std::int64_t LocalTimeOfDay() {
  Glib::DateTime now = Glib::DateTime::create_now_local();
  return ((now.get_hour() * 60 + now.get_minute()) * 60 + now.get_second()) * 1000LL +
         now.get_microsecond() / 1000;
}

TWebInfo::TWebInfo(WebViewFactory& factory, WebView* related, WebInfoDeps deps)
    : deps_(std::move(deps)),
      timer_(deps_.timer ? std::move(deps_.timer) : std::make_unique<MainLoopTimer>()),
      wb_(factory.Create(related)),
      panelC_(Bevel::Raised, 3, 1, *this) {
  if (!deps_.timeOfDay) deps_.timeOfDay = LocalTimeOfDay;

  set_title("WebInfo");
  set_name("WebInfo");
  set_decorated(false);
  set_default_size(kDesignWidth, kDesignHeight);
  move(0, 0);
  set_skip_taskbar_hint(true);
  set_skip_pager_hint(true);
  set_type_hint(Gdk::WINDOW_TYPE_HINT_UTILITY);
  // Appearing below the main window must not take the keyboard from it.
  set_focus_on_map(false);

  panelC_.set_name("PanelC");
  panelC_.SetChild(wb_->widget());
  content_.add(panelC_);
  content_.set_size_request(-1, kDesignHeight);

  const Gdk::RGBA white("#FFFFFF");
  for (auto [button, caption, name] : {std::tuple{&btO_, u"o", "btO"}, {&btX_, u"x", "btX"}}) {
    button->set_name(name);
    button->SetText(caption);
    button->SetBackground(white);
    button->SetFont(DesignFont("Tahoma", 11));
    button->SetAlignment(LabelControl::Align::Center, true);
    // "x" is added last and so lies over "o" where the two overlap.
    content_.add_overlay(*button);
  }
  // The letters are the design's; a screen reader says what the buttons do.
  btO_.get_accessible()->set_name(Tr("Reload"));
  btX_.get_accessible()->set_name(Tr("Close"));
  // The two tiny buttons sit in the top-left corner and reach two pixels above the top edge,
  // so that only the lower part of each letter's box shows.
  content_.signal_get_child_position().connect(
      [this](Gtk::Widget* child, Gdk::Rectangle& place) {
        if (child == &btO_) {
          place = Gdk::Rectangle(0, -2, 10, 12);
          return true;
        }
        if (child == &btX_) {
          place = Gdk::Rectangle(8, -2, 10, 12);
          return true;
        }
        return false;
      },
      false);
  btO_.signal_clicked().connect([this] { btOClick(); });
  btX_.signal_clicked().connect([this] { btXClick(); });

  WebViewEvents events;
  events.onNavigateError = [this](const Text& address, int status) {
    wbNavigateError(address, status);
  };
  events.onNewWindow = [this](const Text& address) {
    if (deps_.open) deps_.open(address);
  };
  wb_->SetEvents(std::move(events));

  timer_->SetInterval(kDesignInterval);
  timer_->SetEnabled(false);
  timer_->OnTimer = [this] { TimerTimer(); };

  add(content_);
  content_.show_all();
}

TWebInfo::~TWebInfo() {
  hostResize_.disconnect();
  timer_->SetEnabled(false);
  timer_->OnTimer = nullptr;
  if (dockParent_ && content_.get_parent() == dockParent_) dockParent_->remove(content_);
}

bool TWebInfo::CanPlaceWindows(const Gtk::Widget& host) {
#ifdef GDK_WINDOWING_WAYLAND
  auto display = host.get_display();
  if (display && GDK_IS_WAYLAND_DISPLAY(display->gobj())) return false;
#else
  (void)host;
#endif
  return true;
}

void TWebInfo::exec(Gtk::Widget& f, int TimerVal) {
  if (!f.get_visible()) f.show();

  hostResize_.disconnect();
  if (auto* form = dynamic_cast<Gtk::Window*>(&f)) {
    if (dockParent_) {
      if (content_.get_parent() == dockParent_) dockParent_->remove(content_);
      dockParent_ = nullptr;
      add(content_);
    }
    set_transient_for(*form);
    MainForm = form;
    // The banner listens to the host's configure event, which reports both moves and size
    // changes. It is added to the host's own handlers, not put in their place, so the host
    // keeps laying itself out when it is resized.
    hostResize_ = form->signal_configure_event().connect(
        [this](GdkEventConfigure*) {
          MainResize();
          return false;
        },
        false);
  } else if (auto* container = dynamic_cast<Gtk::Container*>(&f)) {
    MainForm = nullptr;
    if (dockParent_ != container) {
      hide();
      if (auto* parent = content_.get_parent()) parent->remove(content_);
      // The banner fills the container's width but takes no more height than its own. A
      // widget that wants to grow makes every container around it grow too, so a banner (or
      // a view inside it) that wanted to would have the dock share the host's free height with
      // the host's page; saying no here also stops the wish of anything inside.
      content_.set_vexpand(false);
      container->add(content_);
      dockParent_ = container;
    }
    content_.show();
  }

  if (TimerVal > 0) {
    // The interval is bounded by what the main loop's timer takes.
    constexpr long long kMaxMinutes = std::numeric_limits<unsigned>::max() / 60000;
    timer_->SetInterval(static_cast<unsigned>(std::min<long long>(TimerVal, kMaxMinutes) * 60000));
  }
  timer_->SetEnabled(TimerVal >= 0);
  go(Text());
}

void TWebInfo::go(const Text& url) {
  Text address = url;
  if (address.empty())
    address = deps_.gatewayAddress(u"info") + u"&tst=" +
              FromUtf8(std::to_string(TimeOfDayNumber(deps_.timeOfDay())));
  address_ = address;
  if (!Visible()) SetVisible(true);
  wb_->Navigate(address);
}

void TWebInfo::MainResize() {
  if (!Visible() || !MainForm) return;
  auto host = MainForm->get_window();
  if (!host) return;
  // The host's outer frame, title bar and borders included, in screen coordinates.
  Gdk::Rectangle frame;
  host->get_frame_extents(frame);
  int width = 0, height = 0;
  get_size(width, height);
  move(frame.get_x(), frame.get_y() + frame.get_height());
  resize(std::max(1, frame.get_width()), std::max(1, height));
}

void TWebInfo::FormShow() {
  MainResize();
}

void TWebInfo::FormClose() {
  timer_->SetEnabled(false);
}

void TWebInfo::TimerTimer() {
  if (Visible()) go(Text());
}

void TWebInfo::SetHostUnseen(bool unseen) {
  if (unseen == hostUnseen_) return;
  hostUnseen_ = unseen;
  if (unseen) {
    timerBeforeUnseen_ = timer_->Enabled();
    unseenSinceUs_ = g_get_monotonic_time();
    timer_->SetEnabled(false);
    return;
  }
  if (!timerBeforeUnseen_) return;
  timer_->SetEnabled(true);
  const std::int64_t unseenMs = (g_get_monotonic_time() - unseenSinceUs_) / 1000;
  if (timer_->Interval() > 0 && unseenMs >= timer_->Interval()) TimerTimer();
}

void TWebInfo::btOClick() {
  go(Text());
}

void TWebInfo::btXClick() {
  Close();
  if (dockParent_) dockParent_->hide();
}

void TWebInfo::wbNavigateError(const Text&, int) {
  // Whatever went wrong, the banner steps aside without a word; it is an extra, and a
  // message about it would only disturb the user's work in the main window.
  wb_->Stop();
  SetVisible(false);
}

bool TWebInfo::Visible() const {
  return dockParent_ ? content_.get_visible() : get_visible();
}

TWebInfo::State TWebInfo::GetState() const {
  State state;
  state.visible = Visible();
  state.address = address_;
  state.interval = timer_->Interval();
  state.timer = timer_->Enabled();
  return state;
}

bool TWebInfo::on_delete_event(GdkEventAny*) {
  // Closing the banner hides it; it lives on with its owner.
  Close();
  return true;
}

void TWebInfo::SetVisible(bool visible) {
  if (visible == Visible()) return;
  if (dockParent_) {
    // The dock goes with the banner, so that no empty strip is left in the host.
    content_.set_visible(visible);
    dockParent_->set_visible(visible);
  } else {
    set_visible(visible);
  }
  if (visible) FormShow();
}

void TWebInfo::Close() {
  FormClose();
  SetVisible(false);
}

}  // namespace wb
