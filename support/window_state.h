#pragma once
// The main window's state as other programs read it (`wbctl state`): one snapshot, made from
// the window's model and, for what only the widgets know, from the widgets, then written as
// one line of JSON in one place.
#include <optional>
#include <string>
#include <vector>

#include "support/page_error.h"
#include "support/text.h"

namespace wb {

struct WindowState {
  // --- From the window's model -----------------------------------------------------------
  Text address;
  Text status;
  std::vector<Text> history;
  int historyIndex = -1;
  std::vector<Text> recent;  // newest first
  // The enable rules themselves, not the actions, which are updated when the loop goes idle.
  bool back = false;
  bool forward = false;
  struct Link {
    Text caption;
    Text address;
    int icon = 0;
    std::string name;
  };
  std::vector<Link> links;
  std::optional<PageError> error;  // the explanation shown instead of the page asked for
  struct Prompt {
    std::string origin;
    std::string kind;
  };
  std::optional<Prompt> prompt;  // the permission question waiting
  // The page asks whether to leave it (a reload, a navigation or the window's close), and the
  // person has not answered yet.
  bool leave = false;
  struct Find {
    Text text;
    int matches = 0;  // -1 while the engine counts
    int current = 0;  // 0: none
  };
  std::optional<Find> find;  // null while the find bar is closed
  int zoom = 100;

  // --- What only the widgets know --------------------------------------------------------
  Text caption;  // the window's title
  struct Bars {
    bool menu = false, navbar = false, address = false, linkbar = false, strip = false,
         statusbar = false;
  } bars;
  bool banner = false;  // the banner panel above the page
  struct Child {
    Text address;
    Text title;
    bool visible = false;
    bool leave = false;  // its page asks whether to leave it
  };
  std::vector<Child> children;  // windows the pages opened, oldest first
  // The shown parts of the content area, top to bottom, by their names.
  struct Part {
    std::string name;
    int y = 0, width = 0, height = 0;
  };
  struct Layout {
    int width = 0, height = 0;
    std::vector<Part> parts;
  } layout;
  struct Info {
    bool visible = false;
    Text address;
    unsigned interval = 0;
    bool timer = false;
  };
  // The window as the desktop's window manager set it (all false without one).
  struct Shown {
    bool maximized = false, fullscreen = false, above = false;
  } window;
  std::optional<int> badge;  // the unread count shown on the launcher entry
  // The status-notifier item (tray=1): whether a task bar took it, and whether the window is
  // hidden in it. Both false without the key.
  struct Tray {
    bool registered = false, hidden = false;
  } tray;
  std::optional<Info> info;  // the info banner; null without one
  struct Icon {
    int width = 0, height = 0;
    std::string pixels;  // a digest of the pixels
  };
  std::optional<Icon> icon;  // the program's icon; an empty object without one
  // The about box while it is shown: the texts it shows and the addresses of its links, each
  // empty (none for the contact lines) when the box leaves it out, and the size of its logo.
  struct About {
    Text title, version, copyright;
    std::vector<Text> contact;
    Text homepage, shop, support;
    int logoWidth = 0, logoHeight = 0;
  };
  std::optional<About> about;  // null while the box is closed
};

// The state as one line of JSON (no line break inside).
std::string WindowStateJson(const WindowState& state);

}  // namespace wb
