#pragma once
// The program's windows as the program entry creates them. This is the one place that
// decides which class the main window is.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "info/about_box.h"
#include "shell/web_form.h"
#include "shell/web_main.h"

namespace wb {

// What the running program gives its browser windows: the engine, the configuration of its
// own executable (the embedded defaults, then the block appended to the file) and the
// user's default browser for pages that ask for a new window. `firstConfig`, when given, is
// the configuration the program entry read and parsed already: the window's first reading
// takes it instead of reading the executable again.
WebFormServices ProgramWebFormServices(WebViewFactory& views,
                                       std::optional<WindowConfig> firstConfig = std::nullopt);

struct ProgramWindows {
  std::unique_ptr<TWebMain> main;    // the application's main window, created and shown
  std::unique_ptr<TAboutBox> about;  // hidden until the Help menu asks for it
};

// Creates the main window (its creation step done), then the about box. `arguments` are the
// command-line arguments after the program's path; `firstConfig` as for ProgramWebFormServices.
ProgramWindows CreateProgramWindows(WebViewFactory& views, std::vector<std::string> arguments,
                                    std::optional<WindowConfig> firstConfig = std::nullopt);

}  // namespace wb
