#pragma once
// The questions the engine asks the person: where to save a page or a download, and whether
// to leave a page that asks before it is left. These are the dialogs of the running program;
// tests put answers of their own in their place (see WebKitViewFactory).
#include <functional>
#include <string>

typedef struct _GtkWidget GtkWidget;
namespace Gtk {
class Window;
}

namespace wb {

// The window that `widget` is in, which a dialog about it belongs to; null when it is in none.
Gtk::Window* ToplevelOf(GtkWidget* widget);

// Where the user wants a page or a download saved. An empty path means the user cancelled.
struct SaveChoice {
  std::string path;
  bool htmlOnly = false;  // the page's HTML alone instead of a single-file web page (MHTML)
};

// The folder a save dialog opens in: the one this copy saved into last (kept in its settings
// over restarts) while it exists, else the user's download folder, else the home folder; never
// the folder the program was started from.
std::string SaveStartFolder();

// A file chooser for saving the page shown, as a single-file web page or its HTML only.
// `parent` may be null.
SaveChoice ChoosePageFile(Gtk::Window* parent, const std::string& suggestedName);

// A file chooser for a download, opened in SaveStartFolder(), without waiting for the
// answer: `answer(path)` comes once the person has chosen, with an empty path when they cancel
// or the window goes. `parent` may be null.
void ChooseDownloadFile(Gtk::Window* parent, const std::string& suggestedName,
                        std::function<void(const std::string& path)> answer);

// Asks whether to leave the page, without waiting for the answer: `answer(true)` leaves it,
// `answer(false)` stays. `parent` may be null.
void AskLeave(Gtk::Window* parent, const std::string& message,
              std::function<void(bool leave)> answer);

}  // namespace wb
