#pragma once
// The question a page asks before it is left ("beforeunload"), for one WebKitGTK view. The
// person answers later; meanwhile the navigation waits, and the window starts no other.
#include <webkit2/webkit2.h>

#include <functional>
#include <memory>

namespace wb {

class WebKitViewFactory;

class LeavePrompt {
 public:
  // `stayed` runs when the person chose to stay on the page. `view` and `factory` (its askLeave)
  // must outlive this.
  LeavePrompt(WebKitWebView* view, const WebKitViewFactory& factory, std::function<void()> stayed);
  // A question still open is closed; a late answer reaches nothing.
  ~LeavePrompt();
  LeavePrompt(const LeavePrompt&) = delete;
  LeavePrompt& operator=(const LeavePrompt&) = delete;

  bool Open() const { return open_ != nullptr; }
  // How many questions the page has asked so far, so a caller can tell whether one came.
  int Asked() const { return asked_; }
  // From now on the page leaves unasked: its window is closing and the person has let it go
  // already, so the navigation that unloads it must not ask a second time.
  void LeaveUnasked() { leaveUnasked_ = true; }

  struct Question;

 private:
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data);

  WebKitWebView* view_;
  const WebKitViewFactory& factory_;
  std::function<void()> stayed_;
  std::shared_ptr<Question> open_;  // while the person has not answered
  int asked_ = 0;
  bool leaveUnasked_ = false;
};

}  // namespace wb
