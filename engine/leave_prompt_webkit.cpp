#include "engine/leave_prompt_webkit.h"

#include <string>
#include <utility>

#include "engine/dialogs.h"
#include "engine/web_view_webkit.h"
#include "platform/glib_ptr.h"

namespace wb {

// The engine's question is a boxed value of its own kind.
template <>
struct GFree<WebKitScriptDialog> {
  void operator()(WebKitScriptDialog* p) const { webkit_script_dialog_unref(p); }
};

struct LeavePrompt::Question {
  LeavePrompt* owner;               // null once the prompt has gone
  GPtr<WebKitScriptDialog> dialog;  // until answered
};

LeavePrompt::LeavePrompt(WebKitWebView* view, const WebKitViewFactory& factory,
                         std::function<void()> stayed)
    : view_(view), factory_(factory), stayed_(std::move(stayed)) {
  g_signal_connect(view, "script-dialog", G_CALLBACK(OnScriptDialog), this);
}

LeavePrompt::~LeavePrompt() {
  g_signal_handlers_disconnect_by_data(view_, this);
  if (!open_) return;
  open_->owner = nullptr;
  if (GPtr<WebKitScriptDialog> d = std::move(open_->dialog)) webkit_script_dialog_close(d.get());
}

gboolean LeavePrompt::OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
  auto* self = static_cast<LeavePrompt*>(data);
  if (webkit_script_dialog_get_dialog_type(dialog) != WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
    return FALSE;
  if (self->leaveUnasked_) {
    // Answered here, before the signal returns: the engine closes the question with it.
    webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
    return TRUE;
  }
  if (!self->factory_.askLeave || self->open_) return FALSE;
  auto question = std::make_shared<Question>(
      Question{self, GPtr<WebKitScriptDialog>(webkit_script_dialog_ref(dialog))});
  self->open_ = question;
  ++self->asked_;
  const char* message = webkit_script_dialog_get_message(dialog);
  self->factory_.askLeave(ToplevelOf(GTK_WIDGET(self->view_)), message ? message : "",
                          [question](bool leave) {
                            if (!question->dialog) return;  // answered already
                            GPtr<WebKitScriptDialog> d = std::move(question->dialog);
                            webkit_script_dialog_confirm_set_confirmed(d.get(), leave);
                            webkit_script_dialog_close(d.get());
                            LeavePrompt* owner = question->owner;
                            if (!owner) return;
                            owner->open_.reset();
                            if (!leave) owner->stayed_();
                          });
  return TRUE;
}

}  // namespace wb
