#include "engine/page_tools_webkit.h"

#include <webkit2/webkit2.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/glib_ptr.h"
#include "storage/window_config.h"
#include "support/catalog.h"
#include "support/own_page.h"
#include "support/spell_languages.h"

namespace wb {

struct WebKitPageTools::MenuChoice {
  std::weak_ptr<WebKitPageTools*> tools;
  bool newWindow = false;          // open `link` as a new-window request of the page
  WebView::PageCommand command{};  // else run the window's command
  std::string link;

  static void Activate(GSimpleAction*, GVariant*, gpointer data) {
    auto* choice = static_cast<MenuChoice*>(data);
    std::shared_ptr<WebKitPageTools*> alive = choice->tools.lock();
    if (!alive || !*alive) return;
    WebView& owner = (*alive)->owner_;
    if (choice->newWindow) {
      if (owner.onNewWindow && !choice->link.empty()) owner.onNewWindow(FromUtf8(choice->link));
      return;
    }
    if (!owner.pageCommand) return;
    // The window decides again when the item is chosen: its rules may have changed meanwhile.
    WebView::PageCommandState state = owner.pageCommand(choice->command);
    if (state.enabled && state.run) state.run();
  }

  static void Free(gpointer data, GClosure*) { delete static_cast<MenuChoice*>(data); }
};

namespace {

// An item of the context menu that runs `choice` when chosen. The engine keeps the menu's
// actions by name, so each item's action has a name of its own.
WebKitContextMenuItem* ChoiceItem(const std::string& caption, bool enabled,
                                  WebKitPageTools::MenuChoice* choice) {
  static constexpr const char* kNames[] = {"webbrowser-back", "webbrowser-forward",
                                           "webbrowser-stop", "webbrowser-reload"};
  const char* name = choice->newWindow ? "webbrowser-open-link-in-new-window"
                                       : kNames[static_cast<int>(choice->command)];
  GObjectPtr<GSimpleAction> action(g_simple_action_new(name, nullptr));
  g_simple_action_set_enabled(action.get(), enabled);
  g_signal_connect_data(action.get(), "activate", G_CALLBACK(WebKitPageTools::MenuChoice::Activate),
                        choice, WebKitPageTools::MenuChoice::Free, GConnectFlags(0));
  return webkit_context_menu_item_new_from_gaction(G_ACTION(action.get()), caption.c_str(),
                                                   nullptr);
}

}  // namespace

WebKitPageTools::WebKitPageTools(WebKitWebView* view, WebView& owner)
    : view_(view), owner_(owner), alive_(std::make_shared<WebKitPageTools*>(this)) {
  // The search reports its count itself; a count of its own would take the highlighting of
  // the matches away again.
  WebKitFindController* find = webkit_web_view_get_find_controller(view_);
  g_signal_connect(find, "found-text",
                   G_CALLBACK(+[](WebKitFindController*, guint count, gpointer data) {
                     static_cast<WebKitPageTools*>(data)->ReportCount(count);
                   }),
                   this);
  g_signal_connect(find, "failed-to-find-text",
                   G_CALLBACK(+[](WebKitFindController*, gpointer data) {
                     static_cast<WebKitPageTools*>(data)->ReportCount(0);
                   }),
                   this);
  g_signal_connect(view_, "context-menu",
                   G_CALLBACK(+[](WebKitWebView*, WebKitContextMenu* menu, GdkEvent*,
                                  WebKitHitTestResult* hit, gpointer data) -> gboolean {
                     static_cast<WebKitPageTools*>(data)->EditMenu(menu, hit);
                     return FALSE;  // the menu is shown, as edited
                   }),
                   this);
}

WebKitPageTools::~WebKitPageTools() {
  *alive_ = nullptr;
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_find_controller(view_), this);
  g_signal_handlers_disconnect_by_data(view_, this);
}

void WebKitPageTools::EditMenu(WebKitContextMenu* menu, WebKitHitTestResult* hit) {
  const bool devtools =
      webkit_settings_get_enable_developer_extras(webkit_web_view_get_settings(view_));
  // The items to change, first collected: the menu is edited after the walk.
  std::vector<std::pair<WebKitContextMenuItem*, WebKitContextMenuAction>> found;
  for (GList* l = webkit_context_menu_get_items(menu); l; l = l->next) {
    auto* item = static_cast<WebKitContextMenuItem*>(l->data);
    found.emplace_back(item, webkit_context_menu_item_get_stock_action(item));
  }
  // The button of our pages is a link whose address holds the page's secret: it never leaves
  // the window, so none of the link's items is offered.
  const char* hitLink = hit ? webkit_hit_test_result_get_link_uri(hit) : nullptr;
  const bool ourButton = hitLink && g_str_has_prefix(hitLink, std::string(kActionScheme).c_str());
  for (auto [item, stock] : found) {
    if (ourButton && (stock == WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK ||
                      stock == WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK_IN_NEW_WINDOW ||
                      stock == WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_LINK_TO_DISK ||
                      stock == WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD)) {
      webkit_context_menu_remove(menu, item);
      continue;
    }
    MenuChoice* choice = nullptr;
    std::string caption;
    bool enabled = true;
    auto command = [&](WebView::PageCommand c) {
      if (!owner_.pageCommand) return;
      WebView::PageCommandState state = owner_.pageCommand(c);
      choice = new MenuChoice{alive_, false, c, {}};
      caption = ToUtf8(state.caption);
      enabled = state.enabled;
    };
    switch (stock) {
      case WEBKIT_CONTEXT_MENU_ACTION_GO_BACK:
        command(WebView::PageCommand::kBack);
        break;
      case WEBKIT_CONTEXT_MENU_ACTION_GO_FORWARD:
        command(WebView::PageCommand::kForward);
        break;
      case WEBKIT_CONTEXT_MENU_ACTION_STOP:
        command(WebView::PageCommand::kStop);
        break;
      case WEBKIT_CONTEXT_MENU_ACTION_RELOAD:
        command(WebView::PageCommand::kReload);
        break;
      case WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK_IN_NEW_WINDOW: {
        const char* link = hit ? webkit_hit_test_result_get_link_uri(hit) : nullptr;
        choice = new MenuChoice{alive_, true, {}, link ? link : ""};
        caption = Tr("Open Link in New _Window");
        break;
      }
      case WEBKIT_CONTEXT_MENU_ACTION_INSPECT_ELEMENT:
        if (devtools) continue;
        break;
      default:
        continue;  // the engine's own item stays
    }
    // The engine's item goes; the window's takes its place.
    const gint position = g_list_index(webkit_context_menu_get_items(menu), item);
    if (choice) webkit_context_menu_insert(menu, ChoiceItem(caption, enabled, choice), position);
    webkit_context_menu_remove(menu, item);
  }
}

void WebKitPageTools::FindText(const Text& text, bool matchCase, int maxCount) {
  maxCount_ = std::max(maxCount, 1);
  const std::string utf8 = ToUtf8(text);
  guint32 options = WEBKIT_FIND_OPTIONS_WRAP_AROUND;
  if (!matchCase) options |= WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE;
  WebKitFindController* find = webkit_web_view_get_find_controller(view_);
  Expect(Reply::kNewSearch);
  webkit_find_controller_search(find, utf8.c_str(), options, static_cast<guint>(maxCount_));
}

void WebKitPageTools::ReportCount(unsigned count) {
  // The engine answers every search, in order. A new search's answer carries its count; the
  // answer to a next or previous match counts only that one, and is not a count.
  if (replies_.empty()) return;
  const Reply reply = replies_.front();
  replies_.pop_front();
  if (reply != Reply::kNewSearch) return;
  // More matches than were asked for come as G_MAXUINT or as a number above the limit.
  const int matches =
      count > static_cast<guint>(maxCount_) ? maxCount_ + 1 : static_cast<int>(count);
  if (owner_.onFindCounted) owner_.onFindCounted(matches);
}

void WebKitPageTools::FindNext(bool forward) {
  WebKitFindController* find = webkit_web_view_get_find_controller(view_);
  if (!webkit_find_controller_get_search_text(find)) return;
  Expect(Reply::kMove);
  if (forward)
    webkit_find_controller_search_next(find);
  else
    webkit_find_controller_search_previous(find);
}

void WebKitPageTools::Expect(Reply reply) {
  // An answer that never came must not let the list grow without end.
  if (replies_.size() >= kMaxRepliesAwaited) replies_.pop_front();
  replies_.push_back(reply);
}

void WebKitPageTools::FindEnd() {
  webkit_find_controller_search_finish(webkit_web_view_get_find_controller(view_));
}

void WebKitPageTools::SetZoomPercent(int percent) {
  webkit_web_view_set_zoom_level(view_, percent / 100.0);
}

int WebKitPageTools::ZoomPercent() const {
  return static_cast<int>(webkit_web_view_get_zoom_level(view_) * 100.0 + 0.5);
}

void ApplyPageToolsConfig(WebKitSettings* settings, WebKitWebContext* context,
                          const WindowConfig& config) {
  webkit_settings_set_enable_developer_extras(settings, config.devtools);
  // Pictures and text grow together, as the person expects of a page zoom.
  webkit_settings_set_zoom_text_only(settings, FALSE);
  if (!context) return;
  webkit_web_context_set_spell_checking_enabled(context, config.spell);
  if (!config.spell) return;
  std::vector<std::string> names;
  for (const gchar* const* n = g_get_language_names(); n && *n; ++n) names.emplace_back(*n);
  // The engine's checker uses those of the languages that have a dictionary installed.
  const std::vector<std::string> languages = SpellLanguages(names);
  std::vector<const gchar*> list;
  for (const std::string& l : languages) list.push_back(l.c_str());
  list.push_back(nullptr);
  if (languages.size() > 0) webkit_web_context_set_spell_checking_languages(context, list.data());
}

}  // namespace wb
