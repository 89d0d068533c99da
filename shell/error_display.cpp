#include "shell/error_display.h"

#include <glibmm/exception.h>
#include <glibmm/exceptionhandler.h>
#include <gtkmm/messagedialog.h>
#include <gtkmm/window.h>

#include <cstdio>
#include <exception>
#include <vector>

#include "engine/dialogs.h"
#include "support/catalog.h"

namespace wb {
namespace {

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

// The window the user is working in, so the message box is placed over it.
GtkWindow* ActiveWindow() {
  GList* all = gtk_window_list_toplevels();
  GtkWindow* best = nullptr;
  for (GList* l = all; l; l = l->next) {
    auto* w = GTK_WINDOW(l->data);
    if (!gtk_widget_get_visible(GTK_WIDGET(w))) continue;
    if (gtk_window_is_active(w)) {
      best = w;
      break;
    }
    if (!best && gtk_window_get_window_type(w) == GTK_WINDOW_TOPLEVEL) best = w;
  }
  g_list_free(all);
  return best;
}

void ShowMessage(const std::string& message) {
  if (Sink()) {
    Sink()(message);
    return;
  }
  // The program is ending and no one may be there to dismiss a box: the message goes where a
  // program without a window says things.
  if (QuestionsClosed()) {
    std::fprintf(stderr, "%s: %s\n", g_get_prgname() ? g_get_prgname() : "webbrowser",
                 message.c_str());
    return;
  }
  Gtk::MessageDialog box(message, false, Gtk::MESSAGE_ERROR, Gtk::BUTTONS_OK, true);
  if (GtkWindow* parent = ActiveWindow()) box.set_transient_for(*Glib::wrap(parent));
  box.set_title(g_get_application_name() ? g_get_application_name() : "WebBrowser");
  box.run();
}

void HandleException() {
  ShowMessage(CurrentExceptionMessage());
}

}  // namespace

std::string CurrentExceptionMessage() {
  try {
    throw;
  } catch (const Glib::Exception& e) {
    return e.what();
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return Tr("An unknown error occurred.");
  }
}

void InstallErrorDisplay() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  Glib::add_exception_handler(&HandleException);
}

void ShowError(const Text& message) {
  ShowMessage(ToUtf8(message));
}

void SetErrorSink(std::function<void(const std::string& message)> sink) {
  Sink() = std::move(sink);
}

}  // namespace wb
