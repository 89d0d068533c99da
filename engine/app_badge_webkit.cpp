#include "engine/app_badge_webkit.h"

#include <webkit2/webkit2.h>

#include <optional>
#include <utility>
#include <vector>

#include "platform/glib_ptr.h"
#include "support/copy_keys.h"

namespace wb {
namespace {

// The script world of the message handler, and the handler's name, as the scripts below use
// it. The page's functions hand a value to the script in that world by the event
// "webbrowser-app-badge", which the page may see; only the script there can send it on.
constexpr char kWorld[] = "webbrowser-app-badge";
constexpr char kHandler[] = "wbAppBadge";

// The functions in the page's own world. The value is converted as the Badging API says
// (a whole number from 0 to 2^53 - 1, fractions cut off; anything else rejects with a
// TypeError; no value is a flag, 0 clears); the built-ins it needs are taken before any of the
// page's scripts runs, so a page that replaces them later does not change what is sent.
constexpr char kPageScript[] = R"js((() => {
  if (!window.isSecureContext || 'setAppBadge' in Navigator.prototype) return;
  const dispatch = EventTarget.prototype.dispatchEvent;
  const BadgeEvent = CustomEvent, doc = document, trunc = Math.trunc, isFinite = Number.isFinite;
  const send = value => dispatch.call(doc, new BadgeEvent('webbrowser-app-badge', {detail: value}));
  const methods = {
    setAppBadge(contents) {
      try {
        let value = 'flag';
        if (contents !== undefined) {
          const number = +contents;
          if (!isFinite(number)) throw new TypeError('The badge must be a finite number.');
          const whole = trunc(number);
          if (whole < 0 || whole > 9007199254740991)
            throw new TypeError('The badge must be a number from 0 to 2^53 - 1.');
          value = whole === 0 ? 'clear' : String(whole);
        }
        send(value);
        return Promise.resolve();
      } catch (error) {
        return Promise.reject(error);
      }
    },
    clearAppBadge() {
      send('clear');
      return Promise.resolve();
    },
  };
  for (const name of ['setAppBadge', 'clearAppBadge'])
    Object.defineProperty(Navigator.prototype, name,
                          {value: methods[name], writable: true, enumerable: true, configurable: true});
})();)js";

// The script in the world of its own: it sends the last value a page's script gave, once the
// script is done, with the address it came from. The page cannot reach this world's objects,
// so the address is the document's own.
constexpr char kBridgeScript[] = R"js((() => {
  const handler = window.webkit.messageHandlers.wbAppBadge;
  let pending = null;
  document.addEventListener('webbrowser-app-badge', event => {
    const value = event.detail;
    if (typeof value !== 'string' || value.length > 16) return;
    if (pending === null)
      queueMicrotask(() => {
        const last = pending;
        pending = null;
        handler.postMessage([location.href, last]);
      });
    pending = value;
  }, true);
})();)js";

// The longest address a message may name; an own page's address is far shorter.
constexpr std::size_t kMaxAddress = 64 * 1024;

// A NULL-terminated list of `list`'s strings, borrowed while `list` lives; null when empty.
std::vector<const gchar*> CList(const std::vector<std::string>& list) {
  std::vector<const gchar*> out;
  for (const auto& s : list) out.push_back(s.c_str());
  out.push_back(nullptr);
  return out;
}

// The string at `index` of the array `value`, or nothing when it is not a string of at most
// `max` bytes.
std::optional<std::string> StringAt(JSCValue* value, unsigned index, std::size_t max) {
  GObjectPtr<JSCValue> item(jsc_value_object_get_property_at_index(value, index));
  if (!item || !jsc_value_is_string(item.get())) return std::nullopt;
  GPtr<gchar> text(jsc_value_to_string(item.get()));
  if (!text) return std::nullopt;
  std::string out(text.get());
  if (out.size() > max) return std::nullopt;
  return out;
}

}  // namespace

void RegisterAppBadgeHandler(WebKitUserContentManager* content) {
  webkit_user_content_manager_register_script_message_handler_in_world(content, kHandler, kWorld);
}

void TurnOffEngineAppBadge(WebKitSettings* settings) {
#if WEBKIT_CHECK_VERSION(2, 42, 0)
  WebKitFeatureList* features = webkit_settings_get_all_features();
  for (gsize i = 0; i < webkit_feature_list_get_length(features); ++i) {
    WebKitFeature* feature = webkit_feature_list_get(features, i);
    if (g_strcmp0(webkit_feature_get_identifier(feature), "AppBadge") == 0)
      webkit_settings_set_feature_enabled(settings, feature, FALSE);
  }
  webkit_feature_list_unref(features);
#else
  (void)settings;
#endif
}

void ApplyAppBadgeScripts(WebKitUserContentManager* content, const std::string& startHost,
                          const HostPatterns& internal) {
  const AdditionPatterns patterns = PageAdditionPatterns(startHost, internal);
  // An empty allow list would put the functions on every page.
  if (patterns.allow.empty()) return;
  const auto allow = CList(patterns.allow), block = CList(patterns.block);
  const gchar* const* blocked = patterns.block.empty() ? nullptr : block.data();
  WebKitUserScript* page =
      webkit_user_script_new(kPageScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, allow.data(), blocked);
  WebKitUserScript* bridge = webkit_user_script_new_for_world(
      kBridgeScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kWorld, allow.data(), blocked);
  webkit_user_content_manager_add_script(content, bridge);
  webkit_user_content_manager_add_script(content, page);
  webkit_user_script_unref(bridge);
  webkit_user_script_unref(page);
}

PageBadgeMessages::PageBadgeMessages(WebKitWebView* view, const std::string& startHost,
                                     const HostPatterns& internal,
                                     std::function<void(const AppBadge&)> badge)
    : view_(view),
      content_(webkit_web_view_get_user_content_manager(view)),
      startHost_(startHost),
      internal_(internal),
      badge_(std::move(badge)) {
  g_signal_connect(content_, (std::string("script-message-received::") + kHandler).c_str(),
                   G_CALLBACK(Received), this);
}

PageBadgeMessages::~PageBadgeMessages() {
  g_signal_handlers_disconnect_by_data(content_, this);
  if (timer_) g_source_remove(timer_);
}

void PageBadgeMessages::Received(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                 gpointer self) {
  static_cast<PageBadgeMessages*>(self)->Take(result);
}

void PageBadgeMessages::Take(WebKitJavascriptResult* result) {
  // Every view of the factory hears every message; a view takes it only while it shows a page
  // of the copy's own hosts itself, whatever address the message names.
  const gchar* shown = webkit_web_view_get_uri(view_);
  if (!shown || !IsOwnPageAddress(shown, startHost_, internal_)) return;
  JSCValue* value = webkit_javascript_result_get_js_value(result);
  if (!value || !jsc_value_is_array(value)) return;
  const auto address = StringAt(value, 0, kMaxAddress);
  const auto text = StringAt(value, 1, 16);
  if (!address || !text || !IsOwnPageAddress(*address, startHost_, internal_)) return;
  const auto badge = AppBadgeOfMessage(*text);
  if (badge) Deliver(*badge);
}

void PageBadgeMessages::Deliver(const AppBadge& badge) {
  if (!timer_ && limit_.Take()) {
    badge_(badge);
    return;
  }
  waiting_ = badge;
  // A tenth of a second is soon enough for a badge, and few enough wake-ups.
  if (!timer_) timer_ = g_timeout_add(100, Flush, this);
}

gboolean PageBadgeMessages::Flush(gpointer data) {
  auto* self = static_cast<PageBadgeMessages*>(data);
  self->timer_ = 0;
  if (self->waiting_) {
    const AppBadge badge = *self->waiting_;
    self->waiting_.reset();
    self->Deliver(badge);
  }
  return G_SOURCE_REMOVE;
}

}  // namespace wb
