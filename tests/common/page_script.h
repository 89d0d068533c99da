#pragma once
// Scripts in a page of the real engine, run from a test, and conditions that must stay true.
#include <webkit2/webkit2.h>

#include <functional>
#include <string>

#include "tests/common/gtk_test_util.h"

namespace wbtest {

// `holds` stays true while the loop runs for `ms` milliseconds.
inline bool Stays(const std::function<bool()>& holds, int ms = 1000) {
  return !SpinUntil([&] { return !holds(); }, ms);
}

// Runs a script in the page and waits for it to have run.
inline void RunScript(WebKitWebView* view, const std::string& script) {
  bool done = false;
  webkit_web_view_evaluate_javascript(
      view, script.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source),
                                                                         result, nullptr))
          g_object_unref(value);
        *static_cast<bool*>(data) = true;
      },
      &done);
  SpinUntil([&] { return done; }, 10000);
}

// The value of a script's expression in the page, as text ("(none)" when it could not run).
inline std::string ScriptText(WebKitWebView* view, const std::string& script) {
  struct Answer {
    bool done = false;
    std::string text = "(none)";
  } answer;
  webkit_web_view_evaluate_javascript(
      view, script.c_str(), -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        auto* a = static_cast<Answer*>(data);
        if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source),
                                                                         result, nullptr)) {
          gchar* text = jsc_value_to_string(value);
          if (text) a->text = text;
          g_free(text);
          g_object_unref(value);
        }
        a->done = true;
      },
      &answer);
  SpinUntil([&] { return answer.done; }, 10000);
  return answer.text;
}

}  // namespace wbtest
