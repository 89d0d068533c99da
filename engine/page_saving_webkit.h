#pragma once
// Saving and printing the page of one WebKitGTK view. A save or print still running when the
// view goes is cancelled; its answer then reaches nothing of the view.
#include <webkit2/webkit2.h>

#include <list>
#include <string>

#include "platform/glib_ptr.h"

namespace wb {

class WebKitViewFactory;

class PageSaving {
 public:
  // The view and the factory must outlive this.
  PageSaving(WebKitWebView* view, const WebKitViewFactory& factory);
  ~PageSaving();
  PageSaving(const PageSaving&) = delete;
  PageSaving& operator=(const PageSaving&) = delete;

  // Asks where to save the page, then saves it. Throws std::runtime_error when there is no
  // page; a failure after the question is shown through the factory's showError.
  void Save();
  // Shows the print dialog; a failure is shown through the factory's showError.
  void Print();

 private:
  void SaveMhtml(const std::string& path);
  void SaveHtml(const std::string& path);
  void ForgetPrint(WebKitPrintOperation* op);
  static void OnPrintFailed(WebKitPrintOperation*, GError* error, gpointer data);
  static void OnPrintFinished(WebKitPrintOperation* op, gpointer data);

  WebKitWebView* view_;
  const WebKitViewFactory& factory_;
  GObjectPtr<GCancellable> cancel_{g_cancellable_new()};
  std::list<GObjectPtr<WebKitPrintOperation>> prints_;
};

}  // namespace wb
